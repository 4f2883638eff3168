#include "ToneFolder.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "PatchFile.h"
#include "SafeFile.h"

namespace halvorax {

namespace fs = std::filesystem;

namespace {

// Safe as one part of a path: no separators or control characters, no trailing spaces.
std::string safePart(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '_';
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

bool fail(std::string& error, const std::string& what) {
    error = what + ": " + std::strerror(errno);
    return false;
}

}  // namespace

std::string fileStem(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::string toneFileName(int number, const std::string& name) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d", number);
    // Leading spaces belong to the tone name and stay; the number keeps the file visible.
    const std::string safe = safePart(name);
    return std::string(prefix) + (safe.empty() ? "" : " " + safe) + ".repatch";
}

std::string tonePatchText(const juno::Tone& tone) {
    float values[kNumParameters];
    defaultParameterValues(values);
    for (int position = 0; position < kNumSysexRows; ++position)
        values[sysexRow(position).index] = toneValue(tone, position);
    // Patch files carry the chord memory as plain numbers.
    for (const ParameterRow& row : reparameters)
        if (row.use == EngineUse::ChordMemory)
            values[row.index] = static_cast<float>(integerValue(row, values[row.index]));
    return PatchFile::format(values);
}

bool writeToneFiles(const std::string& folder, const std::vector<NumberedTone>& tones, std::string& error) {
    std::error_code code;
    fs::create_directories(folder, code);
    if (code) {
        error = folder + ": " + code.message();
        return false;
    }
    for (const NumberedTone& entry : tones) {
        const std::string path = folder + "/" + toneFileName(entry.number, toneName(entry.tone, ""));
        if (!replaceFile(path.c_str(), tonePatchText(entry.tone))) return fail(error, path);
    }
    return true;
}

namespace {

// Writes the tones into a hidden folder inside `parent`; its path, empty on failure.
std::string buildHidden(const std::string& parent, const std::vector<NumberedTone>& tones, std::string& error) {
    // Unique among processes and among the instances of one process.
    static std::atomic<unsigned> counter{0};
    char hidden[64];
    std::snprintf(hidden, sizeof hidden, "/.halvorax-import-%ld-%u", static_cast<long>(::getpid()),
                  counter.fetch_add(1));
    const std::string building = parent + hidden;
    std::error_code code;
    fs::remove_all(building, code);
    fs::create_directories(parent, code);
    if (::mkdir(building.c_str(), 0755) != 0) {
        fail(error, building);
        return {};
    }
    if (!writeToneFiles(building, tones, error)) {
        fs::remove_all(building, code);
        return {};
    }
    return building;
}

std::string parentOf(const std::string& folder) {
    const fs::path parent = fs::path(folder).parent_path();
    return parent.empty() ? "." : parent.string();
}

}  // namespace

std::string writeBankFolder(const std::string& parent, const std::string& name, const std::vector<NumberedTone>& tones,
                            std::string& error) {
    std::string base = safePart(name);
    while (!base.empty() && base.front() == '.') base.erase(0, 1);  // not hidden, not "." or ".."
    if (base.empty()) base = "Bank";
    const std::string building = buildHidden(parent, tones, error);
    if (building.empty()) return {};
    for (int copy = 1; copy < 1000; ++copy) {
        const std::string target = parent + "/" + base + (copy == 1 ? "" : " " + std::to_string(copy));
        struct stat info {};
        // Only a name nothing holds is taken: a rename onto an empty folder would succeed.
        if (::lstat(target.c_str(), &info) == 0) continue;
        if (::rename(building.c_str(), target.c_str()) == 0) return target;
        if (errno != EEXIST && errno != ENOTEMPTY) break;
    }
    fail(error, parent + "/" + base);
    std::error_code code;
    fs::remove_all(building, code);
    return {};
}

bool writeToneFolder(const std::string& folder, const std::vector<NumberedTone>& tones, std::string& error) {
    std::error_code code;
    if (fs::exists(folder, code)) return writeToneFiles(folder, tones, error);
    const std::string building = buildHidden(parentOf(folder), tones, error);
    if (building.empty()) return false;
    if (::rename(building.c_str(), folder.c_str()) == 0) return true;
    fail(error, folder);
    fs::remove_all(building, code);
    return false;
}

bool readPatchTone(const std::string& path, juno::Tone& tone, std::string& error) {
    std::string text;
    if (!readRegularFile(path.c_str(), PatchFile::kMaxFileSize + 1, text)) return fail(error, path);
    if (text.size() > PatchFile::kMaxFileSize) {
        error = path + ": too large for a patch file";
        return false;
    }
    float values[kNumParameters];
    defaultParameterValues(values);
    if (PatchFile::parse(text.data(), text.size(), values) == 0) {
        error = path + ": no patch values in it";
        return false;
    }
    const std::size_t slash = path.rfind('/');
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    tone = toneFromParameters(values, toneNameOfPatch(file).c_str());
    return true;
}

bool readFolderTones(const std::string& folder, std::vector<juno::Tone>& tones, std::string& error) {
    std::vector<std::string> names;
    std::error_code code;
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 8 && strcasecmp(name.c_str() + name.size() - 8, ".repatch") == 0 && it->is_regular_file(code))
            names.push_back(name);
    }
    if (code) {
        error = folder + ": " + code.message();
        return false;
    }
    if (names.empty()) {
        error = folder + ": no .repatch files in it";
        return false;
    }
    std::sort(names.begin(), names.end());
    if (names.size() > static_cast<std::size_t>(juno::kBankTones)) names.resize(juno::kBankTones);
    tones.clear();
    for (const std::string& name : names) {
        juno::Tone tone;
        if (!readPatchTone(folder + "/" + name, tone, error)) return false;
        tones.push_back(tone);
    }
    return true;
}

std::string bankBytes(const std::vector<juno::Tone>& tones) {
    float values[kNumParameters];
    defaultParameterValues(values);
    juno::Tone bank[juno::kBankTones];
    for (int t = 0; t < juno::kBankTones; ++t)
        bank[t] = static_cast<std::size_t>(t) < tones.size() ? tones[t] : toneFromParameters(values, "");
    std::string bytes(juno::kBankSize, '\0');
    juno::encodeBank(bank, 0, reinterpret_cast<unsigned char*>(bytes.data()));
    return bytes;
}

std::string aprBytes(const juno::Tone& tone) {
    std::string bytes(juno::kAprSize, '\0');
    juno::encodeApr(tone, 0, reinterpret_cast<unsigned char*>(bytes.data()));
    return bytes;
}

}  // namespace halvorax
