#pragma once

#include <initializer_list>

namespace halvorax::synth {

// The range in which the engine reads each parameter slot. Whoever writes the slots, a value
// outside its range is read as the nearest end, and NaN as the lower end: no slot can push a
// table index, a delay or a sample out of bounds. Values inside keep every bit.
//  - Controls are 0..1; key follow also runs inverted, down to -1 (its input carries a tiny
//    offset of alternating sign).
//  - Whole-number selections and levels run from -1 to one past their highest step: a value
//    outside the steps selects nothing, as it always did, without growing further.
//  - The filter type runs to 2 (a filter that passes its input), switches are 0..1.
// The ranges of slots the engine does not read hold every finite value.
struct SlotRange {
    float lowest;
    float highest;
};

class SlotRanges {
public:
    static constexpr int kSlots = 128;

    static float Limit(int slot, float value) {
        const SlotRange& r = table().ranges[slot];
        return value >= r.lowest ? (value <= r.highest ? value : r.highest) : r.lowest;
    }

private:
    struct Table {
        SlotRange ranges[kSlots];
        constexpr Table() : ranges{} {
            constexpr float kHuge = 3.4028235e38f;
            for (SlotRange& r : ranges) r = {-kHuge, kHuge};
            const int controls[] = {1,  2,  4,  11, 12, 14, 15, 16, 18, 20, 21, 23,
                                    25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 58};
            for (int slot : controls) ranges[slot] = {0.0f, 1.0f};
            ranges[19] = {-1.0f, 1.0f};
            const int steps[][2] = {{0, 3}, {3, 3},  {5, 12}, {6, 3},  {7, 5}, {8, 5},
                                    {9, 3}, {10, 3}, {13, 3}, {17, 3}, {22, 3}};
            for (const auto& s : steps) ranges[s[0]] = {-1.0f, static_cast<float>(s[1] + 1)};
            ranges[59] = {-1.0f, 2.0f};
            for (int slot : {24, 55, 56, 57}) ranges[slot] = {0.0f, 1.0f};
        }
    };
    static const Table& table() {
        static constexpr Table kTable{};
        return kTable;
    }
};

}  // namespace halvorax::synth
