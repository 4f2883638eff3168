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

TEST(VoiceNotes, RetrigDcoRestartsThePhases) {
    VoiceRig v;
    v.in.params[7] = 1;
    v->NoteOn(60, 100, v.in);
    v.render(37);
    const double running = v->state.oscA.phase;
    ASSERT_GT(running, 0.0);
    v->NoteOn(62, 100, v.in);  // retrigdco off: the phases run on
    EXPECT_EQ(v->state.oscA.phase, running);

    v.in.params[56] = 1;
    v->NoteOn(64, 100, v.in);
    EXPECT_EQ(v->state.oscA.phase, 0.0);
    EXPECT_EQ(v->state.oscB.phase, 0.0);
    EXPECT_EQ(v->state.oscC.phase, 0.0);
    EXPECT_EQ(v->state.oscD.phase, 0.0);
    v.render(1);  // the first sample reads at phase = increment
    EXPECT_EQ(v->state.oscA.phase, v->state.oscA.increment);
    EXPECT_EQ(v->state.oscD.phase, v->state.oscD.increment);
}

TEST(VoiceNotes, RetrigLfoSetsBothLfosToTheirPeak) {
    VoiceRig v;
    v.in.params[57] = 1;
    v->setLfoPhase(0.6);
    v->NoteOn(60, 100, v.in);
    EXPECT_EQ(v->lfoPhase(), 0.25);
    EXPECT_EQ(v->state.pwmLfo.phase, 0.25);
    EXPECT_EQ(v->state.lfo.delayLevel, 0.0);
}

// A slide moves nothing before the next sample, then approaches its target by one one-pole
// step per sample: g = 10 / (time x 0.0227 x rate + 10), so a porta time of 0 jumps at once.
TEST(VoiceGlide, OnePoleStepPerSampleFromThePortaTime) {
    for (double rate : {44100.0, 96000.0}) {
        for (double time : {0.0, 127.0}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, porta time " << time);
            VoiceRig v;
            v.in.sampleRate = rate;
            v->NoteOn(48, 100, v.in);
            v.render(3);
            v.in.portaTime = time;
            v->SlideTo(72, 100, false);
            const double from = v->state.freq, to = v->state.targetFreq;
            EXPECT_EQ(from, (double)(float)AlphaJunoVoice::NoteFrequency(48));
            const double g = 10.0 / (time * 0.0227 * rate + 10.0);
            v.render(1);
            EXPECT_NEAR(v->state.freq, from + (to - from) * g, 1e-12);
            EXPECT_NEAR(v->state.glideNote, 48.0 + 24.0 * g, 1e-12);
            v.render(1);
            const double second = from + (to - from) * g;
            EXPECT_NEAR(v->state.freq, second + (to - second) * g, 1e-12);
        }
    }
}

TEST(VoiceGlide, SlideRetriggerRestartsEnvelopeOnlyWhenAsked) {
    VoiceRig v;
    v->NoteOn(48, 100, v.in);
    v.render(500);
    const int state = v->envState();
    v->SlideTo(50, 90, false);
    EXPECT_EQ(v->envState(), state);
    EXPECT_TRUE(v->state.glideOn);
    v->NoteOff();
    v->SlideTo(52, 90, true);
    EXPECT_EQ(v->envState(), kEnvStart);
    EXPECT_EQ(v->state.gate, 1.0);
    EXPECT_DOUBLE_EQ(v->state.velocity, 90.0 / 127.0);
    v->NoteOn(52, 90, v.in);
    EXPECT_FALSE(v->state.glideOn);
}

// The first sample's increments: A = factor x freq / rate for the DCO range's octave, the bend
// (over the bend range in semitones) and the tuning; C and D one and two octaves below.
TEST(VoicePitch, IncrementsFollowRangeBendAndTuning) {
    const struct {
        int range, bendRange;
        double bend, tuneCents, factor;
    } cases[] = {{0, 12, 0.5, 0, 2.0},
                 {1, 12, 0.5, 0, 1.0},
                 {2, 12, 0.5, 0, 0.5},
                 {3, 12, 0.5, 0, 0.25},
                 {1, 12, 0.0, 0, 0.5},
                 {1, 12, 1.0, 0, 2.0},
                 {1, 2, 1.0, 0, std::exp2(2.0 / 12.0)},
                 {1, 12, 0.5, -100, std::exp2(-1.0 / 12.0)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "range " << c.range << ", bend " << c.bend << " of " << c.bendRange
                                        << ", tune " << c.tuneCents);
        VoiceRig v;
        v.in.params[0] = (float)c.range;
        v.in.params[5] = (float)c.bendRange;
        v.in.bend = c.bend;
        v.in.tuneCents = c.tuneCents;
        v->NoteOn(69, 100, v.in);
        v.render(1);
        EXPECT_NEAR(v->state.oscA.increment, c.factor * v->state.freq / 44100.0, 1e-15);
        EXPECT_DOUBLE_EQ(v->state.oscC.increment, v->state.oscA.increment / 2.0);
        EXPECT_DOUBLE_EQ(v->state.oscD.increment, v->state.oscA.increment / 4.0);
    }
    // An octave up and the whole bend on the top key: held at Nyquist.
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

TEST(VoiceNoise, GeneratorRunsOnAtNoiseLevelZero) {
    // Two noise-only voices with the filter bypassed: one silent for the first
    // block. If its generator ran on, both play the same noise afterwards.
    VoiceRig quietFirst, noisy;
    for (VoiceRig* v : {&quietFirst, &noisy}) {
        v->in.params[13] = 1;  // flat
        v->in.params[22] = 1;  // gate
        v->in.params[59] = 2;  // no filter type: the drive passes through
        v->in.params[10] = 3;
        (*v)->NoteOn(60, 100, v->in);
    }
    quietFirst.in.params[10] = 0;
    quietFirst.render(500);
    noisy.render(500);
    quietFirst.in.params[10] = 3;
    quietFirst.render(1000);
    noisy.render(1000);
    double dot = 0, qq = 0, nn = 0;
    for (int n = 0; n < 1000; ++n) {
        dot += (double)quietFirst.left[n] * noisy.left[n];
        qq += (double)quietFirst.left[n] * quietFirst.left[n];
        nn += (double)noisy.left[n] * noisy.left[n];
    }
    EXPECT_GT(dot / std::sqrt(qq * nn), 0.99);
}
