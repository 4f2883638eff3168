#include "ChorusSweep.h"

#include "VoiceGroup.h"

namespace halvorax::synth {

void ChorusDelays(const double* angle, int count, const ChorusSweep& sweep, double* left, double* right) {
    // As many lanes as the voice groups take (the same processor test).
    const int lanes = VoiceGroup::Lanes();
    if (lanes >= 8)
        ChorusDelays8(angle, count, sweep, left, right);
    else if (lanes >= 4)
        ChorusDelays4(angle, count, sweep, left, right);
    else
        ChorusDelaysWith<Doubles2>(angle, count, sweep, left, right);
}

}  // namespace halvorax::synth
