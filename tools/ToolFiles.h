// Files the tools read and write. An input must be a regular file (a FIFO would block, a
// device like /dev/zero never ends); an output appears whole or not at all: it is written to a
// temporary file beside the target and renamed over it, so a failed write keeps the old file.
#pragma once

#include <cstddef>
#include <string>

namespace halvorax {

// Reads a regular file of at most `limit` bytes; on failure returns false with a one-line `error`.
bool readInputFile(const std::string& path, std::size_t limit, std::string& bytes, std::string& error);

// An output file under construction: a temporary file in the target's folder.
class OutputFile {
public:
    // Throws std::runtime_error when the temporary file cannot be made.
    explicit OutputFile(const std::string& path);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int descriptor() const { return fd_; }
    // Flushes the file to disk and renames it over the target; throws with the reason.
    void commit();

private:
    std::string path_, temporary_;
    int fd_ = -1;
};

// Replaces `path` by `bytes` through an OutputFile; throws with the reason.
void writeOutputFile(const std::string& path, const std::string& bytes);

}  // namespace halvorax
