// Parameter reports reaching the open editor from the audio thread (host automation, MIDI
// learn routes, the chord-write check) neither allocate nor lock: operator new and
// pthread_mutex_lock are counted on that thread only.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "../support/RealtimeCounters.h"
#include "EditorTestSupport.h"

using namespace halvorax::test::realtime;

namespace halvorax::test {
namespace {

using EditorRealtimeTest = EditorTest;

TEST_F(EditorRealtimeTest, ReportsFromTheAudioThreadNeitherAllocateNorLock) {
    openEditor();
    idle();
    std::thread audio([&] {
        armed = false;
        armed = true;
        for (int i = 0; i < 1000; ++i) effect->setParameter(i % 128, (i % 100) / 100.0f);
        armed = false;
    });
    audio.join();
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(locks.load(), 0);
    idle();  // and the editor takes them over on its own thread
    EXPECT_FLOAT_EQ(gui->getControl(26)->getValue(), effect->getParameter(26));
}

}  // namespace
}  // namespace halvorax::test
