// Bundles: a folder with Contents/Info.plist, Contents/Resources/ and the executable in
// Contents/<arch>-linux/. Bundles are unique per folder, as in Core Foundation.
#include "CFInternal.h"
#include "PropertyListFile.h"

#include <StandIn/StandIn.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>

namespace fs = std::filesystem;
using namespace cf;

namespace {

#if defined(__x86_64__)
const char* const kExecutableFolder = "x86_64-linux";
#elif defined(__aarch64__)
const char* const kExecutableFolder = "aarch64-linux";
#elif defined(__i386__)
const char* const kExecutableFolder = "i386-linux";
#else
const char* const kExecutableFolder = "unknown-linux";
#endif

bool pathExists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

bool isDirectory(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

CFURLRef urlOf(const fs::path& p) {
    const std::string s = p.string();
    return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(s.data()), CFIndex(s.size()),
                                                   isDirectory(p));
}

}  // namespace

struct __CFBundle : cf::CFObject {
    explicit __CFBundle(fs::path folder) : CFObject(kBundleType), path(std::move(folder)) {}
    ~__CFBundle() override;

    bool hasContents() const { return isDirectory(path / "Contents"); }
    fs::path contents() const { return hasContents() ? path / "Contents" : path; }
    fs::path resources() const { return contents() / "Resources"; }
    CFDictionaryRef info();
    fs::path executable();
    bool load();
    void unload();

    const fs::path path;
    bool isMain = false;
    std::mutex mutex;
    bool infoRead = false;
    CFDictionaryRef infoDictionary = nullptr;
    void* handle = nullptr;
};

namespace {

std::mutex registryMutex;
std::map<std::string, __CFBundle*>& registry() {
    static auto* bundles = new std::map<std::string, __CFBundle*>();
    return *bundles;
}

__CFBundle* mainBundle = nullptr;  // guarded by registryMutex

// Takes a reference to a live bundle, or fails when it is already on its way out.
bool tryRetain(__CFBundle* bundle) {
    long count = bundle->retainCount.load();
    while (count > 0)
        if (bundle->retainCount.compare_exchange_weak(count, count + 1)) return true;
    return false;
}

fs::path executablePath() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec);
}

// The main bundle: the bundle around the executable when it sits in Contents/<arch>-linux,
// otherwise the executable's own folder.
fs::path defaultMainBundleFolder() {
    const fs::path exeFolder = executablePath().parent_path();
    if (exeFolder.filename() == kExecutableFolder && exeFolder.parent_path().filename() == "Contents")
        return exeFolder.parent_path().parent_path();
    return exeFolder;
}

}  // namespace

__CFBundle::~__CFBundle() {
    unload();
    if (infoDictionary) CFRelease(infoDictionary);
    std::lock_guard<std::mutex> lock(registryMutex);
    auto& bundles = registry();
    auto it = bundles.find(path.string());
    if (it != bundles.end() && it->second == this) bundles.erase(it);
}

CFDictionaryRef __CFBundle::info() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!infoRead) {
        infoRead = true;
        CFPropertyListRef plist = propertyListFromFile((contents() / "Info.plist").string());
        if (plist != nullptr && CFGetTypeID(plist) != CFDictionaryGetTypeID()) {
            CFRelease(plist);
            plist = nullptr;
        }
        infoDictionary = static_cast<CFDictionaryRef>(plist);
    }
    return infoDictionary;
}

fs::path __CFBundle::executable() {
    if (isMain && !hasContents()) return executablePath();
    std::string name = path.stem().string();
    CFTypeRef value = CFDictionaryGetValue(info(), CFSTR("CFBundleExecutable"));
    if (isType(value, kStringType)) name = utf8Of(static_cast<CFStringRef>(value));
    const fs::path folder = contents() / kExecutableFolder;
    if (pathExists(folder / name)) return folder / name;
    if (pathExists(folder / (name + ".so"))) return folder / (name + ".so");
    return {};
}

