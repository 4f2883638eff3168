#include "AlphaJuno.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace halvorax::synth;

namespace {

constexpr double kRate = 44100.0;

// Parameter slots used by the test patches.
enum Slot {
    kRange = 0,
    kSaw = 7,
    kHpf = 13,
    kCutoff = 14,
    kReso = 15,
    kVcaEnv = 22,
    kT1 = 28,
    kL1 = 29,
    kT2 = 30,
    kL2 = 31,
    kT3 = 32,
    kL3 = 33,
    kT4 = 34,
    kChordWrite = 46,
    kChordMode = 47
};

// An engine driven the way the plug-in drives it: parameters into the engine and
// every voice, sample rate everywhere, blocks into cleared buffers.
struct Rig {
    std::unique_ptr<AlphaJuno> e = std::make_unique<AlphaJuno>();
    std::vector<float> left;

    Rig() {
        e->SetSampleRate(kRate);
        set(kRange, 1);   // table pitch
        set(kSaw, 1);     // plain band-limited sawtooth
        set(kHpf, 1);     // flat
        set(kCutoff, 1);  // open filter
        set(kReso, 0);
        set(kVcaEnv, 1);  // gate
        set(kL1, 1);
        set(kL2, 0.8f);
        set(kL3, 0.8f);
        set(kT4, 0.3f);
        e->SetPolyMode(1);
        e->Reset();
    }
    void set(int slot, float value) { e->SetParameter(slot, value); }
    // Envelope-driven VCA with a given attack control.
    void envelopeVca(float attack) {
        set(kVcaEnv, 0);
        set(kT1, attack);
        set(kT2, 0);
        set(kT3, 0);
    }
    void render(int frames, int block = 256) {
        std::vector<float> l(block), r(block);
        for (int done = 0; done < frames; done += block) {
            const int n = std::min(block, frames - done);
            std::fill(l.begin(), l.end(), 0.0f);
            std::fill(r.begin(), r.end(), 0.0f);
            float* out[2] = {l.data(), r.data()};
            e->blockProcess(out, n);
            left.insert(left.end(), l.begin(), l.begin() + n);
        }
    }
    int voiceWithNote(int note) const {
        for (int i = 0; i < AlphaJuno::kVoices; ++i)
            if (e->Voice(i).sounding && static_cast<int>(e->Voice(i).note) == note) return i;
        return -1;
    }
    int soundingCount() const {
        int n = 0;
        for (int i = 0; i < AlphaJuno::kVoices; ++i) n += e->Voice(i).sounding;
        return n;
    }
};

double rms(const std::vector<float>& x, int start, int len) {
    double s = 0;
    for (int i = start; i < start + len; ++i) s += x[i] * x[i];
    return std::sqrt(s / len);
}

}  // namespace

// ---- mono --------------------------------------------------------------------

// Voice 0 alone in mono mode, in a given portamento mode.
class AlphaJunoMono : public ::testing::Test {
protected:
    void play(int portaMode, double portaTime = 64) {
        rig.e->SetPolyMode(0);
        rig.e->SetPortaMode(portaMode);
        rig.e->SetPortaTime(portaTime);
    }
    Rig rig;
    const AlphaJunoVoice& v = rig.e->Voice(0);
};

TEST_F(AlphaJunoMono, LastNotePriority) {
    play(2);
    rig.e->NoteOn(60, 100);
    rig.e->NoteOn(64, 90);
    rig.e->NoteOn(67, 80);
    EXPECT_EQ(v.note, 67);
    rig.e->NoteOff(64, 0);  // not the newest: the voice stays
    EXPECT_EQ(v.note, 67);
    rig.e->NoteOff(67, 0);  // back to the newest still held, at its own velocity
    EXPECT_EQ(v.note, 60);
    EXPECT_DOUBLE_EQ(v.state.velocity, 100 / 127.0);
    EXPECT_TRUE(v.state.gate > 0);
    rig.e->NoteOff(60, 0);
    EXPECT_EQ(v.envState(), kEnvRelease);
    EXPECT_FALSE(v.keyHeld);
    for (int i = 1; i < AlphaJuno::kVoices; ++i) EXPECT_FALSE(rig.e->Voice(i).sounding);
}

