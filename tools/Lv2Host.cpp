#include "Lv2Host.h"

#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "Lv2Ports.h"

namespace halvorax {

namespace {

constexpr std::size_t kSequenceBytes = 64 * 1024;

struct NodeDeleter {
    void operator()(LilvNode* node) const { lilv_node_free(node); }
};
using Node = std::unique_ptr<LilvNode, NodeDeleter>;

std::string withTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

}  // namespace

bool isLv2Plugin(const std::string& pathOrUri) {
    if (pathOrUri.find("://") != std::string::npos) return true;
    std::string path = pathOrUri;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".lv2") == 0;
}

Lv2Instrument::Lv2Instrument() {
    map = {this, mapUri};
    unmap = {this, unmapUri};
    mapFeature = {LV2_URID__map, &map};
    unmapFeature = {LV2_URID__unmap, &unmap};
    featureList[0] = &mapFeature;
    featureList[1] = &unmapFeature;
    midiEventType = mapUri(this, LV2_MIDI__MidiEvent);
    sequenceType = mapUri(this, LV2_ATOM__Sequence);
    floatType = mapUri(this, LV2_ATOM__Float);
}

Lv2Instrument::~Lv2Instrument() {
    if (instance) {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    if (world) lilv_world_free(world);
}

std::unique_ptr<Lv2Instrument> Lv2Instrument::load(const std::string& pathOrUri, double sampleRate,
                                                   std::string& error) {
    std::unique_ptr<Lv2Instrument> host(new Lv2Instrument());
    host->world = lilv_world_new();
    LilvWorld* world = host->world;
    const bool isUri = pathOrUri.find("://") != std::string::npos;
    if (isUri) {
        lilv_world_load_all(world);
        Node uri(lilv_new_uri(world, pathOrUri.c_str()));
        host->plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri.get());
    } else {
        std::error_code failed;
        const std::string folder = withTrailingSlash(std::filesystem::absolute(pathOrUri, failed).string());
        Node bundle(lilv_new_file_uri(world, nullptr, folder.c_str()));
        lilv_world_load_bundle(world, bundle.get());
        const LilvPlugins* all = lilv_world_get_all_plugins(world);
        LILV_FOREACH(plugins, i, all) {
            const LilvPlugin* candidate = lilv_plugins_get(all, i);
            if (lilv_node_equals(lilv_plugin_get_bundle_uri(candidate), bundle.get())) host->plugin = candidate;
        }
    }
    if (host->plugin == nullptr) {
        error = "no LV2 plug-in found at " + pathOrUri;
        return nullptr;
    }

    const LilvPlugin* plugin = host->plugin;
    const uint32_t count = lilv_plugin_get_num_ports(plugin);
    host->values.assign(count, 0.0f);
    host->symbols.resize(count);
    host->isControlInput.assign(count, false);
    std::vector<float> defaults(count, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    Node audio(lilv_new_uri(world, LV2_CORE__AudioPort)), control(lilv_new_uri(world, LV2_CORE__ControlPort));
    Node input(lilv_new_uri(world, LV2_CORE__InputPort)), output(lilv_new_uri(world, LV2_CORE__OutputPort));
    Node atom(lilv_new_uri(world, LV2_ATOM__AtomPort));
    for (uint32_t p = 0; p < count; ++p) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
        host->symbols[p] = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
        if (lilv_port_is_a(plugin, port, control.get())) {
            host->values[p] = std::isnan(defaults[p]) ? 0.0f : defaults[p];
            host->isControlInput[p] = lilv_port_is_a(plugin, port, input.get());
        } else if (lilv_port_is_a(plugin, port, audio.get()) && lilv_port_is_a(plugin, port, output.get())) {
            host->audioOutputs.push_back(static_cast<int>(p));
        } else if (lilv_port_is_a(plugin, port, atom.get()) && lilv_port_is_a(plugin, port, input.get())) {
            host->midiPort = static_cast<int>(p);
        } else if (lilv_port_is_a(plugin, port, atom.get())) {
            host->atomOutputs.push_back(
                {static_cast<int>(p), std::vector<uint64_t>(kSequenceBytes / sizeof(uint64_t))});
        }
    }
    if (host->audioOutputs.size() != 2 || host->midiPort < 0) {
        error = pathOrUri + " is not a stereo instrument with a MIDI input";
        return nullptr;
    }

    host->instance = lilv_plugin_instantiate(plugin, sampleRate, host->features());
    if (host->instance == nullptr) {
        error = "cannot instantiate " + pathOrUri;
        return nullptr;
    }
    host->sequence.assign(kSequenceBytes / sizeof(uint64_t), 0);
    for (uint32_t p = 0; p < count; ++p) lilv_instance_connect_port(host->instance, p, &host->values[p]);
    lilv_instance_connect_port(host->instance, host->midiPort, host->sequence.data());
    for (AtomOutput& output : host->atomOutputs)
        lilv_instance_connect_port(host->instance, output.port, output.buffer.data());
    host->sendMidi({});
    lilv_instance_activate(host->instance);
    return host;
}

