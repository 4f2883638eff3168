// Sysex files: only whole tone dumps are taken, every value lands in 0..1 and the name is
// printable.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "SysexImport.h"

using namespace halvorax;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> copy(data, data + size);
    AlphaJunoToneDump dump;
    if (!dump.parse(copy.empty() ? nullptr : copy.data(), size)) return 0;
    if (size < AlphaJunoToneDump::kSize || copy[53] != 0xF7) std::abort();
    for (int row = 0; row < kNumSysexRows; ++row)
        if (!(dump.value(row) >= 0.0f && dump.value(row) <= 1.0f)) std::abort();
    if (std::strlen(dump.name()) != AlphaJunoToneDump::kNameLength) std::abort();
    for (const char* c = dump.name(); *c; ++c)
        if (*c < 0x20 || *c > 0x7e || *c == '\\' || *c == '/') std::abort();
    return 0;
}
