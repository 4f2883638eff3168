#pragma once

// W voices rendered in lockstep, one voice per lane. Every lane follows the
// voice's own code operation for operation (the same roundings to single
// precision, the same order of sums), so each voice's output and state end up
// the same bit for bit as when it renders alone; only the branches that differ
// from voice to voice become lane selections. Settings that choose whole code
// paths (source waveforms, filter type, envelope and VCA modes) must be the same
// for every voice of a group; VoiceLanes::Compatible checks that.
//
// Included only by the lane translation units (see LaneMath.h).

#include <cmath>
#include <new>

#include "AlphaJunoVoice.h"
#include "LaneMath.h"

namespace {

inline LaneTypes<4>::F gatherFloats(const float* base, LaneTypes<4>::I32 index) {
    return _mm_i32gather_ps(base, (__m128i)index, 4);
}
inline LaneTypes<4>::I32 gatherInts(const int* base, LaneTypes<4>::I32 index) {
    return (LaneTypes<4>::I32)_mm_i32gather_epi32(base, (__m128i)index, 4);
}
inline LaneTypes<8>::F gatherFloats(const float* base, LaneTypes<8>::I32 index) {
    return _mm256_i32gather_ps(base, (__m256i)index, 4);
}
inline LaneTypes<8>::I32 gatherInts(const int* base, LaneTypes<8>::I32 index) {
    return (LaneTypes<8>::I32)_mm256_i32gather_epi32(base, (__m256i)index, 4);
}

}  // namespace

