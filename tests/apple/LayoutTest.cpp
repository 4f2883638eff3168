// Record layouts and constant values must match Apple's (LP64), since hosts and the wrapper
// exchange these records byte for byte.
#include <AudioToolbox/AudioToolbox.h>
#include <CoreServices/CoreServices.h>
#include <gtest/gtest.h>

#include <cstddef>

static_assert(sizeof(ComponentParameters) == 16, "ComponentParameters with one slot");
static_assert(offsetof(ComponentParameters, what) == 2, "selector");
static_assert(offsetof(ComponentParameters, padding) == 4, "LP64 padding");
static_assert(offsetof(ComponentParameters, params) == 8, "first slot");
static_assert(sizeof(ComponentDescription) == 20 && sizeof(AudioComponentDescription) == 20, "descriptions");
static_assert(sizeof(ComponentResource) == 44 && sizeof(ComponentResourceExtension) == 10, "'thng'");
static_assert(offsetof(ComponentResource, componentIcon) == 38, "last resource field");
static_assert(sizeof(ComponentResult) == 4 && sizeof(OSStatus) == 4 && sizeof(Boolean) == 1, "scalars");

static_assert(sizeof(AudioStreamBasicDescription) == 40, "ASBD");
static_assert(offsetof(AudioStreamBasicDescription, mFormatID) == 8, "");
static_assert(offsetof(AudioStreamBasicDescription, mChannelsPerFrame) == 28, "");
static_assert(offsetof(AudioStreamBasicDescription, mReserved) == 36, "");

static_assert(sizeof(AudioUnitParameterInfo) == 104, "parameter info");
static_assert(offsetof(AudioUnitParameterInfo, unitName) == 56, "");
static_assert(offsetof(AudioUnitParameterInfo, clumpID) == 64, "");
static_assert(offsetof(AudioUnitParameterInfo, cfNameString) == 72, "");
static_assert(offsetof(AudioUnitParameterInfo, unit) == 80, "");
static_assert(offsetof(AudioUnitParameterInfo, minValue) == 84, "");
static_assert(offsetof(AudioUnitParameterInfo, maxValue) == 88, "");
static_assert(offsetof(AudioUnitParameterInfo, defaultValue) == 92, "");
static_assert(offsetof(AudioUnitParameterInfo, flags) == 96, "");

static_assert(sizeof(AUPreset) == 16 && offsetof(AUPreset, presetName) == 8, "preset");
static_assert(sizeof(AURenderCallbackStruct) == 16, "render callback");
static_assert(sizeof(AudioUnitConnection) == 16 && offsetof(AudioUnitConnection, destInputNumber) == 12, "");
static_assert(sizeof(HostCallbackInfo) == 32 && offsetof(HostCallbackInfo, transportStateProc) == 24, "");
static_assert(sizeof(AUChannelInfo) == 4, "channel info");

static_assert(sizeof(SMPTETime) == 24 && offsetof(SMPTETime, mHours) == 16, "SMPTE");
static_assert(sizeof(AudioTimeStamp) == 64, "time stamp");
static_assert(offsetof(AudioTimeStamp, mRateScalar) == 16, "");
static_assert(offsetof(AudioTimeStamp, mSMPTETime) == 32, "");
static_assert(offsetof(AudioTimeStamp, mFlags) == 56 && offsetof(AudioTimeStamp, mReserved) == 60, "");

static_assert(sizeof(AudioBuffer) == 16 && offsetof(AudioBuffer, mData) == 8, "buffer");
static_assert(sizeof(AudioBufferList) == 24 && offsetof(AudioBufferList, mBuffers) == 8, "one-buffer list");

static_assert(sizeof(AudioUnitParameter) == 24 && offsetof(AudioUnitParameter, mElement) == 16, "");
static_assert(sizeof(AudioUnitProperty) == 24 && offsetof(AudioUnitProperty, mPropertyID) == 8, "");
static_assert(sizeof(AudioUnitEvent) == 32 && offsetof(AudioUnitEvent, mArgument) == 8, "event");

static_assert(sizeof(AudioUnitCocoaViewInfo) == 16, "Cocoa view info");
static_assert(sizeof(AudioUnitParameterStringFromValue) == 24, "");
static_assert(offsetof(AudioUnitParameterStringFromValue, outString) == 16, "");
static_assert(sizeof(AudioUnitParameterValueFromString) == 24, "");
static_assert(offsetof(AudioUnitParameterValueFromString, outValue) == 16, "");
static_assert(sizeof(AudioUnitParameterNameInfo) == 16 && offsetof(AudioUnitParameterNameInfo, outName) == 8, "");

static_assert(sizeof(AudioUnitParameterEvent) == 32, "parameter event");
static_assert(offsetof(AudioUnitParameterEvent, eventValues) == 16, "");

TEST(AppleConstants, ComponentManager) {
    EXPECT_EQ(kComponentOpenSelect, -1);
    EXPECT_EQ(kComponentCloseSelect, -2);
    EXPECT_EQ(kComponentCanDoSelect, -3);
    EXPECT_EQ(kComponentVersionSelect, -4);
    EXPECT_EQ(kComponentGetPublicResourceSelect, -10);
    EXPECT_EQ(UInt32(badComponentInstance), 0x80008001u);
    EXPECT_EQ(badComponentSelector, -2147450878);
}

