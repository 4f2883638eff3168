// Event-loop timers, fired by the host's event-loop call.
#include <Carbon/Carbon.h>
#include <StandIn/StandIn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

struct OpaqueEventLoopRef {};

struct __EventLoopTimer {
    EventLoopTimerUPP proc;
    void* userData;
    EventTime nextFire;
    EventTimerInterval interval;
};

namespace {

const EventTime kNever = std::numeric_limits<EventTime>::infinity();
OpaqueEventLoopRef mainLoop;

std::mutex timersMutex;
std::vector<__EventLoopTimer*>& timers() {
    static auto* list = new std::vector<__EventLoopTimer*>();
    return *list;
}

bool isInstalled(__EventLoopTimer* timer) {
    auto& list = timers();
    return std::find(list.begin(), list.end(), timer) != list.end();
}

// Moves a fired timer to its next fire time: the first point of its grid after now.
void reschedule(__EventLoopTimer* timer, EventTime now) {
    const double missed = std::floor((now - timer->nextFire) / timer->interval);
    timer->nextFire += timer->interval * (std::max(missed, 0.0) + 1.0);
}

EventTime nextDue() {
    std::lock_guard<std::mutex> lock(timersMutex);
    EventTime next = kNever;
    for (const auto* timer : timers()) next = std::min(next, timer->nextFire);
    return next;
}

}  // namespace

EventLoopRef GetMainEventLoop(void) { return &mainLoop; }

EventTime GetCurrentEventTime(void) {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

OSStatus InstallEventLoopTimer(EventLoopRef loop, EventTimerInterval fireDelay, EventTimerInterval interval,
                               EventLoopTimerUPP proc, void* userData, EventLoopTimerRef* outTimer) {
    if (loop == nullptr || proc == nullptr || fireDelay < 0 || interval <= 0) return paramErr;
    auto* timer = new __EventLoopTimer{proc, userData, GetCurrentEventTime() + fireDelay, interval};
    {
        std::lock_guard<std::mutex> lock(timersMutex);
        timers().push_back(timer);
    }
    if (outTimer != nullptr) *outTimer = timer;
    return noErr;
}

OSStatus RemoveEventLoopTimer(EventLoopTimerRef timer) {
    std::lock_guard<std::mutex> lock(timersMutex);
    auto& list = timers();
    auto it = std::find(list.begin(), list.end(), timer);
    if (it == list.end()) return paramErr;
    list.erase(it);
    delete timer;
    return noErr;
}

CFIndex StandInRunEventLoopTimers(EventTime now) {
    std::vector<__EventLoopTimer*> due;
    {
        std::lock_guard<std::mutex> lock(timersMutex);
        for (auto* timer : timers())
            if (timer->nextFire <= now) due.push_back(timer);
    }
    CFIndex fired = 0;
    for (auto* timer : due) {
        EventLoopTimerUPP proc;
        void* userData;
        {
            std::lock_guard<std::mutex> lock(timersMutex);
            if (!isInstalled(timer) || timer->nextFire > now) continue;  // removed by an earlier callback
            reschedule(timer, now);
            proc = timer->proc;
            userData = timer->userData;
        }
        proc(timer, userData);  // the callback may remove this timer: not touched afterwards
        ++fired;
    }
    return fired;
}

OSStatus RunCurrentEventLoop(EventTimeout timeout) {
    const EventTime end = GetCurrentEventTime() + std::max(timeout, 0.0);
    while (true) {
        const EventTime now = GetCurrentEventTime();
        StandInRunEventLoopTimers(now);
        if (now >= end) return eventLoopTimedOutErr;
        const EventTime wake = std::min(nextDue(), end);
        const EventTime wait = std::min(wake, GetCurrentEventTime() + 1.0) - GetCurrentEventTime();
        if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    }
}
