#include "AuHost.h"

#include <StandIn/StandIn.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "ToolFiles.h"

namespace halvorax {

namespace {

std::string textOf(CFTypeRef value) {
    if (value == nullptr || CFGetTypeID(value) != CFStringGetTypeID()) return {};
    char buffer[1024] = {};
    CFStringGetCString(static_cast<CFStringRef>(value), buffer, sizeof buffer, kCFStringEncodingUTF8);
    return buffer;
}

long numberOf(CFTypeRef value) {
    long n = 0;
    if (value && CFGetTypeID(value) == CFNumberGetTypeID())
        CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberLongType, &n);
    return n;
}

// Name.vst/Contents/<arch>-linux/Name.so -> Name.vst
std::string bundleFolderOf(const std::string& path) {
    const std::string so = ".so";
    if (path.size() < so.size() || path.compare(path.size() - so.size(), so.size(), so) != 0) return path;
    std::string folder = path;
    for (int i = 0; i < 3; ++i)
        folder = folder.substr(0, folder.find_last_of('/') == std::string::npos ? 0 : folder.find_last_of('/'));
    return folder;
}

}  // namespace

OSType fourCharCode(const std::string& text) {
    if (text.size() != 4) return 0;
    return OSType(UInt8(text[0])) << 24 | OSType(UInt8(text[1])) << 16 | OSType(UInt8(text[2])) << 8 | UInt8(text[3]);
}

std::string fourCharText(OSType code) { return {char(code >> 24), char(code >> 16), char(code >> 8), char(code)}; }

AudioUnitHost* AudioUnitHost::open(const std::string& path, std::string& error) {
    const std::string folder = bundleFolderOf(path);
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(folder.data()),
                                                           CFIndex(folder.size()), true);
    CFBundleRef bundle = url ? CFBundleCreate(nullptr, url) : nullptr;
    if (url) CFRelease(url);
    if (bundle == nullptr) {
        error = "cannot open bundle " + folder;
        return nullptr;
    }
    auto* host = new AudioUnitHost();
    host->bundle_ = bundle;
    CFTypeRef list = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("AudioComponents"));
    if (list == nullptr || CFGetTypeID(list) != CFArrayGetTypeID() ||
        CFArrayGetCount(static_cast<CFArrayRef>(list)) < 1) {
        error = "no AudioComponents entry in the bundle's Info.plist";
        delete host;
        return nullptr;
    }
    auto entry = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(static_cast<CFArrayRef>(list), 0));
    ComponentDescription cd{};
    cd.componentType = fourCharCode(textOf(CFDictionaryGetValue(entry, CFSTR("type"))));
    cd.componentSubType = fourCharCode(textOf(CFDictionaryGetValue(entry, CFSTR("subtype"))));
    cd.componentManufacturer = fourCharCode(textOf(CFDictionaryGetValue(entry, CFSTR("manufacturer"))));
    host->name_ = textOf(CFDictionaryGetValue(entry, CFSTR("name")));
    const long version = numberOf(CFDictionaryGetValue(entry, CFSTR("version")));
    host->description_ = {cd.componentType, cd.componentSubType, cd.componentManufacturer, 0, 0};

    if (!CFBundleLoadExecutable(bundle)) {
        error = "cannot load the bundle's executable";
        delete host;
        return nullptr;
    }
    auto entryPoint =
        reinterpret_cast<ComponentRoutineUPP>(CFBundleGetFunctionPointerForName(bundle, CFSTR("TandemEntry")));
    if (entryPoint == nullptr) {
        error = "the bundle exports no TandemEntry";
        delete host;
        return nullptr;
    }
    host->component_ = StandInRegisterComponent(&cd, entryPoint, host->name_.c_str(), "", SInt32(version));
    const OSErr result = OpenAComponent(host->component_, &host->unit_);
    if (result != noErr) {
        error = "cannot open the Audio Unit (error " + std::to_string(result) + ")";
        delete host;
        return nullptr;
    }
    return host;
}

AudioUnitHost::~AudioUnitHost() {
    if (unit_) CloseComponent(unit_);
    if (component_) UnregisterComponent(component_);
    if (bundle_) CFRelease(bundle_);
}

