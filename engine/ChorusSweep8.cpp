// The chorus sweep eight samples at a time, compiled for AVX-512 whatever the rest of the
// build targets (engine/CMakeLists.txt); ChorusTapsFor runs it only on processors that have it.
#include "ChorusSweep.h"

namespace halvorax::synth {

void ChorusTaps8(const double* angle, int count, const ChorusSweep& sweep, const ChorusTaps& left,
                 const ChorusTaps& right) {
    ChorusTapsWith<Doubles8>(angle, count, sweep, left, right);
}

}  // namespace halvorax::synth
