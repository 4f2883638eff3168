#include "ChorusSweep.h"

#include "VoiceGroup.h"

namespace halvorax::synth {

void ChorusTapsFor(const double* angle, int count, const ChorusSweep& sweep, const ChorusTaps& left,
                   const ChorusTaps& right) {
    // As many lanes as the voice groups take (the same processor test).
    const int lanes = VoiceGroup::Lanes();
    if (lanes >= 8)
        ChorusTaps8(angle, count, sweep, left, right);
    else if (lanes >= 4)
        ChorusTaps4(angle, count, sweep, left, right);
    else
        ChorusTapsWith<Doubles2>(angle, count, sweep, left, right);
}

}  // namespace halvorax::synth
