#include "JunoLfo.h"

#include <cmath>

#include "JunoEnvelope.h"
#include "Transcendentals.h"

namespace halvorax::synth {

double JunoLfoIncrement(float rate, double sampleRate) {
    return (Pow(rate, 7.0) * 60.31225238653492 + 0.016747613465081225) / sampleRate;
}

double JunoPwmLfoIncrement(float rate, double sampleRate) { return (Pow(rate, 5.0) * 19.3576 + 0.0524) / sampleRate; }

double JunoLfoDelayRate(float delay, double sampleRate) { return parameterToEnvTimeTC(delay, sampleRate); }

}  // namespace halvorax::synth
