#include "AlphaJunoVoice.h"

#include <cmath>

#include "SlotRanges.h"

namespace {

// Parameter slots the voice reads.
enum Slot {
    kDcoRange = 0, kDcoLfo = 1, kDcoEnvDepth = 2, kDcoEnvMode = 3, kDcoAfterDepth = 4,
    kBenderRange = 5, kDcoPulse = 6, kDcoSaw = 7, kDcoSub = 8, kDcoSubLevel = 9,
    kDcoNoiseLevel = 10, kDcoPwm = 11, kDcoPwmRate = 12, kVcfHpf = 13, kVcfReso = 15,
    kVcfEnv = 16, kVcfEnvMode = 17, kVcfLfo = 18, kVcfKeyFollow = 19, kVcfAfterDepth = 20,
    kVcaLevel = 21, kVcaEnv = 22, kVcaAfterDepth = 23, kLfoRate = 26, kLfoDelay = 27,
    kEnvT1 = 28, kEnvL1 = 29, kEnvT2 = 30, kEnvL2 = 31, kEnvT3 = 32, kEnvL3 = 33,
    kEnvT4 = 34, kEnvKeyFollow = 35, kAftertouchEnabled = 55, kRetrigDco = 56,
    kRetrigLfo = 57, kAudioCutoffMod = 58, kFilterMode = 59
};

// Frequencies of the hardware's DCO: a 4 MHz clock divided by a whole number.
struct PitchTable {
    double hz[128];
    PitchTable() {
        for (int n = 0; n < 128; ++n) {
            const double ideal = 440.0 * std::pow(2.0, (n - 69) / 12.0);
            hz[n] = 4000000.0 / std::round(4000000.0 / ideal);
        }
    }
};

const PitchTable& pitchTable() {
    static const PitchTable table;
    return table;
}

// A selection slot as a case number; a value that is not whole matches no case.
int selection(float value) {
    const int whole = (int)value;
    return (float)whole == value ? whole : -1;
}

int clampMapIndex(double hz) {
    if (!(hz > 0.0)) return 0;
    if (hz >= (double)(WavetableBank::kMapSize - 1)) return WavetableBank::kMapSize - 1;
    return (int)hz;
}

}  // namespace

AlphaJunoVoice::AlphaJunoVoice() {
    for (float& p : params) p = 0.0f;
    params[kVcfReso] = 0.5f;
    const WavetableBank& bank = WavetableBank::Get();
    mgsaw = bank.MgSaw();
    mgsqu = bank.MgSqu();
    junosaw1 = bank.JunoSaw1();
    junosaw4 = bank.JunoSaw4();
    junosaw5 = bank.JunoSaw5();
    junopulse = bank.JunoPulse();
    junosaw1Map = bank.JunoSaw1Map();
}

double AlphaJunoVoice::NoteFrequency(int note) {
    if (note < 0 || note > 127) return 440.0;
    return pitchTable().hz[note];
}

void AlphaJunoVoice::NoteOn(int noteNumber, int noteVelocity) {
    freq = (float)NoteFrequency(noteNumber);
    glideOn = false;
    gate = 1.0;
    note = targetNote = glideNote = noteNumber;
    velocity = noteVelocity / 127.0;
    env.Begin();  // the attack starts from the current level
    lfo.delayLevel = 0.0;
    if (params[kRetrigDco] > 0.0f) oscA.phase = oscB.phase = oscC.phase = oscD.phase = 0.0;
    if (params[kRetrigLfo] > 0.0f) lfo.phase = pwmLfo.phase = 0.25;
    sounding = true;
    keyHeld = true;
}

void AlphaJunoVoice::SlideTo(int noteNumber, int noteVelocity, bool retrigger) {
    targetFreq = (float)NoteFrequency(noteNumber);
    targetNote = note = noteNumber;
    velocity = noteVelocity / 127.0;
    glideOn = true;
    sounding = true;
    keyHeld = true;
    if (retrigger) {
        env.Begin();
        lfo.delayLevel = 0.0;
        gate = 1.0;
    }
}

void AlphaJunoVoice::NoteOff(int, int) {
    keyHeld = false;
    env.Release();
    gate = 0.0;
}

