// Fuzzed effects get a patch folder of their own, removed at exit, and no factory library to
// install, so a run never touches the user's patches.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace halvorax::fuzz {

inline void isolateFromTheUsersFiles() {
    static const bool done = [] {
        static char folder[] = "/tmp/halvorax-fuzz-XXXXXX";
        if (mkdtemp(folder) != nullptr) {
            setenv("XDG_DATA_HOME", folder, 1);
            std::atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
            });
        }
        setenv("HALVORAX_RESOURCES", "/nonexistent/", 1);
        return true;
    }();
    (void)done;
}

}  // namespace halvorax::fuzz
