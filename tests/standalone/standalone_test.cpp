// The standalone instrument against a private JACK server: what it plays, what it remembers
// and how it ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../plugin/ProbedEffect.h"
#include "../support/RealtimeCounters.h"
#include "HalvoVST2.h"
#include "JackHost.h"
#include "JackTestSupport.h"

using namespace halvorax;
using namespace halvorax::test;
namespace realtime = halvorax::test::realtime;

namespace {

constexpr int kRate = 44100, kPeriod = 256;
constexpr const char* kInstrument = "halvotest-synth";

// The effect driven as the standalone drives it, block by block with the same event offsets:
// `warmupBlocks` empty blocks of the server's starting period, then the messages in blocks of
// `period` frames.
std::array<std::vector<float>, 2> renderDirectly(const std::vector<TimedMessage>& messages, long frames,
                                                 int warmupBlocks, int period) {
    auto* effect = new ProbedEffect;  // deleted by effClose
    AEffect* a = effect->getAeffect();
    auto dispatch = [&](VstInt32 opcode, VstIntPtr value = 0, float opt = 0.0f) {
        return a->dispatcher(a, opcode, 0, value, nullptr, opt);
    };
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, kRate);
    dispatch(effMainsChanged, 1);
    dispatch(effSetBlockSize, kPeriod);
    dispatch(effMainsChanged, 1);
    for (int b = 0; b < warmupBlocks; ++b) effect->block(kPeriod);
    dispatch(effSetBlockSize, period);
    dispatch(effMainsChanged, 1);
    std::array<std::vector<float>, 2> out;
    for (long start = 0; start < frames; start += period) {
        std::vector<ProbedEffect::Midi> midi;
        for (const TimedMessage& m : messages)
            if (m.frame >= start && m.frame < start + period)
                midi.push_back({static_cast<int>(m.frame - start), m.bytes[0], m.bytes[1], m.bytes[2]});
        effect->block(period, midi);
        out[0].insert(out[0].end(), effect->left.begin(), effect->left.end());
        out[1].insert(out[1].end(), effect->right.begin(), effect->right.end());
    }
    dispatch(effClose);
    return out;
}

long firstSound(const std::vector<float>& samples) {
    const auto it = std::find_if(samples.begin(), samples.end(), [](float s) { return s != 0.0f; });
    return it == samples.end() ? -1 : static_cast<long>(it - samples.begin());
}

// Empty when `heard`, from its first sound on, is `expected` from its own, sample for sample.
std::string compare(const std::vector<float>& heard, const std::vector<float>& expected) {
    const long heardStart = firstSound(heard), expectedStart = firstSound(expected);
    if (heardStart < 0 || expectedStart < 0) return "silence; ";
    const long length = std::min(heard.size() - heardStart, expected.size() - expectedStart);
    if (length < kPeriod * 100) return "the first note came too late; ";
    for (long i = 0; i < length; ++i)
        if (heard[heardStart + i] != expected[expectedStart + i])
            return "differs at " + std::to_string(i) + ": " + std::to_string(heard[heardStart + i]) + " for " +
                   std::to_string(expected[expectedStart + i]) + "; ";
    return "";
}

// Members end in reverse order: the instrument, then the server, then the folders.
class StandaloneTest : public ::testing::Test {
protected:
    // Starts the private server, or skips the test when jackd cannot run here at all.
    bool startServer() {
        server = std::make_unique<JackServer>(folders.directory.string());
        return server->ready();
    }

    void startInstrument(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv = {HALVORAX_STANDALONE_PATH, "--no-gui", "--name", kInstrument};
        argv.insert(argv.end(), extra.begin(), extra.end());
        instrument = std::make_unique<ChildProcess>(argv, log());
    }

    // Ends the instrument with SIGTERM and returns its exit status.
    int stopInstrument() {
        instrument->signal(SIGTERM);
        return instrument->waitExit(20.0);
    }

    // Runs the instrument until its ports are up, then ends it.
    int runOnce(std::vector<std::string> extra = {}) {
        startInstrument(std::move(extra));
        PlayAndRecord client;
        std::string error;
        EXPECT_TRUE(client.open(error)) << error;
        EXPECT_TRUE(client.connect(kInstrument, 30.0)) << readText(log());
        return stopInstrument();
    }

    std::string log() const { return (folders.directory / "halvorax.log").string(); }

