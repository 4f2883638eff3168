// File operations shared by the preset and parameter-map code. Every file-system failure is
// raised as a MacOSException carrying the classic Mac OS code of the failure (fnfErr -43 for a
// missing file or folder, permErr -54 for refused access, ...).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <string>
#include <vector>

namespace tandem {

// Classic result codes for the errno values the file calls give.
enum : OSStatus {
    kDiskFullErr = -34,
    kIOErr = -36,
    kDuplicateFileErr = -48,
    kPermissionErr = -54,
    kWritePermissionErr = -61,
    kDirectoryNotFoundErr = -120
};
OSStatus osStatusForErrno(int error);

// The largest files the wrapper reads. A VST preset file holds at most a bank: 128 programs of
// up to 1024 mapped values each, 128 x (56 + 4 x 1024) bytes, about 530 KB (a Halvorax file is
// one 2052-byte chunk and its header). An .aupreset carries such a file as base64 text, 4/3 of
// its size, in a few hundred bytes of XML; parameter maps and preset lists are a short line per
// parameter or preset. Anything larger is no file of ours and would only cost time and memory.
constexpr size_t kMaxVstPresetFileBytes = 1u << 20;
constexpr size_t kMaxPresetFileBytes = 2u << 20;

// Reads a whole regular file of at most `limit` bytes; a larger one raises kIOErr.
std::vector<unsigned char> loadFromFile(const std::string& path, size_t limit = kMaxPresetFileBytes);

// Writes the XML form of a property list as the file's new contents (created when missing);
// a failed save leaves the old file as it was.
void saveProperties(CFPropertyListRef propertyList, const std::string& path);

// Creates a file that must not exist yet; false (and nothing written) when it does.
bool createNewFile(const std::string& path);
// Replaces the file's contents by `bytes` (creating it when missing) through a temporary file
// renamed over it, so a failure leaves the old file as it was.
void writeWholeFile(const std::string& path, const void* bytes, size_t size);
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
void deleteFileIfPresent(const std::string& path);

// Finds the subfolder `name` of `parent`, creating it when missing; returns its path.
std::string descendOrCreateFolder(const std::string& parent, const std::string& name);

// Reads one line ending in CR, LF, CR LF or the end of the data into `buffer` (2048 bytes:
// at most 2047 are kept, the rest of a longer line is skipped) and returns the position after
// the line end. At or past the end raises EOFException "End of file error".
constexpr int kLineBufferSize = 2048;
const unsigned char* readLine(const unsigned char* position, const unsigned char* end, char* buffer);

// Text of a CF string in the given encoding ("" for null).
std::string stringOf(CFStringRef string, CFStringEncoding encoding = kCFStringEncodingUTF8);

}  // namespace tandem
