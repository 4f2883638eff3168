#include "JunoLfo.h"

#include "JunoEnvelope.h"

void JunoLfo::SetMainRates(float rate, float delay, double sampleRate) {
    increment = (std::pow((double)rate, 7.0) * 60.31225238653492 + 0.016747613465081225) /
                sampleRate;
    // The fade-in is not key scaled.
    delayRate = parameterToEnvTimeTC(delay, sampleRate);
}

void JunoLfo::SetPwmRate(float rate, double sampleRate) {
    increment = (std::pow((double)rate, 5.0) * 19.3576 + 0.0524) / sampleRate;
}
