// The command-line host: errors, --info, and rendering through ours and a third-party synth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/TestFiles.h"
#include "../support/Wav.h"
#include "TestHost.h"

namespace {

using ToolRun = halvorax::test::CommandResult;
using halvorax::test::readWav;

ToolRun run(const std::string& arguments) {
    return halvorax::test::runCommand(std::string(HALVORAX_RENDER_PATH) + " " + arguments);
}

double rms(const std::vector<float>& samples) {
    double sum = 0;
    for (float s : samples) sum += double(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

const std::string kDemo = std::string(HALVORAX_SOURCE_DIR) + "/resources/demo.mid";

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override { home = halvorax::test::isolateDataHome(); }
    std::filesystem::path home;
};

TEST_F(RenderTool, ClearErrorsForMissingFilesAndWrongPlugins) {
    const std::string bundle = HALVORAX_BUNDLE_PATH;
    const struct {
        std::string arguments, message;
    } cases[] = {{"/nonexistent/Thing.so " + kDemo, "no such plug-in file"},
                 {"/lib/x86_64-linux-gnu/libm.so.6 " + kDemo, "no VSTPluginMain or main entry point"},
                 {std::string(EFFECT_NOT_SYNTH_PATH) + " " + kDemo, "is not an instrument"},
                 {bundle + " /nonexistent.mid", "no such MIDI file"}};
    for (const auto& c : cases) {
        ToolRun refused = run(c.arguments + " /tmp/x.wav");
        EXPECT_NE(refused.status, 0);
        EXPECT_NE(refused.output.find(c.message), std::string::npos) << refused.output;
    }
}

TEST_F(RenderTool, InfoReportsWhatTheEffectSays) {
    ToolRun info = run("--info --set 14=0.5 " + std::string(HALVORAX_BUNDLE_PATH));
    ASSERT_EQ(info.status, 0) << info.output;
    for (const char* expected :
         {"effect:   Halvorax", "vendor:   Brindlecove", "'Halv'", "0 in, 2 out", "synth", "\"Halvo 1\"",
          "canDo receiveVstEvents     1", "canDo sendVstMidiEvent     -1", "VCF Freq", "63"})
        EXPECT_NE(info.output.find(expected), std::string::npos) << expected << "\n" << info.output;
}

TEST_F(RenderTool, RendersHalvoraxToAWavOfTheSongsLength) {
    const std::string wav = (home / "halvorax.wav").string();
    ToolRun render =
        run("--rate 48000 --block 100 --tail 0.5 " + std::string(HALVORAX_BUNDLE_PATH) + " " + kDemo + " " + wav);
    ASSERT_EQ(render.status, 0) << render.output;
    SF_INFO info;
    std::vector<float> samples = readWav(wav, info);
    EXPECT_EQ(info.samplerate, 48000);
    EXPECT_EQ(info.channels, 2);
    EXPECT_GT(info.frames, 48000 * 20);
    for (float s : samples) ASSERT_TRUE(std::isfinite(s));
}

TEST_F(RenderTool, PatchesChangeTheSoundAndBadOnesAreRefused) {
    const std::string patches = std::string(HALVORAX_SOURCE_DIR) + "/resources/patches/";
    const std::string bass = (home / "bass.wav").string(), bells = (home / "bells.wav").string();
    const std::string song = std::string(HALVORAX_SOURCE_DIR) + "/resources/range.mid";
    ASSERT_EQ(run("--tail 0 --patch \"" + patches + "Juno Sub Bass.repatch\" " + HALVORAX_BUNDLE_PATH + " " + song +
                  " " + bass)
                  .status,
              0);
    ASSERT_EQ(run("--tail 0 --patch \"" + patches + "Glass Bells.repatch\" " + HALVORAX_BUNDLE_PATH + " " + song + " " +
                  bells)
                  .status,
              0);
    SF_INFO info;
    EXPECT_NE(readWav(bass, info), readWav(bells, info));
    ToolRun missing =
        run("--patch /nonexistent.repatch " + std::string(HALVORAX_BUNDLE_PATH) + " " + song + " " + bass);
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.output.find("cannot read patch"), std::string::npos) << missing.output;
}

TEST_F(RenderTool, RendersAThirdPartySynthAudibly) {
    const char* amsynth = "/usr/lib/vst/amsynth_vst.so";
    if (!std::filesystem::exists(amsynth)) GTEST_SKIP() << "amsynth is not installed";
    // amsynth keeps its settings under the data home and refuses to start without it.
    std::filesystem::create_directories(home / "amsynth");
    const std::string wav = (home / "amsynth.wav").string();
    ToolRun render = run(std::string(amsynth) + " " + kDemo + " " + wav);
    ASSERT_EQ(render.status, 0) << render.output;
    SF_INFO info;
    std::vector<float> samples = readWav(wav, info);
    EXPECT_GT(rms(samples), 0.01);
}

}  // namespace
