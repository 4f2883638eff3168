// Parameter reports reaching the open editor from the audio thread (host automation, MIDI
// learn routes, the chord-write check) neither allocate nor lock: operator new and
// pthread_mutex_lock are counted on that thread only.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "EditorTestSupport.h"

namespace {
thread_local bool counting = false;  // touched first outside the measured stretch
std::atomic<int> allocations{0};
std::atomic<int> locks{0};
}  // namespace

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) {
    using Lock = int (*)(pthread_mutex_t*);
    static Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    if (counting) ++locks;
    return real(mutex);
}

namespace halvorax::test {
namespace {

using EditorRealtimeTest = EditorTest;

TEST_F(EditorRealtimeTest, ReportsFromTheAudioThreadNeitherAllocateNorLock) {
    openEditor();
    idle();
    std::thread audio([&] {
        counting = false;
        counting = true;
        for (int i = 0; i < 1000; ++i) effect->setParameter(i % 128, (i % 100) / 100.0f);
        counting = false;
    });
    audio.join();
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(locks.load(), 0);
    idle();  // and the editor takes them over on its own thread
    EXPECT_FLOAT_EQ(gui->getControl(26)->getValue(), effect->getParameter(26));
}

}  // namespace
}  // namespace halvorax::test
