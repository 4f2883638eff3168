// Patch text: reading must survive anything, keep every value in its range, and what it
// writes back must read and write again unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PatchFile.h"

using namespace halvorax;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    float values[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i) values[i] = 0.5f;
    PatchFile::parse(reinterpret_cast<const char*>(data), size, values);
    for (int i = 0; i < kNumParameters; ++i)
        if (!(values[i] >= 0.0f && values[i] <= parameterLimit(i))) std::abort();

    // The first write truncates every value to its step; after that the text is stable.
    const std::string first = PatchFile::format(values);
    if (PatchFile::parse(first.data(), first.size(), values) != 54) std::abort();
    const std::string second = PatchFile::format(values);
    if (PatchFile::parse(second.data(), second.size(), values) != 54) std::abort();
    if (PatchFile::format(values) != second) std::abort();
    return 0;
}
