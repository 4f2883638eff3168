// An event list as a host hands it to effProcessEvents: MIDI and sysex records owned by the
// list, and the VstEvents block that points at them.
#pragma once

#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

#include "VstAbi.h"

namespace halvorax::test {

// A host that answers only the version question.
inline VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

class HostEvents {
public:
    // Three MIDI bytes at a frame offset.
    struct Midi {
        int frame;
        int status, data1, data2;
    };

    HostEvents(const std::vector<Midi>& messages = {}) {
        for (const Midi& m : messages) midi(m.frame, m.status, m.data1, m.data2);
    }
    HostEvents(const HostEvents&) = delete;
    HostEvents& operator=(const HostEvents&) = delete;

    void midi(int frame, int status, int data1, int data2 = 0) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof e;
        e.deltaFrames = frame;
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(data1);
        e.midiData[2] = static_cast<char>(data2);
        midiRecords.push_back(e);
        add(&midiRecords.back());
    }
    // A sysex record over a copy of the bytes, which the caller may change or drop afterwards.
    void sysex(int frame, std::vector<unsigned char> bytes) {
        dumps.push_back(std::move(bytes));
        VstMidiSysexEvent e{};
        e.type = kVstSysExType;
        e.byteSize = sizeof e;
        e.deltaFrames = frame;
        e.dumpBytes = static_cast<VstInt32>(dumps.back().size());
        e.sysexDump = reinterpret_cast<char*>(dumps.back().data());
        sysexRecords.push_back(e);
        add(&sysexRecords.back());
    }
    // The sysex bytes as the effect sees them, to overwrite once the effect has taken the list.
    std::vector<unsigned char>& dump(int i) { return dumps[static_cast<std::size_t>(i)]; }
    VstEvents* list() { return reinterpret_cast<VstEvents*>(block.data()); }

private:
    void add(void* record) {
        pointers.push_back(static_cast<VstEvent*>(record));
        block.assign(sizeof(VstEvents) + pointers.size() * sizeof(VstEvent*), 0);
        list()->numEvents = static_cast<VstInt32>(pointers.size());
        VstEvent** entries = list()->events;  // the list runs on past the two entries it declares
        for (std::size_t i = 0; i < pointers.size(); ++i) entries[i] = pointers[i];
    }

    std::deque<VstMidiEvent> midiRecords;
    std::deque<VstMidiSysexEvent> sysexRecords;
    std::deque<std::vector<unsigned char>> dumps;
    std::vector<VstEvent*> pointers;
    std::vector<char> block;
};

}  // namespace halvorax::test
