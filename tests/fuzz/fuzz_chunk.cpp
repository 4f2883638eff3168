// State chunks from a host or a damaged project: restoring must survive any bytes and any
// length, leave the state within its ranges, and what getChunk then gives must restore to
// itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "HalvoVST2.h"

using namespace halvorax;

namespace {

class FuzzedEffect : public HalvoVST2 {
public:
    FuzzedEffect() : HalvoVST2(nullptr) {}
    void check() const {
        for (int i = 0; i < 128; ++i)
            if (ccMap[i] < -1 || ccMap[i] >= kNumParameters) std::abort();
        int count = 0, notes[6];
        readChordMemory(count, notes);
        if (count < 0 || count > 6) std::abort();
        for (int note : notes)
            if (note < 0 || note > 127) std::abort();
        if (std::strlen(patchFolder) >= sizeof patchFolder || std::strlen(patchFile) >= sizeof patchFile) std::abort();
    }
};

// One effect for the whole run, with its patch folder kept out of the user's home.
FuzzedEffect& effect() {
    static FuzzedEffect* instance = [] {
        static char folder[] = "/tmp/halvorax-fuzz-XXXXXX";
        if (mkdtemp(folder) != nullptr) {
            setenv("XDG_DATA_HOME", folder, 1);
            std::atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
            });
        }
        setenv("HALVORAX_RESOURCES", "/nonexistent/", 1);
        return new FuzzedEffect();
    }();
    return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedEffect& e = effect();
    // An exact-length copy, so reading past what was given is caught by the sanitizers.
    std::vector<uint8_t> copy(data, data + size);
    e.setChunk(copy.empty() ? nullptr : copy.data(), static_cast<VstInt32>(size));
    e.check();

    void* image = nullptr;
    const VstInt32 length = e.getChunk(&image);
    std::vector<uint8_t> first(static_cast<uint8_t*>(image), static_cast<uint8_t*>(image) + length);
    e.setChunk(first.data(), length);
    e.getChunk(&image);
    if (std::memcmp(image, first.data(), first.size()) != 0) std::abort();
    return 0;
}
