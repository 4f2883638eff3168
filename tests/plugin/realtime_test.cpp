// The audio thread never allocates or locks: operator new and pthread_mutex_lock are counted
// while a busy MIDI stream renders.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "../support/RealtimeCounters.h"
#include "ProbedEffect.h"

using namespace halvorax::test::realtime;

namespace {

using namespace halvorax;

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

struct Stream {
    std::vector<VstMidiEvent> records;
    std::vector<char> storage;
    VstEvents* list;
};

// A dense block: notes on and off, wheels, pressure, pedal and learnable controllers.
Stream busyBlock(int b, int frames) {
    Stream s;
    for (int i = 0; i < 300; ++i) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof e;
        e.deltaFrames = (i * 37 + b * 11) % frames;
        static const unsigned char kinds[] = {0x90, 0x80, 0xb0, 0xe0, 0xd0, 0xa0, 0x90};
        e.midiData[0] = static_cast<char>(kinds[(i + b) % 7] | (i % 16));
        e.midiData[1] = static_cast<char>((i * 7 + b) % 128);
        e.midiData[2] = static_cast<char>((i * 13 + b * 3) % 128);
        s.records.push_back(e);
    }
    s.storage.resize(sizeof(VstEvents) + s.records.size() * sizeof(VstEvent*));
    s.list = reinterpret_cast<VstEvents*>(s.storage.data());
    s.list->numEvents = static_cast<VstInt32>(s.records.size());
    for (std::size_t i = 0; i < s.records.size(); ++i) s.list->events[i] = reinterpret_cast<VstEvent*>(&s.records[i]);
    return s;
}

TEST(RealTime, TheCountersSeeAllocationsAndLocks) {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    armed = true;
    std::vector<int>* volatile grown = new std::vector<int>(100);  // the vector's buffer is counted
    delete grown;
    pthread_mutex_lock(&mutex);
    armed = false;
    pthread_mutex_unlock(&mutex);
    EXPECT_GE(allocations.exchange(0), 1);
    EXPECT_EQ(locks.exchange(0), 1);
}

TEST(RealTime, RenderingABusyStreamNeitherAllocatesNorLocks) {
    test::isolateDataHome();
    HalvoVST2 effect(quietHost);
    effect.setParameter(24, 1.0f);  // chorus on
    effect.setParameter(47, 1.0f);  // chord mode: several voices per key
    effect.toggleMidiLearn();
    std::vector<float> left(4096), right(4096);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<Stream> stream;
    for (int b = 0; b < 64; ++b) stream.push_back(busyBlock(b, b % 2 ? 4096 : 64));
    effect.requestReleaseAllNotes();
    const int notes[6] = {0, 4, 7, 11, 14, 0};
    effect.writeChordMemory(5, notes);

    armed = true;
    for (int b = 0; b < 64; ++b) {
        effect.dispatcher(effProcessEvents, 0, 0, stream[b].list, 0.0f);
        effect.processReplacing(nullptr, outputs, b % 2 ? 4096 : 64);
        if (b == 30) effect.setParameter(38, 0.0f);
    }
    armed = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(locks.load(), 0);
}

}  // namespace
