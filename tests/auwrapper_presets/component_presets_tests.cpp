// The preset side of the component over the real instrument: configuration from Info.plist,
// the shipped parameter map and factory presets, files made where Resources cannot take them,
// ClassInfo through the property calls, and conversion of VST preset files at open.
#include <AudioUnit/AudioUnit.h>
#include <unistd.h>

#include "../auwrapper/AuTestSupport.h"
#include "AUPresetDictionary.h"
#include "FakeEffect.h"
#include "HalvoVST2.h"
#include "PresetFiles.h"
#include "PresetLocations.h"
#include "TandemComponent.h"

using namespace tandem;
using namespace tandem::test;

namespace {

const std::filesystem::path kShippedResources = std::filesystem::path(HALVORAX_BUNDLE_PATH) / "Contents" / "Resources";

using autest::tdConfig;

std::string infoPlist(const std::string& entries) { return autest::infoPlist("com.brindlecove.presettest", entries); }

// A bundle folder with the given Info.plist; Resources empty unless filled.
struct PresetBundle {
    explicit PresetBundle(const std::string& plist = infoPlist(tdConfig(false, false, false))) {
        contents = scratch.path / "Halvorax.vst" / "Contents";
        resources = contents / "Resources";
        std::filesystem::create_directories(resources);
        writeText((contents / "Info.plist").string(), plist);
    }
    void shipResources() {
        for (const auto& file : std::filesystem::directory_iterator(kShippedResources))
            if (file.is_regular_file()) std::filesystem::copy_file(file.path(), resources / file.path().filename());
    }
    ScratchFolder scratch;
    std::filesystem::path contents, resources;
};

// One opened instance of the component over the real instrument for a bundle.
struct Unit : autest::OpenedUnit {
    explicit Unit(const PresetBundle& bundle)
        : OpenedUnit(bundle.contents.parent_path(), autest::instrumentEntry, fourCC('H', 'a', 'l', 'v'),
                     "Brindlecove: Halvorax") {}
    CFIndex factoryPresetCount() const {
        CFArrayRef presets = nullptr;
        if (autest::getProperty(unit, kAudioUnitProperty_FactoryPresets, presets) != noErr) return -1;
        const CFIndex count = CFArrayGetCount(presets);
        CFRelease(presets);
        return count;
    }
    UInt32 parameterCount() const {
        UInt32 size = 0;
        AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size, nullptr);
        return size / 4;
    }
};

struct ComponentPresets : ::testing::Test {
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/halvorax-au-home-XXXXXX";
        setenv("XDG_DATA_HOME", mkdtemp(pattern), 1);
        setenv("HALVORAX_RESOURCES", "/nonexistent/", 1);
    }
    std::string dataHome() const { return std::getenv("XDG_DATA_HOME"); }
};

}  // namespace

TEST_F(ComponentPresets, ShippedMapAndFactoryPresets) {
    PresetBundle bundle;
    bundle.shipResources();
    Unit unit(bundle);
    ASSERT_EQ(unit.openResult, noErr);
    EXPECT_EQ(unit.parameterCount(), 46u);
    EXPECT_EQ(unit.factoryPresetCount(), 36);

    // Selecting a factory preset gives the sound of the patch it was made from.
    CFArrayRef presets = nullptr;
    ASSERT_EQ(autest::getProperty(unit.unit, kAudioUnitProperty_FactoryPresets, presets), noErr);
    AUPreset chosen = *static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, 11));
    EXPECT_EQ(stringOf(chosen.presetName), "Glass Bells");
    ASSERT_EQ(autest::setProperty(unit.unit, kAudioUnitProperty_PresentPreset, chosen), noErr);
    CFRelease(presets);
    halvorax::HalvoVST2 patch(nullptr);
    ASSERT_TRUE(patch.LoadPatch(HALVORAX_SOURCE_DIR "/resources/patches/Glass Bells.repatch"));
    for (int i = 0; i < halvorax::kNumParameters; ++i)
        EXPECT_EQ(unit.component().vst->getParameter(i), patch.getParameter(i)) << i;
    // The effect keeps no program names, yet the chosen preset stays current for the host.
    AUPreset current{};
    ASSERT_EQ(autest::getProperty(unit.unit, kAudioUnitProperty_CurrentPreset, current), noErr);
    EXPECT_EQ(current.presetNumber, 11);
    EXPECT_EQ(stringOf(current.presetName), "Glass Bells");
    // The chunk carries only the patch's file name, so the effect keeps its own patch folder.
    auto& effect = *static_cast<halvorax::HalvoVST2*>(unit.component().vst->getEffect()->object);
    EXPECT_STREQ(effect.getPatchFile(), "Glass Bells.repatch");
    EXPECT_EQ(std::string(effect.getPatchFolder()).rfind(dataHome(), 0), 0u);
}

TEST_F(ComponentPresets, ClassInfoThroughThePropertyCalls) {
    PresetBundle bundle;
    bundle.shipResources();
    Unit unit(bundle);
    ASSERT_EQ(unit.openResult, noErr);
    CFPropertyListRef state = nullptr;
    ASSERT_EQ(autest::getProperty(unit.unit, kAudioUnitProperty_ClassInfo, state), noErr);
    const float saved = unit.component().vst->getParameter(14);
    unit.component().vst->setParameter(14, 0.0f);
    ASSERT_EQ(autest::setProperty(unit.unit, kAudioUnitProperty_ClassInfo, state), noErr);
    EXPECT_EQ(unit.component().vst->getParameter(14), saved);
    AUPreset current{};
    ASSERT_EQ(autest::getProperty(unit.unit, kAudioUnitProperty_CurrentPreset, current), noErr);
    EXPECT_EQ(current.presetNumber, -1);
    EXPECT_EQ(
        stringOf(current.presetName),
        stringOf(static_cast<CFStringRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(state), CFSTR("name")))));
    CFRelease(state);
    // Each refusal of a ClassInfo value and its result code: the preset dictionary's tests.
}

