// Event-loop timers, driven by the host's run-loop call with explicit times.
#include <Carbon/Carbon.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Ticks {
    int count = 0;
    EventLoopTimerRef removeOnFire = nullptr;
};

void onTimer(EventLoopTimerRef, void* data) {
    auto* ticks = static_cast<Ticks*>(data);
    ++ticks->count;
    if (ticks->removeOnFire) {
        RemoveEventLoopTimer(ticks->removeOnFire);
        ticks->removeOnFire = nullptr;
    }
}

}  // namespace

TEST(EventLoopTimer, FiresAfterItsDelayAndThenEveryInterval) {
    Ticks ticks;
    EventLoopTimerRef timer = nullptr;
    const EventTime start = GetCurrentEventTime();
    ASSERT_EQ(InstallEventLoopTimer(GetMainEventLoop(), 0.025, 0.025, NewEventLoopTimerUPP(onTimer), &ticks, &timer),
              noErr);
    // The timer was installed a moment after `start`: the checks leave that moment some room.
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.020), 0);
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.040), 1);
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.045), 0);
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.065), 1);
    EXPECT_EQ(ticks.count, 2);
    // A late call fires once and keeps the timer on its 25 ms grid (next at 0.225).
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.210), 1);
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.224), 0);
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.240), 1);
    EXPECT_EQ(RemoveEventLoopTimer(timer), noErr);
    EXPECT_EQ(StandInRunEventLoopTimers(start + 10.0), 0);
    EXPECT_EQ(RemoveEventLoopTimer(timer), paramErr);
}

TEST(EventLoopTimer, CallbackMayRemoveTimers) {
    Ticks first, second;
    EventLoopTimerRef a = nullptr, b = nullptr;
    const EventTime start = GetCurrentEventTime();
    InstallEventLoopTimer(GetMainEventLoop(), 0.0, 0.025, onTimer, &first, &a);
    InstallEventLoopTimer(GetMainEventLoop(), 0.0, 0.025, onTimer, &second, &b);
    first.removeOnFire = b;  // the first callback removes the second timer before it is due to run
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.001), 1);
    EXPECT_EQ(second.count, 0);
    first.removeOnFire = a;  // and then itself
    EXPECT_EQ(StandInRunEventLoopTimers(start + 0.030), 1);
    EXPECT_EQ(StandInRunEventLoopTimers(start + 1.0), 0);
    EXPECT_EQ(first.count, 2);
}

TEST(EventLoopTimer, RunCurrentEventLoopFiresDueTimers) {
    Ticks ticks;
    EventLoopTimerRef timer = nullptr;
    InstallEventLoopTimer(GetMainEventLoop(), 0.0, 0.025, onTimer, &ticks, &timer);
    EXPECT_EQ(RunCurrentEventLoop(0.0), eventLoopTimedOutErr);
    EXPECT_EQ(ticks.count, 1);
    RemoveEventLoopTimer(timer);
    EXPECT_EQ(InstallEventLoopTimer(nullptr, 0.0, 0.025, onTimer, &ticks, &timer), paramErr);
    EXPECT_EQ(InstallEventLoopTimer(GetMainEventLoop(), 0.0, 0.0, onTimer, &ticks, &timer), paramErr);
}
