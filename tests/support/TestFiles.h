// Files for tests: a fresh folder of the test's own, removed with everything in it afterwards;
// whole-file reads and writes; a file-size limit; and a command line run with its output captured.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace halvorax::test {

class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "halvorax-test") {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;  // a test may have taken away its own write permission
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

inline void writeText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

inline std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// While it lives, writes beyond `bytes` fail (EFBIG) without privileges: an honest disk-full.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }

private:
    rlimit saved{};
    void (*previous)(int) = nullptr;
};

struct CommandResult {
    int status;  // the exit code, 128 + the signal that ended it, or -1 when it could not start
    std::string output;
};

// Runs a shell command line with stderr joined to stdout.
inline CommandResult runCommand(const std::string& commandLine) {
    CommandResult result{-1, {}};
    FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    while (size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) result.output.append(buffer, got);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace halvorax::test
