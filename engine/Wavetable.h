#pragma once

#include <cstdint>

#include "LaneTypes.h"

namespace halvorax::synth {

// One set of band-limited single-cycle tables and the map that picks a table.
// The fields point into the process-wide tables of WavetableBank and never change.
class Wavetable {
public:
    Wavetable() = default;
    Wavetable(const uint8_t* map, int mapSize, const int* length, const int* index, const float* data)
        : map(map), mapSize(mapSize), length(length), index(index), data(data) {}

    // The number of the table map[i] selects, i clamped to the map.
    int TableNumber(int i) const {
        if (i < 0) i = 0;
        if (i > mapSize - 1) i = mapSize - 1;
        return map[i];
    }

    const uint8_t* map = nullptr;
    int mapSize = 0;
    const int* length = nullptr;
    const int* index = nullptr;
    const float* data = nullptr;
};

// Linear-interpolated reads of the tables at a phase, over the lanes L (LaneTypes.h): the
// way the voice reads its oscillators.
template <class L>
struct WavetableRead {
    typedef typename L::D D;
    typedef typename L::F F;
    typedef typename L::I32 I32;
    typedef typename L::U32 U32;

    // A table of a mapped set (its first sample and length).
    static F Mapped(const float* data, I32 base, I32 length, D phase) {
        const F x = Convert<F>(phase);
        const F whole = Convert<F>(Convert<I32>(x));
        const F fraction = x - (whole > x ? whole - 1.0f : whole);
        const F pos = fraction * Convert<F>(length);
        I32 j = Convert<I32>(pos);
        const F w = pos - Convert<F>(j);
        I32 k = j + 1;
        k = k >= length ? k - length : k;
        j = j >= length ? j - length : j;  // the fraction rounded up to 1.0
        return (1.0f - w) * L::Gather(data, base + j) + w * L::Gather(data, base + k);
    }

    // A table of a fixed-length set (its first sample).
    static F Fixed(const float* data, I32 base, D phase, int n) {
        const F x = Convert<F>(phase);
        const F whole = Convert<F>(Convert<I32>(x));
        const F pos = (float)n * (x - (whole > x ? whole - 1.0f : whole));
        const I32 cell = Convert<I32>(pos);
        // The weight comes from the unwrapped position, so a phase that rounds up to a
        // whole cycle reads sample 0 instead of extrapolating.
        const F w = pos - Convert<F>(cell);
        const I32 j = Reinterpret<I32>(Reinterpret<U32>(cell) % (unsigned)n);  // pos is never negative
        I32 k = j + 1;
        k = k >= n ? k - n : k;
        return (1.0f - w) * L::Gather(data, base + j) + w * L::Gather(data, base + k);
    }
};

// The six table sets and two maps shared by every voice, built once per process
// from their naive waveforms by discrete Fourier band-limiting.
class WavetableBank {
public:
    enum { kMapSize = 22050, kMgTables = 129, kMgLength = 512, kFixedTables = 128, kFixedLength = 2048 };

    // The process-wide bank, built on first use (thread-safe static initialisation).
    static const WavetableBank& Get();

    Wavetable MgSaw() const;
    Wavetable MgSqu() const;
    Wavetable JunoSaw1() const;
    Wavetable JunoSaw4() const;
    Wavetable JunoSaw5() const;
    Wavetable JunoPulse() const;

    const uint8_t* MgSawMap() const { return mgsawMap; }
    const uint8_t* JunoSaw1Map() const { return junosaw1Map; }

    // Highest band-limit bin kept by a table (for the fixed sets, table t).
    static int MgBandLimit(int table);
    static int FixedBandLimit(int table);

    // Builds every table (about 4.7 MB): use Get() rather than a bank of your own.
    WavetableBank();

private:
    void buildMaps();
    void buildMgSets();
    void buildFixedSets();

    // Each map is followed by spare bytes so that lane code may read any entry
    // as the low byte of a 32-bit word.
    enum { kMapPadding = 4 };
    uint8_t mgsawMap[kMapSize + kMapPadding] = {};
    uint8_t junosaw1Map[kMapSize + kMapPadding] = {};
    int mgLength[kMgTables];
    int mgIndex[kMgTables];
    int fixedLength[kFixedTables];
    int fixedIndex[kFixedTables];
    float mgsaw[kMgTables * kMgLength - 1];
    float mgsqu[kMgTables * kMgLength - 1];
    float junosaw1[kFixedTables * kFixedLength];
    float junosaw4[kFixedTables * kFixedLength];
    float junosaw5[kFixedTables * kFixedLength];
    float junopulse[kFixedTables * kFixedLength];
};

}  // namespace halvorax::synth
