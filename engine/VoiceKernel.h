#pragma once

// The voice, written once over the lane types of LaneTypes.h: VoiceKernel<Lanes<1>>
// renders one voice, VoiceKernel<Lanes<4>> and <Lanes<8>> render four or eight voices in
// lockstep, one per lane. Every lane does the same IEEE operations (the same roundings to
// single precision, the same order of sums), so a voice sounds the same bit for bit
// whichever width renders it; branches that differ from voice to voice are lane selections.
// Settings that choose whole code paths (VoiceModes) are shared by all lanes.
//
// VoiceState and BlockValues consist only of lane columns of 8-byte numbers, in the same
// order at every width, so that voices move in and out of lanes by a plain transposition
// (VoiceGroup).

#include <cstring>

#include "JunoEnvelope.h"
#include "JunoLfo.h"
#include "JunoVCF.h"
#include "LaneTypes.h"
#include "Transcendentals.h"
#include "Wavetable.h"

namespace halvorax::synth {

// A one-pole low-pass state with the alternating anti-denormal offset:
// value += (input + offset - value) * coefficient, then the offset flips sign.
template <class L>
struct OnePole {
    typedef typename L::D D;
    D Process(D input, D coefficient) {
        value += ((input + offset) - value) * coefficient;
        offset = -offset;
        return value;
    }
    D value{};
    D offset = D{} + 1e-5;
};

// One oscillator: phase in 0..1, increment in cycles per sample (at most 0.5).
template <class L>
struct JunoOscillator {
    typedef typename L::D D;
    D Advance() {
        phase += increment;
        phase = phase >= 1.0 ? phase - 1.0 : phase;
        return phase;
    }
    D phase{};
    D increment{};
};

// What a voice carries from sample to sample and block to block.
template <class L>
struct VoiceState {
    typedef typename L::D D;
    typedef typename L::I I;
    // Note: the glided frequency and note, their targets, velocity and gate.
    D freq = D{} + 110.0, targetFreq = D{} + 110.0, glideNote{}, targetNote{}, velocity{}, gate{};
    I glideOn{};
    D antiDenormal = D{} + 1e-14;
    D pwmValue{}, pwmOffset = D{} + 1e-5f;  // pulse-width smoother (single-precision values)
    JunoLfo<L> lfo;                         // main LFO; the engine keeps all voices' phases in step
    JunoLfo<L> pwmLfo;                      // pulse-width LFO (no fade-in)
    JunoEnvelope<L> env;
    OnePole<L> vcaSmooth;
    JunoOscillator<L> oscA, oscB, oscC, oscD;  // the base frequency, twice, half, a quarter
    I noiseSeed = I{} + 132151223;
    OnePole<L> saw3Blocker, highPass, preFilterBlocker, cutoffSmooth, outputBlocker;
    JunoVCF<L> bassFilter, vcf;
    I silenced{};  // the voice fell silent during the last block
};

// Values held for one block.
template <class L>
struct BlockValues {
    typedef typename L::D D;
    D rate;          // sample rate in Hz
    D keyCutoff;     // cutoff key-follow factor K
    D tune;          // tuning factor T
    D ratio;         // 44100 / sample rate
    D glide;         // glide coefficient per sample
    D bendOctaves;   // bend term of the pitch
    D rangeOctaves;  // 1 - dcorange
    D subLevel, noiseLevel, highPassCoefficient, dcCoefficient;
    D dcoLfo, depth2, dcoAfterDepth, vcfEnv, vcfLfo, vcfAfterDepth, vcaLevel, vcaAfterDepth, audioCutoffMod;
    D pwmTarget, l1, l2, l3;  // single-precision values
    D modWheel, aftertouch;
    D lfoIncrement, lfoDelayRate, pwmIncrement;
    D resonance, bassCutoff, bassResonance;
    JunoEnvelopeRates<L> env;
};

// The settings that choose code paths, shared by every voice of a block. A selection that
// is not a whole number of its range selects nothing (-1).
struct VoiceModes {
    int dcoEnvMode, saw, pulse, sub, hpf, vcfEnvMode, vcaEnv, filterType;
    bool aftertouchOn, pwmLfoOn, subOn;
    bool needsTableA, needsTableB, needsTableC;  // fixed-length table numbers the sources read
    bool readsSawA;                              // sawtooth or pulse 3 reads table A half a cycle on
    bool usesMg[4];                              // which oscillators' mgsaw/mgsqu tables they read
};

template <class L>
class VoiceKernel {
public:
    typedef typename L::D D;
    typedef typename L::I I;
    typedef typename L::F F;
    typedef typename L::I32 I32;
    typedef typename L::U32 U32;
    enum { kChunk = 64 };

