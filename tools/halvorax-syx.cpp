// halvorax-syx: Alpha Juno sysex files and Halvorax patch files, both ways.
//   list F.syx                 the file's messages and the tones found in it
//   import F.syx DIR           one .repatch per tone into DIR ("01 AlphaBrass.repatch", ...)
//   export PATCH.repatch OUT   one tone APR (54 bytes)
//   export FOLDER OUT          a 64-tone bank of the folder's patches in name order
// Errors are one line on stderr with a non-zero exit; output files appear whole or not at all.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "JunoSysex.h"
#include "SafeFile.h"
#include "SysexImport.h"
#include "ToneFolder.h"

using namespace halvorax;

namespace {

constexpr std::size_t kMaxFileSize = 16u << 20;

int usage() {
    std::fprintf(stderr,
                 "usage: halvorax-syx list F.syx\n"
                 "       halvorax-syx import F.syx DIR\n"
                 "       halvorax-syx export PATCH.repatch|FOLDER OUT.syx\n");
    return 2;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "halvorax-syx: %s\n", message.c_str());
    return 1;
}

bool readSyx(const std::string& path, std::string& bytes) {
    if (!readRegularFile(path.c_str(), kMaxFileSize + 1, bytes)) return false;
    return bytes.size() <= kMaxFileSize;
}

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

const unsigned char* bytesOf(const std::string& bytes) { return reinterpret_cast<const unsigned char*>(bytes.data()); }

int list(const std::string& path) {
    std::string bytes;
    if (!readSyx(path, bytes)) return failure("cannot read " + path + " (missing, not a file or over 16 MB)");
    juno::Scanner scanner(bytesOf(bytes), bytes.size());
    juno::Message message;
    long shown = 0, more = 0;
    while (scanner.next(message)) {
        if (shown >= 1000) {
            ++more;
            continue;
        }
        ++shown;
        std::printf("%8zu  %5zu bytes  %s", message.offset, message.size, juno::kindName(message.kind));
        if (message.channel > 0) std::printf("  channel %d", message.channel);
        std::printf("\n");
    }
    if (more > 0) std::printf("... %ld more messages\n", more);
    const SysexContents contents = readSysex(bytesOf(bytes), bytes.size());
    for (const NumberedTone& tone : contents.bankTones)
        std::printf("bank tone %2d  %s\n", tone.number, trimmed(toneName(tone.tone, "")).c_str());
    int number = 0;
    for (const juno::Tone& tone : contents.singleTones)
        std::printf("tone %d  %s\n", ++number, trimmed(toneName(tone, fileStem(path))).c_str());
    if (contents.empty()) std::printf("no Alpha Juno tones\n");
    return 0;
}

int import(const std::string& path, const std::string& folder) {
    std::string bytes;
    if (!readSyx(path, bytes)) return failure("cannot read " + path + " (missing, not a file or over 16 MB)");
    const SysexContents contents = readSysex(bytesOf(bytes), bytes.size());
    if (contents.empty()) return failure(path + " holds no Alpha Juno tone");
    std::vector<NumberedTone> tones = contents.bankTones;
    int number = tones.empty() ? 0 : tones.back().number;
    for (juno::Tone tone : contents.singleTones) {
        if (!tone.named) juno::encodeName(fileStem(path).c_str(), tone.name);
        tones.push_back({++number, tone});
    }
    std::string error;
    if (!writeToneFolder(folder, tones, error)) return failure(error);
    std::printf("wrote %zu patch files into %s\n", tones.size(), folder.c_str());
    return 0;
}

int exportSyx(const std::string& source, const std::string& out) {
    std::error_code code;
    const bool isFolder = std::filesystem::is_directory(source, code);
    std::string error, bytes;
    if (isFolder) {
        std::vector<juno::Tone> tones;
        if (!readFolderTones(source, tones, error)) return failure(error);
        bytes = bankBytes(tones);
    } else {
        juno::Tone tone;
        if (!readPatchTone(source, tone, error)) return failure(error);
        bytes = aprBytes(tone);
    }
    if (!replaceFile(out.c_str(), bytes)) return failure("cannot write " + out + ": " + std::strerror(errno));
    std::printf("wrote %s (%zu bytes)\n", out.c_str(), bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "list") return list(args[1]);
    if (args.size() == 3 && args[0] == "import") return import(args[1], args[2]);
    if (args.size() == 3 && args[0] == "export") return exportSyx(args[1], args[2]);
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) return usage(), 0;
    return usage();
}
