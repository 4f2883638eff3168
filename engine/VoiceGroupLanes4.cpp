// The four-lane group, compiled for AVX2 and FMA whatever the rest of the build targets;
// VoiceGroup::Lanes runs it only on processors that have them.
#pragma GCC target("avx2,fma")
#include "VoiceGroup.h"
#include "VoiceLanes.h"

bool VoiceGroup::RenderLanes4(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count) {
    if (voiceCount < 1 || voiceCount > 4 || !VoiceLanes<4>::Compatible(voices, voiceCount)) return false;
    VoiceLanes<4>::Render(voices, voiceCount, outputs, count);
    return true;
}