// One instantiation per lane translation unit: VoiceLanes<4> is built for AVX2
// only, VoiceLanes<8> for AVX-512 only.
template <int W> class VoiceLanes {
public:
    typedef typename LaneTypes<W>::D D;
    typedef typename LaneTypes<W>::I I;
    typedef typename LaneTypes<W>::F F;
    typedef typename LaneTypes<W>::I32 I32;
    typedef unsigned U32 __attribute__((vector_size(4 * W)));
    typedef AlphaJunoVoice::BlockConstants Block;
    enum { kChunk = AlphaJunoVoice::kChunk };
    // A table of a mapped set (mgsaw, mgsqu share their layout): first sample, length.
    struct MgTable {
        I32 base, length;
    };

    // True if the voices (after beginBlock) can share one group: the same code
    // paths and the same cutoff input.
    static bool Compatible(AlphaJunoVoice* const* voices, int count) {
        const Block& a = voices[0]->block;
        const JunoVCF& f = voices[0]->vcf;
        if (f.filterType != 0 && f.filterType != 1) return false;
        for (int i = 1; i < count; ++i) {
            const Block& b = voices[i]->block;
            const JunoVCF& g = voices[i]->vcf;
            if (b.dcoEnvMode != a.dcoEnvMode || b.saw != a.saw || b.pulse != a.pulse || b.sub != a.sub ||
                b.hpf != a.hpf || b.vcfEnvMode != a.vcfEnvMode || b.vcaEnv != a.vcaEnv ||
                b.aftertouchOn != a.aftertouchOn || b.pwmLfoOn != a.pwmLfoOn ||
                b.needsTableA != a.needsTableA || b.needsTableC != a.needsTableC ||
                (b.subLevel > 0.0) != (a.subLevel > 0.0) || g.filterType != f.filterType ||
                g.outputTap != f.outputTap || g.outputTap != 0 || voices[i]->bassFilter.outputTap != 0 ||
                voices[i]->cutoffInput != voices[0]->cutoffInput)
                return false;
        }
        return f.outputTap == 0 && voices[0]->bassFilter.outputTap == 0;
    }

    // Renders count samples of the voices (count <= W, Compatible) and adds them,
    // voice by voice, into outputs. The lanes' working state lives in the caller's
    // memory: room for a VoiceLanes<W>, aligned to 64 bytes.
    static void Render(AlphaJunoVoice* const* voices, int voiceCount, float** outputs, int count,
                       void* memory) {
        VoiceLanes& lanes = *new (memory) VoiceLanes(voices, voiceCount);
        for (int start = 0; start < count; start += kChunk) {
            const int n = count - start < kChunk ? count - start : kChunk;
            lanes.chunk(start, n, outputs[0] + start, outputs[1] + start);
        }
        lanes.store();
    }

private:
    AlphaJunoVoice* const* voices;
    int voiceCount;
    AlphaJunoVoice* lane[W];  // missing lanes repeat the last voice; their results are dropped
    const Block& mode;        // the group's shared modes (those of its first voice)
    const float* cutoffInput;
    bool usesMg[4];  // which oscillators' mgsaw/mgsqu tables the sources read

    // Block values, per lane.
    D rate, keyCutoff, tune, ratio, glide, bendOctaves, rangeOctaves, subLevel, noiseLevel;
    D highPassCoefficient, dcCoefficient, dcoLfo, depth2, dcoAfterDepth, vcfEnv, vcfLfo,
        vcfAfterDepth, vcaLevel, vcaAfterDepth, audioCutoffMod;
    F pwmTarget;
    D l1, l2, l3;  // envelope levels (single-precision values)
    D velocity, gate, modWheel, aftertouch, targetFreq, targetNote;
    I glideOn;
    D attackRate, decayFallRate, decayRiseRate, sustainRate, releaseRate;

    // State, per lane.
    F pwmValue, pwmOffset;
    D lfoPhase, lfoIncrement, lfoDelayLevel, lfoDelayRate, pwmPhase, pwmIncrement;
    D envLevel;  // single-precision values
    I envState;
    D freq, glideNote, antiDenormal;
    D vcaValue, vcaOffset;
    I silenced;  // the voice stopped sounding during this block
    D phaseA, phaseB, phaseC, phaseD;
    D incA, incB, incC, incD, recipA, recipB, recipC, recipD;
    U32 noiseSeed;
    D saw3Value, saw3Offset, highPassValue, highPassOffset, preValue, preOffset, smoothValue, smoothOffset;
    D outValue, outOffset;
    D bassState[3], bassAntiDenormal, bassResonance, bassCutoff;
    D vcfState[6], vcfAntiDenormal, vcfResonance;
    float lastCutoff[W];

    // Per-sample values handed from one stage to the next.
    struct Buffers {
        D pitch[kChunk], freq[kChunk], width[kChunk], lfo[kChunk], env[kChunk], vca[kChunk];
        D exp2[kChunk];
        D phaseA[kChunk], phaseB[kChunk], phaseC[kChunk], phaseD[kChunk];
        MgTable mgA[kChunk], mgB[kChunk], mgC[kChunk], mgD[kChunk];  // mgsaw/mgsqu tables
        I32 tA[kChunk], tB[kChunk], tC[kChunk];  // first samples of the fixed-length tables
        D mix[kChunk];  // single-precision values
        D drive[kChunk], cutoff[kChunk];
        D filtered[kChunk];  // filter output (single-precision values)
        D out[kChunk];
    } buf;

    template <class V, class Get> V gather(Get get) const {
        V v;
        for (int i = 0; i < W; ++i) v[i] = get(*lane[i]);
        return v;
    }
    template <class V, class Put> void scatter(V v, Put put) const {
        for (int i = 0; i < voiceCount; ++i) put(*voices[i], v[i]);
    }

    VoiceLanes(AlphaJunoVoice* const* v, int count)
        : voices(v), voiceCount(count), mode(v[0]->block), cutoffInput(v[0]->cutoffInput) {
        for (int i = 0; i < W; ++i) lane[i] = v[i < count ? i : count - 1];
        const bool sub = mode.subLevel > 0.0;
        usesMg[0] = mode.saw == 1 || mode.saw == 2 || mode.pulse == 1 || mode.pulse == 2;
        usesMg[1] = mode.saw == 2 || (sub && mode.sub == 2);
        usesMg[2] = sub && mode.sub >= 0 && mode.sub <= 2;
        usesMg[3] = sub && (mode.sub == 4 || mode.sub == 5);
        load();
    }

    void load();
    void store();
    void chunk(int start, int count, float* left, float* right);
    void controlStage(int count);
    void envelopeStep();
    void pitchStage(int count);
    void phaseStage(int count);
    void sourceStage(int count);
    void cutoffStage(int start, int count);
    void filterStage(int count);
    void saturatingFilter(int count);
    void seriesFilter(int count);
    D seriesSection(int base, D in, D g, D k, D d);

    // Table lookups, remembered while their map index stays the same: the last
    // index (-1 before the first) and its result.
    template <class T> struct MapCache {
        I32 index = I32{} - 1;
        T value{};
    };
    MapCache<MgTable> mgCache[4];
    MapCache<I32> fixedCache[3];
    const MgTable& mgTable(MapCache<MgTable>& cache, D reciprocal);
    I32 fixedTable(MapCache<I32>& cache, D increment);
    I32 periodIndex(D reciprocal) const;
    I32 frequencyIndex(D increment) const;
    // The voice's waveform reads, lane by lane.
    static F readMapped(const float* data, const MgTable& table, D phase);
    static F fetchFixed(const float* data, I32 base, D phase);
    D sawDifference(const MgTable& table, D phase, double offset) const;
    D squareProduct(const MgTable& a, D phaseA, const MgTable& b, D phaseB, const float* first) const;

    static D triangle(D phase) {
        return phase < 0.25 ? 4.0 * phase
                            : (phase < 0.75 ? 1.0 - 4.0 * (phase - 0.25) : 4.0 * (phase - 0.75) - 1.0);
    }
    static D clampD(D x, double lo, double hi) { return x < lo ? D{} + lo : (x > hi ? D{} + hi : x); }
    // value += (input + offset - value) * coefficient; offset = -offset.
    static D onePole(D& value, D& offset, D input, D coefficient) {
        value += ((input + offset) - value) * coefficient;
        offset = -offset;
        return value;
    }
    static D floorLanes(D x);
    static bool anyLane32(I32 mask) {
        int any = 0;
        for (int i = 0; i < W; ++i) any |= mask[i];
        return any != 0;
    }
    static bool anyLane(I mask) {
        long long any = 0;
        for (int i = 0; i < W; ++i) any |= mask[i];
        return any != 0;
    }
    static D fromFloat(F x) { return __builtin_convertvector(x, D); }
    static F toFloat(D x) { return __builtin_convertvector(x, F); }
};

