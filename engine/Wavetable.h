#pragma once

#include <cstdint>

namespace halvorax::synth {

// One set of band-limited single-cycle tables and the map that picks a table.
// The fields point into the process-wide tables of WavetableBank and never change.
class Wavetable {
public:
    Wavetable() = default;
    Wavetable(const uint8_t* map, int mapSize, const int* length, const int* index,
              const float* data)
        : map(map), mapSize(mapSize), length(length), index(index), data(data) {}

    // One table of the set: its first sample and its length.
    struct Table {
        const float* samples;
        int length;
    };

    // The table map[i] selects, i clamped to the map.
    Table Select(int i) const { return TableAt(TableNumber(i)); }
    // The number of the table map[i] selects, i clamped to the map.
    int TableNumber(int i) const {
        if (i < 0) i = 0;
        if (i > mapSize - 1) i = mapSize - 1;
        return map[i];
    }
    // Table t of the set.
    Table TableAt(int t) const { return {data + index[t], length[t]}; }

    // Linear-interpolated read of one table at phase x.
    static float Read(const Table& table, float x) {
        const float f = x - floorFast(x);
        const int n = table.length;
        const float pos = f * (float)n;
        int j = (int)pos;
        const float w = pos - (float)j;
        int k = j + 1;
        if (k >= n) k -= n;
        if (j >= n) j -= n;  // f rounded up to 1.0
        return (1.0f - w) * table.samples[j] + w * table.samples[k];
    }

    // Linear-interpolated read of the table map[i] (i clamped to the map) at phase x.
    float FetchMapped(int i, float x) const { return Read(Select(i), x); }

    // Linear-interpolated read of table t, holding n samples, at phase x.
    float FetchFixed(int t, float x, int n) const {
        const float pos = (float)n * (x - floorFast(x));
        const int whole = (int)pos;
        // The weight comes from the unwrapped position, so a phase that rounds
        // up to a whole cycle reads sample 0 instead of extrapolating.
        const float w = pos - (float)whole;
        const int j = (int)((unsigned)whole % (unsigned)n);  // pos is never negative
        const float* table = data + index[t];
        int k = j + 1;
        if (k >= n) k -= n;
        return (1.0f - w) * table[j] + w * table[k];
    }

    const uint8_t* map = nullptr;
    int mapSize = 0;
    const int* length = nullptr;
    const int* index = nullptr;
    const float* data = nullptr;

private:
    static float floorFast(float x) {
        float t = (float)(int)x;
        return t > x ? t - 1.0f : t;
    }
};

// The six table sets and two maps shared by every voice, built once per process
// from their naive waveforms by discrete Fourier band-limiting.
class WavetableBank {
public:
    enum { kMapSize = 22050, kMgTables = 129, kMgLength = 512, kFixedTables = 128,
           kFixedLength = 2048 };

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
