#include "VstHost.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>

namespace halvorax {

namespace {
// The plug-in's entry point asks for the host version before its effect record exists; the
// host being loaded answers those early calls.
thread_local HostedPlugin* loading = nullptr;
}  // namespace

std::string resolvePluginPath(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path p(path);
    std::error_code error;
    if (fs::is_directory(p, error)) {
        fs::path bundle = p;
        if (bundle.filename().empty()) bundle = bundle.parent_path();
        return (bundle / "Contents" / "x86_64-linux" / (bundle.stem().string() + ".so")).string();
    }
    // dlopen searches the library path for a name without a slash; a file name here is a file.
    if (path.find('/') == std::string::npos) return "./" + path;
    return path;
}

std::unique_ptr<HostedPlugin> HostedPlugin::load(const std::string& path, std::string& error) {
    const std::string file = resolvePluginPath(path);
    if (!std::filesystem::exists(file)) {
        error = "no such plug-in file: " + file;
        return nullptr;
    }
    std::unique_ptr<HostedPlugin> host(new HostedPlugin);
    host->library_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (host->library_ == nullptr) {
        const char* why = dlerror();
        error = std::string("cannot load ") + file + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(host->library_, "VSTPluginMain"));
    if (entry == nullptr) entry = reinterpret_cast<Entry>(dlsym(host->library_, "main"));
    if (entry == nullptr) {
        error = file + " is not a VST 2.4 plug-in (no VSTPluginMain or main entry point)";
        return nullptr;
    }
    loading = host.get();
    host->effect_ = entry(&HostedPlugin::callback);
    loading = nullptr;
    if (host->effect_ == nullptr || host->effect_->magic != kEffectMagic) {
        host->effect_ = nullptr;
        error = file + ": the entry point returned no VST 2.4 effect";
        return nullptr;
    }
    host->effect_->resvd1 = reinterpret_cast<VstIntPtr>(host.get());
    return host;
}

HostedPlugin::~HostedPlugin() {
    if (effect_) dispatch(effClose);
    if (library_) dlclose(library_);
}

VstIntPtr HostedPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

bool HostedPlugin::isInstrument() const {
    if (effect_->flags & effFlagsIsSynth) return true;
    return effect_->dispatcher(effect_, effGetPlugCategory, 0, 0, nullptr, 0.0f) == kPlugCategSynth;
}

void HostedPlugin::start(double sampleRate, int blockSize) {
    sampleRate_ = sampleRate;
    blockSize_ = blockSize;
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

void HostedPlugin::setParameter(int index, float value) { effect_->setParameter(effect_, index, value); }

float HostedPlugin::getParameter(int index) { return effect_->getParameter(effect_, index); }

std::string HostedPlugin::parameterName(int index) {
    char text[256] = {};
    dispatch(effGetParamName, index, 0, text);
    return text;
}

std::string HostedPlugin::parameterDisplay(int index) {
    char text[256] = {};
    dispatch(effGetParamDisplay, index, 0, text);
    return text;
}

std::string HostedPlugin::effectString(VstInt32 opcode) {
    char text[256] = {};
    dispatch(opcode, 0, 0, text);
    return text;
}

void HostedPlugin::sendMidi(const std::vector<Midi>& messages) {
    midiEvents_.assign(messages.size(), VstMidiEvent{});
    eventsBlock_.assign(sizeof(VstEvents) + messages.size() * sizeof(VstEvent*), 0);
    auto* list = reinterpret_cast<VstEvents*>(eventsBlock_.data());
    list->numEvents = static_cast<VstInt32>(messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
        VstMidiEvent& event = midiEvents_[i];
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = messages[i].frame;
        std::memcpy(event.midiData, messages[i].bytes, 3);
        list->events[i] = reinterpret_cast<VstEvent*>(&event);
    }
    dispatch(effProcessEvents, 0, 0, list);
}

void HostedPlugin::process(float** outputs, int frames) {
    timeInfo.samplePos = samplePosition_;
    effect_->processReplacing(effect_, nullptr, outputs, frames);
    samplePosition_ += frames;
}

VstIntPtr HostedPlugin::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) {
    HostedPlugin* host = effect && effect->resvd1 ? reinterpret_cast<HostedPlugin*>(effect->resvd1) : loading;
    if (opcode == audioMasterVersion) return kVstVersion;
    return host ? host->answer(opcode, index, value, ptr, opt) : 0;
}

VstIntPtr HostedPlugin::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
        case audioMasterAutomate:
            automations.push_back({index, opt});
            return 0;
        case audioMasterCurrentId:
            return effect_ ? effect_->uniqueID : 0;
        case audioMasterWantMidi:
            ++wantMidiRequests;
            return 1;
        case audioMasterGetTime:
            ++timeInfoRequests;
            timeInfo.sampleRate = sampleRate_;
            timeInfo.tempo = tempo;
            timeInfo.ppqPos = timeInfo.samplePos / sampleRate_ * tempo / 60.0;
            timeInfo.timeSigNumerator = 4;
            timeInfo.timeSigDenominator = 4;
            timeInfo.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
            return reinterpret_cast<VstIntPtr>(&timeInfo);
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(sampleRate_);
        case audioMasterGetBlockSize:
            return blockSize_;
        case audioMasterGetCurrentProcessLevel:
            return 4;  // offline rendering
        case audioMasterGetVendorString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "Brindlecove");
            return 1;
        case audioMasterGetProductString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "halvorax-render");
            return 1;
        case audioMasterGetVendorVersion:
            return 1;
        case audioMasterCanDo: {
            const char* text = static_cast<const char*>(ptr);
            if (text == nullptr) return 0;
            for (const char* yes : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "sizeWindow"})
                if (std::strcmp(text, yes) == 0) return 1;
            return -1;
        }
        case audioMasterGetLanguage:
            return 1;
        case audioMasterUpdateDisplay:
            return 1;
        case audioMasterBeginEdit:
            beginEdits.push_back(index);
            return 1;
        case audioMasterEndEdit:
            endEdits.push_back(index);
            return 1;
        case audioMasterSizeWindow:
            return 1;
        default:
            return 0;
    }
}

}  // namespace halvorax
