// Requests from the user-interface thread that must reach the engine, which only the audio
// thread may enter: the release of every note, and writes of the chord memory. Posted
// without locks, carried out by the audio thread between segments.
#pragma once

#include <atomic>
#include <cstdint>

namespace halvorax {

struct ChordMemory {
    int count = 0;
    int notes[6] = {0, 0, 0, 0, 0, 0};
};

class EngineRequests {
public:
    // User-interface side.
    void requestReleaseAllNotes() { releaseAll.store(true, std::memory_order_release); }
    void requestChordMemory(const ChordMemory& chord);

    // Audio side: true (once) when a release was requested since the last call.
    bool takeReleaseAllNotes() { return releaseAll.exchange(false, std::memory_order_acq_rel); }
    // True (once) with the latest chord memory written since the last call.
    bool takeChordMemory(ChordMemory& chord);

    // The chord memory as the engine holds it, published by the audio thread after every
    // change, so that other threads can read it (saving, the state chunk) without entering
    // the engine. A write still waiting for the audio thread is what readers see.
    void publishChordMemory(const ChordMemory& chord) { published.store(pack(chord), std::memory_order_release); }
    ChordMemory currentChordMemory() const;

    // Counts 0..6 and notes 0..127 pack into one word, so a chord crosses threads whole.
    static uint64_t pack(const ChordMemory& chord);
    static ChordMemory unpack(uint64_t word);

private:
    static constexpr uint64_t kPending = 1ull << 63;
    std::atomic<bool> releaseAll{false};
    std::atomic<uint64_t> pending{0};
    std::atomic<uint64_t> published{0};
};

}  // namespace halvorax
