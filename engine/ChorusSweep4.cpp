// The chorus sweep four samples at a time, compiled for AVX2 whatever the rest of the
// build targets (engine/CMakeLists.txt); ChorusTapsFor runs it only on processors that have it.
#include "ChorusSweep.h"

namespace halvorax::synth {

void ChorusTaps4(const double* angle, int count, const ChorusSweep& sweep, const ChorusTaps& left,
                 const ChorusTaps& right) {
    ChorusTapsWith<Doubles4>(angle, count, sweep, left, right);
}

}  // namespace halvorax::synth
