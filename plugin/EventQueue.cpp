#include "EventQueue.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace halvorax {

namespace {

// A sysex event's place in the store, kept where a MIDI event keeps its bytes.
struct SysexSlot {
    int32_t offset;
    int32_t size;
};
static_assert(sizeof(SysexSlot) <= sizeof(VstEvent::data), "sysex slot fits the event");

bool queueSysex(const VstEvent* event, VstEvent& queued, SysexStore* sysex) {
    // Hosts differ in the byte size they state; the type alone says the record is a sysex one.
    if (sysex == nullptr) return false;
    VstMidiSysexEvent record;
    std::memcpy(&record, event, sizeof record);
    const int size = record.dumpBytes;
    if (record.sysexDump == nullptr || size <= 0 || size > SysexStore::kCapacity - sysex->used) return false;
    std::memcpy(sysex->bytes + sysex->used, record.sysexDump, static_cast<std::size_t>(size));
    queued = VstEvent{kVstSysExType, static_cast<VstInt32>(sizeof(VstEvent)), record.deltaFrames, record.flags, {}};
    const SysexSlot slot{sysex->used, size};
    std::memcpy(queued.data, &slot, sizeof slot);
    sysex->used += size;
    return true;
}

}  // namespace

int queueEvents(const VstEvents* list, VstEvent* events, SysexStore* sysex) {
    if (sysex) sysex->used = 0;
    if (list == nullptr || list->numEvents <= 0) return 0;
    int count = 0;
    // The record declares two entries, but a host's list runs on past them: read it through
    // a plain pointer.
    VstEvent* const* entries = list->events;
    for (int i = 0; i < list->numEvents && count < kMaxQueuedEvents; ++i) {
        const VstEvent* event = entries[i];
        if (event == nullptr) continue;
        if (event->type == kVstMidiType)
            std::memcpy(&events[count++], event, sizeof(VstEvent));
        else if (event->type == kVstSysExType && queueSysex(event, events[count], sysex))
            ++count;
    }
    return count;
}

const unsigned char* sysexBytes(const VstEvent& event, const SysexStore& sysex, int& size) {
    if (event.type != kVstSysExType) return nullptr;
    SysexSlot slot;
    std::memcpy(&slot, event.data, sizeof slot);
    if (slot.offset < 0 || slot.size <= 0 || slot.offset > SysexStore::kCapacity - slot.size) return nullptr;
    size = slot.size;
    return sysex.bytes + slot.offset;
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
