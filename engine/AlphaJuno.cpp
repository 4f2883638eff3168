#include "AlphaJuno.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "SlotRanges.h"
#include "Transcendentals.h"

namespace halvorax::synth {

namespace {
bool validKey(int note) { return note >= 0 && note < AlphaJuno::kKeys; }

// A performance input held to its range (NaN to the lower end), like the slots.
double limited(double x, double lowest, double highest) { return x >= lowest ? std::min(x, highest) : lowest; }
}  // namespace

AlphaJuno::AlphaJuno()
    : keyVelocity{},
      keyOrder{},
      noteCounter(0),
      lastVelocity(0.0),
      portaMode(0),
      polyMode(0),
      sampleRate(44100.0),
      sustain(0),
      cutoffSmooth(0.0),
      cutoffBuffer{},
      chordCount(3),
      chordNotes{0, 3, 7, 0, 0, 0} {
    inputs.cutoffInput = cutoffBuffer;
    WavetableBank::Get();  // the tables are built here, not by the first block on the audio thread
}

void AlphaJuno::SetParameter(int slot, float value) { inputs.SetParameter(slot, value); }

float AlphaJuno::Parameter(int slot) const {
    return slot >= 0 && slot < SlotRanges::kSlots ? inputs.params[slot] : 0.0f;
}

// The voices read the rate as given (a block at an unusable rate runs at 44.1 kHz).
void AlphaJuno::SetSampleRate(double rate) { sampleRate = inputs.sampleRate = rate; }

void AlphaJuno::SetPitchBend(double bend) { inputs.bend = static_cast<float>(limited(bend, 0.0, 1.0)); }
void AlphaJuno::SetModWheel(double amount) { inputs.modWheel = static_cast<float>(limited(amount, 0.0, 1.0)); }
void AlphaJuno::SetAftertouch(double amount) { inputs.aftertouch = static_cast<float>(limited(amount, 0.0, 1.0)); }
void AlphaJuno::SetTuneCents(double cents) { inputs.tuneCents = static_cast<float>(limited(cents, -1200.0, 1200.0)); }
void AlphaJuno::SetPortaTime(double time) { inputs.portaTime = static_cast<float>(limited(time, 0.0, 127.0)); }
void AlphaJuno::SetPortaMode(int mode) { portaMode = mode; }
void AlphaJuno::SetPolyMode(int mode) { polyMode = mode; }

// While chord mode is on and chord write is off, the keyboard plays chords.
void AlphaJuno::applyChordModeSwitch() {
    if (inputs.params[kSlotChordMode] > 0.0f && inputs.params[kSlotChordWrite] == 0.0f) polyMode = 2;
}

// The chord count may arrive from a patch file or a state chunk with any value.
int AlphaJuno::activeChordCount() const { return std::clamp(chordCount, 0, kMaxChord); }

// Intervals are limited so that the sum cannot overflow; the voice plays
// notes outside 0..127 at its fallback pitch.
int AlphaJuno::chordTarget(int root, int i) const { return root + std::clamp(chordNotes[i], -kKeys, kKeys); }

void AlphaJuno::pressKey(int note, int velocity) {
    keyVelocity[note] = velocity;
    keyOrder[note] = noteCounter++;
}

int AlphaJuno::scanHeldKeys(int& last) const {
    int held = 0;
    last = -1;
    for (int k = 0; k < kKeys; ++k) {
        if (keyVelocity[k] <= 0) continue;
        ++held;
        if (last < 0 || keyOrder[k] > keyOrder[last]) last = k;
    }
    return held;
}

bool AlphaJuno::AnyKeyHeld() const {
    for (int v : keyVelocity)
        if (v > 0) return true;
    return false;
}

// A release deferred by the pedal only marks the voice; pedal-up releases it.
void AlphaJuno::release(AlphaJunoVoice& v, bool consultPedal) {
    if (consultPedal && sustain != 0)
        v.sustained = true;
    else
        v.NoteOff();
}

int AlphaJuno::NoteOn(int note, int velocity) {
    applyChordModeSwitch();
    if (!validKey(note)) return note;
    switch (polyMode) {
        case 0:
            noteOnMono(note, velocity);
            break;
        case 1:
            noteOnPoly(note, velocity);
            break;
        case 2:
            noteOnChord(note, velocity);
            break;
        default:
            break;
    }
    return note;
}

void AlphaJuno::noteOnMono(int note, int velocity) {
    pressKey(note, velocity);
    int last;
    const int held = scanHeldKeys(last);
    AlphaJunoVoice& v = voices[0];
    switch (portaMode) {
        case 0:
            // The first key jumps; legato keys glide and restart the envelope.
            if (held != 1) {
                v.SlideTo(note, static_cast<int>(lastVelocity), true);
            } else {
                v.NoteOn(note, velocity, inputs);
                lastVelocity = velocity;
            }
            break;
        case 1: {
            // Every key glides; only a key with no other held restarts the envelope.
            const int vel = held > 1 ? static_cast<int>(lastVelocity) : velocity;
            v.SlideTo(note, vel, held <= 1);
            lastVelocity = vel;
            break;
        }
        case 2:
            v.NoteOn(note, velocity, inputs);
            lastVelocity = velocity;
            break;
        default:
            return;
    }
    v.sustained = false;
}

int AlphaJuno::pickPolyVoice(int note) {
    for (int i = kVoices - 1; i >= 0; --i)
        if (static_cast<int>(voices[i].note) == note) return i;
    for (int i = 0; i < kVoices; ++i)
        if (!voices[i].sounding) return i;
    return stealVoice();
}

void AlphaJuno::noteOnPoly(int note, int velocity) {
    keyVelocity[note] = velocity;
    const int i = pickPolyVoice(note);
    if (i < 0) return;  // every voice busy in its attack: the note is dropped
    AlphaJunoVoice& v = voices[i];
    if (portaMode == 1 || portaMode == 2)
        v.SlideTo(note, velocity, true);
    else if (portaMode == 0)
        v.NoteOn(note, velocity, inputs);
    v.sustained = false;
}

void AlphaJuno::noteOnChord(int note, int velocity) {
    pressKey(note, velocity);
    int last;
    const int held = scanHeldKeys(last);
    const int count = activeChordCount();
    for (int i = 0; i < count; ++i) {
        AlphaJunoVoice& v = voices[i];
        const int target = chordTarget(note, i);
        switch (portaMode) {
            case 0:
                if (held != 1) {
                    v.SlideTo(target, static_cast<int>(lastVelocity), true);
                } else {
                    v.NoteOn(target, velocity, inputs);
                    lastVelocity = velocity;
                }
                break;
            case 1: {
                const int vel = held > 1 ? static_cast<int>(lastVelocity) : velocity;
                v.SlideTo(target, vel, held < 2);
                lastVelocity = vel;
                break;
            }
            case 2:
                v.NoteOn(target, velocity, inputs);
                lastVelocity = velocity;
                break;
            default:
                break;
        }
        v.sustained = false;
    }
}

int AlphaJuno::stealVoice() const {
    int best = -1;
    double quietest = 1e8;
    for (int i = 0; i < kVoices; ++i) {
        const AlphaJunoVoice& v = voices[i];
        const int state = v.envState();
        if (!v.sounding || (state != kEnvSustain && state != kEnvRelease)) continue;
        if (v.vcaLevel() < quietest) {
            quietest = v.vcaLevel();
            best = i;
        }
    }
    return best;
}

void AlphaJuno::NoteOff(int note, int velocity) {
    applyChordModeSwitch();
    // A chord voice's note may lie outside the key range; it still ends the chord.
    if (validKey(note)) keyVelocity[note] = 0;
    switch (polyMode) {
        case 0:
            noteOffMono();
            break;
        case 1:
            noteOffPoly(note);
            break;
        case 2:
            noteOffChord();
            break;
        default:
            break;
    }
}

// Last-note priority: fall back to the most recently pressed key still held.
void AlphaJuno::noteOffMono() {
    int last;
    const int held = scanHeldKeys(last);
    const int lv = last >= 0 ? keyVelocity[last] : 0;
    const bool fallBack = lv > 0 && held > 0;
    AlphaJunoVoice& v = voices[0];
    switch (portaMode) {
        case 0:
            if (fallBack)
                v.SlideTo(last, static_cast<int>(lastVelocity), last != v.note);
            else
                release(v, true);
            break;
        case 1:
            if (fallBack)
                v.SlideTo(last, static_cast<int>(lastVelocity), false);
            else
                release(v, true);
            break;
        case 2:
            if (fallBack)
                v.NoteOn(last, lv, inputs);
            else
                release(v, false);
            break;
        default:
            break;
    }
}

void AlphaJuno::noteOffPoly(int note) {
    for (AlphaJunoVoice& v : voices)
        if (static_cast<int>(v.note) == note) release(v, true);
}

void AlphaJuno::noteOffChord() {
    int root;
    const int held = scanHeldKeys(root);
    const int rv = root >= 0 ? keyVelocity[root] : 0;
    const bool fallBack = rv > 0 && held > 0;
    const int count = activeChordCount();
    for (int i = 0; i < count; ++i) {
        AlphaJunoVoice& v = voices[i];
        switch (portaMode) {
            case 0:
                // Voice 0's note is read as it stands when each voice slides: once voice 0
                // has moved to the root, the voices after it glide without a restart.
                if (fallBack)
                    v.SlideTo(chordTarget(root, i), static_cast<int>(lastVelocity), root != voices[0].note);
                else
                    release(v, true);
                break;
            case 1:
                if (fallBack)
                    v.SlideTo(chordTarget(root, i), static_cast<int>(lastVelocity), false);
                else
                    release(v, true);
                break;
            case 2:
                if (fallBack)
                    v.NoteOn(chordTarget(root, i), rv, inputs);
                else
                    release(v, false);
                break;
            default:
                break;
        }
    }
}

void AlphaJuno::setSustainPedal(int down) {
    const bool changed = down != sustain;
    sustain = down;
    if (!changed || down != 0) return;
    for (AlphaJunoVoice& v : voices)
        if (v.keyHeld && v.sustained) NoteOff(static_cast<int>(v.note), 0);
}

void AlphaJuno::learnChord() {
    int found = 0;
    int lowest = 0;
    for (int k = 0; k < kKeys && found < kMaxChord; ++k) {
        if (keyVelocity[k] == 0) continue;
        if (found == 0) lowest = k;
        chordNotes[found] = k - lowest;
        inputs.params[kSlotChordNote0 + found] = static_cast<float>(k - lowest);
        ++found;
    }
    chordCount = found;
    inputs.params[kSlotChordCount] = static_cast<float>(found);
}

void AlphaJuno::SetChordMemory(int count, const int* notes) {
    chordCount = std::clamp(count, 0, kMaxChord);
    for (int i = 0; i < kMaxChord; ++i) chordNotes[i] = notes ? notes[i] : 0;
}

void AlphaJuno::AllNotesOff() {
    for (int n = 0; n < kKeys; ++n) NoteOff(n, 0);
}

void AlphaJuno::Reset() {
    AllNotesOff();
    for (AlphaJunoVoice& v : voices) v.Reset();
    std::fill(std::begin(keyVelocity), std::end(keyVelocity), 0);
    std::fill(std::begin(keyOrder), std::end(keyOrder), 0);
    noteCounter = 0;
    sustain = 0;
    lastVelocity = 0.0;
}

// An empty block still hands the inputs and the shared LFO phase to the voices
// and the rate to the chorus; it just renders no samples.
void AlphaJuno::blockProcess(float** outputs, int count) {
    int done = 0;
    do {
        const int n = std::min(std::max(count - done, 0), kMaxBlock);
        float* piece[2] = {outputs[0] + done, outputs[1] + done};
        renderPiece(piece, n);
        done += n;
    } while (done < count);
}

// A slow per-sample approach of the cutoff control that every voice reads.
void AlphaJuno::smoothCutoff(int count) {
    const float target = inputs.params[kSlotCutoff];
    for (int n = 0; n < count; ++n) {
        const float step = static_cast<float>((target - cutoffSmooth) / 100.0);
        const double next = step + cutoffSmooth;
        // Settled: a step too small to move the value (0, or a tiny remainder that never
        // shrinks) leaves every later step the same.
        if (next == cutoffSmooth) {
            std::fill(cutoffBuffer + n, cutoffBuffer + count, static_cast<float>(cutoffSmooth));
            return;
        }
        cutoffSmooth = next;
        cutoffBuffer[n] = static_cast<float>(cutoffSmooth);
    }
}

void AlphaJuno::renderPiece(float** outputs, int count) {
    smoothCutoff(count);
    // Voice 0 leads the LFO: the others take its phase as it will leave this
    // block, so that all of them can render together (worked out only when another plays).
    voices[0].setLfoPhase(static_cast<float>(voices[0].lfoPhase()));
    const int voiceCount = polyMode != 0 ? kVoices : 1;
    AlphaJunoVoice* playing[kVoices];
    int playingCount = 0;
    float leadPhase = 0.0f;
    for (int i = 0; i < voiceCount; ++i) {
        AlphaJunoVoice& v = voices[i];
        if (!v.sounding && i != 0) continue;
        if (i != 0) {
            if (playingCount == 1) leadPhase = static_cast<float>(voices[0].LfoPhaseAfter(inputs, count));
            v.setLfoPhase(leadPhase);
        }
        playing[playingCount++] = &v;
    }
    VoiceGroup::Render(playing, playingCount, inputs, outputs, count, laneScratch);
    runChorus(outputs, count);
}

void AlphaJuno::runChorus(float** outputs, int count) {
    if (!(inputs.params[kSlotChorusEnabled] > 0.0f)) return;
    const double r = inputs.params[kSlotChorusRate];
    chorus.rate = 2.0 * (Pow(r, 4.099999904632568) * 5.1968174263409725 + 0.025182573659027953);
    chorus.sampleRate = sampleRate;
    chorus.blockProcess(outputs, outputs, count);
}

}  // namespace halvorax::synth
