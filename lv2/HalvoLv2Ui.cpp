// The LV2 panel (ui:X11UI): the VST 2.4 editor, HalvoGui, on an effect of its own that serves
// as the panel's model and never renders. Control moves and loaded patches reach the plug-in
// as port writes; the chord memory and patch name of a loaded patch follow as one message on
// the MIDI port, as does the menu's MIDI learn switch; the host's port changes move the
// controls, and the plug-in's notify port brings its chord memory and patch name, so that
// saving from the panel saves what plays.
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "HalvoGui.h"
#include "HalvoVST2.h"
#include "Lv2Messages.h"
#include "Lv2Ports.h"

namespace halvorax::lv2 {

namespace {

VstIntPtr panelHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
    return nullptr;
}

class Panel {
public:
    Panel(LV2UI_Write_Function write, LV2UI_Controller controller, LV2_URID_Map* map)
        : effect(panelHost),
          write(write),
          controller(controller),
          uris(map),
          ports(controlPorts()),
          sent(ports.size()) {
        for (std::size_t i = 0; i < ports.size(); ++i) sent[i] = currentValue(i);
        effect.readChordMemory(sentChord.count, sentChord.notes);
        effect.getPatchFilename(sentPatch, sizeof sentPatch);
    }

    ~Panel() {
        if (AEffEditor* editor = effect.getEditor()) editor->close();
    }

    // Opens the panel in the host's window; its own window is the widget.
    bool open(void* parent, LV2UI_Widget* widget) {
        auto* gui = static_cast<HalvoGui*>(effect.getEditor());
        if (gui == nullptr || !gui->open(parent) || gui->getFrame() == nullptr) return false;
        *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(gui->getFrame()->getSystemWindow()));
        return true;
    }

    // Asks the plug-in for its chord memory and patch name.
    void askPlugin() {
        alignas(8) uint8_t buffer[kPatchMessageCapacity];
        if (const LV2_Atom* message = writePanelOpened(uris, buffer, sizeof buffer))
            write(controller, kMidiInPort, lv2_atom_total_size(message), uris.eventTransfer, message);
    }

    // The host reports a port's value: the control follows, and the value counts as sent.
    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
        if (port == kNotifyPort) {
            if (format == uris.eventTransfer && size >= sizeof(LV2_Atom))
                takePluginMessage(*static_cast<const LV2_Atom*>(buffer), size);
            return;
        }
        const std::size_t i = port - kFirstControlPort;
        if (format != 0 || size != sizeof(float) || port < kFirstControlPort || i >= ports.size()) return;
        float normalized;
        const float value = *static_cast<const float*>(buffer);
        if (!normalizedValue(*ports[i].row, value, normalized)) return;
        effect.setParameter(ports[i].row->index, normalized);
        sent[i] = currentValue(i);
    }

    int idle() {
        if (AEffEditor* editor = effect.getEditor()) editor->idle();
        sendChangedPorts();
        sendPatchWhenChanged();
        sendMidiLearnWhenSwitched();
        return 0;
    }

private:
    float currentValue(std::size_t i) { return portValue(*ports[i].row, effect.getParameter(ports[i].row->index)); }

    void sendChangedPorts() {
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const float value = currentValue(i);
            if (value == sent[i]) continue;
            sent[i] = value;
            write(controller, kFirstControlPort + static_cast<uint32_t>(i), sizeof value, 0, &value);
        }
    }

    void takePluginMessage(const LV2_Atom& atom, uint32_t size) {
        ChordMemory chord;
        const char* patch = nullptr;
        if (lv2_atom_total_size(&atom) > size || !readPatchMessage(uris, &atom, chord, patch)) return;
        effect.writeChordMemory(chord.count, chord.notes);
        if (patch[0]) effect.splitPatchFilename(patch);
        sentChord = chord;
        effect.getPatchFilename(sentPatch, sizeof sentPatch);
    }

    // A patch loaded from the menu brings its chord memory and name; the plug-in gets both.
    void sendPatchWhenChanged() {
        ChordMemory chord;
        effect.readChordMemory(chord.count, chord.notes);
        char patch[kPathSize];
        effect.getPatchFilename(patch, sizeof patch);
        if (std::memcmp(&chord, &sentChord, sizeof chord) == 0 && std::strcmp(patch, sentPatch) == 0) return;
        sentChord = chord;
        std::memcpy(sentPatch, patch, sizeof patch);
        alignas(8) uint8_t buffer[kPatchMessageCapacity];
        const LV2_Atom* message = writePatchMessage(uris, chord, patch, buffer, sizeof buffer);
        if (message) write(controller, kMidiInPort, lv2_atom_total_size(message), uris.eventTransfer, message);
    }

    // The menu's MIDI learn switch, passed on to the plug-in.
    void sendMidiLearnWhenSwitched() {
        const bool learning = effect.getMidiLearn() != 0;
        if (learning == sentLearning) return;
        sentLearning = learning;
        alignas(8) uint8_t buffer[kPatchMessageCapacity];
        if (const LV2_Atom* message = writeMidiLearn(uris, learning, buffer, sizeof buffer))
            write(controller, kMidiInPort, lv2_atom_total_size(message), uris.eventTransfer, message);
    }

    HalvoVST2 effect;
    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    MessageUris uris;
    const std::vector<ControlPort>& ports;
    std::vector<float> sent;  // the port values the host has, as far as the panel knows
    ChordMemory sentChord;
    char sentPatch[kPathSize] = {};
    bool sentLearning = false;
};

Panel* self(LV2UI_Handle handle) { return static_cast<Panel*>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (map == nullptr || parent == nullptr || std::strcmp(pluginUri, kPluginUri) != 0) return nullptr;
    Panel* panel = nullptr;
    try {
        panel = new Panel(write, controller, map);
    } catch (...) {
        return nullptr;
    }
    if (!panel->open(parent, widget)) {
        delete panel;
        return nullptr;
    }
    if (const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize)))
        resize->ui_resize(resize->handle, kEditorWidth, kEditorHeight);
    panel->askPlugin();
    return panel;
}

void cleanup(LV2UI_Handle handle) { delete self(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    self(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) { return self(handle)->idle(); }

const void* extensionData(const char* uri) {
    static const LV2UI_Idle_Interface idleInterface = {idle};
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor descriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

}  // namespace halvorax::lv2

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &halvorax::lv2::descriptor : nullptr;
}
