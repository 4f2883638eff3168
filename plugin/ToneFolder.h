// Alpha Juno tones as patch files: a tone written as a .repatch, a bank written as a folder of
// numbered patch files, and the tones read back from patch files for export.
#pragma once

#include <string>
#include <vector>

#include "SysexImport.h"

namespace halvorax {

// "01 AlphaBrass.repatch": the number and the tone name, trailing spaces dropped and characters
// that cannot stand in a file name replaced.
std::string toneFileName(int number, const std::string& name);

// The patch file text of a tone: the default patch with the tone's values.
std::string tonePatchText(const juno::Tone& tone);

// Writes one patch file per tone into `folder` (made when missing), each replaced whole.
// False with `error` set on the first failure.
bool writeToneFiles(const std::string& folder, const std::vector<NumberedTone>& tones, std::string& error);

// Makes a new folder `name` inside `parent` holding the tones, complete or not at all: it is
// built under a hidden name and renamed when done. An existing folder is never touched; the
// new one becomes "name 2", "name 3", ... instead. Returns the folder's path, empty on failure.
std::string writeBankFolder(const std::string& parent, const std::string& name, const std::vector<NumberedTone>& tones,
                            std::string& error);

// Writes the tones into `folder`: a missing folder appears whole or not at all; into an
// existing one each file is replaced whole.
bool writeToneFolder(const std::string& folder, const std::vector<NumberedTone>& tones, std::string& error);

// The tone of a patch file (values from the file over the defaults, name from the file name).
bool readPatchTone(const std::string& path, juno::Tone& tone, std::string& error);

// The tones of a folder's patch files in name order, at most 64.
bool readFolderTones(const std::string& folder, std::vector<juno::Tone>& tones, std::string& error);

// A bank of up to 64 tones; the places after them hold the default patch, unnamed.
std::string bankBytes(const std::vector<juno::Tone>& tones);
std::string aprBytes(const juno::Tone& tone);

// A file name's last part without folder and extension.
std::string fileStem(const std::string& path);

}  // namespace halvorax
