// The parameter map the build makes from the parameter table, read back through the component's
// reader, and the factory preset list checked against the patch library it was made from.
#include <cstring>
#include <set>

#include "FactoryPresets.h"
#include "FakeEffect.h"
#include "ParameterMap.h"
#include "ParameterTable.h"
#include "PresetFiles.h"

using namespace tandem;
using namespace tandem::test;

const std::string kSourceResources = std::string(HALVORAX_SOURCE_DIR) + "/resources/";

TEST(ShippedParameterMap, AgreesWithTheParameterTable) {
    const std::vector<unsigned char> text =
        loadFromFile(std::string(HALVORAX_BUNDLE_PATH) + "/Contents/Resources/TDParameters.txt");
    std::vector<AudioUnitParameterInfo> infos(halvorax::kNumReportedParameters);
    std::memset(infos.data(), 0, infos.size() * sizeof infos[0]);
    std::vector<CFArrayRef> strings(infos.size(), nullptr);
    std::vector<UInt32> mapped(kMaxMappedParameters);
    SInt32 count = 0;
    const ParameterMapping mapping{int32_t(infos.size()), infos.data(), strings.data(), mapped.data(), &count};
    ParameterMap::read(text.data(), text.size(), mapping);
    // Every line is taken: the count of lines after the header.
    const std::string whole(text.begin(), text.end());
    EXPECT_EQ(count, std::count(whole.begin(), whole.end(), '\n') - 1);

    for (SInt32 m = 0; m < count; ++m) {
        const int index = int(mapped[size_t(m)]);
        const halvorax::ParameterRow* row = halvorax::lastRowForIndex(index);
        ASSERT_NE(row, nullptr) << "index " << index << " has no value";
        const AudioUnitParameterInfo& info = infos[size_t(index)];
        EXPECT_EQ(stringOf(info.cfNameString), row->name) << index;
        EXPECT_EQ(info.minValue, 0.0f) << index;
        EXPECT_EQ(info.maxValue, float(row->maximum)) << index;
        EXPECT_EQ(info.defaultValue, float(row->defaultValue)) << index;
        if (strings[size_t(index)] != nullptr) {
            // Each name is what the effect displays at that step.
            ASSERT_EQ(CFArrayGetCount(strings[size_t(index)]), row->maximum + 1) << index;
            for (int step = 0; step <= row->maximum; ++step) {
                char display[32] = {};
                halvorax::parameterDisplay(index, float(step) / float(row->maximum), display, sizeof display);
                const auto name = static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings[size_t(index)], step));
                EXPECT_EQ(stringOf(name, kCFStringEncodingMacRoman), display) << index << " step " << step;
            }
        }
    }
    // The chord-memory slots hold plain numbers, not 0..1 values, and stay hidden.
    for (int index = 48; index <= 54; ++index) EXPECT_EQ(infos[size_t(index)].cfNameString, nullptr) << index;
    ParameterMap::release(mapping);
}

TEST(ShippedFactoryPresets, OnePresetPerPatchOfTheLibrary) {
    const std::vector<unsigned char> list = loadFromFile(kSourceResources + "TDFactoryPresets.txt");
    const std::vector<std::string> entries = FactoryPresets::parseList(list.data(), list.size());
    std::set<std::string> listed;
    for (const std::string& entry : entries) {
        ASSERT_GT(entry.size(), 9u);
        EXPECT_EQ(entry.substr(entry.size() - 9), ".aupreset");
        listed.insert(entry.substr(0, entry.size() - 9));
        EXPECT_TRUE(fileExists(std::string(HALVORAX_BUNDLE_PATH) + "/Contents/Resources/" + entry)) << entry;
    }
    std::set<std::string> patches;
    for (const auto& file : std::filesystem::directory_iterator(kSourceResources + "patches"))
        if (file.path().extension() == ".repatch") patches.insert(file.path().stem().string());
    EXPECT_EQ(listed, patches);
    EXPECT_EQ(listed.size(), entries.size());
    EXPECT_LE(entries.size(), size_t(kMaxFactoryPresets));
}
