#include "FactoryPresets.h"

#include <algorithm>
#include <cstring>

#include "AUPresetDictionary.h"
#include "PresetFiles.h"
#include "TandemExceptions.h"

namespace tandem {

namespace {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

std::string trimmedName(const char* name) {
    std::string text = name;
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

class ProgramRestorer {
public:
    ProgramRestorer(EffectAccess& effect, int32_t program) : effect(effect), program(program) {}
    ~ProgramRestorer() { effect.setCurrentProgram(program); }

private:
    EffectAccess& effect;
    int32_t program;
};

void writePresetFile(CFDictionaryRef preset, const std::string& path) {
    deleteFileIfPresent(path);
    if (!createNewFile(path)) throw MacOSException(kDuplicateFileErr);
    saveProperties(preset, path);
}

}  // namespace

std::vector<std::string> FactoryPresets::parseList(const unsigned char* bytes, size_t size) {
    std::vector<std::string> names;
    const unsigned char* position = bytes;
    const unsigned char* end = bytes ? bytes + size : nullptr;
    char line[kLineBufferSize];
    while (position < end && names.size() < size_t(kMaxFactoryPresets)) {
        position = readLine(position, end, line);
        const char* text = line;
        while (*text == ' ') ++text;
        if (*text == 0 || *text == ';') continue;
        names.emplace_back(text);
    }
    return names;
}

int FactoryPresets::load(const std::string& listPath, const std::string& folder, AUPreset* presets, CFDataRef* data,
                         CFMutableArrayRef array) {
    int loaded = 0;
    try {
        const std::vector<unsigned char> list = loadFromFile(listPath);
        for (const std::string& name : parseList(list.data(), list.size())) {
            ScopedCF<CFDictionaryRef> preset(AUPresetDictionary::readFile(joinPath(folder, name)));
            auto bytes =
                static_cast<CFDataRef>(AUPresetDictionary::required(preset.get(), "vstdata", CFDataGetTypeID()));
            auto presetName =
                static_cast<CFStringRef>(AUPresetDictionary::required(preset.get(), "name", CFStringGetTypeID()));
            presets[loaded].presetNumber = loaded;
            presets[loaded].presetName = static_cast<CFStringRef>(CFRetain(presetName));
            data[loaded] = static_cast<CFDataRef>(CFRetain(bytes));
            CFArrayAppendValue(array, &presets[loaded]);
            ++loaded;
        }
    } catch (const std::exception&) {
        // The entries loaded so far stay; the component opens with them.
    }
    return loaded;
}

std::string FactoryPresets::presetFileName(const std::string& programName) {
    std::string name = programName;
    std::replace(name.begin(), name.end(), '/', '-');
    return name + ".aupreset";
}

void FactoryPresets::convertLoadedPrograms(EffectAccess& effect, const ComponentDescription& description,
                                           const std::string& folder, std::string* list) {
    ProgramRestorer restorer(effect, std::max(effect.getCurrentProgram(), 0));
    std::string lastWritten;
    const int32_t programs = effect.programCount();
    for (int32_t i = 0; i < programs; ++i) {
        effect.setCurrentProgram(i);
        char rawName[25] = {};
        effect.getCurrentProgramName(rawName);
        const std::string name = trimmedName(rawName);
        if (name.empty() || (i != 0 && name == lastWritten)) continue;
        lastWritten = name;
        ScopedCF<CFStringRef> presetName(CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(name.data()),
                                                                 CFIndex(name.size()), kCFStringEncodingMacRoman,
                                                                 false));
        ScopedCF<CFMutableDictionaryRef> preset(
            AUPresetDictionary::ofCurrentProgram(effect, description, presetName.get()));
        const std::string fileName = presetFileName(name);
        writePresetFile(preset.get(), joinPath(folder, fileName));
        if (list) *list += fileName + '\r';
    }
}

std::string FactoryPresets::create(EffectAccess& effect, const ComponentDescription& description, bool presetIsFXB,
                                   const std::string& folder) {
    std::string list;
    if (presetIsFXB) {
        ScopedCF<CFMutableDictionaryRef> bank(AUPresetDictionary::ofCurrentBank(effect, description, CFSTR("Default")));
        writePresetFile(bank.get(), joinPath(folder, kBankPresetFileName));
        list = std::string(kBankPresetFileName) + '\r';
    } else {
        convertLoadedPrograms(effect, description, folder, &list);
    }
    return list;
}

}  // namespace tandem
