// The engine's own exp2, tanh, pow and sine against the C library's, over the ranges the
// engine uses, to within a few units in the last place (relative to 1 where the result is small).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "Transcendentals.h"

using namespace halvorax::synth;

namespace {

// |a - b| in units of 2^-52 of max(|b|, floor).
double ulps(double a, double b, double floor) { return std::fabs(a - b) / (std::max(std::fabs(b), floor) * 0x1p-52); }

}  // namespace

TEST(Transcendentals, AgreeWithTheCLibraryWithinAFewUlps) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> pitch(-40.0, 40.0), state(-25.0, 25.0), small(-1e-3, 1e-3), unit(0.0, 1.0),
        angle(-7.0, 8.0);
    double worstExp2 = 0, worstTanh = 0, worstPow = 0, worstSine = 0;
    int twiceTanhDiffers = 0;  // the folded 2 tanh(x / 2) must equal the plain one bit for bit
    for (int i = 0; i < 200000; ++i) {
        const double p = pitch(rng), s = i % 4 ? state(rng) : small(rng), u = unit(rng), a = angle(rng);
        worstExp2 = std::max(worstExp2, ulps(Exp2<Lanes<1>>(p), std::exp2(p), 0.0));
        worstTanh = std::max(worstTanh, ulps(Tanh<Lanes<1>>(s), std::tanh(s), 1.0));
        for (double x : {2.0 * s, s, s * 0x1p-20})
            twiceTanhDiffers += TwiceTanhOfHalf<Lanes<1>>(x) != 2.0 * Tanh<Lanes<1>>(x * 0.5);
        worstPow = std::max(worstPow, ulps(Pow(u, 4.1), std::pow(u, 4.1), 0.0));
        worstSine = std::max({worstSine, ulps(Sine(a), std::sin(a), 1.0), ulps(Sine(a, true), std::cos(a), 1.0)});
    }
    EXPECT_LT(worstExp2, 4.0);
    EXPECT_LT(worstTanh, 4.0);
    EXPECT_LT(worstPow, 64.0);  // x^4.1 near 0 magnifies the logarithm's last bits
    EXPECT_LT(worstSine, 4.0);
    EXPECT_EQ(twiceTanhDiffers, 0);
    for (double x : {40.0, -40.0, std::nextafter(40.0, 50.0), 1e300, 0.0})
        EXPECT_EQ(TwiceTanhOfHalf<Lanes<1>>(x), 2.0 * Tanh<Lanes<1>>(x * 0.5)) << x;
    EXPECT_EQ(Tanh<Lanes<1>>(100.0), 1.0);
    EXPECT_EQ(Tanh<Lanes<1>>(-100.0), -1.0);
    EXPECT_TRUE(std::isnan(Tanh<Lanes<1>>(NAN)));
    EXPECT_EQ(Exp2<Lanes<1>>(3.0), 8.0);
    EXPECT_EQ(Pow(0.0, 7.0), 0.0);
}
