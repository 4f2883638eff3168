#pragma once

// The number types the voice code is written in. Lanes<W> holds W voices side by side:
// Lanes<1> is plain scalars (one voice), Lanes<4> and Lanes<8> are vectors (LaneMath.h,
// built only for the processors that have them). Each provides
//   D   doubles            I    64-bit masks and whole numbers (a comparison of D gives I)
//   F   floats             I32  32-bit whole numbers (a comparison of F or I32 gives I32)
//   U32 unsigned 32-bit
// and the operations below, so that one text of the voice runs at every width with the
// same IEEE operations in every lane.

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace halvorax::synth {

template <int W>
struct Lanes;

template <>
struct Lanes<1> {
    static constexpr int kWidth = 1;
    typedef double D;
    typedef long long I;
    typedef float F;
    typedef int I32;
    typedef unsigned U32;
    typedef unsigned long long U64;

    static double Lane(double x, int) { return x; }
    static long long Lane(long long x, int) { return x; }
    static double Column(const double* rows, int) { return rows[0]; }
    template <class M>
    static bool Any(M mask) {
        return mask != 0;
    }
    static double Floor(double x) { return std::floor(x); }
    static float Gather(const float* base, int index) { return base[index]; }
    static int Gather(const int* base, int index) { return base[index]; }
    static int MapEntries(const uint8_t* map, int index) { return map[index]; }
    static double Widen(float x) { return x; }
};

// Number conversions, lane by lane (truncating toward zero into whole numbers, like a cast).
template <class To, class From>
inline To Convert(From x) {
    if constexpr (std::is_arithmetic_v<From>)
        return static_cast<To>(x);
    else
        return __builtin_convertvector(x, To);
}

// The same bits read as another type of the same size (vectors); a value cast (scalars).
template <class To, class From>
inline To Reinterpret(From x) {
    if constexpr (std::is_arithmetic_v<From>)
        return static_cast<To>(x);
    else
        return (To)x;
}

// The double lanes rounded to single precision and back.
template <class L>
inline typename L::D RoundToFloat(typename L::D x) {
    return L::Widen(Convert<typename L::F>(x));
}

// x limited to lo..hi as std::clamp does it.
template <class D>
inline D Clamp(D x, double lo, double hi) {
    return x < lo ? D{} + lo : (x > hi ? D{} + hi : x);
}

}  // namespace halvorax::synth
