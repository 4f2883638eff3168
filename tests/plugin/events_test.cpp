#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "EventQueue.h"
#include "../support/HostEvents.h"
#include "HalvoVST2.h"
#include "TestHost.h"

using namespace halvorax;

namespace {

using test::HostEvents;

// The segments a block of frames is cut into by the host's events; the note numbers of the
// events in the order they were handled go to handled.
std::vector<std::pair<int, int>> segments(const std::vector<HostEvents::Midi>& messages, int frames,
                                          std::vector<int>* handled = nullptr) {
    HostEvents host(messages);
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
    HostEvents host;
    for (int i = 0; i < 300; ++i) host.midi(0, 0x90, i % 128, 1);
    VstEvent queue[kMaxQueuedEvents + 1] = {};
    queue[kMaxQueuedEvents].deltaFrames = 12345;  // guard entry
    EXPECT_EQ(queueEvents(host.list(), queue), 256);
    EXPECT_EQ(queue[kMaxQueuedEvents].deltaFrames, 12345);
    EXPECT_EQ(midiBytes(queue[255])[1], 255 % 128);
}

TEST(EventQueue, SkipsNullAndNonMidiRecords) {
    HostEvents host({{5, 0x90, 60, 100}, {6, 0x90, 61, 100}});
    VstEvents* list = host.list();
    list->events[0]->type = kVstSysExType;
    VstEvent queue[kMaxQueuedEvents];
    EXPECT_EQ(queueEvents(list, queue), 1);
    list->events[1] = nullptr;
    EXPECT_EQ(queueEvents(list, queue), 0);
    EXPECT_EQ(queueEvents(nullptr, queue), 0);
    list->numEvents = -4;
    EXPECT_EQ(queueEvents(list, queue), 0);
}

TEST(Segments, CutAtEveryOffsetInOrderWithoutEmptySegments) {
    std::vector<int> order;
    segments({{100, 0x90, 1, 0}, {10, 0x90, 2, 0}, {50, 0x90, 3, 0}, {10, 0x90, 4, 0}}, 200, &order);
    EXPECT_EQ(order, (std::vector<int>{2, 4, 3, 1}));
    EXPECT_EQ(segments({}, 512), (Cuts{{0, 512}}));
    EXPECT_EQ(segments({}, 0), Cuts{});
    EXPECT_EQ(segments({{10, 0x90, 1, 0}, {10, 0x90, 2, 0}, {30, 0x80, 1, 0}}, 64),
              (Cuts{{0, 10}, {10, 20}, {30, 34}}));
    EXPECT_EQ(segments({{0, 0x90, 1, 0}, {64, 0x80, 1, 0}}, 64), (Cuts{{0, 64}}));
    order.clear();
    EXPECT_EQ(segments({{1000, 0x90, 1, 0}, {-20, 0x90, 2, 0}, {8, 0x90, 3, 0}}, 16, &order), (Cuts{{0, 8}, {8, 8}}));
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

TEST_F(Processing, ClearsBlocksOfAnySizeAndAsksForTimeInfoEveryBlock) {
    test::hostCalls().clear();
    for (int frames : {1, 64, 1024, 100000}) {
        process(frames);
        for (int i = 0; i < frames; ++i)
            ASSERT_LT(std::fabs(left[i]), 1e-6f);  // no notes, only the engine's anti-denormal floor
    }
    process(0);
    EXPECT_EQ(left[0], 1.0f);  // nothing written for an empty block
    process(-5);
    EXPECT_EQ(left[0], 1.0f);
    ASSERT_EQ(test::countCalls(audioMasterGetTime), 6);
    for (const test::HostCall& call : test::hostCalls()) {
        if (call.opcode == audioMasterGetTime) {
            EXPECT_EQ(call.value, 1536);  // position and tempo
        }
    }
}

TEST_F(Processing, NullOutputsAreSurvived) {
    HostEvents host({{0, 0x90, 60, 100}});
    effect->processEvents(host.list());
    effect->processReplacing(nullptr, nullptr, 64);
    float* missing[2] = {nullptr, nullptr};
    effect->processReplacing(nullptr, missing, 64);
    EXPECT_EQ(effect->getEventCount(), 0);
}

TEST_F(Processing, ASecondEventListReplacesTheFirstAndTheQueueEmptiesPerBlock) {
    HostEvents first({{3, 0x90, 60, 100}, {1, 0x90, 61, 100}});
    HostEvents second({{7, 0x90, 62, 100}});
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
    HostEvents host({{0, 0x90, 60, 100}});
    effect->processEvents(host.list());
    process(100);
    EXPECT_EQ(effect->getMidiActivity(), 4410 - 100);
    process(10000);
    EXPECT_EQ(effect->getMidiActivity(), 0);
}

}  // namespace
