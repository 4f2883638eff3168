// Short MIDI messages handed from one thread to another without locks: one writer (the ALSA
// sequencer reader), one reader (the JACK process callback). A full ring drops the newest.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace halvorax {

struct MidiMessage {
    uint8_t bytes[3] = {};
    uint8_t size = 0;
};

template <std::size_t Capacity>
class MidiRing {
    static_assert((Capacity & (Capacity - 1)) == 0, "a power of two, so the counters may wrap");

public:
    bool push(const MidiMessage& message) {
        const std::size_t head = written.load(std::memory_order_relaxed);
        if (head - read.load(std::memory_order_acquire) == Capacity) return false;
        slots[head % Capacity] = message;
        written.store(head + 1, std::memory_order_release);
        return true;
    }

    bool pop(MidiMessage& message) {
        const std::size_t tail = read.load(std::memory_order_relaxed);
        if (tail == written.load(std::memory_order_acquire)) return false;
        message = slots[tail % Capacity];
        read.store(tail + 1, std::memory_order_release);
        return true;
    }

private:
    std::array<MidiMessage, Capacity> slots{};
    alignas(64) std::atomic<std::size_t> written{0};
    alignas(64) std::atomic<std::size_t> read{0};
};

}  // namespace halvorax
