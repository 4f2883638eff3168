// Cost of one voice per output sample, of voices in lanes, and of building the wavetables.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "AlphaJunoVoice.h"
#include "VoiceGroup.h"

using namespace halvorax::synth;

namespace {

const int kBlock = 256;

void lightPatch(VoiceInputs& in, int) {
    in.SetParameter(7, 1);      // dcosaw: plain sawtooth
    in.SetParameter(13, 1);     // vcfhpf: flat
    in.SetParameter(15, 0.2f);  // vcfreso
    in.SetParameter(22, 0);     // vcaenv: envelope
    in.SetParameter(29, 1.0f);  // envl1
    in.SetParameter(31, 0.8f);
    in.SetParameter(33, 0.7f);
}

// Every source on, sub mode 2, bass boost, modulation everywhere.
void heavyPatch(VoiceInputs& in, int filterType) {
    const float patch[][2] = {
        {1, 0.5f},  {2, 0.5f},  {3, 2},     {4, 0.5f},  {5, 2},     {6, 3},     {7, 3},     {8, 2},
        {9, 3},     {10, 3},    {11, 0.6f}, {12, 0.5f}, {13, 0},    {15, 1.0f}, {16, 0.7f}, {17, 2},
        {18, 0.5f}, {19, 1},    {20, 0.5f}, {21, 1},    {22, 2},    {23, 0.5f}, {26, 0.6f}, {29, 1},
        {31, 0.6f}, {33, 0.5f}, {35, 0.5f}, {55, 0},    {58, 0.5f},
    };
    for (const auto& p : patch) in.SetParameter(static_cast<int>(p[0]), p[1]);
    in.SetParameter(59, static_cast<float>(filterType));
}

// range(0) voices (different notes) in groups of range(1) lanes (8, 4, or 1 for voice
// after voice), with the patch given and filter type range(2). Reported per voice-sample.
void renderVoices(benchmark::State& state, void (*patch)(VoiceInputs&, int)) {
    const int voices = (int)state.range(0), lanes = (int)state.range(1);
    if (lanes > VoiceGroup::Lanes()) {
        state.SkipWithError("this processor has fewer lanes");
        return;
    }
    VoiceGroup::LimitLanes(lanes);
    VoiceInputs inputs;
    patch(inputs, (int)state.range(2));
    inputs.modWheel = 0.5;
    std::vector<float> cutoff(kBlock, 0.6f), left(kBlock), right(kBlock);
    inputs.cutoffInput = cutoff.data();
    std::vector<AlphaJunoVoice> pool(voices);
    std::vector<AlphaJunoVoice*> group;
    for (int i = 0; i < voices; ++i) {
        pool[i].NoteOn(voices == 1 ? 48 : 36 + 5 * i, 100, inputs);
        group.push_back(&pool[i]);
    }
    float* out[2] = {left.data(), right.data()};
    auto scratch = std::make_unique<VoiceGroup::Scratch>();
    for (auto _ : state) {
        VoiceGroup::Render(group.data(), voices, inputs, out, kBlock, *scratch);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    VoiceGroup::LimitLanes(8);
    state.counters["ns_per_voice_sample"] = benchmark::Counter(
        (double)state.iterations() * kBlock * voices, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One voice alone: filter type 0, 1, or 2 (the input passed: the voice's cost without the filter).
void BM_VoiceLight(benchmark::State& state) { renderVoices(state, lightPatch); }
void BM_VoiceHeavy(benchmark::State& state) { renderVoices(state, heavyPatch); }
// Heavy voices rendered together, one per lane, as the engine renders them.
void BM_VoiceGroupHeavy(benchmark::State& state) { renderVoices(state, heavyPatch); }

// The filter alone, at full resonance, per sample.
void BM_FilterOnly(benchmark::State& state) {
    JunoVCF<Lanes<1>> filter;
    const int type = (int)state.range(0);
    double in[kBlock], cutoff[kBlock], out[kBlock];
    for (int n = 0; n < kBlock; ++n) {
        in[n] = (n & 64) ? 0.1 : -0.1;
        cutoff[n] = 0.3f;
    }
    for (auto _ : state) {
        filter.Process(type, in, cutoff, 1.0, out, kBlock);
        benchmark::DoNotOptimize(out[kBlock - 1]);
    }
    state.counters["ns_per_sample"] = benchmark::Counter((double)state.iterations() * kBlock,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WavetableBuild(benchmark::State& state) {
    for (auto _ : state) {
        auto bank = std::make_unique<WavetableBank>();
        benchmark::DoNotOptimize(bank.get());
    }
}

// The machine is shared, so the fastest repetition is the best estimate of the cost.
double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

BENCHMARK(BM_VoiceLight)
    ->Args({1, 1, 0})
    ->Args({1, 1, 2})
    ->ArgNames({"voices", "lanes", "filter"})
    ->Repetitions(7)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_VoiceHeavy)
    ->Args({1, 1, 0})
    ->Args({1, 1, 1})
    ->Args({1, 1, 2})
    ->ArgNames({"voices", "lanes", "filter"})
    ->Repetitions(7)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_FilterOnly)->Arg(0)->Arg(1)->Repetitions(7)->ComputeStatistics("min", fastest);
BENCHMARK(BM_VoiceGroupHeavy)
    ->ArgsProduct({{8}, {8, 1}, {0, 1}})
    ->ArgsProduct({{4, 2}, {8, 4, 1}, {0}})
    ->ArgNames({"voices", "lanes", "filter"})
    ->Repetitions(5)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_WavetableBuild)->Unit(benchmark::kMillisecond)->Iterations(5);
