// Parameter and event listeners: how an Audio Unit tells the host (and its views) about
// parameter changes, edit gestures and property changes.
//
// Delivery in this build is synchronous: a Notify call invokes every matching listener on the
// calling thread before it returns. The run loop, mode, notification interval and granularity
// given at creation are accepted and not used. A listener created with AUParameterListenerCreate
// hears AUParameterListenerNotify; one created with AUEventListenerCreate hears
// AUEventListenerNotify. Every matching registration hears a notification: the sender and
// sending object are not used.
#ifndef HALVORAX_APPLE_AUDIOUNITUTILITIES_H
#define HALVORAX_APPLE_AUDIOUNITUTILITIES_H

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <AudioUnit/AUComponent.h>

APPLE_EXTERN_C_BEGIN

typedef struct AudioUnitParameter {
    AudioUnit mAudioUnit;
    AudioUnitParameterID mParameterID;
    AudioUnitScope mScope;
    AudioUnitElement mElement;
} AudioUnitParameter;

typedef struct AudioUnitProperty {
    AudioUnit mAudioUnit;
    AudioUnitPropertyID mPropertyID;
    AudioUnitScope mScope;
    AudioUnitElement mElement;
} AudioUnitProperty;

typedef UInt32 AudioUnitEventType;
enum {
    kAudioUnitEvent_ParameterValueChange = 0,
    kAudioUnitEvent_BeginParameterChangeGesture = 1,
    kAudioUnitEvent_EndParameterChangeGesture = 2,
    kAudioUnitEvent_PropertyChange = 3
};

typedef struct AudioUnitEvent {
    AudioUnitEventType mEventType;
    union {
        AudioUnitParameter mParameter;
        AudioUnitProperty mProperty;
    } mArgument;
} AudioUnitEvent;

typedef struct AUListenerBase* AUParameterListenerRef;
typedef AUParameterListenerRef AUEventListenerRef;

typedef void (*AUParameterListenerProc)(void* inRefCon, void* inObject, const AudioUnitParameter* inParameter,
                                        AudioUnitParameterValue inValue);
typedef void (*AUEventListenerProc)(void* inCallbackRefCon, void* inObject, const AudioUnitEvent* inEvent,
                                    UInt64 inEventHostTime, AudioUnitParameterValue inParameterValue);

APPLE_API OSStatus AUParameterListenerCreate(AUParameterListenerProc inProc, void* inUserData, CFRunLoopRef inRunLoop,
                                             CFStringRef inRunLoopMode, Float32 inNotificationInterval,
                                             AUParameterListenerRef* outListener);
APPLE_API OSStatus AUListenerDispose(AUParameterListenerRef inListener);
APPLE_API OSStatus AUListenerAddParameter(AUParameterListenerRef inListener, void* inObject,
                                          const AudioUnitParameter* inParameter);
// The listener receives the parameter's current value, read with AudioUnitGetParameter.
APPLE_API OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                             const AudioUnitParameter* inParameter);

APPLE_API OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inUserData, CFRunLoopRef inRunLoop,
                                         CFStringRef inRunLoopMode, Float32 inNotificationInterval,
                                         Float32 inValueChangeGranularity, AUEventListenerRef* outListener);
APPLE_API OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                               const AudioUnitEvent* inEvent);
APPLE_API OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                                         const AudioUnitEvent* inEvent);

APPLE_EXTERN_C_END

#endif
