// File URLs, held as absolute POSIX paths with a directory flag.
#include "CFInternal.h"

#include <cstring>
#include <filesystem>
#include <functional>

using namespace cf;

namespace {

std::string normalize(const std::string& raw) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p(raw);
    if (p.is_relative()) p = fs::current_path(ec) / p;
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

CFURLRef makeURL(const std::string& raw, bool isDirectory) {
    if (raw.empty()) return nullptr;
    return new __CFURL(normalize(raw), isDirectory);
}

std::string lastComponent(const std::string& path) {
    if (path == "/") return "/";
    return path.substr(path.rfind('/') + 1);
}

// Position of the extension's dot in the last component, or npos.
size_t extensionDot(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= slash + 1 || dot + 1 == path.size()) return std::string::npos;
    return dot;
}

}  // namespace

bool __CFURL::equals(const CFObject& other) const {
    const auto& o = static_cast<const __CFURL&>(other);
    return path == o.path && isDirectory == o.isDirectory;
}

CFHashCode __CFURL::hash() const { return std::hash<std::string>()(path); }

CFTypeID CFURLGetTypeID(void) { return kURLType; }

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer, CFIndex bufLen,
                                                 Boolean isDirectory) {
    if (buffer == nullptr || bufLen <= 0) return nullptr;
    std::string raw(reinterpret_cast<const char*>(buffer), size_t(bufLen));
    raw = raw.substr(0, raw.find('\0'));
    return makeURL(raw, isDirectory);
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath, CFURLPathStyle, Boolean isDirectory) {
    if (filePath == nullptr) return nullptr;
    return makeURL(utf8Of(filePath), isDirectory);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, UInt8* buffer, CFIndex maxBufLen) {
    if (url == nullptr || buffer == nullptr || CFIndex(url->path.size()) + 1 > maxBufLen) return false;
    std::memcpy(buffer, url->path.c_str(), url->path.size() + 1);
    return true;
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef url, CFURLPathStyle) {
    return url ? makeStringFromUTF8(url->path) : nullptr;
}

Boolean CFURLHasDirectoryPath(CFURLRef url) { return url != nullptr && url->isDirectory; }

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
    return url ? makeStringFromUTF8(lastComponent(url->path)) : nullptr;
}

CFStringRef CFURLCopyPathExtension(CFURLRef url) {
    if (url == nullptr) return nullptr;
    const size_t dot = extensionDot(url->path);
    return dot == std::string::npos ? nullptr : makeStringFromUTF8(url->path.substr(dot + 1));
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef, CFURLRef url) {
    if (url == nullptr) return nullptr;
    if (url->path == "/") return makeURL("/", true);
    const size_t slash = url->path.rfind('/');
    return makeURL(slash == 0 ? "/" : url->path.substr(0, slash), true);
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url, CFStringRef component,
                                               Boolean isDirectory) {
    if (url == nullptr || component == nullptr) return nullptr;
    return makeURL(url->path + "/" + utf8Of(component), isDirectory);
}

CFURLRef CFURLCreateCopyDeletingPathExtension(CFAllocatorRef, CFURLRef url) {
    if (url == nullptr) return nullptr;
    const size_t dot = extensionDot(url->path);
    return makeURL(dot == std::string::npos ? url->path : url->path.substr(0, dot), url->isDirectory);
}
