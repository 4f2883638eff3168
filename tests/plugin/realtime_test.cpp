// The audio thread never allocates or locks: operator new and pthread_mutex_lock are counted
// while a busy MIDI stream renders.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "../support/HostEvents.h"
#include "../support/RealtimeCounters.h"
#include "ProbedEffect.h"

using namespace halvorax::test::realtime;

namespace {

using namespace halvorax;

// A dense block: notes on and off, wheels, pressure, pedal and learnable controllers.
std::unique_ptr<test::HostEvents> busyBlock(int b, int frames) {
    auto events = std::make_unique<test::HostEvents>();
    static const int kinds[] = {0x90, 0x80, 0xb0, 0xe0, 0xd0, 0xa0, 0x90};
    for (int i = 0; i < 300; ++i)
        events->midi((i * 37 + b * 11) % frames, kinds[(i + b) % 7] | (i % 16), (i * 7 + b) % 128,
                     (i * 13 + b * 3) % 128);
    return events;
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
    HalvoVST2 effect(test::quietHost);
    effect.setParameter(24, 1.0f);  // chorus on
    effect.setParameter(47, 1.0f);  // chord mode: several voices per key
    effect.toggleMidiLearn();
    std::vector<float> left(4096), right(4096);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<std::unique_ptr<test::HostEvents>> stream;
    for (int b = 0; b < 64; ++b) stream.push_back(busyBlock(b, b % 2 ? 4096 : 64));
    effect.requestReleaseAllNotes();
    const int notes[6] = {0, 4, 7, 11, 14, 0};
    effect.writeChordMemory(5, notes);

    armed = true;
    for (int b = 0; b < 64; ++b) {
        effect.dispatcher(effProcessEvents, 0, 0, stream[b]->list(), 0.0f);
        effect.processReplacing(nullptr, outputs, b % 2 ? 4096 : 64);
        if (b == 30) effect.setParameter(38, 0.0f);
    }
    armed = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(locks.load(), 0);
}

// Sysex from the hardware: an IPR moves one parameter, a tone APR the whole sound and, once
// the user-interface side looks, the patch name; the bytes are copied and parsed without
// allocating. A malformed message changes nothing.
TEST(RealTime, LiveSysexSetsParametersWithoutAllocating) {
    test::isolateDataHome();
    HalvoVST2 effect(test::quietHost);
    std::vector<unsigned char> apr = {0xF0, 0x41, 0x35, 0x05, 0x23, 0x20, 0x01};
    for (int p = 0; p < 36; ++p) apr.push_back(p == 6 ? 1 : 0);  // range 1, the rest 0
    for (unsigned char code : {7, 4, 11, 11, 14, 62, 62, 62, 62, 63}) apr.push_back(code);
    apr.push_back(0xF7);
    test::HostEvents events;
    events.sysex(0, apr);
    events.sysex(1, {0xF0, 0x41, 0x36, 0x0F, 0x23, 0x20, 0x01, 16, 100, 0xF7});  // cutoff
    events.sysex(2, {0xF0, 0x41, 0x36, 0x00, 0x23, 0x20, 0x01, 99, 1, 0xF7});    // no position 99
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    effect.takePatchChanged();

    armed = true;
    effect.dispatcher(effProcessEvents, 0, 0, events.list(), 0.0f);
    for (int i = 0; i < 3; ++i)
        std::fill(events.dump(i).begin(), events.dump(i).end(), 0);  // the host's buffers may go
    effect.processReplacing(nullptr, outputs, 64);
    armed = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(effect.getParameter(0), 1.0f / 3.0f);
    EXPECT_EQ(effect.getParameter(14), 100.0f / 127.0f);
    EXPECT_TRUE(effect.takePatchChanged());
    EXPECT_STREQ(effect.getPatchFile(), "HELLO    -");
}

}  // namespace
