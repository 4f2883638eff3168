// XML property lists through libplist: conversion between plist nodes and CF objects.
#include "CFInternal.h"
#include "PropertyListFile.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

using namespace cf;

namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Real property lists nest a few levels (a preset: one dictionary; an Info.plist: three) and
// hold a few kilobytes, up to a bank of presets as base64 data of well under a megabyte.
// Deeper or larger input is refused before libplist, whose parse and free recurse per level,
// sees it.
constexpr size_t kMaxNesting = 64;
constexpr size_t kMaxPropertyListBytes = 4u << 20;

// Reads XML the way libplist finds its tags: text between tags is skipped, so are comments,
// CDATA sections, processing instructions and the DOCTYPE, and quoted text inside a tag.
class NestingScan {
public:
    NestingScan(const char* begin, const char* end) : pos(begin), end(end) {}

    // The deepest nesting of arrays and dictionaries, counted up to `limit` + 1. It never
    // reads less nesting than libplist would build: where libplist would stop on an error,
    // the scan stops too, and every open tag counts.
    size_t deepest(size_t limit) {
        size_t depth = 0, most = 0;
        while (most <= limit && skipTo("<", false)) {
            ++pos;
            // Each end marker is looked for where libplist looks: "?>" from the '?' on, the
            // others after the whole opening.
            if (startsWith("?")) {
                if (!skipPast("?>", true)) break;
            } else if (startsWith("!--")) {
                pos += 3;
                if (!skipPast("-->", false)) break;
            } else if (startsWith("![CDATA[")) {
                pos += 8;
                if (!skipPast("]]>", false)) break;
            } else if (startsWith("!DOCTYPE")) {
                pos += 8;
                if (!skipDoctype()) break;
            } else if (startsWith("!")) {
                break;  // libplist stops at any other <! tag
            } else {
                const char* name = pos;
                while (pos < end && !isOneOf(*pos, " \r\n\t<>")) ++pos;
                std::string tag(name, size_t(pos - name));
                tag = tag.c_str();  // libplist compares the name as a C string: up to a zero byte
                skipToOneOf("<>");
                if (pos >= end || *pos == '<') break;  // a tag without its '>' ends libplist's parse
                const bool empty = pos[-1] == '/';
                if (empty && !tag.empty() && tag.back() == '/') tag.pop_back();
                // An empty one is a level too, closed at once, except as the outermost value:
                // libplist goes on adding what follows into that one.
                if (tag == "array" || tag == "dict") {
                    most = std::max(most, depth + 1);
                    if (!empty || depth == 0) ++depth;
                }
                if ((tag == "/array" || tag == "/dict") && depth > 0) --depth;
            }
        }
        return most;
    }

private:
    static bool isOneOf(char c, const char* set) { return std::strchr(set, c) != nullptr && c != '\0'; }
    bool startsWith(const char* text) const {
        const size_t n = std::strlen(text);
        return size_t(end - pos) >= n && std::memcmp(pos, text, n) == 0;
    }
    // Steps over a quoted part at `pos` (on its opening quote); false at the end of the data.
    bool skipQuoted() {
        const void* close = std::memchr(pos + 1, '"', size_t(end - pos - 1));
        if (close == nullptr) return false;
        pos = static_cast<const char*>(close) + 1;
        return true;
    }
    bool skipTo(const char* text, bool quotes) {
        while (pos < end && !startsWith(text)) {
            if (quotes && *pos == '"') {
                if (!skipQuoted()) return false;
            } else {
                ++pos;
            }
        }
        return pos < end;
    }
    bool skipPast(const char* text, bool quotes) {
        if (!skipTo(text, quotes)) return false;
        pos += std::strlen(text);
        return true;
    }
    void skipToOneOf(const char* set) {
        while (pos < end && !isOneOf(*pos, set)) {
            if (*pos != '"') {
                ++pos;
            } else if (!skipQuoted()) {
                pos = end;
            }
        }
    }
    bool skipDoctype() {
        skipToOneOf("[>");
        if (pos >= end) return false;
        if (*pos == '>') return ++pos, true;
        return skipPast("]>", true);
    }

