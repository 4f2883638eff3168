// The LV2 plug-in through lilv, against the VST 2.4 plug-in: the same song renders to the same
// samples, saved state restores the sound, and every preset is its patch file.
#include <gtest/gtest.h>
#include <lv2/atom/util.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Lv2Host.h"
#include "Lv2Messages.h"
#include "Lv2Ports.h"
#include "MidiFile.h"
#include "PatchFile.h"
#include "Renderer.h"
#include "StateChunk.h"
#include "VstHost.h"
#include "../support/RealtimeCounters.h"
#include "../support/Wav.h"

namespace halvorax {
namespace {

namespace fs = std::filesystem;

const fs::path kPatches = fs::path(HALVORAX_SOURCE_DIR) / "resources/patches";

// Both plug-ins install and read the factory patches in a patch folder of their own.
class Lv2Plugin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/halvorax-lv2-XXXXXX";
        setenv("XDG_DATA_HOME", mkdtemp(pattern), 1);
    }
    static void TearDownTestSuite() { fs::remove_all(std::getenv("XDG_DATA_HOME")); }

    static std::unique_ptr<Lv2Instrument> lv2(double rate) {
        std::string error;
        auto plugin = Lv2Instrument::load(HALVORAX_LV2_BUNDLE_PATH, rate, error);
        EXPECT_TRUE(plugin) << error;
        return plugin;
    }
    static std::unique_ptr<HostedPlugin> vst(double rate, int block) {
        std::string error;
        auto plugin = HostedPlugin::load(HALVORAX_SO_PATH, error);
        EXPECT_TRUE(plugin) << error;
        if (plugin) plugin->start(rate, block);
        return plugin;
    }
    // The song rendered into a WAV file, as the tools write it, and read back.
    static std::vector<float> render(RenderTarget& plugin, double rate, int block, double seconds = 0.0) {
        MidiSong song;
        std::string error;
        EXPECT_TRUE(readMidiFile(std::string(HALVORAX_SOURCE_DIR) + "/resources/demo.mid", song, error)) << error;
        if (seconds > 0) song.lengthSeconds = std::min(song.lengthSeconds, seconds);
        RenderSettings settings;
        settings.sampleRate = rate;
        settings.blockSize = block;
        settings.tailSeconds = 0.5;
        const std::string file = std::string(std::getenv("XDG_DATA_HOME")) + "/render.wav";
        WavWriter output(file, rate);
        renderSong(plugin, song, settings, output);
        output.commit();
        SF_INFO info;
        std::vector<float> samples = test::readWav(file, info);
        EXPECT_FALSE(samples.empty()) << file;
        return samples;
    }
};

// The values a patch file gives: the table's defaults, overwritten by its entries.
std::vector<float> patchValues(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string data = text.str();
    float values[kNumParameters];
    defaultParameterValues(values);
    EXPECT_GT(PatchFile::parse(data.data(), data.size(), values), 0) << file;
    return std::vector<float>(values, values + kNumParameters);
}

bool audible(const std::vector<float>& audio) {
    for (float sample : audio)
        if (sample != 0.0f) return true;
    return false;
}

struct RenderCase {
    double rate;
    int block;
    const char* patch;  // nothing set when empty
};