void AlphaJunoVoice::Reset() {
    lfo.phase = 0.0;
    keyHeld = sounding = glideOn = false;
    env.Reset();
    gate = 0.0;
    vcaSmooth.value = 0.0;
}

// A host that reports no sample rate would turn every state into NaN for good;
// such a block runs at 44.1 kHz instead. Below the lowest rate the high-pass stage's
// coefficient passes 2 and it diverges: rates are held to the range the voice is made for.
static double usableRate(double rate) {
    if (!(rate > 0.0) || !std::isfinite(rate)) return 44100.0;
    return std::fmin(std::fmax(rate, AlphaJunoVoice::kLowestRate), AlphaJunoVoice::kHighestRate);
}

double AlphaJunoVoice::LfoPhaseAfter(int count) const {
    JunoLfo l = lfo;
    l.SetMainRates(SlotRanges::Limit(kLfoRate, params[kLfoRate]), SlotRanges::Limit(kLfoDelay, params[kLfoDelay]),
                   usableRate(sampleRate));
    for (int n = 0; n < count; ++n) l.Advance();
    return l.phase;
}

void AlphaJunoVoice::prepareBlock(BlockConstants& k) {
    float p[SlotRanges::kSlots];
    for (int slot = 0; slot < SlotRanges::kSlots; ++slot) p[slot] = SlotRanges::Limit(slot, params[slot]);
    k.keyCutoff = std::exp2(p[kVcfKeyFollow] * (glideNote - 60.0) * 0.022);
    const double keyRate = std::exp2((p[kEnvKeyFollow] / 14.0) * 1.5 * (glideNote - 60.0));
    k.tune = std::exp2(tuneCents / 1200.0);

    const double rate = usableRate(sampleRate);
    k.rate = rate;
    lfo.SetMainRates(p[kLfoRate], p[kLfoDelay], rate);
    pwmLfo.SetPwmRate(p[kDcoPwmRate], rate);
    env.SetRates(p[kEnvT1], p[kEnvT2], p[kEnvT3], p[kEnvT4], keyRate, rate);

    vcf.resonance = (float)(std::pow((double)p[kVcfReso], (double)0.3f) * 0.99 + 0.01);
    vcf.filterType = (int)p[kFilterMode];
    k.ratio = 44100.0 / rate;
    vcf.sampleRate = rate;
    vcf.ratio = k.ratio;

    double bassCutoff = (double)0.4f * k.ratio;
    bassCutoff = bassCutoff < 0.001 ? 0.001 : (bassCutoff > 1.0 ? 1.0 : bassCutoff);
    const float c = (float)bassCutoff;
    bassFilter.cutoff = c * c * c * c;
    bassFilter.resonance = 0.109f;
    bassFilter.outputTap = 0;

    k.subLevel = p[kDcoSubLevel] / 3.0;
    k.noiseLevel = p[kDcoNoiseLevel] / 3.0;
    k.glide = 10.0 / (portaTime * 0.0227 * rate + 10.0);
    k.bendOctaves = (bend - 0.5) * 2.0 * p[kBenderRange] / 12.0;
    k.rangeOctaves = 1.0 - p[kDcoRange];

    k.dcoEnvMode = selection(p[kDcoEnvMode]);
    k.saw = selection(p[kDcoSaw]);
    k.pulse = selection(p[kDcoPulse]);
    k.sub = selection(p[kDcoSub]);
    k.hpf = selection(p[kVcfHpf]);
    k.vcfEnvMode = selection(p[kVcfEnvMode]);
    k.vcaEnv = selection(p[kVcaEnv]);
    k.highPassCoefficient = k.ratio * (double)(k.hpf == 3 ? 0.2f : 0.1f);
    k.dcCoefficient = k.ratio * 0.0005;
    k.needsTableA = k.saw >= 3 || k.pulse == 3;
    k.needsTableC = k.sub == 3 && k.subLevel > 0.0;
    k.needsMg = k.saw == 1 || k.saw == 2 || k.pulse == 1 || k.pulse == 2 ||
                (k.subLevel > 0.0 && k.sub >= 0 && k.sub <= 5 && k.sub != 3);
    k.aftertouchOn = p[kAftertouchEnabled] > 0.0f;
    k.pwmLfoOn = p[kDcoPwmRate] > 0.0f;

    k.dcoLfo = p[kDcoLfo];
    k.dcoEnvDepth = p[kDcoEnvDepth];
    k.dcoAfterDepth = p[kDcoAfterDepth];
    k.vcfEnv = p[kVcfEnv];
    k.vcfLfo = p[kVcfLfo];
    k.vcfAfterDepth = p[kVcfAfterDepth];
    k.vcaLevel = p[kVcaLevel];
    k.vcaAfterDepth = p[kVcaAfterDepth];
    k.audioCutoffMod = p[kAudioCutoffMod];
    k.pwmTarget = p[kDcoPwm];
    k.l1 = p[kEnvL1];
    k.l2 = p[kEnvL2];
    k.l3 = p[kEnvL3];
}

