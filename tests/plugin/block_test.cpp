#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ProbedEffect.h"

using namespace halvorax;
using test::ProbedEffect;

namespace {

class Block : public ::testing::Test {
protected:
    void SetUp() override {
        test::isolateDataHome();
        fx = std::make_unique<ProbedEffect>();
        fx->setParameter(21, 1.0f);  // VCA level, so notes are clearly audible
    }
    std::unique_ptr<ProbedEffect> fx;
};

TEST_F(Block, ParametersArriveInEngineUnits) {
    fx->setParameter(0, 0.99f);
    fx->setParameter(5, 0.5f);
    fx->setParameter(7, 0.6f);
    fx->setParameter(36, 0.5f);
    fx->block(32);
    EXPECT_EQ(fx->engine->Parameter(0), 2.0f);
    EXPECT_EQ(fx->engine->Parameter(5), 6.0f);
    EXPECT_EQ(fx->engine->Parameter(7), 3.0f);
    EXPECT_DOUBLE_EQ(fx->engine->Inputs().portaTime, 63.5);
    fx->setParameter(0, 1.0f);
    fx->setParameter(0, 2.0f / 3.0f);
    fx->block(32);
    EXPECT_EQ(fx->engine->Parameter(0), 2.0f);
    fx->HandleMidi(0, 0xe0, 0, 0x40);
    fx->block(32);
    EXPECT_DOUBLE_EQ(fx->engine->Inputs().bend, 0.5);
}

TEST_F(Block, PolyModeChangesReleaseNotesOnceAndInBetweenValuesActOnTheStep) {
    fx->block(64, {{0, 0x90, 60, 100}, {0, 0x90, 64, 100}});
    ASSERT_EQ(fx->soundingVoices(), 2);
    fx->setParameter(38, 0.7f);  // a host slider between the steps: mono
    fx->block(64);
    EXPECT_EQ(fx->soundingVoices(), 0);
    fx->block(64, {{0, 0x90, 62, 100}});
    fx->blocks(10);
    EXPECT_EQ(fx->soundingVoices(), 1);  // not released again at every segment
    EXPECT_EQ(fx->engine->PolyMode(), 0);
}

TEST_F(Block, PolyModeChangesInChordModeKeepTheNotes) {
    fx->setParameter(47, 1.0f);
    fx->block(64, {{0, 0x90, 60, 100}});
    const int held = fx->soundingVoices();
    ASSERT_GT(held, 0);
    fx->setParameter(38, 0.0f);
    fx->block(64);
    EXPECT_EQ(fx->soundingVoices(), held);
    fx->setParameter(47, 0.0f);  // leaving chord mode releases them
    fx->block(64);
    EXPECT_EQ(fx->soundingVoices(), 0);
}

TEST_F(Block, SilenceCutsRenderingOffAfterTwoSecondsUntilANoteOn) {
    fx->block(256, {{0, 0x90, 60, 100}, {100, 0x80, 60, 0}});
    fx->blocks(4 * 44100 / 256);  // the release tail, then more than two seconds of quiet
    EXPECT_GT(fx->getSilentSamples(), 2 * 44100);
    fx->setParameter(14, 0.3f);  // automation does not wake it
    EXPECT_EQ(fx->blocks(4), 0.0f);
    for (float s : fx->left) ASSERT_EQ(s, 0.0f);
    fx->block(256, {{0, 0x90, 60, 100}});
    EXPECT_EQ(fx->getSilentSamples(), 0);
    EXPECT_GT(fx->blocks(20), 0.01f);
}

TEST_F(Block, AHeldNoteIsNeverCutOff) {
    fx->block(256, {{0, 0x90, 48, 100}});
    EXPECT_GT(fx->blocks(5 * 44100 / 256), 0.01f);
    EXPECT_EQ(fx->getSilentSamples(), 0);
    EXPECT_GT(fx->blocks(4), 0.01f);
}

// From construction, each smoothed parameter moves once per segment (the master volume once
// per host block) by a tenth of the remaining distance, the step rounded to single precision;
// key follow carries +1e-8 first, then alternates. The first block's chord sounds whole.
TEST_F(Block, SmoothedParametersFadeInFromConstructionOneStepPerSegment) {
    const float pwm = 0.8f, level = 0.6f, volume = 1.0f;
    fx->setParameter(11, pwm);
    fx->setParameter(21, level);
    fx->setParameter(43, volume);
    fx->setParameter(19, 0.0f);
    double v11 = 0.0, v21 = 0.0, v43 = 0.0;
    double offset = 1e-8;
    for (int b = 0; b < 30; ++b) {
        if (b == 0)
            fx->block(128, {{0, 0x90, 60, 100}, {0, 0x90, 64, 100}, {0, 0x90, 67, 100}});
        else
            fx->block(128);
        v11 += static_cast<float>((pwm - v11) / 10.0);
        v21 += static_cast<float>((level - v21) / 10.0);
        v43 += static_cast<float>((volume - v43) / 10.0);
        ASSERT_EQ(fx->engine->Parameter(11), static_cast<float>(v11)) << "block " << b;
        ASSERT_EQ(fx->engine->Parameter(21), static_cast<float>(v21)) << "block " << b;
        ASSERT_EQ(fx->engine->Parameter(19), static_cast<float>(offset)) << "block " << b;
        ASSERT_EQ(fx->smoothers[43].value, v43) << "block " << b;
        offset = -offset;
    }
    EXPECT_EQ(fx->soundingVoices(), 3);
}

// Two effects that differ only in master volume: every sample differs by the ratio of the
// squares of the smoothed volumes, so the gain is their square and constant within the block.
TEST_F(Block, GainIsTheSquareOfTheSmoothedVolumeAndConstantWithinABlock) {
    ProbedEffect quieter;
    quieter.setParameter(21, 1.0f);
    quieter.setParameter(43, 0.25f);
    for (ProbedEffect* e : {fx.get(), &quieter}) {
        e->block(512, {{0, 0x90, 57, 110}});
        e->blocks(8, 512);
    }
    const double loud = fx->smoothers[43].value, quiet = quieter.smoothers[43].value;
    float peak = 0.0f;
    for (int i = 0; i < 512; ++i) {
        ASSERT_NEAR(fx->left[i] * quiet * quiet, quieter.left[i] * loud * loud, 1e-7) << i;
        peak = std::max(peak, std::fabs(fx->left[i]));
    }
    EXPECT_GT(peak, 0.01f);
}

}  // namespace
