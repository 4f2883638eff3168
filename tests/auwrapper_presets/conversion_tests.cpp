// Conversion of .fxp and .fxb files in the preset folders: once per file, banks into folders,
// the effect's own state kept, and the domains' folders.
#include "AUPresetDictionary.h"
#include "FakeEffect.h"
#include "PresetConversion.h"
#include "PresetFiles.h"

using namespace tandem;
using namespace tandem::test;

namespace {

const ComponentDescription kDescription = {fourCC('a', 'u', 'm', 'u'), fourCC('T', 'e', 's', 't'),
                                           fourCC('M', 'a', 'k', 'r'), 0, 0};

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    writeWholeFile(path, bytes.data(), bytes.size());
}

std::string presetName(const std::string& path) {
    ScopedCF<CFDictionaryRef> preset(AUPresetDictionary::readFile(path));
    return stringOf(static_cast<CFStringRef>(AUPresetDictionary::required(preset.get(), "name", CFStringGetTypeID())));
}

struct ConversionFixture : ::testing::Test {
    ConversionFixture() : effect(2, 3), audio(scratch.file("Audio")) {
        std::filesystem::create_directories(audio);
        presets = audio + "/Presets/Maker/Product";
    }
    ScratchFolder scratch;
    FakeEffect effect;
    std::string audio, presets;
};

}  // namespace

TEST(PresetNames, ExtensionsAndLongNames) {
    EXPECT_EQ(PresetConversion::presetNameFor("Lead.fxp"), "Lead");
    EXPECT_EQ(PresetConversion::presetNameFor("My.Lead.FXP"), "My.Lead");
    EXPECT_EQ(PresetConversion::presetNameFor("NoExtension"), "NoExtension");
    const std::string longName = std::string(250, 'a') + ".fxp";
    EXPECT_EQ(PresetConversion::presetNameFor(longName), longName.substr(0, 246));
    EXPECT_EQ(PresetConversion::presetNameFor(std::string(246, 'a') + ".fxp"), std::string(246, 'a'));
}

TEST_F(ConversionFixture, ProgramsAndBanksConvertOnce) {
    std::filesystem::create_directories(presets);
    FakeEffect source(2, 3);
    source.values = {{0.1f, 0.1f}, {0.2f, 0.2f}, {0.3f, 0.3f}};
    source.names = {"Alpha", "Beta", "Beta"};
    writeBytes(presets + "/Solo.fxp", FxCodec(source).createFXP());
    writeBytes(presets + "/Set.FXB", FxCodec(source).createFXB());
    writeText(presets + "/.hidden.fxp", "x");
    writeText(presets + "/Notes.txt", "x");
    effect.values[0] = {0.9f, 0.9f};
    effect.current = 2;

    PresetConversion conversion(effect, kDescription, false);
    EXPECT_EQ(conversion.convertVSTPresets("Maker: Product", {audio}), 2);
    EXPECT_EQ(presetName(presets + "/Solo.aupreset"), "Solo");
    EXPECT_EQ(presetName(presets + "/Set/Alpha.aupreset"), "Alpha");
    EXPECT_EQ(presetName(presets + "/Set/Beta.aupreset"), "Beta");
    EXPECT_FALSE(fileExists(presets + "/.hidden.aupreset"));
    // The bank went through the effect, which has its own state back afterwards.
    EXPECT_EQ(effect.values[0], (std::vector<float>{0.9f, 0.9f}));
    EXPECT_EQ(effect.current, 2);

    // A second run finds the results and converts nothing, also after the user edited one.
    writeText(presets + "/Solo.aupreset", "edited");
    EXPECT_EQ(conversion.convertVSTPresets("Maker: Product", {audio}), 0);
    EXPECT_EQ(readText(presets + "/Solo.aupreset"), "edited");
}

TEST_F(ConversionFixture, WithPresetIsFXBBanksBecomeOneFileAndProgramsAreLeft) {
    std::filesystem::create_directories(presets);
    FakeEffect source(2, 3);
    writeBytes(presets + "/Solo.fxp", FxCodec(source).createFXP());
    writeBytes(presets + "/Set.fxb", FxCodec(source).createFXB());
    PresetConversion conversion(effect, kDescription, true);
    EXPECT_EQ(conversion.convertVSTPresets("Maker:Product", {audio}), 1);
    EXPECT_TRUE(fileExists(presets + "/Set.aupreset"));
    EXPECT_FALSE(fileExists(presets + "/Solo.aupreset"));
}

TEST_F(ConversionFixture, FoldersAreMadeBelowAnExistingAudioFolderOnly) {
    PresetConversion conversion(effect, kDescription, false);
    EXPECT_EQ(conversion.convertVSTPresets(" Maker :: Product ", {scratch.file("NoAudio"), audio}), 0);
    EXPECT_TRUE(folderExists(presets));
    EXPECT_FALSE(folderExists(scratch.file("NoAudio")));
}

TEST_F(ConversionFixture, AFileThatFailsLeavesNoResultAndTheOthersConvert) {
    std::filesystem::create_directories(presets);
    FakeEffect source(2, 3);
    writeText(presets + "/Broken.fxb", "CcnK but nothing more");
    writeBytes(presets + "/Good.fxp", FxCodec(source).createFXP());
    // Valid data padded past any real preset's size is not converted at all.
    for (std::vector<unsigned char> huge : {FxCodec(source).createFXP(), FxCodec(source).createFXB()}) {
        huge.resize(kMaxVstPresetFileBytes + 1);
        writeBytes(presets + (huge[10] == 'B' ? "/Huge.fxb" : "/Huge.fxp"), huge);
    }
    PresetConversion conversion(effect, kDescription, false);
    EXPECT_EQ(conversion.convertVSTPresets("Maker: Product", {audio}), 1);
    EXPECT_FALSE(folderExists(presets + "/Broken"));
    EXPECT_TRUE(fileExists(presets + "/Good.aupreset"));
    EXPECT_FALSE(fileExists(presets + "/Huge.aupreset"));
    EXPECT_FALSE(folderExists(presets + "/Huge"));
}

TEST(PresetDomains, UserAndLocalFolders) {
    const char* savedHome = std::getenv("XDG_DATA_HOME");
    const std::string restoreHome = savedHome ? savedHome : "";
    setenv("XDG_DATA_HOME", "/tmp/user-data", 1);
    setenv("XDG_DATA_DIRS", "/opt/share:/usr/share", 1);
    EXPECT_EQ(PresetConversion::domainAudioFolders(),
              (std::vector<std::string>{"/tmp/user-data/Audio", "/opt/share/Audio"}));
    unsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(PresetConversion::domainAudioFolders().at(1), "/usr/local/share/Audio");
    if (savedHome)
        setenv("XDG_DATA_HOME", restoreHome.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}