template <int W> void VoiceLanes<W>::load() {
    typedef AlphaJunoVoice V;
    rate = gather<D>([](V& v) { return v.block.rate; });
    keyCutoff = gather<D>([](V& v) { return v.block.keyCutoff; });
    tune = gather<D>([](V& v) { return v.block.tune; });
    ratio = gather<D>([](V& v) { return v.block.ratio; });
    glide = gather<D>([](V& v) { return v.block.glide; });
    bendOctaves = gather<D>([](V& v) { return v.block.bendOctaves; });
    rangeOctaves = gather<D>([](V& v) { return v.block.rangeOctaves; });
    subLevel = gather<D>([](V& v) { return v.block.subLevel; });
    noiseLevel = gather<D>([](V& v) { return v.block.noiseLevel; });
    highPassCoefficient = gather<D>([](V& v) { return v.block.highPassCoefficient; });
    dcCoefficient = gather<D>([](V& v) { return v.block.dcCoefficient; });
    dcoLfo = gather<D>([](V& v) { return v.block.dcoLfo; });
    depth2 = gather<D>([](V& v) { return v.block.dcoEnvDepth * v.block.dcoEnvDepth; });
    dcoAfterDepth = gather<D>([](V& v) { return v.block.dcoAfterDepth; });
    vcfEnv = gather<D>([](V& v) { return v.block.vcfEnv; });
    vcfLfo = gather<D>([](V& v) { return v.block.vcfLfo; });
    vcfAfterDepth = gather<D>([](V& v) { return v.block.vcfAfterDepth; });
    vcaLevel = gather<D>([](V& v) { return v.block.vcaLevel; });
    vcaAfterDepth = gather<D>([](V& v) { return v.block.vcaAfterDepth; });
    audioCutoffMod = gather<D>([](V& v) { return v.block.audioCutoffMod; });
    pwmTarget = gather<F>([](V& v) { return (float)v.block.pwmTarget; });
    l1 = gather<D>([](V& v) { return (double)v.block.l1; });
    l2 = gather<D>([](V& v) { return (double)v.block.l2; });
    l3 = gather<D>([](V& v) { return (double)v.block.l3; });
    velocity = gather<D>([](V& v) { return v.velocity; });
    gate = gather<D>([](V& v) { return v.gate; });
    modWheel = gather<D>([](V& v) { return v.modWheel; });
    aftertouch = gather<D>([](V& v) { return v.aftertouch; });
    targetFreq = gather<D>([](V& v) { return v.targetFreq; });
    targetNote = gather<D>([](V& v) { return v.targetNote; });
    glideOn = gather<I>([](V& v) { return v.glideOn ? -1ll : 0ll; });
    attackRate = gather<D>([](V& v) { return v.env.attackRate; });
    decayFallRate = gather<D>([](V& v) { return v.env.decayFallRate; });
    decayRiseRate = gather<D>([](V& v) { return v.env.decayRiseRate; });
    sustainRate = gather<D>([](V& v) { return v.env.sustainRate; });
    releaseRate = gather<D>([](V& v) { return v.env.releaseRate; });

    pwmValue = gather<F>([](V& v) { return v.pwm.value; });
    pwmOffset = gather<F>([](V& v) { return v.pwm.offset; });
    lfoPhase = gather<D>([](V& v) { return v.lfo.phase; });
    lfoIncrement = gather<D>([](V& v) { return v.lfo.increment; });
    lfoDelayLevel = gather<D>([](V& v) { return v.lfo.delayLevel; });
    lfoDelayRate = gather<D>([](V& v) { return v.lfo.delayRate; });
    pwmPhase = gather<D>([](V& v) { return v.pwmLfo.phase; });
    pwmIncrement = gather<D>([](V& v) { return v.pwmLfo.increment; });
    envLevel = gather<D>([](V& v) { return (double)v.env.envLevel; });
    envState = gather<I>([](V& v) { return (long long)v.env.envState; });
    freq = gather<D>([](V& v) { return v.freq; });
    glideNote = gather<D>([](V& v) { return v.glideNote; });
    antiDenormal = gather<D>([](V& v) { return v.antiDenormal; });
    vcaValue = gather<D>([](V& v) { return v.vcaSmooth.value; });
    vcaOffset = gather<D>([](V& v) { return v.vcaSmooth.offset; });
    silenced = I{};
    phaseA = gather<D>([](V& v) { return v.oscA.phase; });
    phaseB = gather<D>([](V& v) { return v.oscB.phase; });
    phaseC = gather<D>([](V& v) { return v.oscC.phase; });
    phaseD = gather<D>([](V& v) { return v.oscD.phase; });
    incA = gather<D>([](V& v) { return v.oscA.increment; });
    incB = gather<D>([](V& v) { return v.oscB.increment; });
    incC = gather<D>([](V& v) { return v.oscC.increment; });
    incD = gather<D>([](V& v) { return v.oscD.increment; });
    recipA = recipB = recipC = recipD = D{};
    noiseSeed = gather<U32>([](V& v) { return v.noiseSeed; });
    saw3Value = gather<D>([](V& v) { return v.saw3Blocker.value; });
    saw3Offset = gather<D>([](V& v) { return v.saw3Blocker.offset; });
    highPassValue = gather<D>([](V& v) { return v.highPass.value; });
    highPassOffset = gather<D>([](V& v) { return v.highPass.offset; });
    preValue = gather<D>([](V& v) { return v.preFilterBlocker.value; });
    preOffset = gather<D>([](V& v) { return v.preFilterBlocker.offset; });
    smoothValue = gather<D>([](V& v) { return v.cutoffSmooth.value; });
    smoothOffset = gather<D>([](V& v) { return v.cutoffSmooth.offset; });
    outValue = gather<D>([](V& v) { return v.outputBlocker.value; });
    outOffset = gather<D>([](V& v) { return v.outputBlocker.offset; });
    for (int j = 0; j < 3; ++j) bassState[j] = gather<D>([j](V& v) { return v.bassFilter.state[j]; });
    bassAntiDenormal = gather<D>([](V& v) { return v.bassFilter.antiDenormal; });
    bassResonance = gather<D>([](V& v) { return (double)v.bassFilter.resonance; });
    bassCutoff = gather<D>([](V& v) { return (double)v.bassFilter.cutoff; });
    for (int j = 0; j < 6; ++j) vcfState[j] = gather<D>([j](V& v) { return v.vcf.state[j]; });
    vcfAntiDenormal = gather<D>([](V& v) { return v.vcf.antiDenormal; });
    vcfResonance = gather<D>([](V& v) { return (double)v.vcf.resonance; });
    for (int i = 0; i < W; ++i) lastCutoff[i] = lane[i]->vcf.cutoff;
}

