// How the Alpha Juno's tones map onto the instrument's parameters, and what a sysex file
// holds for the import.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "JunoSysex.h"
#include "ParameterTable.h"

namespace halvorax {

// Normalized value of the parameter at an APR position (0..35) for a tone: the byte ÷ the
// parameter's maximum.
float toneValue(const juno::Tone& tone, int position);

// The tone of a sound: each parameter value × its row's maximum, truncated as patch files
// truncate, so a value read from a tone gives that tone's byte back; the name in the 6-bit code.
juno::Tone toneFromParameters(const float values[kNumParameters], const char* name);

// The patch name a tone brings: its ten characters, or `fallback` when it carries none.
std::string toneName(const juno::Tone& tone, const std::string& fallback);

// The tone name of a patch: its file name without ".repatch" and without the "NN " number a
// bank import puts in front.
std::string toneNameOfPatch(const std::string& patchFile);

// What a sysex file holds for the import: the bank tones (BLD or DAT, numbered 1..64, as many
// as are complete) and the single tones (APR) in file order.
struct NumberedTone {
    int number;
    juno::Tone tone;
};
struct SysexContents {
    std::vector<NumberedTone> bankTones;
    std::vector<juno::Tone> singleTones;
    bool empty() const { return bankTones.empty() && singleTones.empty(); }
};
SysexContents readSysex(const unsigned char* bytes, std::size_t size);

}  // namespace halvorax
