// The queue of host MIDI events for the coming block: copied on arrival (the host's records
// need not outlive the call), ordered by sample offset.
#pragma once

#include "VstAbi.h"

namespace halvorax {

constexpr int kMaxQueuedEvents = 256;

// The bytes of the sysex events of one block, copied on arrival into room set aside once: a
// queued sysex event holds the offset and length of its bytes here instead of the host's
// pointer. Messages that no longer fit are dropped.
struct SysexStore {
    static constexpr int kCapacity = 4096;
    unsigned char bytes[kCapacity];
    int used = 0;
};

// Copies the first 32 bytes of up to kMaxQueuedEvents MIDI events of the list into `events`,
// dropping the rest, and returns how many were queued. Sysex events are queued with their
// bytes in `sysex` (skipped without one); null entries and other events are skipped.
int queueEvents(const VstEvents* list, VstEvent* events, SysexStore* sysex = nullptr);

// The bytes of a queued sysex event (null when it is not one).
const unsigned char* sysexBytes(const VstEvent& event, const SysexStore& sysex, int& size);

// Orders events by sample offset; events with equal offsets keep their host order.
void sortEvents(VstEvent* events, int count);

// Cuts a block of `frames` at every event offset: calls render(start, length) for each
// non-empty stretch and handle(event) for each event in order, so every event is applied
// exactly at its sample. Offsets past the block are clamped to its end, negative ones to
// its start; equal offsets never make an empty segment.
template <typename Render, typename Handle>
void segmentBlock(const VstEvent* events, int count, int frames, Render&& render, Handle&& handle) {
    int rendered = 0;
    for (int i = 0; i < count; ++i) {
        int offset = events[i].deltaFrames;
        offset = offset < 0 ? 0 : (offset > frames ? frames : offset);
        if (offset > rendered) {
            render(rendered, offset - rendered);
            rendered = offset;
        }
        handle(events[i]);
    }
    if (rendered < frames) render(rendered, frames - rendered);
}

// The first three MIDI bytes of a queued event.
inline const unsigned char* midiBytes(const VstEvent& event) {
    return reinterpret_cast<const unsigned char*>(&event) + 24;
}

}  // namespace halvorax
