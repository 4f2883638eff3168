// The 8-lane tanh, built for AVX-512 like the engine's lane code, for lane_math_test.
// No test framework here: nothing compiled for these instruction sets may be shared.
#include "LaneMath.h"

void laneTanh8(const double* in, double* out, long count) {
    typedef LaneTypes<8>::D D;
    for (long i = 0; i + 8 <= count; i += 8) {
        D x;
        __builtin_memcpy(&x, in + i, sizeof x);
        const D y = tanhLanes<8>(x);
        __builtin_memcpy(out + i, &y, sizeof y);
    }
}
