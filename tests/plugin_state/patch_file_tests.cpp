// Patch files: the exact text, values through save and load, tolerance of foreign and
// damaged files, and saves that never lose the old file.
#include <random>
#include <utility>
#include <vector>

#include "PatchFile.h"
#include "StateTestSupport.h"

namespace halvorax::test {
namespace {

std::string entry(const char* id, const std::string& number) {
    return std::string("            <Value property=\"") + id + "\"  type=\"number\" >\n                " + number +
           "\n            </Value>\n";
}

// A patch file holding only the given entries, in the given order, among foreign elements.
std::string patchWith(const std::vector<std::pair<const char*, const char*>>& entries) {
    std::string text = "<?xml version=\"1.0\"?>\n<ZudivorPatch version=\"1.0\" >\n<Object name=\"x\" >\n";
    for (const auto& [id, number] : entries) text += entry(id, number);
    return text + "</Object>\n</ZudivorPatch>\n";
}

using PatchFileTest = StateTest;

TEST_F(PatchFileTest, DefaultPatchIsWrittenByteForByte) {
    InspectableEffect effect;
    effect.InitializePatch();
    effect.setChord(3, 0, 3, 7);
    ASSERT_TRUE(effect.SavePatch(path("Init.repatch").c_str()));
    // The pinned text sits next to this file.
    EXPECT_EQ(readText(path("Init.repatch")), readText(HALVORAX_SOURCE_DIR "/tests/plugin_state/Init.repatch"));
    EXPECT_STREQ(effect.getPatchFile(), "Init.repatch");
    EXPECT_STREQ(effect.getPatchFolder(), root.c_str());
}

TEST_F(PatchFileTest, SaveThenLoadKeepsEveryValueUpToTruncation) {
    InspectableEffect effect;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (const ParameterRow& row : reparameters) effect.setParameter(row.index, unit(random));
    float saved[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i) saved[i] = effect.value(i);
    effect.setChord(3, 0, 3, 7);
    ASSERT_TRUE(effect.SavePatch(path("a.repatch").c_str()));

    InspectableEffect loaded;
    ASSERT_TRUE(loaded.LoadPatch(path("a.repatch").c_str()));
    for (int i = 0; i < kNumParameters; ++i) {
        const ParameterRow* row = lastRowForIndex(i);
        if (row == nullptr || (i >= 48 && i <= 54)) continue;
        const float expected = static_cast<float>(integerValue(*row, saved[i])) / static_cast<float>(row->maximum);
        EXPECT_EQ(loaded.value(i), expected) << row->id;
    }
    EXPECT_EQ(loaded.chordCount(), 3);
    EXPECT_EQ(loaded.chordNote(1), 3);
    EXPECT_EQ(loaded.chordNote(2), 7);
    EXPECT_TRUE(loaded.changed());
}

// Every value a patch file, a sysex dump or a controller can produce is written back as the
// same integer, so loading and saving never drifts.
TEST_F(PatchFileTest, StepValuesAreWrittenBackAsTheSameInteger) {
    for (const ParameterRow& row : reparameters) {
        if (row.fileBlock == FileBlock::NotWritten || row.floatInFile || (row.index >= 48 && row.index <= 54)) continue;
        for (int k = 0; k <= row.maximum; ++k) {
            EXPECT_EQ(integerValue(row, static_cast<float>(k) / static_cast<float>(row.maximum)), k) << row.id;
        }
        for (int cc = 0; cc <= 127; ++cc) {
            const float value = static_cast<float>(cc) / 127.0f;
            const int k = integerValue(row, value);
            EXPECT_EQ(integerValue(row, static_cast<float>(k) / static_cast<float>(row.maximum)), k) << row.id;
        }
    }
}

TEST_F(PatchFileTest, FormatAndParseAgreeForRandomPatches) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int round = 0; round < 200; ++round) {
        float values[kNumParameters] = {};
        for (float& v : values) v = unit(random);
        // The chord count and notes as any stored number the reader accepts would give them.
        values[48] = static_cast<float>(random() % 37) / 6.0f;
        for (int i = 49; i <= 54; ++i) values[i] = static_cast<float>(random() % 16130) / 127.0f;
        // The first save truncates every value to its step (the master volume to the step of
        // `mastervolume`, which follows `volume` in the file); from then on nothing changes.
        const std::string first = PatchFile::format(values);
        float reread[kNumParameters] = {};
        ASSERT_EQ(PatchFile::parse(first.data(), first.size(), reread), 54);
        const std::string second = PatchFile::format(reread);
        ASSERT_EQ(PatchFile::parse(second.data(), second.size(), reread), 54);
        ASSERT_EQ(PatchFile::format(reread), second);
    }
}

