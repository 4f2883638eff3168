// The whole effect as a host drives it, through the effect record's function pointers only.
// The input is a script of host calls: state chunks of any bytes and size, parameter values
// of any bits on any index, MIDI and sysex events with any bytes and offsets, sample-rate and
// block-size changes, and blocks of 0 to 8192 frames. Whatever the script, nothing crashes and
// every rendered sample is finite and within kBound.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "../support/HostEvents.h"
#include "FuzzIsolation.h"
#include "HalvoVST2.h"

using namespace halvorax;

namespace {

// Sixteen voices at full level peak at about 6.3 inside the engine, and the master volume's
// gain is at most 2: anything past 16 is a fault, not a loud patch.
constexpr float kBound = 16.0f;
constexpr int kMaxFrames = 8192;

// The script's bytes, read front to back; past the end every read gives zeros.
class Script {
public:
    Script(const uint8_t* data, size_t size) : data(data), size(size) {}
    bool done() const { return position >= size; }
    template <typename T>
    T take() {
        T value{};
        const size_t n = std::min(sizeof value, size - std::min(size, position));
        if (n > 0) std::memcpy(&value, data + position, n);
        position += sizeof value;
        return value;
    }
    // Up to `length` bytes of the script, copied to a block of exactly their size.
    std::vector<uint8_t> bytes(size_t length) {
        const size_t available = size - std::min(size, position);
        length = std::min(length, available);
        std::vector<uint8_t> copy(data + position, data + position + length);
        position += length;
        return copy;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

// One event list as a host builds it: MIDI records with three bytes, sysex records pointing
// at a dump of exactly its size.
void readEvents(Script& script, test::HostEvents& events) {
    const int count = script.take<uint8_t>() % 64;
    for (int i = 0; i < count; ++i) {
        const uint8_t kind = script.take<uint8_t>();
        const int32_t frame = kind & 0x80 ? script.take<int32_t>() : script.take<uint8_t>() * 32;
        if (kind % 8 == 7) {
            events.sysex(frame, script.bytes(script.take<uint16_t>() % 4096));
        } else {
            const uint8_t status = script.take<uint8_t>(), data1 = script.take<uint8_t>();
            events.midi(frame, status, data1, script.take<uint8_t>());
        }
    }
}

void render(AEffect* e, int frames) {
    std::vector<float> left(frames + 1, 0.5f), right(frames + 1, 0.5f);
    float* outputs[2] = {left.data(), right.data()};
    e->processReplacing(e, nullptr, outputs, frames);
    for (int n = 0; n < frames; ++n)
        if (!(std::fabs(left[n]) <= kBound && std::fabs(right[n]) <= kBound)) std::abort();
    // Nothing past the block is written.
    if (left[frames] != 0.5f || right[frames] != 0.5f) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    halvorax::fuzz::isolateFromTheUsersFiles();
    AEffect* e = (new HalvoVST2(test::quietHost))->getAeffect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e->dispatcher(e, effSetBlockSize, 0, 512, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);

    Script script(data, size);
    int calls = 0;
    while (!script.done() && ++calls < 200) {
        switch (script.take<uint8_t>() % 8) {
            case 0: {
                std::vector<uint8_t> chunk = script.bytes(script.take<uint16_t>());
                e->dispatcher(e, effSetChunk, script.take<uint8_t>() & 1, static_cast<VstIntPtr>(chunk.size()),
                              chunk.empty() ? nullptr : chunk.data(), 0.0f);
                break;
            }
            case 1: {
                const int32_t index =
                    script.take<uint8_t>() & 0x80 ? script.take<int32_t>() : script.take<uint8_t>() % 64;
                e->setParameter(e, index, script.take<float>());
                break;
            }
            case 2: {
                test::HostEvents events;
                readEvents(script, events);
                e->dispatcher(e, effProcessEvents, 0, 0, events.list(), 0.0f);
                break;
            }
            case 3:
                e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, script.take<float>());
                break;
            case 4:
                e->dispatcher(e, effSetBlockSize, 0, script.take<int32_t>(), nullptr, 0.0f);
                break;
            case 5:
                render(e, script.take<uint16_t>() % (kMaxFrames + 1));
                break;
            case 6: {
                // The host stores the state and hands it back.
                void* image = nullptr;
                const VstIntPtr length = e->dispatcher(e, effGetChunk, 0, 0, &image, 0.0f);
                std::vector<uint8_t> copy(static_cast<uint8_t*>(image), static_cast<uint8_t*>(image) + length);
                e->dispatcher(e, effSetChunk, 0, length, copy.data(), 0.0f);
                break;
            }
            default: {
                char text[256] = {};
                const int32_t index = script.take<int32_t>();
                e->dispatcher(e, effGetParamDisplay, index, 0, text, 0.0f);
                e->dispatcher(e, effGetParamName, index, 0, text, 0.0f);
                if (std::memchr(text, 0, sizeof text) == nullptr) std::abort();
                break;
            }
        }
    }
    render(e, 256);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
