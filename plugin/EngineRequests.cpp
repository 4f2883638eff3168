#include "EngineRequests.h"

#include <algorithm>

namespace halvorax {

uint64_t EngineRequests::pack(const ChordMemory& chord) {
    uint64_t word = static_cast<uint64_t>(std::clamp(chord.count, 0, 6));
    for (int i = 0; i < 6; ++i) word |= static_cast<uint64_t>(std::clamp(chord.notes[i], 0, 127)) << (3 + 7 * i);
    return word;
}

ChordMemory EngineRequests::unpack(uint64_t word) {
    ChordMemory chord;
    chord.count = static_cast<int>(word & 7);
    for (int i = 0; i < 6; ++i) chord.notes[i] = static_cast<int>((word >> (3 + 7 * i)) & 127);
    return chord;
}

void EngineRequests::requestChordMemory(const ChordMemory& chord) {
    pending.store(pack(chord) | kPending, std::memory_order_release);
}

bool EngineRequests::takeChordMemory(ChordMemory& chord) {
    uint64_t word = pending.load(std::memory_order_acquire);
    if (!(word & kPending)) return false;
    chord = unpack(word & ~kPending);
    // Published before the request is cleared, so a reader never sees the old chord in
    // between; a newer request posted meanwhile stays pending for the next segment.
    publishChordMemory(chord);
    pending.compare_exchange_strong(word, 0, std::memory_order_acq_rel);
    return true;
}

ChordMemory EngineRequests::currentChordMemory() const {
    const uint64_t waiting = pending.load(std::memory_order_acquire);
    return unpack(waiting & kPending ? waiting & ~kPending : published.load(std::memory_order_acquire));
}

}  // namespace halvorax
