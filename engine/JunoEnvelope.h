#pragma once

// The voice's four-time, three-level envelope (T1/L1, T2/L2, T3/L3, T4).
// Attack and T2 are linear ramps, T3 and release are one-pole approaches
// with a constant pull of 1e-7 per sample so that a release ends at exactly 0.

// Segment time in seconds for a time-table index 0..127 (index 0 is never used).
double JunoEnvTime(int index);

// Time-table index of a 0..1 control value: truncated x * 127, limited to 1..127.
int JunoEnvIndex(double x);

// Per-sample rate of a segment whose time is set by control value x.
float parameterToEnvTimeTC(double x, double sampleRate);

class JunoEnvelope {
public:
    enum State { kIdle = -1, kStart = 0, kAttack = 1, kAttackDone = 2, kDecay = 3, kSustain = 4, kRelease = 5 };

    // Segment rates for one block from the time controls t1..t4 (0..1) and
    // the key-follow factor.
    void SetRates(float t1, float t2, float t3, float t4, double keyRate, double sampleRate);
    // One sample; a is the voice's alternating anti-denormal value.
    void Step(float l1, float l2, float l3, double a);

    void Begin() { envState = kStart; }
    void Release() { envState = kRelease; }
    void Reset() { envState = kIdle; envLevel = 0.0f; }

    int envState = kIdle;
    float envLevel = 0.0f;

    // Block rates (per sample), exposed for the owner's tests and diagnostics.
    double attackRate = 0.0;
    double decayFallRate = 0.0;
    double decayRiseRate = 0.0;
    double sustainRate = 0.0;
    double releaseRate = 0.0;
};

// Inline: it runs once per sample of every voice.
inline void JunoEnvelope::Step(float l1, float l2, float l3, double a) {
    switch (envState) {
    case kStart:
        envState = kAttack;
        break;
    case kAttack:
        envLevel += attackRate;
        if (envLevel > l1 * 1.25) {
            envLevel = l1 * 1.25;
            envState = kAttackDone;
        }
        break;
    case kAttackDone:
        envState = kDecay;
        break;
    case kDecay:
        // The T2 direction compares L2 with L1, not with the overshot level.
        if (l2 > l1) {
            envLevel += decayRiseRate;
            if (envLevel > l2) {
                envLevel = l2;
                envState = kSustain;
            }
        } else {
            envLevel -= decayFallRate;
            if (envLevel < l2) {
                envLevel = l2;
                envState = kSustain;
            }
        }
        break;
    case kSustain:
        envLevel = (float)((l3 + a - envLevel) * sustainRate + envLevel) - 0.0000001;
        break;
    case kRelease:
        envLevel = (float)((0.0 + a - envLevel) * releaseRate + envLevel) - 0.0000001;
        break;
    default:
        break;
    }
    if (envLevel < 0.0f) envLevel = 0.0f;
}