TEST_F(AlphaJunoMono, PortaMode0LegatoGlidesWithRestartAndGlidesBack) {
    play(0);
    rig.e->NoteOn(60, 100);  // first key jumps
    EXPECT_FALSE(v.state.glideOn);
    rig.render(22050);

    rig.e->NoteOn(64, 30);  // legato: glide from C, envelope restart, C's velocity
    EXPECT_TRUE(v.state.glideOn);
    EXPECT_EQ(v.state.glideNote, 60.0);
    EXPECT_EQ(v.envState(), kEnvStart);
    EXPECT_DOUBLE_EQ(v.state.velocity, 100 / 127.0);
    rig.render(1024);
    EXPECT_GT(v.state.glideNote, 60.05);
    EXPECT_LT(v.state.glideNote, 63.95);
    // The glide is a one-pole approach of about 6400 samples' time constant.
    rig.render(47000);
    EXPECT_NEAR(v.state.glideNote, 64.0, 0.01);

    rig.e->NoteOff(64, 0);  // glide back to C, restarting because C differs
    EXPECT_EQ(v.note, 60);
    EXPECT_TRUE(v.state.glideOn);
    EXPECT_EQ(v.envState(), kEnvStart);
    EXPECT_TRUE(v.keyHeld);
}

TEST_F(AlphaJunoMono, PortaMode1FirstKeyGlidesWithRestartLegatoWithout) {
    play(1);
    rig.e->NoteOn(60, 100);
    rig.render(44100);  // reach the previous note's pitch
    rig.e->NoteOff(60, 0);
    rig.render(2048);

    rig.e->NoteOn(67, 70);  // first key of a phrase: glides from the released C, restarts
    EXPECT_TRUE(v.state.glideOn);
    EXPECT_NEAR(v.state.glideNote, 60.0, 0.1);
    EXPECT_EQ(v.envState(), kEnvStart);
    EXPECT_DOUBLE_EQ(v.state.velocity, 70 / 127.0);

    rig.render(1280);
    const int state = v.envState();
    EXPECT_NE(state, kEnvStart);
    rig.e->NoteOn(72, 20);  // legato: no restart, phrase velocity kept
    EXPECT_EQ(v.envState(), state);
    EXPECT_DOUBLE_EQ(v.state.velocity, 70 / 127.0);
    EXPECT_EQ(v.note, 72);

    rig.e->NoteOff(72, 0);  // glide back to G without restart
    EXPECT_EQ(v.note, 67);
    EXPECT_EQ(v.envState(), state);
}

TEST_F(AlphaJunoMono, PortaMode2JumpsAndIgnoresThePedal) {
    play(2, 127);
    rig.e->NoteOn(60, 100);
    rig.render(256);
    rig.e->NoteOn(64, 100);  // no glide even with a long portamento time
    EXPECT_FALSE(v.state.glideOn);
    EXPECT_EQ(v.state.glideNote, 64.0);
    EXPECT_EQ(v.state.freq, (double)(float)AlphaJunoVoice::NoteFrequency(64));

    rig.e->setSustainPedal(1);
    rig.e->NoteOff(64, 0);
    rig.e->NoteOff(60, 0);  // the last key releases even with the pedal down
    EXPECT_EQ(v.envState(), kEnvRelease);
    EXPECT_FALSE(v.sustained);
}

// ---- poly --------------------------------------------------------------------

TEST(AlphaJunoPoly, RepeatedKeyReusesItsVoice) {
    Rig rig;
    rig.e->NoteOn(60, 100);
    rig.e->NoteOn(62, 100);
    EXPECT_EQ(rig.voiceWithNote(60), 0);
    EXPECT_EQ(rig.voiceWithNote(62), 1);
    rig.render(512);
    rig.e->NoteOff(60, 0);
    rig.e->NoteOn(60, 80);  // voice 0 again, though voice 2 is free
    EXPECT_EQ(rig.voiceWithNote(60), 0);
    EXPECT_FALSE(rig.e->Voice(2).sounding);
    EXPECT_EQ(rig.e->Voice(0).envState(), kEnvStart);
    EXPECT_DOUBLE_EQ(rig.e->Voice(0).state.velocity, 80 / 127.0);
}

