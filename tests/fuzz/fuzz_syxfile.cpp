// Whole sysex files: the reader walks any bytes without reading outside them, finds at most
// 64 bank tones numbered 1..64 in order, and every value it gives is within its range.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "SysexImport.h"

using namespace halvorax;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> copy(data, data + size);
    const SysexContents contents = readSysex(copy.empty() ? nullptr : copy.data(), size);
    if (contents.bankTones.size() > static_cast<std::size_t>(juno::kBankTones)) std::abort();
    int last = 0;
    for (const NumberedTone& tone : contents.bankTones) {
        if (tone.number <= last || tone.number > juno::kBankTones) std::abort();
        last = tone.number;
    }
    auto check = [](const juno::Tone& tone) {
        for (int p = 0; p < juno::kToneBytes; ++p)
            if (tone.values[p] > juno::maximum(p)) std::abort();
        for (int row = 0; row < kNumSysexRows; ++row)
            if (!(toneValue(tone, row) >= 0.0f && toneValue(tone, row) <= 1.0f)) std::abort();
    };
    for (const NumberedTone& tone : contents.bankTones) check(tone.tone);
    for (const juno::Tone& tone : contents.singleTones) check(tone);
    return 0;
}