TEST(AppleConstants, SelectorsAndScopes) {
    EXPECT_EQ(kAudioUnitInitializeSelect, 1);
    EXPECT_EQ(kAudioUnitGetPropertySelect, 4);
    EXPECT_EQ(kAudioUnitResetSelect, 9);
    EXPECT_EQ(kAudioUnitAddPropertyListenerSelect, 10);
    EXPECT_EQ(kAudioUnitRenderSelect, 14);
    EXPECT_EQ(kAudioUnitScheduleParametersSelect, 17);
    EXPECT_EQ(kAudioUnitRemovePropertyListenerWithUserDataSelect, 18);
    EXPECT_EQ(kMusicDeviceMIDIEventSelect, 257);
    EXPECT_EQ(kMusicDeviceSysExSelect, 0x102);
    EXPECT_EQ(kAudioUnitScope_Global, 0);
    EXPECT_EQ(kAudioUnitScope_Input, 1);
    EXPECT_EQ(kAudioUnitScope_Output, 2);
    EXPECT_EQ(kAudioUnitScope_LayerItem, 7);
}

TEST(AppleConstants, PropertyIDs) {
    EXPECT_EQ(kAudioUnitProperty_StreamFormat, 8);
    EXPECT_EQ(kAudioUnitProperty_ElementCount, 11);
    EXPECT_EQ(kAudioUnitProperty_ParameterValueStrings, 16);
    EXPECT_EQ(kAudioUnitProperty_SetRenderCallback, 23);
    EXPECT_EQ(kAudioUnitProperty_HostCallbacks, 27);
    EXPECT_EQ(kAudioUnitProperty_CocoaUI, 31);
    EXPECT_EQ(kAudioUnitProperty_ParameterStringFromValue, 33);
    EXPECT_EQ(kAudioUnitProperty_PresentPreset, 36);
    EXPECT_EQ(kAudioUnitProperty_ParameterValueFromString, 38);
    EXPECT_EQ(kAudioUnitProperty_ClassInfoFromDocument, 50);
    EXPECT_EQ(kMusicDeviceProperty_InstrumentCount, 1000);
}

TEST(AppleConstants, ErrorCodes) {
    EXPECT_EQ(kAudioUnitErr_InvalidProperty, -10879);
    EXPECT_EQ(kAudioUnitErr_InvalidParameter, -10878);
    EXPECT_EQ(kAudioUnitErr_InvalidElement, -10877);
    EXPECT_EQ(kAudioUnitErr_FormatNotSupported, -10868);
    EXPECT_EQ(kAudioUnitErr_InvalidScope, -10866);
    EXPECT_EQ(kAudioUnitErr_CannotDoInCurrentContext, -10863);
    EXPECT_EQ(kAudioUnitErr_InvalidPropertyValue, -10851);
    EXPECT_EQ(kAudioUnitErr_MIDIOutputBufferFull, -66753);
    EXPECT_EQ(kAudio_ParamError, -50);
    EXPECT_EQ(eofErr, -39);
    EXPECT_EQ(fnfErr, -43);
    EXPECT_EQ(memFullErr, -108);
}

TEST(AppleConstants, UnitsFlagsAndFormats) {
    EXPECT_EQ(kAudioUnitParameterUnit_Indexed, 1);
    EXPECT_EQ(kAudioUnitParameterUnit_Boolean, 2);
    EXPECT_EQ(kAudioUnitParameterUnit_CustomUnit, 26);
    EXPECT_EQ(UInt32(kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_IsWritable |
                     kAudioUnitParameterFlag_HasCFNameString),
              0xC8000000u);
    EXPECT_EQ(UInt32(kAudioUnitParameterFlag_ValuesHaveStrings), 0x00200000u);
    EXPECT_EQ(UInt32(kAudioUnitParameterFlag_IsGlobalMeta), 0x10000000u);
    EXPECT_EQ(UInt32(kAudioUnitParameterFlag_DisplayMask), 0x00470000u);
    EXPECT_EQ(kAudioUnitRenderAction_PreRender, 4u);
    EXPECT_EQ(kAudioUnitRenderAction_PostRender, 8u);
    EXPECT_EQ(kAudioUnitRenderAction_OutputIsSilence, 16u);
    EXPECT_EQ(kAudioFormatLinearPCM, 0x6C70636Du);
    EXPECT_EQ(kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved, 41u);
    EXPECT_EQ(kAudioTimeStampSampleHostTimeValid, 3u);
    EXPECT_EQ(kAudioUnitType_MusicDevice, 1635085685u);
    EXPECT_EQ(kAudioComponentFlag_SandboxSafe, 2u);
    EXPECT_EQ(kAudioComponentFlag_CanLoadInProcess, 0x10u);
    EXPECT_EQ(kAudioUnitEvent_PropertyChange, 3u);
    EXPECT_EQ(kParameterEvent_Immediate, 1u);
    EXPECT_STREQ(kAUPresetVSTDataKey, "vstdata");
    EXPECT_STREQ(kAUPresetManufacturerKey, "manufacturer");
}

TEST(AppleConstants, CoreFoundation) {
    EXPECT_EQ(kCFStringEncodingMacRoman, 0u);
    EXPECT_EQ(kCFStringEncodingUTF8, 0x08000100u);
    EXPECT_EQ(kCFCompareCaseInsensitive, 1u);
    EXPECT_EQ(kCFCompareNumerically, 64u);
    EXPECT_EQ(kCFNumberSInt32Type, 3);
    EXPECT_EQ(kCFNumberFloat64Type, 6);
    EXPECT_EQ(kCFPropertyListXMLFormat_v1_0, 100);
}
