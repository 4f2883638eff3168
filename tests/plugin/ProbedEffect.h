// Test support: the effect with its internals in reach, and block helpers.
#pragma once

#include <cmath>
#include <vector>

#include "../support/HostEvents.h"
#include "HalvoVST2.h"
#include "TestHost.h"

namespace halvorax::test {

class ProbedEffect : public HalvoVST2 {
public:
    ProbedEffect() : HalvoVST2(recordingHost) {}
    using HalvoVST2::ccMap;
    using HalvoVST2::engine;
    using HalvoVST2::lastPolyMode;
    using HalvoVST2::pressure;
    using HalvoVST2::smoothers;
    using HalvoVST2::sustainPedal;

    // One host block with the given MIDI (status, data1, data2 at frame offsets).
    using Midi = HostEvents::Midi;
    void block(int frames, const std::vector<Midi>& midi = {}) {
        HostEvents events(midi);
        processEvents(events.list());
        left.assign(frames, 0.0f);
        right.assign(frames, 0.0f);
        float* outputs[2] = {left.data(), right.data()};
        processReplacing(nullptr, outputs, frames);
    }
    // Several blocks without events; returns the largest magnitude rendered.
    float blocks(int count, int frames = 256) {
        float peak = 0.0f;
        for (int b = 0; b < count; ++b) {
            block(frames);
            for (float s : left) peak = std::max(peak, std::fabs(s));
        }
        return peak;
    }
    int soundingVoices() const {
        int n = 0;
        for (int i = 0; i < synth::AlphaJuno::kVoices; ++i) n += engine->Voice(i).keyHeld;
        return n;
    }
    void cc(int controller, int value) { HandleMidi(0, 0xb0, controller, value); }

    std::vector<float> left, right;
};

}  // namespace halvorax::test
