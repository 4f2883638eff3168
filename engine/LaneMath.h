#pragma once

// Arithmetic on several voices at once: GCC vector types whose lanes follow the
// same IEEE operations as the scalar code, and a tanh on lanes.
//
// Included only by the lane translation units, each compiled for one instruction
// set (AVX2 + FMA, or AVX-512). Everything here sits in an unnamed namespace so
// that no function compiled for one set can be linked into code built for another.

#include <immintrin.h>

// Vectors pass between functions of one lane file only, so the vector ABI
// note of a build without these instruction sets does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

template <int W> struct LaneTypes;
template <> struct LaneTypes<4> {
    typedef double D __attribute__((vector_size(32)));
    typedef long long I __attribute__((vector_size(32)));
    typedef unsigned long long U __attribute__((vector_size(32)));
    typedef int I32 __attribute__((vector_size(16)));
    typedef float F __attribute__((vector_size(16)));
};
template <> struct LaneTypes<8> {
    typedef double D __attribute__((vector_size(64)));
    typedef long long I __attribute__((vector_size(64)));
    typedef unsigned long long U __attribute__((vector_size(64)));
    typedef int I32 __attribute__((vector_size(32)));
    typedef float F __attribute__((vector_size(32)));
};

// Fused multiply-adds, written out where the C library's code has them; the rest
// of the build never fuses (-ffp-contract=off).
inline LaneTypes<4>::D fmadd(LaneTypes<4>::D a, LaneTypes<4>::D b, LaneTypes<4>::D c) {
    return _mm256_fmadd_pd(a, b, c);
}
inline LaneTypes<4>::D fmsub(LaneTypes<4>::D a, LaneTypes<4>::D b, LaneTypes<4>::D c) {
    return _mm256_fmsub_pd(a, b, c);
}
inline LaneTypes<4>::D fnmadd(LaneTypes<4>::D a, LaneTypes<4>::D b, LaneTypes<4>::D c) {
    return _mm256_fnmadd_pd(a, b, c);
}
inline LaneTypes<8>::D fmadd(LaneTypes<8>::D a, LaneTypes<8>::D b, LaneTypes<8>::D c) {
    return _mm512_fmadd_pd(a, b, c);
}
inline LaneTypes<8>::D fmsub(LaneTypes<8>::D a, LaneTypes<8>::D b, LaneTypes<8>::D c) {
    return _mm512_fmsub_pd(a, b, c);
}
inline LaneTypes<8>::D fnmadd(LaneTypes<8>::D a, LaneTypes<8>::D b, LaneTypes<8>::D c) {
    return _mm512_fnmadd_pd(a, b, c);
}

// The double lanes rounded to single precision and back.
template <int W> inline typename LaneTypes<W>::D roundToFloat(typename LaneTypes<W>::D x) {
    typedef typename LaneTypes<W>::D D;
    typedef typename LaneTypes<W>::F F;
    return __builtin_convertvector(__builtin_convertvector(x, F), D);
}

// Lane-wise a < b ? a : b and a > b ? a : b, as std::min(b, a) and std::max(b, a) give
// for numbers.
template <class D> inline D lanesMin(D a, D b) { return a < b ? a : b; }
template <class D> inline D lanesMax(D a, D b) { return a > b ? a : b; }

// exp(a) - 1 over the arguments tanh passes: a in (-2, 0) and [2, 44). Every
// operation is the C library's (its fdlibm expm1, FMA build), so each lane is the
// same bit for bit; its branches on k become lane selections.
template <int W> inline typename LaneTypes<W>::D expm1ForTanh(typename LaneTypes<W>::D a) {
    typedef typename LaneTypes<W>::D D;
    typedef typename LaneTypes<W>::I I;
    typedef typename LaneTypes<W>::U U;
    auto constant = [](unsigned long long bits) {
        double d;
        __builtin_memcpy(&d, &bits, 8);
        return D{} + d;
    };
    const D ln2Hi = constant(0x3fe62e42fee00000ull), ln2Lo = constant(0x3dea39ef35793c76ull);
    const D invLn2 = constant(0x3ff71547652b82feull);
    const D q1 = constant(0xbfa11111111110f4ull), q2 = constant(0x3f5a01a019fe5585ull),
            q3 = constant(0xbf14ce199eaadbb7ull), q4 = constant(0x3ed0cfca86e65239ull),
            q5 = constant(0xbe8afdb76e09c32dull);
    const D zero = D{}, one = zero + 1.0, half = zero + 0.5;

    const I hx = (I)(((U)a >> 32) & 0x7fffffff);
    const I negative = (I)a < 0;
    const I far = hx > 0x3ff0a2b1;                     // |a| >= 1.5 ln 2: k by rounding
    const I near = ~far & (hx > 0x3fd62e42);           // 0.5 ln 2 < |a| < 1.5 ln 2: k = +-1

    // Argument reduction: a = k ln 2 + r, with the rounding error of r in c.
    const typename LaneTypes<W>::I32 k32 =
        __builtin_convertvector(a * invLn2 + (negative ? zero - 0.5 : half), typename LaneTypes<W>::I32);
    const D kFarD = __builtin_convertvector(k32, D);
    const I kFar = __builtin_convertvector(k32, I);
    const D hi = far ? fnmadd(kFarD, ln2Hi, a) : (negative ? a + ln2Hi : a - ln2Hi);
    const D lo = far ? kFarD * ln2Lo : (negative ? -ln2Lo : ln2Lo);
    const I k = far ? kFar : (near ? (negative ? I{} - 1 : I{} + 1) : I{});
    const I reduced = far | near;
    const D rr = hi - lo;
    const D r = reduced ? rr : a;
    const D c = reduced ? (hi - rr) - lo : zero;

    // The rational approximation on the reduced argument.
    const D hfx = r * half;
    const D hxs = r * hfx;
    const D r2 = fmadd(hxs, q3, q2);
    const D r3 = fmadd(hxs, q5, q4);
    const D h2 = hxs * hxs;
    const D r1 = fmadd(hxs, q1, one);
    const D h4 = h2 * h2;
    const D rs = fmadd(h4, r3, fmadd(h2, r2, r1));
    const D t = fnmadd(rs, hfx, zero + 3.0);
    const D e = ((rs - t) / fnmadd(r, t, zero + 6.0)) * hxs;

    // k = 0: no scaling; k = -1; otherwise 2^k applied to the exponent field.
    const D result0 = r - fmsub(e, r, hxs);
    const D ek = fmsub(e - c, r, c) - hxs;
    const D resultMinus1 = fmadd(half, r - ek, zero - 0.5);
    const D ekMinusR = ek - r;
    const I scale = k << 52;
    const D twoMinusK = (D)((0x3ff - k) << 52);
    const D outside = (D)((I)(one - ekMinusR) + scale) - one;                 // k <= -2 or k > 56
    const D low = (D)((I)((one - twoMinusK) - ekMinusR) + scale);             // k < 20
    const D high = (D)((I)((r - (ek + twoMinusK)) + one) + scale);            // 20 <= k <= 56
    D result = k < 20 ? low : high;
    result = (k < -1) | (k > 56) ? outside : result;
    result = k == -1 ? resultMinus1 : result;
    return k == 0 ? result0 : result;
}

