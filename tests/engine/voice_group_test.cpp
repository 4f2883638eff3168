// Voices rendered in lockstep lanes against the same voices rendered one after
// another: the output and every piece of voice state must match bit for bit,
// block after block, whatever each voice is doing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "VoiceGroup.h"

namespace {

constexpr int kMaxVoices = 8;
constexpr int kMaxBlock = 600;

// Whole-number selections (slot, highest value) and continuous controls.
constexpr int kSelections[][2] = {{0, 3}, {3, 3}, {5, 12}, {6, 3}, {7, 5}, {8, 5},
                                  {9, 3}, {10, 3}, {13, 3}, {17, 3}, {22, 3}};
constexpr int kContinuous[] = {1,  2,  4,  11, 12, 15, 16, 18, 19, 20, 21, 23, 26,
                               27, 28, 29, 30, 31, 32, 33, 34, 35, 58};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Two identical sets of voices: one renders through the group, one alone.
class Twins {
public:
    Twins(uint32_t seed, int voices) : rng(seed), count(voices) {
        cutoff.resize(kMaxBlock);
        for (float& c : cutoff) c = unit();
        // One patch for the group (modes must agree), with continuous values
        // that differ from voice to voice.
        float patch[128] = {};
        for (const auto& s : kSelections) patch[s[0]] = (float)pick(0, s[1]);
        patch[59] = (float)pick(0, 1);
        patch[55] = (float)pick(0, 1);
        const double rate = pick(0, 3) == 0 ? 96000.0 : 44100.0;
        for (int i = 0; i < count; ++i) {
            for (int j = 0; j < 128; ++j) params[i][j] = patch[j];
            for (int slot : kContinuous) params[i][slot] = unit();
            if (patch[9] > 0) params[i][9] = patch[9];  // sub level is a mode switch of its own
            for (AlphaJunoVoice* v : {&grouped(i), &alone(i)}) {
                std::memcpy(v->params, params[i], sizeof params[i]);
                v->sampleRate = rate;
                v->cutoffInput = cutoff.data();
            }
        }
        perform([&](AlphaJunoVoice& v, int i) { v.NoteOn(36 + 7 * i, 30 + 11 * i); });
    }

    AlphaJunoVoice& grouped(int i) { return *a[i]; }
    AlphaJunoVoice& alone(int i) { return *b[i]; }

    // Applies the same event to both copies of every voice.
    template <class F> void perform(F f) {
        for (int i = 0; i < count; ++i) {
            f(grouped(i), i);
            f(alone(i), i);
        }
    }

    // Random performance inputs and events between blocks.
    void between() {
        const double bend = unit(), wheel = unit(), touch = unit();
        const bool slide = pick(0, 5) == 0, release = pick(0, 5) == 0;
        perform([&](AlphaJunoVoice& v, int i) {
            v.bend = bend;
            v.modWheel = wheel;
            v.aftertouch = touch;
            v.portaTime = 0.3;
            if (slide && i % 2 == 0) v.SlideTo(48 + i, 90, i % 4 == 0);
            if (release && i % 3 == 1) v.NoteOff(0, 0);
        });
    }

    // One block both ways; false (with a failure) at the first difference.
    bool block(int frames, int lanes) {
        std::vector<float> l1(frames, 0.25f), r1(frames, -0.25f), l2 = l1, r2 = r1;
        float* out1[2] = {l1.data(), r1.data()};
        float* out2[2] = {l2.data(), r2.data()};
        AlphaJunoVoice* group[kMaxVoices];
        for (int i = 0; i < count; ++i) group[i] = &grouped(i);
        for (int i = 0; i < count; ++i) group[i]->beginBlock();
        const bool ran = lanes == 8 ? VoiceGroup::RenderLanes8(group, count, out1, frames, *scratch)
                                    : VoiceGroup::RenderLanes4(group, count, out1, frames, *scratch);
        EXPECT_TRUE(ran);
        for (int i = 0; i < count; ++i) alone(i).blockProcess(out2, frames);
        for (int s = 0; s < frames; ++s) {
            if (!sameBits(l1[s], l2[s]) || !sameBits(r1[s], r2[s])) {
                ADD_FAILURE() << "sample " << s << " of " << frames << ": " << l1[s] << " vs " << l2[s];
                return false;
            }
        }
        for (int i = 0; i < count; ++i) {
            if (!sameState(grouped(i), alone(i))) {
                ADD_FAILURE() << "state of voice " << i;
                return false;
            }
        }
        return true;
    }

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    float unit() { return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng); }

private:
    static bool sameState(const AlphaJunoVoice& x, const AlphaJunoVoice& y) {
        bool same = x.sounding == y.sounding && x.envState() == y.envState() &&
                    sameBits(x.envLevel(), y.envLevel()) && sameBits(x.vcaLevel(), y.vcaLevel()) &&
                    sameBits(x.lfoPhase(), y.lfoPhase()) && sameBits(x.freq, y.freq) &&
                    sameBits(x.glideNote, y.glideNote) && sameBits(x.pwmLfo.phase, y.pwmLfo.phase) &&
                    sameBits(x.lfo.delayLevel, y.lfo.delayLevel) && sameBits(x.vcf.cutoff, y.vcf.cutoff) &&
                    sameBits(x.vcf.antiDenormal, y.vcf.antiDenormal) &&
                    sameBits(x.bassFilter.antiDenormal, y.bassFilter.antiDenormal);
        const JunoOscillator* ox[] = {&x.oscA, &x.oscB, &x.oscC, &x.oscD};
        const JunoOscillator* oy[] = {&y.oscA, &y.oscB, &y.oscC, &y.oscD};
        for (int k = 0; k < 4; ++k)
            same = same && sameBits(ox[k]->phase, oy[k]->phase) &&
                   sameBits(ox[k]->increment, oy[k]->increment) && ox[k]->period == oy[k]->period;
        for (int k = 0; k < 6; ++k) same = same && sameBits(x.vcf.state[k], y.vcf.state[k]);
        for (int k = 0; k < 3; ++k) same = same && sameBits(x.bassFilter.state[k], y.bassFilter.state[k]);
        return same;
    }

