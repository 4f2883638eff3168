// XML property lists through libplist: conversion between plist nodes and CF objects.
#include "CFInternal.h"
#include "PropertyListFile.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

using namespace cf;

namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Builds the plist node of a CF object; null when the object is not a property-list type.
plist_t toPlist(CFTypeRef ref) {
    switch (CFGetTypeID(ref)) {
    case kStringType:
        return plist_new_string(utf8Of(static_cast<CFStringRef>(ref)).c_str());
    case kBooleanType:
        return plist_new_bool(CFBooleanGetValue(static_cast<CFBooleanRef>(ref)) ? 1 : 0);
    case kDataType: {
        auto data = static_cast<CFDataRef>(ref);
        return plist_new_data(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), uint64_t(CFDataGetLength(data)));
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
            plist_t item = toPlist(value);
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
            plist_t item = toPlist(entry.second);
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
CFTypeRef fromPlist(plist_t node, const char*& problem) {
    switch (plist_get_node_type(node)) {
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
            CFTypeRef item = fromPlist(plist_array_get_item(node, i), problem);
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
            CFTypeRef cfValue = cfKey ? fromPlist(value, problem) : nullptr;
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
    plist_t root = nullptr;
    if (length > 0 && length <= UINT32_MAX) plist_from_memory(bytes, uint32_t(length), &root);
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
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
