// Test support for the Audio Unit component: a scriptable VST effect, a temporary component
// bundle (Info.plist with TDConfig, Resources with a parameter map and an empty factory list),
// and an opened Audio Unit instance whose component runs over either the scriptable effect or
// the real instrument, in that bundle or one of the caller's (the preset tests use it too).
#pragma once

#include <AudioToolbox/AudioToolbox.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "../support/TestFiles.h"
#include "HalvoVST2.h"
#include "PresetFiles.h"
#include "TandemComponent.h"
#include "VstAbi.h"

namespace autest {

// What the scriptable effect is and does.
struct EffectScript {
    VstInt32 inputs = 0;
    VstInt32 outputs = 2;
    VstInt32 parameters = 8;
    VstInt32 programs = 4;
    VstInt32 flags = effFlagsCanReplacing | effFlagsIsSynth;
    unsigned stereoMask = ~0u;     // pins answered with the stereo flag, one bit per pin
    bool answerPins = true;        // pin properties answered at all
    bool throwEverywhere = false;  // every entry raises
    bool returnNull = false;       // the entry function gives no effect
    VstIntPtr programAnswer = 0;   // effGetProgram
    VstIntPtr tailSize = 0;
    bool acceptBypass = false;
    bool extensions = false;    // answers the 'sHi!' probe and the value/text conversions
    bool silentOutput = false;  // with extensions: reports its output silent ('sO00')
    bool editor = false;        // has an editor of 300 x 200
    bool editorOpens = true;    // the editor accepts effEditOpen
};

// One instance of the scriptable effect, with what it was asked.
struct ScriptedEffect {
    AEffect effect{};
    EffectScript script;
    audioMasterCallback host = nullptr;
    float values[64] = {};
    int processCalls = 0;
    std::vector<VstMidiEvent> received;
    std::vector<VstInt32> opcodes;
    char programName[32] = "Init";
    ERect rect = {0, 0, 200, 300};
    void* editorWindow = nullptr;
    VstIntPtr inputsSilent = -1;  // last 'sI00' value
};

inline EffectScript& nextScript() {
    static EffectScript script;
    return script;
}

inline ScriptedEffect*& lastEffect() {
    static ScriptedEffect* effect = nullptr;
    return effect;
}

inline ScriptedEffect& scripted(AEffect* e) { return *static_cast<ScriptedEffect*>(e->object); }

inline VstIntPtr scriptedDispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
    ScriptedEffect& s = scripted(e);
    s.opcodes.push_back(opcode);
    if (s.script.throwEverywhere && opcode != effClose) throw std::runtime_error("effect failure");
    switch (opcode) {
        case effClose:
            delete &s;
            return 0;
        case effMainsChanged:  // asks for MIDI when switched on
            if (value) s.host(e, audioMasterWantMidi, 0, 1, nullptr, 0.0f);
            return 0;
        case effGetProgram:
            return s.script.programAnswer;
        case effGetProgramName:
            std::strcpy(static_cast<char*>(ptr), s.programName);
            return 0;
        case effSetProgramName:
            std::strncpy(s.programName, static_cast<char*>(ptr), 31);
            return 0;
        case effGetParamDisplay:
            std::snprintf(static_cast<char*>(ptr), 64, "%g", s.values[index]);
            return 0;
        case effGetInputProperties:
        case effGetOutputProperties: {
            if (!s.script.answerPins) return 0;
            auto* p = static_cast<VstPinProperties*>(ptr);
            std::snprintf(p->label, sizeof p->label, "%s %d", opcode == effGetInputProperties ? "In" : "Out", index);
            p->flags = kVstPinIsActive | ((s.script.stereoMask >> index) & 1 ? kVstPinIsStereo : 0);
            return 1;
        }
        case effProcessEvents: {
            auto* events = static_cast<VstEvents*>(ptr);
            for (int i = 0; i < events->numEvents; ++i)
                s.received.push_back(*reinterpret_cast<VstMidiEvent*>(events->events[i]));
            return 1;
        }
        case effSetBypass:
            return s.script.acceptBypass ? 1 : 0;
        case effGetTailSize:
            return s.script.tailSize;
        case effVendorSpecific:
            if (!s.script.extensions) return 0;
            if (index == CCONST('s', 'H', 'i', '!')) return 1;
            if (index == CCONST('s', 'I', '0', '0')) s.inputsSilent = value;
            if (index == CCONST('s', 'O', '0', '0')) return s.script.silentOutput ? 1 : 0;
            if (index == CCONST('s', 'V', '2', 'S')) {  // value to text: "  <value x 100> %"
                float v;
                std::memcpy(&v, ptr, sizeof v);
                std::snprintf(static_cast<char*>(ptr), 25, "  %g %%", v * 100.0f);
                return 1;
            }
            if (index == CCONST('s', 'S', '2', 'V')) {  // text to value: a number of percent
                char* text = static_cast<char*>(ptr);
                if (text[0] < '0' || text[0] > '9') return 0;
                const float v = float(std::atof(text)) / 100.0f;
                std::memcpy(ptr, &v, sizeof v);
                return 1;
            }
            return 0;
        case effEditGetRect:
            if (!s.script.editor) return 0;
            *static_cast<ERect**>(ptr) = &s.rect;
            return 1;
        case effEditOpen:
            s.editorWindow = ptr;
            return s.script.editorOpens ? 1 : 0;
        case effEditClose:
            s.editorWindow = nullptr;
            return 0;
        default:
            return 0;
    }
}

