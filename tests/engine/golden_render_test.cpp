// Bit-exactness guard for the engine's sound. Seeded random performances (patches covering
// every source, mode, filter type, high-pass mode and the chorus; notes, chords, slides,
// bends, pedal, parameter moves between blocks; several sample rates) are rendered through
// AlphaJuno and every output sample's bits are hashed. The engine computes its exp2, tanh,
// pow and sine itself, so the hashes hold on every x86-64 processor; any change of the engine
// that alters a single bit of the sound fails here. A failing case means the change is wrong,
// not the hash.
//
// HALVORAX_GOLDEN_PRINT=1 prints the hashes of the current engine (for diagnosis only).
#include "AlphaJuno.h"
#include "VoiceGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace halvorax::synth;

namespace {

// A small deterministic generator (splitmix64): the same numbers on every platform,
// unlike the standard library's distributions.
class Dice {
public:
    explicit Dice(uint64_t seed) : s(seed) {}
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Whole number in lo..hi.
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1)); }
    // 0..1 in single precision.
    float unit() { return static_cast<float>(next() >> 40) / 16777216.0f; }
    bool chance(int percent) { return range(0, 99) < percent; }

private:
    uint64_t s;
};

// FNV-1a over the bits of every sample.
class SampleHash {
public:
    void add(float x) {
        uint32_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        for (int b = 0; b < 4; ++b) {
            h ^= (bits >> (8 * b)) & 0xFFu;
            h *= 0x100000001B3ull;
        }
    }
    uint64_t value() const { return h; }

private:
    uint64_t h = 0xCBF29CE484222325ull;
};

struct SelectionSlot {
    int slot;
    int highest;
};
// Whole-number selections and their ranges.
constexpr SelectionSlot kSelections[] = {{0, 3}, {3, 3},  {5, 12}, {6, 3},  {7, 5}, {8, 5},
                                         {9, 3}, {10, 3}, {13, 3}, {17, 3}, {22, 3}};
// Continuous 0..1 controls.
constexpr int kContinuous[] = {1,  2,  4,  11, 12, 14, 15, 16, 18, 19, 20, 21, 23,
                               25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 58};
// On/off switches: chorus, aftertouch routing, oscillator and LFO retrigger.
constexpr int kSwitches[] = {24, 55, 56, 57};
constexpr int kFilterMode = 59, kChordWrite = 46, kChordMode = 47;

// One performance: the engine driven the way the plug-in drives it.
class Performance {
public:
    Performance(uint64_t seed, double rate) : dice(seed) {
        setRate(rate);
        for (const SelectionSlot& s : kSelections) randomSelection(s);
        for (int slot : kContinuous) randomContinuous(slot);
        for (int slot : kSwitches) set(slot, dice.chance(50) ? 1.0f : 0.0f);
        set(kFilterMode, static_cast<float>(dice.range(0, 1)));
        e->SetPolyMode(dice.range(0, 1));
        e->SetPortaMode(dice.range(0, 2));
        double portaTime = 0.0;
        if (!dice.chance(40)) {
            const float unit = dice.unit();  // the dice roll in a fixed order on every compiler
            portaTime = unit * (dice.chance(50) ? 127.0 : 10.0);
        }
        e->SetPortaTime(portaTime);
        e->SetModWheel(dice.unit());
        e->SetAftertouch(dice.unit());
        if (dice.chance(25)) e->SetTuneCents((dice.unit() - 0.5f) * 200.0f);
        if (dice.chance(30)) {
            set(kChordMode, 1.0f);  // chord play
            const int notes[6] = {0, dice.range(1, 12), dice.range(1, 19), dice.range(-12, 24), 5, 9};
            e->SetChordMemory(dice.range(1, 6), notes);
        }
        e->Reset();
    }

    // Renders about `samples` samples in blocks of varied length with events between them.
    uint64_t render(int samples) {
        SampleHash hash;
        std::vector<float> left(2048), right(2048);
        int done = 0;
        while (done < samples) {
            perform();
            const int n = dice.chance(3) ? 0 : dice.range(1, dice.chance(20) ? 2048 : 300);
            std::fill(left.begin(), left.end(), 0.0f);
            std::fill(right.begin(), right.end(), 0.0f);
            float* out[2] = {left.data(), right.data()};
            e->blockProcess(out, n);
            for (int i = 0; i < n; ++i) {
                hash.add(left[i]);
                hash.add(right[i]);
            }
            done += n;
        }
        return hash.value();
    }

    void set(int slot, float value) { e->SetParameter(slot, value); }
    AlphaJuno& engine() { return *e; }

private:
    void setRate(double rate) { e->SetSampleRate(rate); }
    void randomSelection(const SelectionSlot& s) {
        float v = static_cast<float>(dice.range(0, s.highest));
        if (dice.chance(4)) v = dice.chance(50) ? static_cast<float>(s.highest + 1) : v + 0.5f;  // matches no case
        set(s.slot, v);
    }
    void randomContinuous(int slot) {
        float v = dice.unit();
        if (dice.chance(10)) v = dice.chance(50) ? 0.0f : 1.0f;
        set(slot, v);
    }

