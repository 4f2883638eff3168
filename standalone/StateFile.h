// The standalone instrument's memory: the effect's whole state chunk in
// $XDG_CONFIG_HOME/Brindlecove/Halvorax/standalone.state (default ~/.config/...).
#pragma once

#include <string>

namespace halvorax {

class HalvoVST2;

class StateFile {
public:
    StateFile();  // the path from the environment
    const std::string& path() const { return filePath; }

    // Gives the stored state to the effect. A missing file is no error; a damaged one is
    // reported in one line and left alone, the effect keeping its sound.
    void restore(HalvoVST2& effect) const;
    // Writes the effect's state atomically (a failed save keeps the old file); reports a
    // failure in one line.
    bool save(HalvoVST2& effect) const;

private:
    std::string filePath;
};

}  // namespace halvorax
