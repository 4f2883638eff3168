// CFData, CFNumber, CFBoolean, CFArray and CFDictionary.
#include "CFInternal.h"

#include <cmath>
#include <cstring>
#include <limits>

using namespace cf;

namespace {

const void* typeRetain(CFAllocatorRef, const void* value) { return CFRetain(value); }
void typeRelease(CFAllocatorRef, const void* value) { CFRelease(value); }
Boolean typeEqual(const void* a, const void* b) { return CFEqual(a, b); }
CFHashCode typeHash(const void* value) { return CFHash(value); }

}  // namespace

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, typeRetain, typeRelease, nullptr, typeEqual};
const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {0,       typeRetain, typeRelease,
                                                                nullptr, typeEqual,  typeHash};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, typeRetain, typeRelease, nullptr, typeEqual};

// ---- CFData ----

bool __CFData::equals(const CFObject& other) const { return bytes == static_cast<const __CFData&>(other).bytes; }

CFHashCode __CFData::hash() const {
    CFHashCode h = 1469598103934665603ULL;
    for (size_t i = 0; i < bytes.size() && i < 80; ++i) h = (h ^ bytes[i]) * 1099511628211ULL;
    return h ^ bytes.size();
}

CFTypeID CFDataGetTypeID(void) { return kDataType; }

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
    if (length < 0 || (bytes == nullptr && length > 0)) return nullptr;
    auto* data = new __CFData();
    data->bytes.assign(bytes, bytes + length);
    return data;
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef, CFIndex capacity) {
    auto* data = new __CFData();
    if (capacity > 0) data->bytes.reserve(size_t(capacity));
    return data;
}

CFIndex CFDataGetLength(CFDataRef data) { return data ? CFIndex(data->bytes.size()) : 0; }

const UInt8* CFDataGetBytePtr(CFDataRef data) { return data ? data->bytes.data() : nullptr; }

void CFDataAppendBytes(CFMutableDataRef data, const UInt8* bytes, CFIndex length) {
    if (data != nullptr && bytes != nullptr && length > 0) data->bytes.insert(data->bytes.end(), bytes, bytes + length);
}

// ---- CFNumber ----

namespace {

// The storage type CF reports for a requested type.
CFNumberType canonicalType(CFNumberType type) {
    switch (type) {
        case kCFNumberSInt32Type:
            return kCFNumberSInt32Type;
        case kCFNumberSInt64Type:
        case kCFNumberLongType:
            return kCFNumberSInt64Type;
        case kCFNumberFloat64Type:
            return kCFNumberFloat64Type;
    }
    return CFNumberType(0);
}

template <typename T>
bool storeInteger(const __CFNumber* n, void* out) {
    T value;
    bool exact;
    if (n->isFloat) {
        const double r = n->real;
        exact = std::isfinite(r) && r == std::trunc(r) && r >= double(std::numeric_limits<T>::min()) &&
                r <= double(std::numeric_limits<T>::max());
        value =
            std::isfinite(r) && r >= double(std::numeric_limits<T>::min()) && r <= double(std::numeric_limits<T>::max())
                ? T(r)
                : T(0);
    } else {
        value = T(n->integer);
        exact = SInt64(value) == n->integer;
    }
    std::memcpy(out, &value, sizeof(T));
    return exact;
}

template <typename T>
bool storeReal(const __CFNumber* n, void* out) {
    const T value = n->isFloat ? T(n->real) : T(n->integer);
    std::memcpy(out, &value, sizeof(T));
    return n->isFloat ? (std::isnan(n->real) || double(value) == n->real) : SInt64(value) == n->integer;
}

}  // namespace

bool __CFNumber::equals(const CFObject& other) const {
    const auto& o = static_cast<const __CFNumber&>(other);
    if (!isFloat && !o.isFloat) return integer == o.integer;
    const double a = isFloat ? real : double(integer);
    const double b = o.isFloat ? o.real : double(o.integer);
    return a == b || (std::isnan(a) && std::isnan(b));
}

CFHashCode __CFNumber::hash() const {
    if (!isFloat) return CFHashCode(integer);
    if (std::isfinite(real) && real == std::trunc(real) && std::fabs(real) < 9.2e18) return CFHashCode(SInt64(real));
    CFHashCode bits;
    std::memcpy(&bits, &real, sizeof bits);
    return bits;
}

CFTypeID CFNumberGetTypeID(void) { return kNumberType; }

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
    const CFNumberType type = canonicalType(theType);
    if (valuePtr == nullptr || type == 0) return nullptr;
    auto* n = new __CFNumber();
    switch (type) {
        case kCFNumberSInt32Type:
            n->integer = *static_cast<const SInt32*>(valuePtr);
            break;
        case kCFNumberSInt64Type:
            n->integer = *static_cast<const SInt64*>(valuePtr);
            break;
        default:
            n->isFloat = true;
            n->real = *static_cast<const Float64*>(valuePtr);
            break;
    }
    return n;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
    if (number == nullptr || valuePtr == nullptr) return false;
    switch (canonicalType(theType)) {
        case kCFNumberSInt32Type:
            return storeInteger<SInt32>(number, valuePtr);
        case kCFNumberSInt64Type:
            return storeInteger<SInt64>(number, valuePtr);
        case kCFNumberFloat64Type:
            return storeReal<Float64>(number, valuePtr);
        default:
            return false;
    }
}

// ---- CFBoolean ----

namespace {
__CFBoolean trueObject(true);
__CFBoolean falseObject(false);
}  // namespace

