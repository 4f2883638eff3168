#pragma once

#include "LaneTypes.h"

namespace halvorax::synth {

// Per-sample increments of the LFOs from their 0..1 controls.
double JunoLfoIncrement(float rate, double sampleRate);     // main LFO, from lforate
double JunoPwmLfoIncrement(float rate, double sampleRate);  // pulse-width LFO, from dcopwmrate
// Per-sample growth of the main LFO's fade-in from lfodelay (not key scaled).
double JunoLfoDelayRate(float delay, double sampleRate);

// A triangle LFO with an optional fade-in, over the lanes L (the main LFO fades in after
// each note start; the pulse-width LFO leaves delayLevel unused).
template <class L>
struct JunoLfo {
    typedef typename L::D D;

    // Triangle of a phase in 0..1: 0 at 0, +1 at 0.25, -1 at 0.75.
    static D Triangle(D p) { return p < 0.25 ? 4.0 * p : (p < 0.75 ? 1.0 - 4.0 * (p - 0.25) : 4.0 * (p - 0.75) - 1.0); }

    // Main LFO: the faded value as it stood before this sample, then a step.
    D NextFaded(D increment, D delayRate) {
        const D value = Triangle(phase) * delayLevel;
        Advance(increment);
        delayLevel += delayRate;
        delayLevel = delayLevel > 1.0 ? D{} + 1.0 : delayLevel;
        return value;
    }
    D Value() const { return Triangle(phase); }
    // phase = frac(phase + increment); the common case needs one subtraction.
    void Advance(D increment) {
        phase += increment;
        phase = phase >= 1.0 ? phase - 1.0 : phase;
        const auto wrap = (phase >= 1.0) | (phase < 0.0);
        if (__builtin_expect(L::Any(wrap), 0)) phase = wrap ? phase - L::Floor(phase) : phase;
    }

    D phase{};
    D delayLevel{};
};

}  // namespace halvorax::synth
