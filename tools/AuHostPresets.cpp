#include "AuHostPresets.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "ToolFiles.h"

namespace halvorax {

namespace {

std::string textOf(CFStringRef text) {
    if (text == nullptr) return {};
    char buffer[1024] = {};
    CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingUTF8);
    return buffer;
}

void setNumber(CFMutableDictionaryRef dict, const char* key, SInt32 value) {
    CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &value);
    CFStringRef name = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
    CFDictionarySetValue(dict, name, number);
    CFRelease(name);
    CFRelease(number);
}

// The preset dictionary of the unit's kind around the bytes of a VST preset file.
CFMutableDictionaryRef presetDictionary(const AudioComponentDescription& description, const std::string& name,
                                        const std::string& bytes) {
    CFMutableDictionaryRef dict =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    setNumber(dict, "version", 1);
    setNumber(dict, "type", SInt32(description.componentType));
    setNumber(dict, "subtype", SInt32(description.componentSubType));
    setNumber(dict, "manufacturer", SInt32(description.componentManufacturer));
    CFStringRef text = CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(name.data()),
                                               CFIndex(name.size()), kCFStringEncodingUTF8, false);
    if (text == nullptr)
        text = CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(name.data()), CFIndex(name.size()),
                                       kCFStringEncodingMacRoman, false);
    CFDictionarySetValue(dict, CFSTR("name"), text);
    CFRelease(text);
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()), CFIndex(bytes.size()));
    CFDictionarySetValue(dict, CFSTR("vstdata"), data);
    CFRelease(data);
    return dict;
}

OSStatus setClassInfo(AudioUnit unit, CFPropertyListRef state) {
    return AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, sizeof state);
}

bool hasExtension(const std::string& name, const char* extension) {
    const size_t dot = name.rfind('.');
    return dot != std::string::npos && strcasecmp(name.c_str() + dot + 1, extension) == 0;
}

std::vector<std::string> visibleFiles(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) throw std::runtime_error("cannot read folder " + folder + ": " + std::strerror(errno));
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info {};
        if (name[0] != '.' && stat((folder + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode))
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool writeNewFile(const std::string& path, CFDataRef bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    const ssize_t length = CFDataGetLength(bytes);
    const bool written = write(fd, CFDataGetBytePtr(bytes), size_t(length)) == length;
    if (close(fd) != 0 || !written) {
        unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string listFactoryPresets(AudioUnit unit) {
    CFArrayRef presets = nullptr;
    UInt32 size = sizeof presets;
    std::string text;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets, &size) !=
        noErr)
        return text;
    for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i) {
        auto preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
        text += std::to_string(preset->presetNumber) + " " + textOf(preset->presetName) + "\n";
    }
    CFRelease(presets);
    return text;
}

bool selectFactoryPreset(AudioUnit unit, const std::string& numberOrName, std::string& error) {
    CFArrayRef presets = nullptr;
    UInt32 size = sizeof presets;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets, &size) !=
        noErr) {
        error = "the unit has no factory presets";
        return false;
    }
    AUPreset chosen{-1, nullptr};
    char* end = nullptr;
    const long number = std::strtol(numberOrName.c_str(), &end, 10);
    const bool byNumber = !numberOrName.empty() && *end == 0;
    for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i) {
        auto preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
        if (byNumber ? preset->presetNumber == number : textOf(preset->presetName) == numberOrName) chosen = *preset;
    }
    if (chosen.presetNumber < 0) {
        CFRelease(presets);
        error = "no factory preset " + numberOrName;
        return false;
    }
    const OSStatus result =
        AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &chosen, sizeof chosen);
    CFRelease(presets);
    if (result != noErr)
        error = "the unit refused factory preset " + numberOrName + " (error " + std::to_string(result) + ")";
    return result == noErr;
}

int convertPresetFolder(AudioUnitHost& host, const std::string& folder, std::string& report) {
    const std::vector<std::string> files = visibleFiles(folder);
    CFPropertyListRef saved = nullptr;
    UInt32 size = sizeof saved;
    if (AudioUnitGetProperty(host.unit(), kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, &size) !=
        noErr)
        saved = nullptr;
    int converted = 0;
    for (const std::string& file : files) {
        if (!hasExtension(file, "fxp") && !hasExtension(file, "fxb")) continue;
        const std::string name = file.substr(0, file.rfind('.'));
        const std::string target = folder + "/" + name + ".aupreset";
        struct stat info {};
        if (stat(target.c_str(), &info) == 0) {
            report += file + ": already converted\n";
            continue;
        }
        std::string bytes, error;
        if (!readInputFile(folder + "/" + file, kMaxVstPresetFileBytes, bytes, error)) {
            report += file + ": " + error + "\n";
            continue;
        }
        CFMutableDictionaryRef preset = presetDictionary(host.description(), name, bytes);
        const OSStatus result = setClassInfo(host.unit(), preset);
        CFDataRef xml = result == noErr ? CFPropertyListCreateXMLData(nullptr, preset) : nullptr;
        CFRelease(preset);
        if (result != noErr) {
            report += file + ": refused by the unit (error " + std::to_string(result) + ")\n";
        } else if (xml && writeNewFile(target, xml)) {
            report += file + ": " + name + ".aupreset\n";
            ++converted;
        } else {
            report += file + ": cannot write " + target + "\n";
        }
        if (xml) CFRelease(xml);
    }
    if (saved) {
        setClassInfo(host.unit(), saved);
        CFRelease(saved);
    }
    return converted;
}

}  // namespace halvorax
