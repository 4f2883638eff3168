// A value shared between the audio and user-interface threads that is only ever read and
// written whole: a relaxed atomic, which costs a plain load or store on the platforms we run
// on and makes the sharing explicit (and visible to thread sanitizers).
#pragma once

#include <atomic>

namespace halvorax {

template <typename T>
class Relaxed {
public:
    Relaxed(T initial = T{}) : value(initial) {}
    Relaxed(const Relaxed& other) : value(other.load()) {}
    Relaxed& operator=(const Relaxed& other) { return *this = other.load(); }
    Relaxed& operator=(T v) {
        value.store(v, std::memory_order_relaxed);
        return *this;
    }
    operator T() const { return load(); }
    T load() const { return value.load(std::memory_order_relaxed); }

private:
    std::atomic<T> value;
};

}  // namespace halvorax