template <int W> void VoiceLanes<W>::store() {
    typedef AlphaJunoVoice V;
    scatter(pwmValue, [](V& v, float x) { v.pwm.value = x; });
    scatter(pwmOffset, [](V& v, float x) { v.pwm.offset = x; });
    scatter(lfoPhase, [](V& v, double x) { v.lfo.phase = x; });
    scatter(lfoDelayLevel, [](V& v, double x) { v.lfo.delayLevel = x; });
    scatter(pwmPhase, [](V& v, double x) { v.pwmLfo.phase = x; });
    scatter(envLevel, [](V& v, double x) { v.env.envLevel = (float)x; });
    scatter(envState, [](V& v, long long x) { v.env.envState = (int)x; });
    scatter(freq, [](V& v, double x) { v.freq = x; });
    scatter(glideNote, [](V& v, double x) { v.glideNote = x; });
    scatter(antiDenormal, [](V& v, double x) { v.antiDenormal = x; });
    scatter(vcaValue, [](V& v, double x) { v.vcaSmooth.value = x; });
    scatter(vcaOffset, [](V& v, double x) { v.vcaSmooth.offset = x; });
    scatter(silenced, [](V& v, long long x) { if (x) v.sounding = false; });
    scatter(phaseA, [](V& v, double x) { v.oscA.phase = x; });
    scatter(phaseB, [](V& v, double x) { v.oscB.phase = x; });
    scatter(phaseC, [](V& v, double x) { v.oscC.phase = x; });
    scatter(phaseD, [](V& v, double x) { v.oscD.phase = x; });
    scatter(incA, [](V& v, double x) { v.oscA.increment = x; });
    scatter(incB, [](V& v, double x) { v.oscB.increment = x; });
    scatter(incC, [](V& v, double x) { v.oscC.increment = x; });
    scatter(incD, [](V& v, double x) { v.oscD.increment = x; });
    auto period = [](double q) { return q < 1e9 ? (int)q : 1000000000; };
    scatter(recipA, [&](V& v, double q) { v.oscA.period = period(q); });
    scatter(recipB, [&](V& v, double q) { v.oscB.period = period(q); });
    scatter(recipC, [&](V& v, double q) { v.oscC.period = period(q); });
    scatter(recipD, [&](V& v, double q) { v.oscD.period = period(q); });
    scatter(noiseSeed, [](V& v, unsigned x) { v.noiseSeed = x; });
    scatter(saw3Value, [](V& v, double x) { v.saw3Blocker.value = x; });
    scatter(saw3Offset, [](V& v, double x) { v.saw3Blocker.offset = x; });
    scatter(highPassValue, [](V& v, double x) { v.highPass.value = x; });
    scatter(highPassOffset, [](V& v, double x) { v.highPass.offset = x; });
    scatter(preValue, [](V& v, double x) { v.preFilterBlocker.value = x; });
    scatter(preOffset, [](V& v, double x) { v.preFilterBlocker.offset = x; });
    scatter(smoothValue, [](V& v, double x) { v.cutoffSmooth.value = x; });
    scatter(smoothOffset, [](V& v, double x) { v.cutoffSmooth.offset = x; });
    scatter(outValue, [](V& v, double x) { v.outputBlocker.value = x; });
    scatter(outOffset, [](V& v, double x) { v.outputBlocker.offset = x; });
    for (int j = 0; j < 3; ++j) scatter(bassState[j], [j](V& v, double x) { v.bassFilter.state[j] = x; });
    scatter(bassAntiDenormal, [](V& v, double x) { v.bassFilter.antiDenormal = x; });
    for (int j = 0; j < 6; ++j) scatter(vcfState[j], [j](V& v, double x) { v.vcf.state[j] = x; });
    scatter(vcfAntiDenormal, [](V& v, double x) { v.vcf.antiDenormal = x; });
    for (int i = 0; i < voiceCount; ++i) voices[i]->vcf.cutoff = lastCutoff[i];
}

template <int W> void VoiceLanes<W>::chunk(int start, int count, float* left, float* right) {
    controlStage(count);
    pitchStage(count);
    phaseStage(count);
    sourceStage(count);
    cutoffStage(start, count);
    filterStage(count);
    // Voice by voice, as if each had rendered on its own.
    for (int i = 0; i < voiceCount; ++i) {
        for (int s = 0; s < count; ++s) {
            left[s] += buf.out[s][i];
            right[s] += buf.out[s][i];
        }
    }
}

template <int W> typename VoiceLanes<W>::D VoiceLanes<W>::floorLanes(D x) {
    D r;
    for (int i = 0; i < W; ++i) r[i] = std::floor(x[i]);
    return r;
}

