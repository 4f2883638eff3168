#pragma once

#include "AlphaJunoVoice.h"

// Voices rendered in lockstep, one voice per lane of the processor's vectors:
// eight lanes with AVX-512, four with AVX2 and FMA. Each lane does exactly what
// the voice does on its own and the outputs are added in voice order, so the
// result is the same bit for bit as rendering the voices one after another;
// a group of one voice, or voices whose modes differ, render one by one.
class VoiceGroup {
public:
    // Lanes per group on this processor; 1 where no lane code runs.
    static int Lanes();

    // Adds count samples of each voice into outputs[0] and outputs[1], in the order
    // given, in groups of at most Lanes() voices. The engine has written each
    // voice's inputs.
    static void Render(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count);

    // The lane code for 8 and 4 lanes (false, nothing rendered, where the voices'
    // modes differ). Exposed for the tests; Render picks one.
    static bool RenderLanes8(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count);
    static bool RenderLanes4(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count);

private:
    static void renderGroup(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count);
};
