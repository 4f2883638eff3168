// halvorax-syx and halvorax-render --sysex: banks to folders and back byte for byte, and
// failures that say so in one line and leave no file behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "../support/TestFiles.h"
#include "JunoSysex.h"

using namespace halvorax;

namespace {

namespace fs = std::filesystem;

using test::readText;
using ToolRun = test::CommandResult;

ToolRun run(const std::string& tool, const std::string& arguments) { return test::runCommand(tool + " " + arguments); }

class SyxTool : public ::testing::Test {
protected:
    std::string at(const std::string& name) const { return "'" + (root / name).string() + "'"; }
    test::TempFolder folder{"halvorax-syx"};
    const fs::path& root = folder.path;
};

// A bank of our own, and the real dumps when they are at hand: import, export, same bytes.
TEST_F(SyxTool, ABankComesBackByteForByte) {
    juno::Tone tones[juno::kBankTones];
    for (int t = 0; t < juno::kBankTones; ++t) {
        for (int p = 0; p < juno::kToneBytes; ++p) {
            const int value = (t * 7 + p * 3) % (juno::maximum(p) + 1);
            const bool fourBit = p == 13 || p == 20 || p == 21 || p == 23 || p == 33;  // banks keep value / 8
            tones[t].values[p] = static_cast<unsigned char>(fourBit ? value / 8 * 8 : value);
        }
        juno::encodeName(("Tone " + std::to_string(t)).c_str(), tones[t].name);
    }
    std::string bank(juno::kBankSize, '\0');
    juno::encodeBank(tones, 0, reinterpret_cast<unsigned char*>(bank.data()));
    std::ofstream(root / "own.syx", std::ios::binary) << bank;

    std::vector<fs::path> files = {root / "own.syx"};
    const fs::path shared = fs::path(HALVORAX_TESTDATA_DIR) / "syx" / "GLORIOUS_ALPHA.SYX";
    if (fs::exists(shared)) files.push_back(shared);
    for (const fs::path& file : files) {
        const std::string folder = at(file.stem().string());
        ToolRun imported = run(HALVORAX_SYX_PATH, "import '" + file.string() + "' " + folder);
        ASSERT_EQ(imported.status, 0) << imported.output;
        ToolRun exported = run(HALVORAX_SYX_PATH, "export " + folder + " " + at("back.syx"));
        ASSERT_EQ(exported.status, 0) << exported.output;
        EXPECT_TRUE(readText(root / "back.syx") == readText(file)) << file;
    }
    const ToolRun listed = run(HALVORAX_SYX_PATH, "list " + at("own.syx"));
    EXPECT_NE(listed.output.find("bank tone 64  Tone 63"), std::string::npos) << listed.output;

    // The render tool plays a bank's tone by its number: tone 3 has cutoff 62.
    const ToolRun info =
        run(HALVORAX_RENDER_PATH, "--sysex " + at("own.syx") + " --tone 3 --info '" HALVORAX_SO_PATH "'");
    ASSERT_EQ(info.status, 0) << info.output;
    const std::size_t cutoff = info.output.find("VCF Freq");
    ASSERT_NE(cutoff, std::string::npos);
    const std::string line = info.output.substr(cutoff, info.output.find('\n', cutoff) - cutoff);
    EXPECT_NE(line.find("0.48819"), std::string::npos) << line;

    const ToolRun tone = run(HALVORAX_SYX_PATH, "export " + at("own/02 Tone 1.repatch") + " " + at("one.syx"));
    ASSERT_EQ(tone.status, 0) << tone.output;
    EXPECT_EQ(readText(root / "one.syx").size(), juno::kAprSize);
}

TEST_F(SyxTool, FailuresSayWhyAndLeaveNothing) {
    fs::create_directory(root / "empty");
    std::ofstream(root / "noise.syx") << "no sysex here";
    const std::string cases[] = {
        "import " + at("missing.syx") + " " + at("out"),
        "import " + at("noise.syx") + " " + at("out"),
        "export " + at("empty") + " " + at("out.syx"),
        "export " + at("missing.repatch") + " " + at("out.syx"),
        "frobnicate",
    };
    for (const std::string& arguments : cases) {
        const ToolRun result = run(HALVORAX_SYX_PATH, arguments);
        EXPECT_NE(result.status, 0) << arguments;
        EXPECT_FALSE(result.output.empty()) << arguments;
        if (arguments != "frobnicate") {
            EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
        }
    }
    EXPECT_FALSE(fs::exists(root / "out"));
    EXPECT_FALSE(fs::exists(root / "out.syx"));
    const ToolRun render = run(HALVORAX_RENDER_PATH, "--sysex " + at("noise.syx") + " x.so y.mid z.wav");
    EXPECT_EQ(render.status, 1);
    EXPECT_NE(render.output.find("has no tone 1"), std::string::npos) << render.output;
}

}  // namespace
