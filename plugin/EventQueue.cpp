#include "EventQueue.h"

#include <cstring>
#include <utility>

namespace halvorax {

int queueEvents(const VstEvents* list, VstEvent* events) {
    if (list == nullptr || list->numEvents <= 0) return 0;
    int count = 0;
    // The record declares two entries, but a host's list runs on past them: read it through
    // a plain pointer.
    VstEvent* const* entries = list->events;
    for (int i = 0; i < list->numEvents && count < kMaxQueuedEvents; ++i) {
        const VstEvent* event = entries[i];
        if (event == nullptr || event->type != kVstMidiType) continue;
        std::memcpy(&events[count++], event, sizeof(VstEvent));
    }
    return count;
}

void sortEvents(VstEvent* events, int count) {
    // Adjacent swaps only when strictly greater: stable, and a host's queue is almost always
    // sorted already, so one pass settles it.
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 0; i + 1 < count; ++i) {
            if (events[i].deltaFrames > events[i + 1].deltaFrames) {
                std::swap(events[i], events[i + 1]);
                swapped = true;
            }
        }
    }
}

}  // namespace halvorax
