#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "AlphaJunoVoice.h"
#include "VoiceGroup.h"

using namespace halvorax::synth;

namespace {

// A voice with its inputs, its own cutoff buffer and output channels.
struct VoiceRig {
    std::unique_ptr<AlphaJunoVoice> voice = std::make_unique<AlphaJunoVoice>();
    VoiceInputs in;
    std::unique_ptr<VoiceGroup::Scratch> scratch = std::make_unique<VoiceGroup::Scratch>();
    std::vector<float> cutoff = std::vector<float>(4096, 0.5f);
    std::vector<float> left = std::vector<float>(4096), right = std::vector<float>(4096);

    VoiceRig() { in.cutoffInput = cutoff.data(); }
    AlphaJunoVoice& operator*() { return *voice; }
    AlphaJunoVoice* operator->() { return voice.get(); }

    // Renders count samples (at most 4096) into cleared channels.
    void render(int count) {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        float* out[2] = {left.data(), right.data()};
        AlphaJunoVoice* one = voice.get();
        VoiceGroup::Render(&one, 1, in, out, count, *scratch);
    }
};

// Every source at its maximum and modulation on every route (slot, value); the filter type
// (slot 59) and the high-pass mode (slot 13) are chosen by the test.
constexpr float kHeavyPatch[][2] = {{1, 1},     {2, 1},  {3, 0},     {4, 1},  {5, 12},    {6, 3},  {7, 3},  {8, 2},
                                    {9, 3},     {10, 3}, {11, 1},    {12, 1}, {15, 1},    {16, 1}, {17, 0}, {18, 1},
                                    {19, 1},    {20, 1}, {21, 1},    {22, 0}, {23, 1},    {26, 1}, {28, 0}, {29, 1},
                                    {30, 0.2f}, {31, 1}, {32, 0.5f}, {33, 1}, {34, 0.3f}, {35, 1}, {58, 1}};

void heavyPatch(VoiceInputs& in, int filterType, int hpf) {
    for (const auto& s : kHeavyPatch) in.params[static_cast<int>(s[0])] = s[1];
    in.params[13] = static_cast<float>(hpf);
    in.params[59] = static_cast<float>(filterType);
}

bool isBadSample(float x) { return !std::isfinite(x) || std::fpclassify(x) == FP_SUBNORMAL; }

}  // namespace

TEST(VoicePitchTable, DividerFrequencies) {
    EXPECT_EQ((float)AlphaJunoVoice::NoteFrequency(69), 439.995605f);
    EXPECT_EQ((float)AlphaJunoVoice::NoteFrequency(60), 261.626007f);
    EXPECT_EQ((float)AlphaJunoVoice::NoteFrequency(127), 12539.18457f);
    for (int n = 0; n < 128; ++n) {
        const double ideal = 440.0 * std::pow(2.0, (n - 69) / 12.0);
        const double cents = 1200.0 * std::log2(AlphaJunoVoice::NoteFrequency(n) / ideal);
        EXPECT_LT(std::fabs(cents), 1.5) << n;  // the divider's rounding
    }
}

TEST(VoicePitchTable, OutOfRangeNotesPlay440) {
    EXPECT_EQ(AlphaJunoVoice::NoteFrequency(-1), 440.0);
    EXPECT_EQ(AlphaJunoVoice::NoteFrequency(128), 440.0);
    VoiceRig v;
    v->NoteOn(200, 100, v.in);
    EXPECT_EQ(v->state.freq, 440.0);
    v->NoteOn(57, 100, v.in);
    EXPECT_EQ(v->state.freq, (double)(float)AlphaJunoVoice::NoteFrequency(57));  // loaded as float
    v->SlideTo(-3, 100, false);
    EXPECT_EQ(v->state.targetFreq, 440.0);
}

// An octave up and the whole bend on the top key: the increments are held at Nyquist.
TEST(VoicePitch, IncrementsAreHeldAtNyquist) {
    VoiceRig v;
    v.in.params[0] = 0;
    v.in.params[5] = 12;
    v.in.bend = 1.0;
    v->NoteOn(127, 100, v.in);
    v.render(1);
    EXPECT_EQ(v->state.oscA.increment, 0.5);
    EXPECT_EQ(v->state.oscB.increment, 0.5);
    EXPECT_EQ(v->state.oscC.increment, 0.25);
}