    // The events before one block.
    void perform() {
        if (dice.chance(30)) {
            const int key = dice.range(20, 100);
            e->NoteOn(key, dice.range(1, 127));
            held.push_back(key);
        }
        if (!held.empty() && dice.chance(25)) {
            const size_t i = static_cast<size_t>(dice.range(0, static_cast<int>(held.size()) - 1));
            e->NoteOff(held[i], 0);
            held.erase(held.begin() + static_cast<long>(i));
        }
        if (dice.chance(5)) e->setSustainPedal(e->SustainPedal() ? 0 : 1);
        if (dice.chance(20)) e->SetPitchBend(dice.unit());
        if (dice.chance(10)) e->SetModWheel(dice.unit());
        if (dice.chance(10)) e->SetAftertouch(dice.unit());
        if (dice.chance(25)) randomContinuous(14);  // cutoff moves often
        if (dice.chance(8)) randomContinuous(kContinuous[dice.range(0, 24)]);
        if (dice.chance(4)) randomSelection(kSelections[dice.range(0, 10)]);
        if (dice.chance(2)) set(kFilterMode, static_cast<float>(dice.range(0, 2)));
        if (dice.chance(2)) {
            const float on = dice.chance(50) ? 1.0f : 0.0f;
            set(kSwitches[dice.range(0, 3)], on);
        }
        if (dice.chance(1)) e->learnChord();
        if (dice.chance(3)) e->SetPortaTime(dice.unit() * 20.0f);
        if (dice.chance(1)) e->SetPortaMode(dice.range(0, 2));
        if (dice.chance(1)) e->SetTuneCents((dice.unit() - 0.5f) * 100.0f);
        if (dice.chance(1)) {
            // A mode change releases every key first, as the plug-in does.
            e->AllNotesOff();
            held.clear();
            e->SetPolyMode(dice.range(0, 2));
        }
        if (dice.chance(1)) {
            const double rates[] = {44100.0, 48000.0, 96000.0};
            setRate(rates[dice.range(0, 2)]);
        }
    }

    std::unique_ptr<AlphaJuno> e = std::make_unique<AlphaJuno>();
    Dice dice;
    std::vector<int> held;
};

struct GoldenCase {
    uint64_t seed;
    double rate;
    int samples;
    uint64_t hash;
};

// Hashes recorded when the engine took its own exp2, tanh, pow and sine; never to be edited.
const GoldenCase kCases[] = {
    {1u, 44100.0, 40000, 0x4f711f6f8e096c3dull},  {2u, 48000.0, 40000, 0xc172992332a3992aull},
    {3u, 96000.0, 40000, 0x904c39aad248df25ull},  {4u, 44100.0, 40000, 0x182acbc0ec7b24c7ull},
    {5u, 48000.0, 40000, 0x4ebad9f92f1eb1abull},  {6u, 96000.0, 40000, 0x675568028bcfae25ull},
    {7u, 44100.0, 40000, 0x51003c140aad73a6ull},  {8u, 48000.0, 40000, 0xc07586a11e15a75cull},
    {9u, 96000.0, 40000, 0xee0656c1c515e68dull},  {10u, 44100.0, 40000, 0x8bb3fb8cea4a5dfdull},
    {11u, 48000.0, 40000, 0xf27842557510e621ull}, {12u, 96000.0, 40000, 0x8783e4d3877a903dull},
    {13u, 44100.0, 40000, 0xcb88e99e4432cb0cull}, {14u, 48000.0, 40000, 0x7f3c0139b83c423cull},
    {15u, 96000.0, 40000, 0x9afb00cc58c608a7ull}, {16u, 44100.0, 40000, 0x62ad5bed6824fbf9ull},
    {17u, 48000.0, 40000, 0x1be557b6fba16b65ull}, {18u, 96000.0, 40000, 0x287b89f0feeb52d1ull},
    {19u, 44100.0, 40000, 0x413db549e186b4f7ull}, {20u, 48000.0, 40000, 0x4006a1bf6cda5f04ull},
    {21u, 96000.0, 40000, 0x6c9be935bb64c951ull}, {22u, 44100.0, 40000, 0x39bd5521a2afb2ecull},
    {23u, 32000.0, 40000, 0x0faba93703115eb0ull}, {24u, 192000.0, 40000, 0xfef342f345eaf5b8ull},
    {25u, 44100.0, 40000, 0x128e16c82cbc1e69ull}, {26u, 48000.0, 40000, 0x97557bd1a9dd5c19ull},
    {27u, 96000.0, 40000, 0x1cac30e5f7631b49ull}, {28u, 44100.0, 40000, 0x6789f6faf21d1424ull},
    {29u, 48000.0, 40000, 0x42b01055abad13aaull}, {30u, 96000.0, 40000, 0xbf3cb42eb896d56aull},
    {31u, 44100.0, 40000, 0xe78bb49081c60c8full}, {32u, 48000.0, 40000, 0xb73c55cc0a90b609ull},
    {33u, 96000.0, 40000, 0x453d7ad10aa26ce2ull}, {34u, 44100.0, 40000, 0x4846ba5003a5ce0dull},
    {35u, 48000.0, 40000, 0x27dbabcad8b990aeull}, {36u, 96000.0, 40000, 0xa997c90c72d3a227ull},
    {37u, 44100.0, 40000, 0x6f1d223763a5de45ull}, {38u, 48000.0, 40000, 0xec56c083c25f2a7full},
    {39u, 96000.0, 40000, 0xb4a7268a2d4ca409ull}, {40u, 44100.0, 40000, 0x44c8a0313a1a8bedull},
};

