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

}  // namespace

bool __CFURL::equals(const CFObject& other) const {
    const auto& o = static_cast<const __CFURL&>(other);
    return path == o.path && isDirectory == o.isDirectory;
}

CFHashCode __CFURL::hash() const { return std::hash<std::string>()(path); }

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer, CFIndex bufLen,
                                                 Boolean isDirectory) {
    if (buffer == nullptr || bufLen <= 0) return nullptr;
    std::string raw(reinterpret_cast<const char*>(buffer), size_t(bufLen));
    raw = raw.substr(0, raw.find('\0'));
    return makeURL(raw, isDirectory);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, UInt8* buffer, CFIndex maxBufLen) {
    if (url == nullptr || buffer == nullptr || CFIndex(url->path.size()) + 1 > maxBufLen) return false;
    std::memcpy(buffer, url->path.c_str(), url->path.size() + 1);
    return true;
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef, CFURLRef url) {
    if (url == nullptr) return nullptr;
    if (url->path == "/") return makeURL("/", true);
    const size_t slash = url->path.rfind('/');
    return makeURL(slash == 0 ? "/" : url->path.substr(0, slash), true);
}