inline void scriptedProcess(AEffect* e, float**, float** outputs, VstInt32 frames) {
    ScriptedEffect& s = scripted(e);
    if (s.script.throwEverywhere) throw std::runtime_error("effect failure");
    ++s.processCalls;
    for (VstInt32 c = 0; c < s.effect.numOutputs; ++c)
        for (VstInt32 i = 0; i < frames; ++i) outputs[c][i] = float(c + 1) * 0.125f + float(s.processCalls);
}

inline void scriptedSetParameter(AEffect* e, VstInt32 index, float value) {
    ScriptedEffect& s = scripted(e);
    if (s.script.throwEverywhere) throw std::runtime_error("effect failure");
    s.values[index] = value;
}

inline float scriptedGetParameter(AEffect* e, VstInt32 index) {
    ScriptedEffect& s = scripted(e);
    if (s.script.throwEverywhere) throw std::runtime_error("effect failure");
    return s.values[index];
}

inline AEffect* scriptedEntry(audioMasterCallback host) {
    if (nextScript().returnNull) return nullptr;
    auto* s = new ScriptedEffect();
    s->script = nextScript();
    s->host = host;
    AEffect& e = s->effect;
    e.magic = kEffectMagic;
    e.dispatcher = scriptedDispatcher;
    e.processReplacing = scriptedProcess;
    e.setParameter = scriptedSetParameter;
    e.getParameter = scriptedGetParameter;
    e.numInputs = s->script.inputs;
    e.numOutputs = s->script.outputs;
    e.numParams = s->script.parameters;
    e.numPrograms = s->script.programs;
    e.flags = s->script.flags | (s->script.editor ? effFlagsHasEditor : 0);
    e.uniqueID = CCONST('T', 'e', 's', 't');
    e.object = s;
    lastEffect() = s;
    return &e;
}

// An Info.plist naming the bundle `identifier`, with further keys and values as XML text.
inline std::string infoPlist(const std::string& identifier, const std::string& entries = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "<key>CFBundleIdentifier</key><string>" +
           identifier + "</string>\n" + entries + "</dict>\n</plist>\n";
}

// The wrapper's switches in an Info.plist.
inline std::string tdConfig(bool autoConvert, bool fxb, bool updateName) {
    auto flag = [](bool on) { return std::string(on ? "<true/>" : "<false/>"); };
    return "<key>TDConfig</key><dict><key>AutoConvertPresets</key>" + flag(autoConvert) + "<key>PresetIsFXB</key>" +
           flag(fxb) + "<key>UpdateNameOnLoad</key>" + flag(updateName) + "</dict>\n";
}

// The first line of every parameter map; alone, it maps no parameter.
inline const std::string kMapHeader = "vst param #\tname\tmin\tmax\tdisplay\tunit\tdefault\r";

// A component bundle in a temporary folder.
class ComponentBundle {
public:
    explicit ComponentBundle(const std::string& parameterMap) : path_(root_.path / "Tandem.vst") {
        using halvorax::test::writeText;
        std::filesystem::create_directories(path_ / "Contents" / "Resources");
        writeText(path_ / "Contents" / "Info.plist",
                  infoPlist("com.brindlecove.tandemtest", tdConfig(false, false, false)));
        writeText(path_ / "Contents" / "Resources" / "TDParameters.txt", parameterMap);
        writeText(path_ / "Contents" / "Resources" / "TDFactoryPresets.txt", "; no factory presets\r");
    }
    const std::filesystem::path& path() const { return path_; }

    static CFURLRef urlOf(const std::filesystem::path& p) {
        const std::string s = p.string();
        return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(s.data()),
                                                       CFIndex(s.size()), true);
    }

private:
    halvorax::test::TempFolder root_{"auwrapper_tests"};
    std::filesystem::path path_;
};

