// The four-lane group, compiled for AVX2 and FMA whatever the rest of the build targets
// (engine/CMakeLists.txt); VoiceGroup::Lanes runs it only on processors that have them.
#include "VoiceGroupLanes.h"

namespace halvorax::synth {

void VoiceGroup::renderLanes4(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs,
                              const VoiceModes& modes, float** outputs, int count, Scratch& scratch) {
    RenderLanes<4>(voices, voiceCount, inputs, modes, outputs, count, scratch);
}

}  // namespace halvorax::synth
