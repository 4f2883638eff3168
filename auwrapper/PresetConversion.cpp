#include "PresetConversion.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <strings.h>

#include "AUPresetDictionary.h"
#include "FactoryPresets.h"
#include "FxpFxb.h"
#include "PresetFiles.h"
#include "TandemExceptions.h"

namespace tandem {

namespace {

constexpr size_t kLastExtensionStart = 248;
constexpr size_t kMaxWholeName = 246;

std::string trimmedPart(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string extensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Plain, visible files of a folder (a dot-file is the invisible kind here).
std::vector<std::string> visibleFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) throw MacOSException(osStatusForErrno(errno));
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        struct stat info {};
        if (::stat((folder + '/' + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string firstDataDir() {
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && dirs[0] ? dirs : "/usr/local/share:/usr/share";
    const size_t colon = list.find(':');
    std::string first = list.substr(0, colon);
    return first.empty() ? "/usr/local/share" : first;
}

// File names are bytes: UTF-8 where they are valid, else each byte as a MacRoman character.
CFStringRef stringFromFileName(const std::string& name) {
    auto bytes = reinterpret_cast<const UInt8*>(name.data());
    if (CFStringRef utf8 = CFStringCreateWithBytes(nullptr, bytes, CFIndex(name.size()), kCFStringEncodingUTF8, false))
        return utf8;
    return CFStringCreateWithBytes(nullptr, bytes, CFIndex(name.size()), kCFStringEncodingMacRoman, false);
}

}  // namespace

std::vector<std::string> PresetConversion::domainAudioFolders() {
    std::string userData;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        userData = xdg;
    } else {
        const char* home = std::getenv("HOME");
        userData = std::string(home && home[0] ? home : "/tmp") + "/.local/share";
    }
    return {userData + "/Audio", firstDataDir() + "/Audio"};
}

std::string PresetConversion::presetNameFor(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot + 1 >= kLastExtensionStart) return fileName.substr(0, kMaxWholeName);
    return fileName.substr(0, dot);
}

int PresetConversion::convertVSTPresets(const std::string& componentName,
                                        const std::vector<std::string>& audioFolders) {
    int converted = 0;
    for (const std::string& folder : audioFolders) {
        try {
            converted += convertVSTPresetsInDomain(folder, componentName);
        } catch (const std::exception&) {
            // This domain is left; the next one is still converted.
        }
    }
    return converted;
}

int PresetConversion::convertVSTPresetsInDomain(const std::string& audioFolder, const std::string& componentName) {
    if (!folderExists(audioFolder)) throw MacOSException(fnfErr);
    std::string folder = descendOrCreateFolder(audioFolder, "Presets");
    size_t start = 0;
    while (start <= componentName.size()) {
        const size_t colon = componentName.find(':', start);
        const std::string part =
            trimmedPart(componentName.substr(start, colon == std::string::npos ? colon : colon - start));
        if (!part.empty()) folder = descendOrCreateFolder(folder, part);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    int converted = 0;
    for (const std::string& name : visibleFiles(folder)) {
        const std::string extension = extensionOf(name);
        const bool isBank = strcasecmp(extension.c_str(), "fxb") == 0;
        const bool isProgram = strcasecmp(extension.c_str(), "fxp") == 0;
        if (!isBank && !(isProgram && !presetIsFXB)) continue;
        try {
            converted += convertVSTPreset(folder + '/' + name, isBank) ? 1 : 0;
        } catch (const std::exception&) {
            // A file that cannot be converted is skipped.
        }
    }
    return converted;
}

bool PresetConversion::convertVSTPreset(const std::string& path, bool isBank) {
    if (!isBank || presetIsFXB) return convertToPresetFile(path);
    return convertBankToFolder(path);
}

bool PresetConversion::convertToPresetFile(const std::string& path) {
    const std::string name = presetNameFor(fileNameOf(path));
    const std::string target = folderOf(path) + '/' + name + ".aupreset";
    if (!createNewFile(target)) return false;
    try {
        const std::vector<unsigned char> bytes = loadFromFile(path, kMaxVstPresetFileBytes);
        ScopedCF<CFStringRef> presetName(stringFromFileName(name));
        ScopedCF<CFMutableDictionaryRef> preset(
            AUPresetDictionary::create(description, bytes.data(), bytes.size(), presetName.get()));
        saveProperties(preset.get(), target);
    } catch (...) {
        // An empty or half-written result would mark the file done for good.
        deleteFileIfPresent(target);
        throw;
    }
    return true;
}

bool PresetConversion::convertBankToFolder(const std::string& path) {
    const std::string folder = folderOf(path) + '/' + presetNameFor(fileNameOf(path));
    if (::mkdir(folder.c_str(), 0755) != 0) {
        if (errno == EEXIST) return false;
        throw MacOSException(osStatusForErrno(errno));
    }
    FxCodec codec(effect);
    try {
        const std::vector<unsigned char> bank = loadFromFile(path, kMaxVstPresetFileBytes);
        // The effect's own state comes back afterwards: opening an instance must not change
        // its sound because a bank file lay in the preset folder.
        const std::vector<unsigned char> saved = codec.createFXB();
        try {
            codec.loadFXPOrFXB(bank.size(), bank.data());
            FactoryPresets::convertLoadedPrograms(effect, description, folder, nullptr);
        } catch (...) {
            codec.loadFXPOrFXB(saved.size(), saved.data());
            throw;
        }
        codec.loadFXPOrFXB(saved.size(), saved.data());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        throw;
    }
    return true;
}

}  // namespace tandem
