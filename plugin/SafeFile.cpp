#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>

namespace halvorax {

FileDescriptor::~FileDescriptor() {
    if (fd >= 0) ::close(fd);
}

bool FileDescriptor::close() {
    const int result = ::close(fd);
    fd = -1;
    return result == 0;
}

namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A name no other writer in this process or another one uses at the same moment.
std::string temporaryName(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, "/.halvorax-save-%ld-%u.tmp", static_cast<long>(::getpid()), counter.fetch_add(1));
    return (folder == "/" ? std::string() : folder) + name;
}

}  // namespace

bool readRegularFile(const char* path, std::size_t limit, std::string& bytes) {
    bytes.clear();
    if (path == nullptr || path[0] == 0) return false;
    FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return false;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    char buffer[4096];
    while (bytes.size() < limit) {
        const std::size_t wanted = std::min(sizeof buffer, limit - bytes.size());
        const ssize_t got = ::read(file.get(), buffer, wanted);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

bool replaceFile(const char* path, const std::string& bytes) {
    if (path == nullptr || path[0] == 0) {
        errno = EINVAL;
        return false;
    }
    // Saving through a link replaces the file it points to, not the link.
    std::string target = path;
    struct stat link {};
    if (::lstat(path, &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path, nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    path = target.c_str();
    const std::string temporary = temporaryName(folderOf(target));

    // A file being replaced keeps its permissions; a new one gets the usual ones.
    mode_t mode = 0644;
    struct stat old {};
    if (::stat(path, &old) == 0) {
        if (S_ISDIR(old.st_mode)) {
            errno = EISDIR;
            return false;
        }
        mode = old.st_mode & 07777;
    }

    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.get() < 0) return false;
    const bool written =
        writeAll(file.get(), bytes.data(), bytes.size()) && ::fchmod(file.get(), mode) == 0 && ::fsync(file.get()) == 0;
    const bool closed = file.close();
    if (!written || !closed || ::rename(temporary.c_str(), path) != 0) {
        const int failure = errno;  // the caller may report it; the clean-up must not change it
        ::unlink(temporary.c_str());
        errno = failure;
        return false;
    }
    // Make the rename itself durable; failing here no longer endangers either file.
    FileDescriptor folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return true;
}

}  // namespace halvorax