TEST_F(PatchFileTest, EntryOrderAndForeignElementsDoNotMatter) {
    writeText(path("ordered.repatch"), patchWith({{"vcffreq", "40"}, {"vcfreso", "90"}, {"dcosaw", "3"}}));
    std::string shuffled = "<?xml version=\"1.0\"?>\n<Other><Value property=\"\" >\n</Other>\n<Junk a=\"b\" />\n" +
                           entry("dcosaw", "3") + "<Comment>vcffreq 99</Comment>\n" + entry("vcfreso", "90") +
                           entry("vcffreq", "40");
    writeText(path("shuffled.repatch"), shuffled);
    InspectableEffect a;
    InspectableEffect b;
    ASSERT_TRUE(a.LoadPatch(path("ordered.repatch").c_str()));
    ASSERT_TRUE(b.LoadPatch(path("shuffled.repatch").c_str()));
    for (int i = 0; i < kNumParameters; ++i) EXPECT_EQ(a.value(i), b.value(i)) << i;
    EXPECT_EQ(a.value(14), 40.0f / 127.0f);
    EXPECT_EQ(a.value(7), 3.0f / 5.0f);
}

// Entries apply in file order over the defaults: unknown ids are skipped, the last of two
// entries wins, and "polymode", never written, is still read.
TEST_F(PatchFileTest, EntriesApplyOverTheDefaultsInFileOrder) {
    writeText(
        path("partial.repatch"),
        patchWith({{"nosuchthing", "5"}, {"vcfreso", "10"}, {"vcfreso", "90"}, {"volume", "0.5"}, {"polymode", "0"}}));
    InspectableEffect effect;
    effect.setParameter(14, 0.1f);
    ASSERT_EQ(effect.value(38), 1.0f);
    ASSERT_TRUE(effect.LoadPatch(path("partial.repatch").c_str()));
    EXPECT_EQ(effect.value(14), 1.0f);  // default cutoff
    EXPECT_EQ(effect.value(15), 90.0f / 127.0f);
    EXPECT_EQ(effect.value(43), 0.5f);
    EXPECT_EQ(effect.value(38), 0.0f);
    // Without chord entries the normalized defaults truncate to an empty chord memory.
    EXPECT_EQ(effect.chordCount(), 0);
}

TEST_F(PatchFileTest, OutOfRangeNumbersAreHeldToTheRange) {
    writeText(path("range.repatch"), patchWith({{"vcffreq", "900"},
                                                {"vcfreso", "-5"},
                                                {"dcorange", "1e30"},
                                                {"chordcount", "400"},
                                                {"chordnote0", "99999"},
                                                {"lforate", "nan"},
                                                {"lfodelay", "inf"},
                                                {"envt1", "abc"}}));
    InspectableEffect effect;
    effect.setParameter(26, 0.25f);
    ASSERT_TRUE(effect.LoadPatch(path("range.repatch").c_str()));
    EXPECT_EQ(effect.value(14), 1.0f);
    EXPECT_EQ(effect.value(15), 0.0f);
    EXPECT_EQ(effect.value(0), 1.0f);
    EXPECT_EQ(effect.chordCount(), 6);
    EXPECT_EQ(effect.chordNote(0), 127);
    EXPECT_EQ(effect.value(26), 0.0f);  // unreadable numbers leave the default
    EXPECT_EQ(effect.value(27), 0.0f);
}

TEST_F(PatchFileTest, OverLongTokensAndIdsAreHarmless) {
    const std::string longId(300, 'v');
    std::string text = "<Value property=\"" + longId + "\"  type=\"number\" >\n 5\n </Value>\n";
    text += "<Value property=\"vcffreq" + std::string(70, 'x') + "\"  type=\"number\" >\n 5\n </Value>\n";
    text += std::string(100000, 'A') + "\n";
    text += entry("vcfreso", std::string(5000, '7'));
    text += "<Value";  // cut off in the middle of an entry
    writeText(path("long.repatch"), text);
    InspectableEffect effect;
    ASSERT_TRUE(effect.LoadPatch(path("long.repatch").c_str()));
    EXPECT_EQ(effect.value(14), 1.0f);
    EXPECT_EQ(effect.value(15), 1.0f);  // a huge number is held to the maximum
}

