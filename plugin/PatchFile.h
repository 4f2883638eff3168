// The ".repatch" text: an XML document whose value entries carry the parameter rows of the
// first and second file block. Writing is byte-exact; reading looks only for value entries,
// so entry order and extra elements do not matter.
#pragma once

#include <cstddef>
#include <string>

#include "ParameterTable.h"

namespace halvorax {

class PatchFile {
public:
    // Reverse-domain identifier in the two Properties elements.
    static constexpr const char* kProductId = "com.brindlecove.halvorax";
    // Tokens are cut to this many characters; longer property ids match no row.
    static constexpr std::size_t kMaxTokenLength = 255;
    static constexpr std::size_t kMaxIdLength = 63;
    // Far above any real patch file (about 5 KB); larger files are not read.
    static constexpr std::size_t kMaxFileSize = 1u << 20;

    // The complete text for these parameter values. Chord count and notes (48 to 54) are
    // plain numbers here, so they are written scaled by their row maximum.
    static std::string format(const float values[kNumParameters]);

    // Applies every value entry of the text to `values`, in file order: the row's index gets
    // the entry's number ÷ the row's maximum, held to clampParameter's range (the chord count
    // and notes cut to whole numbers). Returns the number of entries applied.
    static int parse(const char* text, std::size_t size, float values[kNumParameters]);
};

}  // namespace halvorax
