#pragma once

#include "LaneTypes.h"

namespace halvorax::synth {

// The voice's four-time, three-level envelope (T1/L1, T2/L2, T3/L3, T4).
// Attack and T2 are linear ramps, T3 and release are one-pole approaches
// with a constant pull of 1e-7 per sample so that a release ends at exactly 0.

// Segment time in seconds for a time-table index 0..127 (index 0 is never used).
double JunoEnvTime(int index);

// Time-table index of a 0..1 control value: truncated x * 127, limited to 1..127.
int JunoEnvIndex(double x);

// Per-sample rate of a segment whose time is set by control value x.
float parameterToEnvTimeTC(double x, double sampleRate);

// The segment rates (per sample) of one block, over the lanes L.
template <class L>
struct JunoEnvelopeRates {
    typedef typename L::D D;
    D attack, decayFall, decayRise, sustain, release;
};

// The rates for the time controls t1..t4 (0..1) and the key-follow factor.
JunoEnvelopeRates<Lanes<1>> JunoEnvelopeRatesFor(float t1, float t2, float t3, float t4, double keyRate,
                                                 double sampleRate);

// The envelope's segments.
constexpr long long kEnvIdle = -1, kEnvStart = 0, kEnvAttack = 1, kEnvAttackDone = 2, kEnvDecay = 3, kEnvSustain = 4,
                    kEnvRelease = 5;

// The envelope of each lane: a level (a single-precision value) and a segment.
template <class L>
struct JunoEnvelope {
    typedef typename L::D D;
    typedef typename L::I I;

    void Begin() { state = I{} + kEnvStart; }
    void Release() { state = I{} + kEnvRelease; }
    void Reset() {
        state = I{} + kEnvIdle;
        level = D{};
    }

    // One sample; a is the voice's alternating anti-denormal value.
    void Step(const JunoEnvelopeRates<L>& rates, D l1, D l2, D l3, D a) {
        auto f = [](D x) { return RoundToFloat<L>(x); };
        // Most samples find every lane sustaining or releasing: those take one formula.
        if (!L::Any(state != kEnvSustain)) {
            const D sustain = f(f((l3 + a - level) * rates.sustain + level) - 0.0000001);
            level = sustain < 0.0 ? D{} : sustain;
            return;
        }
        if (!L::Any(state != kEnvRelease)) {
            const D release = f(f((0.0 + a - level) * rates.release + level) - 0.0000001);
            level = release < 0.0 ? D{} : release;
            return;
        }
        D next = level;
        I nextState = state;

        const D attack = f(level + rates.attack);
        const auto attackDone = attack > l1 * 1.25;
        const auto inAttack = state == kEnvAttack;
        next = inAttack ? (attackDone ? f(l1 * 1.25) : attack) : next;
        nextState = (inAttack & attackDone) ? I{} + kEnvAttackDone : nextState;

        // The T2 direction compares L2 with L1, not with the overshot level.
        const auto rising = l2 > l1;
        const D rise = f(level + rates.decayRise), fall = f(level - rates.decayFall);
        const auto reached = rising ? rise > l2 : fall < l2;
        const auto inDecay = state == kEnvDecay;
        next = inDecay ? (reached ? l2 : (rising ? rise : fall)) : next;
        nextState = (inDecay & reached) ? I{} + kEnvSustain : nextState;

        const D sustain = f(f((l3 + a - level) * rates.sustain + level) - 0.0000001);
        next = state == kEnvSustain ? sustain : next;
        const D release = f(f((0.0 + a - level) * rates.release + level) - 0.0000001);
        next = state == kEnvRelease ? release : next;

        nextState = state == kEnvStart ? I{} + kEnvAttack : nextState;
        nextState = state == kEnvAttackDone ? I{} + kEnvDecay : nextState;
        level = next < 0.0 ? D{} : next;
        state = nextState;
    }

    D level{};
    I state = I{} + kEnvIdle;
};

}  // namespace halvorax::synth