// Full resonance, every modulation at its top, the whole cutoff range: bounded at every rate.
TEST(VoiceOutput, FiniteAndBoundedAtTheExtremes) {
    for (double rate : {22050.0, 44100.0, 96000.0, 192000.0}) {
        for (int filterType : {0, 1}) {
            for (int hpf : {0, 3}) {
                for (int note : {0, 60, 127}) {
                    for (float cutoff : {0.0f, 0.5f, 1.0f}) {
                        SCOPED_TRACE(testing::Message() << rate << " Hz, filter " << filterType << ", hpf " << hpf
                                                        << ", note " << note << ", cutoff " << cutoff);
                        VoiceRig v;
                        heavyPatch(v.in, filterType, hpf);
                        v.in.sampleRate = rate;
                        std::fill(v.cutoff.begin(), v.cutoff.end(), cutoff);
                        v.in.modWheel = 1.0;
                        v.in.aftertouch = 1.0;
                        v.in.bend = 1.0;
                        v->NoteOn(note, 127, v.in);
                        float peak = 0.0f;
                        for (int block = 0; block < 40; ++block) {
                            if (block == 30) v->NoteOff();
                            v.render(1024);
                            for (int n = 0; n < 1024; ++n) {
                                ASSERT_TRUE(std::isfinite(v.left[n]));
                                peak = std::max(peak, std::fabs(v.left[n]));
                            }
                        }
                        EXPECT_LT(peak, 8.0f);
                    }
                }
            }
        }
    }
}

TEST(VoiceRelease, GateModeStopsSoundingAfterTheVcaDecays) {
    VoiceRig v;
    v.in.params[22] = 1;  // VCA follows the gate
    v->NoteOn(60, 100, v.in);
    v.render(3000);
    ASSERT_NEAR(v->vcaLevel(), 1.0, 1e-4);
    v->NoteOff();
    int samples = 0;
    while (v->sounding && samples < 100000) {
        v.render(1);
        ++samples;
    }
    // 0.99 per sample from 1.0 to below 0.0001.
    EXPECT_NEAR(samples, std::ceil(std::log(1e-4) / std::log(0.99)), 2.0);
}

TEST(VoiceRelease, TailReachesSilenceWithoutDenormals) {
    for (int filterType : {0, 1}) {
        VoiceRig v;
        heavyPatch(v.in, filterType, 0);
        v.in.params[10] = 0;  // no noise, so the filter rings down
        v.in.params[34] = 0.1f;
        v->NoteOn(40, 100, v.in);
        v.render(4096);
        v->NoteOff();
        int blocks = 0;
        while (v->sounding && blocks < 2000) {
            v.render(512);
            for (int n = 0; n < 512; ++n) ASSERT_FALSE(isBadSample(v.left[n])) << blocks;
            ++blocks;
        }
        EXPECT_FALSE(v->sounding);
        // Rendered on regardless (as the engine does with voice 0): the envelope
        // ends at exactly 0, the voice stays far below hearing and every value
        // stays a normal number.
        while (v->envLevel() != 0.0f && blocks < 4000) {
            v.render(512);
            for (int n = 0; n < 512; ++n) ASSERT_FALSE(isBadSample(v.left[n])) << blocks;
            ++blocks;
        }
        EXPECT_EQ(v->envLevel(), 0.0f);
        for (int block = 0; block < 200; ++block) {
            v.render(512);
            for (int n = 0; n < 512; ++n) {
                ASSERT_FALSE(isBadSample(v.left[n]));
                // The output DC blocker discharges over some 2000-sample time
                // constants; what stays is the anti-denormal offsets (about -160 dB).
                if (block >= 100) {
                    ASSERT_LT(std::fabs(v.left[n]), 1e-7f) << block;
                }
            }
        }
        EXPECT_EQ(v->envLevel(), 0.0f);
        for (double s : v->state.vcf.state) EXPECT_NE(std::fpclassify(s), FP_SUBNORMAL);
        EXPECT_NE(std::fpclassify(v->vcaLevel()), FP_SUBNORMAL);
    }
}

TEST(VoiceOutput, BlockWithoutSampleRateRendersAt44100) {
    VoiceRig a, b;
    for (VoiceRig* v : {&a, &b}) {
        heavyPatch(v->in, 0, 2);
        (*v)->NoteOn(52, 100, v->in);
    }
    b.in.sampleRate = 0.0;
    a.render(700);
    b.render(700);
    for (int n = 0; n < 700; ++n) ASSERT_EQ(a.left[n], b.left[n]) << n;
    b.in.sampleRate = 44100.0;
    b.render(100);
    EXPECT_TRUE(std::isfinite(b.left[99]));
}

TEST(VoiceOutput, HighSampleRatesClampTheFrequencyMap) {
    // At 192 kHz a high note's frequency index passes the map's end; it reads
    // the top fixed-length table.
    VoiceRig v;
    v.in.params[7] = 4;
    v.in.params[0] = 0;
    v.in.sampleRate = 192000.0;
    v->NoteOn(127, 100, v.in);
    v.render(2000);
    EXPECT_GT(v->state.oscA.increment * 192000.0, 22050.0);
    for (int n = 0; n < 2000; ++n) ASSERT_TRUE(std::isfinite(v.left[n]));
}
