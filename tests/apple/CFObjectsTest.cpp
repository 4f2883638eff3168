// Retain counting and data. (Nested equality: the property-list round trip; number conversions:
// the preset dictionary's refusal of fractional and wrapping numbers.)
#include <CoreFoundation/CoreFoundation.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

CFNumberRef int32Number(SInt32 v) { return CFNumberCreate(nullptr, kCFNumberSInt32Type, &v); }

CFMutableDictionaryRef newDictionary() {
    return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
}

}  // namespace

TEST(CFRetainRelease, ContainersRetainWhatTheyHoldAndReleaseItWhenReplacedRemovedOrFreed) {
    const CFIndex before = StandInLiveObjectCount();
    CFNumberRef n = int32Number(7);
    CFNumberRef other = int32Number(8);
    CFStringRef key = CFStringCreateWithCString(nullptr, "type", kCFStringEncodingUTF8);
    CFMutableDictionaryRef dict = newDictionary();
    CFDictionarySetValue(dict, key, other);
    CFDictionarySetValue(dict, key, n);
    EXPECT_EQ(CFGetRetainCount(other), 1);
    EXPECT_EQ(CFGetRetainCount(n), 2);
    EXPECT_EQ(CFGetRetainCount(key), 2);
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(array, dict);
    CFArrayAppendValue(array, n);
    EXPECT_EQ(CFGetRetainCount(n), 3);
    CFDictionarySetValue(dict, CFSTR("gone"), other);
    CFDictionaryRemoveValue(dict, CFSTR("gone"));
    EXPECT_EQ(CFGetRetainCount(other), 1);
    for (CFTypeRef r : {CFTypeRef(n), CFTypeRef(other), CFTypeRef(key), CFTypeRef(dict)}) CFRelease(r);
    EXPECT_EQ(StandInLiveObjectCount(), before + 4);  // the array, the dictionary, its key and n
    CFRelease(array);
    EXPECT_EQ(StandInLiveObjectCount(), before);
}

TEST(CFData, MutableDataGrows) {
    CFMutableDataRef data = CFDataCreateMutable(nullptr, 0);
    CFDataAppendBytes(data, reinterpret_cast<const UInt8*>("CcnK"), 4);
    CFDataAppendBytes(data, reinterpret_cast<const UInt8*>("FxCk"), 4);
    EXPECT_EQ(CFDataGetLength(data), 8);
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(data) + 4, "FxCk", 4), 0);
    CFDataRef copy = CFDataCreate(nullptr, CFDataGetBytePtr(data), CFDataGetLength(data));
    EXPECT_TRUE(CFEqual(data, copy));
    CFRelease(copy);
    CFRelease(data);
}
