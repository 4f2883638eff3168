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

TEST(JunoVCF, ConstructionDefaults) {
    JunoVCF f;
    EXPECT_FLOAT_EQ(f.cutoff, 0.5f);
    EXPECT_FLOAT_EQ(f.resonance, 0.5f);
    EXPECT_EQ(f.outputTap, 0);
    EXPECT_EQ(f.filterType, 0);
    EXPECT_DOUBLE_EQ(f.antiDenormal, 1e-8);
    EXPECT_DOUBLE_EQ(f.ratio, 1.0);
    for (double s : f.state) EXPECT_EQ(s, 0.0);
}

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

namespace {

// The filter written out step by step in its plainest form, with every
// single-precision rounding point where the filter's design puts it. The filter
// under test must agree with it bit for bit, sample after sample.
struct ReferenceFilter {
    double s[6] = {0, 0, 0, 0, 0, 0};
    double d = 1e-8;

    static double pick(int tap, double lp, double bp, double hp) {
        return tap == 1 ? bp : tap == 2 ? hp : lp;
    }
    double nextOffset() {
        const double v = d;
        d = -d;
        return v;
    }
    float type0(float x, float cf, float rf, int tap) {
        const double dd = nextOffset(), r = rf, c = cf;
        const double k = 1.007 - r;
        const float u = static_cast<float>(r * x + 1.5 * x * (1 - r));
        const double g = std::min(std::max(1.4 * c, 0.001), 1.1);
        double lp = s[0], bp = s[1];
        double h = u - k * bp - lp + dd;
        bp = bp + g * h + dd;
        lp = lp + g * bp + dd;
        const float u2 = static_cast<float>((1 - r) * pick(tap, lp, bp, h));
        h = u2 - k * bp - lp + dd;
        bp = bp + g * h + dd;
        lp = lp + g * bp + dd;
        const double out = pick(tap, lp, bp, h);
        s[0] = std::tanh(lp);
        s[1] = std::tanh(bp);
        s[2] = std::tanh(h);
        const float cc = cf * cf;
        const double m = std::min(static_cast<double>(cc), 0.5);
        return static_cast<float>(out * ((1 - m) * 2.5 + m));
    }
    float section1(float u, int b, double g, double k, double dd) {
        double lp = s[b], bp = s[b + 1];
        bp = (u - k * bp - lp + dd) * g + dd + bp;
        lp = bp * g + dd + lp;
        const double h = u - k * bp - lp + dd;
        s[b + 2] = h;
        bp = h * g + dd + bp;
        s[b + 1] = bp;
        lp = bp * g + dd + lp;
        lp = 2 * std::tanh(lp * 0.5);
        s[b] = lp;
        return static_cast<float>(bp * 0.4 + lp);
    }
    float type1(float x, float cf, float rf) {
        const double dd = nextOffset(), r = rf, c = cf;
        const double g = std::min(std::max(0.001, 1.5 * c), 1 + 0.1 * r);
        const float u = static_cast<float>((1 - r) * x + 0.25 * x * r);
        const double k = 1.007 - 0.85 * r;
        const float y1 = section1(u, 0, g, k, dd);
        return static_cast<float>(2 * section1(y1, 3, g, k, dd));
    }
    float plain(float x, float cf, float rf, int tap) {
        const double dd = nextOffset(), r = rf, c = cf;
        const double g = std::min(std::max(1.4 * c, 0.001), 1.2);
        const double k = (1.007 - r) / g;
        const float u = static_cast<float>(x + dd);
        const double bp1 = (u - k * s[1] - s[0]) * g + dd + s[1];
        const double lp1 = bp1 * g + dd + s[0];
        const double h = u - k * bp1 - lp1;
        s[2] = h;
        s[1] = h * g + bp1;
        s[0] = g * s[1] + lp1;
        return static_cast<float>(pick(tap, s[0], s[1], h));
    }
};

// A reproducible test signal: a bright sawtooth with noise and level jumps.
float testInput(int n, unsigned& seed) {
    seed = seed * 1664525u + 1013904223u;
    const float noise = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    const float saw = static_cast<float>((n % 97) / 48.5 - 1.0);
    return ((n / 3000) % 2 ? 2.5f : 0.7f) * saw + 0.3f * noise;
}

// Cutoff and resonance swept the way a voice moves them from sample to sample,
// touching 0 and the full-cutoff and full-resonance corners.
void sweep(int n, float& cutoff, float& reso) {
    const double t = n / 20000.0;
    const float c = static_cast<float>(std::clamp(0.5 + 0.6 * std::sin(6.2831853 * t * 3.1), 0.0, 1.0));
    cutoff = c * c * c * c * (n % 5000 < 2500 ? 1.0f : 0.459375f);
    reso = static_cast<float>(std::clamp(0.5 + 0.55 * std::sin(6.2831853 * t * 1.7), 0.0, 1.0));
}

}  // namespace

