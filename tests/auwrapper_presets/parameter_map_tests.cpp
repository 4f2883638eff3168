// TDParameters.txt: the record rules of the reader, the default map the probe writes, and the
// map the build makes from the parameter table, read back through the reader.
#include <cstring>

#include "FakeEffect.h"
#include "ParameterMap.h"
#include "ParameterTable.h"
#include "PresetFiles.h"
#include "TandemExceptions.h"

using namespace tandem;
using namespace tandem::test;

namespace {

const std::string kHeader = "vst param #\tname\tmin\tmax\tdisplay\tunit\tdefault\r";

// The component's arrays for an effect with `count` parameters.
struct Mapped {
    explicit Mapped(int count) : infos(size_t(count)), strings(size_t(count), nullptr), mapped(kMaxMappedParameters) {
        std::memset(infos.data(), 0, infos.size() * sizeof(AudioUnitParameterInfo));
    }
    ~Mapped() { ParameterMap::release(mapping()); }
    ParameterMapping mapping() { return {int32_t(infos.size()), infos.data(), strings.data(), mapped.data(), &count}; }
    void read(const std::string& text) {
        ParameterMap::read(reinterpret_cast<const unsigned char*>(text.data()), text.size(), mapping());
    }
    std::vector<AudioUnitParameterInfo> infos;
    std::vector<CFArrayRef> strings;
    std::vector<UInt32> mapped;
    SInt32 count = 0;
};

}  // namespace

// Runs of tabs separate fields; an index field without leading digits counts as 0.
TEST(ParameterMapReading, AListWithTheGlobalMetaFlagAndIndexFieldForms) {
    Mapped map(8);
    map.read(kHeader + "3+\tMode\t0\t2\tSaw|Square|Both\t-\t0\r+\t\tZero\t0\t1\t\t=\t-\t0\r5x\tFive\t0\t1\t=\t-\t0\r");
    ASSERT_EQ(map.count, 3);
    EXPECT_EQ(map.mapped[0], 3u);
    EXPECT_EQ(map.mapped[1], 0u);
    EXPECT_EQ(map.infos[0].flags & 0x10000000u, 0x10000000u);
    EXPECT_EQ(map.mapped[2], 5u);
    const AudioUnitParameterInfo& info = map.infos[3];
    EXPECT_EQ(info.unit, UInt32(kAudioUnitParameterUnit_Indexed));
    EXPECT_EQ(info.minValue, 0.0f);
    EXPECT_EQ(info.maxValue, 2.0f);
    EXPECT_EQ(info.flags, 0xC8000000u | 0x10000000u);
    EXPECT_EQ(info.unitName, nullptr);
    EXPECT_STREQ(info.name, "Mode");
    EXPECT_EQ(stringOf(info.cfNameString), "Mode");
    ASSERT_NE(map.strings[3], nullptr);
    ASSERT_EQ(CFArrayGetCount(map.strings[3]), 3);
    EXPECT_EQ(stringOf(static_cast<CFStringRef>(CFArrayGetValueAtIndex(map.strings[3], 2))), "Both");
}

TEST(ParameterMapReading, DisplayKindsAndUnits) {
    Mapped map(8);
    map.read(kHeader +
             "0\tCutoff\t20\t20000\t=\tHz\t1000\r"
             "1\tDrive\t0\t10\t?\t-\t5\n"
             "2\tOn\t-5\t5\tb\t-\t-3\r\n"
             "4\tBright\t0\t3\tbright\t-\t0\r");
    ASSERT_EQ(map.count, 4);
    EXPECT_EQ(map.infos[0].unit, UInt32(kAudioUnitParameterUnit_CustomUnit));
    EXPECT_EQ(stringOf(map.infos[0].unitName), "Hz");
    EXPECT_EQ(map.infos[0].flags, 0xC8000000u);
    EXPECT_EQ(map.infos[0].defaultValue, 1000.0f);
    EXPECT_EQ(map.infos[1].flags, 0xC8200000u);
    EXPECT_EQ(map.infos[1].unit, UInt32(kAudioUnitParameterUnit_Generic));
    EXPECT_EQ(map.infos[1].unitName, nullptr);
    // Only exactly "b" is Boolean, with the range 0..1 whatever the line said.
    EXPECT_EQ(map.infos[2].unit, UInt32(kAudioUnitParameterUnit_Boolean));
    EXPECT_EQ(map.infos[2].minValue, 0.0f);
    EXPECT_EQ(map.infos[2].maxValue, 1.0f);
    EXPECT_EQ(map.infos[2].defaultValue, 0.0f);
    // A word that starts with b is a one-entry list.
    EXPECT_EQ(map.infos[4].unit, UInt32(kAudioUnitParameterUnit_Indexed));
    ASSERT_NE(map.strings[4], nullptr);
    EXPECT_EQ(CFArrayGetCount(map.strings[4]), 1);
    EXPECT_EQ(map.infos[4].maxValue, 0.0f);
}