class Lv2RendersAsVst : public Lv2Plugin, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(Lv2RendersAsVst, SampleForSample) {
    const RenderCase& c = GetParam();
    auto viaVst = vst(c.rate, c.block);
    auto viaLv2 = lv2(c.rate);
    ASSERT_TRUE(viaVst && viaLv2);
    if (c.patch[0]) {
        const std::vector<float> values = patchValues(kPatches / (std::string(c.patch) + ".repatch"));
        for (int i = 0; i < kNumParameters; ++i) {
            viaVst->setParameter(i, values[i]);
            viaLv2->setParameter(i, values[i]);
        }
    }
    const std::vector<float> expected = render(*viaVst, c.rate, c.block);
    const std::vector<float> got = render(*viaLv2, c.rate, c.block);
    ASSERT_TRUE(audible(expected));
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(float)), 0);
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, Lv2RendersAsVst,
                         ::testing::Values(RenderCase{44100, 512, ""}, RenderCase{48000, 333, ""},
                                           RenderCase{44100, 97, "Chord Memory Stab"},
                                           RenderCase{48000, 1001, "Hoover Rave Lead"}),
                         [](const ::testing::TestParamInfo<RenderCase>& info) {
                             std::string name = std::to_string(static_cast<int>(info.param.rate)) + "Hz_block" +
                                                std::to_string(info.param.block) + "_";
                             name += info.param.patch[0] ? info.param.patch : "fresh";
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// A host saves the state (ports and the plug-in's own) and a new instance restores it; the chord
// memory travels only in the plug-in's state, and activating again keeps it all.
TEST_F(Lv2Plugin, RestoredStateRendersTheSameSamples) {
    auto saved = lv2(48000);
    ASSERT_TRUE(saved);
    ASSERT_TRUE(saved->applyPreset(std::string(lv2::kPresetUriBase) + "Chord_Memory_Stab"));
    ASSERT_TRUE(saved->setPort("vcffreq", 90.0f));
    const std::string turtle = saved->saveState();
    ASSERT_NE(turtle.find("halvorax#state"), std::string::npos);

    auto restored = lv2(48000);
    ASSERT_TRUE(restored && restored->restoreState(turtle));
    restored->reactivate();  // as after an export: the sound stays
    const std::vector<float> expected = render(*saved, 48000, 256, 3.0);
    EXPECT_TRUE(render(*restored, 48000, 256, 3.0) == expected);

    // Without the state the same ports give another chord.
    auto portsOnly = lv2(48000);
    for (const std::string& symbol : saved->controlSymbols()) {
        float value = 0;
        saved->port(symbol, value);
        portsOnly->setPort(symbol, value);
    }
    EXPECT_FALSE(render(*portsOnly, 48000, 256, 3.0) == expected);
}

// The chunk the plug-in stores, asked for as a host's save would.
StateChunk storedChunk(Lv2Instrument& plugin) {
    StateChunk chunk{};
    const std::string bytes = plugin.storedProperty(lv2::kStateUri);
    EXPECT_EQ(bytes.size(), sizeof chunk);
    std::memcpy(&chunk, bytes.data(), std::min(bytes.size(), sizeof chunk));
    return chunk;
}

void oneBlock(Lv2Instrument& plugin) {
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    plugin.process(outputs, 64);
}

// Values outside a port's range are held to it, a fraction goes to the nearest step and a
// value that is no number leaves the parameter alone.
TEST_F(Lv2Plugin, PortValuesAreClampedToTheirSteps) {
    auto plugin = lv2(44100);
    plugin->setPort("vcffreq", 500.0f);
    plugin->setPort("vcfreso", -3.0f);
    plugin->setPort("dcosaw", 2.6f);
    plugin->setPort("lforate", std::nanf(""));
    const float lfoRate = storedChunk(*plugin).values[26];
    oneBlock(*plugin);
    const StateChunk chunk = storedChunk(*plugin);
    EXPECT_EQ(chunk.values[14], 1.0f);
    EXPECT_EQ(chunk.values[15], 0.0f);
    EXPECT_EQ(chunk.values[7], 3.0f / 5.0f);
    EXPECT_EQ(chunk.values[26], lfoRate);
}

// The panel's message after loading a patch: the chord memory reaches the engine and the
// state, the patch name the state, and both go back to the panel; a malformed one changes
// nothing.
TEST_F(Lv2Plugin, ThePanelsPatchMessageSetsChordMemoryAndName) {
    auto plugin = lv2(44100);
    const lv2::MessageUris uris(plugin->uridMap());
    alignas(8) uint8_t buffer[lv2::kPatchMessageCapacity];
    ChordMemory chord;
    chord.count = 4;
    const int notes[6] = {0, 4, 7, 200, 0, 0};
    std::copy(notes, notes + 6, chord.notes);
    const LV2_Atom* message = lv2::writePatchMessage(uris, chord, "/patches/Wide.repatch", buffer, sizeof buffer);
    ASSERT_NE(message, nullptr);
    plugin->sendAtom(0, message);
    oneBlock(*plugin);
    StateChunk chunk = storedChunk(*plugin);
    EXPECT_EQ(chunk.chordCount, 4);
    EXPECT_EQ(chunk.chordNotes[2], 7);
    EXPECT_EQ(chunk.chordNotes[3], 127);  // held to a note
    EXPECT_STREQ(chunk.path, "/patches/Wide.repatch");

    // The plug-in tells the panel what it now has, once, and again when a panel opens.
    const auto notified = [&] {
        ChordMemory told;
        const char* patch = nullptr;
        const auto atoms = plugin->lastOutputAtoms();
        const bool one = atoms.size() == 1 &&
                         lv2::readPatchMessage(uris, reinterpret_cast<const LV2_Atom*>(atoms[0].data()), told, patch);
        return one && told.count == 4 && told.notes[3] == 127 && std::string(patch) == "/patches/Wide.repatch";
    };
    EXPECT_TRUE(notified());
    oneBlock(*plugin);
    EXPECT_TRUE(plugin->lastOutputAtoms().empty());
    ASSERT_NE(lv2::writePanelOpened(uris, buffer, sizeof buffer), nullptr);
    plugin->sendAtom(0, reinterpret_cast<const LV2_Atom*>(buffer));
    oneBlock(*plugin);
    EXPECT_TRUE(notified());

    // Another chord, but floats where the numbers should be whole: not taken.
    chord.count = 2;
    alignas(8) uint8_t bad[lv2::kPatchMessageCapacity];
    ASSERT_NE(lv2::writePatchMessage(uris, chord, "Other.repatch", bad, sizeof bad), nullptr);
    auto* object = reinterpret_cast<LV2_Atom_Object*>(bad);
    auto* chordProperty = reinterpret_cast<LV2_Atom_Property_Body*>(object + 1);
    ASSERT_EQ(chordProperty->key, uris.chordMemory);
    reinterpret_cast<LV2_Atom_Vector*>(&chordProperty->value)->body.child_type =
        plugin->uridMap()->map(plugin->uridMap()->handle, LV2_ATOM__Float);
    plugin->sendAtom(0, &object->atom);
    oneBlock(*plugin);
    chunk = storedChunk(*plugin);
    EXPECT_EQ(chunk.chordCount, 4);
    EXPECT_STREQ(chunk.path, "/patches/Wide.repatch");
}

// The panel's MIDI learn switch: the control moved last takes the controller that moves next,
// and the learnt controller is part of the state.
TEST_F(Lv2Plugin, MidiLearnFromThePanelMapsAControllerIntoTheState) {
    auto plugin = lv2(44100);
    const lv2::MessageUris uris(plugin->uridMap());
    alignas(8) uint8_t buffer[lv2::kPatchMessageCapacity];
    plugin->sendAtom(0, lv2::writeMidiLearn(uris, true, buffer, sizeof buffer));
    plugin->setPort("vcfreso", 10.0f);
    oneBlock(*plugin);
    plugin->sendMidi({{0, {0xb0, 20, 64}}});
    oneBlock(*plugin);
    plugin->sendAtom(0, lv2::writeMidiLearn(uris, false, buffer, sizeof buffer));
    oneBlock(*plugin);
    plugin->sendMidi({{0, {0xb0, 20, 127}}});
    oneBlock(*plugin);
    const StateChunk chunk = storedChunk(*plugin);
    EXPECT_EQ(chunk.ccMap[20], 15);
    EXPECT_EQ(chunk.values[15], 1.0f);
}

// run() with notes, port moves and the panel's message neither allocates nor locks.
TEST_F(Lv2Plugin, RunNeitherAllocatesNorLocks) {
    auto plugin = lv2(44100);
    const lv2::MessageUris uris(plugin->uridMap());
    alignas(8) uint8_t buffer[lv2::kPatchMessageCapacity];
    const LV2_Atom* message = lv2::writePatchMessage(uris, ChordMemory{}, "Quiet.repatch", buffer, sizeof buffer);
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    namespace rt = test::realtime;
    rt::armed = false;
    rt::allocations = 0;
    rt::locks = 0;
    for (int block = 0; block < 50; ++block) {
        plugin->sendMidi({{block % 7, {0x90, static_cast<unsigned char>(40 + block % 20), 100}},
                          {200, {0x80, static_cast<unsigned char>(40 + (block + 10) % 20), 0}}});
        if (block % 10 == 0) plugin->sendAtom(3, message);
        plugin->setPort("vcffreq", static_cast<float>(block * 2));
        rt::armed = true;
        plugin->process(outputs, 256);
        rt::armed = false;
    }
    EXPECT_EQ(rt::allocations, 0);
    EXPECT_EQ(rt::locks, 0);
}

TEST_F(Lv2Plugin, EveryPresetIsItsPatchFile) {
    auto plugin = lv2(44100);
    ASSERT_TRUE(plugin);
    const auto presets = plugin->presets();
    std::size_t patches = 0;
    for (const auto& entry : fs::directory_iterator(kPatches)) patches += entry.path().extension() == ".repatch";
    ASSERT_EQ(presets.size(), patches);
    for (const auto& preset : presets) {
        SCOPED_TRACE(preset.label);
        auto fresh = lv2(44100);
        ASSERT_TRUE(fresh->applyPreset(preset.uri));
        oneBlock(*fresh);  // ports the effect took differently would show in its values
        const std::vector<float> values = patchValues(kPatches / (preset.label + ".repatch"));
        for (const lv2::ControlPort& port : lv2::controlPorts()) {
            float value = -1;
            ASSERT_TRUE(fresh->port(port.row->id, value));
            EXPECT_EQ(value, lv2::portValue(*port.row, values[port.row->index])) << port.row->id;
        }
        const StateChunk chunk = storedChunk(*fresh);
        for (int i = 0; i < kNumParameters; ++i) EXPECT_EQ(chunk.values[i], values[i]) << "parameter " << i;
        EXPECT_EQ(chunk.chordCount, static_cast<int>(values[48]));
        for (int n = 0; n < 6; ++n) EXPECT_EQ(chunk.chordNotes[n], static_cast<int>(values[49 + n]));
        EXPECT_EQ(std::string(chunk.path).substr(std::string(chunk.path).rfind('/') + 1), preset.label + ".repatch");
    }
}

}  // namespace
}  // namespace halvorax