    const char* pos;
    const char* end;
};

// Builds the plist node of a CF object; null when the object is not a property-list type or
// nests containers deeper than a property list is read back. `depth`: the containers around it.
plist_t toPlist(CFTypeRef ref, size_t depth = 0) {
    const CFTypeID type = CFGetTypeID(ref);
    if ((type == kArrayType || type == kDictionaryType) && depth >= kMaxNesting) return nullptr;
    switch (type) {
        case kStringType:
            return plist_new_string(utf8Of(static_cast<CFStringRef>(ref)).c_str());
        case kBooleanType:
            return plist_new_bool(CFBooleanGetValue(static_cast<CFBooleanRef>(ref)) ? 1 : 0);
        case kDataType: {
            auto data = static_cast<CFDataRef>(ref);
            return plist_new_data(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                                  uint64_t(CFDataGetLength(data)));
        }
        case kNumberType: {
            auto number = static_cast<CFNumberRef>(ref);
            if (number->isFloat) return plist_new_real(number->real);
            return plist_new_uint(uint64_t(number->integer));  // libplist writes it back as signed
        }
        case kArrayType: {
            PlistPtr node(plist_new_array());
            auto array = static_cast<CFArrayRef>(ref);
            for (const void* value : array->values) {
                plist_t item = toPlist(value, depth + 1);
                if (item == nullptr) return nullptr;
                plist_array_append_item(node.get(), item);
            }
            return static_cast<plist_t>(node.release());
        }
        case kDictionaryType: {
            auto dict = static_cast<CFDictionaryRef>(ref);
            auto entries = dict->entries;
            for (const auto& entry : entries)
                if (!isType(entry.first, kStringType)) return nullptr;
            // CF writes keys in CFStringCompare order (code units: capitals before lower case).
            std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
                return CFStringCompare(static_cast<CFStringRef>(a.first), static_cast<CFStringRef>(b.first), 0) < 0;
            });
            PlistPtr node(plist_new_dict());
            for (const auto& entry : entries) {
                plist_t item = toPlist(entry.second, depth + 1);
                if (item == nullptr) return nullptr;
                plist_dict_set_item(node.get(), utf8Of(static_cast<CFStringRef>(entry.first)).c_str(), item);
            }
            return static_cast<plist_t>(node.release());
        }
        default:
            return nullptr;
    }
}

// Dates and UIDs have no CF type in this layer: inside arrays and dictionaries they are
// left out, so that an Info.plist or preset carrying one still reads.
bool isSkipped(plist_t node) {
    const plist_type type = plist_get_node_type(node);
    return type == PLIST_DATE || type == PLIST_UID;
}