// tanh on every lane, each the same bit for bit as the C library's tanh on a
// processor with FMA (glibc: fdlibm's tanh over the FMA build of expm1).
template <int W> inline typename LaneTypes<W>::D tanhLanes(typename LaneTypes<W>::D x) {
    typedef typename LaneTypes<W>::D D;
    typedef typename LaneTypes<W>::I I;
    typedef typename LaneTypes<W>::U U;
    const D zero = D{}, one = zero + 1.0, two = zero + 2.0;
    const I ix = (I)(((U)x >> 32) & 0x7fffffff);
    const I negative = (I)x < 0;
    const D ax = (D)((U)x & 0x7fffffffffffffffull);
    const I atLeastOne = ix > 0x3fefffff;
    const D t = expm1ForTanh<W>(atLeastOne ? ax + ax : -(ax + ax));
    // One division: 2 / (t + 2) for |x| >= 1, -t / (t + 2) below.
    const D quotient = (atLeastOne ? two : -t) / (t + two);
    D z = atLeastOne ? one - quotient : quotient;
    z = ix > 0x4035ffff ? one : z;  // |x| >= 22: 1 - 1e-300 rounds to 1
    D result = negative ? -z : z;
    result = ix < 0x3c800000 ? (one + x) * x : result;  // |x| < 2^-55, and zero
    const I special = ix > 0x7fefffff;  // infinities and NaN: 1/x +- 1
    bool any = false;
    for (int i = 0; i < W; ++i) any |= special[i] != 0;
    if (!any) return result;
    const D inverse = one / x;
    return special ? (negative ? inverse - one : inverse + one) : result;
}

}  // namespace

#include "LaneTypes.h"

namespace halvorax::synth {

// The vector lane types (see LaneTypes.h), for the lane translation units only.
template <int W> struct VectorLanes {
    static constexpr int kWidth = W;
    typedef typename LaneTypes<W>::D D;
    typedef typename LaneTypes<W>::I I;
    typedef typename LaneTypes<W>::F F;
    typedef typename LaneTypes<W>::I32 I32;
    typedef unsigned U32 __attribute__((vector_size(4 * W)));

    static double Lane(D x, int i) { return x[i]; }
    static long long Lane(I x, int i) { return x[i]; }
    template <class M> static bool Any(M mask) {
        long long any = 0;
        for (int i = 0; i < W; ++i) any |= mask[i];
        return any != 0;
    }
    static D Floor(D x) {
        D r;
        for (int i = 0; i < W; ++i) r[i] = std::floor(x[i]);
        return r;
    }
    static D Exp2(D x) {
        D r;
        for (int i = 0; i < W; ++i) r[i] = std::exp2(x[i]);
        return r;
    }
    static D Tanh(D x) { return tanhLanes<W>(x); }
    static F Gather(const float* base, I32 index) {
        if constexpr (W == 4) return _mm_i32gather_ps(base, (__m128i)index, 4);
        else return _mm256_i32gather_ps(base, (__m256i)index, 4);
    }
    static I32 Gather(const int* base, I32 index) {
        if constexpr (W == 4) return (I32)_mm_i32gather_epi32(base, (__m128i)index, 4);
        else return (I32)_mm256_i32gather_epi32(base, (__m256i)index, 4);
    }
    // Map entries at the given indices (0..map size - 1): the low byte of the 32-bit
    // word at each (the bank pads its maps for the last three).
    static I32 MapEntries(const uint8_t* map, I32 index) {
        if constexpr (W == 4) return (I32)_mm_i32gather_epi32((const int*)map, (__m128i)index, 1) & 0xff;
        else return (I32)_mm256_i32gather_epi32((const int*)map, (__m256i)index, 1) & 0xff;
    }
};
template <> struct Lanes<4> : VectorLanes<4> {};
template <> struct Lanes<8> : VectorLanes<8> {};

}  // namespace halvorax::synth
