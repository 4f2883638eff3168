// Audio Unit component interface: types, selectors, scopes, render flags, error codes and the
// calls a host (or a unit pulling its input from another unit) makes on an Audio Unit.
#ifndef HALVORAX_APPLE_AUCOMPONENT_H
#define HALVORAX_APPLE_AUCOMPONENT_H

#include <MacTypes.h>
#include <CoreAudio/CoreAudioTypes.h>
#include <AudioUnit/AudioComponent.h>

APPLE_EXTERN_C_BEGIN

typedef AudioComponentInstance AudioUnit;

enum {
    kAudioUnitType_MusicDevice = 0x61756D75,  // 'aumu'
    kAudioUnitType_Effect = 0x61756678        // 'aufx'
};

typedef UInt32 AudioUnitPropertyID;
typedef UInt32 AudioUnitScope;
typedef UInt32 AudioUnitElement;
typedef UInt32 AudioUnitParameterID;
typedef Float32 AudioUnitParameterValue;
typedef UInt32 AudioUnitRenderActionFlags;

enum { kAudioUnitScope_Global = 0, kAudioUnitScope_Input = 1, kAudioUnitScope_Output = 2, kAudioUnitScope_Group = 3 };

enum {
    kAudioUnitRenderAction_PreRender = (1U << 2),
    kAudioUnitRenderAction_PostRender = (1U << 3),
    kAudioUnitRenderAction_OutputIsSilence = (1U << 4)
};

enum {
    kAudioUnitErr_InvalidProperty = -10879,
    kAudioUnitErr_InvalidParameter = -10878,
    kAudioUnitErr_InvalidElement = -10877,
    kAudioUnitErr_NoConnection = -10876,
    kAudioUnitErr_FormatNotSupported = -10868,
    kAudioUnitErr_InvalidScope = -10866,
    kAudioUnitErr_CannotDoInCurrentContext = -10863,
    kAudioUnitErr_InvalidPropertyValue = -10851,
    kAudioUnitErr_InvalidParameterValue = -66743
};

enum {
    kAudioUnitInitializeSelect = 0x0001,
    kAudioUnitUninitializeSelect = 0x0002,
    kAudioUnitGetPropertyInfoSelect = 0x0003,
    kAudioUnitGetPropertySelect = 0x0004,
    kAudioUnitSetPropertySelect = 0x0005,
    kAudioUnitGetParameterSelect = 0x0006,
    kAudioUnitSetParameterSelect = 0x0007,
    kAudioUnitResetSelect = 0x0009,
    kAudioUnitAddPropertyListenerSelect = 0x000A,
    kAudioUnitRenderSelect = 0x000E,
    kAudioUnitAddRenderNotifySelect = 0x000F,
    kAudioUnitRemoveRenderNotifySelect = 0x0010,
    kAudioUnitScheduleParametersSelect = 0x0011,
    kAudioUnitRemovePropertyListenerWithUserDataSelect = 0x0012
};

typedef OSStatus (*AURenderCallback)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                     const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber, UInt32 inNumberFrames,
                                     AudioBufferList* ioData);

typedef void (*AudioUnitPropertyListenerProc)(void* inRefCon, AudioUnit inUnit, AudioUnitPropertyID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement);

typedef UInt32 AUParameterEventType;
enum { kParameterEvent_Immediate = 1, kParameterEvent_Ramped = 2 };

typedef struct AudioUnitParameterEvent {
    AudioUnitScope scope;
    AudioUnitElement element;
    AudioUnitParameterID parameter;
    AUParameterEventType eventType;
    union {
        struct {
            SInt32 startBufferOffset;
            UInt32 durationInFrames;
            AudioUnitParameterValue startValue;
            AudioUnitParameterValue endValue;
        } ramp;
        struct {
            UInt32 bufferOffset;
            AudioUnitParameterValue value;
        } immediate;
    } eventValues;
} AudioUnitParameterEvent;

// Each call packs its arguments into ComponentParameters (LP64 order) and calls the unit's entry.
APPLE_API OSStatus AudioUnitInitialize(AudioUnit inUnit);
APPLE_API OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                            AudioUnitElement inElement, UInt32* outDataSize, Boolean* outWritable);
APPLE_API OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                        AudioUnitElement inElement, void* outData, UInt32* ioDataSize);
APPLE_API OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                        AudioUnitElement inElement, const void* inData, UInt32 inDataSize);
APPLE_API OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                AudioUnitPropertyListenerProc inProc, void* inProcUserData);
APPLE_API OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                               AudioUnitPropertyListenerProc inProc,
                                                               void* inProcUserData);
APPLE_API OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData);
APPLE_API OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData);
APPLE_API OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                                         AudioUnitElement inElement, AudioUnitParameterValue* outValue);
APPLE_API OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                                         AudioUnitElement inElement, AudioUnitParameterValue inValue,
                                         UInt32 inBufferOffsetInFrames);
APPLE_API OSStatus AudioUnitScheduleParameters(AudioUnit inUnit, const AudioUnitParameterEvent* inParameterEvent,
                                               UInt32 inNumParamEvents);
APPLE_API OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                                   const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                                   AudioBufferList* ioData);
APPLE_API OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement);

APPLE_EXTERN_C_END

#endif
