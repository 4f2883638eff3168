#include "FactoryPatches.h"

#include <filesystem>
#include <system_error>

namespace halvorax {

namespace fs = std::filesystem;

int installFactoryPatches(const std::string& patchFolder, const std::string& resourcesFolder) {
    if (patchFolder.empty()) return 0;
    std::error_code error;
    const fs::path folder(patchFolder);
    // Anything already at the path (even a dangling link) means the user has a folder.
    const fs::file_status status = fs::symlink_status(folder, error);
    if (status.type() != fs::file_type::not_found) return 0;
    // Without the bundle's library there is nothing to install; an empty folder made now
    // would keep the library out for good once the bundle is found.
    if (resourcesFolder.empty()) return 0;
    const fs::path factory = fs::path(resourcesFolder) / "patches";
    if (!fs::is_directory(factory, error)) return 0;
    fs::create_directories(folder, error);  // its result is unreliable with a trailing slash
    if (!fs::is_directory(folder, error)) return 0;

    int copied = 0;
    fs::directory_iterator entry(factory, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const fs::path& source = entry->path();
        std::error_code copyError;
        if (source.extension() != ".repatch" || !entry->is_regular_file(copyError)) continue;
        if (fs::copy_file(source, folder / source.filename(), fs::copy_options::skip_existing, copyError)) ++copied;
    }
    return copied;
}

}  // namespace halvorax