TEST(JunoVCF, Type0MatchesTheStepByStepModelForEveryTap) {
    for (int tap : {0, 1, 2}) {
        JunoVCF f;
        f.outputTap = tap;
        ReferenceFilter ref;
        unsigned seed = 7;
        for (int n = 0; n < 40000; ++n) {
            sweep(n, f.cutoff, f.resonance);
            const float x = testInput(n, seed);
            ASSERT_EQ(f.processJuno(x), ref.type0(x, f.cutoff, f.resonance, tap)) << "tap " << tap << " n " << n;
        }
        // The high-pass state (2) is not read by any filter type and stays unsaturated.
        for (int i = 0; i < 2; ++i) EXPECT_EQ(f.state[i], ref.s[i]);
    }
}

TEST(JunoVCF, Type1MatchesTheStepByStepModelAndIgnoresTheTap) {
    JunoVCF f;
    f.filterType = 1;
    f.outputTap = 2;
    ReferenceFilter ref;
    unsigned seed = 11;
    for (int n = 0; n < 40000; ++n) {
        sweep(n, f.cutoff, f.resonance);
        const float x = testInput(n, seed);
        ASSERT_EQ(f.processJuno(x), ref.type1(x, f.cutoff, f.resonance)) << n;
    }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(f.state[i], ref.s[i]) << i;
}

TEST(JunoVCF, TypeSwitchesShareStatesLikeTheModel) {
    JunoVCF f;
    ReferenceFilter ref;
    unsigned seed = 3;
    for (int n = 0; n < 30000; ++n) {
        sweep(n, f.cutoff, f.resonance);
        f.filterType = (n / 700) % 3;  // 2: passes the input, still flips the offset
        const float x = testInput(n, seed);
        const float want = f.filterType == 0   ? ref.type0(x, f.cutoff, f.resonance, 0)
                           : f.filterType == 1 ? ref.type1(x, f.cutoff, f.resonance)
                                               : (ref.nextOffset(), x);
        ASSERT_EQ(f.processJuno(x), want) << n;
    }
}

TEST(JunoVCF, Process2MatchesTheStepByStepModelForEveryTap) {
    for (int tap : {0, 1, 2}) {
        JunoVCF f;
        f.outputTap = tap;
        ReferenceFilter ref;
        unsigned seed = 5;
        for (int n = 0; n < 40000; ++n) {
            // The bass stage's own setting, then a sweep reaching the 1.2 loop-gain limit.
            if (n < 20000) {
                f.cutoff = static_cast<float>(std::pow(0.4000000059604645, 4));
                f.resonance = 0.109f;
            } else {
                sweep(n, f.cutoff, f.resonance);
                f.cutoff *= 1.2f;
                f.resonance *= 0.3f;
            }
            const float x = testInput(n, seed) * 0.2f;
            ASSERT_EQ(f.process2(x), ref.plain(x, f.cutoff, f.resonance, tap)) << "tap " << tap << " n " << n;
        }
    }
}
