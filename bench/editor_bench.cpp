// The editor's costs on the host's user-interface thread, off-screen (no X server): one
// idle tick with nothing changed, one with a parameter moved by host automation from the
// audio side, and a whole open and close of the window.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "HalvoGui.h"
#include "HalvoVST2.h"

using namespace halvorax;

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::unique_ptr<HalvoVST2> makeEffect() {
    setenv("XDG_DATA_HOME", "/tmp/halvorax-bench-data", 1);
    setenv("HALVORAX_RESOURCES", HALVORAX_BUNDLE_PATH "/Contents/Resources", 1);
    return std::make_unique<HalvoVST2>(quietHost);
}

VstIntPtr dispatch(HalvoVST2& effect, VstInt32 opcode) {
    AEffect* record = effect.getAeffect();
    return record->dispatcher(record, opcode, 0, 0, nullptr, 0.0f);
}

void BM_IdleTickQuiet(benchmark::State& state) {
    auto effect = makeEffect();
    dispatch(*effect, effEditOpen);
    for (int i = 0; i < 100; ++i) dispatch(*effect, effEditIdle);  // past the banner
    for (auto _ : state) dispatch(*effect, effEditIdle);
    dispatch(*effect, effEditClose);
}
BENCHMARK(BM_IdleTickQuiet);

void BM_IdleTickWithAutomation(benchmark::State& state) {
    auto effect = makeEffect();
    dispatch(*effect, effEditOpen);
    for (int i = 0; i < 100; ++i) dispatch(*effect, effEditIdle);
    auto* gui = static_cast<HalvoGui*>(effect->getEditor());
    float value = 0.0f;
    for (auto _ : state) {
        value = value > 0.9f ? 0.0f : value + 0.01f;
        state.PauseTiming();
        // As from the audio thread: recorded for the next tick.
        std::thread([&] { effect->setParameter(14, value); }).join();
        state.ResumeTiming();
        dispatch(*effect, effEditIdle);
        benchmark::DoNotOptimize(gui->getControl(14)->getValue());
    }
    dispatch(*effect, effEditClose);
}
BENCHMARK(BM_IdleTickWithAutomation);

void BM_OpenAndClose(benchmark::State& state) {
    auto effect = makeEffect();
    for (auto _ : state) {
        dispatch(*effect, effEditOpen);
        dispatch(*effect, effEditIdle);  // the first tick draws the whole panel
        dispatch(*effect, effEditClose);
    }
}
BENCHMARK(BM_OpenAndClose)->Unit(benchmark::kMillisecond);

}  // namespace
