// Alpha Juno sysex files: imported as one tone or as a folder of patch files, and the current
// sound exported as a tone. Sysex arriving live is read with the MIDI (HalvoMidi.cpp).
#include <cstdio>
#include <string>

#include "HalvoVST2.h"
#include "SafeFile.h"
#include "SysexImport.h"
#include "ToneFolder.h"

namespace halvorax {

namespace {
// Far above any bank file (4 KB); only this much of a larger file is looked at.
constexpr std::size_t kMaxSysexFileSize = 16u << 20;
}  // namespace

bool HalvoVST2::ImportSysex(const char* path) {
    std::string bytes;
    if (!readRegularFile(path, kMaxSysexFileSize, bytes)) {
        std::printf("HalvoVST2::ImportSysex() Couldn't open input file\n");
        std::fflush(stdout);
        return false;
    }
    const SysexContents contents = readSysex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (contents.empty()) {
        std::printf("Not an Alpha Juno Sysex Patch\n");
        std::printf("Try setting MIDI Excl on your Alpha Juno\n");
        std::printf("and use the Alpha Base software to save a single patch\n");
        std::fflush(stdout);
        return false;
    }
    if (!contents.bankTones.empty()) return importBank(path, contents.bankTones);
    applyTone(contents.singleTones.front());
    const std::string name = toneName(contents.singleTones.front(), fileStem(path));
    std::snprintf(patchFile, sizeof patchFile, "%s", name.c_str());
    return true;
}

bool HalvoVST2::importBank(const char* path, const std::vector<NumberedTone>& tones) {
    std::string error;
    const std::string folder = writeBankFolder(patchLibraryFolder(), fileStem(path), tones, error);
    if (folder.empty()) {
        std::printf("HalvoVST2::ImportSysex() %s\n", error.c_str());
        std::fflush(stdout);
        return false;
    }
    const std::string first = folder + "/" + toneFileName(tones.front().number, toneName(tones.front().tone, ""));
    return LoadPatch(first.c_str());
}

void HalvoVST2::applyTone(const juno::Tone& tone) {
    for (int position = 0; position < kNumSysexRows; ++position)
        setParameter(sysexRow(position).index, toneValue(tone, position));
}

std::string HalvoVST2::patchLibraryFolder() const {
    // A patch in a folder inside the application folder (an imported bank) belongs to the
    // application folder's library; any other folder is a library of its own.
    const auto trimmed = [](std::string folder) {
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    };
    const std::string root = trimmed(appFolder);
    const std::string current = trimmed(patchFolder);
    if (current.empty() || current == root || current.compare(0, root.size() + 1, root + "/") == 0) return root;
    return patchFolder;
}

bool HalvoVST2::ExportSysex(const char* path) {
    float values[kNumParameters];
    for (int i = 0; i < kNumParameters; ++i) values[i] = paramValues[i];
    const juno::Tone tone = toneFromParameters(values, toneNameOfPatch(patchFile).c_str());
    if (path == nullptr || !replaceFile(path, aprBytes(tone))) {
        std::printf("Could not open output file:%s\n", path ? path : "");
        std::fflush(stdout);
        return false;
    }
    return true;
}

}  // namespace halvorax
