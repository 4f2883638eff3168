// File reading and writing for patch files and sysex dumps: only regular files are read, and
// a file is replaced only once its new contents are safely on disk.
#pragma once

#include <cstddef>
#include <string>

namespace halvorax {

// Owns a POSIX file descriptor: closed when it leaves scope, also while an exception passes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd; }
    // Closes now and reports whether the close succeeded (a late write error shows here);
    // errno tells why it did not.
    bool close();

private:
    int fd;
};

// Reads at most `limit` bytes of a regular file into `bytes`. False when the path does not
// name a readable regular file (a folder counts as missing) or reading fails.
bool readRegularFile(const char* path, std::size_t limit, std::string& bytes);

// Replaces the file at `path` by `bytes`: writes a temporary file in the same folder, flushes
// it to disk and renames it over the target. On any failure the old file is left as it was,
// the temporary file is removed and the result is false, with errno telling why.
bool replaceFile(const char* path, const std::string& bytes);

}  // namespace halvorax