void AlphaJunoVoice::blockProcess(float** outputs, int count) {
    if (count < 1) return;
    beginBlock();
    // Each chunk runs in stages linked only by per-sample buffers: short loops
    // with few values carried from one sample to the next. Every stage keeps its
    // own state, so every sample is the same as rendering one sample at a time.
    for (int start = 0; start < count; start += kChunk) {
        const int n = count - start < kChunk ? count - start : kChunk;
        renderChunk(start, n);
        filterStage(outputs[0] + start, outputs[1] + start, n);
    }
}

void AlphaJunoVoice::beginBlock() { prepareBlock(block); }

void AlphaJunoVoice::renderChunk(int start, int count) {
    controlStage(block, count);
    oscillatorStage(block, count);
    cutoffStage(block, start, count);
}

uint32_t AlphaJunoVoice::nextNoiseSeed() {
    noiseSeed = noiseSeed * 1103515245u + 12345u;
    return noiseSeed;
}

float AlphaJunoVoice::noiseValue(uint32_t seed) {
    const float r = (float)(seed & 0x7FFFFFFFu);
    return (float)(2.0 * r / 2147483647.0 - 1.0);
}

int AlphaJunoVoice::junoTable(double increment, double rate) const {
    // Indices at or past the Nyquist frequency (and all of them above 44.1 kHz)
    // use the last map entry, which selects the top table.
    const int t = junosaw1Map[clampMapIndex(increment * rate)];
    return t > 127 ? 127 : t;
}

inline void AlphaJunoVoice::setIncrements(double inc, double q) {
    // q = 1 / inc. Halving and doubling are exact, so it gives all four
    // periods exactly as 1 / increment would.
    oscA.SetIncrement(inc, q);
    if (2.0 * inc < 0.5) oscB.SetIncrement(2.0 * inc, q * 0.5);
    else oscB.SetIncrement(0.5, 2.0);
    oscC.SetIncrement(inc / 2.0, q * 2.0);  // inc <= 0.5, so C and D never reach the limit
    oscD.SetIncrement(inc / 4.0, q * 4.0);
}

// The sources below run one loop per source over the chunk, with the waveform
// selection taken outside the loop; each reads the phases and table numbers that
// phaseStage left in the chunk buffers.

void AlphaJunoVoice::sawStage(int mode, int count) {
    const int len = WavetableBank::kFixedLength;
    OscillatorBuffers& o = osc;
    double* out = o.saw;
    switch (mode) {
    case 1:
        for (int n = 0; n < count; ++n)
            out[n] = 2.0 * Wavetable::Read(mgsaw.TableAt(o.mgA[n]), (float)o.phaseA[n]);
        break;
    case 2:
        for (int n = 0; n < count; ++n)
            out[n] = 1.5 * (2.0 * (Wavetable::Read(mgsaw.TableAt(o.mgA[n]), (float)o.phaseA[n]) + 0.5) *
                                (Wavetable::Read(mgsqu.TableAt(o.mgB[n]), (float)o.phaseB[n]) + 0.5) -
                            1.0);
        break;
    case 3:
        for (int n = 0; n < count; ++n) {
            const double p = chunk.width[n];
            const double s =
                1.5 * ((junosaw1.FetchFixed(o.tA[n], (float)(o.phaseA[n] + 0.5), len) + 1.0) *
                           ((junosaw1.FetchFixed(o.tB[n], (float)o.phaseB[n], len) -
                             junosaw1.FetchFixed(o.tB[n], (float)(o.phaseB[n] + 1.0 - 0.99 * p), len)) *
                                0.5 +
                            1.0 - 0.99 * p) -
                       1.0) +
                p;
            out[n] = s - saw3Blocker.Process(s, 0.001);
        }
        break;
    case 4:
        for (int n = 0; n < count; ++n) out[n] = 2.0 * junosaw4.FetchFixed(o.tA[n], (float)o.phaseA[n], len);
        break;
    case 5:
        for (int n = 0; n < count; ++n) out[n] = 2.0 * junosaw5.FetchFixed(o.tA[n], (float)o.phaseA[n], len);
        break;
    default:
        for (int n = 0; n < count; ++n) out[n] = 0.0;
        break;
    }
}

