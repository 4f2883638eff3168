// The whole effect through its VST 2.4 interface (processEvents + processReplacing), as a host
// drives it: 256-frame blocks at 44.1 kHz with 1, 4 and 16 keys held on a heavy patch with the
// chorus on. Reports CPU seconds per second of audio ("cpu_per_audio_s").
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "VstHost.h"

using namespace halvorax;

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;

// Every source on (pulse with PWM, saw with PWM, sub mode 2 at full level, noise), high-pass
// mode 0, resonant filter with envelope, LFO and key follow, PWM, chorus on.
const std::pair<int, float> kHeavyPatch[] = {
    {6, 1.0f},  {7, 0.6f},  {8, 0.4f},  {9, 1.0f},  {10, 1.0f}, {13, 0.0f}, {11, 0.6f}, {12, 0.4f}, {14, 0.5f},
    {15, 0.8f}, {16, 0.6f}, {18, 0.3f}, {19, 0.5f}, {1, 0.2f},  {26, 0.5f}, {21, 1.0f}, {22, 0.0f}, {28, 0.1f},
    {29, 1.0f}, {30, 0.3f}, {31, 0.7f}, {32, 0.4f}, {33, 0.6f}, {34, 0.3f}, {24, 1.0f}, {25, 0.5f},
};

// The built bundle, loaded and started as a host does; null (and the benchmark skipped)
// when it cannot be loaded.
std::unique_ptr<HostedPlugin> startHalvorax(benchmark::State& state) {
    setenv("XDG_DATA_HOME", "/tmp/halvorax-bench-data", 1);
    std::string error;
    auto plugin = HostedPlugin::load(HALVORAX_BUNDLE_PATH, error);
    if (!plugin) {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    plugin->start(kRate, kBlock);
    return plugin;
}

void reportCpuPerAudioSecond(benchmark::State& state) {
    // CPU seconds per audio second: the rate of audio seconds per CPU second, inverted.
    state.counters["cpu_per_audio_s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void effectWithHeldKeys(benchmark::State& state, float filterMode) {
    auto plugin = startHalvorax(state);
    if (!plugin) return;
    for (auto [index, value] : kHeavyPatch) plugin->setParameter(index, value);
    plugin->setParameter(59, filterMode);
    const int voices = static_cast<int>(state.range(0));
    std::vector<HostedPlugin::Midi> notes;
    for (int v = 0; v < voices; ++v) notes.push_back({0, {0x90, static_cast<unsigned char>(36 + 3 * v), 100}});
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    plugin->sendMidi(notes);
    plugin->process(outputs, kBlock);
    const std::vector<HostedPlugin::Midi> none;
    for (auto _ : state) {
        plugin->sendMidi(none);
        plugin->process(outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    reportCpuPerAudioSecond(state);
}

void BM_EffectFilterType0(benchmark::State& state) { effectWithHeldKeys(state, 0.0f); }
void BM_EffectFilterType1(benchmark::State& state) { effectWithHeldKeys(state, 1.0f); }

// An instance past the silence cut-off.
void BM_EffectSilent(benchmark::State& state) {
    auto plugin = startHalvorax(state);
    if (!plugin) return;
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < 3 * 44100 / kBlock; ++b) plugin->process(outputs, kBlock);
    for (auto _ : state) {
        plugin->process(outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    reportCpuPerAudioSecond(state);
}

}  // namespace

BENCHMARK(BM_EffectFilterType0)->Arg(1)->Arg(4)->Arg(16)->MeasureProcessCPUTime();
BENCHMARK(BM_EffectFilterType1)->Arg(1)->Arg(4)->Arg(16)->MeasureProcessCPUTime();
BENCHMARK(BM_EffectSilent)->MeasureProcessCPUTime();
