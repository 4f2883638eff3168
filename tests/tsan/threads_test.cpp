// Renders on one thread while another automates parameters, switches modes, writes the chord
// memory, asks for all notes to be released, restores state chunks and loads patch files, as
// a host and an editor do. Run under ThreadSanitizer: any data race fails the test.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <cstdlib>
#include <thread>
#include <vector>

#include "../support/HostEvents.h"
#include "HalvoVST2.h"
#include "TestHost.h"

using namespace halvorax;

namespace {

TEST(Threads, RenderingWhileTheOtherThreadAutomatesAndPostsRequests) {
    const std::string patch = (test::isolateDataHome() / "race.repatch").string();
    HalvoVST2 effect(test::quietHost);
    effect.setParameter(24, 1.0f);
    ASSERT_TRUE(effect.SavePatch(patch.c_str()));
    void* image = nullptr;
    const VstInt32 length = effect.getChunk(&image);
    const std::vector<char> state(static_cast<char*>(image), static_cast<char*>(image) + length);
    std::atomic<bool> done{false};
    std::atomic<int> restores{0};

    std::thread ui([&] {
        int step = 0;
        while (!done) {
            effect.setParameter(step % 60, static_cast<float>(step % 128) / 127.0f);
            if (step % 50 == 0) effect.requestReleaseAllNotes();
            if (step % 70 == 0) {
                const int notes[6] = {0, 3, 7, step % 12, 0, 0};
                effect.writeChordMemory(step % 7, notes);
            }
            int count, notes[6];
            effect.readChordMemory(count, notes);
            (void)effect.getMidiActivity();
            (void)effect.getPitchBend();
            effect.setModWheel(step % 128);
            if (step % 200 == 0) effect.toggleMidiLearn();
            if (step % 300 == 0) {
                std::vector<char> copy = state;
                effect.setChunk(copy.data(), static_cast<VstInt32>(copy.size()));
            }
            if (step % 300 == 150 && effect.LoadPatch(patch.c_str())) ++restores;
            ++step;
        }
    });

    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < 400; ++b) {
        test::HostEvents events({{0, 0x90, 40 + b % 40, 100}, {128, 0x80, 40 + (b + 20) % 40, 0}});
        effect.processEvents(events.list());
        effect.processReplacing(nullptr, outputs, 256);
    }
    done = true;
    ui.join();
    EXPECT_GT(restores, 0);
}

}  // namespace
