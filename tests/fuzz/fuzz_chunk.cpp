// State chunks from a host or a damaged project: restoring must survive any bytes and any
// length, leave the state within its ranges, render finite bounded samples when played, and
// what getChunk then gives must restore to itself.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "FuzzIsolation.h"
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
    // A chord from the bottom to the top of the keyboard, held, then released: every sample
    // finite and within 16 (sixteen voices peak at about 6.3 in the engine, the master gain
    // is at most 2).
    void play() {
        for (int key : {0, 60, 64, 67, 127}) HandleMidi(0, 0x90, key, 127);
        std::vector<float> left(1024), right(1024);
        float* outputs[2] = {left.data(), right.data()};
        for (int b = 0; b < 3; ++b) {
            if (b == 2)
                for (int key : {0, 60, 64, 67, 127}) HandleMidi(0, 0x80, key, 0);
            processReplacing(nullptr, outputs, 1024);
            for (int n = 0; n < 1024; ++n)
                if (!(std::fabs(left[n]) <= 16.0f && std::fabs(right[n]) <= 16.0f)) std::abort();
        }
    }
};

// One effect for the whole run, with its patch folder kept out of the user's home.
FuzzedEffect& effect() {
    static FuzzedEffect* instance = [] {
        halvorax::fuzz::isolateFromTheUsersFiles();
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
    e.play();

    void* image = nullptr;
    const VstInt32 length = e.getChunk(&image);
    std::vector<uint8_t> first(static_cast<uint8_t*>(image), static_cast<uint8_t*>(image) + length);
    e.setChunk(first.data(), length);
    e.getChunk(&image);
    if (std::memcmp(image, first.data(), first.size()) != 0) std::abort();
    return 0;
}