LV2_URID Lv2Instrument::mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto* self = static_cast<Lv2Instrument*>(handle);
    auto [entry, added] = self->uris.emplace(uri, static_cast<LV2_URID>(self->uriNames.size() + 1));
    if (added) self->uriNames.push_back(uri);
    return entry->second;
}

const char* Lv2Instrument::unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
    auto* self = static_cast<Lv2Instrument*>(handle);
    return urid >= 1 && urid <= self->uriNames.size() ? self->uriNames[urid - 1].c_str() : nullptr;
}

void Lv2Instrument::reactivate() {
    lilv_instance_deactivate(instance);
    lilv_instance_activate(instance);
}

int Lv2Instrument::portIndex(const std::string& symbol) const {
    for (std::size_t p = 0; p < symbols.size(); ++p)
        if (isControlInput[p] && symbols[p] == symbol) return static_cast<int>(p);
    return -1;
}

bool Lv2Instrument::setPort(const std::string& symbol, float value) {
    const int p = portIndex(symbol);
    if (p < 0) return false;
    values[p] = value;
    return true;
}

bool Lv2Instrument::port(const std::string& symbol, float& value) const {
    const int p = portIndex(symbol);
    if (p < 0) return false;
    value = values[p];
    return true;
}

std::vector<std::string> Lv2Instrument::controlSymbols() const {
    std::vector<std::string> found;
    for (std::size_t p = 0; p < symbols.size(); ++p)
        if (isControlInput[p]) found.push_back(symbols[p]);
    return found;
}

void Lv2Instrument::setParameter(int index, float value) {
    for (const lv2::ControlPort& control : lv2::controlPorts())
        if (control.row->index == index) setPort(control.row->id, lv2::portValue(*control.row, value));
}

void Lv2Instrument::sendMidi(const std::vector<Midi>& messages) {
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(sequence.data());
    seq->atom.type = sequenceType;
    seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
    seq->body.unit = 0;
    seq->body.pad = 0;
    for (const Midi& message : messages) {
        struct {
            LV2_Atom_Event event;
            unsigned char bytes[8];
        } record{};
        record.event.time.frames = message.frame;
        record.event.body.type = midiEventType;
        record.event.body.size = (message.bytes[0] & 0xe0) == 0xc0 ? 2 : 3;  // program change, pressure
        std::memcpy(record.bytes, message.bytes, 3);
        lv2_atom_sequence_append_event(seq, kSequenceBytes - sizeof(LV2_Atom), &record.event);
    }
}

void Lv2Instrument::sendAtom(int frame, const LV2_Atom* atom) {
    std::vector<uint64_t> record((sizeof(LV2_Atom_Event) + atom->size + 7) / 8 + 1, 0);
    auto* event = reinterpret_cast<LV2_Atom_Event*>(record.data());
    event->time.frames = frame;
    std::memcpy(&event->body, atom, sizeof(LV2_Atom) + atom->size);
    lv2_atom_sequence_append_event(reinterpret_cast<LV2_Atom_Sequence*>(sequence.data()),
                                   kSequenceBytes - sizeof(LV2_Atom), event);
}