// The difference of two reads of one sawtooth table, offset apart in phase.
static inline double sawDifference(const Wavetable::Table& saw, double phase, double offset) {
    return Wavetable::Read(saw, (float)phase) - Wavetable::Read(saw, (float)(phase + offset));
}

void AlphaJunoVoice::pulseStage(int mode, int count) {
    OscillatorBuffers& o = osc;
    double* out = o.pulse;
    switch (mode) {
    case 1:
    case 2: {
        const double offset = mode == 1 ? 0.5 : 0.75;
        for (int n = 0; n < count; ++n)
            out[n] = 2.0 * sawDifference(mgsaw.TableAt(o.mgA[n]), o.phaseA[n], offset);
        break;
    }
    case 3: {
        const int len = WavetableBank::kFixedLength;
        for (int n = 0; n < count; ++n) {
            const double phase = o.phaseA[n], p = chunk.width[n];
            out[n] = 1.5 * (junosaw1.FetchFixed(o.tA[n], (float)(phase + 0.5), len) -
                            junosaw1.FetchFixed(o.tA[n], (float)(phase + 1.0 + 0.49 * p), len));
        }
        break;
    }
    default:
        for (int n = 0; n < count; ++n) out[n] = 0.0;
        break;
    }
}

void AlphaJunoVoice::subStage(int mode, int count) {
    OscillatorBuffers& o = osc;
    double* out = o.sub;
    switch (mode) {
    case 0:
        for (int n = 0; n < count; ++n) out[n] = 2.0 * sawDifference(mgsaw.TableAt(o.mgC[n]), o.phaseC[n], 0.5);
        break;
    case 1:
        for (int n = 0; n < count; ++n) out[n] = 2.5 * sawDifference(mgsaw.TableAt(o.mgC[n]), o.phaseC[n], 0.75);
        break;
    case 2:
        for (int n = 0; n < count; ++n)
            out[n] = 1.5 * (2.0 * (Wavetable::Read(mgsqu.TableAt(o.mgC[n]), (float)o.phaseC[n]) + 0.5) *
                                (Wavetable::Read(mgsqu.TableAt(o.mgB[n]), (float)o.phaseB[n]) + 0.5) -
                            1.0);
        break;
    case 3:
        for (int n = 0; n < count; ++n)
            out[n] = 2.0 * junopulse.FetchFixed(o.tC[n], (float)o.phaseC[n], WavetableBank::kFixedLength);
        break;
    case 4:
        for (int n = 0; n < count; ++n) out[n] = 2.0 * sawDifference(mgsaw.TableAt(o.mgD[n]), o.phaseD[n], 0.5);
        break;
    case 5:
        for (int n = 0; n < count; ++n) out[n] = 2.0 * sawDifference(mgsaw.TableAt(o.mgD[n]), o.phaseD[n], 0.75);
        break;
    default:
        for (int n = 0; n < count; ++n) out[n] = 0.0;
        break;
    }
}

