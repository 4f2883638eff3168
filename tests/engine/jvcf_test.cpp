// The voice filter's behaviour at its edges: unknown types, the bass boost at DC, full
// resonance at every rate, decays into silence. Its exact output is pinned by the golden renders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "JunoVCF.h"

using namespace halvorax::synth;

namespace {

typedef JunoVCF<Lanes<1>> Filter;

// Cutoff coefficient as the voice computes it for a control value at a sample rate.
double voiceCutoff(double control, double sampleRate) {
    const float c = static_cast<float>(std::clamp(control, 0.001, 1.0));
    return static_cast<double>(c * c * c * c) * 44100.0 / sampleRate;
}

// count samples of x through the filter at a fixed cutoff; returns the outputs.
std::vector<double> run(Filter& f, int type, double cutoff, double resonance, const std::vector<double>& x) {
    std::vector<double> c(x.size(), static_cast<float>(cutoff)), y(x.size());
    f.Process(type, x.data(), c.data(), static_cast<float>(resonance), y.data(), static_cast<int>(x.size()));
    return y;
}

}  // namespace

TEST(JunoVCF, UnknownTypePassesInputAndStillFlipsOffset) {
    for (int type : {2, 7, -1}) {
        Filter f;
        EXPECT_EQ(run(f, type, 0.5, 0.5, {0.123f})[0], static_cast<double>(0.123f));
        EXPECT_DOUBLE_EQ(f.antiDenormal, -1e-8);
    }
}

TEST(JunoVCF, BassBoostIsUnityGainLowPassAtDc) {
    Filter f;
    const double g = Filter::PlainGain(voiceCutoff(0.4, 44100.0));
    const double k = Filter::PlainDamping(static_cast<double>(0.109f), g);
    double y = 0;
    for (int n = 0; n < 200000; ++n) y = f.ProcessPlain(0.5, g, k);
    EXPECT_NEAR(y, 0.5, 1e-4);
}

// A loud, bright sawtooth through both types at full resonance at every sample rate the
// host may choose and across the cutoff range: output stays finite and bounded.
TEST(JunoVCF, FullResonanceStaysBoundedAtAllRates) {
    for (int type : {0, 1}) {
        for (double sr : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
            for (double control : {0.0, 0.2, 0.5, 0.8, 1.0}) {
                Filter f;
                std::vector<double> x(static_cast<size_t>(sr));  // one second
                double phase = 0;
                for (double& s : x) {
                    phase += 110.0 / sr;
                    phase -= std::floor(phase);
                    s = static_cast<float>(2.0 * (2.0 * phase - 1.0));
                }
                double peak = 0;
                for (double y : run(f, type, voiceCutoff(control, sr), 1.0, x)) {
                    ASSERT_TRUE(std::isfinite(y)) << type << " " << sr << " " << control;
                    peak = std::max(peak, std::fabs(y));
                }
                EXPECT_LT(peak, 20.0) << "type " << type << " rate " << sr << " control " << control;
            }
        }
    }
}

TEST(JunoVCF, DecayNeverGoesDenormal) {
    for (int type : {0, 1}) {
        Filter f;
        std::vector<double> burst(1000);
        for (int i = 0; i < 1000; ++i) burst[i] = i % 100 < 50 ? 1.0 : -1.0;
        run(f, type, voiceCutoff(0.3, 44100.0), 0.7, burst);
        const std::vector<double> silence(4410, 0.0);
        for (int b = 0; b < 100; ++b) {
            for (double y : run(f, type, voiceCutoff(0.3, 44100.0), 0.7, silence))
                ASSERT_NE(std::fpclassify(y), FP_SUBNORMAL) << "type " << type;
            for (double s : f.state) ASSERT_NE(std::fpclassify(s), FP_SUBNORMAL);
        }
    }
    Filter bass;
    const double g = Filter::PlainGain(voiceCutoff(0.4, 44100.0));
    const double k = Filter::PlainDamping(static_cast<double>(0.109f), g);
    for (int i = 0; i < 1000; ++i) bass.ProcessPlain(1.0, g, k);
    for (int i = 0; i < 441000; ++i) {
        ASSERT_NE(std::fpclassify(bass.ProcessPlain(0.0, g, k)), FP_SUBNORMAL);
        for (int s = 0; s < 3; ++s) ASSERT_NE(std::fpclassify(bass.state[s]), FP_SUBNORMAL);
    }
}
