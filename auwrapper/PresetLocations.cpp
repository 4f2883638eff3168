#include "PresetLocations.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "PresetFiles.h"
#include "TandemExceptions.h"

namespace tandem {

namespace {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

std::string userDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : "/tmp") + "/.local/share";
}

}  // namespace

std::string pathOfURL(CFURLRef url) {
    char path[4096] = {};
    if (url == nullptr || !CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path))
        throw TandemException("Could not get path of URL");
    return path;
}

CFURLRef createURLForPath(const std::string& path, bool isDirectory) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path.data()),
                                                           CFIndex(path.size()), isDirectory);
    throwOnNull(url, "Could not create URL from file system representation");
    return url;
}

std::string PresetLocations::userFolderFor(const std::string& bundleIdentifier) {
    return joinPath(joinPath(userDataFolder(), "Tandem"), bundleIdentifier.empty() ? "unnamed" : bundleIdentifier);
}

PresetLocations::PresetLocations(CFBundleRef bundle, CFURLRef resourcesFolder)
    : resources(pathOfURL(resourcesFolder)), user(userFolderFor(stringOf(CFBundleGetIdentifier(bundle)))) {}

std::string PresetLocations::find(const std::string& fileName) const {
    if (fileExists(joinPath(resources, fileName))) return resources;
    if (fileExists(joinPath(user, fileName))) return user;
    return {};
}

std::string PresetLocations::folderForNewFiles() const {
    if (::access(resources.c_str(), W_OK) == 0) return resources;
    std::error_code error;
    std::filesystem::create_directories(user, error);
    if (error) throw MacOSException(osStatusForErrno(error.value()));
    return user;
}

}  // namespace tandem
