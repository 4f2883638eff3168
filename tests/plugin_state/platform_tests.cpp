// The file test, saving through links and the host's number locale. (Path splitting and
// backslashes: the patch-name test of the patch file tests.)
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "PatchFile.h"
#include "PlatformUtils.h"
#include "StateTestSupport.h"

namespace halvorax::test {
namespace {

using PlatformTest = StateTest;

TEST_F(PlatformTest, OnlyReadableRegularFilesExist) {
    writeText(path("f.repatch"), "x");
    fs::create_directory(root / "d");
    EXPECT_TRUE(myFileExists(path("f.repatch").c_str()));
    EXPECT_FALSE(myFileExists(path("d").c_str()));
    EXPECT_FALSE(myFileExists(path("missing").c_str()));
    EXPECT_FALSE(myFileExists(""));
    EXPECT_FALSE(myFileExists(nullptr));
}

TEST_F(PlatformTest, SavingThroughALinkReplacesTheLinkedFile) {
    fs::create_directory(root / "real");
    writeText(path("real/Pad.repatch"), "old");
    fs::create_symlink(root / "real" / "Pad.repatch", root / "Pad.repatch");
    InspectableEffect effect;
    ASSERT_TRUE(effect.SavePatch(path("Pad.repatch").c_str()));
    EXPECT_TRUE(fs::is_symlink(root / "Pad.repatch"));
    EXPECT_NE(readText(path("real/Pad.repatch")), "old");
}

// A host may run with a comma as its decimal point; the files must not change with it.
TEST_F(PlatformTest, PatchNumbersIgnoreTheHostLocale) {
    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = before ? before : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        // Not installed: compile it into the test folder when the locale sources are there.
        const std::string command = "localedef -i de_DE -f UTF-8 '" + path("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) setenv("LOCPATH", root.c_str(), 1);
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no locale with a decimal comma";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%f", 1.0);
    EXPECT_STREQ(probe, "1,000000");  // the locale is really in force
    float values[kNumParameters] = {};
    values[43] = 1.0f;
    const std::string text = PatchFile::format(values);
    const std::string half = "<Value property=\"volume\"  type=\"number\" >\n 0.500000\n </Value>\n";
    float reread[kNumParameters] = {};
    PatchFile::parse(half.data(), half.size(), reread);
    std::setlocale(LC_NUMERIC, saved.c_str());
    unsetenv("LOCPATH");
    EXPECT_NE(text.find("                1.000000\n"), std::string::npos);
    EXPECT_EQ(reread[43], 0.5f);
}

}  // namespace
}  // namespace halvorax::test