bool printing() { return std::getenv("HALVORAX_GOLDEN_PRINT") != nullptr; }

void report(const GoldenCase& c, uint64_t hash) {
    std::printf("    {%" PRIu64 "u, %.1f, %d, 0x%016" PRIx64 "ull},\n", c.seed, c.rate, c.samples, hash);
}

}  // namespace

// The engine renders voices in groups of eight or four lanes, or one by one; every
// width the processor offers must give the recorded sound.
class GoldenRender : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (GetParam() > VoiceGroup::Lanes()) GTEST_SKIP() << "no " << GetParam() << "-lane code here";
        VoiceGroup::LimitLanes(GetParam());
    }
    void TearDown() override { VoiceGroup::LimitLanes(8); }
};

INSTANTIATE_TEST_SUITE_P(Lanes, GoldenRender, ::testing::Values(8, 4, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Lanes" + std::to_string(info.param);
                         });

TEST_P(GoldenRender, RandomPerformancesRenderBitForBitAsRecorded) {
    for (const GoldenCase& c : kCases) {
        Performance p(c.seed, c.rate);
        const uint64_t hash = p.render(c.samples);
        if (printing()) report(c, hash);
        EXPECT_EQ(hash, c.hash) << "seed " << c.seed << " at " << c.rate << " Hz";
    }
}

// The patch the benchmarks time: every source on, bass boost, saturating filter at full
// resonance with audio-rate cutoff modulation, sixteen voices, chorus on; both filter types.
TEST_P(GoldenRender, HeavyPatchWithSixteenVoicesRendersAsRecorded) {
    const uint64_t recorded[] = {
        0xb0ed34db7996577bull,
        0xd8ebece685dd129bull,
    };
    int i = 0;
    for (float filterType : {0.0f, 1.0f}) {
        Performance p(99, 44100.0);
        const float patch[][2] = {
            {0, 1},    {1, 0.3f},  {2, 0.4f},  {3, 2},     {5, 2},     {6, 3},     {7, 3},     {8, 2},     {9, 3},
            {10, 3},   {11, 0.6f}, {12, 0.5f}, {13, 0},    {15, 1},    {16, 0.7f}, {17, 2},    {18, 0.5f}, {19, 1},
            {21, 1},   {22, 2},    {24, 1},    {25, 0.4f}, {26, 0.6f}, {29, 1},    {31, 0.6f}, {33, 0.5f}, {35, 0.5f},
            {55, 0},   {58, 0.5f}, {14, 0.6f}, {28, 0.1f}, {30, 0.3f}, {32, 0.4f}, {34, 0.3f}, {20, 0.5f}, {23, 0.5f},
            {4, 0.5f}, {27, 0.2f}, {56, 0},    {57, 0},    {47, 0},
        };
        for (const auto& s : patch) p.set(static_cast<int>(s[0]), s[1]);
        p.set(kFilterMode, filterType);
        AlphaJuno& e = p.engine();
        e.SetPolyMode(1);
        e.SetPortaMode(0);
        e.SetPortaTime(0.0);
        e.SetModWheel(0.5);
        e.SetTuneCents(0.0);
        for (int v = 0; v < 16; ++v) e.NoteOn(36 + 3 * v, 100);
        SampleHash hash;
        std::vector<float> left(256), right(256);
        for (int b = 0; b < 200; ++b) {
            std::fill(left.begin(), left.end(), 0.0f);
            std::fill(right.begin(), right.end(), 0.0f);
            float* out[2] = {left.data(), right.data()};
            if (b == 150)
                for (int v = 0; v < 16; ++v) e.NoteOff(36 + 3 * v, 0);
            e.blockProcess(out, 256);
            for (int n = 0; n < 256; ++n) {
                hash.add(left[n]);
                hash.add(right[n]);
            }
        }
        if (printing()) std::printf("    0x%016" PRIx64 "ull,\n", hash.value());
        EXPECT_EQ(hash.value(), recorded[i]) << "filter type " << filterType;
        ++i;
    }
}
