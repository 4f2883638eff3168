// The message the panel sends the plug-in after loading a patch: the patch's chord memory and
// file name, which no port carries. An atom object on the plug-in's MIDI (control) port.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstddef>
#include <cstdint>

#include "EngineRequests.h"

namespace halvorax::lv2 {

constexpr const char* kPatchMessageUri = "https://brindlecove.com/plugins/halvorax#PatchLoaded";
constexpr const char* kChordMemoryUri = "https://brindlecove.com/plugins/halvorax#chordMemory";
constexpr const char* kPatchFileUri = "https://brindlecove.com/plugins/halvorax#patchFile";
constexpr std::size_t kPatchMessageCapacity = 1024;

struct MessageUris {
    explicit MessageUris(LV2_URID_Map* map);
    LV2_URID_Map* map;
    LV2_URID eventTransfer, object, vector, integer, string, patchMessage, chordMemory, patchFile;
};

// Writes the message into `buffer`; null when it does not fit.
const LV2_Atom* writePatchMessage(const MessageUris& uris, const ChordMemory& chord, const char* patch,
                                  uint8_t* buffer, std::size_t size);

// Reads an atom as the message, its chord clamped to what the engine plays; false for any
// other atom or a malformed message. `patch` points into the atom (terminated there).
bool readPatchMessage(const MessageUris& uris, const LV2_Atom* atom, ChordMemory& chord, const char*& patch);

}  // namespace halvorax::lv2