    // cutoffInput: the block's per-sample cutoff control, shared by all lanes.
    VoiceKernel(VoiceState<L>& state, const BlockValues<L>& block, const VoiceModes& modes, const float* cutoffInput)
        : s(state), b(block), mode(modes), cutoffInput(cutoffInput), bank(WavetableBank::Get()) {}

    // Renders count samples and adds lanes 0..voices-1 into outputs, voice after voice.
    void Render(float** outputs, int count, int voices) {
        s.silenced = I{};
        switch (mode.filterType) {
            case 0:
                render<typename JunoVCF<L>::Saturating>(outputs, count, voices);
                break;
            case 1:
                render<typename JunoVCF<L>::Series>(outputs, count, voices);
                break;
            default:
                render<typename JunoVCF<L>::Pass>(outputs, count, voices);
                break;
        }
    }

private:
    // A table of a mapped set (mgsaw, mgsqu share their layout): first sample, length.
    struct MgTable {
        I32 base, length;
    };
    // Table lookups, remembered while their map index stays the same: the last index
    // (-1 before the first) and its result.
    template <class T>
    struct MapCache {
        I32 index = I32{} - 1;
        T value{};
    };

    VoiceState<L>& s;
    const BlockValues<L>& b;
    const VoiceModes& mode;
    const float* cutoffInput;
    const WavetableBank& bank;
    MapCache<MgTable> mgCache[4];
    MapCache<I32> fixedCache[3];

    // Per-sample values handed from one stage to the next.
    struct Buffers {
        D pitch[kChunk], freq[kChunk], width[kChunk], lfo[kChunk], env[kChunk];
        D vca[2][kChunk];  // this chunk's and the previous one's (its filter runs late)
        D phaseA[kChunk], phaseB[kChunk], phaseC[kChunk], phaseD[kChunk];
        MgTable mgA[kChunk], mgB[kChunk], mgC[kChunk], mgD[kChunk];  // mgsaw/mgsqu tables
        I32 tA[kChunk], tB[kChunk], tC[kChunk];                      // first samples of the fixed-length tables
        D mix[kChunk];                                               // single-precision values
        D drive[kChunk], cutoff[kChunk];  // filter input (single-precision values) and coefficient
        D out[kChunk];
    } buf;

    // Adds lanes 0..voices-1 of the chunk's output into a channel, voice after voice, each
    // sum rounded to single precision as the channel holds it. A lane of kWidth samples takes
    // the voices' outputs of those samples (a transposition), so the sums run side by side.
    void addVoices(float* channel, int count, int voices) const {
        const int W = L::kWidth;
        int k = 0;
        for (; k + W <= count; k += W) {
            F held;
            std::memcpy(&held, channel + k, sizeof held);
            D sum = fromFloat(held);
            for (int i = 0; i < voices; ++i) sum = f(sum + L::Column(&buf.out[k], i));
            held = toFloat(sum);
            std::memcpy(channel + k, &held, sizeof held);
        }
        for (; k < count; ++k)
            for (int i = 0; i < voices; ++i) channel[k] += L::Lane(buf.out[k], i);
    }

    static D fromFloat(F x) { return L::Widen(x); }
    static F toFloat(D x) { return Convert<F>(x); }
    static D f(D x) { return RoundToFloat<L>(x); }