const CFBooleanRef kCFBooleanTrue = &trueObject;
const CFBooleanRef kCFBooleanFalse = &falseObject;

CFTypeID CFBooleanGetTypeID(void) { return kBooleanType; }

Boolean CFBooleanGetValue(CFBooleanRef boolean) { return boolean != nullptr && boolean->value; }

// ---- CFArray ----

__CFArray::__CFArray(const CFArrayCallBacks* cb) : CFObject(kArrayType) {
    if (cb != nullptr) callBacks = *cb;
}

__CFArray::~__CFArray() {
    for (const void* v : values) releaseValue(v);
}

const void* __CFArray::retainValue(const void* value) const {
    return callBacks.retain ? callBacks.retain(nullptr, value) : value;
}

void __CFArray::releaseValue(const void* value) const {
    if (callBacks.release) callBacks.release(nullptr, value);
}

bool __CFArray::valuesEqual(const void* a, const void* b) const {
    return callBacks.equal ? callBacks.equal(a, b) : a == b;
}

bool __CFArray::equals(const CFObject& other) const {
    const auto& o = static_cast<const __CFArray&>(other);
    if (values.size() != o.values.size()) return false;
    for (size_t i = 0; i < values.size(); ++i)
        if (!valuesEqual(values[i], o.values[i])) return false;
    return true;
}

CFTypeID CFArrayGetTypeID(void) { return kArrayType; }

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity, const CFArrayCallBacks* cb) {
    auto* array = new __CFArray(cb);
    if (capacity > 0) array->values.reserve(size_t(capacity));
    return array;
}

CFIndex CFArrayGetCount(CFArrayRef array) { return array ? CFIndex(array->values.size()) : 0; }

const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex idx) {
    if (array == nullptr || idx < 0 || size_t(idx) >= array->values.size()) return nullptr;
    return array->values[idx];
}

void CFArrayAppendValue(CFMutableArrayRef array, const void* value) {
    if (array != nullptr) array->values.push_back(array->retainValue(value));
}

// ---- CFDictionary ----

__CFDictionary::__CFDictionary(const CFDictionaryKeyCallBacks* keyCB, const CFDictionaryValueCallBacks* valueCB)
    : CFObject(kDictionaryType) {
    if (keyCB != nullptr) keyCallBacks = *keyCB;
    if (valueCB != nullptr) valueCallBacks = *valueCB;
}

__CFDictionary::~__CFDictionary() {
    while (!entries.empty()) removeAt(entries.size() - 1);
}

long __CFDictionary::find(const void* key) const {
    for (size_t i = 0; i < entries.size(); ++i) {
        const void* k = entries[i].first;
        if (k == key || (keyCallBacks.equal && keyCallBacks.equal(k, key))) return long(i);
    }
    return -1;
}

void __CFDictionary::set(const void* key, const void* value) {
    const long index = find(key);
    const void* newValue = valueCallBacks.retain ? valueCallBacks.retain(nullptr, value) : value;
    if (index >= 0) {
        const void* old = entries[index].second;
        entries[index].second = newValue;
        if (valueCallBacks.release) valueCallBacks.release(nullptr, old);
    } else {
        const void* newKey = keyCallBacks.retain ? keyCallBacks.retain(nullptr, key) : key;
        entries.emplace_back(newKey, newValue);
    }
}

void __CFDictionary::removeAt(size_t index) {
    const auto entry = entries[index];
    entries.erase(entries.begin() + long(index));
    if (keyCallBacks.release) keyCallBacks.release(nullptr, entry.first);
    if (valueCallBacks.release) valueCallBacks.release(nullptr, entry.second);
}

bool __CFDictionary::equals(const CFObject& other) const {
    const auto& o = static_cast<const __CFDictionary&>(other);
    if (entries.size() != o.entries.size()) return false;
    for (const auto& entry : entries) {
        const long index = o.find(entry.first);
        if (index < 0) return false;
        const void* v = o.entries[index].second;
        if (!(v == entry.second || (valueCallBacks.equal && valueCallBacks.equal(entry.second, v)))) return false;
    }
    return true;
}

CFTypeID CFDictionaryGetTypeID(void) { return kDictionaryType; }

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCB,
                                                 const CFDictionaryValueCallBacks* valueCB) {
    auto* dict = new __CFDictionary(keyCB, valueCB);
    if (capacity > 0) dict->entries.reserve(size_t(capacity));
    return dict;
}

const void* CFDictionaryGetValue(CFDictionaryRef dict, const void* key) {
    const void* value = nullptr;
    CFDictionaryGetValueIfPresent(dict, key, &value);
    return value;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef dict, const void* key, const void** value) {
    if (dict == nullptr) return false;
    const long index = dict->find(key);
    if (index < 0) return false;
    if (value != nullptr) *value = dict->entries[index].second;
    return true;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef dict, const void* key) {
    return dict != nullptr && dict->find(key) >= 0;
}

void CFDictionaryApplyFunction(CFDictionaryRef dict, CFDictionaryApplierFunction applier, void* context) {
    if (dict == nullptr || applier == nullptr) return;
    const auto snapshot = dict->entries;
    for (const auto& entry : snapshot) applier(entry.first, entry.second, context);
}

void CFDictionarySetValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
    if (dict) dict->set(key, value);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef dict, const void* key) {
    if (dict == nullptr) return;
    const long index = dict->find(key);
    if (index >= 0) dict->removeAt(size_t(index));
}
