#include "AlphaChorus.h"

#include <algorithm>
#include <cmath>

#include "AlphaJunoVoice.h"
#include "ChorusSweep.h"

namespace halvorax::synth {

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr int kChunk = 64;

// floor x, without a library call for the values the chorus meets (0 up to 2^52).
double floorOf(double x) {
    if (!(x >= 0.0 && x < 4503599627370496.0)) return std::floor(x);
    const double t = static_cast<double>(static_cast<long long>(x));
    return t > x ? t - 1.0 : t;
}

constexpr int kMask = AlphaChorus::kLineLength - 1;
static_assert((AlphaChorus::kLineLength & kMask) == 0, "the line length is a power of two");

// Writes one sample into a line and advances its write position.
void writeLine(double* line, int& pos, double in) {
    line[pos] = in;
    pos = (pos + 1) & kMask;
}

// Reads a line i + w samples behind its write position (i whole, w the fraction),
// interpolated. Below about 920 Hz the delay falls under one sample, and p is the write
// position itself: the oldest slot.
double readLine(const double* line, int pos, int i, double w) {
    const int p = (pos - i) & kMask;
    const int q = (p - 1) & kMask;
    return w * line[q] + (1.0 - w) * line[p];
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
      centre(128.0),
      depth(80.0),
      lfoPhase(0.0),
      lfoIncrement(0.0) {}

void AlphaChorus::blockProcess(float* const* inputs, float* const* outputs, int count) {
    // A missing host rate must not turn the LFO phase into NaN for good.
    const double sr = sampleRate > 0.0 ? sampleRate : 44100.0;
    lfoIncrement = rate / sr;
    const double s = sr / 44100.0;
    // The settings and states as locals: stores into the delay lines (doubles, like the
    // members) would otherwise make the compiler reload and store them at every sample.
    const double increment = lfoIncrement, gain = inputGain, dry = mix, wet = 1.0 - mix;
    const double sweep = depth, middle = centre;
    // The sweep's longest delay at the highest rate: (128 + 80) * 768000 / 44100 = 3623 samples.
    static_assert((128.0 + 80.0) * AlphaJunoVoice::kHighestRate / 44100.0 < kLineLength - 2, "lines long enough");
    double phase = lfoPhase, wetLeft = lastWetLeft, wetRight = lastWetRight;
    int left = writeLeft & kMask, right = writeRight & kMask;
    for (int start = 0; start < count; start += kChunk) {
        const int n = std::min(kChunk, count - start);
        // The LFO's angles, then the taps from its sine and cosine, several samples at a time
        // (the angles past the chunk are padding). The taps are held inside the lines even at
        // absurd sample rates or rates.
        const int padded = kChunk + kChorusSweepWidest;
        double angle[padded], fractionL[padded], fractionR[padded];
        int wholeL[padded], wholeR[padded];
        for (int k = 0; k < n; ++k) {
            // phase - floor(phase); below 2 the floor is 0 or 1.
            phase += increment;
            if (phase >= 1.0) phase -= phase < 2.0 ? 1.0 : floorOf(phase);
            angle[k] = kTwoPi * phase;
        }
        std::fill(angle + n, angle + padded, 0.0);
        ChorusTapsFor(angle, n, {sweep, middle, s, static_cast<double>(kLineLength - 2)}, {wholeL, fractionL},
                      {wholeR, fractionR});
        // The lines are written and read in a loop of their own, the outputs made after it:
        // stores into the host's buffers between the lines' loads and stores would be taken
        // for their aliases by the processor whenever the buffers happen to lie at the same
        // offsets in a page. The inputs are copied first, as they may be the outputs.
        float inLeft[kChunk], inRight[kChunk];
        std::copy(inputs[0] + start, inputs[0] + start + n, inLeft);
        std::copy(inputs[1] + start, inputs[1] + start + n, inRight);
        double wetL[kChunk], wetR[kChunk];
        for (int k = 0; k < n; ++k) {
            writeLine(delayLeft, left, inLeft[k] * gain);
            writeLine(delayRight, right, inRight[k] * gain);
            wetL[k] = wetLeft = readLine(delayLeft, left, wholeL[k], fractionL[k]);
            wetR[k] = wetRight = readLine(delayRight, right, wholeR[k], fractionR[k]);
        }
        float *outLeft = outputs[0] + start, *outRight = outputs[1] + start;
        for (int k = 0; k < n; ++k) {
            outLeft[k] = static_cast<float>((inLeft[k] * dry + wet * wetL[k]) * 1.5);
            outRight[k] = static_cast<float>((wet * wetR[k] + inRight[k] * dry) * 1.5);
        }
    }
    lfoPhase = phase;
    lastWetLeft = wetLeft;
    lastWetRight = wetRight;
    writeLeft = left;
    writeRight = right;
}

}  // namespace halvorax::synth