// Pulse-width smoother, LFOs, pitch, VCA and the envelope, one sample at a time.
template <int W> void VoiceLanes<W>::controlStage(int count) {
    const D zero = D{}, one = zero + 1.0;
    for (int n = 0; n < count; ++n) {
        pwmValue += ((pwmTarget + pwmOffset) - pwmValue) * 0.005f;
        pwmOffset = -pwmOffset;
        D p = fromFloat(pwmValue);

        // The main LFO's faded value before this sample, then its step.
        const D lfoValue = triangle(lfoPhase) * lfoDelayLevel;
        lfoPhase += lfoIncrement;
        lfoPhase = lfoPhase >= 1.0 ? lfoPhase - 1.0 : lfoPhase;
        const I wrap = (lfoPhase >= 1.0) | (lfoPhase < 0.0);
        if (__builtin_expect(anyLane(wrap), 0))
            lfoPhase = wrap ? lfoPhase - floorLanes(lfoPhase) : lfoPhase;
        lfoDelayLevel += lfoDelayRate;
        lfoDelayLevel = lfoDelayLevel > 1.0 ? one : lfoDelayLevel;

        const D envValue = envLevel;
        D pitchEnv = zero;
        switch (mode.dcoEnvMode) {
        case 0: pitchEnv = envValue * depth2; break;
        case 1: pitchEnv = -envValue * depth2; break;
        case 2: pitchEnv = envValue * depth2 * velocity; break;
        case 3: pitchEnv = -envValue * depth2 * velocity; break;
        default: break;
        }

        freq = glideOn ? freq + (targetFreq + antiDenormal - freq) * glide : freq;
        glideNote = glideOn ? glideNote + (targetNote + antiDenormal - glideNote) * glide : glideNote;

        D vibrato;
        if (mode.aftertouchOn)
            vibrato = modWheel * lfoValue / 12.0 + 2.0 * dcoAfterDepth * aftertouch * lfoValue / 12.0;
        else
            vibrato = 2.0 * dcoAfterDepth * modWheel * lfoValue / 12.0;
        buf.pitch[n] = 2.5 * pitchEnv + bendOctaves + dcoLfo * lfoValue * 3.0 / 12.0 + vibrato + rangeOctaves;
        buf.freq[n] = freq;

        if (mode.pwmLfoOn) p = p * 0.5 + p * 0.5 * triangle(pwmPhase);
        pwmPhase += pwmIncrement;
        pwmPhase = pwmPhase >= 1.0 ? pwmPhase - 1.0 : pwmPhase;
        const I pwmWrap = (pwmPhase >= 1.0) | (pwmPhase < 0.0);
        if (__builtin_expect(anyLane(pwmWrap), 0))
            pwmPhase = pwmWrap ? pwmPhase - floorLanes(pwmPhase) : pwmPhase;
        buf.width[n] = p;
        buf.lfo[n] = lfoValue;
        buf.env[n] = envValue;

        D source = zero;
        switch (mode.vcaEnv) {
        case 0: source = envValue; break;
        case 1: source = gate; break;
        case 2: source = envValue * velocity; break;
        case 3: source = gate * velocity; break;
        default: break;
        }
        source = source < 0.0 ? zero : (source > 1.0 ? one : source);
        D gain;
        if (mode.aftertouchOn) {
            gain = source + aftertouch * 0.5 * vcaAfterDepth;
        } else {
            const D m = vcaAfterDepth * modWheel * lfoValue;
            gain = (source + m * 0.5) * (m + 1.0);
        }
        const D vca = onePole(vcaValue, vcaOffset, gain, zero + 0.01);
        silenced |= (vca < 0.0001) & (gate == 0.0) &
                    ((envState == (long long)JunoEnvelope::kSustain) | (envState == (long long)JunoEnvelope::kRelease));
        buf.vca[n] = vca < 0.0 ? zero : (vca > 2.0 ? zero + 2.0 : vca);

        envelopeStep();
        antiDenormal = -antiDenormal;
    }
}

// One step of every lane's envelope; levels are single-precision values.
template <int W> void VoiceLanes<W>::envelopeStep() {
    auto f = [](D x) { return roundToFloat<W>(x); };
    const D level = envLevel, a = antiDenormal;
    const I state = envState;
    D next = level;
    I nextState = state;

    const D attack = f(level + attackRate);
    const I attackDone = attack > l1 * 1.25;
    const I inAttack = state == (long long)JunoEnvelope::kAttack;
    next = inAttack ? (attackDone ? f(l1 * 1.25) : attack) : next;
    nextState = inAttack & attackDone ? I{} + (long long)JunoEnvelope::kAttackDone : nextState;

    const I rising = l2 > l1;
    const D rise = f(level + decayRiseRate), fall = f(level - decayFallRate);
    const I reached = rising ? rise > l2 : fall < l2;
    const I inDecay = state == (long long)JunoEnvelope::kDecay;
    next = inDecay ? (reached ? l2 : (rising ? rise : fall)) : next;
    nextState = inDecay & reached ? I{} + (long long)JunoEnvelope::kSustain : nextState;

    const D sustain = f(f((l3 + a - level) * sustainRate + level) - 0.0000001);
    next = state == (long long)JunoEnvelope::kSustain ? sustain : next;
    const D release = f(f((0.0 + a - level) * releaseRate + level) - 0.0000001);
    next = state == (long long)JunoEnvelope::kRelease ? release : next;

    nextState = state == (long long)JunoEnvelope::kStart ? I{} + (long long)JunoEnvelope::kAttack : nextState;
    nextState = state == (long long)JunoEnvelope::kAttackDone ? I{} + (long long)JunoEnvelope::kDecay : nextState;
    envLevel = next < 0.0 ? D{} : next;
    envState = nextState;
}

// 2^pitch for every sample and lane, by the C library's exp2 like the voice.
template <int W> void VoiceLanes<W>::pitchStage(int count) {
    for (int n = 0; n < count; ++n)
        for (int i = 0; i < W; ++i) buf.exp2[n][i] = std::exp2(buf.pitch[n][i]);
}

// Map entries at the given indices (0..map size - 1): the low byte of the 32-bit
// word at each (the bank pads its maps for the last three).
inline LaneTypes<4>::I32 mapEntries(const uint8_t* map, LaneTypes<4>::I32 index) {
    return (LaneTypes<4>::I32)_mm_i32gather_epi32((const int*)map, (__m128i)index, 1) & 0xff;
}
inline LaneTypes<8>::I32 mapEntries(const uint8_t* map, LaneTypes<8>::I32 index) {
    return (LaneTypes<8>::I32)_mm256_i32gather_epi32((const int*)map, (__m256i)index, 1) & 0xff;
}