    // The program and the effect made here share their folders, sounds and bitmaps.
    PrivateFolders folders;
    const std::string& statePath = folders.statePath;
    std::unique_ptr<JackServer> server;
    std::unique_ptr<ChildProcess> instrument;
};

#define START_SERVER_OR_SKIP() \
    if (!startServer()) GTEST_SKIP() << "no JACK server can run here: " << server->reason()

// The server's period while playing: as started, or changed once the instrument runs.
class StandalonePlayTest : public StandaloneTest, public ::testing::WithParamInterface<int> {};

TEST_P(StandalonePlayTest, PlaysWhatTheEffectRendersAndEndsCleanlyOnSigterm) {
    START_SERVER_OR_SKIP();
    const int period = GetParam();
    // Notes, a bend and a release, at offsets inside and across periods; the last note is
    // still held when the instrument is told to stop.
    const std::vector<TimedMessage> song = {
        {100, {0x90, 60, 100}},        {kPeriod * 20 + 37, {0x90, 64, 80}}, {kPeriod * 40 + 255, {0xe0, 0, 80}},
        {kPeriod * 60, {0x80, 60, 0}}, {kPeriod * 60 + 1, {0x90, 67, 127}}, {kPeriod * 90 + 128, {0x80, 64, 0}},
    };
    const long frames = kPeriod * 140;
    const int warmupBlocks = 400;  // past the silence cut-off, where the sound settles
    std::string difference;
    for (int attempt = 0; attempt < 3; ++attempt) {
        startInstrument();
        PlayAndRecord client;
        std::string error;
        ASSERT_TRUE(client.open(error)) << error;
        ASSERT_TRUE(client.connect(kInstrument, 30.0)) << readText(log());
        ASSERT_TRUE(client.waitCycles(warmupBlocks, 120.0));
        if (period != kPeriod) {
            ASSERT_TRUE(client.setPeriod(period));
        }
        ASSERT_TRUE(client.play(song, frames, 60.0));
        EXPECT_EQ(stopInstrument(), 0) << readText(log());
        EXPECT_EQ(std::filesystem::file_size(statePath), sizeof(StateChunk));
        const auto expected = renderDirectly(song, frames, warmupBlocks, period);
        difference = compare(client.recorded[0], expected[0]) + compare(client.recorded[1], expected[1]);
        // Cycles missed on an overloaded machine change what is heard: only then play again.
        if (difference.empty() || client.xruns() == 0) break;
        difference += " (after " + std::to_string(client.xruns()) + " xruns)";
    }
    EXPECT_EQ(difference, "");
}

INSTANTIATE_TEST_SUITE_P(Periods, StandalonePlayTest, ::testing::Values(kPeriod, 2 * kPeriod));

