#include "AlphaJunoVoice.h"

#include <cmath>

#include "Transcendentals.h"

namespace halvorax::synth {

namespace {

// Parameter slots the voice reads.
enum Slot {
    kDcoRange = 0,
    kDcoLfo = 1,
    kDcoEnvDepth = 2,
    kDcoEnvMode = 3,
    kDcoAfterDepth = 4,
    kBenderRange = 5,
    kDcoPulse = 6,
    kDcoSaw = 7,
    kDcoSub = 8,
    kDcoSubLevel = 9,
    kDcoNoiseLevel = 10,
    kDcoPwm = 11,
    kDcoPwmRate = 12,
    kVcfHpf = 13,
    kVcfReso = 15,
    kVcfEnv = 16,
    kVcfEnvMode = 17,
    kVcfLfo = 18,
    kVcfKeyFollow = 19,
    kVcfAfterDepth = 20,
    kVcaLevel = 21,
    kVcaEnv = 22,
    kVcaAfterDepth = 23,
    kLfoRate = 26,
    kLfoDelay = 27,
    kEnvT1 = 28,
    kEnvL1 = 29,
    kEnvT2 = 30,
    kEnvL2 = 31,
    kEnvT3 = 32,
    kEnvL3 = 33,
    kEnvT4 = 34,
    kEnvKeyFollow = 35,
    kAftertouchEnabled = 55,
    kRetrigDco = 56,
    kRetrigLfo = 57,
    kAudioCutoffMod = 58,
    kFilterMode = 59
};

// Frequencies of the hardware's DCO: a 4 MHz clock divided by a whole number.
struct PitchTable {
    double hz[128];
    PitchTable() {
        for (int n = 0; n < 128; ++n) {
            const double ideal = 440.0 * Exp2<Lanes<1>>((n - 69) / 12.0);
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

// A host that reports no sample rate would turn every state into NaN for good;
// such a block runs at 44.1 kHz instead. Below the lowest rate the high-pass stage's
// coefficient passes 2 and it diverges: rates are held to the range the voice is made for.
double usableRate(double rate) {
    if (!(rate > 0.0) || !std::isfinite(rate)) return 44100.0;
    return std::fmin(std::fmax(rate, AlphaJunoVoice::kLowestRate), AlphaJunoVoice::kHighestRate);
}

}  // namespace

VoiceInputs::VoiceInputs() { params[kVcfReso] = 0.5f; }

void VoiceInputs::SetParameter(int slot, float value) {
    if (slot >= 0 && slot < SlotRanges::kSlots) params[slot] = SlotRanges::Limit(slot, value);
}

double AlphaJunoVoice::NoteFrequency(int note) {
    if (note < 0 || note > 127) return 440.0;
    return pitchTable().hz[note];
}

void AlphaJunoVoice::NoteOn(int noteNumber, int noteVelocity, const VoiceInputs& inputs) {
    state.freq = (float)NoteFrequency(noteNumber);
    state.glideOn = 0;
    state.gate = 1.0;
    note = state.targetNote = state.glideNote = noteNumber;
    state.velocity = noteVelocity / 127.0;
    state.env.Begin();  // the attack starts from the current level
    state.lfo.delayLevel = 0.0;
    if (inputs.params[kRetrigDco] > 0.0f)
        state.oscA.phase = state.oscB.phase = state.oscC.phase = state.oscD.phase = 0.0;
    if (inputs.params[kRetrigLfo] > 0.0f) state.lfo.phase = state.pwmLfo.phase = 0.25;
    sounding = true;
    keyHeld = true;
}

void AlphaJunoVoice::SlideTo(int noteNumber, int noteVelocity, bool retrigger) {
    state.targetFreq = (float)NoteFrequency(noteNumber);
    state.targetNote = note = noteNumber;
    state.velocity = noteVelocity / 127.0;
    state.glideOn = -1;
    sounding = true;
    keyHeld = true;
    if (retrigger) {
        state.env.Begin();
        state.lfo.delayLevel = 0.0;
        state.gate = 1.0;
    }
}

void AlphaJunoVoice::NoteOff() {
    keyHeld = false;
    state.env.Release();
    state.gate = 0.0;
}

void AlphaJunoVoice::Reset() {
    state.lfo.phase = 0.0;
    keyHeld = sounding = false;
    state.glideOn = 0;
    state.env.Reset();
    state.gate = 0.0;
    state.vcaSmooth.value = 0.0;
}

double AlphaJunoVoice::LfoPhaseAfter(const VoiceInputs& inputs, int count) const {
    JunoLfo<Lanes<1>> l = state.lfo;
    const double increment = JunoLfoIncrement(inputs.params[kLfoRate], usableRate(inputs.sampleRate));
    for (int n = 0; n < count; ++n) l.Advance(increment);
    return l.phase;
}

VoiceModes AlphaJunoVoice::Modes(const VoiceInputs& inputs) {
    const float* p = inputs.params;
    VoiceModes m;
    m.dcoEnvMode = selection(p[kDcoEnvMode]);
    m.saw = selection(p[kDcoSaw]);
    m.pulse = selection(p[kDcoPulse]);
    m.sub = selection(p[kDcoSub]);
    m.hpf = selection(p[kVcfHpf]);
    m.vcfEnvMode = selection(p[kVcfEnvMode]);
    m.vcaEnv = selection(p[kVcaEnv]);
    m.filterType = (int)p[kFilterMode];
    m.aftertouchOn = p[kAftertouchEnabled] > 0.0f;
    m.pwmLfoOn = p[kDcoPwmRate] > 0.0f;
    m.subOn = p[kDcoSubLevel] / 3.0 > 0.0;
    m.needsTableA = m.saw >= 3 || m.pulse == 3;
    m.needsTableB = m.saw == 3;
    m.needsTableC = m.sub == 3 && m.subOn;
    m.readsSawA = m.saw == 3 || m.pulse == 3;
    m.usesMg[0] = m.saw == 1 || m.saw == 2 || m.pulse == 1 || m.pulse == 2;
    m.usesMg[1] = m.saw == 2 || (m.subOn && m.sub == 2);
    m.usesMg[2] = m.subOn && m.sub >= 0 && m.sub <= 2;
    m.usesMg[3] = m.subOn && (m.sub == 4 || m.sub == 5);
    return m;
}

BlockValues<Lanes<1>> AlphaJunoVoice::Prepare(const VoiceInputs& inputs) const {
    const float* p = inputs.params;
    BlockValues<Lanes<1>> k;
    const double glideNote = state.glideNote;
    k.keyCutoff = Exp2<Lanes<1>>(p[kVcfKeyFollow] * (glideNote - 60.0) * 0.022);
    const double keyRate = Exp2<Lanes<1>>((p[kEnvKeyFollow] / 14.0) * 1.5 * (glideNote - 60.0));
    k.tune = Exp2<Lanes<1>>(inputs.tuneCents / 1200.0);

    const double rate = usableRate(inputs.sampleRate);
    k.rate = rate;
    k.lfoIncrement = JunoLfoIncrement(p[kLfoRate], rate);
    k.lfoDelayRate = JunoLfoDelayRate(p[kLfoDelay], rate);
    k.pwmIncrement = JunoPwmLfoIncrement(p[kDcoPwmRate], rate);
    k.env = JunoEnvelopeRatesFor(p[kEnvT1], p[kEnvT2], p[kEnvT3], p[kEnvT4], keyRate, rate);

    k.resonance = (float)(Pow(p[kVcfReso], (double)0.3f) * 0.99 + 0.01);
    k.ratio = 44100.0 / rate;
    double bassCutoff = (double)0.4f * k.ratio;
    bassCutoff = bassCutoff < 0.001 ? 0.001 : (bassCutoff > 1.0 ? 1.0 : bassCutoff);
    const float c = (float)bassCutoff;
    k.bassCutoff = c * c * c * c;
    k.bassResonance = 0.109f;

    k.subLevel = p[kDcoSubLevel] / 3.0;
    k.noiseLevel = p[kDcoNoiseLevel] / 3.0;
    k.glide = 10.0 / (inputs.portaTime * 0.0227 * rate + 10.0);
    k.bendOctaves = (inputs.bend - 0.5) * 2.0 * p[kBenderRange] / 12.0;
    k.rangeOctaves = 1.0 - p[kDcoRange];
    k.highPassCoefficient = k.ratio * (double)(selection(p[kVcfHpf]) == 3 ? 0.2f : 0.1f);
    k.dcCoefficient = k.ratio * 0.0005;

    k.dcoLfo = p[kDcoLfo];
    const double depth = p[kDcoEnvDepth];
    k.depth2 = depth * depth;
    k.dcoAfterDepth = p[kDcoAfterDepth];
    k.vcfEnv = p[kVcfEnv];
    k.vcfLfo = p[kVcfLfo];
    k.vcfAfterDepth = p[kVcfAfterDepth];
    k.vcaLevel = p[kVcaLevel];
    k.vcaAfterDepth = p[kVcaAfterDepth];
    k.audioCutoffMod = p[kAudioCutoffMod];
    k.pwmTarget = (float)p[kDcoPwm];
    k.l1 = p[kEnvL1];
    k.l2 = p[kEnvL2];
    k.l3 = p[kEnvL3];
    k.modWheel = inputs.modWheel;
    k.aftertouch = inputs.aftertouch;
    return k;
}

}  // namespace halvorax::synth