TEST(ParameterMapReading, LinesThatAreSkipped) {
    Mapped map(9);
    map.read(kHeader +
             "; a comment\r"
             "\r"
             "   \r"
             "0\tFalling\t10\t0\t=\t-\t5\r"     // min not below max
             "1\tFlat\t3\t3\t=\t-\t3\r"         // min equal to max
             "2\tLow\t0\t10\t=\t-\t-1\r"        // default below the range
             "3\tHigh\t0\t10\t=\t-\t11\r"       // default above the range
             "9\tPast\t0\t1\t=\t-\t0\r"         // index past the effect's count
             "4\tShort\t0\t1\t=\t-\r"           // six fields
             "5\tWord\tzero\t1\t=\t-\t0\r"      // not a number
             "6\tNaN\tnan\t1\t=\t-\t0\r"        // not a finite number
             "8\tWide\t-3e38\t3e38\t=\t-\t0\r"  // a range no float can span
             "  7\tSpaced\t0\t1\t=\t-\t0\r");   // leading spaces are fine
    ASSERT_EQ(map.count, 1);
    EXPECT_EQ(map.mapped[0], 7u);
    for (int i : {0, 1, 2, 3, 4, 5, 6, 8}) EXPECT_EQ(map.infos[size_t(i)].cfNameString, nullptr) << i;
}

TEST(ParameterMapReading, TheFirstLineForAnIndexWins) {
    Mapped map(4);
    map.read(kHeader + "2\tFirst\t0\t1\t=\t-\t0\r2\tSecond\t0\t5\t=\t-\t0\r1\tOther\t0\t1\t=\t-\t0\r");
    ASSERT_EQ(map.count, 2);
    EXPECT_EQ(map.mapped[0], 2u);
    EXPECT_EQ(map.mapped[1], 1u);
    EXPECT_EQ(stringOf(map.infos[2].cfNameString), "First");
    EXPECT_EQ(map.infos[2].maxValue, 1.0f);
}

TEST(ParameterMapReading, LongNamesAndAListDefaultKeptInRange) {
    Mapped map(2);
    const std::string longName(80, 'n');
    map.read(kHeader + "0\t" + longName + "\t0\t9\tA|B\t-\t9\r");
    ASSERT_EQ(map.count, 1);
    EXPECT_EQ(std::strlen(map.infos[0].name), 51u);
    EXPECT_EQ(stringOf(map.infos[0].cfNameString), longName);
    EXPECT_EQ(map.infos[0].defaultValue, 1.0f);
}

TEST(ParameterMapReading, HeaderOnlyAndEmptyFiles) {
    Mapped map(4);
    map.read(kHeader);
    EXPECT_EQ(map.count, 0);
    map.read("no line end at all");
    EXPECT_EQ(map.count, 0);
    EXPECT_THROW(map.read(""), EOFException);
}

TEST(ParameterMapReading, MoreThan1024MappedParameters) {
    Mapped map(1100);
    std::string text = kHeader;
    for (int i = 0; i < 1025; ++i) text += std::to_string(i) + "\tP\t0\t1\t=\t-\t0\r";
    EXPECT_EQ(failure<TandemException>([&] { map.read(text); }), "Too many mapped parameters");
    EXPECT_EQ(map.count, 1024);
}