TEST_F(ComponentPresets, ConfigurationComesFromInfoPlist) {
    {
        PresetBundle bundle(infoPlist(tdConfig(false, true, true)));
        bundle.shipResources();
        Unit unit(bundle);
        ASSERT_EQ(unit.openResult, noErr);
        EXPECT_TRUE(unit.component().presetIsFXB);
        EXPECT_TRUE(unit.component().updateNameOnLoad);
        EXPECT_FALSE(unit.component().autoConvertPresets);
    }
    for (const std::string& broken :
         {infoPlist(""),
          infoPlist("<key>TDConfig</key><dict><key>AutoConvertPresets</key><true/>"
                    "<key>PresetIsFXB</key><false/></dict>"),
          infoPlist("<key>TDConfig</key><dict><key>AutoConvertPresets</key><string>yes</string>"
                    "<key>PresetIsFXB</key><false/><key>UpdateNameOnLoad</key><false/></dict>"),
          infoPlist("<key>TDConfig</key><true/>")}) {
        PresetBundle bundle(broken);
        bundle.shipResources();
        Unit unit(bundle);
        EXPECT_EQ(unit.openResult, -32767) << broken;
    }
}

TEST_F(ComponentPresets, MissingFilesAreMadeInResources) {
    PresetBundle bundle;
    Unit unit(bundle);
    ASSERT_EQ(unit.openResult, noErr);
    const std::string map = readText((bundle.resources / "TDParameters.txt").string());
    EXPECT_EQ(map.rfind(autest::kMapHeader, 0), 0u);
    EXPECT_NE(map.find("\r127\t-\t0\t1\t=\t-\t0\r"), std::string::npos);
    EXPECT_EQ(unit.parameterCount(), 128u);
    // The effect names no programs, so the list it gives has no entries.
    EXPECT_EQ(readText((bundle.resources / "TDFactoryPresets.txt").string()), "");
    EXPECT_EQ(unit.factoryPresetCount(), -1);
    // A map emptied by hand is an error at the next open, not a unit without parameters.
    writeText((bundle.resources / "TDParameters.txt").string(), "");
    Unit emptied(bundle);
    EXPECT_EQ(emptied.openResult, eofErr);
}

TEST_F(ComponentPresets, ReadOnlyResourcesUseTheUserFolder) {
    PresetBundle bundle;
    if (geteuid() != 0) {
        std::filesystem::permissions(bundle.resources,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    } else {
        // Root may write anywhere permissions say no; a folder of a read-only file system
        // stands in for the installed bundle's Resources.
        if (::access("/proc/sys", W_OK) == 0) GTEST_SKIP() << "no read-only folder to stand in for Resources";
        std::filesystem::remove(bundle.resources);
        std::filesystem::create_directory_symlink("/proc/sys", bundle.resources);
    }
    Unit unit(bundle);
    ASSERT_EQ(unit.openResult, noErr);
    const std::string user = dataHome() + "/Tandem/com.brindlecove.presettest";
    EXPECT_TRUE(fileExists(user + "/TDParameters.txt"));
    EXPECT_TRUE(fileExists(user + "/TDFactoryPresets.txt"));
    EXPECT_EQ(unit.parameterCount(), 128u);
    if (geteuid() != 0) std::filesystem::permissions(bundle.resources, std::filesystem::perms::owner_all);
}

TEST(PresetLocationsFolders, ResourcesFirstThenTheUserFolder) {
    ScratchFolder scratch;
    const std::string resources = scratch.file("Resources"), user = scratch.file("user/Tandem/id");
    std::filesystem::create_directories(resources);
    PresetLocations locations(resources, user);
    EXPECT_EQ(locations.find("TDParameters.txt"), "");
    EXPECT_EQ(locations.folderForNewFiles(), resources);
    std::filesystem::create_directories(user);
    writeText(user + "/TDParameters.txt", "x");
    EXPECT_EQ(locations.find("TDParameters.txt"), user);
    writeText(resources + "/TDParameters.txt", "x");
    EXPECT_EQ(locations.find("TDParameters.txt"), resources);
    // New files where Resources cannot take them: ReadOnlyResourcesUseTheUserFolder.
}

TEST_F(ComponentPresets, VSTPresetFilesAreConvertedAtOpen) {
    PresetBundle bundle(infoPlist(tdConfig(true, false, false)));
    bundle.shipResources();
    const std::string folder = dataHome() + "/Audio/Presets/Brindlecove/Halvorax";
    std::filesystem::create_directories(folder);
    ScopedCF<CFDictionaryRef> factory(
        AUPresetDictionary::readFile((kShippedResources / "Hoover Bass.aupreset").string()));
    auto data = static_cast<CFDataRef>(AUPresetDictionary::required(factory.get(), "vstdata", CFDataGetTypeID()));
    writeWholeFile(folder + "/My Hoover.fxp", CFDataGetBytePtr(data), size_t(CFDataGetLength(data)));
    {
        Unit unit(bundle);
        ASSERT_EQ(unit.openResult, noErr);
    }
    ASSERT_TRUE(fileExists(folder + "/My Hoover.aupreset"));
    ScopedCF<CFDictionaryRef> converted(AUPresetDictionary::readFile(folder + "/My Hoover.aupreset"));
    EXPECT_EQ(AUPresetDictionary::requiredInt32(converted.get(), "subtype"), fourCC('H', 'a', 'l', 'v'));
    // That a later open converts nothing again: the conversion tests.
}
