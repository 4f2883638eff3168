#include "PatchFolder.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace halvorax {

std::string defaultAppFolder() {
#ifdef __APPLE__
    return "/Library/Application Support/Brindlecove/Halvorax/";
#else
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && home[0] ? home : "/tmp") + "/.local/share";
    }
    if (base.back() != '/') base += '/';
    return base + "Brindlecove/Halvorax/";
#endif
}

std::string bundleResourcesFolder() {
    if (const char* forced = std::getenv("HALVORAX_RESOURCES"); forced && forced[0]) {
        std::string folder = forced;
        if (folder.back() != '/') folder += '/';
        return folder;
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&bundleResourcesFolder), &info) == 0 || info.dli_fname == nullptr) return {};
    // .../Halvorax.vst/Contents/x86_64-linux/Halvorax.so -> .../Halvorax.vst/Contents/Resources/
    std::error_code error;
    std::filesystem::path binary = std::filesystem::canonical(info.dli_fname, error);
    if (error) return {};
    return (binary.parent_path().parent_path() / "Resources").string() + "/";
}

}  // namespace halvorax
