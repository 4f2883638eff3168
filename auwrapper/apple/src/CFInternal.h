// Object model behind the Core Foundation stand-in: every CF object derives from CFObject,
// which carries the type ID and an atomic retain count.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace cf {

enum TypeID : CFTypeID {
    kStringType = 7,
    kBooleanType = 21,
    kNumberType = 22,
    kDataType = 20,
    kArrayType = 19,
    kDictionaryType = 18,
    kURLType = 29,
    kBundleType = 31
};

struct CFObject {
    struct ImmortalTag {};
    explicit CFObject(CFTypeID id, bool isImmortal = false);
    // For statically allocated constants: initialized before any code runs.
    constexpr CFObject(CFTypeID id, ImmortalTag) : typeID(id), immortal(true) {}
    virtual ~CFObject();
    CFObject(const CFObject&) = delete;
    CFObject& operator=(const CFObject&) = delete;

    virtual bool equals(const CFObject& other) const { return this == &other; }
    virtual CFHashCode hash() const { return reinterpret_cast<CFHashCode>(this); }

    const CFTypeID typeID;
    std::atomic<long> retainCount{1};
    const bool immortal;  // constant strings and booleans are never freed
};

inline const CFObject* object(CFTypeRef ref) { return static_cast<const CFObject*>(ref); }
inline CFObject* mutableObject(CFTypeRef ref) { return const_cast<CFObject*>(object(ref)); }

inline bool isType(CFTypeRef ref, CFTypeID id) { return ref != nullptr && object(ref)->typeID == id; }

long liveObjectCount();

// Helpers shared by the translation units.
CFStringRef makeString(std::u16string chars);
CFStringRef makeStringFromUTF8(const std::string& utf8);
std::string utf8Of(CFStringRef str);
bool decodeUTF8(const UInt8* bytes, size_t length, std::u16string& out);

}  // namespace cf

struct __CFString : cf::CFObject {
    explicit __CFString(std::u16string text, bool isImmortal = false)
        : CFObject(cf::kStringType, isImmortal), chars(std::move(text)) {}
    bool equals(const CFObject& other) const override;
    CFHashCode hash() const override;
    std::u16string chars;
};

struct __CFData : cf::CFObject {
    __CFData() : CFObject(cf::kDataType) {}
    bool equals(const CFObject& other) const override;
    CFHashCode hash() const override;
    std::vector<UInt8> bytes;
};

struct __CFNumber : cf::CFObject {
    __CFNumber() : CFObject(cf::kNumberType) {}
    bool equals(const CFObject& other) const override;
    CFHashCode hash() const override;
    bool isFloat = false;
    SInt64 integer = 0;
    double real = 0.0;
};

struct __CFBoolean : cf::CFObject {
    constexpr explicit __CFBoolean(bool v) : CFObject(cf::kBooleanType, ImmortalTag{}), value(v) {}
    const bool value;
};

struct __CFArray : cf::CFObject {
    explicit __CFArray(const CFArrayCallBacks* cb);
    ~__CFArray() override;
    bool equals(const CFObject& other) const override;
    CFHashCode hash() const override { return values.size(); }
    const void* retainValue(const void* value) const;
    void releaseValue(const void* value) const;
    bool valuesEqual(const void* a, const void* b) const;
    CFArrayCallBacks callBacks{};
    std::vector<const void*> values;
};

struct __CFDictionary : cf::CFObject {
    __CFDictionary(const CFDictionaryKeyCallBacks* keyCB, const CFDictionaryValueCallBacks* valueCB);
    ~__CFDictionary() override;
    bool equals(const CFObject& other) const override;
    CFHashCode hash() const override { return entries.size(); }
    long find(const void* key) const;
    void set(const void* key, const void* value);
    void removeAt(size_t index);
    CFDictionaryKeyCallBacks keyCallBacks{};
    CFDictionaryValueCallBacks valueCallBacks{};
    std::vector<std::pair<const void*, const void*>> entries;  // in insertion order
};

struct __CFURL : cf::CFObject {
    __CFURL(std::string p, bool dir) : CFObject(cf::kURLType), path(std::move(p)), isDirectory(dir) {}
    bool equals(const CFObject& other) const override;
    CFHashCode hash() const override;
    std::string path;  // absolute, normalized, no trailing slash except for "/"
    bool isDirectory;
};
