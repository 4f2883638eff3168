// XML property lists: what the preset files and Info.plist go through.
#include <CoreFoundation/CoreFoundation.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string textOf(CFDataRef data) {
    return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), size_t(CFDataGetLength(data)));
}

CFDataRef dataOf(const std::string& text) {
    return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()), CFIndex(text.size()));
}

void setNumber(CFMutableDictionaryRef dict, const char* key, SInt32 value) {
    CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &value);
    CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
    CFDictionarySetValue(dict, k, n);
    CFRelease(k);
    CFRelease(n);
}

// A preset dictionary as the wrapper writes it, with a nested array and a real.
CFMutableDictionaryRef makePreset() {
    CFMutableDictionaryRef dict =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    setNumber(dict, "version", 1);
    setNumber(dict, "type", 0x61756D75);
    setNumber(dict, "manufacturer", SInt32(0x8A424344));  // a code with the high bit set is negative
    setNumber(dict, "ProgramNumber", 3);
    CFStringRef name = CFStringCreateWithCString(nullptr, "Brass <&> Strings ü", kCFStringEncodingUTF8);
    CFDictionarySetValue(dict, CFSTR("name"), name);
    CFRelease(name);
    UInt8 bytes[300];
    for (int i = 0; i < 300; ++i) bytes[i] = UInt8(i * 7);
    CFDataRef data = CFDataCreate(nullptr, bytes, sizeof bytes);
    CFDictionarySetValue(dict, CFSTR("vstdata"), data);
    CFRelease(data);
    CFMutableArrayRef list = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    Float64 real = 0.1;
    CFNumberRef r = CFNumberCreate(nullptr, kCFNumberFloat64Type, &real);
    CFArrayAppendValue(list, r);
    CFArrayAppendValue(list, kCFBooleanTrue);
    CFRelease(r);
    CFDictionarySetValue(dict, CFSTR("extra"), list);
    CFRelease(list);
    return dict;
}

}  // namespace

TEST(PropertyList, XMLRoundTripKeepsEveryValueInAppleForm) {
    const CFIndex before = StandInLiveObjectCount();
    CFMutableDictionaryRef preset = makePreset();
    CFDataRef xml = CFPropertyListCreateXMLData(nullptr, preset);
    ASSERT_NE(xml, nullptr);
    const std::string text = textOf(xml);
    EXPECT_NE(text.find("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\""), std::string::npos);
    EXPECT_NE(text.find("<integer>1635085685</integer>"), std::string::npos);
    EXPECT_NE(text.find("<integer>-1975368892</integer>"), std::string::npos);
    EXPECT_NE(text.find("Brass &lt;&amp;&gt; Strings ü"), std::string::npos);
    // CF's order: capitals before lower case.
    EXPECT_LT(text.find("<key>ProgramNumber</key>"), text.find("<key>extra</key>"));
    EXPECT_LT(text.find("<key>extra</key>"), text.find("<key>manufacturer</key>"));
    EXPECT_LT(text.find("<key>manufacturer</key>"), text.find("<key>version</key>"));
    CFStringRef error = nullptr;
    CFPropertyListRef back = CFPropertyListCreateFromXMLData(nullptr, xml, kCFPropertyListImmutable, &error);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(error, nullptr);
    EXPECT_TRUE(CFEqual(back, preset));
    // One value changed inside the nested array is told apart.
    CFMutableArrayRef other = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(
        other,
        CFArrayGetValueAtIndex(
            static_cast<CFArrayRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(back), CFSTR("extra"))), 0));
    CFArrayAppendValue(other, kCFBooleanFalse);
    CFDictionarySetValue(preset, CFSTR("extra"), other);
    CFRelease(other);
    EXPECT_FALSE(CFEqual(back, preset));
    CFRelease(back);
    CFRelease(xml);
    CFRelease(preset);
    EXPECT_EQ(StandInLiveObjectCount(), before);
}

TEST(PropertyList, ReadsWhatOtherWritersProduce) {
    CFDataRef xml = dataOf(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
        "\t<key>data</key>\n\t<data>\n\tQ2NuSw==\n\t</data>\n\t<key>n</key><integer>-12</integer>\n"
        "\t<key>r</key><real>2.5</real>\n\t<key>list</key><array/>\n\t<key>d</key><dict/>\n"
        "\t<key>f</key><false/>\n</dict>\n</plist>\n");
    CFPropertyListRef plist = CFPropertyListCreateFromXMLData(nullptr, xml, kCFPropertyListImmutable, nullptr);
    ASSERT_NE(plist, nullptr);
    auto dict = static_cast<CFDictionaryRef>(plist);
    auto data = static_cast<CFDataRef>(CFDictionaryGetValue(dict, CFSTR("data")));
    ASSERT_EQ(CFGetTypeID(data), CFDataGetTypeID());
    EXPECT_EQ(textOf(data), "CcnK");
    SInt32 n = 0;
    EXPECT_TRUE(
        CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(dict, CFSTR("n"))), kCFNumberSInt32Type, &n));
    EXPECT_EQ(n, -12);
    Float64 r = 0;
    EXPECT_TRUE(
        CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(dict, CFSTR("r"))), kCFNumberFloat64Type, &r));
    EXPECT_EQ(r, 2.5);
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(CFDictionaryGetValue(dict, CFSTR("list")))), 0);
    EXPECT_EQ(CFGetTypeID(CFDictionaryGetValue(dict, CFSTR("d"))), CFDictionaryGetTypeID());
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("f")), kCFBooleanFalse);
    CFRelease(plist);
    CFRelease(xml);
}

