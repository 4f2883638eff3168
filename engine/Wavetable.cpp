#include "Wavetable.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "Transcendentals.h"

namespace halvorax::synth {

namespace {

using Complex = std::complex<double>;
const double kPi = 3.14159265358979323846;

// Discrete Fourier transforms of one length: radix-2 for powers of two, a
// plain DFT otherwise (the 511-sample table). Unscaled in both directions.
class Fourier {
public:
    explicit Fourier(size_t n) : n(n), root(n) {
        for (size_t k = 0; k < n; ++k) {
            const double angle = -2.0 * kPi * (double)k / (double)n;
            root[k] = Complex(Sine(angle, true), Sine(angle));
        }
    }
    void Forward(std::vector<Complex>& a) const { transform(a, false); }
    void Inverse(std::vector<Complex>& a) const { transform(a, true); }

private:
    // e^(-+2 pi i k / n), the conjugate for the inverse.
    Complex rootAt(size_t k, bool inverse) const { return inverse ? std::conj(root[k]) : root[k]; }

    void transform(std::vector<Complex>& a, bool inverse) const {
        if ((n & (n - 1)) == 0)
            fft(a, inverse);
        else
            dft(a, inverse);
    }

    void fft(std::vector<Complex>& a, bool inverse) const {
        for (size_t i = 1, j = 0; i < n; ++i) {
            size_t bit = n >> 1;
            for (; j & bit; bit >>= 1) j ^= bit;
            j ^= bit;
            if (i < j) std::swap(a[i], a[j]);
        }
        // Stage len uses every (n / len)-th root; products written out in real
        // arithmetic (std::complex adds checks for infinities).
        double* d = reinterpret_cast<double*>(a.data());
        for (size_t len = 2; len <= n; len <<= 1) {
            const size_t half = len / 2, stride = n / len;
            for (size_t i = 0; i < n; i += len) {
                for (size_t k = 0; k < half; ++k) {
                    const Complex w = rootAt(k * stride, inverse);
                    const double wr = w.real(), wi = w.imag();
                    double* u = d + 2 * (i + k);
                    double* v = d + 2 * (i + k + half);
                    const double vr = v[0] * wr - v[1] * wi, vi = v[0] * wi + v[1] * wr;
                    v[0] = u[0] - vr;
                    v[1] = u[1] - vi;
                    u[0] += vr;
                    u[1] += vi;
                }
            }
        }
    }

    void dft(std::vector<Complex>& a, bool inverse) const {
        std::vector<Complex> out(n);
        for (size_t k = 0; k < n; ++k) {
            Complex sum = 0.0;
            for (size_t m = 0; m < n; ++m) sum += a[m] * rootAt((k * m) % n, inverse);
            out[k] = sum;
        }
        a = out;
    }