OSStatus AudioUnitHost::start(const AuRenderSettings& settings) {
    OSStatus result = noErr;
    if (settings.sampleRate != 44100.0) {
        const Float64 rate = settings.sampleRate;
        result =
            AudioUnitSetProperty(unit_, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 0, &rate, sizeof rate);
        if (result != noErr) return result;
    }
    if (UInt32(settings.blockSize) > 4096) {
        const UInt32 frames = UInt32(settings.blockSize);
        result = AudioUnitSetProperty(unit_, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                      &frames, sizeof frames);
        if (result != noErr) return result;
    }
    return AudioUnitInitialize(unit_);
}

OSStatus AudioUnitHost::renderSong(const MidiSong& song, const AuRenderSettings& settings, WavWriter& output) {
    const long long total =
        static_cast<long long>(std::ceil((song.lengthSeconds + settings.tailSeconds) * settings.sampleRate));
    std::vector<float> left(size_t(settings.blockSize)), right(size_t(settings.blockSize));
    size_t next = 0;
    for (long long start = 0; start < total; start += settings.blockSize) {
        const int frames = static_cast<int>(std::min<long long>(settings.blockSize, total - start));
        while (next < song.messages.size()) {
            const long long frame = std::llround(song.messages[next].seconds * settings.sampleRate);
            if (frame >= start + frames) break;
            const TimedMidi& m = song.messages[next++];
            const OSStatus result =
                MusicDeviceMIDIEvent(unit_, m.bytes[0], m.bytes[1], m.bytes[2], UInt32(std::max(0LL, frame - start)));
            if (result != noErr) return result;
        }
        struct {
            UInt32 count;
            AudioBuffer buffers[2];
        } list = {2, {{1, UInt32(frames * 4), left.data()}, {1, UInt32(frames * 4), right.data()}}};
        AudioTimeStamp stamp{};
        stamp.mSampleTime = double(start);
        stamp.mFlags = kAudioTimeStampSampleTimeValid;
        AudioUnitRenderActionFlags flags = 0;
        const OSStatus result =
            AudioUnitRender(unit_, &flags, &stamp, 0, UInt32(frames), reinterpret_cast<AudioBufferList*>(&list));
        if (result != noErr) return result;
        output.write(left.data(), right.data(), frames);
    }
    return noErr;
}

OSStatus AudioUnitHost::savePreset(const std::string& path, std::string& error) {
    CFPropertyListRef state = nullptr;
    UInt32 size = sizeof state;
    OSStatus result =
        AudioUnitGetProperty(unit_, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, &size);
    if (result != noErr) {
        error = result == kAudioUnitErr_InvalidProperty
                    ? "saving state is not available yet"
                    : "cannot get the unit's state (error " + std::to_string(result) + ")";
        return result;
    }
    CFDataRef xml = CFPropertyListCreateXMLData(nullptr, state);
    CFRelease(state);
    if (xml == nullptr) {
        error = "cannot write the state as a property list";
        return kAudioUnitErr_InvalidPropertyValue;
    }
    const std::string bytes(reinterpret_cast<const char*>(CFDataGetBytePtr(xml)), size_t(CFDataGetLength(xml)));
    CFRelease(xml);
    try {
        writeOutputFile(path, bytes);
    } catch (const std::runtime_error& failure) {
        error = failure.what();
        return kAudio_FilePermissionError;
    }
    return noErr;
}

OSStatus AudioUnitHost::loadPreset(const std::string& path, std::string& error) {
    std::string bytes;
    if (!readInputFile(path, kMaxPresetFileBytes, bytes, error)) return kAudio_FileNotFoundError;
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()), CFIndex(bytes.size()));
    CFStringRef parseError = nullptr;
    CFPropertyListRef state = CFPropertyListCreateFromXMLData(nullptr, data, kCFPropertyListImmutable, &parseError);
    CFRelease(data);
    if (state == nullptr) {
        error = path + " is not a property list" + (parseError ? ": " + textOf(parseError) : std::string());
        if (parseError) CFRelease(parseError);
        return kAudioUnitErr_InvalidPropertyValue;
    }
    const OSStatus result =
        AudioUnitSetProperty(unit_, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, sizeof state);
    CFRelease(state);
    if (result != noErr)
        error = result == kAudioUnitErr_InvalidProperty
                    ? "restoring state is not available yet"
                    : "the unit refused the preset (error " + std::to_string(result) + ")";
    return result;
}

