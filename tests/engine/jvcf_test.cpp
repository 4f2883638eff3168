#include "JunoVCF.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kD = 1e-8;  // the filter's anti-denormal offset at construction

// First output of a fresh type-0 filter for input x, from damping k, input gain
// and loop gain g as the filter type defines them.
float firstType0(float x, double r, double c, double k, double inGain, double g) {
    const float u = static_cast<float>(inGain * x);
    double h = u + kD;
    double bp = g * h + kD;
    double lp = g * bp + kD;
    const float u2 = static_cast<float>((1.0 - r) * lp);
    h = u2 - k * bp - lp + kD;
    bp += g * h + kD;
    lp += g * bp + kD;
    const double m = std::min(static_cast<double>(static_cast<float>(c) * static_cast<float>(c)), 0.5);
    return static_cast<float>(lp * ((1.0 - m) * 2.5 + m));
}

// First output of a fresh type-1 filter; one section of it from rest.
float firstSection1(float u, double k, double g, double& lp, double& bp) {
    bp = (u - k * bp - lp + kD) * g + kD + bp;
    lp = bp * g + kD + lp;
    const double h = u - k * bp - lp + kD;
    bp = h * g + kD + bp;
    lp = 2.0 * std::tanh((bp * g + kD + lp) * 0.5);
    return static_cast<float>(bp * 0.4 + lp);
}

float firstType1(float x, double inGain, double k, double g) {
    double lp1 = 0, bp1 = 0, lp2 = 0, bp2 = 0;
    const float y1 = firstSection1(static_cast<float>(inGain * x), k, g, lp1, bp1);
    return static_cast<float>(2.0 * firstSection1(y1, k, g, lp2, bp2));
}

JunoVCF makeFilter(int type, float cutoff, float reso) {
    JunoVCF f;
    f.filterType = type;
    f.cutoff = cutoff;
    f.resonance = reso;
    return f;
}

// Cutoff coefficient as the voice computes it for a control value at a sample rate.
float voiceCutoff(double control, double sampleRate) {
    const float c = static_cast<float>(std::clamp(control, 0.001, 1.0));
    return static_cast<float>(static_cast<double>(c * c * c * c) * 44100.0 / sampleRate);
}

}  // namespace

TEST(JunoVCF, Type0DampingAndInputGainAtResonanceEdges) {
    // Full resonance: damping 0.007, input gain 1.0, second pass fed by zero.
    JunoVCF f = makeFilter(0, 0.3f, 1.0f);
    EXPECT_FLOAT_EQ(f.processJuno(0.8f), firstType0(0.8f, 1.0, 0.3, 0.007, 1.0, 1.4 * 0.3f));
    // No resonance: damping 1.007, input gain 1.5.
    JunoVCF g = makeFilter(0, 0.3f, 0.0f);
    EXPECT_FLOAT_EQ(g.processJuno(0.8f), firstType0(0.8f, 0.0, 0.3, 1.007, 1.5, 1.4 * 0.3f));
}

TEST(JunoVCF, Type0GainMakeUpAndLoopGainClamp) {
    // Lowest cutoff: loop gain floors at 0.001 and make-up is almost 2.5.
    JunoVCF lo = makeFilter(0, 0.0f, 0.5f);
    EXPECT_FLOAT_EQ(lo.processJuno(1.0f), firstType0(1.0f, 0.5, 0.0, 0.507, 1.25, 0.001));
    // c^2 above 0.5: make-up 1.75; 1.4 c beyond 1.1 is clamped.
    JunoVCF hi = makeFilter(0, 0.9f, 0.5f);
    EXPECT_FLOAT_EQ(hi.processJuno(1.0f), firstType0(1.0f, 0.5, 0.9, 0.507, 1.25, 1.1));
}

