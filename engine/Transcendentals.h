#pragma once

// exp2, tanh, log2, pow and sine of our own, from additions, multiplications, divisions and
// exponent bits only: the same operations give the same bits at every lane width and on
// every x86-64 processor, whatever its C library picks. Accurate to a few units in the
// last place of a double over the ranges the engine uses.

#include <cstring>
#include <initializer_list>
#include <type_traits>

#include "LaneTypes.h"

namespace halvorax::synth {

// The bits of x read as another type of the same size.
template <class To, class From>
inline To BitCast(From x) {
    static_assert(sizeof(To) == sizeof(From), "same size");
    if constexpr (std::is_arithmetic_v<From>) {
        To y;
        std::memcpy(&y, &x, sizeof y);
        return y;
    } else {
        return (To)x;
    }
}

// 2^t on the lanes of L, t limited to -1022..1023 (NaN stays NaN): t = k + f with k whole
// and |f| <= 1/2, 2^f by its Taylor series in f ln 2 (the first term left out is below
// 2^-52 of the result), 2^k written into the exponent field.
template <class L>
inline typename L::D Exp2InRange(typename L::D t);

template <class L>
inline typename L::D Exp2(typename L::D t) {
    typedef typename L::D D;
    return Exp2InRange<L>(t < -1022.0 ? D{} - 1022.0 : (t > 1023.0 ? D{} + 1023.0 : t));
}

// Exp2 for t already within -1022..1023 (or NaN): the limits left out of a chain of
// dependent steps where they can never act.
template <class L>
inline typename L::D Exp2InRange(typename L::D t) {
    typedef typename L::D D;
    typedef typename L::U64 U;
    const double shifter = 6755399441055744.0;  // 1.5 * 2^52: its sum with t rounds t to a whole number
    const D u = t + shifter;
    const D f = t - (u - shifter);
    const D f2 = f * f, f4 = f2 * f2, f8 = f4 * f4;
    const D p01 = 1.0 + 0.6931471805599453 * f, p23 = 0.24022650695910072 + 0.05550410866482158 * f;
    const D p45 = 0.009618129107628477 + 0.0013333558146428443 * f;
    const D p67 = 0.0001540353039338161 + 1.5252733804059841e-05 * f;
    const D p89 = 1.321548679014431e-06 + 1.01780860092397e-07 * f;
    const D p1011 = 7.054911620801123e-09 + 4.4455382718708116e-10 * f;
    const D p = (p01 + f2 * p23) + f4 * (p45 + f2 * p67) + f8 * ((p89 + f2 * p1011) + f4 * 2.5678435993488206e-11);
    // The low bits of u hold k; k + 1023 shifted into place is 2^k.
    const D scale = BitCast<D>((BitCast<U>(u) + 1023u) << 52);
    return p * scale;
}

// s tanh(x / s) on the lanes of L for s = 1 or 2: s - 2 s / (e^(2|x|/s) + 1) with the sign of
// x. Beyond |x| = 20 s the result is s in double precision.
template <class L, int s>
inline typename L::D ScaledTanh(typename L::D x) {
    typedef typename L::D D;
    const D ax = x < 0.0 ? -x : x;
    const D a = ax > 20.0 * s ? D{} + 20.0 * s : ax;
    const D e = Exp2InRange<L>(a * (2.8853900817779268 / s));  // 2 / ln 2; at most 58
    const D t = (double)s - 2.0 * s / (e + 1.0);
    return x < 0.0 ? -t : t;
}

// tanh on the lanes of L.
template <class L>
inline typename L::D Tanh(typename L::D x) {
    return ScaledTanh<L, 1>(x);
}

// 2 tanh(x / 2), as 2.0 * Tanh(x * 0.5) gives it, two multiplications shorter: halving and
// doubling are exact, so they fold into the limit, the constant and 2 - 4 / (e + 1).
// (Only a subnormal x, which halving would round, could come out otherwise.)
template <class L>
inline typename L::D TwiceTanhOfHalf(typename L::D x) {
    return ScaledTanh<L, 2>(x);
}

// log2 x for x > 0 (scalar): x = m 2^e with m in [sqrt(1/2), sqrt(2)), and log2 m by the
// series of atanh in s = (m - 1) / (m + 1), |s| < 0.172.
inline double Log2(double x) {
    unsigned long long bits = BitCast<unsigned long long>(x);
    int e = static_cast<int>((bits >> 52) & 0x7ff) - 1023;
    bits = (bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull;  // m in [1, 2)
    double m = BitCast<double>(bits);
    if (m > 1.4142135623730951) {
        m *= 0.5;
        ++e;
    }
    const double s = (m - 1.0) / (m + 1.0), s2 = s * s;
    double series = 1.0 / 21.0;
    for (int n = 19; n >= 1; n -= 2) series = series * s2 + 1.0 / n;
    return e + 2.8853900817779268 * s * series;  // 2 / ln 2 * atanh s
}

// x^y for x >= 0 (scalar; normal x only, 0^y = 0 for y > 0).
inline double Pow(double x, double y) {
    if (!(x > 0.0)) return x == 0.0 ? 0.0 : x;
    return Exp2<Lanes<1>>(y * Log2(x));
}

// sin x and cos x (|x| up to a few thousand) of a double or of each lane of a GCC vector of
// doubles: x = k pi/2 + r with |r| <= pi/4, r in two parts, then the Taylor series of sin
// and cos on r, chosen and signed by quadrant.
template <class D>
inline void SineCosine(D x, D& sine, D& cosine) {
    typedef std::conditional_t<std::is_arithmetic_v<D>, long long, decltype(x < x)> Bits;
    const double shifter = 6755399441055744.0;
    const D u = x * 0.6366197723675814 + shifter;  // x / (pi/2), rounded
    const D k = u - shifter;
    const D r = (x - k * 1.5707963267948966) - k * 6.123233995736766e-17;
    const Bits quadrant = BitCast<Bits>(u);
    const D r2 = r * r;
    D s = D{} - 1.0 / 1307674368000.0;
    for (double c : {1.0 / 6227020800.0, -1.0 / 39916800.0, 1.0 / 362880.0, -1.0 / 5040.0, 1.0 / 120.0, -1.0 / 6.0})
        s = s * r2 + c;
    s = r + r * r2 * s;
    D c = D{} + 1.0 / 20922789888000.0;
    for (double t :
         {-1.0 / 87178291200.0, 1.0 / 479001600.0, -1.0 / 3628800.0, 1.0 / 40320.0, -1.0 / 720.0, 1.0 / 24.0, -0.5})
        c = c * r2 + t;
    c = 1.0 + r2 * c;
    // Quadrants 0..3 give (s, c), (c, -s), (-s, -c), (-c, s): bit 0 swaps the two, bit 1
    // flips the sine's sign, bit 1 of quadrant + 1 the cosine's. Worked on the bits, with
    // masks of all ones made by subtraction, which two-lane vectors can do with SSE2 alone
    // (a comparison of 64-bit lanes would need SSE4.1).
    const Bits odd = Bits{} - (quadrant & 1);
    const Bits sign = BitCast<Bits>(-D{});  // the sign bit alone (of -0.0)
    const Bits sineFlip = sign & (Bits{} - ((quadrant >> 1) & 1));
    const Bits cosineFlip = sign & (Bits{} - (((quadrant + 1) >> 1) & 1));
    const Bits sb = BitCast<Bits>(s), cb = BitCast<Bits>(c);
    sine = BitCast<D>(((cb & odd) | (sb & ~odd)) ^ sineFlip);
    cosine = BitCast<D>(((sb & odd) | (cb & ~odd)) ^ cosineFlip);
}

inline double Sine(double x, bool cosine = false) {
    double s, c;
    SineCosine(x, s, c);
    return cosine ? c : s;
}

}  // namespace halvorax::synth
