#include "VoiceGroup.h"

#include "VoiceGroupLanes.h"

#include <atomic>
#include <new>

namespace halvorax::synth {

namespace {
std::atomic<int> laneLimit{8};

int detectedLanes() {
    __builtin_cpu_init();  // harmless when already done; needed if called from a static constructor
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return 1;
    const bool avx512 =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
    return avx512 ? 8 : 4;
}

// One voice renders as a group of one: its state and block values go into the scratch
// beside the kernel, so the addresses the loops store to and load from keep the same
// distances from each other, whatever the stack holds when the host calls.
void renderAlone(AlphaJunoVoice* const* voice, const VoiceInputs& inputs, const VoiceModes& modes, float** outputs,
                 int count, VoiceGroup::Scratch& scratch) {
    RenderLanes<1>(voice, 1, inputs, modes, outputs, count, scratch);
}
}  // namespace

int VoiceGroup::Lanes() {
    static const int detected = detectedLanes();
    const int limit = laneLimit.load(std::memory_order_relaxed);
    return detected < limit ? detected : limit;
}

void VoiceGroup::LimitLanes(int lanes) { laneLimit.store(lanes >= 8 ? 8 : (lanes >= 4 ? 4 : 1)); }

void VoiceGroup::Render(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs, float** outputs,
                        int count, Scratch& scratch) {
    if (count < 1) return;
    const VoiceModes modes = AlphaJunoVoice::Modes(inputs);
    const int lanes = Lanes();
    for (int first = 0; first < voiceCount;) {
        // Eight lanes cost little more than four: a group takes up to eight voices
        // where it can, a remainder of two to four takes four lanes, one voice renders alone.
        const int left = voiceCount - first;
        const int size = left < lanes ? left : lanes;
        renderGroup(voices + first, size, inputs, modes, outputs, count, scratch);
        for (int i = first; i < first + size; ++i)
            if (voices[i]->state.silenced) voices[i]->sounding = false;
        first += size;
    }
}

void VoiceGroup::renderGroup(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs,
                             const VoiceModes& modes, float** outputs, int count, Scratch& scratch) {
    if (voiceCount > 4)
        renderLanes8(voices, voiceCount, inputs, modes, outputs, count, scratch);
    else if (voiceCount > 1)
        renderLanes4(voices, voiceCount, inputs, modes, outputs, count, scratch);
    else
        renderAlone(voices, inputs, modes, outputs, count, scratch);
}

}  // namespace halvorax::synth
