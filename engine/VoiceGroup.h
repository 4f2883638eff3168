#pragma once

#include "AlphaJunoVoice.h"

// Voices rendered in lockstep, one voice per lane of the processor's vectors:
// eight lanes with AVX-512, four with AVX2 and FMA. Each lane does exactly what
// the voice does on its own and the outputs are added in voice order, so the
// result is the same bit for bit as rendering the voices one after another;
// a group of one voice, or voices whose modes differ, render one by one.
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
    // given, in groups of at most Lanes() voices. The engine has written each
    // voice's inputs.
    static void Render(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                       Scratch& scratch);

    // The lane code for 8 and 4 lanes (false, nothing rendered, where the voices'
    // modes differ). Exposed for the tests; Render picks one.
    static bool RenderLanes8(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                             Scratch& scratch);
    static bool RenderLanes4(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                             Scratch& scratch);

private:
    static void renderGroup(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                            Scratch& scratch);
};
