#pragma once

#include "AlphaChorus.h"
#include "AlphaJunoVoice.h"
#include "VoiceGroup.h"

namespace halvorax::synth {

// The synthesizer engine: parameter slots and performance inputs, held keys,
// mono/poly/chord note handling with portamento, sustain pedal, chord memory,
// and block rendering of the voice pool followed by the chorus.
// Everything reaches it through the functions below; every value is held to its range.
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

    // Settings. A slot outside 0..127 is ignored; values are held to the range in which
    // the engine reads them.
    void SetParameter(int slot, float value);
    float Parameter(int slot) const;
    void SetSampleRate(double rate);
    // Performance inputs: bend and the wheel and pressure 0..1 (bend centred at 0.5),
    // tuning in cents (-1200..1200), portamento time 0..127 and mode 0..2.
    void SetPitchBend(double bend);
    void SetModWheel(double amount);
    void SetAftertouch(double amount);
    void SetTuneCents(double cents);
    void SetPortaTime(double time);
    void SetPortaMode(int mode);
    // Key assignment: 0 mono, 1 poly, 2 chord (other values play nothing).
    void SetPolyMode(int mode);
    int PolyMode() const { return polyMode; }

    // Starts a key (0..127, velocity 1..127); returns the note. A key outside 0..127
    // plays nothing (the chord-play switch is still applied).
    int NoteOn(int note, int velocity);
    // Ends a key; the velocity is ignored.
    void NoteOff(int note, int velocity);
    void setSustainPedal(int down);
    bool SustainPedal() const { return sustain != 0; }
    // Stores the held keys (lowest six) as the chord memory.
    void learnChord();
    // Replaces the chord memory; the count is limited to 0..6, missing notes are 0.
    void SetChordMemory(int count, const int* notes);
    int ChordCount() const { return chordCount; }
    const int* ChordNotes() const { return chordNotes; }
    // Releases all 128 keys in the current mode (what a panic or a mode change does).
    void AllNotesOff();
    // True while any key is held.
    bool AnyKeyHeld() const;
    void Reset();

    // Adds count samples into outputs[0] and outputs[1], then runs the chorus in place.
    void blockProcess(float** outputs, int count);

    // Views for diagnostics and tests.
    const AlphaJunoVoice& Voice(int i) const { return voices[i]; }
    const VoiceInputs& Inputs() const { return inputs; }
    // Index of the quietest voice in sustain or release, or -1.
    int stealVoice() const;

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

    void renderPiece(float** outputs, int count);
    void smoothCutoff(int count);
    void runChorus(float** outputs, int count);

    VoiceInputs inputs;  // the slots and the performance inputs every voice reads
    int keyVelocity[kKeys];
    int keyOrder[kKeys];
    int noteCounter;
    double lastVelocity;
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
};

}  // namespace halvorax::synth