    std::mt19937 rng;
    int count;
    std::unique_ptr<VoiceGroup::Scratch> scratch = std::make_unique<VoiceGroup::Scratch>();
    std::vector<float> cutoff;
    float params[kMaxVoices][128];
    std::unique_ptr<AlphaJunoVoice> a[kMaxVoices] = {
        std::make_unique<AlphaJunoVoice>(), std::make_unique<AlphaJunoVoice>(),
        std::make_unique<AlphaJunoVoice>(), std::make_unique<AlphaJunoVoice>(),
        std::make_unique<AlphaJunoVoice>(), std::make_unique<AlphaJunoVoice>(),
        std::make_unique<AlphaJunoVoice>(), std::make_unique<AlphaJunoVoice>()};
    std::unique_ptr<AlphaJunoVoice> b[kMaxVoices] = {
        std::make_unique<AlphaJunoVoice>(), std::make_unique<AlphaJunoVoice>(),
        std::make_unique<AlphaJunoVoice>(), std::make_unique<AlphaJunoVoice>(),
        std::make_unique<AlphaJunoVoice>(), std::make_unique<AlphaJunoVoice>(),
        std::make_unique<AlphaJunoVoice>(), std::make_unique<AlphaJunoVoice>()};
};

// Random patches and performances, full and partly filled groups, block lengths
// around the chunk size.
void expectLanesMatchVoices(int lanes) {
    const int frames[] = {1, 63, 64, 65, 256, 600};
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        Twins t(seed, 1 + (int)(seed % lanes));
        for (int b = 0; b < 12; ++b) {
            t.between();
            if (!t.block(frames[t.pick(0, 5)], lanes)) {
                ADD_FAILURE() << "seed " << seed << ", block " << b;
                return;
            }
        }
    }
}

}  // namespace

TEST(VoiceGroup, FourLanesRenderLikeVoicesAlone) {
    if (VoiceGroup::Lanes() < 4) GTEST_SKIP() << "no AVX2 and FMA on this processor";
    expectLanesMatchVoices(4);
}

TEST(VoiceGroup, EightLanesRenderLikeVoicesAlone) {
    if (VoiceGroup::Lanes() < 8) GTEST_SKIP() << "no AVX-512 on this processor";
    expectLanesMatchVoices(8);
}

// Voices whose modes differ are not grouped: the lane code declines and leaves
// the output alone, and Render falls back to voice after voice.
TEST(VoiceGroup, VoicesWithDifferentModesRenderOneByOne) {
    if (VoiceGroup::Lanes() < 4) GTEST_SKIP() << "no lane code on this processor";
    Twins t(7, 2);
    t.grouped(1).params[7] = t.grouped(0).params[7] == 3 ? 1.0f : 3.0f;  // another sawtooth
    t.alone(1).params[7] = t.grouped(1).params[7];
    AlphaJunoVoice* group[] = {&t.grouped(0), &t.grouped(1)};
    for (AlphaJunoVoice* v : group) v->beginBlock();
    std::vector<float> l(128, 0.0f), r(128, 0.0f);
    float* out[2] = {l.data(), r.data()};
    auto scratch = std::make_unique<VoiceGroup::Scratch>();
    EXPECT_FALSE(VoiceGroup::RenderLanes4(group, 2, out, 128, *scratch));
    EXPECT_EQ(l, std::vector<float>(128, 0.0f));

    VoiceGroup::Render(group, 2, out, 128, *scratch);
    std::vector<float> l2(128, 0.0f), r2(128, 0.0f);
    float* out2[2] = {l2.data(), r2.data()};
    t.alone(0).blockProcess(out2, 128);
    t.alone(1).blockProcess(out2, 128);
    EXPECT_EQ(0, std::memcmp(l.data(), l2.data(), 128 * sizeof(float)));
}

// A filter type the lanes do not run (2 passes the signal through) stays with
// the voices' own code.
TEST(VoiceGroup, UnknownFilterTypesRenderOneByOne) {
    if (VoiceGroup::Lanes() < 4) GTEST_SKIP() << "no lane code on this processor";
    Twins t(9, 3);
    AlphaJunoVoice* group[] = {&t.grouped(0), &t.grouped(1), &t.grouped(2)};
    for (AlphaJunoVoice* v : group) {
        v->params[59] = 2.0f;
        v->beginBlock();
    }
    std::vector<float> l(64, 0.0f), r(64, 0.0f);
    float* out[2] = {l.data(), r.data()};
    auto scratch = std::make_unique<VoiceGroup::Scratch>();
    EXPECT_FALSE(VoiceGroup::RenderLanes4(group, 3, out, 64, *scratch));
}
