#include "JunoEnvelope.h"

#include <cmath>

namespace halvorax::synth {

namespace {

// Segment times, piecewise linear between the breakpoints of the hardware's
// time curve and stored to 8 decimal places.
struct EnvTimeTable {
    double seconds[128];
    EnvTimeTable() {
        static const int index[] = {0, 16, 32, 50, 64, 80, 90, 100, 110, 127};
        static const double time[] = {0.0,        0.01505669, 0.03945578, 0.14129252, 0.36972789,
                                      1.11891156, 2.26181406, 4.43911565, 8.87292517, 33.32564626};
        for (int s = 0; s + 1 < 10; ++s) {
            for (int i = index[s]; i <= index[s + 1]; ++i) {
                const double v = time[s] + (time[s + 1] - time[s]) * (i - index[s]) / (double)(index[s + 1] - index[s]);
                seconds[i] = std::round(v * 1e8) / 1e8;
            }
        }
    }
};

// Built on first use, so that other start-up code may already read it.
const EnvTimeTable& envTime() {
    static const EnvTimeTable table;
    return table;
}

int clampIndex(int i) { return i < 1 ? 1 : (i > 127 ? 127 : i); }

double rateOf(int index, double sampleRate) { return (float)(1.0 / (sampleRate * envTime().seconds[index] + 1.0)); }

}  // namespace

double JunoEnvTime(int index) { return envTime().seconds[index]; }

int JunoEnvIndex(double x) { return clampIndex((int)((float)x * 127.0f)); }

float parameterToEnvTimeTC(double x, double sampleRate) { return (float)rateOf(JunoEnvIndex(x), sampleRate); }

JunoEnvelopeRates<Lanes<1>> JunoEnvelopeRatesFor(float t1, float t2, float t3, float t4, double keyRate,
                                                 double sampleRate) {
    const int attack = clampIndex((int)((float)(t1 * 0.99 + 0.01) * 127.0f));
    const int fall = clampIndex((int)((float)(t2 * 0.8111 + 0.1889) * 127.0f));
    JunoEnvelopeRates<Lanes<1>> r;
    r.attack = rateOf(attack, sampleRate) * keyRate;
    r.decayFall = rateOf(fall, sampleRate) * keyRate;
    r.decayRise = rateOf(JunoEnvIndex(t2), sampleRate) * keyRate;
    r.sustain = rateOf(JunoEnvIndex(t3), sampleRate) * keyRate;
    r.release = rateOf(JunoEnvIndex(t4), sampleRate) * keyRate;
    return r;
}

}  // namespace halvorax::synth
