#include "Lv2Messages.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>

#include <algorithm>
#include <cstring>

namespace halvorax::lv2 {

MessageUris::MessageUris(LV2_URID_Map* map)
    : forge(),
      eventTransfer(map->map(map->handle, LV2_ATOM__eventTransfer)),
      object(map->map(map->handle, LV2_ATOM__Object)),
      vector(map->map(map->handle, LV2_ATOM__Vector)),
      integer(map->map(map->handle, LV2_ATOM__Int)),
      string(map->map(map->handle, LV2_ATOM__String)),
      patchMessage(map->map(map->handle, kPatchMessageUri)),
      chordMemory(map->map(map->handle, kChordMemoryUri)),
      patchFile(map->map(map->handle, kPatchFileUri)),
      panelOpened(map->map(map->handle, kPanelOpenedUri)),
      midiLearn(map->map(map->handle, kMidiLearnUri)),
      learning(map->map(map->handle, kLearningUri)),
      boolean(map->map(map->handle, LV2_ATOM__Bool)) {
    lv2_atom_forge_init(&forge, map);
}

const LV2_Atom* writePanelOpened(const MessageUris& uris, uint8_t* buffer, std::size_t size) {
    LV2_Atom_Forge forge = uris.forge;
    lv2_atom_forge_set_buffer(&forge, buffer, size);
    LV2_Atom_Forge_Frame frame;
    const LV2_Atom_Forge_Ref message = lv2_atom_forge_object(&forge, &frame, 0, uris.panelOpened);
    lv2_atom_forge_pop(&forge, &frame);
    return message ? lv2_atom_forge_deref(&forge, message) : nullptr;
}

const LV2_Atom* writeMidiLearn(const MessageUris& uris, bool learning, uint8_t* buffer, std::size_t size) {
    LV2_Atom_Forge forge = uris.forge;
    lv2_atom_forge_set_buffer(&forge, buffer, size);
    LV2_Atom_Forge_Frame frame;
    const LV2_Atom_Forge_Ref message = lv2_atom_forge_object(&forge, &frame, 0, uris.midiLearn);
    lv2_atom_forge_key(&forge, uris.learning);
    const LV2_Atom_Forge_Ref last = lv2_atom_forge_bool(&forge, learning);
    lv2_atom_forge_pop(&forge, &frame);
    return message && last ? lv2_atom_forge_deref(&forge, message) : nullptr;
}

bool readMidiLearn(const MessageUris& uris, const LV2_Atom* atom, bool& learning) {
    if (atom->type != uris.object || atom->size < sizeof(LV2_Atom_Object_Body)) return false;
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
    if (object->body.otype != uris.midiLearn) return false;
    const LV2_Atom* value = nullptr;
    lv2_atom_object_get(object, uris.learning, &value, 0);
    if (value == nullptr || value->type != uris.boolean || value->size != sizeof(int32_t)) return false;
    learning = reinterpret_cast<const LV2_Atom_Bool*>(value)->body != 0;
    return true;
}

bool isPanelOpened(const MessageUris& uris, const LV2_Atom* atom) {
    return atom->type == uris.object && atom->size >= sizeof(LV2_Atom_Object_Body) &&
           reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype == uris.panelOpened;
}

const LV2_Atom* writePatchMessage(const MessageUris& uris, const ChordMemory& chord, const char* patch, uint8_t* buffer,
                                  std::size_t size) {
    LV2_Atom_Forge forge = uris.forge;
    lv2_atom_forge_set_buffer(&forge, buffer, size);
    // Count first, then the six notes.
    const int32_t numbers[7] = {chord.count,    chord.notes[0], chord.notes[1], chord.notes[2],
                                chord.notes[3], chord.notes[4], chord.notes[5]};
    LV2_Atom_Forge_Frame frame;
    const LV2_Atom_Forge_Ref message = lv2_atom_forge_object(&forge, &frame, 0, uris.patchMessage);
    lv2_atom_forge_key(&forge, uris.chordMemory);
    lv2_atom_forge_vector(&forge, sizeof(int32_t), uris.integer, 7, numbers);
    lv2_atom_forge_key(&forge, uris.patchFile);
    const LV2_Atom_Forge_Ref last = lv2_atom_forge_string(&forge, patch, static_cast<uint32_t>(std::strlen(patch)));
    lv2_atom_forge_pop(&forge, &frame);
    return message && last ? lv2_atom_forge_deref(&forge, message) : nullptr;
}

bool readPatchMessage(const MessageUris& uris, const LV2_Atom* atom, ChordMemory& chord, const char*& patch) {
    if (atom->type != uris.object || atom->size < sizeof(LV2_Atom_Object_Body)) return false;
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
    if (object->body.otype != uris.patchMessage) return false;
    const LV2_Atom* numbers = nullptr;
    const LV2_Atom* file = nullptr;
    lv2_atom_object_get(object, uris.chordMemory, &numbers, uris.patchFile, &file, 0);
    if (numbers == nullptr || file == nullptr || numbers->type != uris.vector || file->type != uris.string)
        return false;
    const auto* vector = reinterpret_cast<const LV2_Atom_Vector*>(numbers);
    if (vector->body.child_type != uris.integer || vector->body.child_size != sizeof(int32_t) ||
        numbers->size != sizeof(LV2_Atom_Vector_Body) + 7 * sizeof(int32_t))
        return false;
    const auto* text = static_cast<const char*>(LV2_ATOM_BODY_CONST(file));
    if (file->size == 0 || text[file->size - 1] != 0) return false;
    const auto* values = reinterpret_cast<const int32_t*>(&vector->body + 1);
    chord.count = std::clamp<int32_t>(values[0], 0, 6);
    for (int i = 0; i < 6; ++i) chord.notes[i] = std::clamp<int32_t>(values[1 + i], 0, 127);
    patch = text;
    return true;
}

}  // namespace halvorax::lv2
