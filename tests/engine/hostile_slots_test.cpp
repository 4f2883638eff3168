// Whatever a slot holds, the engine renders finite samples of sane size: every slot is set to
// values far outside its range (and to its range's ends) on a busy patch while keys from the
// bottom to the top of the keyboard and wide chords play.
#include "AlphaJuno.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using namespace halvorax::synth;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();
constexpr float kHostile[] = {-1e30f,  -1000.0f, -3.0f, 0.0f, 1.0f,  3.0f,
                              1000.0f, 1e30f,    kNaN,  kInf, -kInf, std::numeric_limits<float>::denorm_min()};

// Every source on, chorus on, fast envelope and LFOs, full key follow.
constexpr float kBusyPatch[][2] = {{0, 1},  {1, 0.5f}, {2, 0.5f}, {3, 0},  {5, 12}, {6, 3},  {7, 3},     {8, 3},
                                   {9, 3},  {10, 3},   {11, 1},   {12, 1}, {13, 0}, {14, 1}, {15, 1},    {16, 1},
                                   {17, 2}, {18, 1},   {19, 1},   {20, 1}, {21, 1}, {22, 0}, {23, 1},    {24, 1},
                                   {25, 1}, {26, 1},   {27, 0},   {28, 0}, {29, 1}, {30, 0}, {31, 0.2f}, {32, 0},
                                   {33, 1}, {34, 0},   {35, 1},   {55, 0}, {58, 1}, {59, 0}};

struct Rig {
    std::unique_ptr<AlphaJuno> e = std::make_unique<AlphaJuno>();
    Rig() {
        for (const auto& s : kBusyPatch) set(static_cast<int>(s[0]), s[1]);
        e->SetPolyMode(1);
        e->SetModWheel(1.0);
        e->Reset();
    }
    void set(int slot, float value) { e->SetParameter(slot, value); }
    // Largest magnitude of a few blocks; infinity for a non-finite sample.
    float render(int blocks) {
        std::vector<float> left(512), right(512);
        float peak = 0.0f;
        for (int b = 0; b < blocks; ++b) {
            std::fill(left.begin(), left.end(), 0.0f);
            std::fill(right.begin(), right.end(), 0.0f);
            float* out[2] = {left.data(), right.data()};
            e->blockProcess(out, 512);
            for (int n = 0; n < 512; ++n) {
                if (!std::isfinite(left[n]) || !std::isfinite(right[n])) return std::numeric_limits<float>::infinity();
                peak = std::max({peak, std::fabs(left[n]), std::fabs(right[n])});
            }
        }
        return peak;
    }
};

// Sixteen voices of this patch within range peak at about 6.3.
constexpr float kBound = 8.0f;

class HostileSlot : public ::testing::TestWithParam<int> {};

TEST_P(HostileSlot, RendersFiniteBoundedSamples) {
    const int slot = GetParam();
    for (float value : kHostile) {
        for (int polyMode : {1, 2}) {
            Rig rig;
            rig.e->SetPolyMode(polyMode);
            const int wide[6] = {0, 7, 19, 48, 100, 127};
            rig.e->SetChordMemory(6, wide);
            rig.set(slot, value);
            for (int key : {0, 24, 60, 96, 127}) rig.e->NoteOn(key, 127);
            EXPECT_LE(rig.render(4), kBound) << "slot " << slot << " = " << value << ", mode " << polyMode;
            rig.e->AllNotesOff();
            EXPECT_LE(rig.render(1), kBound) << "slot " << slot << " = " << value << " in release";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Slots, HostileSlot, ::testing::Range(0, 60));

}  // namespace