// mgsaw table numbers from the oscillator periods (whole reciprocals of the increments).
// mgsaw map index of each oscillator period (the whole reciprocal of its increment).
template <int W> typename VoiceLanes<W>::I32 VoiceLanes<W>::periodIndex(D reciprocal) const {
    const int last = lane[0]->mgsaw.mapSize - 1;
    const D limited = reciprocal < 1e9 ? reciprocal : D{} + 1e9;
    const I32 period = __builtin_convertvector(limited, I32);
    return period < 0 ? I32{} : (period > last ? I32{} + last : period);
}

// junosaw1 map index of each oscillator frequency in Hz.
template <int W> typename VoiceLanes<W>::I32 VoiceLanes<W>::frequencyIndex(D increment) const {
    const D hz = increment * rate;
    const double last = (double)(WavetableBank::kMapSize - 1);
    // NaN and anything not above 0 read entry 0; at or past the last entry, the last.
    return __builtin_convertvector(hz > 0.0 ? (hz >= last ? D{} + last : hz) : D{}, I32);
}

// Increments, periods and table numbers from the pitch, then the phase steps.
template <int W> void VoiceLanes<W>::phaseStage(int count) {
    const D half = D{} + 0.5;
    for (int n = 0; n < count; ++n) {
        D inc = buf.exp2[n] * tune * buf.freq[n] / rate;
        inc = inc > 0.5 ? half : inc;
        const D q = 1.0 / inc;
        incA = inc;
        recipA = q;
        const I bInRange = 2.0 * inc < 0.5;
        incB = bInRange ? 2.0 * inc : half;
        recipB = bInRange ? q * 0.5 : D{} + 2.0;
        incC = inc / 2.0;
        recipC = q * 2.0;
        incD = inc / 4.0;
        recipD = q * 4.0;
        // Table numbers only for the sources that read them.
        if (usesMg[0]) buf.mgA[n] = mgTable(mgCache[0], recipA);
        if (usesMg[1]) buf.mgB[n] = mgTable(mgCache[1], recipB);
        if (usesMg[2]) buf.mgC[n] = mgTable(mgCache[2], recipC);
        if (usesMg[3]) buf.mgD[n] = mgTable(mgCache[3], recipD);
        if (mode.needsTableA) buf.tA[n] = fixedTable(fixedCache[0], incA);
        if (mode.saw == 3) buf.tB[n] = fixedTable(fixedCache[1], incB);
        if (mode.needsTableC) buf.tC[n] = fixedTable(fixedCache[2], incA * 0.5);
        auto advance = [](D& phase, D increment) {
            phase += increment;
            phase = phase >= 1.0 ? phase - 1.0 : phase;
            return phase;
        };
        buf.phaseA[n] = advance(phaseA, incA);
        buf.phaseB[n] = advance(phaseB, incB);
        buf.phaseC[n] = advance(phaseC, incC);
        buf.phaseD[n] = advance(phaseD, incD);
    }
}

// The mgsaw/mgsqu table for each period. Periods change far less often than
// every sample, so the lookups are repeated only when one has.
template <int W>
const typename VoiceLanes<W>::MgTable& VoiceLanes<W>::mgTable(MapCache<MgTable>& cache, D reciprocal) {
    const I32 index = periodIndex(reciprocal);
    if (anyLane32(index != cache.index)) {
        const Wavetable& set = lane[0]->mgsaw;
        const I32 t = mapEntries(set.map, index);
        cache.index = index;
        cache.value = {gatherInts(set.index, t), gatherInts(set.length, t)};
    }
    return cache.value;
}

// The first sample of the fixed-length table for each frequency (the fixed sets
// share one layout), looked up again only when a frequency index has changed.
template <int W> typename VoiceLanes<W>::I32 VoiceLanes<W>::fixedTable(MapCache<I32>& cache, D increment) {
    const I32 index = frequencyIndex(increment);
    if (anyLane32(index != cache.index)) {
        I32 t = mapEntries(lane[0]->junosaw1Map, index);
        t = t > 127 ? I32{} + 127 : t;
        cache.index = index;
        cache.value = gatherInts(lane[0]->junosaw1.index, t);
    }
    return cache.value;
}

// Linear-interpolated read of a table of a mapped set at phase x.
template <int W>
typename VoiceLanes<W>::F VoiceLanes<W>::readMapped(const float* data, const MgTable& table, D phase) {
    const F x = toFloat(phase);
    const F whole = __builtin_convertvector(__builtin_convertvector(x, I32), F);
    const F fraction = x - (whole > x ? whole - 1.0f : whole);
    const I32 length = table.length;
    const F pos = fraction * __builtin_convertvector(length, F);
    I32 j = __builtin_convertvector(pos, I32);
    const F w = pos - __builtin_convertvector(j, F);
    I32 k = j + 1;
    k = k >= length ? k - length : k;
    j = j >= length ? j - length : j;
    return (1.0f - w) * gatherFloats(data, table.base + j) + w * gatherFloats(data, table.base + k);
}

// Linear-interpolated read of a fixed-length table at phase x.
template <int W>
typename VoiceLanes<W>::F VoiceLanes<W>::fetchFixed(const float* data, I32 base, D phase) {
    const int n = WavetableBank::kFixedLength;
    const F x = toFloat(phase);
    const F whole = __builtin_convertvector(__builtin_convertvector(x, I32), F);
    const F pos = (float)n * (x - (whole > x ? whole - 1.0f : whole));
    const I32 cell = __builtin_convertvector(pos, I32);
    const F w = pos - __builtin_convertvector(cell, F);
    const I32 j = (I32)((U32)cell % (unsigned)n);  // pos is never negative
    I32 k = j + 1;
    k = k >= n ? k - n : k;
    return (1.0f - w) * gatherFloats(data, base + j) + w * gatherFloats(data, base + k);
}