    // Chunk after chunk. A chunk's filter runs in the loop of the next chunk's sources, so
    // that its chain of dependent steps (what a lone voice waits on most) overlaps their
    // independent work. Every stage still takes its samples in order: the sound is the same.
    template <class Steps>
    void render(float** outputs, int count, int voices) {
        // The chunk whose filter has not run yet: its first sample, length and VCA gains.
        int waitingStart = 0, waiting = 0;
        const D* waitingVca = nullptr;
        for (int start = 0, parity = 0; start < count; start += kChunk, parity ^= 1) {
            const int n = count - start < kChunk ? count - start : kChunk;
            controlStage(n, buf.vca[parity]);
            phaseStage(n);
            sourceStage<Steps>(n, waitingVca, waiting);
            addVoices(outputs, waitingStart, waiting, voices);
            cutoffStage(start, n);
            waitingStart = start;
            waiting = n;
            waitingVca = buf.vca[parity];
        }
        sourceStage<Steps>(0, waitingVca, waiting);  // the last chunk's output stage alone
        addVoices(outputs, waitingStart, waiting, voices);
    }

    void addVoices(float** outputs, int start, int count, int voices) const {
        addVoices(outputs[0] + start, count, voices);
        addVoices(outputs[1] + start, count, voices);
    }

    // Pulse-width smoother, LFOs, pitch, VCA and the envelope, one sample at a time, their
    // states in locals meanwhile (the buffers written may alias them as far as the compiler
    // knows, which would send them through memory at every sample).
    void controlStage(int count, D* vcaOut) {
        const D zero = D{}, one = zero + 1.0;
        F pwmValue = toFloat(s.pwmValue), pwmOffset = toFloat(s.pwmOffset);
        const F pwmTarget = toFloat(b.pwmTarget);
        JunoLfo<L> lfo = s.lfo, pwmLfo = s.pwmLfo;
        JunoEnvelope<L> env = s.env;
        OnePole<L> vcaSmooth = s.vcaSmooth;
        D freq = s.freq, glideNote = s.glideNote, antiDenormal = s.antiDenormal;
        I silenced = s.silenced;
        for (int n = 0; n < count; ++n) {
            pwmValue += ((pwmTarget + pwmOffset) - pwmValue) * 0.005f;
            pwmOffset = -pwmOffset;
            D p = fromFloat(pwmValue);

            const D lfoValue = lfo.NextFaded(b.lfoIncrement, b.lfoDelayRate);
            const D envValue = env.level;  // as left by the previous sample

            D pitchEnv = zero;
            switch (mode.dcoEnvMode) {
                case 0:
                    pitchEnv = envValue * b.depth2;
                    break;
                case 1:
                    pitchEnv = -envValue * b.depth2;
                    break;
                case 2:
                    pitchEnv = envValue * b.depth2 * s.velocity;
                    break;
                case 3:
                    pitchEnv = -envValue * b.depth2 * s.velocity;
                    break;
                default:
                    break;
            }

            freq = s.glideOn ? freq + (s.targetFreq + antiDenormal - freq) * b.glide : freq;
            glideNote = s.glideOn ? glideNote + (s.targetNote + antiDenormal - glideNote) * b.glide : glideNote;

            // Pitch in octaves.
            D vibrato;
            if (mode.aftertouchOn)
                vibrato = b.modWheel * lfoValue / 12.0 + 2.0 * b.dcoAfterDepth * b.aftertouch * lfoValue / 12.0;
            else
                vibrato = 2.0 * b.dcoAfterDepth * b.modWheel * lfoValue / 12.0;
            buf.pitch[n] = 2.5 * pitchEnv + b.bendOctaves + b.dcoLfo * lfoValue * 3.0 / 12.0 + vibrato + b.rangeOctaves;
            buf.freq[n] = freq;

            // The PWM LFO sweeps the width between 0 and P.
            if (mode.pwmLfoOn) p = p * 0.5 + p * 0.5 * pwmLfo.Value();
            pwmLfo.Advance(b.pwmIncrement);
            buf.width[n] = p;
            buf.lfo[n] = lfoValue;
            buf.env[n] = envValue;

            // VCA.
            D source = zero;
            switch (mode.vcaEnv) {
                case 0:
                    source = envValue;
                    break;
                case 1:
                    source = s.gate;
                    break;
                case 2:
                    source = envValue * s.velocity;
                    break;
                case 3:
                    source = s.gate * s.velocity;
                    break;
                default:
                    break;
            }
            source = source < 0.0 ? zero : (source > 1.0 ? one : source);
            D gain;
            if (mode.aftertouchOn) {
                gain = source + b.aftertouch * 0.5 * b.vcaAfterDepth;
            } else {
                const D m = b.vcaAfterDepth * b.modWheel * lfoValue;
                gain = (source + m * 0.5) * (m + 1.0);
            }
            const D vca = vcaSmooth.Process(gain, zero + 0.01);
            const auto quiet =
                (vca < 0.0001) & (s.gate == 0.0) & ((env.state == kEnvSustain) | (env.state == kEnvRelease));
            silenced = quiet ? I{} - 1 : silenced;
            vcaOut[n] = vca < 0.0 ? zero : (vca > 2.0 ? zero + 2.0 : vca);

            env.Step(b.env, b.l1, b.l2, b.l3, antiDenormal);
            antiDenormal = -antiDenormal;
        }
        s.pwmValue = fromFloat(pwmValue);
        s.pwmOffset = fromFloat(pwmOffset);
        s.lfo = lfo;
        s.pwmLfo = pwmLfo;
        s.env = env;
        s.vcaSmooth = vcaSmooth;
        s.freq = freq;
        s.glideNote = glideNote;
        s.antiDenormal = antiDenormal;
        s.silenced = silenced;
    }

