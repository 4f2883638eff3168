#pragma once

#include "AlphaJunoVoice.h"

namespace halvorax::synth {

// Voices rendered in lockstep, one voice per lane of the processor's vectors: eight lanes
// with AVX-512, four with AVX2 and FMA, one voice at a time elsewhere. Every width runs
// the same VoiceKernel and the outputs are added in voice order, so the result is the same
// bit for bit as rendering the voices one after another.
class VoiceGroup {
public:
    // Working memory of one group's block (about 100 KB: too much for an audio
    // thread's stack). The owner keeps one per engine; one render uses it at a time.
    struct Scratch {
        static constexpr int kBytes = 112 * 1024;
        alignas(64) unsigned char bytes[kBytes];
    };

    // Lanes per group on this processor (1 where no lane code runs), at most the limit.
    static int Lanes();
    // Caps the lanes used from now on (8, 4 or 1), so that tests and benchmarks can
    // compare the widths on one processor. Not for use while audio renders.
    static void LimitLanes(int lanes);

    // Adds count samples of each voice into outputs[0] and outputs[1], in the order
    // given, in groups of at most Lanes() voices.
    static void Render(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs, float** outputs,
                       int count, Scratch& scratch);

private:
    static void renderGroup(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs,
                            const VoiceModes& modes, float** outputs, int count, Scratch& scratch);
    // The lane code for 8 and 4 lanes, each built for its instruction set.
    static void renderLanes8(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs,
                             const VoiceModes& modes, float** outputs, int count, Scratch& scratch);
    static void renderLanes4(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs,
                             const VoiceModes& modes, float** outputs, int count, Scratch& scratch);
};

}  // namespace halvorax::synth
