#pragma once

#include <algorithm>
#include <cmath>

// The resonant voice filter: a state-variable filter run twice per sample.
// Type 0 is one saturating two-pole section with cutoff-dependent gain make-up;
// type 1 is two two-pole sections in series with soft-clipped low-pass states.
// process2 is a plain non-saturating variant used for the voice's bass boost.
// The owning voice writes cutoff and resonance before every sample.
class JunoVCF {
public:
    JunoVCF();

    // One sample through the filter selected by filterType (other types pass x).
    float processJuno(float x);
    // One sample through the plain variant, output chosen by outputTap.
    float process2(float x);

    double state[6];      // 0 lp, 1 bp, 2 hp; type 1 uses 3..5 for its second section
    float cutoff;         // coefficient, normally 1e-12..1
    float resonance;      // 0..1
    int outputTap;        // 0 low-pass, 1 band-pass, 2 high-pass (type 0, process2)
    int filterType;       // 0 or 1
    double antiDenormal;  // alternating tiny offset keeping the states normal
    double sampleRate;    // kept for the owner
    double ratio;         // 44100 / sample rate, kept for the owner

private:
    float processType0(float x, double d);
    float processType1(float x, double d);
    // One two-pole section of type 1 on states base..base+2; returns bp * 0.4 + lp.
    float sectionType1(float u, int base, double g, double k, double d);
    double tap(double lp, double bp, double hp) const;
};

// Inline: the filter runs once per sample of a voice that renders on its own.
// Voices rendered in lanes run the same steps in VoiceLanes::saturatingFilter and
// VoiceLanes::seriesFilter; a change here must be made there too (the golden
// renders and the voice-group tests catch a difference).
inline double JunoVCF::tap(double lp, double bp, double hp) const {
    switch (outputTap) {
    case 1: return bp;
    case 2: return hp;
    default: return lp;  // an unknown tap reads the low-pass like tap 0
    }
}

inline float JunoVCF::processJuno(float x) {
    const double d = antiDenormal;
    antiDenormal = -antiDenormal;
    switch (filterType) {
    case 0: return processType0(x, d);
    case 1: return processType1(x, d);
    default: return x;
    }
}

inline float JunoVCF::processType0(float x, double d) {
    const double r = resonance;
    const double c = cutoff;
    const double k = 1.007 - r;
    // Input gain falls from 1.5 at no resonance to 1.0 at full resonance.
    const float u = static_cast<float>(r * x + 1.5 * x * (1.0 - r));
    const double g = std::clamp(1.4 * c, 0.001, 1.1);
    double lp = state[0], bp = state[1];

    double h = u - k * bp - lp + d;
    bp = bp + g * h + d;
    lp = lp + g * bp + d;

    // The second pass is fed from the first pass's tap, so both act as a cascade.
    const float u2 = static_cast<float>((1.0 - r) * tap(lp, bp, h));
    h = u2 - k * bp - lp + d;
    bp = bp + g * h + d;
    lp = lp + g * bp + d;
    const double out = tap(lp, bp, h);

    // Saturate the states the next sample reads. The high-pass state is read by
    // no filter type (type 1 writes its own before any use), so its tanh is skipped:
    // tanh has no side effect, and the sound is the same bit for bit.
    state[0] = std::tanh(lp);
    state[1] = std::tanh(bp);
    state[2] = h;

    const float cc = cutoff * cutoff;
    const double m = std::min(static_cast<double>(cc), 0.5);
    return static_cast<float>(out * ((1.0 - m) * 2.5 + m));
}

inline float JunoVCF::sectionType1(float u, int base, double g, double k, double d) {
    double lp = state[base], bp = state[base + 1];
    bp = (u - k * bp - lp + d) * g + d + bp;
    lp = bp * g + d + lp;
    const double h = u - k * bp - lp + d;
    bp = h * g + d + bp;
    lp = bp * g + d + lp;
    lp = 2.0 * std::tanh(lp * 0.5);  // only the low-pass state is soft-clipped
    state[base] = lp;
    state[base + 1] = bp;
    state[base + 2] = h;
    return static_cast<float>(bp * 0.4 + lp);
}

inline float JunoVCF::processType1(float x, double d) {
    const double r = resonance;
    const double c = cutoff;
    const double g = std::min(std::max(0.001, 1.5 * c), 1.0 + 0.1 * r);
    const float u = static_cast<float>((1.0 - r) * x + 0.25 * x * r);
    const double k = 1.007 - 0.85 * r;
    const float y1 = sectionType1(u, 0, g, k, d);
    const float y2 = sectionType1(y1, 3, g, k, d);
    return static_cast<float>(2.0 * y2);
}

inline float JunoVCF::process2(float x) {
    const double d = antiDenormal;
    antiDenormal = -antiDenormal;
    const double r = resonance;
    const double g = std::clamp(1.4 * static_cast<double>(cutoff), 0.001, 1.2);
    const double k = (1.007 - r) / g;
    const float u = static_cast<float>(x + d);
    const double lp0 = state[0], bp0 = state[1];

    const double bp1 = (u - k * bp0 - lp0) * g + d + bp0;
    const double lp1 = bp1 * g + d + lp0;
    const double h = u - k * bp1 - lp1;
    const double bp = h * g + bp1;
    const double lp = g * bp + lp1;
    state[0] = lp;
    state[1] = bp;
    state[2] = h;
    return static_cast<float>(tap(lp, bp, h));
}