TEST(PropertyList, DatesInsideContainersAreLeftOut) {
    CFDataRef xml = dataOf(
        "<plist version=\"1.0\"><dict><key>when</key><date>2007-01-01T00:00:00Z</date>"
        "<key>list</key><array><date>2007-01-01T00:00:00Z</date><string>x</string></array>"
        "<key>name</key><string>Init</string></dict></plist>");
    CFPropertyListRef plist = CFPropertyListCreateFromXMLData(nullptr, xml, kCFPropertyListImmutable, nullptr);
    ASSERT_NE(plist, nullptr);
    auto dict = static_cast<CFDictionaryRef>(plist);
    EXPECT_FALSE(CFDictionaryContainsKey(dict, CFSTR("when")));
    EXPECT_TRUE(CFDictionaryContainsKey(dict, CFSTR("name")));
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(CFDictionaryGetValue(dict, CFSTR("list")))), 1);
    CFRelease(plist);
    CFRelease(xml);
    CFDataRef bare = dataOf("<plist version=\"1.0\"><date>2007-01-01T00:00:00Z</date></plist>");
    EXPECT_EQ(CFPropertyListCreateFromXMLData(nullptr, bare, kCFPropertyListImmutable, nullptr), nullptr);
    CFRelease(bare);
}

namespace {

std::string repeated(const std::string& part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += part;
    return text;
}

std::string plist(const std::string& body) { return "<plist version=\"1.0\">" + body; }

struct HostileList {
    const char* name;
    std::string body;
};

void PrintTo(const HostileList& list, std::ostream* out) { *out << list.name; }

class HostilePropertyList : public ::testing::TestWithParam<HostileList> {};

// Malformed data, and deep or large input (libplist's parse and free recurse per level: such
// input is refused before libplist sees it).
TEST_P(HostilePropertyList, IsRefusedWithAnErrorText) {
    CFDataRef xml = dataOf(GetParam().body);
    CFStringRef error = nullptr;
    EXPECT_EQ(CFPropertyListCreateFromXMLData(nullptr, xml, kCFPropertyListImmutable, &error), nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_GT(CFStringGetLength(error), 0);
    CFRelease(error);
    CFRelease(xml);
}

INSTANTIATE_TEST_SUITE_P(
    PropertyList, HostilePropertyList,
    ::testing::Values(
        HostileList{"Empty", ""}, HostileList{"NotAPropertyList", "not a plist"},
        HostileList{"Truncated", plist("<dict><key>a</key>")},
        HostileList{"Nested", plist(repeated("<array>", 100000) + repeated("</array>", 100000) + "</plist>")},
        HostileList{"Unclosed", plist(repeated("<array>", 200000))},
        HostileList{"ClosesHiddenInComments", plist(repeated("<array><!--</array>-->", 150000))},
        HostileList{"ClosesHiddenInQuotes", plist(repeated("<dict a=\"></dict>\">", 150000))},
        HostileList{"ZeroBytesInNames", plist(repeated(std::string("<array\0>", 8), 200000))},
        HostileList{"ShortCommentLookalike", plist("<!--><!>-->" + repeated("<array>", 200000))},
        HostileList{"OneLevelTooDeep", plist(repeated("<array>", 65) + repeated("</array>", 65) + "</plist>")},
        HostileList{"TooLarge", plist("<data>" + std::string(5 << 20, 'A') + "</data></plist>")}),
    [](const auto& info) { return std::string(info.param.name); });

// What is read back is what may be written: 64 levels both ways, one more neither way.
TEST(PropertyList, SixtyFourLevelsReadAndWrite) {
    CFDataRef xml = dataOf(plist(repeated("<array>", 64) + repeated("</array>", 64) + "</plist>"));
    CFPropertyListRef plist = CFPropertyListCreateFromXMLData(nullptr, xml, kCFPropertyListImmutable, nullptr);
    ASSERT_NE(plist, nullptr);
    CFRelease(xml);
    CFDataRef written = CFPropertyListCreateXMLData(nullptr, plist);
    EXPECT_NE(written, nullptr);
    if (written) CFRelease(written);
    CFMutableArrayRef deeper = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(deeper, plist);
    CFRelease(plist);
    EXPECT_EQ(CFPropertyListCreateXMLData(nullptr, deeper), nullptr);
    CFRelease(deeper);
}

}  // namespace
