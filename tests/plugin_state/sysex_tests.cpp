// Alpha Juno sysex: the tone table, the bank's packed layout, files of mixed messages, banks
// imported as folders and exported back byte for byte, and files that hold no tone.
#include <array>
#include <random>
#include <vector>

#include "JunoSysex.h"
#include "PatchFile.h"
#include "StateTestSupport.h"
#include "SysexImport.h"
#include "ToneFolder.h"

namespace halvorax::test {
namespace {

using SysexTest = StateTest;
using Bytes = std::vector<unsigned char>;

Bytes toneDump() {
    Bytes bytes(54, 0);
    const unsigned char header[] = {0xF0, 0x41, 0x35, 0x00, 0x23, 0x20, 0x01};
    std::copy(std::begin(header), std::end(header), bytes.begin());
    for (int row = 0; row < kNumSysexRows; ++row)
        bytes[7 + row] = static_cast<unsigned char>(sysexRow(row).maximum / 2);
    const unsigned char name[] = {7, 4, 11, 11, 14, 62, 52, 53, 63, 26};
    std::copy(std::begin(name), std::end(name), bytes.begin() + 43);
    bytes[53] = 0xF7;
    return bytes;
}

// A valid tone; four-bit fields on their APR steps when `bankSafe`, as a bank carries them.
juno::Tone randomTone(std::mt19937& random, bool bankSafe) {
    juno::Tone tone;
    for (int p = 0; p < juno::kToneBytes; ++p) {
        int value = static_cast<int>(random() % (juno::maximum(p) + 1));
        const bool fourBit = p == 13 || p == 20 || p == 21 || p == 23 || p == 33;
        if (bankSafe && fourBit) value = value / 8 * 8;
        tone.values[p] = static_cast<unsigned char>(value);
    }
    for (auto& code : tone.name) code = static_cast<unsigned char>(random() % 64);
    tone.named = true;
    return tone;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

void writeBytes(const std::string& file, const Bytes& bytes) {
    writeText(file, std::string(bytes.begin(), bytes.end()));
}

Bytes bankOf(const std::vector<juno::Tone>& tones) {
    std::vector<juno::Tone> all(tones);
    all.resize(juno::kBankTones);
    Bytes bytes(juno::kBankSize);
    juno::encodeBank(all.data(), 0, bytes.data());
    return bytes;
}

const char* const kRejection =
    "Not an Alpha Juno Sysex Patch\n"
    "Try setting MIDI Excl on your Alpha Juno\n"
    "and use the Alpha Base software to save a single patch\n";

TEST_F(SysexTest, TableCoversTheParameterBytesInOrder) {
    const int expected[kNumSysexRows] = {3,  17, 22, 6,  7,  8,  0,  9,  10, 13, 24, 1,  2,  4,  11, 12, 14, 15,
                                         18, 16, 19, 20, 21, 23, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 25, 5};
    for (int row = 0; row < kNumSysexRows; ++row) EXPECT_EQ(sysexRow(row).index, expected[row]) << row;
}

// Where a field lands in the packed tone, at its largest value, with every other field zero.
struct PackedBits {
    int position;
    int value;
    std::vector<std::pair<int, int>> bytesAndMasks;
};
void PrintTo(const PackedBits& field, std::ostream* out) {
    *out << "position " << field.position << " = " << field.value;
}
class PackedLayout : public ::testing::TestWithParam<PackedBits> {};

TEST_P(PackedLayout, EachFieldAtItsBoundaryPacksIntoItsBitsAndBack) {
    const PackedBits& field = GetParam();
    juno::Tone tone;
    std::fill(std::begin(tone.name), std::end(tone.name), 0);
    tone.values[field.position] = static_cast<unsigned char>(field.value);
    unsigned char packed[juno::kPackedSize];
    juno::packTone(tone, packed);
    unsigned char expected[juno::kPackedSize] = {};
    for (auto [byte, mask] : field.bytesAndMasks) expected[byte] = static_cast<unsigned char>(mask);
    for (int i = 0; i < juno::kPackedSize; ++i) EXPECT_EQ(packed[i], expected[i]) << "byte " << i;
    juno::Tone back;
    juno::unpackTone(packed, back);
    EXPECT_EQ(std::vector<int>(back.values, back.values + 36), std::vector<int>(tone.values, tone.values + 36));
}

INSTANTIATE_TEST_SUITE_P(Fields, PackedLayout,
                         ::testing::Values(PackedBits{20, 120, {{0, 0x0F}}}, PackedBits{13, 120, {{0, 0xF0}}},
                                           PackedBits{23, 120, {{1, 0x0F}}}, PackedBits{21, 120, {{1, 0xF0}}},
                                           PackedBits{35, 12, {{2, 0x0C}}}, PackedBits{33, 120, {{2, 0xF0}}},
                                           PackedBits{11, 127, {{3, 0x7F}}}, PackedBits{19, 127, {{9, 0x7F}}},
                                           PackedBits{18, 127, {{10, 0x7F}}}, PackedBits{32, 127, {{20, 0x7F}}},
                                           PackedBits{10, 1, {{4, 0x80}}}, PackedBits{0, 3, {{5, 0x80}, {6, 0x80}}},
                                           PackedBits{0, 2, {{5, 0x80}}}, PackedBits{2, 1, {{10, 0x80}}},
                                           PackedBits{5, 5, {{11, 0x80}, {13, 0x80}}}, PackedBits{4, 4, {{14, 0x80}}},
                                           PackedBits{3, 3, {{17, 0x80}, {18, 0x80}}},
                                           PackedBits{9, 3, {{19, 0x80}, {20, 0x80}}},
                                           PackedBits{6, 3, {{21, 0x80}, {22, 0x80}}},
                                           PackedBits{7, 3, {{23, 0x80}, {24, 0x80}}}, PackedBits{8, 1, {{26, 0x80}}},
                                           PackedBits{34, 127, {{27, 0xC0}, {28, 0xC0}, {29, 0xC0}, {30, 0x40}}},
                                           PackedBits{34, 2, {{27, 0x80}}}, PackedBits{34, 64, {{30, 0x40}}}));

TEST_F(SysexTest, NameCodeAndFourBitScale) {
    unsigned char codes[juno::kNameLength];
    juno::encodeName("Az09 -x/", codes);
    const unsigned char expected[] = {0, 51, 52, 61, 62, 63, 49, 62, 62, 62};
    EXPECT_TRUE(std::equal(codes, codes + 10, expected));
    juno::Tone tone;
    std::copy(codes, codes + 10, tone.name);
    unsigned char packed[juno::kPackedSize];
    juno::packTone(tone, packed);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(packed[21 + i] & 0x3F, codes[i]);
    char text[11];
    juno::unpackTone(packed, tone);
    juno::decodeName(tone, text);
    EXPECT_STREQ(text, "Az09 -x   ");
    // Between the steps of a four-bit field, the bank keeps the step below.
    tone.values[13] = 127;
    juno::packTone(tone, packed);
    juno::unpackTone(packed, tone);
    EXPECT_EQ(tone.values[13], 120);
    EXPECT_EQ(juno::character('\\'), '?');
    EXPECT_EQ(juno::character(0xF7), '?');
}

TEST_F(SysexTest, ASingleToneSetsParametersAndTheName) {
    Bytes bytes = toneDump();
    bytes[13] = 2;    // dcorange
    bytes[42] = 99;   // benderrange, above its range
    bytes[7] = 0x7F;  // dcoenvmode, above its range
    writeBytes(path("hello.syx"), bytes);
    InspectableEffect effect;
    effect.splitPatchFilename("/folder/Before.repatch");
    effect.setParameter(36, 0.3f);  // porta time is not in a tone
    effect.setController(3, 14);
    ASSERT_TRUE(effect.ImportSysex(path("hello.syx").c_str()));
    EXPECT_EQ(effect.value(0), 2.0f / 3.0f);
    EXPECT_EQ(effect.value(5), 1.0f);
    EXPECT_EQ(effect.value(3), 1.0f);
    EXPECT_EQ(effect.value(36), 0.3f);
    EXPECT_EQ(effect.controller(3), 14);
    EXPECT_STREQ(effect.getPatchFile(), "HELLO 01-a");
    EXPECT_STREQ(effect.getPatchFolder(), "/folder");
}

// Stray bytes, another maker's message, the rack's patch and chord messages, an unnamed tone
// with a truncated message before it: the tone is found, named after the file.
TEST_F(SysexTest, TheToneIsFoundAmongOtherMessages) {
    Bytes unnamed = toneDump();
    unnamed.resize(43);
    unnamed.push_back(0xF7);
    unnamed[13] = 1;
    unnamed[3] = 0x0B;  // channel 12
    const Bytes patch = {0xF0, 0x41, 0x35, 0x00, 0x23, 0x30, 0x01, 1, 2, 3, 0xF7};
    const Bytes chord = {0xF0, 0x41, 0x35, 0x00, 0x23, 0x40, 0x01, 4, 5, 0xF7};
    const Bytes foreign = {0xF0, 0x43, 0x35, 0x00, 0x23, 0x20, 0x01, 0xF7};
    const Bytes cut = {0xF0, 0x41, 0x35, 0x00, 0x23, 0x20, 0x01, 3, 3};
    writeBytes(path("Capture.syx"), concat({{1, 2, 0x90}, foreign, patch, chord, cut, unnamed, {0xF0, 0x41}}));
    InspectableEffect effect;
    ASSERT_TRUE(effect.ImportSysex(path("Capture.syx").c_str()));
    EXPECT_EQ(effect.value(0), 1.0f / 3.0f);
    EXPECT_STREQ(effect.getPatchFile(), "Capture");
}

TEST_F(SysexTest, FilesWithoutAToneChangeNothing) {
    Bytes shortBank = bankOf({});
    shortBank.resize(200);
    shortBank.push_back(0xF7);  // a message claiming four tones over a short body
    Bytes longBank = bankOf({});
    longBank.insert(longBank.begin() + 100, 7);  // one message a byte too long
    longBank.resize(juno::kBulkSize + 1);
    std::vector<Bytes> rejected = {{}, toneDump(), shortBank, longBank, Bytes(10u << 20, 0xF0)};
    rejected[1][2] = 0x36;  // not an APR
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
    EXPECT_FALSE(fs::exists(patchFolder / "bad2"));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(effect.ImportSysex(path("missing.syx").c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "HalvoVST2::ImportSysex() Couldn't open input file\n");
}

// A bank of known tones becomes a numbered folder of exactly those tones; a second import
// of the same file never touches the first folder.
TEST_F(SysexTest, ABankBecomesAFolderOfPatchFiles) {
    std::mt19937 random(15);
    std::vector<juno::Tone> tones;
    for (int t = 0; t < 64; ++t) tones.push_back(randomTone(random, true));
    juno::encodeName("AlphaBrass", tones[0].name);
    juno::encodeName("  Pad     ", tones[1].name);
    juno::encodeName("          ", tones[2].name);
    writeBytes(path("My Bank.syx"), bankOf(tones));

    InspectableEffect effect;
    ASSERT_TRUE(effect.ImportSysex(path("My Bank.syx").c_str()));
    const fs::path folder = patchFolder / "My Bank";
    EXPECT_TRUE(fs::exists(folder / "01 AlphaBrass.repatch"));
    EXPECT_TRUE(fs::exists(folder / "02   Pad.repatch"));
    EXPECT_TRUE(fs::exists(folder / "03.repatch"));
    EXPECT_STREQ(effect.getPatchFile(), "01 AlphaBrass.repatch");
    for (int row = 0; row < kNumSysexRows; ++row)
        EXPECT_EQ(effect.value(sysexRow(row).index), toneValue(tones[0], row)) << row;

    std::vector<juno::Tone> back;
    std::string error;
    ASSERT_TRUE(readFolderTones(folder.string(), back, error)) << error;
    ASSERT_EQ(back.size(), 64u);
    for (int t = 0; t < 64; ++t) {
        EXPECT_TRUE(std::equal(back[t].values, back[t].values + 36, tones[t].values)) << t;
        EXPECT_TRUE(std::equal(back[t].name, back[t].name + 10, tones[t].name)) << t;
    }
    const std::size_t files = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    EXPECT_EQ(files, 64u);

    ASSERT_TRUE(effect.ImportSysex(path("My Bank.syx").c_str()));
    EXPECT_TRUE(fs::exists(patchFolder / "My Bank 2" / "01 AlphaBrass.repatch"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 64);
}

// .syx -> patch -> .syx gives the same bytes for random tones.
TEST_F(SysexTest, RandomTonesSurvivePatchFilesByteForByte) {
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        const juno::Tone tone = randomTone(random, false);
        unsigned char apr[juno::kAprSize];
        juno::encodeApr(tone, 0, apr);
        juno::Tone decoded;
        ASSERT_TRUE(juno::decodeApr(apr, sizeof apr, decoded));
        const std::string file = path("t.repatch");
        writeText(file, tonePatchText(decoded));
        juno::Tone read;
        std::string error;
        ASSERT_TRUE(readPatchTone(file, read, error)) << error;
        std::copy(std::begin(decoded.name), std::end(decoded.name), read.name);
        EXPECT_EQ(aprBytes(read), std::string(apr, apr + sizeof apr)) << i;
    }
}

// The bank dumps saved from real instruments, when they are at hand. Data bytes carry four
// bits; stray high bits in a few of them (EZBANK1 has some) are dropped on the way in.
std::string lowNibbles(std::string bank) {
    for (std::size_t m = 0; m + juno::kBulkSize <= bank.size(); m += juno::kBulkSize)
        for (std::size_t i = 9; i < juno::kBulkSize - 1; ++i) bank[m + i] &= 0x0F;
    return bank;
}

TEST_F(SysexTest, RealBanksImportAndExportByteForByte) {
    const fs::path folder = fs::path(HALVORAX_TESTDATA_DIR) / "syx";
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no sysex test data at " << folder;
    const std::pair<const char*, std::array<const char*, 2>> banks[] = {
        {"GLORIOUS_ALPHA.SYX", {"01 AlphaBrass.repatch", "64 SH-Power.repatch"}},
        {"EZBANK1.SYX", {"01 EZKick.repatch", "64 Kick.repatch"}}};
    for (const auto& [name, files] : banks) {
        const std::string bytes = readText((folder / name).string());
        ASSERT_GE(bytes.size(), juno::kBankSize) << name;
        const SysexContents contents = readSysex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        ASSERT_EQ(contents.bankTones.size(), 64u) << name;
        for (const NumberedTone& tone : contents.bankTones)
            for (int p = 0; p < juno::kToneBytes; ++p) EXPECT_LE(tone.tone.values[p], juno::maximum(p)) << name;
        std::string error;
        const std::string imported = writeBankFolder(root.string(), name, contents.bankTones, error);
        ASSERT_FALSE(imported.empty()) << error;
        for (const char* file : files) EXPECT_TRUE(fs::exists(fs::path(imported) / file)) << file;
        std::vector<juno::Tone> tones;
        ASSERT_TRUE(readFolderTones(imported, tones, error)) << error;
        const std::string exported = bankBytes(tones), original = lowNibbles(bytes.substr(0, juno::kBankSize));
        const auto differ = std::mismatch(exported.begin(), exported.end(), original.begin());
        EXPECT_EQ(differ.first - exported.begin(), static_cast<long>(juno::kBankSize)) << name;
    }
}

}  // namespace
}  // namespace halvorax::test
