// Single-tone dumps of the Alpha Juno hardware (54 bytes: F0 41 35 0n 23 20 01, 36 tone
// parameter bytes, 10 name characters, F7) turned into parameter values and a patch name.
#pragma once

#include <cstddef>

#include "ParameterTable.h"

namespace halvorax {

// One row per tone parameter byte, in byte order from byte 7; the maximum is the divisor.
constexpr int kNumSysexRows = 36;
extern const ParameterRow sysexparameters[kNumSysexRows];

class AlphaJunoToneDump {
public:
    static constexpr std::size_t kSize = 54;
    static constexpr int kFirstParameterByte = 7;
    static constexpr int kFirstNameByte = 43;
    static constexpr int kNameLength = 10;

    // Reads a dump; false (and nothing kept) when the bytes are not a whole tone dump.
    bool parse(const unsigned char* bytes, std::size_t size);

    // Normalized value of a row of `sysexparameters`: the byte ÷ the row's maximum, a byte
    // above the maximum held to 1.0.
    float value(int row) const { return values[row]; }
    const char* name() const { return patchName; }

    // The Alpha Juno character code: A-Z, a-z, 0-9, space, "-"; other bytes stand for
    // themselves when they are printable and cannot be taken for a path separator.
    static char character(unsigned char code);

private:
    float values[kNumSysexRows] = {};
    char patchName[kNameLength + 1] = {};
};

}  // namespace halvorax
