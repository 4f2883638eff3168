#include "AlphaChorus.h"

#include <algorithm>
#include <cmath>

#include "Transcendentals.h"

namespace halvorax::synth {

namespace {
constexpr double kTwoPi = 6.283185307179586;

// floor x, without a library call for the values the chorus meets (0 up to 2^52).
double floorOf(double x) {
    if (!(x >= 0.0 && x < 4503599627370496.0)) return std::floor(x);
    const double t = static_cast<double>(static_cast<long long>(x));
    return t > x ? t - 1.0 : t;
}
}  // namespace

AlphaChorus::AlphaChorus()
    : sampleRate(44100.0),
      rate(1.0),
      inputGain(0.75),
      mix(0.5),
      lastWetLeft(0.0),
      lastWetRight(0.0),
      delayLeft{},
      delayRight{},
      writeLeft(0),
      writeRight(0),
      lineLength(kLineLength),
      centre(128.0),
      depth(80.0),
      lfoPhase(0.0),
      lfoIncrement(0.0) {}

void AlphaChorus::write(double* line, int& pos, float in) {
    if (pos >= lineLength || pos < 0) pos = 0;
    line[pos] = in * inputGain;
    ++pos;
}

double AlphaChorus::read(const double* line, int pos, double delay) const {
    // Keeps the read inside the line even at absurd sample rates or rates (NaN reads the newest).
    delay = delay >= 0.0 ? std::min(delay, static_cast<double>(lineLength - 2)) : 0.0;
    const int i = static_cast<int>(delay);  // delay >= 0: the same as its floor
    int p = pos - i;
    if (p < 0) p += lineLength;
    // Below about 920 Hz the delay falls under one sample and p is the write
    // position itself, which is one past the last slot right after a wrap.
    if (p >= lineLength) p -= lineLength;
    int q = p - 1;
    if (q < 0) q += lineLength;
    const double w = static_cast<float>(delay - i);
    return w * line[q] + (1.0 - w) * line[p];
}

void AlphaChorus::blockProcess(float* const* inputs, float* const* outputs, int count) {
    // A missing host rate must not turn the LFO phase into NaN for good.
    const double sr = sampleRate > 0.0 ? sampleRate : 44100.0;
    lfoIncrement = rate / sr;
    const double s = sr / 44100.0;
    for (int n = 0; n < count; ++n) {
        const float inL = inputs[0][n];
        const float inR = inputs[1][n];
        // phase - floor(phase); below 2 the floor is 0 or 1.
        lfoPhase += lfoIncrement;
        if (lfoPhase >= 1.0) lfoPhase -= lfoPhase < 2.0 ? 1.0 : floorOf(lfoPhase);

        write(delayLeft, writeLeft, inL);
        write(delayRight, writeRight, inR);

        const double angle = kTwoPi * lfoPhase;
        double sine, cosine;
        SineCosine(angle, sine, cosine);
        const double dL = (sine * depth + centre) * s;
        const double dR = (cosine * depth + centre) * s;
        lastWetLeft = read(delayLeft, writeLeft, dL);
        lastWetRight = read(delayRight, writeRight, dR);

        outputs[0][n] = static_cast<float>((inL * mix + (1.0 - mix) * lastWetLeft) * 1.5);
        outputs[1][n] = static_cast<float>(((1.0 - mix) * lastWetRight + inR * mix) * 1.5);
    }
}

}  // namespace halvorax::synth