template <int W>
typename VoiceLanes<W>::D VoiceLanes<W>::sawDifference(const MgTable& table, D phase, double offset) const {
    const float* saw = lane[0]->mgsaw.data;
    return fromFloat(readMapped(saw, table, phase) - readMapped(saw, table, phase + offset));
}

template <int W>
typename VoiceLanes<W>::D VoiceLanes<W>::squareProduct(const MgTable& ta, D phA, const MgTable& tb, D phB,
                                                      const float* first) const {
    const D a = fromFloat(readMapped(first, ta, phA));
    const D b = fromFloat(readMapped(lane[0]->mgsqu.data, tb, phB));
    return 1.5 * (2.0 * (a + 0.5) * (b + 0.5) - 1.0);
}

// The sources and the mixer.
template <int W> void VoiceLanes<W>::sourceStage(int count) {
    const AlphaJunoVoice& v = *lane[0];
    const D zero = D{};
    for (int n = 0; n < count; ++n) {
        const D pA = buf.phaseA[n], pB = buf.phaseB[n], pC = buf.phaseC[n], pD = buf.phaseD[n];
        D saw = zero;
        switch (mode.saw) {
        case 1: saw = 2.0 * fromFloat(readMapped(v.mgsaw.data, buf.mgA[n], pA)); break;
        case 2: saw = squareProduct(buf.mgA[n], pA, buf.mgB[n], pB, v.mgsaw.data); break;
        case 3: {
            const D p = buf.width[n];
            const D a = fromFloat(fetchFixed(v.junosaw1.data, buf.tA[n], pA + 0.5));
            const D b = fromFloat(fetchFixed(v.junosaw1.data, buf.tB[n], pB) -
                                  fetchFixed(v.junosaw1.data, buf.tB[n], pB + 1.0 - 0.99 * p));
            const D s = 1.5 * ((a + 1.0) * (b * 0.5 + 1.0 - 0.99 * p) - 1.0) + p;
            saw = s - onePole(saw3Value, saw3Offset, s, zero + 0.001);
            break;
        }
        case 4: saw = 2.0 * fromFloat(fetchFixed(v.junosaw4.data, buf.tA[n], pA)); break;
        case 5: saw = 2.0 * fromFloat(fetchFixed(v.junosaw5.data, buf.tA[n], pA)); break;
        default: break;
        }
        D pulse = zero;
        switch (mode.pulse) {
        case 1: pulse = 2.0 * sawDifference(buf.mgA[n], pA, 0.5); break;
        case 2: pulse = 2.0 * sawDifference(buf.mgA[n], pA, 0.75); break;
        case 3:
            pulse = 1.5 * fromFloat(fetchFixed(v.junosaw1.data, buf.tA[n], pA + 0.5) -
                                    fetchFixed(v.junosaw1.data, buf.tA[n], pA + 1.0 + 0.49 * buf.width[n]));
            break;
        default: break;
        }
        D sub = zero;
        if (mode.subLevel > 0.0) {
            switch (mode.sub) {
            case 0: sub = 2.0 * sawDifference(buf.mgC[n], pC, 0.5); break;
            case 1: sub = 2.5 * sawDifference(buf.mgC[n], pC, 0.75); break;
            case 2: sub = squareProduct(buf.mgC[n], pC, buf.mgB[n], pB, v.mgsqu.data); break;
            case 3: sub = 2.0 * fromFloat(fetchFixed(v.junopulse.data, buf.tC[n], pC)); break;
            case 4: sub = 2.0 * sawDifference(buf.mgD[n], pD, 0.5); break;
            case 5: sub = 2.0 * sawDifference(buf.mgD[n], pD, 0.75); break;
            default: break;
            }
        }
        // The noise generator runs on at noise level 0, where its term is 0.
        noiseSeed = noiseSeed * 1103515245u + 12345u;
        const F r = __builtin_convertvector((I32)(noiseSeed & 0x7FFFFFFFu), F);
        const D noiseValue = fromFloat(toFloat(2.0 * fromFloat(r) / 2147483647.0 - 1.0));
        const D noise = noiseLevel != 0.0 ? 2.0 * noiseValue * noiseLevel : zero;
        buf.mix[n] = roundToFloat<W>((noise + 1.5 * sub * subLevel + pulse + 1.5 * saw) * (double)0.1f);
    }
}

// High-pass or bass stage, drive, and the cutoff coefficient.
template <int W> void VoiceLanes<W>::cutoffStage(int start, int count) {
    const D zero = D{};
    const D bassG = clampD(1.4 * bassCutoff, 0.001, 1.2);
    const D bassK = (1.007 - bassResonance) / bassG;
    for (int n = 0; n < count; ++n) {
        D x = buf.mix[n];  // single-precision values throughout
        switch (mode.hpf) {
        case 0: {
            // The plain filter as a bass boost: low-pass output.
            const D d = bassAntiDenormal;
            bassAntiDenormal = -bassAntiDenormal;
            const D u = roundToFloat<W>(x + d);
            const D lp0 = bassState[0], bp0 = bassState[1];
            const D bp1 = (u - bassK * bp0 - lp0) * bassG + d + bp0;
            const D lp1 = bp1 * bassG + d + lp0;
            const D h = u - bassK * bp1 - lp1;
            const D bp = h * bassG + bp1;
            const D lp = bassG * bp + lp1;
            bassState[0] = lp;
            bassState[1] = bp;
            bassState[2] = h;
            x = roundToFloat<W>(x + roundToFloat<W>(4.0 * roundToFloat<W>(lp)));
            break;
        }
        case 2:
        case 3: x = roundToFloat<W>(x - onePole(highPassValue, highPassOffset, x, highPassCoefficient)); break;
        default: break;
        }
        const D drive = (1.0 + vcaLevel) * roundToFloat<W>(x - onePole(preValue, preOffset, x, dcCoefficient));
        buf.drive[n] = drive;

        const D envValue = buf.env[n], lfoValue = buf.lfo[n];
        D cutoffEnv = zero;
        switch (mode.vcfEnvMode) {
        case 0: cutoffEnv = envValue; break;
        case 1: cutoffEnv = -envValue; break;
        case 2: cutoffEnv = envValue * velocity; break;
        case 3: cutoffEnv = velocity; break;
        default: break;
        }
        const D pressure = mode.aftertouchOn ? vcfAfterDepth * aftertouch * 0.25
                                             : 0.25 * vcfAfterDepth * modWheel * lfoValue;
        const double cutoffIn = cutoffInput ? cutoffInput[start + n] : 0.0f;
        const D control = (lfoValue * 0.25 * (vcfLfo * vcfLfo) + cutoffEnv * 0.8 * vcfEnv +
                           drive * audioCutoffMod * 2.5 + (cutoffIn - 0.14) + pressure) *
                          keyCutoff;

        // Cutoff smoother, then the filter's coefficient, in single precision.
        F cutoff = toFloat(onePole(smoothValue, smoothOffset, control, zero + 0.5));
        cutoff = cutoff < 0.001f ? F{} + 0.001f : (cutoff > 1.0f ? F{} + 1.0f : cutoff);
        cutoff = cutoff * cutoff * cutoff * cutoff;
        buf.cutoff[n] = roundToFloat<W>(fromFloat(cutoff) * ratio);
    }
}