    // mgsaw map index of each oscillator period (the whole reciprocal of its increment).
    I32 periodIndex(D reciprocal) const {
        const int last = WavetableBank::kMapSize - 1;
        const D limited = reciprocal < 1e9 ? reciprocal : D{} + 1e9;
        const I32 period = Convert<I32>(limited);
        return period < 0 ? I32{} : (period > last ? I32{} + last : period);
    }

    // junosaw1 map index of each oscillator frequency in Hz.
    I32 frequencyIndex(D increment) const {
        const D hz = increment * b.rate;
        const double last = (double)(WavetableBank::kMapSize - 1);
        // NaN and anything not above 0 read entry 0; at or past the last entry, the last.
        return Convert<I32>(hz > 0.0 ? (hz >= last ? D{} + last : hz) : D{});
    }

    // The mgsaw/mgsqu table for each period. Periods change far less often than every
    // sample, so the lookups are repeated only when one has.
    const MgTable& mgTable(MapCache<MgTable>& cache, D reciprocal) {
        const I32 index = periodIndex(reciprocal);
        if (L::Any(index != cache.index)) {
            const I32 t = L::MapEntries(bank.MgSawMap(), index);
            const Wavetable set = bank.MgSaw();
            cache.index = index;
            cache.value = {L::Gather(set.index, t), L::Gather(set.length, t)};
        }
        return cache.value;
    }

    // The first sample of the fixed-length table for each frequency (the fixed sets share
    // one layout), looked up again only when a frequency index has changed.
    I32 fixedTable(MapCache<I32>& cache, D increment) {
        const I32 index = frequencyIndex(increment);
        if (L::Any(index != cache.index)) {
            // Indices at or past the Nyquist frequency (and all of them above 44.1 kHz)
            // use the last map entry, which selects the top table.
            I32 t = L::MapEntries(bank.JunoSaw1Map(), index);
            t = t > 127 ? I32{} + 127 : t;
            cache.index = index;
            cache.value = L::Gather(bank.JunoSaw1().index, t);
        }
        return cache.value;
    }

