// The effect's sounds: the default patch, patch files, the state chunk and the current
// patch name.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "HalvoVST2.h"
#include "PatchFile.h"
#include "PlatformUtils.h"
#include "SafeFile.h"

namespace halvorax {

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the state chunk is stored in host order");

constexpr int32_t kChunkVersion = 0x100004;
constexpr int32_t kChunkValues = 0x100000;
constexpr int32_t kChunkChords = 0x100001;
constexpr int32_t kChunkControllers = 0x100002;
constexpr int32_t kChunkPath = 0x100003;

void copyText(char* text, std::size_t size, const char* source) {
    if (text != nullptr && size > 0) std::snprintf(text, size, "%s", source);
}

// Chord memory as the engine can play it: up to 6 intervals of 0 to 127 semitones.
void clampChord(int& count, int notes[6]) {
    count = std::clamp(count, 0, 6);
    for (int i = 0; i < 6; ++i) notes[i] = std::clamp(notes[i], 0, 127);
}

// A whole field of the chunk is taken only when the host handed over all of its bytes.
bool covers(std::size_t size, std::size_t offset, std::size_t length) { return size >= offset + length; }

}  // namespace

void HalvoVST2::InitializePatch() {
    for (const ParameterRow& row : reparameters) setParameter(row.index, normalizedDefault(row));
    copyText(patchFile, sizeof patchFile, kInitPatchFile);
}

bool HalvoVST2::LoadPatch(const char* path) {
    std::string text;
    if (!readRegularFile(path, PatchFile::kMaxFileSize + 1, text) || text.size() > PatchFile::kMaxFileSize)
        return false;

    requestReleaseAllNotes();
    InitializePatch();
    splitPatchFilename(path);

    float values[kNumParameters];
    std::copy(std::begin(paramValues), std::end(paramValues), values);
    const int entries = PatchFile::parse(text.data(), text.size(), values);
    std::copy(std::begin(values), std::end(values), paramValues);

    // The chord memory travels as plain numbers in 48 to 54.
    int count = truncateScaled(paramValues[48], 1);
    int notes[6];
    for (int i = 0; i < 6; ++i) notes[i] = truncateScaled(paramValues[49 + i], 1);
    clampChord(count, notes);
    writeChordMemory(count, notes);

    if (entries == 0) return false;
    patchChanged = true;
    ++patchLoads;
    for (int i = 0; i < kNumParameters; ++i) setParameter(i, paramValues[i]);
    return true;
}

bool HalvoVST2::SavePatch(const char* path) {
    int count = 0;
    int notes[6] = {};
    readChordMemory(count, notes);
    paramValues[48] = static_cast<float>(count);
    for (int i = 0; i < 6; ++i) paramValues[49 + i] = static_cast<float>(notes[i]);

    // Written to a temporary file and renamed over the old one only when complete, so a
    // failed save never costs the user the sound that was there.
    float values[kNumParameters];
    std::copy(std::begin(paramValues), std::end(paramValues), values);
    if (path == nullptr || !replaceFile(path, PatchFile::format(values))) {
        std::printf("Could not open output file:%s\n", path ? path : "");
        std::fflush(stdout);
        return false;
    }
    splitPatchFilename(path);
    return true;
}

VstInt32 HalvoVST2::getChunk(void** data, bool isPreset) {
    takeLiveToneName();
    std::memset(&chunk, 0, sizeof chunk);
    chunk.version = kChunkVersion;
    chunk.parameterCount = kNumParameters;
    std::copy(std::begin(paramValues), std::end(paramValues), chunk.values);
    int count = 0;
    int notes[6] = {};
    readChordMemory(count, notes);
    chunk.chordCount = count;
    std::copy(notes, notes + 6, chunk.chordNotes);
    for (int i = 0; i < 128; ++i) chunk.ccMap[i] = static_cast<int8_t>(ccMap[i] & 0xff);
    getPatchFilename(chunk.path, sizeof chunk.path);
    if (data) *data = &chunk;
    return sizeof chunk;
}

VstInt32 HalvoVST2::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    if (data == nullptr || byteSize < static_cast<VstInt32>(sizeof(int32_t))) return byteSize;
    const std::size_t size = static_cast<std::size_t>(byteSize);
    // Only the bytes handed over are read; the rest of the image stays zero. The host may hand
    // back the very image getChunk gave it, so it is copied through a separate buffer.
    StateChunk image;
    std::memset(&image, 0, sizeof image);
    std::memcpy(&image, data, std::min(size, sizeof image));
    chunk = image;

    if (image.version >= kChunkValues) {
        for (int i = 0; i < kNumParameters; ++i) {
            const float value = image.values[i];
            if (covers(size, offsetof(StateChunk, values) + i * sizeof(float), sizeof(float)) && std::isfinite(value))
                paramValues[i] = clampParameter(i, value);
        }
    }

    int count = 0;
    int notes[6] = {};
    readChordMemory(count, notes);
    if (image.version >= kChunkChords &&
        covers(size, offsetof(StateChunk, chordCount), sizeof image.chordCount + sizeof image.chordNotes)) {
        count = image.chordCount;
        std::copy(std::begin(image.chordNotes), std::end(image.chordNotes), notes);
    } else {
        count = 1;
        notes[0] = 0;
    }
    clampChord(count, notes);
    writeChordMemory(count, notes);

    if (image.version >= kChunkControllers && covers(size, offsetof(StateChunk, ccMap), sizeof image.ccMap)) {
        // A controller can only be routed to a parameter that holds a value.
        for (int i = 0; i < 128; ++i) {
            const int target = image.ccMap[i];
            ccMap[i] = target >= 0 && target < kNumParameters ? target : -1;
        }
    }

    if (image.version >= kChunkPath && covers(size, offsetof(StateChunk, path), sizeof image.path)) {
        char path[sizeof image.path];
        std::memcpy(path, image.path, sizeof path);
        path[sizeof path - 1] = 0;  // an unterminated field is cut to 255 characters
        if (path[0] != 0) splitPatchFilename(path);
    }

    for (int i = 0; i < kNumParameters; ++i) setParameter(i, paramValues[i]);
    patchChanged = true;
    ++patchLoads;
    return byteSize;
}

void HalvoVST2::getPatchFilename(char* buffer, int size) const {
    if (buffer == nullptr || size <= 0) return;
    // Folder, a backslash, file; cut to the buffer; then every backslash becomes "/".
    std::size_t used = 0;
    const auto append = [&](const char* text) {
        while (*text && used + 1 < static_cast<std::size_t>(size)) buffer[used++] = *text++;
    };
    append(patchFolder);
    append("\\");
    append(patchFile);
    buffer[used] = 0;
    check_path(buffer);
}

void HalvoVST2::splitPatchFilename(const char* path) {
    if (path == nullptr) return;
    const char* slash = get_path_seperator(path);
    if (slash == nullptr) {
        copyText(patchFile, sizeof patchFile, path);
        return;
    }
    const std::size_t folderLength = std::min<std::size_t>(slash - path, sizeof patchFolder - 1);
    std::memcpy(patchFolder, path, folderLength);
    patchFolder[folderLength] = 0;
    copyText(patchFile, sizeof patchFile, slash + 1);
}

}  // namespace halvorax
