// Alpha Juno tone dumps: the byte table, the character code, and files that are no tone dump.
#include <array>
#include <vector>

#include "SysexImport.h"
#include "StateTestSupport.h"

namespace halvorax::test {
namespace {

using SysexTest = StateTest;

std::vector<unsigned char> toneDump() {
    std::vector<unsigned char> bytes(54, 0);
    const unsigned char header[] = {0xF0, 0x41, 0x35, 0x00, 0x23, 0x20, 0x01};
    std::copy(std::begin(header), std::end(header), bytes.begin());
    for (int row = 0; row < kNumSysexRows; ++row) bytes[7 + row] = static_cast<unsigned char>(sysexparameters[row].maximum / 2);
    const unsigned char name[] = {7, 4, 11, 11, 14, 62, 52, 53, 63, 26};
    std::copy(std::begin(name), std::end(name), bytes.begin() + 43);
    bytes[53] = 0xF7;
    return bytes;
}

void writeBytes(const std::string& file, const std::vector<unsigned char>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

const char* const kRejection =
    "Not an Alpha Juno Sysex Patch\n"
    "Try setting MIDI Excl on your Alpha Juno\n"
    "and use the Alpha Base software to save a single patch\n";

TEST_F(SysexTest, TableCoversTheParameterBytesInOrder) {
    const int expected[kNumSysexRows] = {3,  17, 22, 6,  7,  8,  0,  9,  10, 13, 24, 1,  2,  4,  11, 12, 14, 15,
                                         18, 16, 19, 20, 21, 23, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 25, 5};
    for (int row = 0; row < kNumSysexRows; ++row) {
        EXPECT_EQ(sysexparameters[row].index, expected[row]) << row;
        const ParameterRow* same = rowForId(sysexparameters[row].id);
        ASSERT_NE(same, nullptr);
        EXPECT_EQ(same->index, sysexparameters[row].index);
        EXPECT_EQ(same->maximum, sysexparameters[row].maximum);
    }
}

TEST_F(SysexTest, ADumpSetsParametersAndTheName) {
    std::vector<unsigned char> bytes = toneDump();
    bytes[13] = 2;   // dcorange
    bytes[42] = 12;  // benderrange
    bytes[23] = 100; // vcffreq
    writeBytes(path("hello.syx"), bytes);
    InspectableEffect effect;
    effect.splitPatchFilename("/folder/Before.repatch");
    effect.setParameter(36, 0.3f);  // porta time is not in a dump
    effect.setController(3, 14);
    ASSERT_TRUE(effect.ImportSysex(path("hello.syx").c_str()));
    EXPECT_EQ(effect.value(0), 2.0f / 3.0f);
    EXPECT_EQ(effect.value(5), 1.0f);
    EXPECT_EQ(effect.value(14), 100.0f / 127.0f);
    EXPECT_EQ(effect.value(36), 0.3f);
    EXPECT_EQ(effect.controller(3), 14);
    EXPECT_STREQ(effect.getPatchFile(), "HELLO 01-a");
    EXPECT_STREQ(effect.getPatchFolder(), "/folder");
}

TEST_F(SysexTest, EveryByteValueUpToTheMaximumIsWrittenBackAsItself) {
    for (int row = 0; row < kNumSysexRows; ++row) {
        const ParameterRow* table = rowForId(sysexparameters[row].id);
        for (int byte = 0; byte <= sysexparameters[row].maximum; ++byte) {
            std::vector<unsigned char> bytes = toneDump();
            bytes[7 + row] = static_cast<unsigned char>(byte);
            AlphaJunoToneDump dump;
            ASSERT_TRUE(dump.parse(bytes.data(), bytes.size()));
            EXPECT_EQ(integerValue(*table, dump.value(row)), byte) << table->id;
        }
    }
}

TEST_F(SysexTest, BytesAboveTheMaximumAreClamped) {
    std::vector<unsigned char> bytes = toneDump();
    bytes[7] = 0x7F;  // dcoenvmode, maximum 3
    bytes[42] = 99;   // benderrange, maximum 12
    AlphaJunoToneDump dump;
    ASSERT_TRUE(dump.parse(bytes.data(), bytes.size()));
    EXPECT_EQ(dump.value(0), 1.0f);
    EXPECT_EQ(dump.value(35), 1.0f);
}

TEST_F(SysexTest, CharacterCode) {
    EXPECT_EQ(AlphaJunoToneDump::character(0), 'A');
    EXPECT_EQ(AlphaJunoToneDump::character(25), 'Z');
    EXPECT_EQ(AlphaJunoToneDump::character(26), 'a');
    EXPECT_EQ(AlphaJunoToneDump::character(51), 'z');
    EXPECT_EQ(AlphaJunoToneDump::character(52), '0');
    EXPECT_EQ(AlphaJunoToneDump::character(61), '9');
    EXPECT_EQ(AlphaJunoToneDump::character(62), ' ');
    EXPECT_EQ(AlphaJunoToneDump::character(63), '-');
    EXPECT_EQ(AlphaJunoToneDump::character('@'), '@');
    EXPECT_EQ(AlphaJunoToneDump::character('~'), '~');
    EXPECT_EQ(AlphaJunoToneDump::character('\\'), '?');
    EXPECT_EQ(AlphaJunoToneDump::character(0x7F), '?');
    EXPECT_EQ(AlphaJunoToneDump::character(0xF7), '?');
}

TEST_F(SysexTest, FilesThatAreNoToneDumpChangeNothing) {
    std::vector<std::vector<unsigned char>> rejected;
    std::vector<unsigned char> bytes = toneDump();
    bytes[2] = 0x36;  // another Roland device
    rejected.push_back(bytes);
    bytes = toneDump();
    bytes[0] = 0xF1;
    rejected.push_back(bytes);
    bytes = toneDump();
    bytes[5] = 0x21;  // not the Alpha Juno's format
    rejected.push_back(bytes);
    bytes = toneDump();
    bytes[53] = 0x00;  // not closed where a tone dump ends
    rejected.push_back(bytes);
    bytes = toneDump();
    bytes.resize(53);  // cut short
    rejected.push_back(bytes);
    rejected.push_back({});

    InspectableEffect effect;
    effect.splitPatchFilename("/f/Kept.repatch");
    effect.setParameter(14, 0.25f);
    for (std::size_t i = 0; i < rejected.size(); ++i) {
        const std::string file = path("bad" + std::to_string(i) + ".syx");
        writeBytes(file, rejected[i]);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(effect.ImportSysex(file.c_str())) << i;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), kRejection) << i;
        EXPECT_EQ(effect.value(14), 0.25f);
        EXPECT_STREQ(effect.getPatchFile(), "Kept.repatch");
    }
}

TEST_F(SysexTest, MissingFilesAndFoldersCannotBeOpened) {
    InspectableEffect effect;
    fs::create_directory(root / "folder.syx");
    for (const std::string& file : {path("missing.syx"), path("folder.syx"), std::string()}) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(effect.ImportSysex(file.c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "HalvoVST2::ImportSysex() Couldn't open input file\n");
    }
}

TEST_F(SysexTest, ALongerFileUsesItsFirstDump) {
    std::vector<unsigned char> bytes = toneDump();
    std::vector<unsigned char> second = toneDump();
    second[13] = 0;
    bytes.insert(bytes.end(), second.begin(), second.end());
    writeBytes(path("two.syx"), bytes);
    InspectableEffect effect;
    ASSERT_TRUE(effect.ImportSysex(path("two.syx").c_str()));
    EXPECT_EQ(effect.value(0), 1.0f / 3.0f);
}

// The dumps saved from real instruments that we have are bank dumps (message 37, 16 patches
// per message), not single tones: the import must turn them away untouched.
TEST_F(SysexTest, RealBankDumpsAreTurnedAway) {
    const fs::path folder = fs::path(HALVORAX_TESTDATA_DIR) / "syx";
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no sysex test data at " << folder;
    int files = 0;
    for (const auto& file : fs::directory_iterator(folder)) {
        if (file.path().extension() != ".SYX" && file.path().extension() != ".syx") continue;
        ++files;
        InspectableEffect effect;
        effect.splitPatchFilename("/f/Kept.repatch");
        float before[kNumParameters];
        for (int i = 0; i < kNumParameters; ++i) before[i] = effect.value(i);
        const std::string bytes = readText(file.path().string());
        ASSERT_GE(bytes.size(), 54u);
        AlphaJunoToneDump dump;
        const bool isTone = dump.parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        testing::internal::CaptureStdout();
        const bool imported = effect.ImportSysex(file.path().c_str());
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_EQ(imported, isTone) << file.path();
        if (!imported) {
            EXPECT_EQ(output, kRejection);
            for (int i = 0; i < kNumParameters; ++i) EXPECT_EQ(effect.value(i), before[i]);
            EXPECT_STREQ(effect.getPatchFile(), "Kept.repatch");
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace halvorax::test
