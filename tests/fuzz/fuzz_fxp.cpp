// FXP/FXB data from preset files and host state: reading must survive any bytes, apply only
// values within 0..1, pair every program-load begin with its end, and refuse or accept without
// reading past the data. Whatever was accepted must write out and read back the same.
#include <cstdint>
#include <vector>

#include "PresetFuzzEffect.h"
#include "TandemExceptions.h"

namespace {

void loadInto(PresetFuzzEffect& effect, const std::vector<uint8_t>& bytes) {
    try {
        tandem::FxCodec(effect).loadFXPOrFXB(bytes.size(), bytes.empty() ? nullptr : bytes.data());
    } catch (const tandem::TandemException&) {
        // Refused: FormatException or EOFException.
    }
    if (effect.depth != 0) std::abort();
}

// Writing what was loaded and reading it back must be accepted without a mismatch and
// change nothing.
void checkRoundTrip(PresetFuzzEffect& effect, bool bank) {
    if (effect.hasProgramChunks() && effect.chunk.empty()) return;  // nothing to write
    tandem::FxCodec codec(effect);
    const std::vector<unsigned char> written = bank ? codec.createFXB() : codec.createFXP();
    const std::vector<float> values = effect.values;
    const std::vector<unsigned char> chunk = effect.chunk;
    if (!codec.loadFXPOrFXB(written.size(), written.data())) std::abort();
    if (effect.values != values || effect.chunk != chunk) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-length copy, so reading past what was given is caught by the sanitizers.
    const std::vector<uint8_t> bytes(data, data + size);
    PresetFuzzEffect parameters(5, 3, false);
    loadInto(parameters, bytes);
    checkRoundTrip(parameters, false);
    checkRoundTrip(parameters, true);
    PresetFuzzEffect chunks(5, 1, true);
    loadInto(chunks, bytes);
    checkRoundTrip(chunks, false);
    checkRoundTrip(chunks, true);
    return 0;
}
