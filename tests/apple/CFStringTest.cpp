// Strings: encodings (MacRoman and UTF-8 above all) and comparison.
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string cString(CFStringRef s, CFStringEncoding encoding) {
    char buffer[256];
    if (!CFStringGetCString(s, buffer, sizeof buffer, encoding)) return "<failed>";
    return buffer;
}

struct Owned {  // releases on scope exit
    explicit Owned(CFTypeRef r) : ref(r) {}
    ~Owned() {
        if (ref) CFRelease(ref);
    }
    CFStringRef str() const { return static_cast<CFStringRef>(ref); }
    CFTypeRef ref;
};

}  // namespace

TEST(CFStringEncoding, MacRomanAndUTF8BothWays) {
    const struct {
        const char* utf8;
        const char* macRoman;
    } cases[] = {
        {"Café ü ß € Ω ™ ﬁ \xEF\xA3\xBF", "Caf\x8E \x9F \xA7 \xDB \xBD \xAA \xDE \xF0"},  // the Apple logo last
        {"Ñandú – “quote” … °",
         "\x84"
         "and\x9C \xD0 \xD2quote\xD3 \xC9 \xA1"},
    };
    for (const auto& c : cases) {
        Owned fromMacRoman(CFStringCreateWithCString(nullptr, c.macRoman, kCFStringEncodingMacRoman));
        Owned fromUTF8(CFStringCreateWithCString(nullptr, c.utf8, kCFStringEncodingUTF8));
        ASSERT_NE(fromMacRoman.ref, nullptr) << c.utf8;
        EXPECT_TRUE(CFEqual(fromMacRoman.ref, fromUTF8.ref)) << c.utf8;
        EXPECT_EQ(cString(fromMacRoman.str(), kCFStringEncodingUTF8), c.utf8);
        EXPECT_EQ(cString(fromUTF8.str(), kCFStringEncodingMacRoman), c.macRoman);
    }
}

TEST(CFStringEncoding, EveryMacRomanByteRoundTrips) {
    UInt8 all[255];
    for (int i = 1; i < 256; ++i) all[i - 1] = UInt8(i);
    Owned s(CFStringCreateWithBytes(nullptr, all, sizeof all, kCFStringEncodingMacRoman, false));
    ASSERT_EQ(CFStringGetLength(s.str()), 255);
    char utf8[1024];
    ASSERT_TRUE(CFStringGetCString(s.str(), utf8, sizeof utf8, kCFStringEncodingUTF8));
    Owned viaUTF8(CFStringCreateWithCString(nullptr, utf8, kCFStringEncodingUTF8));
    UInt8 back[256];
    CFIndex used = 0;
    EXPECT_EQ(CFStringGetBytes(viaUTF8.str(), CFRangeMake(0, 255), kCFStringEncodingMacRoman, 0, false, back,
                               sizeof back, &used),
              255);
    ASSERT_EQ(used, 255);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 255), std::string(reinterpret_cast<char*>(all), 255));
}

TEST(CFStringEncoding, UnmappableAndInvalidInput) {
    Owned cyrillic(CFStringCreateWithCString(nullptr, "Жук", kCFStringEncodingUTF8));
    char buffer[16];
    EXPECT_FALSE(CFStringGetCString(cyrillic.str(), buffer, sizeof buffer, kCFStringEncodingMacRoman));
    UInt8 bytes[8];
    CFIndex used = 0;
    EXPECT_EQ(CFStringGetBytes(cyrillic.str(), CFRangeMake(0, 3), kCFStringEncodingMacRoman, '?', false, bytes,
                               sizeof bytes, &used),
              3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), size_t(used)), "???");
    EXPECT_EQ(CFStringCreateWithCString(nullptr, "bad \xC3", kCFStringEncodingUTF8), nullptr);
}

TEST(CFStringEncoding, BufferLimits) {
    Owned s(CFStringCreateWithCString(nullptr, "über", kCFStringEncodingUTF8));
    char small[5];
    EXPECT_FALSE(CFStringGetCString(s.str(), small, sizeof small, kCFStringEncodingUTF8));  // 5 bytes + NUL
    EXPECT_TRUE(CFStringGetCString(s.str(), small, sizeof small, kCFStringEncodingMacRoman));
    UInt8 bytes[3];
    CFIndex used = 0;
    EXPECT_EQ(CFStringGetBytes(s.str(), CFRangeMake(0, 4), kCFStringEncodingUTF8, 0, false, bytes, 3, &used), 2);
    EXPECT_EQ(used, 3);  // "üb": whole characters only
    EXPECT_EQ(CFStringGetBytes(s.str(), CFRangeMake(0, 4), kCFStringEncodingUTF8, 0, false, nullptr, 0, &used), 4);
    EXPECT_EQ(used, 5);
}

TEST(CFStringEncoding, SupplementaryCharactersUseSurrogatePairs) {
    Owned s(CFStringCreateWithCString(nullptr, "a\xF0\x9D\x84\x9E", kCFStringEncodingUTF8));  // G clef
    EXPECT_EQ(CFStringGetLength(s.str()), 3);
    EXPECT_EQ(cString(s.str(), kCFStringEncodingUTF8), "a\xF0\x9D\x84\x9E");
}

TEST(CFStringCompare, LiteralCaseInsensitiveAndNumeric) {
    EXPECT_EQ(CFStringCompare(CFSTR("ProgramNumber"), CFSTR("data"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("abc"), 0), kCFCompareEqualTo);
    EXPECT_EQ(CFStringCompare(CFSTR("abc"), CFSTR("ab"), 0), kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(CFSTR("ABC"), CFSTR("abc"), kCFCompareCaseInsensitive), kCFCompareEqualTo);
    EXPECT_EQ(CFStringCompare(CFSTR("7.10"), CFSTR("7.9"), 0), kCFCompareLessThan);
    EXPECT_EQ(CFStringCompare(CFSTR("7.10"), CFSTR("7.9"), kCFCompareNumerically), kCFCompareGreaterThan);
    // Host version checks use both flags (the host identification tests of the wrapper compare real versions).
    const CFStringCompareFlags version = kCFCompareCaseInsensitive | kCFCompareNumerically;
    EXPECT_EQ(CFStringCompare(CFSTR("10.0B"), CFSTR("10.0a"), version), kCFCompareGreaterThan);
    EXPECT_EQ(CFStringCompare(CFSTR("08"), CFSTR("8"), version), kCFCompareEqualTo);
}

TEST(CFStringConstant, SameTextSameImmortalObject) {
    CFStringRef a = CFSTR("Untitled");
    EXPECT_EQ(a, CFSTR("Untitled"));
    CFRetain(a);
    CFRelease(a);
    CFRelease(a);  // constant strings ignore release
    EXPECT_EQ(CFStringGetLength(a), 8);
    EXPECT_EQ(CFGetTypeID(a), CFStringGetTypeID());
    Owned copy(CFStringCreateWithCString(nullptr, "Untitled", kCFStringEncodingMacRoman));
    EXPECT_TRUE(CFEqual(a, copy.ref));
    EXPECT_EQ(CFHash(a), CFHash(copy.ref));
}
