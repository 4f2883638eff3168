// Audio Unit property IDs, parameter units and flags, and the records properties carry.
#ifndef HALVORAX_APPLE_AUDIOUNITPROPERTIES_H
#define HALVORAX_APPLE_AUDIOUNITPROPERTIES_H

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <AudioUnit/AUComponent.h>

APPLE_EXTERN_C_BEGIN

enum {
    kAudioUnitProperty_ClassInfo = 0,
    kAudioUnitProperty_MakeConnection = 1,
    kAudioUnitProperty_SampleRate = 2,
    kAudioUnitProperty_ParameterList = 3,
    kAudioUnitProperty_ParameterInfo = 4,
    kAudioUnitProperty_FastDispatch = 5,
    kAudioUnitProperty_StreamFormat = 8,
    kAudioUnitProperty_ElementCount = 11,
    kAudioUnitProperty_Latency = 12,
    kAudioUnitProperty_SupportedNumChannels = 13,
    kAudioUnitProperty_MaximumFramesPerSlice = 14,
    kAudioUnitProperty_ParameterValueStrings = 16,
    kAudioUnitProperty_TailTime = 20,
    kAudioUnitProperty_BypassEffect = 21,
    kAudioUnitProperty_LastRenderError = 22,
    kAudioUnitProperty_SetRenderCallback = 23,
    kAudioUnitProperty_FactoryPresets = 24,
    kAudioUnitProperty_HostCallbacks = 27,
    kAudioUnitProperty_CurrentPreset = 28,
    kAudioUnitProperty_ElementName = 30,
    kAudioUnitProperty_CocoaUI = 31,
    kAudioUnitProperty_ParameterStringFromValue = 33,
    kAudioUnitProperty_PresentPreset = 36,
    kAudioUnitProperty_ParameterValueFromString = 38
};

typedef UInt32 AudioUnitParameterUnit;
enum {
    kAudioUnitParameterUnit_Generic = 0,
    kAudioUnitParameterUnit_Indexed = 1,
    kAudioUnitParameterUnit_Boolean = 2,
    kAudioUnitParameterUnit_CustomUnit = 26
};

typedef UInt32 AudioUnitParameterOptions;
enum {
    kAudioUnitParameterFlag_ValuesHaveStrings = (1UL << 21),
    kAudioUnitParameterFlag_HasCFNameString = (1UL << 27),
    kAudioUnitParameterFlag_IsGlobalMeta = (1UL << 28),
    kAudioUnitParameterFlag_IsReadable = (1UL << 30),
    kAudioUnitParameterFlag_IsWritable = (1UL << 31)
};

typedef struct AudioUnitParameterInfo {
    char name[52];  // unused by hosts that read cfNameString; kept zero-filled
    CFStringRef unitName;
    UInt32 clumpID;
    CFStringRef cfNameString;
    AudioUnitParameterUnit unit;
    AudioUnitParameterValue minValue;
    AudioUnitParameterValue maxValue;
    AudioUnitParameterValue defaultValue;
    AudioUnitParameterOptions flags;
} AudioUnitParameterInfo;

typedef struct AudioUnitConnection {
    AudioUnit sourceAudioUnit;
    UInt32 sourceOutputNumber;
    UInt32 destInputNumber;
} AudioUnitConnection;

typedef struct AUChannelInfo {
    SInt16 inChannels;
    SInt16 outChannels;
} AUChannelInfo;

typedef struct AURenderCallbackStruct {
    AURenderCallback inputProc;
    void* inputProcRefCon;
} AURenderCallbackStruct;

// presetNumber below 0 marks a user preset.
typedef struct AUPreset {
    SInt32 presetNumber;
    CFStringRef presetName;
} AUPreset;

// Host transport callbacks; any out pointer after the user data may be null. The record has
// the four procedures of the original interface (later SDKs append transportStateProc2).
typedef OSStatus (*HostCallback_GetBeatAndTempo)(void* inHostUserData, Float64* outCurrentBeat,
                                                 Float64* outCurrentTempo);
typedef OSStatus (*HostCallback_GetMusicalTimeLocation)(void* inHostUserData, UInt32* outDeltaSampleOffsetToNextBeat,
                                                        Float32* outTimeSig_Numerator, UInt32* outTimeSig_Denominator,
                                                        Float64* outCurrentMeasureDownBeat);
typedef OSStatus (*HostCallback_GetTransportState)(void* inHostUserData, Boolean* outIsPlaying,
                                                   Boolean* outTransportStateChanged,
                                                   Float64* outCurrentSampleInTimeLine, Boolean* outIsCycling,
                                                   Float64* outCycleStartBeat, Float64* outCycleEndBeat);

typedef struct HostCallbackInfo {
    void* hostUserData;
    HostCallback_GetBeatAndTempo beatAndTempoProc;
    HostCallback_GetMusicalTimeLocation musicalTimeLocationProc;
    HostCallback_GetTransportState transportStateProc;
} HostCallbackInfo;

typedef struct AudioUnitCocoaViewInfo {
    CFURLRef mCocoaAUViewBundleLocation;
    CFStringRef mCocoaAUViewClass[1];
} AudioUnitCocoaViewInfo;

typedef struct AudioUnitParameterStringFromValue {
    AudioUnitParameterID inParamID;
    const AudioUnitParameterValue* inValue;  // null: the current value
    CFStringRef outString;                   // released by the caller
} AudioUnitParameterStringFromValue;

typedef struct AudioUnitParameterValueFromString {
    AudioUnitParameterID inParamID;
    CFStringRef inString;
    AudioUnitParameterValue outValue;
} AudioUnitParameterValueFromString;

// Keys of the preset (ClassInfo) dictionary.
#define kAUPresetVersionKey "version"
#define kAUPresetTypeKey "type"
#define kAUPresetSubtypeKey "subtype"
#define kAUPresetManufacturerKey "manufacturer"
#define kAUPresetNameKey "name"
#define kAUPresetVSTDataKey "vstdata"

APPLE_EXTERN_C_END

#endif
