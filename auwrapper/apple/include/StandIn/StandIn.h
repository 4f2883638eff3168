// Calls of the Linux stand-in layer that have no Apple counterpart: what a test host needs to
// register a component with a version, drive timers from its own clock, pick the main bundle
// and check for leaked Core Foundation objects.
//
// A host executable that loads a bundle containing this layer should link the whole library
// and export its symbols (CMake: halvorax_apple_host(target)); the bundle's references then bind
// to the host's copy, so listeners, timers and components are one set for the process.
#ifndef HALVORAX_APPLE_STANDIN_H
#define HALVORAX_APPLE_STANDIN_H

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>
#include <Carbon/Carbon.h>

APPLE_EXTERN_C_BEGIN

// Registers a component under a C-string name and information text, with the version that
// its 'thng' resource reports.
APPLE_API Component StandInRegisterComponent(const ComponentDescription* cd, ComponentRoutineUPP entry,
                                             const char* name, const char* info, SInt32 version);

// Fires every timer due at time `now` (in GetCurrentEventTime seconds) and returns how many
// callbacks ran. A repeating timer that missed several intervals fires once and is rescheduled
// on its interval grid after `now`.
APPLE_API CFIndex StandInRunEventLoopTimers(EventTime now);

// Replaces the main bundle (null restores the one found from the executable's path).
APPLE_API void StandInSetMainBundle(CFURLRef bundleURL);

// Core Foundation objects created and not yet freed (constant strings and booleans excluded).
APPLE_API CFIndex StandInLiveObjectCount(void);

APPLE_EXTERN_C_END

#endif
