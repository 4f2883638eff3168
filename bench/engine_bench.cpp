// Engine rendering cost: 256-frame blocks at 44.1 kHz with 1, 4 and 16 voices held
// on a heavy patch (every source on, bass boost, saturating filter, PWM, LFO, chorus),
// and the chorus alone. The "cpu_per_audio_s" counter is CPU seconds spent per second
// of audio rendered.
#include "AlphaChorus.h"
#include "AlphaJuno.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace halvorax::synth;

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;

void heavyPatch(AlphaJuno& e) {
    e.SetSampleRate(kRate);
    const float patch[][2] = {
        {0, 1},     {1, 0.3f},  {2, 0.4f},  {3, 2},     {5, 2},     {6, 3},     {7, 3},     {8, 3},     {9, 3},
        {10, 1},    {11, 0.6f}, {12, 0.5f}, {13, 0},    {14, 0.6f}, {15, 0.9f}, {16, 0.5f}, {17, 2},    {18, 0.3f},
        {19, 0.5f}, {21, 0.5f}, {22, 2},    {24, 1},    {25, 0.4f}, {26, 0.5f}, {27, 0.2f}, {28, 0.1f}, {29, 1},
        {30, 0.3f}, {31, 0.7f}, {32, 0.4f}, {33, 0.6f}, {34, 0.5f}, {35, 0.3f}, {58, 0.2f}, {59, 0},
    };
    for (const auto& p : patch) e.SetParameter(static_cast<int>(p[0]), p[1]);
    e.SetPolyMode(1);
    e.SetModWheel(0.3);
}

void BM_EngineHeldVoices(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    auto engine = std::make_unique<AlphaJuno>();
    engine->Reset();
    heavyPatch(*engine);
    for (int i = 0; i < voices; ++i) engine->NoteOn(48 + 3 * i, 100);
    std::vector<float> left(kBlock), right(kBlock);
    float* out[2] = {left.data(), right.data()};
    for (int i = 0; i < 200; ++i) engine->blockProcess(out, kBlock);  // past the attack

    for (auto _ : state) {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        engine->blockProcess(out, kBlock);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    const double audioSeconds = static_cast<double>(state.iterations()) * kBlock / kRate;
    state.counters["cpu_per_audio_s"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * kBlock);
}

// The chorus over 256-frame blocks of a steady stereo signal, per sample.
void BM_Chorus(benchmark::State& state) {
    auto chorus = std::make_unique<AlphaChorus>();
    chorus->rate = 0.8;
    std::vector<float> left(kBlock), right(kBlock);
    float* io[2] = {left.data(), right.data()};
    for (int n = 0; n < kBlock; ++n) left[n] = right[n] = static_cast<float>(n % 100) / 100.0f - 0.5f;
    for (auto _ : state) {
        chorus->blockProcess(io, io, kBlock);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_Chorus);
BENCHMARK(BM_EngineHeldVoices)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMicrosecond);
