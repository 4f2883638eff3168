// Carbon event-loop timers. Timers fire only from the host's event-loop call
// (RunCurrentEventLoop, or StandInRunEventLoopTimers for a host that keeps its own clock).
#ifndef HALVORAX_APPLE_CARBON_H
#define HALVORAX_APPLE_CARBON_H

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>

APPLE_EXTERN_C_BEGIN

typedef double EventTime;
typedef EventTime EventTimeout;
typedef EventTime EventTimerInterval;

enum { eventLoopTimedOutErr = -9875 };

typedef struct OpaqueEventLoopRef* EventLoopRef;
typedef struct __EventLoopTimer* EventLoopTimerRef;

typedef void (*EventLoopTimerProcPtr)(EventLoopTimerRef inTimer, void* inUserData);
typedef EventLoopTimerProcPtr EventLoopTimerUPP;

static inline EventLoopTimerUPP NewEventLoopTimerUPP(EventLoopTimerProcPtr userRoutine) { return userRoutine; }

APPLE_API EventLoopRef GetMainEventLoop(void);
// Seconds since an arbitrary start (monotonic clock).
APPLE_API EventTime GetCurrentEventTime(void);
// First fire after inFireDelay, then every inInterval; only repeating timers (inInterval > 0).
APPLE_API OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                                         EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc,
                                         void* inTimerData, EventLoopTimerRef* outTimer);
APPLE_API OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer);
// Runs the event loop for inTimeout seconds, firing timers as they come due; returns
// eventLoopTimedOutErr when the time is up.
APPLE_API OSStatus RunCurrentEventLoop(EventTimeout inTimeout);

APPLE_EXTERN_C_END

#endif
