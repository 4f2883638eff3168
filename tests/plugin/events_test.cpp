#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "EventQueue.h"
#include "HalvoVST2.h"
#include "TestHost.h"

using namespace halvorax;

namespace {

VstMidiEvent midi(int offset, unsigned char status, unsigned char d1, unsigned char d2 = 0) {
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof e;
    e.deltaFrames = offset;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(d1);
    e.midiData[2] = static_cast<char>(d2);
    return e;
}

// A host event list over records the test owns.
struct EventList {
    explicit EventList(std::vector<VstMidiEvent> records) : records(std::move(records)) {
        storage.assign(sizeof(VstEvents) + this->records.size() * sizeof(VstEvent*), 0);
        list()->numEvents = static_cast<VstInt32>(this->records.size());
        for (std::size_t i = 0; i < this->records.size(); ++i)
            list()->events[i] = reinterpret_cast<VstEvent*>(&this->records[i]);
    }
    VstEvents* list() { return reinterpret_cast<VstEvents*>(storage.data()); }
    std::vector<VstMidiEvent> records;
    std::vector<char> storage;
};

std::vector<std::pair<int, int>> segments(const std::vector<VstMidiEvent>& records, int frames,
                                          std::vector<int>* handled = nullptr) {
    EventList host(records);
    VstEvent queue[kMaxQueuedEvents];
    const int count = queueEvents(host.list(), queue);
    sortEvents(queue, count);
    std::vector<std::pair<int, int>> cuts;
    segmentBlock(
        queue, count, frames, [&](int start, int length) { cuts.emplace_back(start, length); },
        [&](const VstEvent& e) {
            if (handled) handled->push_back(midiBytes(e)[1]);
        });
    return cuts;
}

using Cuts = std::vector<std::pair<int, int>>;

TEST(EventQueue, KeepsTheFirst256EventsAndDropsTheRest) {
    std::vector<VstMidiEvent> many;
    for (int i = 0; i < 300; ++i) many.push_back(midi(0, 0x90, static_cast<unsigned char>(i % 128), 1));
    EventList host(many);
    VstEvent queue[kMaxQueuedEvents + 1] = {};
    queue[kMaxQueuedEvents].deltaFrames = 12345;  // guard entry
    EXPECT_EQ(queueEvents(host.list(), queue), 256);
    EXPECT_EQ(queue[kMaxQueuedEvents].deltaFrames, 12345);
    EXPECT_EQ(midiBytes(queue[255])[1], 255 % 128);
}

TEST(EventQueue, SkipsNullAndNonMidiRecords) {
    EventList host({midi(5, 0x90, 60, 100), midi(6, 0x90, 61, 100)});
    host.records[0].type = kVstSysExType;
    VstEvents* list = host.list();
    VstEvent queue[kMaxQueuedEvents];
    EXPECT_EQ(queueEvents(list, queue), 1);
    list->events[1] = nullptr;
    EXPECT_EQ(queueEvents(list, queue), 0);
    EXPECT_EQ(queueEvents(nullptr, queue), 0);
    list->numEvents = -4;
    EXPECT_EQ(queueEvents(list, queue), 0);
}

TEST(EventQueue, SortIsStableByOffset) {
    std::vector<int> order;
    segments({midi(100, 0x90, 1), midi(10, 0x90, 2), midi(50, 0x90, 3), midi(10, 0x90, 4)}, 200, &order);
    EXPECT_EQ(order, (std::vector<int>{2, 4, 3, 1}));
}

TEST(Segments, OneSegmentWithoutEvents) {
    EXPECT_EQ(segments({}, 512), (Cuts{{0, 512}}));
    EXPECT_EQ(segments({}, 0), Cuts{});
}

TEST(Segments, CutAtEveryOffsetWithoutEmptySegments) {
    EXPECT_EQ(segments({midi(10, 0x90, 1), midi(10, 0x90, 2), midi(30, 0x80, 1)}, 64),
              (Cuts{{0, 10}, {10, 20}, {30, 34}}));
    EXPECT_EQ(segments({midi(0, 0x90, 1), midi(64, 0x80, 1)}, 64), (Cuts{{0, 64}}));
}

TEST(Segments, OffsetsOutsideTheBlockAreClamped) {
    std::vector<int> order;
    EXPECT_EQ(segments({midi(1000, 0x90, 1), midi(-20, 0x90, 2), midi(8, 0x90, 3)}, 16, &order),
              (Cuts{{0, 8}, {8, 8}}));
    EXPECT_EQ(order, (std::vector<int>{2, 3, 1}));
}

class Processing : public ::testing::Test {
protected:
    void SetUp() override {
        test::isolateDataHome();
        effect = std::make_unique<HalvoVST2>(test::recordingHost);
    }
    void process(int frames) {
        left.assign(std::max(frames, 1), 1.0f);
        right.assign(std::max(frames, 1), 1.0f);
        float* outputs[2] = {left.data(), right.data()};
        effect->processReplacing(nullptr, outputs, frames);
    }
    std::unique_ptr<HalvoVST2> effect;
    std::vector<float> left, right;
};

TEST_F(Processing, ClearsBlocksOfAnySize) {
    for (int frames : {1, 64, 1024, 100000}) {
        process(frames);
        for (int i = 0; i < frames; ++i)
            ASSERT_LT(std::fabs(left[i]), 1e-6f);  // no notes, only the engine's anti-denormal floor
    }
    process(0);
    EXPECT_EQ(left[0], 1.0f);  // nothing written for an empty block
    process(-5);
    EXPECT_EQ(left[0], 1.0f);
}

TEST_F(Processing, AsksForTimeInfoEveryBlock) {
    test::hostCalls().clear();
    process(32);
    process(32);
    ASSERT_EQ(test::countCalls(audioMasterGetTime), 2);
    for (const test::HostCall& call : test::hostCalls())
        if (call.opcode == audioMasterGetTime) {
            EXPECT_EQ(call.value, 1536);
        }
}

TEST_F(Processing, NullOutputsAreSurvived) {
    EventList host({midi(0, 0x90, 60, 100)});
    effect->processEvents(host.list());
    effect->processReplacing(nullptr, nullptr, 64);
    float* missing[2] = {nullptr, nullptr};
    effect->processReplacing(nullptr, missing, 64);
    EXPECT_EQ(effect->getEventCount(), 0);
}

TEST_F(Processing, ASecondEventListReplacesTheFirstAndTheQueueEmptiesPerBlock) {
    EventList first({midi(3, 0x90, 60, 100), midi(1, 0x90, 61, 100)});
    EventList second({midi(7, 0x90, 62, 100)});
    effect->processEvents(first.list());
    EXPECT_EQ(effect->getEventCount(), 2);
    EXPECT_EQ(effect->getQueuedEvents()[0].deltaFrames, 1);
    effect->processEvents(second.list());
    ASSERT_EQ(effect->getEventCount(), 1);
    EXPECT_EQ(effect->getQueuedEvents()[0].deltaFrames, 7);
    process(16);
    EXPECT_EQ(effect->getEventCount(), 0);
}

TEST_F(Processing, MidiActivityIsATenthOfASecondCountedDownByFrames) {
    EventList host({midi(0, 0x90, 60, 100)});
    effect->processEvents(host.list());
    process(100);
    EXPECT_EQ(effect->getMidiActivity(), 4410 - 100);
    process(10000);
    EXPECT_EQ(effect->getMidiActivity(), 0);
}

}  // namespace
