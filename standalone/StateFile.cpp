#include "StateFile.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "HalvoVST2.h"
#include "SafeFile.h"

namespace halvorax {

StateFile::StateFile() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && home[0] ? home : "/tmp") + "/.config";
    }
    filePath = base + "/Brindlecove/Halvorax/standalone.state";
}

void StateFile::restore(HalvoVST2& effect) const {
    std::error_code missing;
    if (!std::filesystem::exists(filePath, missing)) return;
    // The effect's own chunk tells the size and version a sound state has.
    void* own = nullptr;
    const VstInt32 size = effect.getChunk(&own);
    const int32_t version = static_cast<const StateChunk*>(own)->version;
    std::string bytes;
    const char* problem = nullptr;
    if (!readRegularFile(filePath.c_str(), size + 1, bytes))
        problem = std::strerror(errno);
    else if (bytes.size() != static_cast<std::size_t>(size))
        problem = "wrong size";
    else if (std::memcmp(bytes.data() + offsetof(StateChunk, version), &version, sizeof version) != 0)
        problem = "unknown version";
    if (problem) {
        std::fprintf(stderr, "halvorax: ignoring the damaged state file %s (%s)\n", filePath.c_str(), problem);
        return;
    }
    effect.setChunk(bytes.data(), size);
}

bool StateFile::save(HalvoVST2& effect) const {
    void* data = nullptr;
    const VstInt32 size = effect.getChunk(&data);
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(filePath).parent_path(), error);
    if (error || !replaceFile(filePath.c_str(), std::string(static_cast<const char*>(data), size))) {
        std::fprintf(stderr, "halvorax: cannot save the state to %s: %s\n", filePath.c_str(),
                     error ? error.message().c_str() : std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace halvorax
