#include "VoiceGroup.h"

int VoiceGroup::Lanes() {
    static const int lanes = [] {
        if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return 1;
        const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                            __builtin_cpu_supports("avx512vl");
        return avx512 ? 8 : 4;
    }();
    return lanes;
}

void VoiceGroup::Render(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count) {
    if (count < 1 || voiceCount < 1) return;
    const int lanes = Lanes();
    if (voiceCount > 1 && voiceCount <= lanes) {
        for (int i = 0; i < voiceCount; ++i) voices[i]->beginBlock();
        const bool done = lanes == 8 ? RenderLanes8(voices, voiceCount, outputs, count)
                                     : RenderLanes4(voices, voiceCount, outputs, count);
        if (done) return;
    }
    for (int i = 0; i < voiceCount; ++i) voices[i]->blockProcess(outputs, count);
}
