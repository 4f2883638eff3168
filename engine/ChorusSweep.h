#pragma once

// The chorus's taps from its LFO, several samples at a time: the sine of each angle sets
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
    double longest;        // the longest delay the lines hold
};

// Where the samples of a run read a line: whole samples behind the write position, and the
// fraction towards the sample before (in single precision, as the interpolation takes it).
struct ChorusTaps {
    int* whole;
    double* fraction;
};

// Vectors of two, four and eight doubles, and of as many whole numbers and floats.
typedef double Doubles2 __attribute__((vector_size(16)));
typedef double Doubles4 __attribute__((vector_size(32)));
typedef double Doubles8 __attribute__((vector_size(64)));
template <class V>
struct NarrowOf;
template <>
struct NarrowOf<Doubles2> {
    typedef int Ints __attribute__((vector_size(8)));
    typedef float Floats __attribute__((vector_size(8)));
};
template <>
struct NarrowOf<Doubles4> {
    typedef int Ints __attribute__((vector_size(16)));
    typedef float Floats __attribute__((vector_size(16)));
};
template <>
struct NarrowOf<Doubles8> {
    typedef int Ints __attribute__((vector_size(32)));
    typedef float Floats __attribute__((vector_size(32)));
};

// A vector of delays as taps: held to 0..longest (NaN reads the newest sample).
template <class V>
void PutTaps(V delay, double longest, const ChorusTaps& taps, int k) {
    typedef typename NarrowOf<V>::Ints Ints;
    typedef typename NarrowOf<V>::Floats Floats;
    const V held = delay >= 0.0 ? (longest < delay ? V{} + longest : delay) : V{};
    const Ints whole = __builtin_convertvector(held, Ints);
    const V fraction =
        __builtin_convertvector(__builtin_convertvector(held - __builtin_convertvector(whole, V), Floats), V);
    std::memcpy(taps.whole + k, &whole, sizeof whole);
    std::memcpy(taps.fraction + k, &fraction, sizeof fraction);
}

// Vectors the sweep works out side by side: the series of the sine and cosine are chains of
// dependent steps, which one vector alone would wait on.
constexpr int kChorusSweepGroup = 4;

// count taps of each line, computed kChorusSweepGroup vectors V at a time (count rounded up
// to whole groups: the arrays must hold them).
template <class V>
void ChorusTapsWith(const double* angle, int count, const ChorusSweep& sweep, const ChorusTaps& left,
                    const ChorusTaps& right) {
    constexpr int W = sizeof(V) / sizeof(double), G = kChorusSweepGroup;
    for (int k = 0; k < count; k += G * W) {
        V a[G], sine[G], cosine[G];
        std::memcpy(a, angle + k, sizeof a);
        for (int j = 0; j < G; ++j) SineCosine(a[j], sine[j], cosine[j]);
        for (int j = 0; j < G; ++j) {
            PutTaps((sine[j] * sweep.depth + sweep.centre) * sweep.scale, sweep.longest, left, k + j * W);
            PutTaps((cosine[j] * sweep.depth + sweep.centre) * sweep.scale, sweep.longest, right, k + j * W);
        }
    }
}

// Room the arrays need past the last tap: a group of the widest vectors (a run may end one
// sample into a group).
constexpr int kChorusSweepWidest = kChorusSweepGroup * 8;
void ChorusTaps4(const double* angle, int count, const ChorusSweep& sweep, const ChorusTaps& left,
                 const ChorusTaps& right);
void ChorusTaps8(const double* angle, int count, const ChorusSweep& sweep, const ChorusTaps& left,
                 const ChorusTaps& right);
void ChorusTapsFor(const double* angle, int count, const ChorusSweep& sweep, const ChorusTaps& left,
                   const ChorusTaps& right);

}  // namespace halvorax::synth
