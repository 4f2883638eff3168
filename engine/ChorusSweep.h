#pragma once

// The chorus's delays from its LFO, several samples at a time: the sine of each angle sets
// the left line's delay, the cosine the right's. Written once over the vector width; the
// eight-wide build (ChorusSweep8.cpp, for AVX-512), the four-wide one (ChorusSweep4.cpp,
// AVX2) and the two-wide one (SSE2, every x86-64 processor) give the same bits, as every
// lane does the same IEEE operations.

#include <cstring>

#include "Transcendentals.h"

namespace halvorax::synth {

struct ChorusSweep {
    double depth, centre;  // in samples at 44.1 kHz
    double scale;          // sample rate / 44100
};

// Vectors of two, four and eight doubles.
typedef double Doubles2 __attribute__((vector_size(16)));
typedef double Doubles4 __attribute__((vector_size(32)));
typedef double Doubles8 __attribute__((vector_size(64)));

// count delays, computed a vector V at a time (count rounded up to whole vectors: the
// arrays must hold them).
template <class V>
void ChorusDelaysWith(const double* angle, int count, const ChorusSweep& sweep, double* left, double* right) {
    constexpr int W = sizeof(V) / sizeof(double);
    for (int k = 0; k < count; k += W) {
        V a, sine, cosine;
        std::memcpy(&a, angle + k, sizeof a);
        SineCosine(a, sine, cosine);
        const V l = (sine * sweep.depth + sweep.centre) * sweep.scale;
        const V r = (cosine * sweep.depth + sweep.centre) * sweep.scale;
        std::memcpy(left + k, &l, sizeof l);
        std::memcpy(right + k, &r, sizeof r);
    }
}

// Room the arrays need past the last delay: one widest vector.
constexpr int kChorusSweepWidest = 8;
void ChorusDelays4(const double* angle, int count, const ChorusSweep& sweep, double* left, double* right);
void ChorusDelays8(const double* angle, int count, const ChorusSweep& sweep, double* left, double* right);
void ChorusDelays(const double* angle, int count, const ChorusSweep& sweep, double* left, double* right);

}  // namespace halvorax::synth
