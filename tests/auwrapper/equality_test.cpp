// The same MIDI file played through the VST 2.4 interface (halvorax-render) and through the
// Audio Unit interface (halvorax-auhost) gives the same samples.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "AuTestSupport.h"
#include "TestHost.h"
#include "../support/Wav.h"

namespace {

struct Rendering {
    const char* song;
    const char* options;
};

TEST(AudioUnitPath, RendersTheSameSamplesAsTheVstPath) {
    const std::filesystem::path home = halvorax::test::isolateDataHome();
    setenv("HOME", home.c_str(), 1);
    for (const Rendering& r : {Rendering{"demo.mid", " -b 512 "}, Rendering{"range.mid", " -r 48000 -b 300 "}}) {
        SCOPED_TRACE(std::string(r.song) + r.options);
        const std::string midi = std::string(HALVORAX_SOURCE_DIR) + "/resources/" + r.song;
        const std::string vstWav = (home / "vst.wav").string();
        const std::string auWav = (home / "au.wav").string();
        const std::string arguments = std::string(r.options) + HALVORAX_BUNDLE_PATH + " " + midi + " ";
        ASSERT_EQ(halvorax::test::runCommand(HALVORAX_RENDER_PATH + arguments + vstWav).status, 0);
        ASSERT_EQ(halvorax::test::runCommand(HALVORAX_AUHOST_PATH + arguments + auWav).status, 0);
        SF_INFO vstFormat, auFormat;
        const std::vector<float> vst = halvorax::test::readWav(vstWav, vstFormat);
        const std::vector<float> au = halvorax::test::readWav(auWav, auFormat);
        ASSERT_EQ(vstFormat.channels, 2);
        ASSERT_EQ(auFormat.channels, 2);
        ASSERT_EQ(vst.size(), au.size());
        ASSERT_GT(vst.size(), 44100u);
        const auto difference = std::mismatch(vst.begin(), vst.end(), au.begin()).first;
        EXPECT_EQ(difference, vst.end()) << "first difference at sample " << (difference - vst.begin());
        EXPECT_GT(*std::max_element(vst.begin(), vst.end()), 0.01f);
    }
}

TEST(AudioUnitHostTool, ListsTheUnitAndRefusesWhatItCannotDo) {
    using halvorax::test::runCommand;
    const std::filesystem::path home = halvorax::test::isolateDataHome();
    setenv("HOME", home.c_str(), 1);
    const std::string tool = std::string(HALVORAX_AUHOST_PATH) + " ", bundle = std::string(" ") + HALVORAX_BUNDLE_PATH;
    const halvorax::test::CommandResult info = runCommand(tool + "--info" + bundle);
    ASSERT_EQ(info.status, 0) << info.output;
    const std::string& text = info.output;
    EXPECT_NE(text.find("type: aumu"), std::string::npos) << text;
    EXPECT_NE(text.find("output buses: 1"), std::string::npos);
    EXPECT_NE(text.find("bus 0: 2 channels, 44100 Hz"), std::string::npos);
    EXPECT_NE(text.find("input buses: 0"), std::string::npos);
    // Saving and loading presets: the preset tests of the tool (auhost_presets_tests).
    EXPECT_NE(runCommand(tool + "--load-preset /nonexistent.aupreset" + bundle).status, 0);
    // An instrument without an editor refuses the editor option without a crash.
    if (text.find("editor: no") == std::string::npos) return;
    const halvorax::test::CommandResult editor = runCommand(tool + "--editor=0.1" + bundle);
    EXPECT_NE(editor.status, 0);
    EXPECT_NE(editor.output.find("no editor"), std::string::npos) << editor.output;
}

}  // namespace
