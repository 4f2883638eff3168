// The 4-lane tanh, built for AVX2 and FMA like the engine's lane code, for lane_math_test.
// No test framework here: nothing compiled for these instruction sets may be shared.
#include "LaneMath.h"

void laneTanh4(const double* in, double* out, long count) {
    typedef LaneTypes<4>::D D;
    for (long i = 0; i + 4 <= count; i += 4) {
        D x;
        __builtin_memcpy(&x, in + i, sizeof x);
        const D y = tanhLanes<4>(x);
        __builtin_memcpy(out + i, &y, sizeof y);
    }
}
