// A user's first start: the patch folder is created and filled from the bundle, and the
// factory default sound is loaded. A folder that exists is never touched.
#include "FactoryPatches.h"
#include "StateTestSupport.h"

namespace halvorax::test {
namespace {

class FactoryInstallTest : public StateTest {
protected:
    void SetUp() override {
        StateTest::SetUp();
        bundle = root / "bundle" / "Resources";
        fs::create_directories(bundle / "patches");
        const fs::path library = fs::path(HALVORAX_SOURCE_DIR) / "resources" / "patches";
        for (const char* name : {"RoriVerov1.repatch", "Glass Bells.repatch", "Poly Brass.repatch"})
            fs::copy_file(library / name, bundle / "patches" / name);
        writeText((bundle / "patches" / "notes.txt").string(), "not a patch");
        setenv("HALVORAX_RESOURCES", bundle.c_str(), 1);
    }
    fs::path bundle;
};

TEST_F(FactoryInstallTest, ANewPatchFolderIsFilledAndTheDefaultSoundLoaded) {
    ASSERT_FALSE(fs::exists(patchFolder));
    InspectableEffect effect;
    for (const char* name : {"RoriVerov1.repatch", "Glass Bells.repatch", "Poly Brass.repatch"})
        EXPECT_TRUE(fs::is_regular_file(patchFolder / name)) << name;
    EXPECT_FALSE(fs::exists(patchFolder / "notes.txt"));
    EXPECT_STREQ(effect.getPatchFile(), "RoriVerov1.repatch");
    EXPECT_EQ(effect.value(14), 62.0f / 127.0f);  // the default sound's cutoff
    EXPECT_EQ(effect.value(24), 1.0f);            // with its chorus
    EXPECT_FALSE(effect.changed());               // the constructor clears the refresh flag
}

TEST_F(FactoryInstallTest, AnExistingPatchFolderIsLeftAlone) {
    fs::create_directories(patchFolder);
    writeText((patchFolder / "Glass Bells.repatch").string(), "my own bells");
    InspectableEffect effect;
    EXPECT_EQ(readText((patchFolder / "Glass Bells.repatch").string()), "my own bells");
    EXPECT_FALSE(fs::exists(patchFolder / "RoriVerov1.repatch"));
    // Without the default file the default patch stays in force under the default name.
    EXPECT_STREQ(effect.getPatchFile(), "RoriVerov1.repatch");
    EXPECT_EQ(effect.value(14), 1.0f);
}

TEST_F(FactoryInstallTest, CopyingNeverOverwritesAndToleratesAMissingBundle) {
    // Without a bundle no folder is made, so a later start with the bundle still fills it.
    EXPECT_EQ(installFactoryPatches((root / "a").string(), ""), 0);
    EXPECT_EQ(installFactoryPatches((root / "b").string(), (root / "nowhere").string()), 0);
    EXPECT_FALSE(fs::exists(root / "a"));
    EXPECT_FALSE(fs::exists(root / "b"));
    EXPECT_EQ(installFactoryPatches((root / "c").string(), bundle.string()), 3);
    EXPECT_EQ(installFactoryPatches((root / "c").string(), bundle.string()), 0);
    EXPECT_EQ(installFactoryPatches("", bundle.string()), 0);
}

TEST_F(FactoryInstallTest, TheBuiltBundleCarriesTheLibrary) {
    const fs::path built = fs::path(HALVORAX_BUNDLE_PATH) / "Contents" / "Resources" / "patches";
    if (!fs::is_directory(built)) GTEST_SKIP() << "bundle resources not built";
    EXPECT_TRUE(fs::is_regular_file(built / "RoriVerov1.repatch"));
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(built)) ++count;
    EXPECT_GE(count, 32);
}

}  // namespace
}  // namespace halvorax::test
