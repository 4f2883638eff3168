// Counts the heap allocations and mutex locks made by a thread while it has the counters
// armed. The global operator new and pthread_mutex_lock are replaced for the whole test
// program, so include this header in exactly one source file of a program.
#pragma once

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace halvorax::test::realtime {
inline thread_local bool armed = false;  // touch it once before measuring: first use may allocate
inline std::atomic<int> allocations{0};
inline std::atomic<int> locks{0};
}  // namespace halvorax::test::realtime

void* operator new(std::size_t size) {
    if (halvorax::test::realtime::armed) ++halvorax::test::realtime::allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// The replacement pair allocates with malloc, so free is the matching release.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) {
    using Lock = int (*)(pthread_mutex_t*);
    static Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    if (halvorax::test::realtime::armed) ++halvorax::test::realtime::locks;
    return real(mutex);
}