TEST(AlphaJunoPoly, SeventeenthNoteDroppedInAttackThenQuietestStolen) {
    Rig rig;
    rig.envelopeVca(1.0f);  // a very long attack
    for (int i = 0; i < 16; ++i) rig.e->NoteOn(40 + i, 100);
    rig.render(512);
    EXPECT_EQ(rig.soundingCount(), 16);
    EXPECT_EQ(rig.e->stealVoice(), -1);
    rig.e->NoteOn(70, 100);
    EXPECT_EQ(rig.voiceWithNote(70), -1);
    EXPECT_TRUE(rig.e->AnyKeyHeld());  // the key stays recorded as held
    for (int i = 0; i < 16; ++i) EXPECT_EQ(rig.voiceWithNote(40 + i), i);

    rig.set(kT1, 0.0f);  // short attack: everything settles in sustain
    rig.render(8820);
    for (int i = 0; i < AlphaJuno::kVoices; ++i) ASSERT_EQ(rig.e->Voice(i).envState(), kEnvSustain) << i;
    rig.e->NoteOff(45, 0);
    rig.e->NoteOff(50, 0);
    rig.render(441);
    rig.e->NoteOff(45 + 4, 0);  // released later: louder than voices 5 and 10
    rig.render(64);
    ASSERT_TRUE(rig.e->Voice(5).sounding);
    EXPECT_LT(rig.e->Voice(5).vcaLevel(), rig.e->Voice(0).vcaLevel());
    const int victim = rig.e->stealVoice();
    // Voices 5 and 10 were released together and tie: the lower index wins.
    EXPECT_EQ(rig.e->Voice(5).vcaLevel(), rig.e->Voice(10).vcaLevel());
    EXPECT_EQ(victim, 5);
    EXPECT_LT(rig.e->Voice(victim).vcaLevel(), rig.e->Voice(9).vcaLevel());
    rig.e->NoteOn(72, 100);
    EXPECT_EQ(rig.voiceWithNote(72), victim);
}

TEST(AlphaJunoPoly, StealPrefersTheQuietestSustainingVoice) {
    Rig rig;
    rig.envelopeVca(0.0f);
    rig.set(kL3, 0.8f);
    for (int i = 0; i < 16; ++i) rig.e->NoteOn(40 + i, i == 7 ? 30 : 100);
    rig.set(22, 2);  // envelope x velocity: voice 7 sustains quieter
    rig.render(8820);
    EXPECT_EQ(rig.e->stealVoice(), 7);
    rig.e->NoteOn(80, 100);
    EXPECT_EQ(rig.voiceWithNote(80), 7);
}

TEST(AlphaJunoPoly, SustainPedalDefersReleaseUntilPedalUp) {
    for (int mode : {1, 0}) {  // poly, and mono in porta mode 0
        SCOPED_TRACE(mode ? "poly" : "mono");
        Rig rig;
        rig.e->SetPolyMode(mode);
        rig.e->setSustainPedal(1);
        rig.e->NoteOn(60, 100);
        rig.render(4410);
        rig.e->NoteOff(60, 0);
        const AlphaJunoVoice& v = rig.e->Voice(0);
        EXPECT_TRUE(v.sustained);
        EXPECT_TRUE(v.keyHeld);
        EXPECT_EQ(v.state.gate, 1.0);
        rig.render(8820);
        EXPECT_TRUE(v.sounding);
        EXPECT_EQ(v.state.gate, 1.0);

        rig.e->setSustainPedal(0);
        EXPECT_FALSE(v.keyHeld);
        EXPECT_EQ(v.state.gate, 0.0);
        EXPECT_EQ(v.envState(), kEnvRelease);
        rig.render(8820);
        EXPECT_FALSE(v.sounding);
    }
}

TEST(AlphaJunoPoly, PedalUpLeavesHeldKeysAndRepressClearsDeferral) {
    Rig rig;
    rig.e->setSustainPedal(1);
    rig.e->NoteOn(60, 100);
    rig.e->NoteOn(64, 100);
    rig.e->NoteOff(60, 0);
    rig.e->NoteOn(60, 100);  // pressed again: no longer waiting for the pedal
    EXPECT_FALSE(rig.e->Voice(0).sustained);
    rig.e->setSustainPedal(0);
    EXPECT_TRUE(rig.e->Voice(0).keyHeld);
    EXPECT_TRUE(rig.e->Voice(1).keyHeld);
    rig.e->setSustainPedal(0);  // no change: nothing happens
    EXPECT_TRUE(rig.e->Voice(0).keyHeld);
}

