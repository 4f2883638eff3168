#include "VoiceGroup.h"

#include <atomic>

namespace {
std::atomic<int> laneLimit{8};

int detectedLanes() {
    __builtin_cpu_init();  // harmless when already done; needed if called from a static constructor
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return 1;
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                        __builtin_cpu_supports("avx512vl");
    return avx512 ? 8 : 4;
}
}  // namespace

int VoiceGroup::Lanes() {
    static const int detected = detectedLanes();
    const int limit = laneLimit.load(std::memory_order_relaxed);
    return detected < limit ? detected : limit;
}

void VoiceGroup::LimitLanes(int lanes) { laneLimit.store(lanes >= 8 ? 8 : (lanes >= 4 ? 4 : 1)); }

void VoiceGroup::Render(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                        Scratch& scratch) {
    if (count < 1) return;
    const int lanes = Lanes();
    for (int first = 0; first < voiceCount;) {
        // Eight lanes cost little more than four: a group takes up to eight voices
        // where it can, a remainder of two to four takes four lanes, one voice renders alone.
        const int left = voiceCount - first;
        const int size = left < lanes ? left : lanes;
        renderGroup(voices + first, size, outputs, count, scratch);
        first += size;
    }
}

void VoiceGroup::renderGroup(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                             Scratch& scratch) {
    if (voiceCount > 1) {
        for (int i = 0; i < voiceCount; ++i) voices[i]->beginBlock();
        const bool done = voiceCount <= 4 ? RenderLanes4(voices, voiceCount, outputs, count, scratch)
                                          : RenderLanes8(voices, voiceCount, outputs, count, scratch);
        if (done) return;
    }
    for (int i = 0; i < voiceCount; ++i) voices[i]->blockProcess(outputs, count);
}
