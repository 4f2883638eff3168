// The voice filter's behaviour at its edges: the bass boost at DC, decays into silence (a voice's
// tail does not show a bass stage that lost its anti-denormal offset). Its exact output is pinned
// by the golden renders; full resonance at every rate is bounded in the voice tests.
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

TEST(JunoVCF, BassBoostIsUnityGainLowPassAtDc) {
    Filter f;
    const double g = Filter::PlainGain(voiceCutoff(0.4, 44100.0));
    const double k = Filter::PlainDamping(static_cast<double>(0.109f), g);
    double y = 0;
    for (int n = 0; n < 200000; ++n) y = f.ProcessPlain(0.5, g, k);
    EXPECT_NEAR(y, 0.5, 1e-4);
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
