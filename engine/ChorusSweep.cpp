#include "ChorusSweep.h"

#include "VoiceGroup.h"

namespace halvorax::synth {

void ChorusDelays(const double* angle, int count, const ChorusSweep& sweep, double* left, double* right) {
    // Eight lanes wherever the voice groups take eight (the same processor test).
    if (VoiceGroup::Lanes() >= 8)
        ChorusDelays8(angle, count, sweep, left, right);
    else
        ChorusDelaysWith<Doubles2>(angle, count, sweep, left, right);
}

}  // namespace halvorax::synth
