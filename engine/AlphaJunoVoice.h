#pragma once

#include "SlotRanges.h"
#include "VoiceKernel.h"

namespace halvorax::synth {

// What every voice reads in a block, the same for all: the parameter slots (held to their
// ranges as they are set) and the performance inputs.
struct VoiceInputs {
    float params[SlotRanges::kSlots] = {};
    double sampleRate = 44100.0;
    double bend = 0.5;        // 0..1, 0.5 centred
    double modWheel = 0.0;    // 0..1
    double aftertouch = 0.0;  // 0..1
    double tuneCents = 0.0;
    double portaTime = 0.0;              // 0..127
    const float* cutoffInput = nullptr;  // per-sample smoothed cutoff of the block

    VoiceInputs();
    // Sets a slot (0..127, others are ignored), held to the range in which it is read.
    void SetParameter(int slot, float value);
};

// One voice: DCO sources (saw, pulse, sub, noise), mixer, high-pass/bass stage, filter
// drive, the voice filter, envelope/gate VCA, glide and note state. The sound is made
// by VoiceKernel, one voice alone or several side by side (VoiceGroup); this class holds
// the voice's state and the note events that change it.
class AlphaJunoVoice {
public:
    // The sample rates a voice renders at; others are held to them.
    static constexpr double kLowestRate = 8000.0;
    static constexpr double kHighestRate = 768000.0;

    void NoteOn(int note, int velocity, const VoiceInputs& inputs);
    void SlideTo(int note, int velocity, bool retrigger);
    void NoteOff();
    void Reset();

    // Pitch of a MIDI note in Hz as the DCO divider produces it; 440 outside 0..127.
    static double NoteFrequency(int note);

    // Views of the envelope, VCA and LFO state.
    int envState() const { return static_cast<int>(state.env.state); }
    float envLevel() const { return static_cast<float>(state.env.level); }
    double vcaLevel() const { return state.vcaSmooth.value; }
    double lfoPhase() const { return state.lfo.phase; }
    void setLfoPhase(double phase) { state.lfo.phase = phase; }
    // The main LFO's phase as rendering count samples with these inputs will leave it.
    double LfoPhaseAfter(const VoiceInputs& inputs, int count) const;

    // The block's values (rates, coefficients) for this voice, and the code paths every
    // voice takes, from the inputs.
    BlockValues<Lanes<1>> Prepare(const VoiceInputs& inputs) const;
    static VoiceModes Modes(const VoiceInputs& inputs);

    VoiceState<Lanes<1>> state;
    double note = 0.0;
    bool keyHeld = false;
    bool sounding = false;
    bool sustained = false;  // engine bookkeeping for the sustain pedal
};

}  // namespace halvorax::synth
