// The LV2 plug-in: a thin layer over the VST 2.4 effect. Control ports become parameter
// values, the MIDI sequence becomes the effect's event queue, and the state extension keeps
// the effect's state chunk (chord memory, learnt controllers, patch name and exact values).
// The notify port tells the panel the chord memory and patch name whenever they change.
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "HalvoVST2.h"
#include "Lv2Messages.h"
#include "Lv2Ports.h"

namespace halvorax::lv2 {

namespace {

// The effect asks its host for little (time info it does not use); this layer answers as a
// host that knows nothing.
VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// VstEvents with room for as many events as the effect queues per block.
struct EventList {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[kMaxQueuedEvents];
};

class Plugin {
public:
    Plugin(double rate, LV2_URID_Map* map)
        : effect(quietHost), ports(controlPorts()), controls(ports.size(), nullptr), seen(ports.size()), uris(map) {
        effect.setSampleRate(static_cast<float>(rate));
        midiEventType = map->map(map->handle, LV2_MIDI__MidiEvent);
        chunkType = map->map(map->handle, LV2_ATOM__Chunk);
        sequenceType = map->map(map->handle, LV2_ATOM__Sequence);
        stateKey = map->map(map->handle, kStateUri);
        for (int i = 0; i < kMaxQueuedEvents; ++i) events.events[i] = reinterpret_cast<VstEvent*>(&slots[i]);
        rememberEffectValues();
    }

    void connect(uint32_t port, void* data) {
        if (port == kMidiInPort)
            midiIn = static_cast<const LV2_Atom_Sequence*>(data);
        else if (port == kLeftOutPort)
            outputs[0] = static_cast<float*>(data);
        else if (port == kRightOutPort)
            outputs[1] = static_cast<float*>(data);
        else if (port == kNotifyPort)
            notify = static_cast<LV2_Atom_Sequence*>(data);
        else if (port - kFirstControlPort < controls.size())
            controls[port - kFirstControlPort] = static_cast<const float*>(data);
    }

    // Audio thread: no allocation, lock or I/O below.
    void run(uint32_t frames) {
        beginNotify();
        // The panel's messages first: a control moved in the block of a learn switch is learnt.
        forwardMidi();
        forwardControls();
        effect.processReplacing(nullptr, outputs, static_cast<VstInt32>(frames));
        notifyPanel();
    }

    void activate() { effect.resume(); }

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle) {
        void* chunk = nullptr;
        const VstInt32 size = effect.getChunk(&chunk);
        if (chunk == nullptr || size <= 0) return LV2_STATE_ERR_UNKNOWN;
        return store(handle, stateKey, chunk, static_cast<size_t>(size), chunkType,
                     LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    }

    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
        size_t size = 0;
        uint32_t type = 0;
        uint32_t flags = 0;
        const void* data = retrieve(handle, stateKey, &size, &type, &flags);
        if (data == nullptr) return LV2_STATE_ERR_NO_PROPERTY;
        if (type != chunkType) return LV2_STATE_ERR_BAD_TYPE;
        // setChunk checks every field; it copies the bytes before reading them.
        const VstInt32 bytes = static_cast<VstInt32>(std::min<size_t>(size, sizeof(StateChunk)));
        effect.setChunk(const_cast<void*>(data), bytes);
        // Restore never runs beside run(): the ports now stand for the restored values, so a
        // host setting them to the same steps afterwards changes nothing.
        rememberEffectValues();
        panelOutdated = true;
        return LV2_STATE_SUCCESS;
    }

private:
    void rememberEffectValues() {
        for (std::size_t i = 0; i < ports.size(); ++i)
            seen[i] = portValue(*ports[i].row, effect.getParameter(ports[i].row->index));
    }

    // Only values that changed since the last block reach the effect, so a value the effect
    // holds between steps (from a controller or the state) stays until the port moves.
    void forwardControls() {
        for (std::size_t i = 0; i < ports.size(); ++i) {
            if (controls[i] == nullptr) continue;
            const float value = *controls[i];
            if (value == seen[i]) continue;
            seen[i] = value;
            float normalized;
            if (normalizedValue(*ports[i].row, value, normalized)) effect.setParameter(ports[i].row->index, normalized);
        }
    }

    // The panel loaded a patch: its chord memory goes to the engine through the effect's
    // request queue, its name into the effect's patch name (plain copies, no allocation).
    // A panel that opens asks for both. The panel's MIDI learn switch works here, where the
    // controllers arrive; the control the panel moves last is the one learnt.
    bool takePanelMessage(const LV2_Atom& atom) {
        ChordMemory chord;
        const char* patch = nullptr;
        if (atom.type != uris.object) return false;
        if (readPatchMessage(uris, &atom, chord, patch)) {
            effect.writeChordMemory(chord.count, chord.notes);
            if (patch[0]) effect.splitPatchFilename(patch);
            panelOutdated = true;
        } else if (isPanelOpened(uris, &atom)) {
            panelOutdated = true;
        } else if (bool learning; readMidiLearn(uris, &atom, learning) && learning != (effect.getMidiLearn() != 0)) {
            effect.toggleMidiLearn();
        }
        return true;
    }

