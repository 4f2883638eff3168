#pragma once

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
