#include <gtest/gtest.h>

#include <cmath>

#include "JunoEnvelope.h"
#include "JunoLfo.h"

using namespace halvorax::synth;

namespace {

// One voice's envelope with its block rates, stepped as the voice steps it.
struct Env {
    JunoEnvelope<Lanes<1>> e;
    JunoEnvelopeRates<Lanes<1>> r{};
    void SetRates(float t1, float t2, float t3, float t4, double key, double rate) {
        r = JunoEnvelopeRatesFor(t1, t2, t3, t4, key, rate);
    }
    void Step(float l1, float l2, float l3, double a) { e.Step(r, l1, l2, l3, a); }
    void Begin() { e.Begin(); }
    int state() const { return static_cast<int>(e.state); }
    float level() const { return static_cast<float>(e.level); }
};

// Steps an envelope until it leaves the given state; returns the step count.
int stepsWhileIn(Env& env, int state, float l1, float l2, float l3, int limit) {
    int steps = 0;
    double a = 1e-14;
    while (env.state() == state && steps < limit) {
        env.Step(l1, l2, l3, a);
        a = -a;
        ++steps;
    }
    return steps;
}

}  // namespace

// Segment times in samples at 44.1 kHz at the table's breakpoints, rising between them; controls
// 0..1 pick indices 1..127.
TEST(EnvelopeTimeTable, BreakpointsAndIndices) {
    const int index[] = {16, 32, 50, 64, 80, 90, 100, 110, 127};
    const int samples[] = {664, 1740, 6231, 16305, 49344, 99746, 195765, 391296, 1469661};
    EXPECT_EQ(JunoEnvTime(0), 0.0);
    EXPECT_DOUBLE_EQ(JunoEnvTime(1), 0.00094104);
    for (int i = 0; i < 9; ++i) EXPECT_EQ((int)std::lround(JunoEnvTime(index[i]) * 44100.0), samples[i]) << index[i];
    for (int i = 1; i < 127; ++i) EXPECT_LT(JunoEnvTime(i), JunoEnvTime(i + 1)) << i;
    EXPECT_EQ(JunoEnvIndex(0.0), 1);
    EXPECT_EQ(JunoEnvIndex(0.5), 63);
    EXPECT_EQ(JunoEnvIndex(1.0), 127);
    EXPECT_EQ(JunoEnvIndex(2.0), 127);
    EXPECT_EQ(JunoEnvIndex(-1.0), 1);
}

TEST(EnvelopeRates, SegmentIndices) {
    Env env;
    env.SetRates(0.0f, 0.0f, 1.0f, 0.5f, 1.0, 44100.0);
    // T1 = 0 still uses index 1; T2 falling starts at index trunc(0.1889 * 127) = 23.
    EXPECT_EQ(env.r.attack, (double)(float)(1.0 / (44100.0 * JunoEnvTime(1) + 1.0)));
    EXPECT_EQ(env.r.decayFall, (double)(float)(1.0 / (44100.0 * JunoEnvTime(23) + 1.0)));
    EXPECT_EQ(env.r.decayRise, (double)(float)(1.0 / (44100.0 * JunoEnvTime(1) + 1.0)));
    EXPECT_EQ(env.r.sustain, (double)(float)(1.0 / (44100.0 * JunoEnvTime(127) + 1.0)));
    EXPECT_EQ(env.r.release, (double)(float)(1.0 / (44100.0 * JunoEnvTime(63) + 1.0)));
}

TEST(EnvelopeSegments, AttackTimingInSamples) {
    for (double rate : {44100.0, 96000.0}) {
        for (float t1 : {0.0f, 0.2f, 0.5f}) {
            Env env;
            env.SetRates(t1, 0.5f, 0.5f, 0.5f, 1.0, rate);
            env.Begin();
            env.Step(1.0f, 0.5f, 0.5f, 1e-14);  // start -> attack
            const int steps = stepsWhileIn(env, kEnvAttack, 1.0f, 0.5f, 0.5f, 10000000);
            // A linear ramp of attackRate per sample up to 1.25 x L1; the level is
            // held in single precision, so long ramps drift by a few samples.
            const double seconds = JunoEnvTime(std::max(1, (int)((float)(t1 * 0.99 + 0.01) * 127.0f)));
            const double expected = 1.25 * (rate * seconds + 1.0);
            EXPECT_NEAR(steps, expected, 1.0 + 2e-4 * expected) << rate << " " << t1;
            EXPECT_EQ(env.level(), 1.25f);
        }
    }
}

