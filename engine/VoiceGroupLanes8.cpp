// The eight-lane group, compiled for AVX-512 whatever the rest of the build targets;
// VoiceGroup::Lanes runs it only on processors that have them.
#pragma GCC target("avx512f,avx512dq,avx512vl,avx2,fma")
#include "VoiceGroup.h"
#include "VoiceLanes.h"

bool VoiceGroup::RenderLanes8(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count) {
    if (voiceCount < 1 || voiceCount > 8 || !VoiceLanes<8>::Compatible(voices, voiceCount)) return false;
    VoiceLanes<8>::Render(voices, voiceCount, outputs, count);
    return true;
}