std::string AudioUnitHost::describe() {
    std::ostringstream out;
    out << "name: " << name_ << "\n";
    out << "type: " << fourCharText(description_.componentType) << " " << fourCharText(description_.componentSubType)
        << " " << fourCharText(description_.componentManufacturer) << "\n";
    out << "version: " << GetComponentVersion(unit_) << "\n";
    UInt32 count = 0, size = sizeof count;
    for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output}) {
        count = 0;
        size = sizeof count;
        AudioUnitGetProperty(unit_, kAudioUnitProperty_ElementCount, scope, 0, &count, &size);
        out << (scope == kAudioUnitScope_Input ? "input" : "output") << " buses: " << count << "\n";
        for (UInt32 bus = 0; bus < count; ++bus) {
            AudioStreamBasicDescription format{};
            size = sizeof format;
            AudioUnitGetProperty(unit_, kAudioUnitProperty_StreamFormat, scope, bus, &format, &size);
            CFStringRef busName = nullptr;
            size = sizeof busName;
            std::string label;
            if (AudioUnitGetProperty(unit_, kAudioUnitProperty_ElementName, scope, bus, &busName, &size) == noErr) {
                label = textOf(busName);
                CFRelease(busName);
            }
            out << "  bus " << bus << ": " << format.mChannelsPerFrame << " channels, " << format.mSampleRate << " Hz"
                << (label.empty() ? "" : ", \"" + label + "\"") << "\n";
        }
    }
    UInt32 frames = 0;
    size = sizeof frames;
    AudioUnitGetProperty(unit_, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &frames, &size);
    out << "maximum frames per slice: " << frames << "\n";
    Float64 latency = 0.0;
    size = sizeof latency;
    AudioUnitGetProperty(unit_, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &latency, &size);
    out << "latency: " << latency << " s\n";
    UInt32 listSize = 0;
    AudioUnitGetPropertyInfo(unit_, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &listSize, nullptr);
    std::vector<AudioUnitParameterID> ids(listSize / sizeof(AudioUnitParameterID));
    if (!ids.empty())
        AudioUnitGetProperty(unit_, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(), &listSize);
    out << "parameters: " << ids.size() << "\n";
    for (AudioUnitParameterID id : ids) {
        AudioUnitParameterInfo info{};
        size = sizeof info;
        AudioUnitGetProperty(unit_, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info, &size);
        Float32 value = 0.0f;
        AudioUnitGetParameter(unit_, id, kAudioUnitScope_Global, 0, &value);
        out << "  " << id << " \"" << textOf(info.cfNameString) << "\" " << info.minValue << ".." << info.maxValue
            << " = " << value << (info.unitName ? " " + textOf(info.unitName) : "") << "\n";
    }
    CFArrayRef presets = nullptr;
    size = sizeof presets;
    if (AudioUnitGetProperty(unit_, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets, &size) ==
        noErr) {
        out << "factory presets: " << CFArrayGetCount(presets) << "\n";
        for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i) {
            auto preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
            out << "  " << preset->presetNumber << " \"" << textOf(preset->presetName) << "\"\n";
        }
        CFRelease(presets);
    } else {
        out << "factory presets: 0\n";
    }
    AUPreset current{};
    size = sizeof current;
    if (AudioUnitGetProperty(unit_, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &current, &size) ==
        noErr) {
        out << "current preset: " << current.presetNumber << " \"" << textOf(current.presetName) << "\"\n";
        if (current.presetName) CFRelease(current.presetName);
    }
    Boolean writable = false;
    out << "editor: "
        << (AudioUnitGetPropertyInfo(unit_, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &size, &writable) ==
                    noErr
                ? "yes"
                : "no")
        << "\n";
    return out.str();
}

}  // namespace halvorax