TEST(EnvelopeSegments, AttackOvershootsThenFallsToL2) {
    Env env;
    env.SetRates(0.1f, 0.2f, 0.5f, 0.5f, 1.0, 44100.0);
    env.Begin();
    EXPECT_EQ(stepsWhileIn(env, kEnvStart, 0.8f, 0.3f, 0.5f, 10), 1);
    stepsWhileIn(env, kEnvAttack, 0.8f, 0.3f, 0.5f, 1000000);
    EXPECT_EQ(env.state(), kEnvAttackDone);
    EXPECT_EQ(env.level(), (float)(0.8f * 1.25));
    env.Step(0.8f, 0.3f, 0.5f, 1e-14);
    EXPECT_EQ(env.state(), kEnvDecay);
    const int fall = stepsWhileIn(env, kEnvDecay, 0.8f, 0.3f, 0.5f, 10000000);
    EXPECT_EQ(env.level(), 0.3f);
    EXPECT_NEAR(fall, (1.0 - 0.3) / env.r.decayFall, 2.0);
}

TEST(EnvelopeSegments, T2ComparesL2WithL1NotTheOvershoot) {
    // L1 < L2 < 1.25 x L1: the rising branch is taken from the overshot level,
    // which is already above L2, so the level drops to L2 on the first T2 step.
    Env env;
    env.SetRates(0.0f, 0.9f, 0.5f, 0.5f, 1.0, 44100.0);
    env.Begin();
    stepsWhileIn(env, kEnvStart, 0.6f, 0.7f, 0.5f, 10);
    stepsWhileIn(env, kEnvAttack, 0.6f, 0.7f, 0.5f, 100000);
    env.Step(0.6f, 0.7f, 0.5f, 1e-14);  // attack done -> T2
    EXPECT_FLOAT_EQ(env.level(), 0.75f);
    env.Step(0.6f, 0.7f, 0.5f, 1e-14);
    EXPECT_EQ(env.state(), kEnvSustain);
    EXPECT_EQ(env.level(), 0.7f);
}

TEST(EnvelopeSegments, ZeroL1EndsAttackAtOnce) {
    Env env;
    env.SetRates(0.5f, 0.5f, 0.5f, 0.5f, 1.0, 44100.0);
    env.Begin();
    env.Step(0.0f, 0.5f, 0.5f, 1e-14);
    env.Step(0.0f, 0.5f, 0.5f, 1e-14);
    EXPECT_EQ(env.state(), kEnvAttackDone);
    EXPECT_EQ(env.level(), 0.0f);
}

TEST(EnvelopeSegments, ReleaseReachesExactZeroWithoutDenormals) {
    for (double rate : {44100.0, 192000.0}) {
        Env env;
        env.SetRates(0.5f, 0.5f, 0.5f, 0.0f, 1.0, rate);
        env.e.state = kEnvRelease;
        env.e.level = 1.0f;
        double a = 1e-14;
        int steps = 0;
        while (env.level() != 0.0f && steps < 10000000) {
            env.Step(1.0f, 1.0f, 1.0f, a);
            ASSERT_NE(std::fpclassify(env.level()), FP_SUBNORMAL);
            a = -a;
            ++steps;
        }
        EXPECT_EQ(env.level(), 0.0f) << rate;
        for (int i = 0; i < 1000; ++i, a = -a) env.Step(1.0f, 1.0f, 1.0f, a);
        EXPECT_EQ(env.level(), 0.0f);
    }
}

TEST(Lfo, Rates) {
    EXPECT_NEAR(JunoLfoIncrement(0.0f, 44100.0) * 44100.0, 0.01675, 1e-5);
    EXPECT_NEAR(JunoLfoIncrement(1.0f, 44100.0) * 44100.0, 60.329, 1e-3);
    EXPECT_NEAR(JunoPwmLfoIncrement(0.0f, 48000.0) * 48000.0, 0.0524, 1e-9);
    EXPECT_NEAR(JunoPwmLfoIncrement(1.0f, 48000.0) * 48000.0, 19.41, 1e-9);
}

TEST(Lfo, DelayFadesInFromZero) {
    JunoLfo<Lanes<1>> lfo;
    const double increment = JunoLfoIncrement(0.5f, 44100.0);
    const double d = JunoLfoDelayRate(0.0f, 44100.0);  // delay 0 still fades over index 1
    EXPECT_EQ(d, (float)(1.0 / (44100.0 * JunoEnvTime(1) + 1.0)));
    lfo.phase = 0.25;
    lfo.delayLevel = 0.0;
    EXPECT_EQ(lfo.NextFaded(increment, d), 0.0);  // value before the fade advances
    int steps = 1;
    while (lfo.delayLevel < 1.0 && steps < 1000) {
        lfo.NextFaded(increment, d);
        ++steps;
    }
    EXPECT_EQ(steps, (int)std::ceil(1.0 / d));
    EXPECT_EQ(lfo.delayLevel, 1.0);
}
