// One-time conversion of VST preset files (.fxp, .fxb) found in the Audio Unit preset folders
// into .aupreset files. The folders, for a component named "Maker: Product":
//
//   user domain    $XDG_DATA_HOME/Audio/Presets/Maker/Product/   (XDG_DATA_HOME: ~/.local/share)
//   local domain   <first folder of $XDG_DATA_DIRS>/Audio/Presets/Maker/Product/
//                  (XDG_DATA_DIRS: /usr/local/share:/usr/share)
//
// The domain's Audio folder is not created when missing (the domain is then skipped); the
// Presets folder and the component's folders below it are. A converted file leaves its result
// behind (an .aupreset file, or a folder for a bank), which marks it done for later runs.
#pragma once

#include <CoreServices/Components.h>

#include <string>
#include <vector>

#include "EffectAccess.h"

namespace tandem {

class PresetConversion {
public:
    PresetConversion(EffectAccess& effect, const ComponentDescription& description, bool presetIsFXB)
        : effect(effect), description(description), presetIsFXB(presetIsFXB) {}

    // The Audio folders of the user and the local domain, in that order.
    static std::vector<std::string> domainAudioFolders();

    // Converts the files of every domain; a failing domain is left and the next one tried.
    // Returns the number of files converted.
    int convertVSTPresets(const std::string& componentName, const std::vector<std::string>& audioFolders);
    // Raises when the domain's folders cannot be found or made.
    int convertVSTPresetsInDomain(const std::string& audioFolder, const std::string& componentName);
    // False when the result existed already. Raises on failure (partial results removed).
    bool convertVSTPreset(const std::string& path, bool isBank);

    // The preset name for a VST file name: the name without its extension; without an
    // extension, or with one starting at character 248 or later, the name whole, cut to 246.
    static std::string presetNameFor(const std::string& fileName);

private:
    bool convertToPresetFile(const std::string& path);
    bool convertBankToFolder(const std::string& path);

    EffectAccess& effect;
    ComponentDescription description;
    bool presetIsFXB;
};

}  // namespace tandem
