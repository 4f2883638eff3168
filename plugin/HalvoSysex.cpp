// Import of single-tone dumps made on the Alpha Juno hardware.
#include <cstdio>
#include <string>

#include "HalvoVST2.h"
#include "SafeFile.h"
#include "SysexImport.h"

namespace halvorax {

bool HalvoVST2::ImportSysex(const char* path) {
    std::string bytes;
    if (!readRegularFile(path, AlphaJunoToneDump::kSize, bytes)) {
        std::printf("HalvoVST2::ImportSysex() Couldn't open input file\n");
        std::fflush(stdout);
        return false;
    }
    AlphaJunoToneDump dump;
    if (!dump.parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) {
        std::printf("Not an Alpha Juno Sysex Patch\n");
        std::printf("Try setting MIDI Excl on your Alpha Juno\n");
        std::printf("and use the Alpha Base software to save a single patch\n");
        std::fflush(stdout);
        return false;
    }
    for (int row = 0; row < kNumSysexRows; ++row) setParameter(sysexparameters[row].index, dump.value(row));
    std::snprintf(patchFile, sizeof patchFile, "%s", dump.name());
    return true;
}

}  // namespace halvorax
