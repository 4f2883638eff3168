#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "Wavetable.h"

using namespace halvorax::synth;

namespace {

// The voice's reads of one table: map[i] of a mapped set, or table t of a fixed set.
float fetchMapped(const Wavetable& w, int i, float x) {
    const int t = w.TableNumber(i);
    return WavetableRead<Lanes<1>>::Mapped(w.data, w.index[t], w.length[t], x);
}
float fetchFixed(const Wavetable& w, int t, float x) {
    return WavetableRead<Lanes<1>>::Fixed(w.data, w.index[t], x, WavetableBank::kFixedLength);
}

const double kPi = 3.14159265358979323846;

// Magnitude of every bin 0..n/2 of one table, by a plain DFT.
std::vector<double> spectrum(const float* data, int n) {
    std::vector<double> mag(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) {
        std::complex<double> sum = 0.0;
        for (int m = 0; m < n; ++m) sum += (double)data[m] * std::polar(1.0, -2.0 * kPi * k * m / n);
        mag[k] = std::abs(sum) / n;
    }
    return mag;
}

double peak(const float* data, int n) {
    double p = 0.0;
    for (int m = 0; m < n; ++m) p = std::max(p, (double)std::fabs(data[m]));
    return p;
}

const float* table(const Wavetable& w, int t) { return w.data + w.index[t]; }

// No partial above K, the mean removed, and partial K present (where the
// naive waveform has one there).
void expectBandLimited(const Wavetable& w, int t, int K, bool oddOnly) {
    const int n = w.length[t];
    const std::vector<double> mag = spectrum(table(w, t), n);
    const double fundamental = mag[1];
    ASSERT_GT(fundamental, 0.01) << "table " << t;
    EXPECT_LT(mag[0], 1e-6 * fundamental + 1e-7) << "table " << t << " mean";
    for (int k = K + 1; k <= n / 2; ++k)
        ASSERT_LT(mag[k], 1e-5 * fundamental) << "table " << t << " bin " << k << " above " << K;
    const int top = (oddOnly && K % 2 == 0) ? K - 1 : K;
    EXPECT_GT(mag[top], 1e-4 * fundamental) << "table " << t << " bin " << top;
}

}  // namespace

// The table each period (MG sets) or frequency (fixed sets) selects, at the edges of the selection:
// {index, table} pairs.
TEST(WavetableMaps, SelectionEdges) {
    const WavetableBank& bank = WavetableBank::Get();
    const int mg[][2] = {{3, 128}, {4, 127}, {8, 126}, {510, 1}, {511, 0}, {22049, 0}};
    for (const auto& c : mg) EXPECT_EQ(bank.MgSawMap()[c[0]], c[1]) << "period " << c[0];
    // A4 (439.996 Hz) is selected one hertz early.
    const int fixed[][2] = {{7, 0}, {438, 68}, {439, 69}, {12542, 126}, {12543, 127}, {22049, 127}};
    for (const auto& c : fixed) EXPECT_EQ(bank.JunoSaw1Map()[c[0]], c[1]) << c[0] << " Hz";
}

TEST(WavetableBandLimits, PerTableLimits) {
    EXPECT_EQ(WavetableBank::MgBandLimit(1), 256);
    EXPECT_EQ(WavetableBank::MgBandLimit(85), 88);
    EXPECT_EQ(WavetableBank::MgBandLimit(86), 85);
    EXPECT_EQ(WavetableBank::MgBandLimit(127), 3);
    EXPECT_EQ(WavetableBank::MgBandLimit(128), 1);
    EXPECT_EQ(WavetableBank::FixedBandLimit(69), 50);
    EXPECT_EQ(WavetableBank::FixedBandLimit(100), 8);
    EXPECT_EQ(WavetableBank::FixedBandLimit(127), 1);
    EXPECT_EQ(WavetableBank::FixedBandLimit(0), 1024);
}

