// Retain counting, numbers, data, and nested arrays and dictionaries with their callbacks.
#include <CoreFoundation/CoreFoundation.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

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

TEST(CFCollections, NestedEquality) {
    CFNumberRef n = int32Number(3);
    CFMutableDictionaryRef d1 = newDictionary();
    CFDictionarySetValue(d1, CFSTR("a"), n);
    CFDictionarySetValue(d1, CFSTR("b"), kCFBooleanFalse);
    CFMutableDictionaryRef d2 = newDictionary();
    CFDictionarySetValue(d2, CFSTR("b"), kCFBooleanFalse);
    CFNumberRef same = int32Number(3);
    CFDictionarySetValue(d2, CFSTR("a"), same);
    EXPECT_TRUE(CFEqual(d1, d2));
    CFMutableArrayRef a1 = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFMutableArrayRef a2 = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    for (auto [array, dict] : {std::pair(a1, d1), std::pair(a2, d2)}) {
        CFArrayAppendValue(array, dict);
        CFArrayAppendValue(array, CFSTR("x"));
    }
    EXPECT_TRUE(CFEqual(a1, a2));
    CFDictionarySetValue(d2, CFSTR("b"), kCFBooleanTrue);
    EXPECT_FALSE(CFEqual(a1, a2));
    for (CFTypeRef r : {CFTypeRef(n), CFTypeRef(same), CFTypeRef(d1), CFTypeRef(d2), CFTypeRef(a1), CFTypeRef(a2)})
        CFRelease(r);
}

TEST(CFNumber, ConversionsReportLoss) {
    SInt64 big = 0x100000000LL;
    CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &big);
    SInt32 small = 0;
    EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &small));
    CFRelease(n);

    SInt32 i = -5;
    n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &i);
    Float64 d = 0;
    EXPECT_TRUE(CFNumberGetValue(n, kCFNumberFloat64Type, &d));
    EXPECT_EQ(d, -5.0);
    CFRelease(n);

    Float64 half = 2.5;
    n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &half);
    EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &small));
    EXPECT_EQ(small, 2);
    CFNumberRef two = int32Number(2);
    Float64 two64 = 2.0;
    CFNumberRef twoReal = CFNumberCreate(nullptr, kCFNumberFloat64Type, &two64);
    EXPECT_TRUE(CFEqual(two, twoReal));
    EXPECT_EQ(CFHash(two), CFHash(twoReal));
    EXPECT_FALSE(CFEqual(two, n));
    CFRelease(n);
    CFRelease(two);
    CFRelease(twoReal);
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