// The bundle and effect entry the next opened component uses.
inline tandem::TandemOrigin& nextOrigin() {
    static tandem::TandemOrigin origin;
    return origin;
}

inline ComponentResult testEntry(ComponentParameters* params, Handle storage) {
    return tandem::tandemEntry(params, reinterpret_cast<tandem::TandemComponent*>(storage),
                               [](ComponentInstance unit) { return new tandem::TandemComponent(unit, nextOrigin()); });
}

// The real instrument's entry function.
inline AEffect* instrumentEntry(audioMasterCallback master) {
    if (master(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    return (new halvorax::HalvoVST2(master))->getAeffect();
}

// An opened instance of a component over a bundle folder and an effect entry function.
class OpenedUnit {
public:
    // Over a fresh bundle with the given map, and the scriptable effect with the given script.
    explicit OpenedUnit(const EffectScript& script = EffectScript(), OSType type = kAudioUnitType_MusicDevice,
                        const std::string& parameterMap = kMapHeader, tandem::VSTEntryFunction entry = scriptedEntry)
        : bundle_(std::make_unique<ComponentBundle>(parameterMap)) {
        nextScript() = script;
        open(bundle_->path(), entry, type, 0x54657374 /* Test */, "Brindlecove: Tandem Test");
    }
    // Over the caller's bundle folder, as a music device of the given subtype and name.
    OpenedUnit(const std::filesystem::path& bundle, tandem::VSTEntryFunction entry, OSType subtype, const char* name) {
        open(bundle, entry, kAudioUnitType_MusicDevice, subtype, name);
    }
    ~OpenedUnit() {
        if (unit) CloseComponent(unit);
        UnregisterComponent(component_);
    }
    tandem::TandemComponent& component() const {
        return *reinterpret_cast<tandem::TandemComponent*>(GetComponentInstanceStorage(unit));
    }
    ScriptedEffect& effect() const { return *lastEffect(); }

    AudioUnit unit = nullptr;
    OSErr openResult = noErr;

private:
    void open(const std::filesystem::path& bundle, tandem::VSTEntryFunction entry, OSType type, OSType subtype,
              const char* name) {
        CFURLRef url = ComponentBundle::urlOf(bundle);
        nextOrigin() = {url, entry};
        ComponentDescription cd = {type, subtype, 0x42726E64 /* Brnd */, 0, 0};
        component_ = StandInRegisterComponent(&cd, testEntry, name, "", 0x00010203);
        openResult = OpenAComponent(component_, &unit);
        CFRelease(url);
        nextOrigin().bundleURL = nullptr;
    }

    std::unique_ptr<ComponentBundle> bundle_;
    Component component_ = nullptr;
};

// A property of a fixed-size type read or written whole (the global scope's element 0 unless given).
template <typename T>
OSStatus getProperty(AudioUnit unit, AudioUnitPropertyID id, T& value, AudioUnitScope scope = kAudioUnitScope_Global,
                     AudioUnitElement element = 0) {
    UInt32 size = sizeof value;
    return AudioUnitGetProperty(unit, id, scope, element, &value, &size);
}

template <typename T>
OSStatus setProperty(AudioUnit unit, AudioUnitPropertyID id, const T& value,
                     AudioUnitScope scope = kAudioUnitScope_Global, AudioUnitElement element = 0) {
    return AudioUnitSetProperty(unit, id, scope, element, &value, sizeof value);
}

using tandem::stringOf;

// Two channels of host buffers for one output bus, and a render of them at a sample time.
struct StereoBuffers {
    float left[512] = {};
    float right[512] = {};
    struct {
        UInt32 count;
        AudioBuffer buffers[2];
    } list;
    StereoBuffers() : list{2, {{1, sizeof left, left}, {1, sizeof right, right}}} {}
    AudioBufferList* get() { return reinterpret_cast<AudioBufferList*>(&list); }
};

inline AudioTimeStamp stampAt(double sampleTime) {
    AudioTimeStamp stamp{};
    stamp.mSampleTime = sampleTime;
    stamp.mFlags = kAudioTimeStampSampleTimeValid;
    return stamp;
}

inline OSStatus renderAt(AudioUnit unit, double sampleTime, UInt32 bus, StereoBuffers& buffers, UInt32 frames = 512,
                         AudioUnitRenderActionFlags* flags = nullptr) {
    const AudioTimeStamp stamp = stampAt(sampleTime);
    AudioUnitRenderActionFlags local = 0;
    return AudioUnitRender(unit, flags ? flags : &local, &stamp, bus, frames, buffers.get());
}

}  // namespace autest