// The effect asks for the time in every block, on the thread JACK runs the process callback
// on: that thread arms the counters.
VstIntPtr armingHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterGetTime) realtime::armed = true;
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST_F(StandaloneTest, TheProcessCallbackNeitherAllocatesNorLocks) {
    START_SERVER_OR_SKIP();
    auto* effect = new HalvoVST2(armingHost);
    AlsaMidiRing sequencer;
    auto host = std::make_unique<JackHost>(effect->getAeffect(), sequencer);
    std::string error;
    bool noServer = false;
    ASSERT_TRUE(host->open("halvotest-inproc", error, noServer)) << error;
    ASSERT_TRUE(host->activate(error)) << error;
    PlayAndRecord client;
    ASSERT_TRUE(client.open(error)) << error;
    ASSERT_TRUE(client.connect("halvotest-inproc", 30.0));
    ASSERT_TRUE(client.waitCycles(4, 30.0));
    realtime::allocations = 0;
    realtime::locks = 0;
    for (unsigned char note : {48, 52, 55}) sequencer.push(MidiMessage{{0x90, note, 90}, 3});
    // An IPR from the hardware's panel: cutoff (position 16) to 100.
    const TimedMessage cutoff{kPeriod * 2, {0xf0, 0x41, 0x36, 0x00, 0x23, 0x20, 0x01, 16, 100, 0xf7}, 10};
    const std::vector<TimedMessage> song = {
        {10, {0x90, 60, 100}}, cutoff, {kPeriod * 3 + 7, {0xb0, 1, 64}}, {kPeriod * 5, {0x80, 60, 0}}};
    ASSERT_TRUE(client.play(song, kPeriod * 10, 60.0));
    host.reset();
    EXPECT_EQ(realtime::allocations.load(), 0);
    EXPECT_EQ(realtime::locks.load(), 0);
    EXPECT_GT(firstSound(client.recorded[0]), -1);
    EXPECT_EQ(effect->getParameter(14), 100.0f / 127.0f);
    effect->getAeffect()->dispatcher(effect->getAeffect(), effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(StandaloneTest, RemembersItsSoundAndIgnoresADamagedStateFile) {
    START_SERVER_OR_SKIP();
    // A patch loaded at start is saved at once, while the instrument plays.
    startInstrument({"--patch", HALVORAX_SOURCE_DIR "/resources/patches/Glass Bells.repatch"});
    PlayAndRecord client;
    std::string error;
    ASSERT_TRUE(client.open(error)) << error;
    ASSERT_TRUE(client.connect(kInstrument, 30.0)) << readText(log());
    EXPECT_TRUE(waitFor(30.0, [&] { return readText(statePath).find("Glass Bells.repatch") != std::string::npos; }));
    ASSERT_EQ(stopInstrument(), 0) << readText(log());
    const std::string saved = readText(statePath);
    ASSERT_EQ(saved.size(), sizeof(StateChunk));

    // Started again without a patch, it comes back with the same state.
    EXPECT_EQ(runOnce(), 0) << readText(log());
    EXPECT_EQ(readText(statePath), saved);

    // A damaged file is named in one line and replaced by the default sound's state.
    writeText(statePath, "not a state");
    EXPECT_EQ(runOnce(), 0) << readText(log());
    const std::string output = readText(log());
    const auto named = output.find("damaged state file " + statePath);
    EXPECT_NE(named, std::string::npos) << output;
    EXPECT_EQ(output.find("state", output.find('\n', named)), std::string::npos) << "said once: " << output;
    EXPECT_EQ(readText(statePath).size(), sizeof(StateChunk));
    EXPECT_EQ(readText(statePath).find("Glass Bells"), std::string::npos);
}

TEST_F(StandaloneTest, ConnectsToThePlaybackPortsThenSavesAndQuitsWhenTheServerGoesAway) {
    START_SERVER_OR_SKIP();
    startInstrument({"--connect"});
    PlayAndRecord client;
    std::string error;
    ASSERT_TRUE(client.open(error)) << error;
    ASSERT_TRUE(client.connect(kInstrument, 30.0)) << readText(log());
    const std::string name = kInstrument;
    EXPECT_TRUE(client.waitConnected(name + ":out_1", "system:playback_1", 30.0));
    EXPECT_TRUE(client.waitConnected(name + ":out_2", "system:playback_2", 30.0));
    server->stop();
    EXPECT_EQ(instrument->waitExit(20.0), 1);
    EXPECT_NE(readText(log()).find("the JACK server has gone away"), std::string::npos) << readText(log());
    EXPECT_EQ(readText(statePath).size(), sizeof(StateChunk));
}

// Without a server, or with a bad command line, the program ends in one line of its own with a
// non-zero status.
struct FailedStart {
    std::vector<std::string> arguments;
    int status;
    std::string says;
};

class StandaloneEndTest : public StandaloneTest, public ::testing::WithParamInterface<FailedStart> {};

TEST_P(StandaloneEndTest, EndsInOneLine) {
    setenv("JACK_DEFAULT_SERVER", ("halvotest-none-" + std::to_string(getpid())).c_str(), 1);
    startInstrument(GetParam().arguments);
    EXPECT_EQ(instrument->waitExit(20.0), GetParam().status);
    // The effect's own diagnostic (a sysex file it cannot read) may come first.
    const std::string output = readText(log());
    const auto line = output.find("halvorax: " + GetParam().says);
    EXPECT_NE(line, std::string::npos) << output;
    EXPECT_EQ(output.find('\n', line), output.size() - 1) << "the last line: " << output;
    EXPECT_EQ(output.find("halvorax: "), line) << "the only line of its own: " << output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StandaloneEndTest,
    ::testing::Values(FailedStart{{}, 1, "no JACK server is running; start one (e.g. \"jackd -d alsa\""},
                      FailedStart{{"--bogus"}, 2, "unknown option --bogus"},
                      FailedStart{{"--patch"}, 2, "--patch needs a value"},
                      FailedStart{{"stray"}, 2, "unexpected argument \"stray\""},
                      FailedStart{{"--patch", "/nonexistent.repatch"}, 1, "cannot load the patch"},
                      FailedStart{{"--sysex", "/nonexistent.syx"}, 1, "cannot import the sysex dump"}));
}  // namespace