    size_t n;
    std::vector<Complex> root;
};

// Keeps bins 1..K (and their mirrors), zeroes the mean and everything above K,
// halves the `halved` highest kept bins. A bin at exactly n/2 has no mirror.
std::vector<Complex> bandLimit(const std::vector<Complex>& spectrum, int K, int halved) {
    const int n = (int)spectrum.size();
    std::vector<Complex> out(n, 0.0);
    for (int k = 1; k <= K && k <= n / 2; ++k) {
        const double gain = (k > K - halved) ? 0.5 : 1.0;
        out[k] = spectrum[k] * gain;
        if (n - k != k) out[n - k] = spectrum[n - k] * gain;
    }
    return out;
}

// Band-limits two real waveforms of one length with one inverse transform:
// spectra A and B (both Hermitian) go in as A + iB, the result is a + ib.
void bandLimitPair(const Fourier& fourier, const std::vector<Complex>& spectrumA, const std::vector<Complex>& spectrumB,
                   int K, int halved, std::vector<double>& a, std::vector<double>& b) {
    const size_t n = spectrumA.size();
    std::vector<Complex> limitedA = bandLimit(spectrumA, K, halved);
    std::vector<Complex> limitedB = bandLimit(spectrumB, K, halved);
    for (size_t k = 0; k < n; ++k) limitedA[k] += Complex(0.0, 1.0) * limitedB[k];
    fourier.Inverse(limitedA);
    a.resize(n);
    b.resize(n);
    for (size_t m = 0; m < n; ++m) {
        a[m] = limitedA[m].real() / (double)n;
        b[m] = limitedA[m].imag() / (double)n;
    }
}

std::vector<Complex> spectrumOf(const Fourier& fourier, const std::vector<double>& wave) {
    std::vector<Complex> a(wave.begin(), wave.end());
    fourier.Forward(a);
    return a;
}

// Naive (not band-limited) shapes, sampled at n points per cycle.
std::vector<double> naiveMgSaw(int n) {
    std::vector<double> w(n);
    for (int m = 0; m < n; ++m) w[m] = 2 * m < n ? (double)m / n : (double)m / n - 1.0;
    return w;
}

std::vector<double> naiveMgSquare(int n) {
    std::vector<double> w(n);
    for (int m = 0; m < n; ++m) w[m] = 2 * m < n ? 0.5 : -0.5;
    return w;
}

// A ramp or a high level in the given sixteenths of the cycle, 0 elsewhere.
std::vector<double> naiveSixteenths(int n, unsigned sixteenthMask, bool ramp) {
    std::vector<double> w(n);
    for (int m = 0; m < n; ++m) {
        const int sixteenth = (16 * m) / n;
        const bool on = (sixteenthMask >> sixteenth) & 1u;
        w[m] = on ? (ramp ? (double)m / n : 1.0) : 0.0;
    }
    return w;
}

double noteFrequency(int note) { return 440.0 * Exp2<Lanes<1>>((note - 69) / 12.0); }

void storeScaled(const std::vector<double>& wave, double peakTarget, float* out) {
    double peak = 0.0;
    for (double v : wave) peak = std::max(peak, std::fabs(v));
    const double scale = peak > 0.0 ? peakTarget / peak : 1.0;
    for (size_t m = 0; m < wave.size(); ++m) out[m] = (float)(wave[m] * scale);
}

}  // namespace

int WavetableBank::MgBandLimit(int table) {
    if (table <= 0) return 255;  // 511 samples: every bin
    if (table <= 85) return 258 - 2 * table;
    if (table <= 127) return 257 - 2 * table;
    return 1;
}

int WavetableBank::FixedBandLimit(int table) {
    const int K = (int)std::floor(22050.0 / noteFrequency(table));
    return std::min(K, 1024);
}

const WavetableBank& WavetableBank::Get() {
    static const WavetableBank bank;
    return bank;
}

WavetableBank::WavetableBank() {
    buildMaps();
    buildMgSets();
    buildFixedSets();
}

void WavetableBank::buildMaps() {
    for (int p = 0; p < kMapSize; ++p) mgsawMap[p] = (uint8_t)(p < 511 ? 128 - p / 4 : 0);
    double noteHz[128];
    for (int n = 0; n < 128; ++n) noteHz[n] = noteFrequency(n);
    int entry = 0;
    for (int f = 0; f < kMapSize; ++f) {
        while (entry < 127 && noteHz[entry + 1] <= f + 1.0) ++entry;
        junosaw1Map[f] = (uint8_t)entry;
    }
}

void WavetableBank::buildMgSets() {
    mgLength[0] = kMgLength - 1;
    mgIndex[0] = 0;
    for (int t = 1; t < kMgTables; ++t) {
        mgLength[t] = kMgLength;
        mgIndex[t] = kMgLength * t - 1;
    }
    std::vector<double> a, b;
    const int lengths[] = {kMgLength - 1, kMgLength};
    for (int n : lengths) {
        const Fourier fourier(n);
        const std::vector<Complex> saw = spectrumOf(fourier, naiveMgSaw(n));
        const std::vector<Complex> square = spectrumOf(fourier, naiveMgSquare(n));
        for (int t = 0; t < kMgTables; ++t) {
            if (mgLength[t] != n) continue;
            bandLimitPair(fourier, saw, square, MgBandLimit(t), 1, a, b);
            for (int m = 0; m < n; ++m) {
                mgsaw[mgIndex[t] + m] = (float)a[m];
                mgsqu[mgIndex[t] + m] = (float)b[m];
            }
        }
    }
}

void WavetableBank::buildFixedSets() {
    const int n = kFixedLength;
    const Fourier fourier(n);
    const std::vector<Complex> saw1 = spectrumOf(fourier, naiveSixteenths(n, 0xFFFFu, true));
    const std::vector<Complex> saw4 = spectrumOf(fourier, naiveSixteenths(n, 0xAAAAu, true));
    const std::vector<Complex> saw5 = spectrumOf(fourier, naiveSixteenths(n, 0xA0A0u, true));
    const std::vector<Complex> pulse = spectrumOf(fourier, naiveSixteenths(n, 0xAA00u, false));
    std::vector<double> a, b;
    for (int t = 0; t < kFixedTables; ++t) {
        fixedLength[t] = n;
        fixedIndex[t] = n * t;
        const int K = FixedBandLimit(t);
        bandLimitPair(fourier, saw1, saw4, K, 2, a, b);
        storeScaled(a, 0.99, junosaw1 + n * t);
        storeScaled(b, 0.99, junosaw4 + n * t);
        bandLimitPair(fourier, saw5, pulse, K, 2, a, b);
        storeScaled(a, 0.99, junosaw5 + n * t);
        storeScaled(b, 0.99, junopulse + n * t);
    }
}

Wavetable WavetableBank::MgSaw() const { return {mgsawMap, kMapSize, mgLength, mgIndex, mgsaw}; }
Wavetable WavetableBank::MgSqu() const { return {mgsawMap, kMapSize, mgLength, mgIndex, mgsqu}; }
Wavetable WavetableBank::JunoSaw1() const { return {junosaw1Map, kMapSize, fixedLength, fixedIndex, junosaw1}; }
Wavetable WavetableBank::JunoSaw4() const { return {junosaw1Map, kMapSize, fixedLength, fixedIndex, junosaw4}; }
Wavetable WavetableBank::JunoSaw5() const { return {junosaw1Map, kMapSize, fixedLength, fixedIndex, junosaw5}; }
Wavetable WavetableBank::JunoPulse() const { return {junosaw1Map, kMapSize, fixedLength, fixedIndex, junopulse}; }

}  // namespace halvorax::synth
