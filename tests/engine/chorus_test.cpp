#include "AlphaChorus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace halvorax::synth;

namespace {

struct Stereo {
    explicit Stereo(int n) : left(n, 0.0f), right(n, 0.0f), ptrs{left.data(), right.data()} {}
    std::vector<float> left, right;
    float* ptrs[2];
};

// Centroid (in samples) of the wet part of an impulse response, skipping the dry sample.
double wetCentroid(const std::vector<float>& out) {
    double sum = 0, weighted = 0;
    for (size_t n = 1; n < out.size(); ++n) {
        sum += out[n];
        weighted += out[n] * static_cast<double>(n);
    }
    return weighted / sum;
}

// With the LFO frozen at phase 0 the left line sits at the centre delay and the
// right line, a quarter cycle ahead, at centre + depth.
void impulseDelaysMs(double sampleRate, double& leftMs, double& rightMs) {
    auto chorus = std::make_unique<AlphaChorus>();
    chorus->sampleRate = sampleRate;
    chorus->rate = 0.0;
    Stereo io(2048);
    io.left[0] = io.right[0] = 1.0f;
    chorus->blockProcess(io.ptrs, io.ptrs, 2048);
    leftMs = wetCentroid(io.left) / sampleRate * 1000.0;
    rightMs = wetCentroid(io.right) / sampleRate * 1000.0;
}

}  // namespace

TEST(AlphaChorus, DryPathGainIsThreeQuarters) {
    auto c = std::make_unique<AlphaChorus>();
    Stereo io(40);  // shorter than the shortest delay, so the wet lines are silent
    for (int n = 0; n < 40; ++n) {
        io.left[n] = 0.01f * n;
        io.right[n] = -0.02f * n;
    }
    const std::vector<float> inL = io.left, inR = io.right;
    c->blockProcess(io.ptrs, io.ptrs, 40);
    for (int n = 0; n < 40; ++n) {
        EXPECT_FLOAT_EQ(io.left[n], static_cast<float>(inL[n] * 0.75));
        EXPECT_FLOAT_EQ(io.right[n], static_cast<float>(inR[n] * 0.75));
    }
}

TEST(AlphaChorus, DelaysInMillisecondsFollowTheSampleRate) {
    double l44, r44, l96, r96;
    impulseDelaysMs(44100.0, l44, r44);
    impulseDelaysMs(96000.0, l96, r96);
    // Read positions trail the newest sample by (delay - 1) samples.
    EXPECT_NEAR(l44, 127.0 / 44.1, 1e-6);
    EXPECT_NEAR(r44, 207.0 / 44.1, 1e-6);
    EXPECT_NEAR(l96, l44, 0.02);
    EXPECT_NEAR(r96, r44, 0.02);
    EXPECT_NEAR(l96, (128.0 * 96000.0 / 44100.0 - 1.0) / 96.0, 1e-6);
}

TEST(AlphaChorus, SweepStaysWithinRangeAndWrapsTheLines) {
    auto c = std::make_unique<AlphaChorus>();
    c->rate = 10.44;
    Stereo io(50000);
    for (int n = 0; n < 50000; ++n) io.left[n] = io.right[n] = (n % 200 < 100) ? 0.5f : -0.5f;
    c->blockProcess(io.ptrs, io.ptrs, 50000);
    EXPECT_EQ(c->writeLeft, 50000 % AlphaChorus::kLineLength);
    for (int n = 0; n < 50000; ++n) {
        ASSERT_TRUE(std::isfinite(io.left[n]));
        ASSERT_LE(std::fabs(io.left[n]), 0.75f * 0.5f + 0.5625f * 0.5f + 1e-6f);
    }
    EXPECT_GE(c->lfoPhase, 0.0);
    EXPECT_LT(c->lfoPhase, 1.0);
}

// Rates no host should give: the reads stay inside the lines, the LFO stays a number, and the
// chorus plays on once the rate is sane again.
TEST(AlphaChorus, AbsurdSampleRatesNeitherOverrunNorPoison) {
    for (double rate : {1e8, 0.0}) {
        auto c = std::make_unique<AlphaChorus>();
        c->sampleRate = rate;
        Stereo io(256);
        io.left[0] = 1.0f;
        c->blockProcess(io.ptrs, io.ptrs, 256);
        EXPECT_TRUE(std::isfinite(c->lfoPhase)) << rate;
        c->sampleRate = 44100.0;
        c->blockProcess(io.ptrs, io.ptrs, 256);
        for (float v : io.left) ASSERT_TRUE(std::isfinite(v)) << rate;
    }
}

// Right after a wrap the write position is slot 0, the oldest sample, which a delay under
// one sample reads; never the memory past the line.
TEST(AlphaChorus, DelayUnderOneSampleAfterAWrapReadsTheOldestSlot) {
    auto c = std::make_unique<AlphaChorus>();
    c->sampleRate = 441.0;  // delays 0.48 .. 2.08 samples
    c->rate = 0.0;
    c->lfoPhase = 0.75;  // left delay 0.48 samples: i = 0
    c->writeLeft = AlphaChorus::kLineLength - 1;
    c->delayLeft[0] = 0.25;
    c->delayRight[0] = 1000.0;  // the memory just past the left line
    Stereo io(1);
    io.left[0] = 1.0f;
    c->blockProcess(io.ptrs, io.ptrs, 1);
    ASSERT_EQ(c->writeLeft, 0);
    const double w = static_cast<float>(0.48);
    EXPECT_DOUBLE_EQ(c->lastWetLeft, w * 0.75 + (1 - w) * 0.25);
    EXPECT_FLOAT_EQ(io.left[0], static_cast<float>((0.5 + 0.5 * c->lastWetLeft) * 1.5));
}
