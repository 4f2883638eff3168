// The messages between the panel and the plug-in about what no port carries, the chord memory
// and patch file name, as atom objects: the panel sends one after loading a patch (on the
// plug-in's MIDI port, its control input), the plug-in one whenever either changed on its side
// (learnt chord, restored state) or the panel asks for it on opening (on the notify port).
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>

#include <cstddef>
#include <cstdint>

#include "EngineRequests.h"

namespace halvorax::lv2 {

constexpr const char* kPatchMessageUri = "https://brindlecove.com/plugins/halvorax#PatchLoaded";
constexpr const char* kChordMemoryUri = "https://brindlecove.com/plugins/halvorax#chordMemory";
constexpr const char* kPatchFileUri = "https://brindlecove.com/plugins/halvorax#patchFile";
constexpr const char* kPanelOpenedUri = "https://brindlecove.com/plugins/halvorax#PanelOpened";
constexpr const char* kMidiLearnUri = "https://brindlecove.com/plugins/halvorax#MidiLearn";
constexpr const char* kLearningUri = "https://brindlecove.com/plugins/halvorax#learning";
constexpr std::size_t kPatchMessageCapacity = 1024;

// The URIs the messages use, mapped once: mapping may allocate, so the audio thread never maps.
struct MessageUris {
    explicit MessageUris(LV2_URID_Map* map);
    LV2_Atom_Forge forge;  // initialised here; each message writes with a copy
    LV2_URID eventTransfer, object, vector, integer, string, patchMessage, chordMemory, patchFile, panelOpened,
        midiLearn, learning, boolean;
};

// Writes the message into `buffer`; null when it does not fit.
const LV2_Atom* writePatchMessage(const MessageUris& uris, const ChordMemory& chord, const char* patch, uint8_t* buffer,
                                  std::size_t size);

// The panel's request for the plug-in's chord memory and patch name.
const LV2_Atom* writePanelOpened(const MessageUris& uris, uint8_t* buffer, std::size_t size);
bool isPanelOpened(const MessageUris& uris, const LV2_Atom* atom);

// The panel's MIDI learn switch: the plug-in, which gets the MIDI, does the learning.
const LV2_Atom* writeMidiLearn(const MessageUris& uris, bool learning, uint8_t* buffer, std::size_t size);
bool readMidiLearn(const MessageUris& uris, const LV2_Atom* atom, bool& learning);

// Reads an atom as the message, its chord clamped to what the engine plays; false for any
// other atom or a malformed message. `patch` points into the atom (terminated there).
bool readPatchMessage(const MessageUris& uris, const LV2_Atom* atom, ChordMemory& chord, const char*& patch);

}  // namespace halvorax::lv2
