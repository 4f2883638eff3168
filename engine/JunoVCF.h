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

    class Saturating;
    class Series;
    class Pass;

    // count samples of filter type `type` from in into out.
    void Process(int type, const D* in, const D* cutoff, D resonance, D* out, int count) {
        switch (type) {
            case 0:
                run<Saturating>(in, cutoff, resonance, out, count);
                break;
            case 1:
                run<Series>(in, cutoff, resonance, out, count);
                break;
            default:
                run<Pass>(in, cutoff, resonance, out, count);
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
    template <class Steps>
    void run(const D* in, const D* cutoff, D resonance, D* out, int count) {
        Steps steps(*this, in, cutoff, resonance, count);
        for (int n = 0; n < count; ++n) out[n] = steps.Step(n);
        steps.Store();
    }

    // One two-pole section of type 1 and its states; Process returns bp * 0.4 + lp in
    // single precision.
    struct Section {
        D lp, bp, h;
        D Process(D u, D g, D k, D d) {
            bp = (u - k * bp - lp + d) * g + d + bp;
            lp = bp * g + d + lp;
            h = u - k * bp - lp + d;
            bp = h * g + d + bp;
            lp = bp * g + d + lp;
            lp = TwiceTanhOfHalf<L>(lp);  // only the low-pass state is soft-clipped
            return RoundToFloat<L>(bp * 0.4 + lp);
        }
    };
};

// Each filter type stepped a sample at a time over a run of count samples: made from the
// filter and the run's inputs, Step(n) in order of n gives output n, Store() hands the
// states back. Meanwhile the states live in locals, because the buffers around may alias
// the filter as far as the compiler knows, which would send them through memory at every
// sample; a caller can also interleave the steps with other work.

// Type 0: one saturating section run twice per sample, with gain make-up.
template <class L>
class JunoVCF<L>::Saturating {
public:
    Saturating(JunoVCF& filter, const D* in, const D* cutoff, D r, int)
        : filter(filter),
          in(in),
          cutoff(cutoff),
          r(r),
          k(1.007 - r),
          lpState(filter.state[0]),
          bpState(filter.state[1]),
          hState(filter.state[2]),
          d(filter.antiDenormal) {}

    D Step(int n) {
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
        return RoundToFloat<L>(y * ((1.0 - m) * 2.5 + m));
    }

    void Store() {
        filter.state[0] = lpState;
        filter.state[1] = bpState;
        filter.state[2] = hState;
        filter.antiDenormal = d;
    }

private:
    JunoVCF& filter;
    const D *in, *cutoff;
    const D r, k;
    D lpState, bpState, hState, d;
};

// Type 1: two sections in series. The first section of the next sample does not depend on
// the second section of this one, so the two run side by side: each sample waits on one
// tanh instead of two.
template <class L>
class JunoVCF<L>::Series {
public:
    Series(JunoVCF& filter, const D* in, const D* cutoff, D r, int count)
        : filter(filter),
          in(in),
          cutoff(cutoff),
          r(r),
          k(1.007 - 0.85 * r),
          limit(1.0 + 0.1 * r),
          count(count),
          first{filter.state[0], filter.state[1], filter.state[2]},
          second{filter.state[3], filter.state[4], filter.state[5]},
          d(filter.antiDenormal) {
        if (count > 0) y1 = first.Process(input(0), gain(0), k, d);
    }

    D Step(int n) {
        const D g = gain(n);
        const D y1Next = n + 1 < count ? first.Process(input(n + 1), gain(n + 1), k, -d) : D{};
        // The section's output is a single-precision value already, and so is its double.
        const D y = 2.0 * second.Process(y1, g, k, d);
        y1 = y1Next;
        d = -d;
        return y;
    }

    void Store() {
        const D states[6] = {first.lp, first.bp, first.h, second.lp, second.bp, second.h};
        for (int i = 0; i < 6; ++i) filter.state[i] = states[i];
        filter.antiDenormal = d;
    }

private:
    D gain(int n) const {
        const D g0 = 1.5 * cutoff[n];
        const D g1 = 0.001 < g0 ? g0 : D{} + 0.001;
        return limit < g1 ? limit : g1;
    }
    D input(int n) const { return RoundToFloat<L>((1.0 - r) * in[n] + 0.25 * in[n] * r); }

    JunoVCF& filter;
    const D *in, *cutoff;
    const D r, k, limit;
    const int count;
    Section first, second;
    D d, y1{};
};

// Any other type passes its input.
template <class L>
class JunoVCF<L>::Pass {
public:
    Pass(JunoVCF& filter, const D* in, const D*, D, int count) : filter(filter), in(in), count(count) {}
    D Step(int n) const { return in[n]; }
    void Store() {
        if (count & 1) filter.antiDenormal = -filter.antiDenormal;
    }

private:
    JunoVCF& filter;
    const D* in;
    const int count;
};

}  // namespace halvorax::synth