    // Increments and table numbers from the pitch, then the phase steps. Without pitch
    // modulation the increments repeat; they are worked out again only when a lane's
    // pitch or frequency has changed. The oscillators are in locals meanwhile.
    void phaseStage(int count) {
        const D half = D{} + 0.5;
        JunoOscillator<L> oscA = s.oscA, oscB = s.oscB, oscC = s.oscC, oscD = s.oscD;
        D pitch = D{}, frequency = D{} - 1.0;
        for (int n = 0; n < count; ++n) {
            if (L::Any((buf.pitch[n] != pitch) | (buf.freq[n] != frequency))) {
                pitch = buf.pitch[n];
                frequency = buf.freq[n];
                D inc = Exp2<L>(pitch) * b.tune * frequency / b.rate;
                inc = inc > 0.5 ? half : inc;
                // q = 1 / inc. Halving and doubling are exact, so it gives all four
                // periods exactly as 1 / increment would.
                const D q = 1.0 / inc;
                const auto bInRange = 2.0 * inc < 0.5;
                oscA.increment = inc;
                oscB.increment = bInRange ? 2.0 * inc : half;
                oscC.increment = inc / 2.0;  // inc <= 0.5, so C and D never reach the limit
                oscD.increment = inc / 4.0;
                // Table numbers only for the sources that read them.
                if (mode.usesMg[0]) mgTable(mgCache[0], q);
                if (mode.usesMg[1]) mgTable(mgCache[1], bInRange ? q * 0.5 : D{} + 2.0);
                if (mode.usesMg[2]) mgTable(mgCache[2], q * 2.0);
                if (mode.usesMg[3]) mgTable(mgCache[3], q * 4.0);
                if (mode.needsTableA) fixedTable(fixedCache[0], inc);
                if (mode.needsTableB) fixedTable(fixedCache[1], oscB.increment);
                if (mode.needsTableC) fixedTable(fixedCache[2], inc * 0.5);
            }
            // Only the tables the sources read.
            if (mode.usesMg[0]) buf.mgA[n] = mgCache[0].value;
            if (mode.usesMg[1]) buf.mgB[n] = mgCache[1].value;
            if (mode.usesMg[2]) buf.mgC[n] = mgCache[2].value;
            if (mode.usesMg[3]) buf.mgD[n] = mgCache[3].value;
            if (mode.needsTableA) buf.tA[n] = fixedCache[0].value;
            if (mode.needsTableB) buf.tB[n] = fixedCache[1].value;
            if (mode.needsTableC) buf.tC[n] = fixedCache[2].value;
            buf.phaseA[n] = oscA.Advance();
            buf.phaseB[n] = oscB.Advance();
            buf.phaseC[n] = oscC.Advance();
            buf.phaseD[n] = oscD.Advance();
        }
        s.oscA = oscA;
        s.oscB = oscB;
        s.oscC = oscC;
        s.oscD = oscD;
    }

    static F readMapped(const float* data, const MgTable& table, D phase) {
        return WavetableRead<L>::Mapped(data, table.base, table.length, phase);
    }
    static F fetchFixed(const float* data, I32 base, D phase) {
        return WavetableRead<L>::Fixed(data, base, phase, WavetableBank::kFixedLength);
    }

    // The difference of two reads of one sawtooth table, offset apart in phase.
    static D sawDifference(const float* saw, const MgTable& table, D phase, double offset) {
        return fromFloat(readMapped(saw, table, phase) - readMapped(saw, table, phase + offset));
    }

    static D squareProduct(const MgTable& ta, D phA, const MgTable& tb, D phB, const float* first, const float* mgsqu) {
        const D x = fromFloat(readMapped(first, ta, phA));
        const D y = fromFloat(readMapped(mgsqu, tb, phB));
        return 1.5 * (2.0 * (x + 0.5) * (y + 0.5) - 1.0);
    }

    // The tables the sources read.
    struct SourceTables {
        const float *mgsaw, *mgsqu, *saw1, *saw4, *saw5, *pulse1;
    };

    // The sources and the mixer, with the previous chunk's output stage (`waiting` samples)
    // stepped in the same loop.
    // (The output stage is made here, so that its states can live in registers.)
    template <class Steps>
    void sourceStage(int count, const D* waitingVca, int waiting) {
        OutputStage<Steps> output(*this, waitingVca, waiting);
        const SourceTables t = {bank.MgSaw().data,    bank.MgSqu().data,    bank.JunoSaw1().data,
                                bank.JunoSaw4().data, bank.JunoSaw5().data, bank.JunoPulse().data};
        U32 seed = Convert<U32>(s.noiseSeed);
        const int both = count < waiting ? count : waiting;
        int n = 0;
        for (; n < both; ++n) {
            buf.mix[n] = source(t, n, seed);
            output.Step(n);
        }
        for (; n < count; ++n) buf.mix[n] = source(t, n, seed);
        for (; n < waiting; ++n) output.Step(n);
        output.Store();
        s.noiseSeed = Convert<I>(seed);
    }