// The voice filter, the VCA and the output DC blocker.
template <int W> void VoiceLanes<W>::filterStage(int count) {
    if (lane[0]->vcf.filterType == 0) saturatingFilter(count);
    else seriesFilter(count);
    const D zero = D{};
    for (int n = 0; n < count; ++n) {
        const D o = roundToFloat<W>(buf.filtered[n] * buf.vca[n]);
        buf.out[n] = roundToFloat<W>(o - onePole(outValue, outOffset, o, zero + 0.0005)) * 0.2;
    }
    for (int i = 0; i < W; ++i) lastCutoff[i] = (float)buf.cutoff[count - 1][i];
}

// Filter type 0: one saturating section run twice per sample, with gain make-up.
template <int W> void VoiceLanes<W>::saturatingFilter(int count) {
    const D zero = D{};
    const D r = vcfResonance;
    const D k = 1.007 - r;
    for (int n = 0; n < count; ++n) {
        const D c = buf.cutoff[n];
        const D x = roundToFloat<W>(buf.drive[n]);
        const D d = vcfAntiDenormal;
        vcfAntiDenormal = -vcfAntiDenormal;
        const D u = roundToFloat<W>(r * x + 1.5 * x * (1.0 - r));
        const D g = clampD(1.4 * c, 0.001, 1.1);
        D lp = vcfState[0], bp = vcfState[1];
        D h = u - k * bp - lp + d;
        bp = bp + g * h + d;
        lp = lp + g * bp + d;
        // The second pass is fed from the first pass's low-pass: a cascade.
        const D u2 = roundToFloat<W>((1.0 - r) * lp);
        h = u2 - k * bp - lp + d;
        bp = bp + g * h + d;
        lp = lp + g * bp + d;
        const D out = lp;
        vcfState[0] = tanhLanes<W>(lp);
        vcfState[1] = tanhLanes<W>(bp);
        vcfState[2] = h;
        const F cf = toFloat(c);
        const D cc = fromFloat(cf * cf);
        const D m = 0.5 < cc ? zero + 0.5 : cc;
        buf.filtered[n] = roundToFloat<W>(out * ((1.0 - m) * 2.5 + m));
    }
}

// One two-pole section of filter type 1 on states base..base+2; returns
// bp * 0.4 + lp in single precision.
template <int W>
typename VoiceLanes<W>::D VoiceLanes<W>::seriesSection(int base, D in, D g, D k, D d) {
    D lp = vcfState[base], bp = vcfState[base + 1];
    bp = (in - k * bp - lp + d) * g + d + bp;
    lp = bp * g + d + lp;
    const D h = in - k * bp - lp + d;
    bp = h * g + d + bp;
    lp = bp * g + d + lp;
    lp = 2.0 * tanhLanes<W>(lp * 0.5);  // only the low-pass state is soft-clipped
    vcfState[base] = lp;
    vcfState[base + 1] = bp;
    vcfState[base + 2] = h;
    return roundToFloat<W>(bp * 0.4 + lp);
}

// Filter type 1: two sections in series. The first section of the next sample
// does not depend on the second section of this one, so the two run side by
// side: each sample waits on one tanh instead of two.
template <int W> void VoiceLanes<W>::seriesFilter(int count) {
    const D zero = D{};
    const D r = vcfResonance;
    const D k = 1.007 - 0.85 * r;
    const D limit = 1.0 + 0.1 * r;
    auto gain = [&](int n) {
        const D g0 = 1.5 * buf.cutoff[n];
        const D g1 = 0.001 < g0 ? g0 : zero + 0.001;
        return limit < g1 ? limit : g1;
    };
    auto input = [&](int n) {
        const D x = roundToFloat<W>(buf.drive[n]);
        return roundToFloat<W>((1.0 - r) * x + 0.25 * x * r);
    };
    D d = vcfAntiDenormal;
    D y1 = seriesSection(0, input(0), gain(0), k, d);
    for (int n = 0; n < count; ++n) {
        const D g = gain(n);
        const D y1Next = n + 1 < count ? seriesSection(0, input(n + 1), gain(n + 1), k, -d) : zero;
        buf.filtered[n] = roundToFloat<W>(2.0 * seriesSection(3, y1, g, k, d));
        y1 = y1Next;
        d = -d;
    }
    vcfAntiDenormal = d;
}
