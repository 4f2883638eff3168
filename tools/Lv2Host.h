// A minimal LV2 host on lilv: loads an instrument from a bundle folder or by URI (LV2_PATH),
// feeds its MIDI port and control ports, renders, and saves, restores and applies state and
// presets the way lilv-based hosts do. Used by halvorax-render, the tests and the benchmarks.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "RenderTarget.h"

namespace halvorax {

// True when the argument names an LV2 plug-in (a URI or a folder ending in .lv2) rather than
// a VST 2.4 .so or bundle.
bool isLv2Plugin(const std::string& pathOrUri);

class Lv2Instrument : public RenderTarget {
public:
    // Instantiates and activates the plug-in; on failure returns null and sets `error`.
    static std::unique_ptr<Lv2Instrument> load(const std::string& pathOrUri, double sampleRate, std::string& error);
    ~Lv2Instrument() override;
    Lv2Instrument(const Lv2Instrument&) = delete;
    Lv2Instrument& operator=(const Lv2Instrument&) = delete;

    // Halvorax's parameter `index` through its control port, as the step the value stands for.
    void setParameter(int index, float value) override;
    void sendMidi(const std::vector<Midi>& messages) override;
    // Adds any atom (a panel's message) to the coming block's MIDI port sequence.
    void sendAtom(int frame, const LV2_Atom* atom);
    void process(float** outputs, int frames) override;

    // The atoms the plug-in wrote to its atom outputs in the last block.
    std::vector<std::vector<uint8_t>> lastOutputAtoms() const;

    // Deactivates and activates the instance, as Ardour does after every export.
    void reactivate();

    // Control ports by symbol; false for an unknown symbol.
    bool setPort(const std::string& symbol, float value);
    bool port(const std::string& symbol, float& value) const;
    std::vector<std::string> controlSymbols() const;

    // The whole state (ports and the plug-in's own) as the Turtle a host stores, and back.
    std::string saveState();
    bool restoreState(const std::string& turtle);

    // The value the plug-in stores under `key` when a host saves its state; empty when none.
    std::string storedProperty(const std::string& key);

    // The host's URI map, as the plug-in and its panel get it.
    LV2_URID_Map* uridMap();

    // The presets hosts list (label and URI), and applying one.
    struct Preset {
        std::string label;
        std::string uri;
    };
    std::vector<Preset> presets();
    bool applyPreset(const std::string& uri);

private:
    Lv2Instrument();
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid);
    static const void* portValueOf(const char* symbol, void* self, uint32_t* size, uint32_t* type);
    static void setPortValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type);
    const LV2_Feature* const* features() const { return featureList; }
    int portIndex(const std::string& symbol) const;

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    std::unordered_map<std::string, LV2_URID> uris;
    std::vector<std::string> uriNames;
    LV2_URID_Map map{};
    LV2_URID_Unmap unmap{};
    LV2_Feature mapFeature{}, unmapFeature{};
    const LV2_Feature* featureList[3] = {nullptr, nullptr, nullptr};
    std::vector<float> values;         // one per port; control ports read theirs from here
    std::vector<int> audioOutputs;     // port indices of the left and right output
    std::vector<std::string> symbols;  // per port
    std::vector<bool> isControlInput;  // per port
    int midiPort = -1;
    std::vector<uint64_t> sequence;  // the MIDI port's buffer, 8-byte aligned
    struct AtomOutput {
        int port;
        std::vector<uint64_t> buffer;
    };
    std::vector<AtomOutput> atomOutputs;
    LV2_URID midiEventType = 0, sequenceType = 0, floatType = 0;
};

}  // namespace halvorax
