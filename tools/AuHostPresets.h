// halvorax-auhost's preset options: listing and selecting factory presets, and converting a
// folder of VST preset files (.fxp, .fxb) into .aupreset files for the opened unit.
#pragma once

#include <string>

#include "AuHost.h"

namespace halvorax {

// "number name" lines of the unit's factory presets.
std::string listFactoryPresets(AudioUnit unit);

// Selects a factory preset by number or by name (PresentPreset); false with `error` when the
// unit has no such preset or refuses it.
bool selectFactoryPreset(AudioUnit unit, const std::string& numberOrName, std::string& error);

// Converts every visible .fxp and .fxb file of `folder` into "<name>.aupreset" beside it,
// unless that file exists already (each file is converted once). A file's data is first
// restored into the unit, so files the unit refuses (another plug-in's, damaged) are skipped
// and reported; the unit's own state is put back afterwards. A bank becomes one preset that
// carries the whole bank. Returns the number of files written; `report` gets a line per file.
// Raises std::runtime_error when the folder cannot be read.
int convertPresetFolder(AudioUnitHost& host, const std::string& folder, std::string& report);

}  // namespace halvorax
