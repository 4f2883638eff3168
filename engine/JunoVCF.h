#pragma once

#include "LaneTypes.h"
#include "Transcendentals.h"

namespace halvorax::synth {

// The resonant voice filter over the lanes L: a state-variable filter run twice per sample.
// Type 0 is one saturating two-pole section with cutoff-dependent gain make-up;
// type 1 is two two-pole sections in series with soft-clipped low-pass states;
// any other type passes its input. The plain, non-saturating variant is the voice's bass
// boost. Inputs and outputs are single-precision values; cutoff is the coefficient
// (normally 1e-12..1), resonance 0..1.
template <class L>
class JunoVCF {
public:
    typedef typename L::D D;

    // count samples of filter type `type` from in into out.
    void Process(int type, const D* in, const D* cutoff, D resonance, D* out, int count) {
        switch (type) {
            case 0:
                saturating(in, cutoff, resonance, out, count);
                break;
            case 1:
                series(in, cutoff, resonance, out, count);
                break;
            default:
                for (int n = 0; n < count; ++n) out[n] = in[n];
                if (count & 1) antiDenormal = -antiDenormal;
                break;
        }
    }

    // The plain variant's gain and damping for a cutoff and resonance.
    static D PlainGain(D cutoff) { return Clamp(1.4 * cutoff, 0.001, 1.2); }
    static D PlainDamping(D resonance, D gain) { return (1.007 - resonance) / gain; }
    // One sample of the plain variant; returns its low-pass output (single precision).
    D ProcessPlain(D x, D g, D k) {
        const D d = antiDenormal;
        antiDenormal = -antiDenormal;
        const D u = RoundToFloat<L>(x + d);
        const D lp0 = state[0], bp0 = state[1];
        const D bp1 = (u - k * bp0 - lp0) * g + d + bp0;
        const D lp1 = bp1 * g + d + lp0;
        const D h = u - k * bp1 - lp1;
        const D bp = h * g + bp1;
        const D lp = g * bp + lp1;
        state[0] = lp;
        state[1] = bp;
        state[2] = h;
        return RoundToFloat<L>(lp);
    }

    D state[6] = {};              // 0 lp, 1 bp, 2 hp; type 1 uses 3..5 for its second section
    D antiDenormal = D{} + 1e-8;  // alternating tiny offset keeping the states normal

private:
    // Type 0: one saturating section run twice per sample, with gain make-up.
    void saturating(const D* in, const D* cutoff, D r, D* out, int count) {
        const D k = 1.007 - r;
        // The states in locals for the loop: out may alias them as far as the compiler
        // knows, which would send them through memory at every sample.
        D lpState = state[0], bpState = state[1], hState = state[2], d = antiDenormal;
        for (int n = 0; n < count; ++n) {
            const D c = cutoff[n], x = in[n];
            // Input gain falls from 1.5 at no resonance to 1.0 at full resonance.
            const D u = RoundToFloat<L>(r * x + 1.5 * x * (1.0 - r));
            const D g = Clamp(1.4 * c, 0.001, 1.1);
            D lp = lpState, bp = bpState;
            D h = u - k * bp - lp + d;
            bp = bp + g * h + d;
            lp = lp + g * bp + d;
            // The second pass is fed from the first pass's low-pass: a cascade.
            const D u2 = RoundToFloat<L>((1.0 - r) * lp);
            h = u2 - k * bp - lp + d;
            bp = bp + g * h + d;
            lp = lp + g * bp + d;
            const D y = lp;
            // Saturate the states the next sample reads.
            lpState = Tanh<L>(lp);
            bpState = Tanh<L>(bp);
            hState = h;
            d = -d;
            const typename L::F cf = Convert<typename L::F>(c);
            const D cc = L::Widen(cf * cf);
            const D m = 0.5 < cc ? D{} + 0.5 : cc;
            out[n] = RoundToFloat<L>(y * ((1.0 - m) * 2.5 + m));
        }
        state[0] = lpState;
        state[1] = bpState;
        state[2] = hState;
        antiDenormal = d;
    }

    // One two-pole section of type 1 on its states lp, bp, h; returns bp * 0.4 + lp in
    // single precision.
    static D section(D* st, D u, D g, D k, D d) {
        D lp = st[0], bp = st[1];
        bp = (u - k * bp - lp + d) * g + d + bp;
        lp = bp * g + d + lp;
        const D h = u - k * bp - lp + d;
        bp = h * g + d + bp;
        lp = bp * g + d + lp;
        lp = 2.0 * Tanh<L>(lp * 0.5);  // only the low-pass state is soft-clipped
        st[0] = lp;
        st[1] = bp;
        st[2] = h;
        return RoundToFloat<L>(bp * 0.4 + lp);
    }

    // Type 1: two sections in series. The first section of the next sample does not
    // depend on the second section of this one, so the two run side by side: each
    // sample waits on one tanh instead of two.
    void series(const D* in, const D* cutoff, D r, D* out, int count) {
        const D k = 1.007 - 0.85 * r;
        const D limit = 1.0 + 0.1 * r;
        auto gain = [&](int n) {
            const D g0 = 1.5 * cutoff[n];
            const D g1 = 0.001 < g0 ? g0 : D{} + 0.001;
            return limit < g1 ? limit : g1;
        };
        auto input = [&](int n) { return RoundToFloat<L>((1.0 - r) * in[n] + 0.25 * in[n] * r); };
        // The sections' states in locals for the loop, as in saturating().
        D first[3] = {state[0], state[1], state[2]}, second[3] = {state[3], state[4], state[5]};
        D d = antiDenormal;
        D y1 = section(first, input(0), gain(0), k, d);
        for (int n = 0; n < count; ++n) {
            const D g = gain(n);
            const D y1Next = n + 1 < count ? section(first, input(n + 1), gain(n + 1), k, -d) : D{};
            out[n] = RoundToFloat<L>(2.0 * section(second, y1, g, k, d));
            y1 = y1Next;
            d = -d;
        }
        for (int i = 0; i < 3; ++i) {
            state[i] = first[i];
            state[3 + i] = second[i];
        }
        antiDenormal = d;
    }
};

}  // namespace halvorax::synth