    // Sample n of the mixer.
    // (Always inlined: a call per sample would send the output stage's states, live across
    // it, through memory.)
    __attribute__((always_inline)) D source(const SourceTables& t, int n, U32& seed) {
        const D zero = D{};
        const float *mgsaw = t.mgsaw, *mgsqu = t.mgsqu, *saw1 = t.saw1;
        const D pA = buf.phaseA[n], pB = buf.phaseB[n], pC = buf.phaseC[n], pD = buf.phaseD[n];
        // Sawtooth 3 and pulse 3 both read table A half a cycle on; they share the read.
        const F sawA = mode.readsSawA ? fetchFixed(saw1, buf.tA[n], pA + 0.5) : F{};
        D saw = zero;
        switch (mode.saw) {
            case 1:
                saw = 2.0 * fromFloat(readMapped(mgsaw, buf.mgA[n], pA));
                break;
            case 2:
                saw = squareProduct(buf.mgA[n], pA, buf.mgB[n], pB, mgsaw, mgsqu);
                break;
            case 3: {
                const D p = buf.width[n];
                const D x = fromFloat(sawA);
                const D y =
                    fromFloat(fetchFixed(saw1, buf.tB[n], pB) - fetchFixed(saw1, buf.tB[n], pB + 1.0 - 0.99 * p));
                const D v = 1.5 * ((x + 1.0) * (y * 0.5 + 1.0 - 0.99 * p) - 1.0) + p;
                saw = v - s.saw3Blocker.Process(v, zero + 0.001);
                break;
            }
            case 4:
                saw = 2.0 * fromFloat(fetchFixed(t.saw4, buf.tA[n], pA));
                break;
            case 5:
                saw = 2.0 * fromFloat(fetchFixed(t.saw5, buf.tA[n], pA));
                break;
            default:
                break;
        }
        D pulse = zero;
        switch (mode.pulse) {
            case 1:
                pulse = 2.0 * sawDifference(mgsaw, buf.mgA[n], pA, 0.5);
                break;
            case 2:
                pulse = 2.0 * sawDifference(mgsaw, buf.mgA[n], pA, 0.75);
                break;
            case 3:
                pulse = 1.5 * fromFloat(sawA - fetchFixed(saw1, buf.tA[n], pA + 1.0 + 0.49 * buf.width[n]));
                break;
            default:
                break;
        }
        // The sub source is not computed at all at sub level 0.
        D sub = zero;
        if (mode.subOn) {
            switch (mode.sub) {
                case 0:
                    sub = 2.0 * sawDifference(mgsaw, buf.mgC[n], pC, 0.5);
                    break;
                case 1:
                    sub = 2.5 * sawDifference(mgsaw, buf.mgC[n], pC, 0.75);
                    break;
                case 2:
                    sub = squareProduct(buf.mgC[n], pC, buf.mgB[n], pB, mgsqu, mgsqu);
                    break;
                case 3:
                    sub = 2.0 * fromFloat(fetchFixed(t.pulse1, buf.tC[n], pC));
                    break;
                case 4:
                    sub = 2.0 * sawDifference(mgsaw, buf.mgD[n], pD, 0.5);
                    break;
                case 5:
                    sub = 2.0 * sawDifference(mgsaw, buf.mgD[n], pD, 0.75);
                    break;
                default:
                    break;
            }
        }
        // The noise generator runs on at noise level 0, where its term is 0.
        seed = seed * 1103515245u + 12345u;
        const F r = Convert<F>(Reinterpret<I32>(seed & 0x7FFFFFFFu));
        const D noiseValue = fromFloat(toFloat(2.0 * fromFloat(r) / 2147483647.0 - 1.0));
        const D noise = b.noiseLevel != 0.0 ? 2.0 * noiseValue * b.noiseLevel : zero;
        return f((noise + 1.5 * sub * b.subLevel + pulse + 1.5 * saw) * (double)0.1f);
    }