// Builds the CF object of a plist node; null (and a reason) when the node has no CF form here.
CFTypeRef fromPlist(plist_t node, const char*& problem, size_t depth = 0) {
    const plist_type type = plist_get_node_type(node);
    if ((type == PLIST_ARRAY || type == PLIST_DICT) && depth >= kMaxNesting) {
        problem = "Property list nested too deeply";
        return nullptr;
    }
    switch (type) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return value ? kCFBooleanTrue : kCFBooleanFalse;
        }
        case PLIST_UINT: {
            uint64_t value = 0;
            plist_get_uint_val(node, &value);
            const SInt64 signedValue = SInt64(value);
            return CFNumberCreate(nullptr, kCFNumberSInt64Type, &signedValue);
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return CFNumberCreate(nullptr, kCFNumberFloat64Type, &value);
        }
        case PLIST_STRING: {
            uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            CFStringRef str = CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(text), CFIndex(length),
                                                      kCFStringEncodingUTF8, false);
            if (str == nullptr) problem = "Invalid UTF-8 in string";
            return str;
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes), CFIndex(length));
        }
        case PLIST_ARRAY: {
            CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
            const uint32_t count = plist_array_get_size(node);
            for (uint32_t i = 0; i < count; ++i) {
                if (isSkipped(plist_array_get_item(node, i))) continue;
                CFTypeRef item = fromPlist(plist_array_get_item(node, i), problem, depth + 1);
                if (item == nullptr) {
                    CFRelease(array);
                    return nullptr;
                }
                CFArrayAppendValue(array, item);
                CFRelease(item);
            }
            return array;
        }
        case PLIST_DICT: {
            CFMutableDictionaryRef dict =
                CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
            plist_dict_iter iter = nullptr;
            plist_dict_new_iter(node, &iter);
            while (true) {
                char* key = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, iter, &key, &value);
                if (value == nullptr || isSkipped(value)) {
                    std::free(key);
                    if (value == nullptr) break;
                    continue;
                }
                CFStringRef cfKey = makeStringFromUTF8(key);
                std::free(key);
                CFTypeRef cfValue = cfKey ? fromPlist(value, problem, depth + 1) : nullptr;
                if (cfKey == nullptr || cfValue == nullptr) {
                    if (cfKey == nullptr) problem = "Invalid UTF-8 in key";
                    if (cfKey) CFRelease(cfKey);
                    std::free(iter);
                    CFRelease(dict);
                    return nullptr;
                }
                CFDictionarySetValue(dict, cfKey, cfValue);
                CFRelease(cfKey);
                CFRelease(cfValue);
            }
            std::free(iter);
            return dict;
        }
        default:
            problem = "Unsupported property list element (date, UID or key)";
            return nullptr;
    }
}

}  // namespace

namespace cf {

CFPropertyListRef propertyListFromBytes(const char* bytes, size_t length, std::string& problem) {
    if (length > kMaxPropertyListBytes) {
        problem = "Property list too large";
        return nullptr;
    }
    // Only the XML form is read (libplist's binary reader recurses per object); it is checked
    // for depth before libplist parses it.
    if (NestingScan(bytes, bytes + length).deepest(kMaxNesting) > kMaxNesting) {
        problem = "Property list nested too deeply";
        return nullptr;
    }
    plist_t root = nullptr;
    if (length > 0) plist_from_xml(bytes, uint32_t(length), &root);
    if (root == nullptr) {
        problem = "Malformed property list data";
        return nullptr;
    }
    PlistPtr owner(root);
    const char* reason = nullptr;
    CFPropertyListRef result = fromPlist(root, reason);
    if (result == nullptr) problem = reason ? reason : "Unsupported property list content";
    return result;
}

CFPropertyListRef propertyListFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    std::string bytes(kMaxPropertyListBytes + 1, '\0');
    in.read(&bytes[0], std::streamsize(bytes.size()));
    bytes.resize(size_t(in.gcount()));
    std::string problem;
    return propertyListFromBytes(bytes.data(), bytes.size(), problem);
}

}  // namespace cf

CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef, CFPropertyListRef propertyList) {
    if (propertyList == nullptr) return nullptr;
    PlistPtr root(toPlist(propertyList));
    if (!root) return nullptr;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (xml == nullptr) return nullptr;
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(xml), CFIndex(length));
    plist_to_xml_free(xml);
    return data;
}

CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData, CFOptionFlags,
                                                  CFStringRef* errorString) {
    if (errorString != nullptr) *errorString = nullptr;
    std::string problem = "No data";
    CFPropertyListRef result = nullptr;
    if (xmlData != nullptr)
        result = propertyListFromBytes(reinterpret_cast<const char*>(CFDataGetBytePtr(xmlData)),
                                       size_t(CFDataGetLength(xmlData)), problem);
    if (result == nullptr && errorString != nullptr) *errorString = makeStringFromUTF8(problem);
    return result;
}
