// The parameter map TDParameters.txt: which VST parameters the Audio Unit host sees, under
// which names, ranges, units and display kinds.
//
// Plain 8-bit text, one record per line (CR, LF or CR LF), the first line a header. A record
// has seven fields separated by runs of tabs: VST index (optionally followed by "+", global
// meta), name, minimum, maximum, display kind ("=", "?", "b" or value names joined by "|"),
// unit ("-" for none) and default. Malformed records are skipped silently.
#pragma once

#include <AudioUnit/AudioUnitProperties.h>

#include <string>

#include "EffectAccess.h"

namespace tandem {

constexpr int kMaxMappedParameters = 1024;
constexpr const char* kParameterMapHeader = "vst param #\tname\tmin\tmax\tdisplay\tunit\tdefault\r";

enum : UInt32 {
    kMappedParameterFlags = 0xC8000000u,    // readable, writable, has name string
    kMappedWithStringsFlags = 0xC8200000u,  // ... and values have strings
    kMappedGlobalMetaFlag = 0x10000000u
};

// The component's arrays the map fills: one info record and one value-string array per VST
// parameter (zeroed / null on entry), and the mapped indices in file order.
struct ParameterMapping {
    int32_t parameterCount;
    AudioUnitParameterInfo* parameterInfos;
    CFArrayRef* parameterValueStrings;
    UInt32* mappedParameters;  // kMaxMappedParameters entries
    SInt32* mappedParameterCount;
};

class ParameterMap {
public:
    // The default map: the header and one record per parameter, probing each parameter's
    // display at 0.0, 0.5 and 1.0 to tell linear numeric parameters from others. The
    // parameter's value is set back afterwards.
    static std::string createDefault(EffectAccess& effect, bool vstSupportsExtensions);

    // Fills `mapping` from map text. An empty text raises EOFException "End of file error";
    // more than 1024 mapped records raise TandemException "Too many mapped parameters".
    static void read(const unsigned char* bytes, size_t size, const ParameterMapping& mapping);

    // Releases the strings and arrays `read` created and zeroes the records.
    static void release(const ParameterMapping& mapping);

    // A text that is a number in full (locale-independent); false otherwise.
    static bool parseNumber(const char* text, double& value);
    static std::string formatNumber(double value);  // as "%g" in the C locale
};

}  // namespace tandem