    // High-pass or bass stage, drive, and the cutoff coefficient.
    void cutoffStage(int start, int count) {
        const D zero = D{};
        const D bassG = JunoVCF<L>::PlainGain(b.bassCutoff);
        const D bassK = JunoVCF<L>::PlainDamping(b.bassResonance, bassG);
        // The stages' states in locals for the loop (the buffers it writes may alias them
        // as far as the compiler knows, which would send them through memory every sample).
        JunoVCF<L> bassFilter = s.bassFilter;
        OnePole<L> highPass = s.highPass, preFilterBlocker = s.preFilterBlocker, cutoffSmooth = s.cutoffSmooth;
        for (int n = 0; n < count; ++n) {
            D x = buf.mix[n];  // single-precision values throughout
            switch (mode.hpf) {
                case 0:
                    x = f(x + f(4.0 * bassFilter.ProcessPlain(x, bassG, bassK)));
                    break;
                case 2:
                case 3:
                    x = f(x - highPass.Process(x, b.highPassCoefficient));
                    break;
                default:
                    break;
            }
            // Pre-filter DC blocker and drive.
            const D drive = (1.0 + b.vcaLevel) * f(x - preFilterBlocker.Process(x, b.dcCoefficient));
            buf.drive[n] = f(drive);

            const D envValue = buf.env[n], lfoValue = buf.lfo[n];
            D cutoffEnv = zero;
            switch (mode.vcfEnvMode) {
                case 0:
                    cutoffEnv = envValue;
                    break;
                case 1:
                    cutoffEnv = -envValue;
                    break;
                case 2:
                    cutoffEnv = envValue * s.velocity;
                    break;
                case 3:
                    cutoffEnv = s.velocity;
                    break;
                default:
                    break;
            }
            const D pressure = mode.aftertouchOn ? b.vcfAfterDepth * b.aftertouch * 0.25
                                                 : 0.25 * b.vcfAfterDepth * b.modWheel * lfoValue;
            const double cutoffIn = cutoffInput ? cutoffInput[start + n] : 0.0f;
            const D control = (lfoValue * 0.25 * (b.vcfLfo * b.vcfLfo) + cutoffEnv * 0.8 * b.vcfEnv +
                               drive * b.audioCutoffMod * 2.5 + (cutoffIn - 0.14) + pressure) *
                              b.keyCutoff;

            // Cutoff smoother, then the filter's coefficient, in single precision.
            F cutoff = toFloat(cutoffSmooth.Process(control, zero + 0.5));
            cutoff = cutoff < 0.001f ? F{} + 0.001f : (cutoff > 1.0f ? F{} + 1.0f : cutoff);
            cutoff = cutoff * cutoff * cutoff * cutoff;
            buf.cutoff[n] = f(fromFloat(cutoff) * b.ratio);
        }
        s.bassFilter = bassFilter;
        s.highPass = highPass;
        s.preFilterBlocker = preFilterBlocker;
        s.cutoffSmooth = cutoffSmooth;
    }

    // The voice filter, the VCA and the output DC blocker of one chunk, a sample at a time,
    // their states in locals meanwhile.
    template <class Steps>
    class OutputStage {
    public:
        OutputStage(VoiceKernel& kernel, const D* vca, int count)
            : kernel(kernel),
              filter(kernel.s.vcf, kernel.buf.drive, kernel.buf.cutoff, kernel.b.resonance, count),
              blocker(kernel.s.outputBlocker),
              vca(vca),
              out(kernel.buf.out) {}
        void Step(int n) {
            const D o = f(filter.Step(n) * vca[n]);
            out[n] = f(o - blocker.Process(o, D{} + 0.0005)) * 0.2;
        }
        void Store() {
            filter.Store();
            kernel.s.outputBlocker = blocker;
        }

    private:
        VoiceKernel& kernel;
        Steps filter;
        OnePole<L> blocker;
        const D* vca;
        D* out;
    };
};

}  // namespace halvorax::synth