TEST(WavetableBandLimits, MgSetsHaveNoPartialAboveK) {
    const WavetableBank& bank = WavetableBank::Get();
    for (int t : {0, 1, 2, 40, 85, 86, 100, 126, 127, 128}) {
        expectBandLimited(bank.MgSaw(), t, WavetableBank::MgBandLimit(t), false);
        expectBandLimited(bank.MgSqu(), t, WavetableBank::MgBandLimit(t), t != 0);
    }
}

TEST(WavetableBandLimits, FixedSetsHaveNoPartialAboveK) {
    const WavetableBank& bank = WavetableBank::Get();
    for (int t : {0, 16, 17, 40, 69, 100, 120, 127}) {
        const int K = WavetableBank::FixedBandLimit(t);
        expectBandLimited(bank.JunoSaw1(), t, K, false);
        expectBandLimited(bank.JunoSaw4(), t, K, false);
        expectBandLimited(bank.JunoSaw5(), t, K, false);
        // The pulse's top partial may fall on one of its missing harmonics.
        const std::vector<double> mag = spectrum(table(bank.JunoPulse(), t), 2048);
        for (int k = K + 1; k <= 1024; ++k) ASSERT_LT(mag[k], 1e-5 * mag[1]) << t << " " << k;
    }
}

TEST(WavetableBandLimits, TopTableOfMgSawIsHalfTheFundamental) {
    // Table 128 keeps only the fundamental, halved: 1 / (2 N sin(pi / N)).
    const Wavetable saw = WavetableBank::Get().MgSaw();
    const double expected = 0.5 / (512.0 * std::sin(kPi / 512.0));
    EXPECT_NEAR(peak(table(saw, 128), 512), expected, 1e-4);
}

TEST(WavetablePeaks, FixedSetsScaledTo099) {
    const WavetableBank& bank = WavetableBank::Get();
    for (const Wavetable& w : {bank.JunoSaw1(), bank.JunoSaw4(), bank.JunoSaw5(), bank.JunoPulse()})
        for (int t = 0; t < 128; t += 9) EXPECT_NEAR(peak(table(w, t), 2048), 0.99, 1e-6) << t;
}

TEST(WavetablePeaks, MgSetsUnscaled) {
    const WavetableBank& bank = WavetableBank::Get();
    for (const Wavetable& w : {bank.MgSaw(), bank.MgSqu()}) {
        for (int t = 0; t <= 127; ++t) {
            const double p = peak(table(w, t), w.length[t]);
            EXPECT_GT(p, 0.42) << t;
            EXPECT_LT(p, 0.62) << t;
        }
    }
}

TEST(WavetableFetch, MappedSelectsByPeriodAndClampsIndex) {
    const Wavetable saw = WavetableBank::Get().MgSaw();
    const float x = 0.3f;
    auto direct = [&](int t) {
        const float pos = x * saw.length[t];
        const int j = (int)pos;
        const float w = pos - j;
        return (1 - w) * table(saw, t)[j] + w * table(saw, t)[j + 1];
    };
    EXPECT_FLOAT_EQ(fetchMapped(saw, 2, x), direct(128));  // Nyquist: the sine
    EXPECT_FLOAT_EQ(fetchMapped(saw, 10000, x), direct(0));
    EXPECT_FLOAT_EQ(fetchMapped(saw, -5, x), direct(128));
    EXPECT_FLOAT_EQ(fetchMapped(saw, 1 << 30, x), direct(0));
}

TEST(WavetableFetch, PhaseRoundingUpToOneReadsSampleZero) {
    const Wavetable saw1 = WavetableBank::Get().JunoSaw1();
    const float tiny = -1e-10f;  // x - floor(x) rounds to 1.0 in single precision
    EXPECT_FLOAT_EQ(fetchFixed(saw1, 60, tiny), table(saw1, 60)[0]);
    const Wavetable saw = WavetableBank::Get().MgSaw();
    EXPECT_FLOAT_EQ(fetchMapped(saw, 100, tiny), table(saw, saw.map[100])[0]);
}