TEST(DefaultParameterMap, LinearNumbersAndOtherDisplays) {
    FakeEffect effect(4, 1);
    effect.parameterNames = {"Level", "Mode", "  Falling", ""};
    effect.labels = {"dB", "", "", ""};
    effect.values[0] = {0.25f, 0.3f, 0.5f, 0.0f};
    effect.display = [](int index, float value) -> std::string {
        if (index == 0) return ParameterMap::formatNumber(10.0 * value);
        if (index == 1) return value == 0.0f ? "Off" : "On";
        if (index == 2) return ParameterMap::formatNumber(10.0 - 10.0 * value);
        return ParameterMap::formatNumber(value * value);  // numbers, but not linear
    };
    const std::string map = ParameterMap::createDefault(effect, false);
    EXPECT_EQ(map, kHeader +
                       "0\tLevel\t0\t10\t=\tdB\t2.5\r"
                       "1\tMode\t0\t1\t=\t-\t0.3\r"
                       "2\tFalling\t10\t0\t=\t-\t5\r"
                       "3\t-\t0\t1\t=\t-\t0\r");
    // Probing puts every value back.
    EXPECT_EQ(effect.values[0], (std::vector<float>{0.25f, 0.3f, 0.5f, 0.0f}));

    // With the wrapper extensions the host asks the effect for texts.
    const std::string extended = ParameterMap::createDefault(effect, true);
    EXPECT_NE(extended.find("1\tMode\t0\t1\t?\t-\t0.3\r"), std::string::npos);
    // Read back by the component: ComponentPresets.MissingFilesAreMadeInResources.
}

TEST(DefaultParameterMap, HalfwayToleranceAndNumberForms) {
    double value = 0;
    EXPECT_TRUE(ParameterMap::parseNumber("12.5", value));
    EXPECT_TRUE(ParameterMap::parseNumber("-3", value));
    EXPECT_TRUE(ParameterMap::parseNumber("+3", value));
    EXPECT_FALSE(ParameterMap::parseNumber("", value));
    EXPECT_FALSE(ParameterMap::parseNumber("3 dB", value));
    EXPECT_FALSE(ParameterMap::parseNumber("3(PWM)", value));

    FakeEffect effect(2, 1);
    // Halfway 5.0001 is within 0.0001 of 5 (inclusive); 5.0002 is not.
    effect.display = [](int index, float value) -> std::string {
        if (value == 0.5f) return index == 0 ? "5.0001" : "5.0002";
        return ParameterMap::formatNumber(10.0 * value);
    };
    const std::string map = ParameterMap::createDefault(effect, false);
    EXPECT_NE(map.find("0\t-\t0\t10\t=\t-\t0\r"), std::string::npos) << map;
    EXPECT_NE(map.find("1\t-\t0\t1\t=\t-\t0\r"), std::string::npos) << map;
}

TEST(ShippedParameterMap, AgreesWithTheParameterTable) {
    const std::string text = readText(std::string(HALVORAX_BUNDLE_PATH) + "/Contents/Resources/TDParameters.txt");
    Mapped map(halvorax::kNumReportedParameters);
    map.read(text);
    // Every line is taken: the count of lines after the header.
    EXPECT_EQ(map.count, std::count(text.begin(), text.end(), '\n') - 1);
    for (SInt32 m = 0; m < map.count; ++m) {
        const int index = int(map.mapped[size_t(m)]);
        const halvorax::ParameterRow* row = halvorax::lastRowForIndex(index);
        ASSERT_NE(row, nullptr) << "index " << index << " has no value";
        const AudioUnitParameterInfo& info = map.infos[size_t(index)];
        EXPECT_EQ(stringOf(info.cfNameString), row->name) << index;
        EXPECT_EQ(info.minValue, 0.0f) << index;
        EXPECT_EQ(info.maxValue, float(row->maximum)) << index;
        EXPECT_EQ(info.defaultValue, float(row->defaultValue)) << index;
        if (map.strings[size_t(index)] == nullptr) continue;
        // Each name is what the effect displays at that step.
        ASSERT_EQ(CFArrayGetCount(map.strings[size_t(index)]), row->maximum + 1) << index;
        for (int step = 0; step <= row->maximum; ++step) {
            char display[32] = {};
            halvorax::parameterDisplay(index, float(step) / float(row->maximum), display, sizeof display);
            const auto name = static_cast<CFStringRef>(CFArrayGetValueAtIndex(map.strings[size_t(index)], step));
            EXPECT_EQ(stringOf(name, kCFStringEncodingMacRoman), display) << index << " step " << step;
        }
    }
    // The chord-memory slots hold plain numbers, not 0..1 values, and stay hidden.
    for (int index = 48; index <= 54; ++index) EXPECT_EQ(map.infos[size_t(index)].cfNameString, nullptr) << index;
}
