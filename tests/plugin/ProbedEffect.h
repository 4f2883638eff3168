// Test support: the effect with its internals in reach, and block helpers.
#pragma once

#include <cmath>
#include <vector>

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
    struct Midi {
        int frame;
        int status, data1, data2;
    };
    void block(int frames, std::vector<Midi> midi = {}) {
        std::vector<VstMidiEvent> records(midi.size());
        std::vector<VstEvent*> pointers;
        for (std::size_t i = 0; i < midi.size(); ++i) {
            records[i].type = kVstMidiType;
            records[i].byteSize = sizeof(VstMidiEvent);
            records[i].deltaFrames = midi[i].frame;
            records[i].midiData[0] = static_cast<char>(midi[i].status);
            records[i].midiData[1] = static_cast<char>(midi[i].data1);
            records[i].midiData[2] = static_cast<char>(midi[i].data2);
        }
        std::vector<char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(midi.size());
        for (std::size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&records[i]);
        processEvents(list);
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