TEST(JunoVCF, Type1DampingAndLoopGainAtFullResonance) {
    // Damping 0.157, loop gain limited to 1.1, input gain 0.25.
    JunoVCF f = makeFilter(1, 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(f.processJuno(0.5f), firstType1(0.5f, 0.25, 0.157, 1.1));
    // No resonance: damping 1.007, limit 1.0, input gain 1.0.
    JunoVCF g = makeFilter(1, 1.0f, 0.0f);
    EXPECT_FLOAT_EQ(g.processJuno(0.5f), firstType1(0.5f, 1.0, 1.007, 1.0));
    // Cutoff 0: loop gain floors at 0.001.
    JunoVCF z = makeFilter(1, 0.0f, 0.5f);
    EXPECT_FLOAT_EQ(z.processJuno(0.5f), firstType1(0.5f, 0.625, 1.007 - 0.425, 0.001));
}

TEST(JunoVCF, UnknownTypePassesInputAndStillFlipsOffset) {
    for (int type : {2, 7, -1}) {
        JunoVCF f = makeFilter(type, 0.5f, 0.5f);
        EXPECT_EQ(f.processJuno(0.123f), 0.123f);
        EXPECT_DOUBLE_EQ(f.antiDenormal, -1e-8);
    }
}

TEST(JunoVCF, Process2IsUnityGainLowPassAtDc) {
    JunoVCF f = makeFilter(0, voiceCutoff(0.4, 44100.0), 0.109f);
    float y = 0;
    for (int n = 0; n < 200000; ++n) y = f.process2(0.5f);
    EXPECT_NEAR(y, 0.5f, 1e-4);
    // The high-pass tap of the same filter settles to nothing at DC.
    f.outputTap = 2;
    EXPECT_NEAR(f.process2(0.5f), 0.0f, 1e-4);
}

TEST(JunoVCF, Process2StartsFromInputPlusOffset) {
    JunoVCF f = makeFilter(0, 0.5f, 0.109f);
    const double g = 1.4 * 0.5;
    const double k = (1.007 - 0.109f) / g;
    const float u = static_cast<float>(1.0 + kD);
    const double bp1 = u * g + kD;
    const double lp1 = bp1 * g + kD;
    const double h = u - k * bp1 - lp1;
    const double bp = h * g + bp1;
    EXPECT_FLOAT_EQ(f.process2(1.0f), static_cast<float>(g * bp + lp1));
}

// A loud, bright sawtooth through both types at full resonance at every sample
// rate the host may choose and across the cutoff range: output stays finite and bounded.
TEST(JunoVCF, FullResonanceStaysBoundedAtAllRates) {
    for (int type : {0, 1}) {
        for (double sr : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
            for (double control : {0.0, 0.2, 0.5, 0.8, 1.0}) {
                JunoVCF f = makeFilter(type, voiceCutoff(control, sr), 1.0f);
                double peak = 0;
                double phase = 0;
                const int n = static_cast<int>(sr);  // one second
                for (int i = 0; i < n; ++i) {
                    phase += 110.0 / sr;
                    phase -= std::floor(phase);
                    const float x = static_cast<float>(2.0 * (2.0 * phase - 1.0));
                    const float y = f.processJuno(x);
                    ASSERT_TRUE(std::isfinite(y)) << type << " " << sr << " " << control;
                    peak = std::max(peak, static_cast<double>(std::fabs(y)));
                }
                EXPECT_LT(peak, 20.0) << "type " << type << " rate " << sr << " control " << control;
            }
        }
    }
}

TEST(JunoVCF, DecayNeverGoesDenormal) {
    for (int type : {0, 1}) {
        JunoVCF f = makeFilter(type, voiceCutoff(0.3, 44100.0), 0.7f);
        for (int i = 0; i < 1000; ++i) f.processJuno(i % 100 < 50 ? 1.0f : -1.0f);
        for (int i = 0; i < 441000; ++i) {
            const float y = f.processJuno(0.0f);
            ASSERT_NE(std::fpclassify(y), FP_SUBNORMAL) << "type " << type << " sample " << i;
            for (int s = 0; s < 6; ++s) ASSERT_NE(std::fpclassify(f.state[s]), FP_SUBNORMAL);
        }
    }
    JunoVCF bass = makeFilter(0, voiceCutoff(0.4, 44100.0), 0.109f);
    for (int i = 0; i < 1000; ++i) bass.process2(1.0f);
    for (int i = 0; i < 441000; ++i) {
        ASSERT_NE(std::fpclassify(bass.process2(0.0f)), FP_SUBNORMAL);
        for (int s = 0; s < 3; ++s) ASSERT_NE(std::fpclassify(bass.state[s]), FP_SUBNORMAL);
    }
}

TEST(JunoVCF, FilterTypeSwitchKeepsSharedStates) {
    JunoVCF f = makeFilter(1, 0.2f, 0.3f);
    for (int i = 0; i < 64; ++i) f.processJuno(1.0f);
    const double lp = f.state[0];
    f.filterType = 0;
    EXPECT_EQ(f.state[0], lp);
    EXPECT_TRUE(std::isfinite(f.processJuno(1.0f)));
}
