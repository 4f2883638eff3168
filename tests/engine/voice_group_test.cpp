// Voices rendered side by side in lanes against the same voices rendered one after another:
// the output and every bit of voice state must match, block after block, whatever each
// voice is doing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "VoiceGroup.h"

using namespace halvorax::synth;

namespace {

constexpr int kVoices = 8;
constexpr int kMaxBlock = 600;
constexpr int kSelections[][2] = {{0, 3}, {3, 3},  {5, 12}, {6, 3},  {7, 5}, {8, 5},
                                  {9, 3}, {10, 3}, {13, 3}, {17, 3}, {22, 3}};

// Renders the same random performance at a lane width; returns the output and the final states.
struct Rendering {
    std::vector<float> out;
    std::vector<VoiceState<Lanes<1>>> states;
};

Rendering perform(uint32_t seed, int lanes) {
    VoiceGroup::LimitLanes(lanes);
    std::mt19937 rng(seed);
    auto unit = [&] { return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng); };
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    VoiceInputs in;
    for (int slot = 0; slot < 60; ++slot) in.SetParameter(slot, unit());
    for (const auto& s : kSelections) in.SetParameter(s[0], static_cast<float>(pick(0, s[1])));
    in.SetParameter(59, static_cast<float>(pick(0, 2)));
    in.sampleRate = pick(0, 3) == 0 ? 96000.0 : 44100.0;
    std::vector<float> cutoff(kMaxBlock);
    for (float& c : cutoff) c = unit();
    in.cutoffInput = cutoff.data();
    std::vector<AlphaJunoVoice> voices(kVoices);
    const int count = pick(2, kVoices);
    std::vector<AlphaJunoVoice*> group;
    for (int i = 0; i < count; ++i) {
        voices[i].NoteOn(36 + 7 * i, 30 + 11 * i, in);
        group.push_back(&voices[i]);
    }
    auto scratch = std::make_unique<VoiceGroup::Scratch>();
    Rendering run;
    for (int block = 0; block < 12; ++block) {
        const int n = pick(1, kMaxBlock);
        std::vector<float> left(n), right(n);
        float* out[2] = {left.data(), right.data()};
        VoiceGroup::Render(group.data(), count, in, out, n, *scratch);
        run.out.insert(run.out.end(), left.begin(), left.end());
        // Events that differ from voice to voice.
        in.bend = unit();
        in.modWheel = unit();
        const int i = pick(0, count - 1);
        switch (pick(0, 3)) {
            case 0:
                voices[i].SlideTo(40 + pick(0, 40), pick(1, 127), pick(0, 1) == 1);
                break;
            case 1:
                voices[i].NoteOff();
                break;
            case 2:
                voices[i].NoteOn(30 + pick(0, 60), pick(1, 127), in);
                break;
            default:
                break;
        }
        in.portaTime = unit() * 20.0;
    }
    for (const AlphaJunoVoice& v : voices) run.states.push_back(v.state);
    VoiceGroup::LimitLanes(8);
    return run;
}

}  // namespace

class VoiceGroupWidth : public ::testing::TestWithParam<int> {};

TEST_P(VoiceGroupWidth, LanesRenderAndLeaveEveryVoiceAsAlone) {
    if (GetParam() > VoiceGroup::Lanes()) GTEST_SKIP() << "no " << GetParam() << "-lane code here";
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        const Rendering alone = perform(seed, 1), lanes = perform(seed, GetParam());
        ASSERT_EQ(alone.out.size(), lanes.out.size());
        ASSERT_EQ(0, std::memcmp(alone.out.data(), lanes.out.data(), alone.out.size() * sizeof(float)))
            << "seed " << seed;
        for (int i = 0; i < kVoices; ++i)
            ASSERT_EQ(0, std::memcmp(&alone.states[i], &lanes.states[i], sizeof alone.states[i]))
                << "seed " << seed << " voice " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Lanes, VoiceGroupWidth, ::testing::Values(8, 4));
