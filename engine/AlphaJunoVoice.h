#pragma once

#include <cstdint>

#include "JunoEnvelope.h"
#include "JunoLfo.h"
#include "JunoVCF.h"
#include "Wavetable.h"

// A one-pole low-pass state with the alternating anti-denormal offset:
// value += (input + offset - value) * coefficient, then the offset flips sign.
struct OnePole {
    double value = 0.0;
    double offset = 1e-5;
    double Process(double input, double coefficient) {
        value += (input + offset - value) * coefficient;
        offset = -offset;
        return value;
    }
};

// One oscillator: phase in 0..1, increment in cycles per sample, period in samples.
struct JunoOscillator {
    double phase = 0.0;
    double increment = 0.0;
    int period = 0;
    // Sets the increment and its period from 1 / increment (the caller passes
    // the reciprocal, scaled exactly by a power of two). Called only when the
    // pitch changes; Advance steps the phase every sample.
    void SetIncrement(double inc, double reciprocal) {
        increment = inc;
        period = reciprocal < 1e9 ? (int)reciprocal : 1000000000;  // beyond every map
    }
    void Advance() {
        phase += increment;
        if (phase >= 1.0) phase -= 1.0;  // increments are at most 0.5
    }
};

// One voice: DCO sources (saw, pulse, sub, noise), mixer, high-pass/bass stage,
// filter drive, the voice filter, envelope/gate VCA, glide and note state.
// The engine writes the inputs below before each block, then calls blockProcess.
// VoiceLanes (VoiceLanes.h) repeats the stages of blockProcess for voices rendered
// in lanes: a change to a stage must be made there too; the golden renders and the
// voice-group tests fail on any difference.
class AlphaJunoVoice {
public:
    AlphaJunoVoice();

    // The sample rates a voice renders at; others are held to them.
    static constexpr double kLowestRate = 8000.0;
    static constexpr double kHighestRate = 768000.0;

    void NoteOn(int note, int velocity);
    void SlideTo(int note, int velocity, bool retrigger);
    void NoteOff(int note, int velocity);
    void Reset();
    // Adds count samples of this voice into outputs[0] and outputs[1].
    void blockProcess(float** outputs, int count);

    // Pitch of a MIDI note in Hz as the DCO divider produces it; 440 outside 0..127.
    static double NoteFrequency(int note);

    // Engine-facing views of the envelope, LFO and VCA state.
    int envState() const { return env.envState; }
    float envLevel() const { return env.envLevel; }
    double vcaLevel() const { return vcaSmooth.value; }
    double lfoPhase() const { return lfo.phase; }
    void setLfoPhase(double phase) { lfo.phase = phase; }
    // The main LFO's phase as rendering count samples with the current inputs will leave it.
    double LfoPhaseAfter(int count) const;

    // Inputs written by the engine and the plug-in (the voice only reads them).
    double sampleRate = 44100.0;
    float params[128];
    double bend = 0.5;
    double modWheel = 0.0;
    double aftertouch = 0.0;
    double tuneCents = 0.0;
    double portaTime = 0.0;
    const float* cutoffInput = nullptr;  // per-sample smoothed cutoff of the block

    // Note state.
    double freq = 110.0;
    double targetFreq = 110.0;
    double note = 0.0;
    double velocity = 0.0;
    double targetNote = 0.0;
    double glideNote = 0.0;
    double gate = 0.0;
    bool keyHeld = false;
    bool sounding = false;
    bool glideOn = false;
    bool sustained = false;  // engine bookkeeping for the sustain pedal

    JunoEnvelope env;
    JunoLfo lfo;     // main LFO; the engine keeps all voices' phases in step
    JunoLfo pwmLfo;  // pulse-width LFO (no fade-in)

    // Oscillators at the base frequency, twice, half and a quarter of it.
    JunoOscillator oscA, oscB, oscC, oscD;

    JunoVCF vcf;
    JunoVCF bassFilter;
    OnePole vcaSmooth;

    // Works out the block's values (rates, modes, coefficients) from the inputs;
    // blockProcess starts with it, and voice groups call it before reading them.
    void beginBlock();

private:
    template <int W> friend class VoiceLanes;  // the engine's voice groups
    // Values held for one block.
    struct BlockConstants {
        double rate;          // sample rate in Hz
        double keyCutoff;     // cutoff key-follow factor K
        double tune;          // tuning factor T
        double ratio;         // 44100 / sample rate
        double glide;         // glide coefficient per sample
        double bendOctaves;   // bend term of the pitch
        double rangeOctaves;  // 1 - dcorange
        double subLevel, noiseLevel;
        double highPassCoefficient;
        double dcCoefficient;
        int dcoEnvMode, saw, pulse, sub, hpf, vcfEnvMode, vcaEnv;
        bool aftertouchOn, pwmLfoOn, needsTableA, needsTableC, needsMg;
        // Parameter values in double form.
        double dcoLfo, dcoEnvDepth, dcoAfterDepth, vcfEnv, vcfLfo, vcfAfterDepth, vcaLevel,
            vcaAfterDepth, audioCutoffMod, pwmTarget;
        float l1, l2, l3;
    };
    BlockConstants block{};
    void prepareBlock(BlockConstants& k);
    void setIncrements(double increment, double reciprocal);
    void phaseStage(const BlockConstants& k, int count);
    void sawStage(int mode, int count);
    void pulseStage(int mode, int count);
    void subStage(int mode, int count);
    uint32_t nextNoiseSeed();
    static float noiseValue(uint32_t seed);
    int junoTable(double increment, double rate) const;

    struct PwmSmoother {
        float value = 0.0f;
        float offset = 1e-5f;
    } pwm;
    uint32_t noiseSeed = 132151223u;
    OnePole saw3Blocker, highPass, preFilterBlocker, cutoffSmooth, outputBlocker;
    double antiDenormal = 1e-14;

    // Per-sample values handed from one stage to the next, a chunk at a time.
    enum { kChunk = 64 };
    struct ChunkBuffers {
        double pitch[kChunk];   // octaves
        double freq[kChunk];    // glided base frequency
        double width[kChunk];   // pulse width P
        double lfo[kChunk];     // faded main LFO
        double env[kChunk];     // envelope level before its step
        double vca[kChunk];     // clamped VCA gain
        float mix[kChunk];      // source mix
        double drive[kChunk];   // filter input
        float cutoff[kChunk];   // filter cutoff coefficient
    };
    ChunkBuffers chunk;
    // Per-sample oscillator phases (after their step), table numbers and sources.
    struct OscillatorBuffers {
        double phaseA[kChunk], phaseB[kChunk], phaseC[kChunk], phaseD[kChunk];
        int mgA[kChunk], mgB[kChunk], mgC[kChunk], mgD[kChunk];  // mgsaw/mgsqu tables
        int tA[kChunk], tB[kChunk], tC[kChunk];                  // fixed-length tables
        double saw[kChunk], pulse[kChunk], sub[kChunk];
    };
    OscillatorBuffers osc;

    // The stages of one chunk, in signal order.
    void controlStage(const BlockConstants& k, int count);
    void oscillatorStage(const BlockConstants& k, int count);
    void cutoffStage(const BlockConstants& k, int start, int count);
    void filterStage(float* left, float* right, int count);
    void renderChunk(int start, int count);  // the stages before the filter

    Wavetable mgsaw, mgsqu, junosaw1, junosaw4, junosaw5, junopulse;
    const uint8_t* junosaw1Map = nullptr;
};
