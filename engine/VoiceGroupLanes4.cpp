// The four-lane group, compiled for AVX2 and FMA whatever the rest of the build targets
// (engine/CMakeLists.txt); VoiceGroup::Lanes runs it only on processors that have them.
#include "VoiceGroup.h"
#include "VoiceLanes.h"

static_assert(sizeof(VoiceLanes<4>) <= VoiceGroup::Scratch::kBytes, "scratch too small");

bool VoiceGroup::RenderLanes4(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                              Scratch& scratch) {
    if (voiceCount < 1 || voiceCount > 4 || !VoiceLanes<4>::Compatible(voices, voiceCount)) return false;
    VoiceLanes<4>::Render(voices, voiceCount, outputs, count, scratch.bytes);
    return true;
}
