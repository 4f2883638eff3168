// Factory presets: the list file TDFactoryPresets.txt and the .aupreset files it names, and
// the writing of one preset file per program of the effect.
//
// The list has one entry per line (CR, LF or CR LF). Leading spaces are ignored; a line that
// is then empty or starts with ";" is skipped; every other line names an .aupreset file in the
// list's folder. At most 128 entries are read.
#pragma once

#include <AudioUnit/AudioUnitProperties.h>
#include <CoreServices/Components.h>

#include <string>
#include <vector>

#include "EffectAccess.h"

namespace tandem {

constexpr int kMaxFactoryPresets = 128;
constexpr const char* kFactoryPresetListName = "TDFactoryPresets.txt";
constexpr const char* kBankPresetFileName = "FactoryPreset.aupreset";

class FactoryPresets {
public:
    // The file names the list text names, in order, at most 128.
    static std::vector<std::string> parseList(const unsigned char* bytes, size_t size);

    // Loads the presets of the list file from `folder` into presets[n] / data[n] (n = position)
    // and appends a pointer to each entry to `array`. The first entry that fails (a missing or
    // unreadable file, a parse error, a missing or mistyped key) ends the loading there; the
    // entries before it stay. Returns the number loaded; a list that cannot be read gives 0.
    static int load(const std::string& listPath, const std::string& folder, AUPreset* presets, CFDataRef* data,
                    CFMutableArrayRef array);

    // Writes the factory presets of the effect's current state into `folder` and returns the
    // list text: with presetIsFXB one bank named "Default" in "FactoryPreset.aupreset",
    // otherwise one file per program (convertLoadedPrograms). Failures are raised.
    static std::string create(EffectAccess& effect, const ComponentDescription& description, bool presetIsFXB,
                              const std::string& folder);

    // One preset file per program, named after the program: leading and trailing spaces are
    // trimmed, empty names skipped, and a program named like the one last written is skipped,
    // so runs of equal names give one file. With `list`, each file name and a CR are appended
    // to it. The program selection is restored afterwards, also on failure.
    static void convertLoadedPrograms(EffectAccess& effect, const ComponentDescription& description,
                                      const std::string& folder, std::string* list);

    // The file name for a program name: the name and ".aupreset", with "/" (which a file name
    // cannot hold) replaced by "-".
    static std::string presetFileName(const std::string& programName);
};

}  // namespace tandem
