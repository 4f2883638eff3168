#include "FxpFxb.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "TandemExceptions.h"

namespace tandem {

namespace {

const char* const kInvalidFormat = "Invalid format of FXP / FXB data";
const char* const kEndOfFile = "End of file error";
constexpr int kReservedBankBytes = 128;

void requireBytes(const unsigned char* position, const unsigned char* end, int64_t count) {
    if (position == nullptr || end - position < count) throw EOFException(kEndOfFile);
}

const unsigned char* readBigFloat(const unsigned char* position, const unsigned char* end, float& value) {
    int32_t bits = 0;
    position = FxCodec::readBigInt32(position, end, bits);
    std::memcpy(&value, &bits, sizeof value);
    return position;
}

unsigned char* writeBigFloat(unsigned char* position, float value) {
    int32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return FxCodec::writeBigInt32(position, bits);
}

// A stored value outside 0..1 is brought into range and reported; one inside keeps every bit.
// Values that are not finite never get here (checkFxCk refuses them).
float clampedValue(float value, bool& ok) {
    const float clamped = std::min(std::max(value, 0.0f), 1.0f);
    if (clamped != value) ok = false;
    return clamped;
}

// The six header words shared by program and bank records.
struct FxHeader {
    int32_t magic = 0;
    int32_t byteSize = 0;
    int32_t kind = 0;
    int32_t formatVersion = 0;
    int32_t plugInId = 0;
    int32_t plugInVersion = 0;
};

const unsigned char* readHeader(const unsigned char* position, const unsigned char* end, FxHeader& header) {
    position = FxCodec::readBigInt32(position, end, header.magic);
    position = FxCodec::readBigInt32(position, end, header.byteSize);
    position = FxCodec::readBigInt32(position, end, header.kind);
    position = FxCodec::readBigInt32(position, end, header.formatVersion);
    position = FxCodec::readBigInt32(position, end, header.plugInId);
    return FxCodec::readBigInt32(position, end, header.plugInVersion);
}

// Selects `program` again when it leaves scope, also while an exception passes.
class ProgramRestorer {
public:
    ProgramRestorer(EffectAccess& effect, int32_t program) : effect(effect), program(program) {}
    ~ProgramRestorer() {
        if (program >= 0) effect.setCurrentProgram(program);
    }

private:
    EffectAccess& effect;
    int32_t program;
};

}  // namespace

const unsigned char* FxCodec::readBigInt32(const unsigned char* position, const unsigned char* end, int32_t& value) {
    requireBytes(position, end, 4);
    value = int32_t((uint32_t(position[0]) << 24) | (uint32_t(position[1]) << 16) | (uint32_t(position[2]) << 8) |
                    uint32_t(position[3]));
    return position + 4;
}

unsigned char* FxCodec::writeBigInt32(unsigned char* position, int32_t value) {
    const uint32_t bits = uint32_t(value);
    position[0] = uint8_t(bits >> 24);
    position[1] = uint8_t(bits >> 16);
    position[2] = uint8_t(bits >> 8);
    position[3] = uint8_t(bits);
    return position + 4;
}

// ---- writing ----

unsigned char* FxCodec::writeHeader(unsigned char* position, int32_t byteSize, int32_t kind, int32_t count) {
    position = writeBigInt32(position, kFxChunkMagic);
    position = writeBigInt32(position, byteSize);
    position = writeBigInt32(position, kind);
    position = writeBigInt32(position, 1);
    position = writeBigInt32(position, effect.uniqueId());
    position = writeBigInt32(position, effect.effectVersion());
    return writeBigInt32(position, count);
}

size_t FxCodec::fxCkSize() { return size_t(kFxProgramHeaderSize) + 4 * size_t(std::max(effect.parameterCount(), 0)); }

unsigned char* FxCodec::writeFxCk(unsigned char* destination) {
    const int32_t count = std::max(effect.parameterCount(), 0);
    unsigned char* position = writeHeader(destination, int32_t(fxCkSize() - 8), kFxProgramParams, count);
    char name[kFxNameLength + 1] = {};
    effect.getCurrentProgramName(name);
    std::memset(position, 0, kFxNameFieldSize);
    std::memcpy(position, name, std::strlen(name));
    position += kFxNameFieldSize;
    for (int32_t i = 0; i < count; ++i) position = writeBigFloat(position, effect.getParameter(i));
    return position;
}

std::vector<unsigned char> FxCodec::createFXP() {
    if (!effect.hasProgramChunks()) {
        std::vector<unsigned char> bytes(fxCkSize());
        writeFxCk(bytes.data());
        return bytes;
    }
    void* chunk = nullptr;
    const intptr_t chunkSize = effect.getChunk(true, &chunk);
    if (chunkSize < 1 || chunk == nullptr || chunkSize > INT32_MAX - 64)
        throw TandemException("VST could not create chunk for FXP");
    std::vector<unsigned char> bytes(size_t(kFxProgramHeaderSize + 4 + chunkSize));
    unsigned char* position =
        writeHeader(bytes.data(), int32_t(bytes.size() - 8), kFxProgramChunk, effect.parameterCount());
    char name[kFxNameLength + 1] = {};
    effect.getCurrentProgramName(name);
    std::memcpy(position, name, std::strlen(name));  // the rest of the field stays zero
    position = writeBigInt32(position + kFxNameFieldSize, int32_t(chunkSize));
    std::memcpy(position, chunk, size_t(chunkSize));
    return bytes;
}

std::vector<unsigned char> FxCodec::createFXB() {
    const int32_t programs = std::max(effect.programCount(), 0);
    if (effect.hasProgramChunks()) {
        void* chunk = nullptr;
        const intptr_t chunkSize = effect.getChunk(false, &chunk);
        if (chunkSize < 1 || chunk == nullptr || chunkSize > INT32_MAX - 256)
            throw TandemException("VST could not create chunk for FXB");
        std::vector<unsigned char> bytes(size_t(kFxBankHeaderSize + 4 + chunkSize));
        unsigned char* position = writeHeader(bytes.data(), int32_t(bytes.size() - 8), kFxBankChunk, programs);
        position = writeBigInt32(position + kReservedBankBytes, int32_t(chunkSize));
        std::memcpy(position, chunk, size_t(chunkSize));
        return bytes;
    }
    std::vector<unsigned char> bytes(kFxBankHeaderSize + size_t(programs) * fxCkSize());
    unsigned char* position = writeHeader(bytes.data(), int32_t(bytes.size() - 8), kFxBankPrograms, programs);
    position += kReservedBankBytes;
    ProgramRestorer restorer(effect, effect.getCurrentProgram());
    for (int32_t i = 0; i < programs; ++i) {
        effect.setCurrentProgram(i);
        position = writeFxCk(position);
    }
    return bytes;
}

// ---- reading ----

bool FxCodec::loadFXPOrFXB(size_t size, const unsigned char* bytes) {
    const unsigned char* end = bytes ? bytes + size : nullptr;
    FxHeader header;
    readHeader(bytes, end, header);
    if (header.magic != kFxChunkMagic || int64_t(header.byteSize) + 8 > int64_t(size) || header.formatVersion != 1 ||
        header.plugInId != effect.uniqueId())
        throw FormatException(kInvalidFormat);
    switch (header.kind) {
        case kFxProgramParams: {
            bool ok = true;
            readFxCk(bytes, end, ok);
            return ok;
        }
        case kFxProgramChunk:
            return loadProgramChunk(bytes, end);
        case kFxBankPrograms:
            return loadBankPrograms(bytes, end);
        case kFxBankChunk:
            return loadBankChunk(bytes, end);
        default:
            throw FormatException(kInvalidFormat);
    }
}

bool FxCodec::loadProgramChunk(const unsigned char* bytes, const unsigned char* end) {
    // The chunk size and the chunk are checked before the name is applied, so refused data
    // changes nothing.
    requireBytes(bytes, end, kFxProgramHeaderSize + 4);
    int32_t chunkSize = 0;
    const unsigned char* chunk = readBigInt32(bytes + kFxProgramHeaderSize, end, chunkSize);
    if (chunkSize < 0 || chunkSize > end - chunk) throw EOFException("Unexpected end of file in FXP / FXB data");
    char name[kFxNameLength + 1] = {};
    std::memcpy(name, bytes + kFxProgramHeaderSize - kFxNameFieldSize, kFxNameLength);
    effect.setCurrentProgramName(name);
    return effect.setChunk(true, chunk, chunkSize) != 0;
}

bool FxCodec::loadBankChunk(const unsigned char* bytes, const unsigned char* end) {
    requireBytes(bytes, end, kFxBankHeaderSize + 4);
    int32_t chunkSize = 0;
    const unsigned char* chunk = readBigInt32(bytes + kFxBankHeaderSize, end, chunkSize);
    if (chunkSize < 0 || chunkSize > end - chunk) throw EOFException("Unexpected end of file in FXB data");
    return effect.setChunk(false, chunk, chunkSize) != 0;
}

namespace {

// Checks one "FxCk" record without applying it; returns the position after it (or after the
// values the effect reads, when the record's count is larger than the data holds).
const unsigned char* checkFxCk(const unsigned char* position, const unsigned char* end, int32_t uniqueId,
                               int32_t parameterCount, int32_t& storedCount) {
    FxHeader header;
    const unsigned char* p = readHeader(position, end, header);
    if (header.magic != kFxChunkMagic || header.formatVersion != 1 || header.plugInId != uniqueId)
        throw FormatException(kInvalidFormat);
    p = FxCodec::readBigInt32(p, end, storedCount);
    requireBytes(p, end, kFxNameFieldSize);
    p += kFxNameFieldSize;
    const int64_t stored = std::max<int64_t>(storedCount, 0);
    const int64_t used = std::min<int64_t>(stored, std::max(parameterCount, 0));
    requireBytes(p, end, 4 * used);
    // A value that is no number at all is refused with its record, before anything is applied.
    for (int64_t i = 0; i < used; ++i) {
        float value = 0.0f;
        readBigFloat(p + 4 * i, end, value);
        if (!std::isfinite(value)) throw FormatException(kInvalidFormat);
    }
    // A record with more values than the effect has is stepped over whole when it is all
    // there, so that the next record of a bank is found where it starts.
    return end - p >= 4 * stored ? p + 4 * stored : p + 4 * used;
}

}  // namespace

const unsigned char* FxCodec::readFxCk(const unsigned char* position, const unsigned char* end, bool& ok) {
    const int32_t parameters = effect.parameterCount();
    int32_t storedCount = 0;
    const unsigned char* after = checkFxCk(position, end, effect.uniqueId(), parameters, storedCount);
    if (storedCount != parameters) ok = false;

    const unsigned char* p = position + kFxProgramHeaderSize - kFxNameFieldSize;
    char name[kFxNameLength + 1] = {};
    std::memcpy(name, p, kFxNameLength);
    effect.setCurrentProgramName(name);
    p += kFxNameFieldSize;

    effect.beginSetProgram();
    try {
        for (int32_t i = 0; i < parameters; ++i) {
            float value = 0.0f;
            if (i < storedCount) p = readBigFloat(p, end, value);
            effect.setParameter(i, clampedValue(value, ok));
        }
    } catch (...) {
        effect.endSetProgram();
        throw;
    }
    effect.endSetProgram();
    return after;
}

bool FxCodec::loadBankPrograms(const unsigned char* bytes, const unsigned char* end) {
    bool ok = true;
    int32_t count = 0;
    const unsigned char* first = readBigInt32(bytes + 24, end, count);
    requireBytes(first, end, kReservedBankBytes);
    first += kReservedBankBytes;
    const int32_t programs = effect.programCount();
    if (count != programs) {
        ok = false;
        count = std::min(count, programs);
    }
    // Every record is checked before the first is applied: refused data changes nothing.
    const unsigned char* p = first;
    for (int32_t i = 0; i < count; ++i) {
        int32_t stored = 0;
        p = checkFxCk(p, end, effect.uniqueId(), effect.parameterCount(), stored);
    }
    ProgramRestorer restorer(effect, effect.getCurrentProgram());
    p = first;
    for (int32_t i = 0; i < count; ++i) {
        effect.setCurrentProgram(i);
        p = readFxCk(p, end, ok);
    }
    return ok;
}

}  // namespace tandem
