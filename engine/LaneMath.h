#pragma once

// Arithmetic on several voices at once: GCC vector types whose lanes follow the
// same IEEE operations as the scalar code.
//
// Included only by the lane translation units, each compiled for one instruction
// set (AVX2 + FMA, or AVX-512). Everything here is specific to one width (a template
// over it, or in an unnamed namespace), so that no function compiled for one set can be
// linked into code built for another.

#include <immintrin.h>

// Vectors pass between functions of one lane file only, so the vector ABI
// note of a build without these instruction sets does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

template <int W>
struct LaneTypes;
template <>
struct LaneTypes<4> {
    typedef double D __attribute__((vector_size(32)));
    typedef long long I __attribute__((vector_size(32)));
    typedef unsigned long long U __attribute__((vector_size(32)));
    typedef int I32 __attribute__((vector_size(16)));
    typedef float F __attribute__((vector_size(16)));
};
template <>
struct LaneTypes<8> {
    typedef double D __attribute__((vector_size(64)));
    typedef long long I __attribute__((vector_size(64)));
    typedef unsigned long long U __attribute__((vector_size(64)));
    typedef int I32 __attribute__((vector_size(32)));
    typedef float F __attribute__((vector_size(32)));
};

}  // namespace

#include "LaneTypes.h"

namespace halvorax::synth {

// The vector lane types (see LaneTypes.h), for the lane translation units only.
template <int W>
struct VectorLanes {
    static constexpr int kWidth = W;
    typedef typename LaneTypes<W>::D D;
    typedef typename LaneTypes<W>::I I;
    typedef typename LaneTypes<W>::F F;
    typedef typename LaneTypes<W>::I32 I32;
    typedef unsigned U32 __attribute__((vector_size(4 * W)));
    typedef typename LaneTypes<W>::U U64;

    static double Lane(D x, int i) { return x[i]; }
    static long long Lane(I x, int i) { return x[i]; }
    // Lane i of each of W consecutive vectors, as one vector (a column of their transposition).
    static D Column(const D* rows, int i) {
        const double* first = reinterpret_cast<const double*>(rows) + i;
        if constexpr (W == 4)
            return _mm256_i64gather_pd(first, _mm256_setr_epi64x(0, 4, 8, 12), 8);
        else
            return _mm512_i64gather_pd(_mm512_setr_epi64(0, 8, 16, 24, 32, 40, 48, 56), first, 8);
    }
    // True if any lane of a mask (of 64- or 32-bit lanes) is set: one test instruction.
    template <class M>
    static bool Any(M mask) {
        if constexpr (sizeof(M) == 64)
            return _mm512_test_epi64_mask((__m512i)mask, (__m512i)mask) != 0;
        else if constexpr (sizeof(M) == 32)
            return !_mm256_testz_si256((__m256i)mask, (__m256i)mask);
        else
            return !_mm_testz_si128((__m128i)mask, (__m128i)mask);
    }
    static D Floor(D x) {
        D r;
        for (int i = 0; i < W; ++i) r[i] = std::floor(x[i]);
        return r;
    }
    static F Gather(const float* base, I32 index) {
        if constexpr (W == 4)
            return _mm_i32gather_ps(base, (__m128i)index, 4);
        else
            return _mm256_i32gather_ps(base, (__m256i)index, 4);
    }
    static I32 Gather(const int* base, I32 index) {
        if constexpr (W == 4)
            return (I32)_mm_i32gather_epi32(base, (__m128i)index, 4);
        else
            return (I32)_mm256_i32gather_epi32(base, (__m256i)index, 4);
    }
    // The float lanes as doubles, in one instruction (a plain conversion of the vector
    // type is split into halves).
    static D Widen(F x) {
        if constexpr (W == 4)
            return _mm256_cvtps_pd((__m128)x);
        else
            return _mm512_cvtps_pd((__m256)x);
    }
    // Map entries at the given indices (0..map size - 1): the low byte of the 32-bit
    // word at each (the bank pads its maps for the last three).
    static I32 MapEntries(const uint8_t* map, I32 index) {
        if constexpr (W == 4)
            return (I32)_mm_i32gather_epi32((const int*)map, (__m128i)index, 1) & 0xff;
        else
            return (I32)_mm256_i32gather_epi32((const int*)map, (__m256i)index, 1) & 0xff;
    }
};
template <>
struct Lanes<4> : VectorLanes<4> {};
template <>
struct Lanes<8> : VectorLanes<8> {};

}  // namespace halvorax::synth
