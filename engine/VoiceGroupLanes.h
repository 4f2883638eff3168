#pragma once

// The body of VoiceGroup's lane code, included by the translation unit of each width.

#include <cstring>
#include <new>

#include "LaneMath.h"
#include "VoiceGroup.h"
#include "VoiceKernel.h"

namespace halvorax::synth {

// Lane `lane` of a record of W-wide lane columns, as the record of one voice: both are
// sequences of 8-byte columns in the same order (VoiceKernel.h), so a voice enters and
// leaves its lane by a transposition, whatever the record holds.
template <int W, class Wide, class One>
void PutLane(Wide& wide, int lane, const One& one) {
    static_assert(sizeof(One) % 8 == 0 && sizeof(Wide) == W * sizeof(One), "records of 8-byte lane columns");
    unsigned char* to = reinterpret_cast<unsigned char*>(&wide);
    const unsigned char* from = reinterpret_cast<const unsigned char*>(&one);
    for (std::size_t c = 0; c < sizeof(One) / 8; ++c) std::memcpy(to + (c * W + lane) * 8, from + c * 8, 8);
}
template <int W, class Wide, class One>
void GetLane(const Wide& wide, int lane, One& one) {
    static_assert(sizeof(One) % 8 == 0 && sizeof(Wide) == W * sizeof(One), "records of 8-byte lane columns");
    const unsigned char* from = reinterpret_cast<const unsigned char*>(&wide);
    unsigned char* to = reinterpret_cast<unsigned char*>(&one);
    for (std::size_t c = 0; c < sizeof(One) / 8; ++c) std::memcpy(to + c * 8, from + (c * W + lane) * 8, 8);
}

// Renders up to W voices side by side (missing lanes repeat the last voice; their
// results are dropped).
template <int W>
void RenderLanes(AlphaJunoVoice* const* voices, int voiceCount, const VoiceInputs& inputs, const VoiceModes& modes,
                 float** outputs, int count, VoiceGroup::Scratch& scratch) {
    typedef Lanes<W> L;
    struct Work {
        VoiceState<L> state;
        BlockValues<L> block;
        VoiceKernel<L> kernel;
    };
    static_assert(sizeof(Work) <= VoiceGroup::Scratch::kBytes, "scratch too small");
    // The kernel is made below, once the state and the block values are in place.
    Work& work = *reinterpret_cast<Work*>(scratch.bytes);
    for (int i = 0; i < W; ++i) {
        const AlphaJunoVoice& v = *voices[i < voiceCount ? i : voiceCount - 1];
        PutLane<W>(work.state, i, v.state);
        PutLane<W>(work.block, i, v.Prepare(inputs));
    }
    VoiceKernel<L>* kernel = new (&work.kernel) VoiceKernel<L>(work.state, work.block, modes, inputs.cutoffInput);
    kernel->Render(outputs, count, voiceCount);
    for (int i = 0; i < voiceCount; ++i) GetLane<W>(work.state, i, voices[i]->state);
}

}  // namespace halvorax::synth