void AlphaJunoVoice::controlStage(const BlockConstants& k, int count) {
    const double depth2 = k.dcoEnvDepth * k.dcoEnvDepth;
    for (int n = 0; n < count; ++n) {
        // Pulse-width smoother, in single precision.
        pwm.value += ((float)k.pwmTarget + pwm.offset - pwm.value) * 0.005f;
        pwm.offset = -pwm.offset;
        double p = pwm.value;

        const double lfoValue = lfo.NextFaded();
        const double envValue = env.envLevel;  // as left by the previous sample

        double pitchEnv = 0.0;
        switch (k.dcoEnvMode) {
        case 0: pitchEnv = envValue * depth2; break;
        case 1: pitchEnv = -envValue * depth2; break;
        case 2: pitchEnv = envValue * depth2 * velocity; break;
        case 3: pitchEnv = -envValue * depth2 * velocity; break;
        default: break;
        }

        if (glideOn) {
            freq += (targetFreq + antiDenormal - freq) * k.glide;
            glideNote += (targetNote + antiDenormal - glideNote) * k.glide;
        }

        // Pitch in octaves.
        double vibrato;
        if (k.aftertouchOn)
            vibrato = modWheel * lfoValue / 12.0 +
                      2.0 * k.dcoAfterDepth * aftertouch * lfoValue / 12.0;
        else
            vibrato = 2.0 * k.dcoAfterDepth * modWheel * lfoValue / 12.0;
        chunk.pitch[n] = 2.5 * pitchEnv + k.bendOctaves + k.dcoLfo * lfoValue * 3.0 / 12.0 +
                         vibrato + k.rangeOctaves;
        chunk.freq[n] = freq;

        // The PWM LFO sweeps the width between 0 and P.
        if (k.pwmLfoOn) p = p * 0.5 + p * 0.5 * pwmLfo.Value();
        pwmLfo.Advance();
        chunk.width[n] = p;
        chunk.lfo[n] = lfoValue;
        chunk.env[n] = envValue;

        // VCA.
        double source = 0.0;
        switch (k.vcaEnv) {
        case 0: source = envValue; break;
        case 1: source = gate; break;
        case 2: source = envValue * velocity; break;
        case 3: source = gate * velocity; break;
        default: break;
        }
        source = source < 0.0 ? 0.0 : (source > 1.0 ? 1.0 : source);
        double gain;
        if (k.aftertouchOn) {
            gain = source + aftertouch * 0.5 * k.vcaAfterDepth;
        } else {
            const double m = k.vcaAfterDepth * modWheel * lfoValue;
            gain = (source + m * 0.5) * (m + 1.0);
        }
        double vca = vcaSmooth.Process(gain, 0.01);
        if (vca < 0.0001 && gate == 0.0 &&
            (env.envState == JunoEnvelope::kSustain || env.envState == JunoEnvelope::kRelease))
            sounding = false;
        chunk.vca[n] = vca < 0.0 ? 0.0 : (vca > 2.0 ? 2.0 : vca);

        env.Step(k.l1, k.l2, k.l3, antiDenormal);
        antiDenormal = -antiDenormal;
    }
}

void AlphaJunoVoice::phaseStage(const BlockConstants& k, int count) {
    // Without pitch modulation the increment repeats; it and everything derived
    // from it (periods, table numbers) are recomputed only when its inputs change.
    double pitch = k.rangeOctaves, frequency = -1.0, inc = 0.0, reciprocal = 0.0;
    int mgA = 0, mgB = 0, mgC = 0, mgD = 0, tA = 0, tB = 0, tC = 0;
    OscillatorBuffers& o = osc;
    for (int n = 0; n < count; ++n) {
        if (chunk.pitch[n] != pitch || chunk.freq[n] != frequency) {
            pitch = chunk.pitch[n];
            frequency = chunk.freq[n];
            inc = std::exp2(pitch) * k.tune * frequency / k.rate;
            if (inc > 0.5) inc = 0.5;
            reciprocal = 1.0 / inc;
            setIncrements(inc, reciprocal);
            // Table numbers only for the sources that read them.
            if (k.needsMg) {
                mgA = mgsaw.TableNumber(oscA.period);
                mgB = mgsaw.TableNumber(oscB.period);
                mgC = mgsaw.TableNumber(oscC.period);
                mgD = mgsaw.TableNumber(oscD.period);
            }
            tA = k.needsTableA ? junoTable(oscA.increment, k.rate) : 0;
            tB = k.saw == 3 ? junoTable(oscB.increment, k.rate) : 0;
            tC = k.needsTableC ? junoTable(oscA.increment * 0.5, k.rate) : 0;
        }
        oscA.Advance();
        oscB.Advance();
        oscC.Advance();
        oscD.Advance();
        o.phaseA[n] = oscA.phase;
        o.phaseB[n] = oscB.phase;
        o.phaseC[n] = oscC.phase;
        o.phaseD[n] = oscD.phase;
        o.mgA[n] = mgA;
        o.mgB[n] = mgB;
        o.mgC[n] = mgC;
        o.mgD[n] = mgD;
        o.tA[n] = tA;
        o.tB[n] = tB;
        o.tC[n] = tC;
    }
}

