#pragma once

#include <cmath>

// Triangle of a phase in 0..1: 0 at 0, +1 at 0.25, -1 at 0.75.
inline double JunoTriangle(double phase) {
    if (phase < 0.25) return 4.0 * phase;
    if (phase < 0.75) return 1.0 - 4.0 * (phase - 0.25);
    return 4.0 * (phase - 0.75) - 1.0;
}

// A triangle LFO with an optional fade-in (the main LFO fades in after each
// note start; the pulse-width LFO keeps delayRate 0 and delayLevel unused).
class JunoLfo {
public:
    // Main-LFO block rates from lforate and lfodelay (0..1).
    void SetMainRates(float rate, float delay, double sampleRate);
    // Pulse-width-LFO increment from dcopwmrate (0..1).
    void SetPwmRate(float rate, double sampleRate);

    // Main LFO: the faded value as it stood before this sample, then advance.
    double NextFaded() {
        double value = JunoTriangle(phase) * delayLevel;
        Advance();
        delayLevel += delayRate;
        if (delayLevel > 1.0) delayLevel = 1.0;
        return value;
    }
    double Value() const { return JunoTriangle(phase); }
    // phase = frac(phase + increment); the common case needs one subtraction.
    void Advance() {
        phase += increment;
        if (phase >= 1.0) phase -= 1.0;
        if (phase >= 1.0 || phase < 0.0) phase -= std::floor(phase);
    }

    double phase = 0.0;
    double increment = 0.0;
    double delayLevel = 0.0;
    double delayRate = 0.0;
};
