// halvorax-auhost's preset options against the built bundle: listing and selecting factory
// presets, and converting a folder of VST preset files once.
#include "AUPresetDictionary.h"
#include "FakeEffect.h"
#include "PresetFiles.h"

using namespace tandem;
using namespace tandem::test;

namespace {

// Runs the tool with its own data folder; returns the exit code and the output.
int runTool(const std::string& arguments, std::string& output, const ScratchFolder& home) {
    const halvorax::test::CommandResult result =
        halvorax::test::runCommand("XDG_DATA_HOME=" + home.path.string() + " " + HALVORAX_AUHOST_PATH + " " +
                                   arguments + " '" + HALVORAX_BUNDLE_PATH + "'");
    output = result.output;
    return result.status;
}

}  // namespace

TEST(AuHostPresets, ListAndSelectFactoryPresets) {
    ScratchFolder home;
    std::string output;
    ASSERT_EQ(runTool("-P", output, home), 0) << output;
    EXPECT_EQ(output.rfind("0 Acid Mono Bass\n", 0), 0u) << output;
    EXPECT_NE(output.find("\n11 Glass Bells\n"), std::string::npos);
    EXPECT_EQ(runTool("-f 'Glass Bells' -s " + home.file("bells.aupreset"), output, home), 0) << output;
    EXPECT_EQ(runTool("-f 11", output, home), 0) << output;
    EXPECT_NE(runTool("-f 'No Such Sound'", output, home), 0);
    EXPECT_NE(output.find("no factory preset"), std::string::npos);
    // The saved state carries the factory sound's data.
    ScopedCF<CFDictionaryRef> saved(AUPresetDictionary::readFile(home.file("bells.aupreset")));
    ScopedCF<CFDictionaryRef> factory(
        AUPresetDictionary::readFile(std::string(HALVORAX_BUNDLE_PATH) + "/Contents/Resources/Glass Bells.aupreset"));
    auto savedData = static_cast<CFDataRef>(AUPresetDictionary::required(saved.get(), "vstdata", CFDataGetTypeID()));
    auto factoryData =
        static_cast<CFDataRef>(AUPresetDictionary::required(factory.get(), "vstdata", CFDataGetTypeID()));
    // Same parameter values: the chunk's 60 floats after the 60-byte FPCh header and version.
    ASSERT_GE(CFDataGetLength(savedData), 60 + 4 + 240);
    EXPECT_EQ(std::memcmp(CFDataGetBytePtr(savedData) + 64, CFDataGetBytePtr(factoryData) + 64, 240), 0);
}

TEST(AuHostPresets, ConvertAFolderOnce) {
    ScratchFolder home, folder;
    ScopedCF<CFDictionaryRef> factory(
        AUPresetDictionary::readFile(std::string(HALVORAX_BUNDLE_PATH) + "/Contents/Resources/Hoover Bass.aupreset"));
    auto data = static_cast<CFDataRef>(AUPresetDictionary::required(factory.get(), "vstdata", CFDataGetTypeID()));
    writeWholeFile(folder.file("Mine.FXP"), CFDataGetBytePtr(data), size_t(CFDataGetLength(data)));
    writeText(folder.file("Other.fxb"), "CcnK\0\0\0\0");
    std::string output;
    ASSERT_EQ(runTool("-c " + folder.path.string(), output, home), 0) << output;
    EXPECT_NE(output.find("Mine.FXP: Mine.aupreset"), std::string::npos) << output;
    EXPECT_NE(output.find("Other.fxb: refused by the unit (error -10851)"), std::string::npos) << output;
    EXPECT_NE(output.find("1 converted"), std::string::npos);
    EXPECT_FALSE(fileExists(folder.file("Other.aupreset")));
    ASSERT_EQ(runTool("-l " + folder.file("Mine.aupreset"), output, home), 0) << output;
    ASSERT_EQ(runTool("-c " + folder.path.string(), output, home), 0) << output;
    EXPECT_NE(output.find("Mine.FXP: already converted"), std::string::npos) << output;
    EXPECT_NE(output.find("0 converted"), std::string::npos);
}