void Lv2Instrument::process(float** outputs, int frames) {
    lilv_instance_connect_port(instance, audioOutputs[0], outputs[0]);
    lilv_instance_connect_port(instance, audioOutputs[1], outputs[1]);
    for (AtomOutput& output : atomOutputs)
        reinterpret_cast<LV2_Atom*>(output.buffer.data())->size = kSequenceBytes - sizeof(LV2_Atom);
    lilv_instance_run(instance, static_cast<uint32_t>(frames));
    sendMidi({});
}

std::vector<std::vector<uint8_t>> Lv2Instrument::lastOutputAtoms() const {
    std::vector<std::vector<uint8_t>> found;
    for (const AtomOutput& output : atomOutputs) {
        const auto* written = reinterpret_cast<const LV2_Atom_Sequence*>(output.buffer.data());
        LV2_ATOM_SEQUENCE_FOREACH(written, event) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(&event->body);
            found.emplace_back(bytes, bytes + lv2_atom_total_size(&event->body));
        }
    }
    return found;
}

const void* Lv2Instrument::portValueOf(const char* symbol, void* user, uint32_t* size, uint32_t* type) {
    auto* self = static_cast<Lv2Instrument*>(user);
    const int p = self->portIndex(symbol);
    if (p < 0) return nullptr;
    *size = sizeof(float);
    *type = self->floatType;
    return &self->values[p];
}

void Lv2Instrument::setPortValue(const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
    auto* self = static_cast<Lv2Instrument*>(user);
    if (type == self->floatType && size == sizeof(float)) self->setPort(symbol, *static_cast<const float*>(value));
}

std::string Lv2Instrument::saveState() {
    LilvState* state =
        lilv_state_new_from_instance(plugin, instance, &map, nullptr, nullptr, nullptr, nullptr, portValueOf, this,
                                     LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features());
    if (state == nullptr) return {};
    char* text = lilv_state_to_string(world, &map, &unmap, state, "urn:halvorax:saved", nullptr);
    std::string turtle = text ? text : "";
    lilv_free(text);
    lilv_state_free(state);
    return turtle;
}

bool Lv2Instrument::restoreState(const std::string& turtle) {
    LilvState* state = lilv_state_new_from_string(world, &map, turtle.c_str());
    if (state == nullptr) return false;
    lilv_state_restore(state, instance, setPortValue, this, 0, features());
    lilv_state_free(state);
    return true;
}

std::string Lv2Instrument::storedProperty(const std::string& key) {
    const auto* state =
        static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    if (state == nullptr) return {};
    struct Wanted {
        LV2_URID key;
        std::string value;
    } wanted{mapUri(this, key.c_str()), {}};
    const LV2_State_Store_Function store = [](LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                                              uint32_t, uint32_t) {
        auto* found = static_cast<Wanted*>(handle);
        if (key == found->key) found->value.assign(static_cast<const char*>(value), size);
        return LV2_STATE_SUCCESS;
    };
    state->save(lilv_instance_get_handle(instance), store, &wanted, LV2_STATE_IS_POD, features());
    return wanted.value;
}

LV2_URID_Map* Lv2Instrument::uridMap() { return &map; }

std::vector<Lv2Instrument::Preset> Lv2Instrument::presets() {
    std::vector<Preset> found;
    Node presetClass(lilv_new_uri(world, LV2_PRESETS__Preset));
    Node label(lilv_new_uri(world, LILV_NS_RDFS "label"));
    LilvNodes* related = lilv_plugin_get_related(plugin, presetClass.get());
    LILV_FOREACH(nodes, i, related) {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world, preset);
        LilvNode* name = lilv_world_get(world, preset, label.get(), nullptr);
        found.push_back({name ? lilv_node_as_string(name) : "", lilv_node_as_uri(preset)});
        lilv_node_free(name);
    }
    lilv_nodes_free(related);
    return found;
}

bool Lv2Instrument::applyPreset(const std::string& uri) {
    Node preset(lilv_new_uri(world, uri.c_str()));
    lilv_world_load_resource(world, preset.get());
    LilvState* state = lilv_state_new_from_world(world, &map, preset.get());
    if (state == nullptr) return false;
    lilv_state_restore(state, instance, setPortValue, this, 0, features());
    lilv_state_free(state);
    return true;
}

}  // namespace halvorax
