#pragma once

#include "AlphaChorus.h"
#include "AlphaJunoVoice.h"
#include "VoiceGroup.h"

// The synthesizer engine: parameter block and performance inputs, held keys,
// mono/poly/chord note handling with portamento, sustain pedal, chord memory,
// and block rendering of the voice pool followed by the chorus.
// Not safe for concurrent entry: every operation runs on the audio thread.
// The object is large (delay lines, cutoff buffer); owners hold it on the heap.
class AlphaJuno {
public:
    static constexpr int kVoices = 16;
    static constexpr int kKeys = 128;
    static constexpr int kMaxChord = 6;
    static constexpr int kMaxBlock = 44100;  // longer blocks are rendered in pieces

    // Parameter slots the engine reads or writes itself.
    static constexpr int kSlotCutoff = 14;
    static constexpr int kSlotChorusEnabled = 24;
    static constexpr int kSlotChorusRate = 25;
    static constexpr int kSlotChordWrite = 46;
    static constexpr int kSlotChordMode = 47;
    static constexpr int kSlotChordCount = 48;
    static constexpr int kSlotChordNote0 = 49;

    AlphaJuno();

    // Starts a key (0..127, velocity 1..127); returns the note. A key outside 0..127
    // plays nothing (the chord-play switch is still applied).
    int NoteOn(int note, int velocity);
    // Ends a key; the velocity is ignored.
    void NoteOff(int note, int velocity);
    void setSustainPedal(int down);
    // Stores the held keys (lowest six) as the chord memory.
    void learnChord();
    // Index of the quietest voice in sustain or release, or -1.
    int stealVoice();
    void Reset();
    // Adds count samples into outputs[0] and outputs[1], then runs the chorus in place.
    void blockProcess(float** outputs, int count);

    // Releases all 128 keys in the current mode (what a panic or a mode change does).
    void AllNotesOff();
    // Replaces the chord memory; the count is limited to 0..6, missing notes are 0.
    void SetChordMemory(int count, const int* notes);
    // True while any key is held.
    bool AnyKeyHeld() const;

    float params[128];
    int keyVelocity[kKeys];
    int keyOrder[kKeys];
    int noteCounter;
    double lastVelocity;
    double bend;
    double modWheel;
    double aftertouch;
    double tuneCents;
    double portaTime;
    int portaMode;
    int polyMode;
    double sampleRate;
    int sustain;
    AlphaJunoVoice voices[kVoices];
    AlphaChorus chorus;
    double cutoffSmooth;
    float cutoffBuffer[kMaxBlock];
    VoiceGroup::Scratch laneScratch;  // working memory of the voice groups
    int chordCount;
    int chordNotes[kMaxChord];

private:
    void applyChordModeSwitch();
    int activeChordCount() const;
    int chordTarget(int root, int i) const;
    void pressKey(int note, int velocity);
    // Held-key count and the most recently pressed held key (-1 if none).
    int scanHeldKeys(int& last) const;
    void release(AlphaJunoVoice& v, bool consultPedal);

    void noteOnMono(int note, int velocity);
    void noteOnPoly(int note, int velocity);
    void noteOnChord(int note, int velocity);
    void noteOffMono();
    void noteOffPoly(int note);
    void noteOffChord();
    int pickPolyVoice(int note);

    void copyInputs(AlphaJunoVoice& v, double lfoPhase);
    void renderPiece(float** outputs, int count);
    void smoothCutoff(int count);
    void runChorus(float** outputs, int count);
};