TEST(AlphaJunoPoly, AllNotesOffReleasesEveryKey) {
    Rig rig;
    for (int n : {48, 55, 60}) rig.e->NoteOn(n, 100);
    rig.e->AllNotesOff();
    EXPECT_FALSE(rig.e->AnyKeyHeld());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.e->Voice(i).envState(), kEnvRelease);
    rig.render(22050);
    EXPECT_EQ(rig.soundingCount(), 0);
}

// ---- chord -------------------------------------------------------------------

TEST(AlphaJunoChord, ConstructionChordPlaysKeyMinorThirdAndFifth) {
    Rig rig;
    rig.set(kChordMode, 1);
    rig.e->NoteOn(60, 100);
    EXPECT_EQ(rig.e->PolyMode(), 2);
    EXPECT_EQ(rig.voiceWithNote(60), 0);
    EXPECT_EQ(rig.voiceWithNote(63), 1);
    EXPECT_EQ(rig.voiceWithNote(67), 2);
    EXPECT_EQ(rig.soundingCount(), 3);
    rig.e->NoteOff(60, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.e->Voice(i).envState(), kEnvRelease);
}

TEST(AlphaJunoChord, ChordWriteOnPlaysNormallyAndLearnsHeldKeys) {
    Rig rig;
    rig.set(kChordMode, 1);
    rig.set(kChordWrite, 1);
    for (int n : {67, 60, 64}) rig.e->NoteOn(n, 100);
    EXPECT_EQ(rig.e->PolyMode(), 1);  // chord write keeps the keyboard playing normally
    rig.e->learnChord();
    rig.e->AllNotesOff();
    rig.set(kChordWrite, 0);
    rig.e->NoteOn(50, 100);
    EXPECT_EQ(rig.voiceWithNote(50), 0);
    EXPECT_EQ(rig.voiceWithNote(54), 1);
    EXPECT_EQ(rig.voiceWithNote(57), 2);
}

// Learning keeps the lowest six held keys as steps above the lowest, in the chord memory and in
// its slots (48 the count, 49.. the notes).
TEST(AlphaJunoChord, LearningKeepsTheLowestSixHeldKeys) {
    const struct {
        std::vector<int> keys, notes;
    } cases[] = {{{67, 60, 64}, {0, 4, 7}}, {{62, 40, 43, 47, 59, 50, 52, 55}, {0, 3, 7, 10, 12, 15}}, {{}, {}}};
    for (const auto& c : cases) {
        Rig rig;
        for (int n : c.keys) rig.e->NoteOn(n, 100);
        rig.e->learnChord();
        ASSERT_EQ(rig.e->ChordCount(), static_cast<int>(c.notes.size()));
        EXPECT_EQ(rig.e->Parameter(48), static_cast<float>(c.notes.size()));
        for (int i = 0; i < rig.e->ChordCount(); ++i) {
            EXPECT_EQ(rig.e->ChordNotes()[i], c.notes[i]);
            EXPECT_EQ(rig.e->Parameter(49 + i), static_cast<float>(c.notes[i]));
        }
    }
}

TEST(AlphaJunoChord, LearningWithNoKeyHeldSilencesChordMode) {
    Rig rig;
    rig.e->learnChord();
    rig.set(kChordMode, 1);
    rig.e->NoteOn(60, 100);
    rig.e->NoteOff(60, 0);
    rig.render(4410);
    EXPECT_EQ(rig.soundingCount(), 0);
    EXPECT_LT(rms(rig.left, 0, 4410), 1e-6);
}

TEST(AlphaJunoChord, ChordCountIsLimitedFromEverySource) {
    Rig rig;
    const int notes[6] = {0, 2, 4, 5, 7, 9};
    rig.e->SetChordMemory(9, notes);
    EXPECT_EQ(rig.e->ChordCount(), 6);
    rig.e->SetChordMemory(-4, notes);
    EXPECT_EQ(rig.e->ChordCount(), 0);
    rig.e->SetChordMemory(4, nullptr);
    EXPECT_EQ(rig.e->ChordCount(), 4);
    EXPECT_EQ(rig.e->ChordNotes()[3], 0);

    rig.set(kChordMode, 1);
    rig.e->SetChordMemory(6, notes);
    rig.e->NoteOn(60, 100);
    EXPECT_EQ(rig.soundingCount(), 6);
    EXPECT_EQ(rig.voiceWithNote(69), 5);
    rig.e->NoteOff(60, 0);
    rig.e->NoteOn(62, 100);
    rig.e->NoteOff(62, 0);
    rig.render(256);
}