TEST_F(PatchFileTest, EmptyOrGarbageFilesLoadNothingButNameThePatch) {
    writeText(path("empty.repatch"), "");
    std::string garbage;
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>(random() & 0xff);
    writeText(path("garbage.repatch"), garbage);
    InspectableEffect effect;
    effect.setParameter(14, 0.2f);
    EXPECT_FALSE(effect.LoadPatch(path("empty.repatch").c_str()));
    EXPECT_EQ(effect.value(14), 1.0f);  // initialized to the defaults
    EXPECT_STREQ(effect.getPatchFile(), "empty.repatch");
    EXPECT_FALSE(effect.LoadPatch(path("garbage.repatch").c_str()));
}

TEST_F(PatchFileTest, MissingFilesAndFoldersChangeNothing) {
    InspectableEffect effect;
    effect.setParameter(14, 0.2f);
    fs::create_directory(root / "folder.repatch");
    const std::string fileBefore = effect.getPatchFile();
    EXPECT_FALSE(effect.LoadPatch(path("folder.repatch").c_str()));
    EXPECT_FALSE(effect.LoadPatch(path("missing.repatch").c_str()));
    EXPECT_FALSE(effect.LoadPatch(""));
    EXPECT_FALSE(effect.LoadPatch(nullptr));
    EXPECT_EQ(effect.value(14), 0.2f);
    EXPECT_EQ(fileBefore, effect.getPatchFile());
}

TEST_F(PatchFileTest, AFailedSaveKeepsTheOldFile) {
    fs::create_directory(root / "saves");
    const std::string target = path("saves/keep.repatch");
    const std::string old = "old sound, precious\n";
    writeText(target, old);
    InspectableEffect effect;
    bool saved = true;
    testing::internal::CaptureStdout();
    {
        FileSizeLimit limit(100);
        saved = effect.SavePatch(target.c_str());
    }
    const std::string diagnostic = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(saved);
    EXPECT_EQ(diagnostic, "Could not open output file:" + target + "\n");
    EXPECT_EQ(readText(target), old);
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(root / "saves")) ++files;
    EXPECT_EQ(files, 1) << "the temporary file is removed";
    EXPECT_STRNE(effect.getPatchFile(), "keep.repatch");
}

TEST_F(PatchFileTest, SavingIntoAMissingFolderOrOverAFolderFails) {
    InspectableEffect effect;
    fs::create_directory(root / "taken.repatch");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(effect.SavePatch(path("nowhere/x.repatch").c_str()));
    EXPECT_FALSE(effect.SavePatch(path("taken.repatch").c_str()));
    EXPECT_FALSE(effect.SavePatch(""));
    const std::string diagnostic = testing::internal::GetCapturedStdout();
    EXPECT_EQ(diagnostic, "Could not open output file:" + path("nowhere/x.repatch") + "\nCould not open output file:" +
                              path("taken.repatch") + "\nCould not open output file:\n");
    EXPECT_TRUE(fs::is_directory(root / "taken.repatch"));
}

TEST_F(PatchFileTest, SavingReplacesAnExistingFileAndKeepsItsPermissions) {
    const std::string target = path("perm.repatch");
    writeText(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    InspectableEffect effect;
    ASSERT_TRUE(effect.SavePatch(target.c_str()));
    EXPECT_NE(readText(target), "old");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(PatchFileTest, PatchNameSplitsAtTheLastSlash) {
    InspectableEffect effect;
    effect.splitPatchFilename("/a/b/c.repatch");
    EXPECT_STREQ(effect.getPatchFolder(), "/a/b");
    EXPECT_STREQ(effect.getPatchFile(), "c.repatch");
    effect.splitPatchFilename("plain.repatch");
    EXPECT_STREQ(effect.getPatchFolder(), "/a/b");
    EXPECT_STREQ(effect.getPatchFile(), "plain.repatch");
    char buffer[1024];
    effect.getPatchFilename(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "/a/b/plain.repatch");
    effect.splitPatchFilename("C:\\x\\y.repatch");  // a backslash does not split
    EXPECT_STREQ(effect.getPatchFile(), "C:\\x\\y.repatch");
    effect.getPatchFilename(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "/a/b/C:/x/y.repatch");
    char tiny[6];
    effect.getPatchFilename(tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "/a/b/");
}

}  // namespace
}  // namespace halvorax::test
