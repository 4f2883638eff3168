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

bool rangeValid(CFRange range, size_t size) {
    return range.location >= 0 && range.length >= 0 && size_t(range.location + range.length) <= size;
}

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

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef data) { return data ? data->bytes.data() : nullptr; }

void CFDataGetBytes(CFDataRef data, CFRange range, UInt8* buffer) {
    if (data == nullptr || buffer == nullptr || !rangeValid(range, data->bytes.size())) return;
    std::memcpy(buffer, data->bytes.data() + range.location, size_t(range.length));
}

void CFDataSetLength(CFMutableDataRef data, CFIndex length) {
    if (data != nullptr && length >= 0) data->bytes.resize(size_t(length), 0);
}

void CFDataAppendBytes(CFMutableDataRef data, const UInt8* bytes, CFIndex length) {
    if (data != nullptr && bytes != nullptr && length > 0) data->bytes.insert(data->bytes.end(), bytes, bytes + length);
}

// ---- CFNumber ----

namespace {

// The storage type CF reports for a requested type.
CFNumberType canonicalType(CFNumberType type) {
    switch (type) {
        case kCFNumberSInt8Type:
        case kCFNumberCharType:
            return kCFNumberSInt8Type;
        case kCFNumberSInt16Type:
        case kCFNumberShortType:
            return kCFNumberSInt16Type;
        case kCFNumberSInt32Type:
        case kCFNumberIntType:
            return kCFNumberSInt32Type;
        case kCFNumberSInt64Type:
        case kCFNumberLongType:
        case kCFNumberLongLongType:
        case kCFNumberCFIndexType:
        case kCFNumberNSIntegerType:
            return kCFNumberSInt64Type;
        case kCFNumberFloat32Type:
        case kCFNumberFloatType:
            return kCFNumberFloat32Type;
        case kCFNumberFloat64Type:
        case kCFNumberDoubleType:
        case kCFNumberCGFloatType:
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
    n->type = type;
    switch (type) {
        case kCFNumberSInt8Type:
            n->integer = *static_cast<const SInt8*>(valuePtr);
            break;
        case kCFNumberSInt16Type:
            n->integer = *static_cast<const SInt16*>(valuePtr);
            break;
        case kCFNumberSInt32Type:
            n->integer = *static_cast<const SInt32*>(valuePtr);
            break;
        case kCFNumberSInt64Type:
            n->integer = *static_cast<const SInt64*>(valuePtr);
            break;
        case kCFNumberFloat32Type:
            n->isFloat = true;
            n->real = *static_cast<const Float32*>(valuePtr);
            break;
        default:
            n->isFloat = true;
            n->real = *static_cast<const Float64*>(valuePtr);
            break;
    }
    return n;
}

CFNumberType CFNumberGetType(CFNumberRef number) { return number ? number->type : CFNumberType(0); }

Boolean CFNumberIsFloatType(CFNumberRef number) { return number != nullptr && number->isFloat; }

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
    if (number == nullptr || valuePtr == nullptr) return false;
    switch (canonicalType(theType)) {
        case kCFNumberSInt8Type:
            return storeInteger<SInt8>(number, valuePtr);
        case kCFNumberSInt16Type:
            return storeInteger<SInt16>(number, valuePtr);
        case kCFNumberSInt32Type:
            return storeInteger<SInt32>(number, valuePtr);
        case kCFNumberSInt64Type:
            return storeInteger<SInt64>(number, valuePtr);
        case kCFNumberFloat32Type:
            return storeReal<Float32>(number, valuePtr);
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

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues, const CFArrayCallBacks* cb) {
    if (numValues < 0 || (values == nullptr && numValues > 0)) return nullptr;
    auto* array = new __CFArray(cb);
    for (CFIndex i = 0; i < numValues; ++i) array->values.push_back(array->retainValue(values[i]));
    return array;
}

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

void CFArrayRemoveValueAtIndex(CFMutableArrayRef array, CFIndex idx) {
    if (array == nullptr || idx < 0 || size_t(idx) >= array->values.size()) return;
    const void* value = array->values[idx];
    array->values.erase(array->values.begin() + idx);
    array->releaseValue(value);
}

void CFArrayRemoveAllValues(CFMutableArrayRef array) {
    if (array == nullptr) return;
    std::vector<const void*> old;
    old.swap(array->values);
    for (const void* v : old) array->releaseValue(v);
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

void __CFDictionary::set(const void* key, const void* value, bool replaceExisting, bool addMissing) {
    const long index = find(key);
    const void* newValue = nullptr;
    if ((index >= 0 && replaceExisting) || (index < 0 && addMissing))
        newValue = valueCallBacks.retain ? valueCallBacks.retain(nullptr, value) : value;
    if (index >= 0 && replaceExisting) {
        const void* old = entries[index].second;
        entries[index].second = newValue;
        if (valueCallBacks.release) valueCallBacks.release(nullptr, old);
    } else if (index < 0 && addMissing) {
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

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values, CFIndex numValues,
                                   const CFDictionaryKeyCallBacks* keyCB, const CFDictionaryValueCallBacks* valueCB) {
    if (numValues < 0 || ((keys == nullptr || values == nullptr) && numValues > 0)) return nullptr;
    auto* dict = new __CFDictionary(keyCB, valueCB);
    for (CFIndex i = 0; i < numValues; ++i) dict->set(keys[i], values[i], true, true);
    return dict;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCB,
                                                 const CFDictionaryValueCallBacks* valueCB) {
    auto* dict = new __CFDictionary(keyCB, valueCB);
    if (capacity > 0) dict->entries.reserve(size_t(capacity));
    return dict;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef dict) { return dict ? CFIndex(dict->entries.size()) : 0; }

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

void CFDictionaryGetKeysAndValues(CFDictionaryRef dict, const void** keys, const void** values) {
    if (dict == nullptr) return;
    for (size_t i = 0; i < dict->entries.size(); ++i) {
        if (keys) keys[i] = dict->entries[i].first;
        if (values) values[i] = dict->entries[i].second;
    }
}

void CFDictionaryApplyFunction(CFDictionaryRef dict, CFDictionaryApplierFunction applier, void* context) {
    if (dict == nullptr || applier == nullptr) return;
    const auto snapshot = dict->entries;
    for (const auto& entry : snapshot) applier(entry.first, entry.second, context);
}

void CFDictionaryAddValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
    if (dict) dict->set(key, value, false, true);
}

void CFDictionarySetValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
    if (dict) dict->set(key, value, true, true);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef dict, const void* key) {
    if (dict == nullptr) return;
    const long index = dict->find(key);
    if (index >= 0) dict->removeAt(size_t(index));
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef dict) {
    if (dict == nullptr) return;
    while (!dict->entries.empty()) dict->removeAt(dict->entries.size() - 1);
}
