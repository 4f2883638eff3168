// The queue of host MIDI events for the coming block: copied on arrival (the host's records
// need not outlive the call), ordered by sample offset.
#pragma once

#include "VstAbi.h"

namespace halvorax {

constexpr int kMaxQueuedEvents = 256;

// Copies the first 32 bytes of up to kMaxQueuedEvents MIDI events of the list into `events`,
// dropping the rest, and returns how many were queued. Null entries and events that are not
// MIDI (a sysex record holds a pointer where MIDI bytes would be) are skipped.
int queueEvents(const VstEvents* list, VstEvent* events);

// Orders events by sample offset; events with equal offsets keep their host order.
void sortEvents(VstEvent* events, int count);

// The first three MIDI bytes of a queued event.
inline const unsigned char* midiBytes(const VstEvent& event) {
    return reinterpret_cast<const unsigned char*>(&event) + 24;
}

}  // namespace halvorax
