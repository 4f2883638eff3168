// The eight-lane group, compiled for AVX-512 whatever the rest of the build targets
// (engine/CMakeLists.txt); VoiceGroup::Lanes runs it only on processors that have them.
#include "VoiceGroup.h"
#include "VoiceLanes.h"

static_assert(sizeof(VoiceLanes<8>) <= VoiceGroup::Scratch::kBytes, "scratch too small");

bool VoiceGroup::RenderLanes8(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                              Scratch& scratch) {
    if (voiceCount < 1 || voiceCount > 8 || !VoiceLanes<8>::Compatible(voices, voiceCount)) return false;
    VoiceLanes<8>::Render(voices, voiceCount, outputs, count, scratch.bytes);
    return true;
}
