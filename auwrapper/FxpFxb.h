// VST program (FXP) and bank (FXB) data: writing the effect's current program or bank, and
// applying such data to the effect. All integers are 32-bit big-endian, parameter values
// 32-bit IEEE floats in the same byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "EffectAccess.h"

namespace tandem {

constexpr int32_t fourCC(char a, char b, char c, char d) {
    return int32_t((uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) | (uint32_t(uint8_t(c)) << 8) |
                   uint32_t(uint8_t(d)));
}

constexpr int32_t kFxChunkMagic = fourCC('C', 'c', 'n', 'K');
constexpr int32_t kFxProgramParams = fourCC('F', 'x', 'C', 'k');
constexpr int32_t kFxProgramChunk = fourCC('F', 'P', 'C', 'h');
constexpr int32_t kFxBankPrograms = fourCC('F', 'x', 'B', 'k');
constexpr int32_t kFxBankChunk = fourCC('F', 'B', 'C', 'h');
constexpr int kFxProgramHeaderSize = 56;  // up to the first value or the chunk size
constexpr int kFxBankHeaderSize = 156;    // up to the first program or the chunk size
constexpr int kFxNameFieldSize = 28;
constexpr int kFxNameLength = 24;

class FxCodec {
public:
    explicit FxCodec(EffectAccess& effect) : effect(effect) {}

    std::vector<unsigned char> createFXP();
    std::vector<unsigned char> createFXB();
    // Writes one "FxCk" record of the current program; returns the position after it.
    unsigned char* writeFxCk(unsigned char* destination);
    // Size of one "FxCk" record of this effect.
    size_t fxCkSize();

    // Applies FXP or FXB data. True when everything matched; false when counts differed or
    // values were clamped. Raises FormatException or EOFException for data it refuses; the
    // checks that can be made before anything is applied are made first.
    bool loadFXPOrFXB(size_t size, const unsigned char* bytes);
    // Applies one "FxCk" record to the current program and returns the position after it.
    const unsigned char* readFxCk(const unsigned char* position, const unsigned char* end, bool& ok);

    static const unsigned char* readBigInt32(const unsigned char* position, const unsigned char* end, int32_t& value);
    static unsigned char* writeBigInt32(unsigned char* position, int32_t value);

private:
    bool loadProgramChunk(const unsigned char* bytes, const unsigned char* end);
    bool loadBankPrograms(const unsigned char* bytes, const unsigned char* end);
    bool loadBankChunk(const unsigned char* bytes, const unsigned char* end);
    unsigned char* writeHeader(unsigned char* position, int32_t byteSize, int32_t kind, int32_t count);

    EffectAccess& effect;
};

}  // namespace tandem
