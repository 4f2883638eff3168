// The cost of the Audio Unit wrapper: the same instrument and keys rendered through
// MusicDeviceMIDIEvent + AudioUnitRender (the bundle opened as an Audio Unit) and through its
// VST 2.4 interface directly, 256-frame slices at 44.1 kHz with 1, 4 and 16 keys held on the
// default sound. Reports CPU seconds per second of audio ("cpu_per_audio_s").
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "AuHost.h"
#include "VstHost.h"

using namespace halvorax;

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;

void isolate() {
    setenv("XDG_DATA_HOME", "/tmp/halvorax-bench-data", 1);
    setenv("HOME", "/tmp/halvorax-bench-data", 1);
}

void reportRate(benchmark::State& state) {
    state.counters["cpu_per_audio_s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_AudioUnitRender(benchmark::State& state) {
    isolate();
    std::string error;
    std::unique_ptr<AudioUnitHost> host(AudioUnitHost::open(HALVORAX_BUNDLE_PATH, error));
    if (!host || host->start(AuRenderSettings{kRate, kBlock, 0.0}) != noErr) {
        state.SkipWithError(error.empty() ? "cannot start the unit" : error.c_str());
        return;
    }
    for (int v = 0; v < state.range(0); ++v) MusicDeviceMIDIEvent(host->unit(), 0x90, UInt32(36 + 3 * v), 100, 0);
    std::vector<float> left(kBlock), right(kBlock);
    struct {
        UInt32 count;
        AudioBuffer buffers[2];
    } list = {2, {{1, kBlock * 4, left.data()}, {1, kBlock * 4, right.data()}}};
    AudioTimeStamp stamp{};
    stamp.mFlags = kAudioTimeStampSampleTimeValid;
    for (auto _ : state) {
        AudioUnitRenderActionFlags flags = 0;
        AudioUnitRender(host->unit(), &flags, &stamp, 0, kBlock, reinterpret_cast<AudioBufferList*>(&list));
        stamp.mSampleTime += kBlock;
        benchmark::DoNotOptimize(left.data());
    }
    reportRate(state);
}

void BM_VstProcess(benchmark::State& state) {
    isolate();
    std::string error;
    auto plugin = HostedPlugin::load(HALVORAX_BUNDLE_PATH, error);
    if (!plugin) {
        state.SkipWithError(error.c_str());
        return;
    }
    plugin->start(kRate, kBlock);
    std::vector<HostedPlugin::Midi> notes;
    for (int v = 0; v < state.range(0); ++v) notes.push_back({0, {0x90, static_cast<unsigned char>(36 + 3 * v), 100}});
    plugin->sendMidi(notes);
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    for (auto _ : state) {
        plugin->process(outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    reportRate(state);
}

}  // namespace

BENCHMARK(BM_AudioUnitRender)->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(BM_VstProcess)->Arg(1)->Arg(4)->Arg(16);