TEST(AlphaJunoChord, VoiceNotesBeyondTheKeyRangeStayInBounds) {
    Rig rig;
    rig.set(kChordMode, 1);
    const int notes[6] = {12, 24, 36, 0, 0, 0};
    rig.e->SetChordMemory(3, notes);
    rig.e->NoteOn(5, 90);  // a low key whose press stamp sits next to the key velocities
    rig.e->NoteOn(120, 100);
    EXPECT_EQ(rig.e->Voice(2).note, 156.0);
    rig.e->setSustainPedal(1);
    rig.e->NoteOff(120, 0);
    rig.e->NoteOff(5, 0);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(rig.e->Voice(i).sustained);
    rig.e->setSustainPedal(0);  // pedal-up ends the chord through notes 17.. and 132..
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.e->Voice(i).envState(), kEnvRelease) << i;
    rig.render(1024);
    // Keys outside 0..127 from the caller change nothing.
    rig.e->NoteOn(200, 100);
    rig.e->NoteOn(-3, 100);
    rig.e->NoteOff(1000, 0);
    EXPECT_FALSE(rig.e->AnyKeyHeld());
}

// ---- rendering ---------------------------------------------------------------

TEST(AlphaJunoRender, BlocksLongerThanTheBuffersRenderInPieces) {
    Rig whole, pieces;
    for (Rig* r : {&whole, &pieces}) r->e->NoteOn(57, 100);
    whole.render(100000, 100000);
    for (int n : {44100, 44100, 11800}) pieces.render(n, n);
    ASSERT_EQ(whole.left.size(), pieces.left.size());
    for (size_t i = 0; i < whole.left.size(); ++i) ASSERT_EQ(whole.left[i], pieces.left[i]) << i;
    EXPECT_GT(rms(whole.left, 90000, 10000), 0.01);
}

TEST(AlphaJunoRender, ResetSilencesEverything) {
    Rig rig;
    rig.e->setSustainPedal(1);
    for (int n : {48, 52, 55}) rig.e->NoteOn(n, 100);
    rig.render(1024);
    rig.e->Reset();
    EXPECT_EQ(rig.soundingCount(), 0);
    EXPECT_FALSE(rig.e->AnyKeyHeld());
    EXPECT_FALSE(rig.e->SustainPedal());
    for (int i = 0; i < AlphaJuno::kVoices; ++i) {
        const AlphaJunoVoice& v = rig.e->Voice(i);
        EXPECT_EQ(v.envState(), kEnvIdle);
        EXPECT_EQ(v.envLevel(), 0.0f);
        EXPECT_EQ(v.vcaLevel(), 0.0);
        EXPECT_EQ(v.lfoPhase(), 0.0);
    }
}

// ---- effective mode and chord fallback ---------------------------------------

TEST(AlphaJunoChord, EveryNoteOnSwitchesToChordPlayEvenForAKeyOutOfRange) {
    Rig rig;
    rig.set(kChordMode, 1);
    rig.e->NoteOn(-1, 100);
    EXPECT_EQ(rig.e->PolyMode(), 2);
    EXPECT_EQ(rig.soundingCount(), 0);
}

// Porta mode 0, key released back to an older key: voice 0 restarts because the
// root differs from its note; the later voices compare against voice 0 after it
// has slid to the root, so they glide on without a restart.
TEST(AlphaJunoChord, FallbackRestartFollowsVoiceZerosNoteAsItSlides) {
    Rig rig;
    rig.set(kChordMode, 1);
    rig.e->NoteOn(60, 100);
    rig.e->NoteOn(64, 100);
    rig.render(8192);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(rig.e->Voice(i).envState(), kEnvSustain) << i;
    rig.e->NoteOff(64, 0);
    EXPECT_EQ(rig.e->Voice(0).note, 60.0);
    EXPECT_EQ(rig.e->Voice(0).envState(), kEnvStart);
    EXPECT_EQ(rig.e->Voice(1).note, 63.0);
    EXPECT_EQ(rig.e->Voice(1).envState(), kEnvSustain);
    EXPECT_EQ(rig.e->Voice(2).envState(), kEnvSustain);
}
