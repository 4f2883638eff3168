#include "PresetFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "SafeFile.h"
#include "TandemExceptions.h"

namespace tandem {

namespace {

using halvorax::FileDescriptor;

[[noreturn]] void throwErrno() { throw MacOSException(osStatusForErrno(errno)); }

}  // namespace

OSStatus osStatusForErrno(int error) {
    switch (error) {
        case ENOENT:
            return fnfErr;
        case ENOTDIR:
            return kDirectoryNotFoundErr;
        case EACCES:
        case EPERM:
            return kPermissionErr;
        case EROFS:
            return kWritePermissionErr;
        case EEXIST:
            return kDuplicateFileErr;
        case ENOSPC:
            return kDiskFullErr;
        case ENOMEM:
            return memFullErr;
        default:
            return kIOErr;
    }
}

std::vector<unsigned char> loadFromFile(const std::string& path, size_t limit) {
    // Not blocking: a FIFO put in place of a preset must not hang the open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) throwErrno();
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) throwErrno();
    if (!S_ISREG(info.st_mode) || size_t(info.st_size) > limit) throw MacOSException(kIOErr);
    std::vector<unsigned char> bytes;
    unsigned char block[65536];
    while (bytes.size() <= limit) {
        const ssize_t got = ::read(file.get(), block, sizeof block);
        if (got < 0) {
            if (errno == EINTR) continue;
            throwErrno();
        }
        if (got == 0) return bytes;
        bytes.insert(bytes.end(), block, block + got);
    }
    throw MacOSException(kIOErr);  // it grew while being read
}

void writeWholeFile(const std::string& path, const void* bytes, size_t size) {
    // Through a temporary file renamed over the old one: a failed write keeps what was there.
    const std::string contents(static_cast<const char*>(bytes), size);
    if (!halvorax::replaceFile(path.c_str(), contents)) throwErrno();
}

void saveProperties(CFPropertyListRef propertyList, const std::string& path) {
    CFDataRef xml = CFPropertyListCreateXMLData(nullptr, propertyList);
    if (xml == nullptr) throw TandemException("Could not create XML data from property list");
    std::unique_ptr<const void, void (*)(const void*)> owner(xml, [](const void* ref) { CFRelease(ref); });
    writeWholeFile(path, CFDataGetBytePtr(xml), size_t(CFDataGetLength(xml)));
}

bool createNewFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        throwErrno();
    }
    FileDescriptor file(fd);
    if (!file.close()) throwErrno();
    return true;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void deleteFileIfPresent(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) throwErrno();
}

std::string descendOrCreateFolder(const std::string& parent, const std::string& name) {
    std::string path = parent;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) throwErrno();
    if (!folderExists(path)) throw MacOSException(kDirectoryNotFoundErr);
    return path;
}

const unsigned char* readLine(const unsigned char* position, const unsigned char* end, char* buffer) {
    if (position == nullptr || position >= end) throw EOFException("End of file error");
    int stored = 0;
    while (position < end && *position != '\r' && *position != '\n') {
        if (stored < kLineBufferSize - 1) buffer[stored++] = char(*position);
        ++position;
    }
    buffer[stored] = 0;
    if (position < end && *position == '\r') ++position;
    if (position < end && *position == '\n') ++position;
    return position;
}

std::string stringOf(CFStringRef string, CFStringEncoding encoding) {
    if (string == nullptr) return {};
    const CFIndex length = CFStringGetLength(string);
    const CFIndex capacity = CFStringGetMaximumSizeForEncoding(length, encoding) + 1;
    std::string text(size_t(capacity), '\0');
    CFIndex used = 0;
    CFStringGetBytes(string, CFRangeMake(0, length), encoding, '?', false, reinterpret_cast<UInt8*>(&text[0]), capacity,
                     &used);
    text.resize(size_t(used));
    return text;
}

}  // namespace tandem