bool __CFBundle::load() {
    const bool isProgram = isMain && !hasContents();
    const fs::path exe = isProgram ? fs::path() : executable();  // reads Info.plist: before locking
    std::lock_guard<std::mutex> lock(mutex);
    if (handle != nullptr) return true;
    if (isProgram) {
        handle = dlopen(nullptr, RTLD_NOW);
        return handle != nullptr;
    }
    if (exe.empty()) return false;
    handle = dlopen(exe.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) std::fprintf(stderr, "Could not load bundle executable %s: %s\n", exe.c_str(), dlerror());
    return handle != nullptr;
}

void __CFBundle::unload() {
    std::lock_guard<std::mutex> lock(mutex);
    if (handle != nullptr) dlclose(handle);
    handle = nullptr;
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
    if (bundleURL == nullptr || !isDirectory(bundleURL->path)) return nullptr;
    std::lock_guard<std::mutex> lock(registryMutex);
    auto& bundles = registry();
    auto it = bundles.find(bundleURL->path);
    if (it != bundles.end() && tryRetain(it->second)) return it->second;
    auto* bundle = new __CFBundle(bundleURL->path);
    bundles[bundleURL->path] = bundle;
    return bundle;
}

CFBundleRef CFBundleGetMainBundle(void) {
    std::lock_guard<std::mutex> lock(registryMutex);
    if (mainBundle == nullptr) {
        mainBundle = new __CFBundle(defaultMainBundleFolder());
        mainBundle->isMain = true;
    }
    return mainBundle;
}

void StandInSetMainBundle(CFURLRef bundleURL) {
    __CFBundle* old;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        old = mainBundle;
        mainBundle = nullptr;
        if (bundleURL != nullptr) {
            mainBundle = new __CFBundle(bundleURL->path);
            mainBundle->isMain = true;
        }
    }
    if (old) CFRelease(old);
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
    CFTypeRef value = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleIdentifier"));
    return isType(value, kStringType) ? static_cast<CFStringRef>(value) : nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) { return bundle ? bundle->info() : nullptr; }

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
    return bundle ? CFDictionaryGetValue(bundle->info(), key) : nullptr;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) { return bundle ? urlOf(bundle->path) : nullptr; }

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
    if (bundle == nullptr) return nullptr;
    const std::string s = bundle->resources().string();
    return CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(s.data()), CFIndex(s.size()),
                                                   true);
}

CFArrayRef CFBundleCopyResourceURLsOfType(CFBundleRef bundle, CFStringRef resourceType, CFStringRef subDirName) {
    if (bundle == nullptr) return nullptr;
    fs::path folder = bundle->resources();
    if (subDirName != nullptr) folder /= utf8Of(subDirName);
    const std::string wanted = resourceType ? utf8Of(resourceType) : std::string();
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path item = it->path();
        const std::string file = item.filename().string();
        if (file.empty() || file[0] == '.') continue;
        const std::string ext = item.extension().string();
        if (wanted.empty() || (ext.size() > 1 && ext.substr(1) == wanted)) found.push_back(item);
    }
    std::sort(found.begin(), found.end());
    CFMutableArrayRef urls = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    for (const auto& item : found) {
        CFURLRef url = urlOf(item);
        CFArrayAppendValue(urls, url);
        CFRelease(url);
    }
    return urls;
}

Boolean CFBundleLoadExecutable(CFBundleRef bundle) { return bundle != nullptr && bundle->load(); }

Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle) {
    if (bundle == nullptr) return false;
    std::lock_guard<std::mutex> lock(bundle->mutex);
    return bundle->handle != nullptr;
}

void CFBundleUnloadExecutable(CFBundleRef bundle) {
    if (bundle != nullptr) bundle->unload();
}

void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName) {
    if (bundle == nullptr || functionName == nullptr || !bundle->load()) return nullptr;
    std::lock_guard<std::mutex> lock(bundle->mutex);
    return bundle->handle ? dlsym(bundle->handle, utf8Of(functionName).c_str()) : nullptr;
}
