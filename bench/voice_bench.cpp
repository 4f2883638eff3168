// Cost of one voice per output sample, and of building the wavetables at start-up.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "AlphaJunoVoice.h"
#include "VoiceGroup.h"

namespace {

const int kBlock = 256;

void lightPatch(AlphaJunoVoice& v) {
    v.params[7] = 1;      // dcosaw: plain sawtooth
    v.params[13] = 1;     // vcfhpf: flat
    v.params[15] = 0.2f;  // vcfreso
    v.params[22] = 0;     // vcaenv: envelope
    v.params[29] = 1.0f;  // envl1
    v.params[31] = 0.8f;
    v.params[33] = 0.7f;
}

// Every source on, sub mode 2, bass boost, modulation everywhere.
void heavyPatch(AlphaJunoVoice& v, int filterType) {
    float* p = v.params;
    p[1] = 0.5f;  p[2] = 0.5f;  p[3] = 2;   p[4] = 0.5f; p[5] = 2;
    p[6] = 3;     p[7] = 3;     p[8] = 2;   p[9] = 3;    p[10] = 3;
    p[11] = 0.6f; p[12] = 0.5f; p[13] = 0;  p[15] = 1.0f; p[16] = 0.7f;
    p[17] = 2;    p[18] = 0.5f; p[19] = 1;  p[20] = 0.5f; p[21] = 1;
    p[22] = 2;    p[23] = 0.5f; p[26] = 0.6f; p[29] = 1; p[31] = 0.6f;
    p[33] = 0.5f; p[35] = 0.5f; p[55] = 0;  p[58] = 0.5f; p[59] = (float)filterType;
}

void runVoice(benchmark::State& state, void (*setup)(AlphaJunoVoice&, int), int filterType) {
    auto voice = std::make_unique<AlphaJunoVoice>();
    setup(*voice, filterType);
    voice->sampleRate = 44100.0;
    voice->modWheel = 0.5;
    std::vector<float> cutoff(kBlock, 0.6f), left(kBlock), right(kBlock);
    voice->cutoffInput = cutoff.data();
    float* out[2] = {left.data(), right.data()};
    voice->NoteOn(48, 100);
    for (auto _ : state) {
        voice->blockProcess(out, kBlock);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_voice_sample"] = benchmark::Counter(
        (double)state.iterations() * kBlock,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_VoiceLight(benchmark::State& state) {
    runVoice(state, [](AlphaJunoVoice& v, int) { lightPatch(v); }, 0);
}
void BM_VoiceHeavyType0(benchmark::State& state) { runVoice(state, heavyPatch, 0); }
void BM_VoiceHeavyType1(benchmark::State& state) { runVoice(state, heavyPatch, 1); }

// The same patches with the filter type set to 2 (input passed through): the
// voice's own share of the cost, without the filter.
void BM_VoiceLightNoFilter(benchmark::State& state) {
    runVoice(state, [](AlphaJunoVoice& v, int) { lightPatch(v); v.params[59] = 2; }, 0);
}
void BM_VoiceHeavyNoFilter(benchmark::State& state) { runVoice(state, heavyPatch, 2); }

// The filter alone, at full resonance, per sample.
void BM_FilterOnly(benchmark::State& state) {
    JunoVCF filter;
    filter.filterType = (int)state.range(0);
    filter.resonance = 1.0f;
    filter.cutoff = 0.3f;
    float sum = 0.0f;
    for (auto _ : state) {
        for (int n = 0; n < kBlock; ++n) sum += filter.processJuno((n & 64) ? 0.1f : -0.1f);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["ns_per_sample"] = benchmark::Counter(
        (double)state.iterations() * kBlock,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Heavy voices rendered together, one per lane, as the engine renders them:
// range(0) voices (different notes), range(1) lanes (8, 4, or 1 for voice after
// voice), range(2) the filter type. Reported per voice-sample.
void BM_VoiceGroupHeavy(benchmark::State& state) {
    const int voices = (int)state.range(0), lanes = (int)state.range(1);
    if (lanes > VoiceGroup::Lanes()) {
        state.SkipWithError("this processor has fewer lanes");
        return;
    }
    std::vector<std::unique_ptr<AlphaJunoVoice>> pool;
    std::vector<AlphaJunoVoice*> group;
    std::vector<float> cutoff(kBlock, 0.6f), left(kBlock), right(kBlock);
    for (int i = 0; i < voices; ++i) {
        pool.push_back(std::make_unique<AlphaJunoVoice>());
        AlphaJunoVoice& v = *pool.back();
        heavyPatch(v, (int)state.range(2));
        v.sampleRate = 44100.0;
        v.modWheel = 0.5;
        v.cutoffInput = cutoff.data();
        v.NoteOn(36 + 5 * i, 100);
        group.push_back(&v);
    }
    float* out[2] = {left.data(), right.data()};
    auto scratch = std::make_unique<VoiceGroup::Scratch>();
    for (auto _ : state) {
        for (AlphaJunoVoice* v : group) v->beginBlock();
        if (lanes == 8) VoiceGroup::RenderLanes8(group.data(), voices, out, kBlock, *scratch);
        else if (lanes == 4) VoiceGroup::RenderLanes4(group.data(), voices, out, kBlock, *scratch);
        else for (AlphaJunoVoice* v : group) v->blockProcess(out, kBlock);
        benchmark::DoNotOptimize(left.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_voice_sample"] = benchmark::Counter(
        (double)state.iterations() * kBlock * voices,
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

BENCHMARK(BM_VoiceLight)->Repetitions(7)->ComputeStatistics("min", fastest);
BENCHMARK(BM_VoiceHeavyType0)->Repetitions(7)->ComputeStatistics("min", fastest);
BENCHMARK(BM_VoiceHeavyType1)->Repetitions(7)->ComputeStatistics("min", fastest);
BENCHMARK(BM_VoiceLightNoFilter)->Repetitions(7)->ComputeStatistics("min", fastest);
BENCHMARK(BM_VoiceHeavyNoFilter)->Repetitions(7)->ComputeStatistics("min", fastest);
BENCHMARK(BM_FilterOnly)->Arg(0)->Arg(1)->Repetitions(7)->ComputeStatistics("min", fastest);
BENCHMARK(BM_VoiceGroupHeavy)
    ->ArgsProduct({{8}, {8, 1}, {0, 1}})
    ->ArgsProduct({{4, 2}, {8, 4, 1}, {0}})
    ->ArgNames({"voices", "lanes", "filter"})
    ->Repetitions(5)
    ->ComputeStatistics("min", fastest);
BENCHMARK(BM_WavetableBuild)->Unit(benchmark::kMillisecond)->Iterations(5);
