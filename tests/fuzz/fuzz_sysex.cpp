// Single sysex messages: a tone APR or an IPR is taken only whole, every value lands in its
// range, and the tone's bytes come back the same when written again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "JunoSysex.h"

using namespace halvorax;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> copy(data, data + size);
    const unsigned char* bytes = copy.empty() ? nullptr : copy.data();
    int position = 0, value = 0;
    if (juno::decodeIpr(bytes, size, position, value) && (value < 0 || value > juno::maximum(position))) std::abort();
    juno::Tone tone;
    if (!juno::decodeApr(bytes, size, tone)) return 0;
    if (size != juno::kAprSize && size != juno::kAprUnnamedSize) std::abort();
    for (int p = 0; p < juno::kToneBytes; ++p)
        if (tone.values[p] > juno::maximum(p)) std::abort();
    unsigned char again[juno::kAprSize];
    juno::encodeApr(tone, 0, again);
    juno::Tone back;
    if (!juno::decodeApr(again, sizeof again, back) || std::memcmp(back.values, tone.values, sizeof tone.values) != 0)
        std::abort();
    return 0;
}