void AlphaJunoVoice::oscillatorStage(const BlockConstants& k, int count) {
    phaseStage(k, count);
    sawStage(k.saw, count);
    pulseStage(k.pulse, count);
    // The sub source is not computed at all at sub level 0.
    if (k.subLevel > 0.0) subStage(k.sub, count);
    else
        for (int n = 0; n < count; ++n) osc.sub[n] = 0.0;
    for (int n = 0; n < count; ++n) {
        // The generator runs on at noise level 0, where its term is 0.
        const uint32_t seed = nextNoiseSeed();
        const double noise = k.noiseLevel != 0.0 ? 2.0 * noiseValue(seed) * k.noiseLevel : 0.0;
        chunk.mix[n] = (float)((noise + 1.5 * osc.sub[n] * k.subLevel + osc.pulse[n] + 1.5 * osc.saw[n]) *
                               (double)0.1f);
    }
}

void AlphaJunoVoice::cutoffStage(const BlockConstants& k, int start, int count) {
    for (int n = 0; n < count; ++n) {
        float x = chunk.mix[n];
        switch (k.hpf) {
        case 0: x = x + 4.0f * bassFilter.process2(x); break;
        case 2:
        case 3: x = (float)(x - highPass.Process(x, k.highPassCoefficient)); break;
        default: break;
        }
        // Pre-filter DC blocker and drive.
        const double drive =
            (1.0 + k.vcaLevel) * (float)(x - preFilterBlocker.Process(x, k.dcCoefficient));
        chunk.drive[n] = drive;

        const double envValue = chunk.env[n];
        const double lfoValue = chunk.lfo[n];
        double cutoffEnv = 0.0;
        switch (k.vcfEnvMode) {
        case 0: cutoffEnv = envValue; break;
        case 1: cutoffEnv = -envValue; break;
        case 2: cutoffEnv = envValue * velocity; break;
        case 3: cutoffEnv = velocity; break;
        default: break;
        }
        const double pressure = k.aftertouchOn ? k.vcfAfterDepth * aftertouch * 0.25
                                               : 0.25 * k.vcfAfterDepth * modWheel * lfoValue;
        const double cutoffIn = cutoffInput ? cutoffInput[start + n] : 0.0f;
        const double control =
            (lfoValue * 0.25 * (k.vcfLfo * k.vcfLfo) + cutoffEnv * 0.8 * k.vcfEnv +
             drive * k.audioCutoffMod * 2.5 + (cutoffIn - 0.14) + pressure) *
            k.keyCutoff;

        // Cutoff smoother, then the filter's coefficient.
        float cutoff = (float)cutoffSmooth.Process(control, 0.5);
        cutoff = cutoff < 0.001f ? 0.001f : (cutoff > 1.0f ? 1.0f : cutoff);
        cutoff = cutoff * cutoff * cutoff * cutoff;
        chunk.cutoff[n] = (float)(cutoff * k.ratio);
    }
}

void AlphaJunoVoice::filterStage(float* left, float* right, int count) {
    for (int n = 0; n < count; ++n) {
        vcf.cutoff = chunk.cutoff[n];
        const double y = vcf.processJuno((float)chunk.drive[n]);
        const float o = (float)(y * chunk.vca[n]);
        const double out = (float)(o - outputBlocker.Process(o, 0.0005)) * 0.2;
        left[n] += out;
        right[n] += out;
    }
}
