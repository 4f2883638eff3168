// halvorax-lv2-ttl: writes the LV2 bundle's Turtle from the parameter table and the factory
// patches, so every port name, symbol, range and default has its one source there.
//   halvorax-lv2-ttl BUNDLE PATCHES DSP_BINARY [UI_BINARY]
// writes BUNDLE/manifest.ttl, BUNDLE/halvorax.ttl and BUNDLE/presets/<name>.ttl, one preset per
// PATCHES/*.repatch: its port values and the state the plug-in saves after loading it.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <serd/serd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "HalvoVST2.h"
#include "Lv2Ports.h"

using namespace halvorax;
using namespace halvorax::lv2;
namespace fs = std::filesystem;

namespace {

constexpr const char* kProjectUri = "https://brindlecove.com/halvorax";

VstIntPtr quietHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A file and URI name for a patch: letters and digits kept, anything else an underscore.
std::string presetStem(const std::string& name) {
    std::string stem = name;
    for (char& c : stem)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return stem;
}

std::string base64(const void* data, std::size_t size) {
    SerdNode node = serd_node_new_blob(data, size, false);
    std::string text(reinterpret_cast<const char*>(node.buf), node.n_bytes);
    serd_node_free(&node);
    return text;
}

const char* const kPrefixes = "@prefix atom: <" LV2_ATOM_PREFIX
                              "> .\n"
                              "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix lv2: <" LV2_CORE_PREFIX
                              "> .\n"
                              "@prefix midi: <" LV2_MIDI_PREFIX
                              "> .\n"
                              "@prefix pprops: <" LV2_PORT_PROPS_PREFIX
                              "> .\n"
                              "@prefix pset: <" LV2_PRESETS_PREFIX
                              "> .\n"
                              "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                              "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <" LV2_STATE_PREFIX
                              "> .\n"
                              "@prefix ui: <" LV2_UI_PREFIX
                              "> .\n"
                              "@prefix urid: <" LV2_URID_PREFIX
                              "> .\n"
                              "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";

struct Preset {
    std::string name;
    std::vector<float> ports;  // in port order
    StateChunk state;
};

// The effect's parameters after loading a patch file, as port values, and its state chunk;
// the chunk names the patch by file name only, found in the user's patch folder.
bool loadPreset(HalvoVST2& effect, const fs::path& file, Preset& preset) {
    if (!effect.LoadPatch(file.string().c_str())) return false;
    preset.name = file.stem().string();
    preset.ports.clear();
    for (const ControlPort& port : controlPorts())
        preset.ports.push_back(portValue(*port.row, effect.getParameter(port.row->index)));
    void* chunk = nullptr;
    effect.getChunk(&chunk);
    std::memcpy(&preset.state, chunk, sizeof preset.state);
    std::memset(preset.state.path, 0, sizeof preset.state.path);
    std::snprintf(preset.state.path, sizeof preset.state.path, "%s", file.filename().string().c_str());
    return true;
}

std::string portText(std::size_t i, const ControlPort& port, float defaultValue) {
    const ParameterRow& row = *port.row;
    std::ostringstream out;
    out << "[\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index " << kFirstControlPort + i
        << " ;\n        lv2:symbol " << quoted(row.id) << " ;\n        lv2:name " << quoted(row.name)
        << " ;\n        lv2:default " << static_cast<int>(defaultValue) << " ;\n        lv2:minimum " << row.minimum
        << " ;\n        lv2:maximum " << row.maximum << " ;\n        lv2:portProperty lv2:integer";
    if (port.kind == PortKind::Toggle) out << " , lv2:toggled";
    if (port.kind == PortKind::List) {
        out << " , lv2:enumeration ;\n        lv2:scalePoint ";
        for (int step = row.minimum; step <= row.maximum; ++step) {
            out << (step > row.minimum ? " , " : "") << "[ rdfs:label " << quoted(listText(row.index, step))
                << " ; rdf:value " << step << " ]";
        }
    }
    out << " ;\n    ]";
    return out.str();
}

std::string pluginText(const std::vector<float>& defaults, bool withUi) {
    std::ostringstream out;
    out << kPrefixes << "<" << kPluginUri << ">\n    a lv2:Plugin , lv2:InstrumentPlugin ;\n"
        << "    doap:name \"Halvorax\" ;\n"
        << "    lv2:project <" << kProjectUri << "> ;\n"
        << "    lv2:minorVersion " << HALVORAX_VERSION_MINOR << " ;\n    lv2:microVersion " << HALVORAX_VERSION_PATCH
        << " ;\n    lv2:requiredFeature urid:map ;\n    lv2:optionalFeature lv2:hardRTCapable ;\n"
        << "    lv2:extensionData state:interface ;\n";
    if (withUi) out << "    ui:ui <" << kUiUri << "> ;\n";
    out << "    lv2:port [\n        a lv2:InputPort , atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent , atom:Object ;\n        lv2:designation lv2:control ;\n        "
           "lv2:index "
        << kMidiInPort << " ;\n        lv2:symbol \"midi_in\" ;\n        lv2:name \"MIDI In\" ;\n    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n        lv2:index " << kLeftOutPort
        << " ;\n        lv2:symbol \"out_left\" ;\n        lv2:name \"Left\" ;\n    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n        lv2:index " << kRightOutPort
        << " ;\n        lv2:symbol \"out_right\" ;\n        lv2:name \"Right\" ;\n    ] , [\n"
        << "        a lv2:OutputPort , atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports atom:Object ;\n        lv2:designation lv2:control ;\n        lv2:index "
        << kNotifyPort << " ;\n        lv2:symbol \"notify\" ;\n        lv2:name \"Panel Notify\" ;\n    ]";
    const auto& ports = controlPorts();
    for (std::size_t i = 0; i < ports.size(); ++i) out << " , " << portText(i, ports[i], defaults[i]);
    out << " .\n\n<" << kProjectUri << ">\n    a doap:Project ;\n    doap:name \"Halvorax\" ;\n"
        << "    doap:maintainer [ foaf:name \"Brindlecove\" ; foaf:homepage <https://brindlecove.com/> ] .\n";
    out << "\n<" << kStateUri << ">\n    a rdf:Property ;\n    rdfs:label \"Halvorax state\" ;\n"
        << "    rdfs:comment \"The instrument's state chunk: parameter values, chord memory, learnt controllers "
        << "and patch file name.\" .\n";
    return out.str();
}

std::string presetText(const Preset& preset) {
    std::ostringstream out;
    out << kPrefixes << "<" << kPresetUriBase << presetStem(preset.name) << ">\n    a pset:Preset ;\n"
        << "    rdfs:label " << quoted(preset.name) << " ;\n    lv2:port ";
    const auto& ports = controlPorts();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        out << (i ? " , " : "") << "[ lv2:symbol " << quoted(ports[i].row->id) << " ; pset:value "
            << static_cast<int>(preset.ports[i]) << ".0 ]";
    }
    out << " ;\n    state:state [\n        <" << kStateUri << "> \"" << base64(&preset.state, sizeof preset.state)
        << "\"^^xsd:base64Binary\n    ] .\n";
    return out.str();
}

