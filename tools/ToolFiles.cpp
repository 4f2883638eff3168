#include "ToolFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace halvorax {

namespace {

std::string reason(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool readInputFile(const std::string& path, std::size_t limit, std::string& bytes, std::string& error) {
    bytes.clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = reason("cannot read", path, errno);
        return false;
    }
    // Checked before opening: opening a FIFO for reading waits for a writer.
    if (!S_ISREG(info.st_mode)) {
        error = path + " is not a regular file";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = reason("cannot read", path, errno);
        return false;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || std::size_t(info.st_size) > limit) {
        error = path + (S_ISREG(info.st_mode) ? " is larger than " + std::to_string(limit) + " bytes"
                                              : " is not a regular file");
        ::close(fd);
        return false;
    }
    char buffer[65536];
    while (bytes.size() <= limit) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got < 0) error = reason("cannot read", path, errno);
            ::close(fd);
            return got == 0;
        }
        bytes.append(buffer, std::size_t(got));
    }
    ::close(fd);
    error = path + " grew past " + std::to_string(limit) + " bytes while being read";
    return false;
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
    struct stat info {};
    mode_t mode = 0644;  // a file being replaced keeps its own
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) throw std::runtime_error("cannot write " + path + ": not a regular file");
        mode = info.st_mode & 07777;
    }
    // Writing through a link replaces the file it points to, not the link.
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            path_ = resolved;
            std::free(resolved);
        }
    }
    const std::size_t slash = path_.rfind('/');
    const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    temporary_ = folderOf(path_) + "/." + name + ".XXXXXX";
    fd_ = ::mkostemp(&temporary_[0], O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error(reason("cannot write", path, errno));
    ::fchmod(fd_, mode);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void OutputFile::commit() {
    int failure = ::fsync(fd_) == 0 ? 0 : errno;
    if (::close(fd_) != 0 && failure == 0) failure = errno;
    fd_ = -1;
    if (failure == 0 && ::rename(temporary_.c_str(), path_.c_str()) != 0) failure = errno;
    if (failure != 0) throw std::runtime_error(reason("cannot write", path_, failure));
    temporary_.clear();
}

void writeOutputFile(const std::string& path, const std::string& bytes) {
    OutputFile file(path);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(file.descriptor(), data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) throw std::runtime_error(reason("cannot write", path, errno));
        data += written;
        left -= std::size_t(written);
    }
    file.commit();
}

}  // namespace halvorax
