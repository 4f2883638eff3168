// The eight-lane group, compiled for AVX-512 whatever the rest of the build targets
// (engine/CMakeLists.txt); VoiceGroup::Lanes runs it only on processors that have them.
#include "VoiceGroupLanes.h"

namespace halvorax::synth {

void VoiceGroup::renderLanes8(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs,
                              const VoiceModes& modes, float** outputs, int count, Scratch& scratch) {
    RenderLanes<8>(voices, voiceCount, inputs, modes, outputs, count, scratch);
}

}  // namespace halvorax::synth