std::string manifestText(const std::string& dspBinary, const std::string& uiBinary,
                         const std::vector<Preset>& presets) {
    std::ostringstream out;
    out << kPrefixes << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << dspBinary
        << "> ;\n    rdfs:seeAlso <halvorax.ttl> .\n";
    if (!uiBinary.empty()) {
        out << "\n<" << kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << uiBinary << "> ;\n"
            << "    lv2:requiredFeature urid:map , ui:parent ;\n    lv2:optionalFeature ui:resize ;\n"
            << "    lv2:extensionData ui:idleInterface ;\n    lv2:optionalFeature ui:idleInterface ;\n"
            << "    ui:portNotification [\n        ui:plugin <" << kPluginUri
            << "> ;\n        lv2:symbol \"notify\" ;\n        ui:notifyType atom:Object ;\n    ] .\n";
    }
    for (const Preset& preset : presets) {
        const std::string stem = presetStem(preset.name);
        out << "\n<" << kPresetUriBase << stem << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri
            << "> ;\n    rdfs:seeAlso <presets/" << stem << ".ttl> .\n";
    }
    return out.str();
}

bool writeText(const fs::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file) std::fprintf(stderr, "halvorax-lv2-ttl: cannot write %s\n", path.string().c_str());
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: halvorax-lv2-ttl BUNDLE PATCHES DSP_BINARY [UI_BINARY]\n");
        return 2;
    }
    const fs::path bundle = argv[1], patches = argv[2];
    const std::string uiBinary = argc == 5 ? argv[4] : "";
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(patches))
        if (entry.path().extension() == ".repatch") files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    HalvoVST2 effect(quietHost);
    Preset factoryDefault;
    if (!loadPreset(effect, patches / kDefaultPatchFile, factoryDefault)) {
        std::fprintf(stderr, "halvorax-lv2-ttl: cannot read the default patch in %s\n", patches.string().c_str());
        return 1;
    }
    std::vector<Preset> presets;
    for (const fs::path& file : files) {
        Preset preset;
        if (!loadPreset(effect, file, preset)) {
            std::fprintf(stderr, "halvorax-lv2-ttl: cannot read %s\n", file.string().c_str());
            return 1;
        }
        presets.push_back(preset);
    }

    fs::create_directories(bundle / "presets");
    bool written = writeText(bundle / "halvorax.ttl", pluginText(factoryDefault.ports, !uiBinary.empty())) &&
                   writeText(bundle / "manifest.ttl", manifestText(argv[3], uiBinary, presets));
    for (const Preset& preset : presets)
        written = written && writeText(bundle / "presets" / (presetStem(preset.name) + ".ttl"), presetText(preset));
    return written ? 0 : 1;
}