    // The notify port holds an empty sequence unless there is news for the panel.
    void beginNotify() {
        if (notify == nullptr) return;
        notifyCapacity = notify->atom.size;
        notify->atom.type = sequenceType;
        notify->atom.size = sizeof(LV2_Atom_Sequence_Body);
        notify->body.unit = 0;
        notify->body.pad = 0;
    }

    void notifyPanel() {
        ChordMemory chord;
        effect.readChordMemory(chord.count, chord.notes);
        if (std::memcmp(&chord, &notifiedChord, sizeof chord) != 0) panelOutdated = true;
        if (!panelOutdated || notify == nullptr) return;
        char patch[kPathSize];
        effect.getPatchFilename(patch, sizeof patch);
        // The message is written in place as the body of one event.
        alignas(8) uint8_t record[sizeof(LV2_Atom_Event) + kPatchMessageCapacity];
        auto* event = reinterpret_cast<LV2_Atom_Event*>(record);
        event->time.frames = 0;
        if (!writePatchMessage(uris, chord, patch, reinterpret_cast<uint8_t*>(&event->body),
                               sizeof record - offsetof(LV2_Atom_Event, body)))
            return;
        if (lv2_atom_sequence_append_event(notify, notifyCapacity, event) == nullptr) return;
        notifiedChord = chord;
        panelOutdated = false;
    }

    void forwardMidi() {
        events.numEvents = 0;
        if (midiIn == nullptr) return;
        LV2_ATOM_SEQUENCE_FOREACH(midiIn, event) {
            if (takePanelMessage(event->body)) continue;
            if (events.numEvents == kMaxQueuedEvents) break;
            if (event->body.type != midiEventType || event->body.size == 0) continue;
            const auto* bytes = static_cast<const unsigned char*>(LV2_ATOM_BODY_CONST(&event->body));
            EventSlot& slot = slots[events.numEvents++];
            std::memset(&slot, 0, sizeof slot);
            if (bytes[0] == 0xf0) {
                // A system exclusive message points into the sequence, which outlives run().
                VstMidiSysexEvent& sysex = slot.sysex;
                sysex.type = kVstSysExType;
                sysex.byteSize = sizeof(VstMidiSysexEvent);
                sysex.deltaFrames = static_cast<VstInt32>(event->time.frames);
                sysex.dumpBytes = static_cast<VstInt32>(event->body.size);
                sysex.sysexDump = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
            } else {
                slot.midi.type = kVstMidiType;
                slot.midi.byteSize = sizeof(VstMidiEvent);
                slot.midi.deltaFrames = static_cast<VstInt32>(event->time.frames);
                std::memcpy(slot.midi.midiData, bytes, std::min<uint32_t>(event->body.size, 3));
            }
        }
        effect.processEvents(reinterpret_cast<VstEvents*>(&events));
    }

    HalvoVST2 effect;
    const std::vector<ControlPort>& ports;
    std::vector<const float*> controls;
    std::vector<float> seen;  // the port values last taken
    const LV2_Atom_Sequence* midiIn = nullptr;
    float* outputs[2] = {nullptr, nullptr};
    EventList events{};
    union EventSlot {
        VstMidiEvent midi;
        VstMidiSysexEvent sysex;
    };
    EventSlot slots[kMaxQueuedEvents]{};
    LV2_URID midiEventType = 0, chunkType = 0, stateKey = 0, sequenceType = 0;
    MessageUris uris;
    LV2_Atom_Sequence* notify = nullptr;
    uint32_t notifyCapacity = 0;
    ChordMemory notifiedChord;
    bool panelOutdated = true;  // restore runs apart from run(), so a plain flag will do
};

Plugin* self(LV2_Handle handle) { return static_cast<Plugin*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    LV2_URID_Map* map = nullptr;
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, LV2_URID__map) == 0) map = static_cast<LV2_URID_Map*>(features[i]->data);
    if (map == nullptr || !(rate > 0.0)) return nullptr;
    try {
        return new Plugin(rate, map);
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { self(handle)->connect(port, data); }
void activate(LV2_Handle handle) { self(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { self(handle)->run(frames); }
void deactivate(LV2_Handle) {}
void cleanup(LV2_Handle handle) { delete self(handle); }

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*) {
    return self(handle)->save(store, state);
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const*) {
    return self(handle)->restore(retrieve, state);
}

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state = {save, restore};
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

const LV2_Descriptor descriptor = {kPluginUri, instantiate, connectPort, activate,
                                   run,        deactivate,  cleanup,     extensionData};

}  // namespace

}  // namespace halvorax::lv2

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &halvorax::lv2::descriptor : nullptr;
}
