// The lane tanh against the C library's, bit for bit, on processors where the
// library itself takes its FMA path (the lane code exists only for those).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "VoiceGroup.h"

void laneTanh4(const double* in, double* out, long count);
void laneTanh8(const double* in, double* out, long count);

using namespace halvorax::synth;

namespace {

bool sameBits(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

double fromBits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Every branch boundary of tanh and of expm1 on its arguments (2|x| or -2|x|),
// a few ulps either side, plus dense random values over the range that matters
// and random bit patterns.
std::vector<double> probeValues() {
    std::vector<double> v;
    const double inf = std::numeric_limits<double>::infinity();
    const double ln2 = 0.6931471805599453;
    const double edges[] = {0.0,        1.0,      22.0,     0x1p-55,   0x1p-54,  0.25 * ln2,
                            0.75 * ln2, 0.5 * ln2, 28.0 * ln2, 19.5 * ln2, 20.5 * ln2, 56.5 * ln2 / 2,
                            inf,        1e-300,   1e300,    0.5,       2.0};
    for (double e : edges) {
        for (double sign : {1.0, -1.0}) {
            double x = sign * e;
            for (int s = 0; s < 8; ++s) x = std::nextafter(x, -sign * inf);
            for (int s = 0; s < 16; ++s, x = std::nextafter(x, sign * inf)) v.push_back(x);
        }
    }
    // High-word thresholds of expm1, reached through 2|x|: every low word pattern matters.
    std::mt19937_64 rng(20261206);
    for (uint64_t high : {0x3fd62e42ull, 0x3fd62e43ull, 0x3ff0a2b1ull, 0x3ff0a2b2ull, 0x40436879ull,
                          0x4043687aull, 0x3c8fffffull, 0x3c900000ull}) {
        for (int i = 0; i < 64; ++i) {
            const double a = fromBits(high << 32 | (rng() & 0xffffffffull));
            v.push_back(a / 2.0);
            v.push_back(-a / 2.0);
        }
    }
    v.push_back(std::numeric_limits<double>::quiet_NaN());
    v.push_back(-std::numeric_limits<double>::quiet_NaN());
    std::uniform_real_distribution<double> audio(-4.0, 4.0), wide(-30.0, 30.0);
    for (int i = 0; i < 400000; ++i) v.push_back(audio(rng));
    for (int i = 0; i < 100000; ++i) v.push_back(wide(rng));
    for (int i = 0; i < 100000; ++i) v.push_back(fromBits(rng()));
    while (v.size() % 8 != 0) v.push_back(0.125);
    return v;
}

void expectLibraryTanh(void (*lanes)(const double*, double*, long)) {
    const std::vector<double> in = probeValues();
    std::vector<double> out(in.size());
    lanes(in.data(), out.data(), (long)in.size());
    int mismatches = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const double expected = std::tanh(in[i]);
        if (!sameBits(expected, out[i]) && ++mismatches <= 5)
            ADD_FAILURE() << std::hexfloat << "tanh(" << in[i] << ") = " << expected << ", lanes gave " << out[i];
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace

TEST(LaneMath, FourLaneTanhIsTheLibrarysBitForBit) {
    if (VoiceGroup::Lanes() < 4) GTEST_SKIP() << "no AVX2 and FMA on this processor";
    expectLibraryTanh(laneTanh4);
}

TEST(LaneMath, EightLaneTanhIsTheLibrarysBitForBit) {
    if (VoiceGroup::Lanes() < 8) GTEST_SKIP() << "no AVX-512 on this processor";
    expectLibraryTanh(laneTanh8);
}
