// The LV2 path against the VST 2.4 path: the same effect in its two bundles, hosted through
// lilv and through the VST 2.4 host, 256-frame blocks at 44.1 kHz with 1 and 16 keys held on a
// heavy patch. Run with --benchmark_enable_random_interleaving=true --benchmark_repetitions=N
// so that the two paths take turns. Reports CPU seconds per second of audio.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Lv2Host.h"
#include "Lv2Ports.h"
#include "VstHost.h"

using namespace halvorax;

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;

// Every source on, a resonant filter with envelope, LFO and key follow, PWM, chorus on; given
// as panel steps, so both paths get exactly the same values.
const std::pair<const char*, int> kHeavyPatch[] = {
    {"dcopulse", 3}, {"dcosaw", 3},        {"dcosub", 2},        {"dcosublevel", 3}, {"dconoiselevel", 3},
    {"dcopwm", 76},  {"dcopwmrate", 50},   {"vcffreq", 63},      {"vcfreso", 101},   {"vcfenv", 76},
    {"vcflfo", 38},  {"vcfkeyfollow", 63}, {"dcolfo", 25},       {"lforate", 63},    {"vcalevel", 127},
    {"envt1", 12},   {"envl1", 127},       {"envt2", 38},        {"envl2", 88},      {"envt3", 50},
    {"envl3", 76},   {"envt4", 38},        {"chorusenabled", 1}, {"chorusrate", 63},
};

std::unique_ptr<RenderTarget> open(bool lv2, benchmark::State& state) {
    setenv("XDG_DATA_HOME", "/tmp/halvorax-bench-data", 1);
    std::string error;
    std::unique_ptr<RenderTarget> plugin;
    if (lv2) {
        plugin = Lv2Instrument::load(HALVORAX_LV2_BUNDLE_PATH, kRate, error);
    } else if (auto vst = HostedPlugin::load(HALVORAX_BUNDLE_PATH, error)) {
        vst->start(kRate, kBlock);
        plugin = std::move(vst);
    }
    if (!plugin) state.SkipWithError(error.c_str());
    return plugin;
}

void heldKeys(benchmark::State& state, bool lv2) {
    auto plugin = open(lv2, state);
    if (!plugin) return;
    for (auto [symbol, step] : kHeavyPatch) {
        for (const lv2::ControlPort& port : lv2::controlPorts()) {
            float normalized;
            if (symbol == std::string(port.row->id) && lv2::normalizedValue(*port.row, step, normalized))
                plugin->setParameter(port.row->index, normalized);
        }
    }
    std::vector<RenderTarget::Midi> notes;
    for (int v = 0; v < state.range(0); ++v) notes.push_back({0, {0x90, static_cast<unsigned char>(36 + 3 * v), 100}});
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    plugin->sendMidi(notes);
    plugin->process(outputs, kBlock);
    const std::vector<RenderTarget::Midi> none;
    for (auto _ : state) {
        plugin->sendMidi(none);
        plugin->process(outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    state.counters["cpu_per_audio_s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Vst2Path(benchmark::State& state) { heldKeys(state, false); }
void BM_Lv2Path(benchmark::State& state) { heldKeys(state, true); }

}  // namespace

BENCHMARK(BM_Vst2Path)->Arg(1)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lv2Path)->Arg(1)->Arg(16)->Unit(benchmark::kMicrosecond);
