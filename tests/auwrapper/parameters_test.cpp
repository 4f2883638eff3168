// Parameters through the map: scaling, rounding of indexed values, scopes, ranges, and the
// refusal of parameters the map leaves out.
#include <cmath>

#include "AuTestSupport.h"

namespace {

using namespace autest;

const char* const kMap =
    "vst param #\tname\tmin\tmax\tdisplay\tunit\tdefault\r"
    "0\tMode\t0\t5\tA|B|C|D|E|F\t-\t0\r"
    "1\tLevel\t0\t5\t=\t-\t0\r"
    "2\tSwitch\t0\t1\tb\t-\t0\r"
    "3\tTune\t-12\t12\t=\tsemitones\t0\r";

AudioUnitParameterEvent immediate(AudioUnitParameterID parameter, float value) {
    AudioUnitParameterEvent event{};
    event.parameter = parameter;
    event.eventType = kParameterEvent_Immediate;
    event.eventValues.immediate.value = value;
    return event;
}

TEST(ParameterScaling, IndexedRoundsHalfUpAndGenericIsLinear) {
    OpenedUnit u(EffectScript(), kAudioUnitType_MusicDevice, kMap);
    ASSERT_EQ(u.openResult, noErr);
    struct Case {
        AudioUnitParameterID id;
        float stored, expected;
    };
    for (const Case& c : {Case{0, 0.5f, 3.0f}, Case{1, 0.5f, 2.5f}, Case{2, 0.5f, 1.0f}, Case{3, 0.25f, -6.0f}}) {
        u.effect().values[c.id] = c.stored;
        Float32 value = -1.0f;
        ASSERT_EQ(AudioUnitGetParameter(u.unit, c.id, kAudioUnitScope_Global, 0, &value), noErr);
        EXPECT_EQ(value, c.expected) << c.id;
    }
}

TEST(ParameterScaling, SetMapsTheRangeOntoZeroToOneClampingAndRefusingNonNumbers) {
    OpenedUnit u(EffectScript(), kAudioUnitType_MusicDevice, kMap);
    ASSERT_EQ(AudioUnitSetParameter(u.unit, 3, kAudioUnitScope_Global, 0, 6.0f, 0), noErr);
    EXPECT_FLOAT_EQ(u.effect().values[3], 0.75f);
    ASSERT_EQ(AudioUnitSetParameter(u.unit, 0, kAudioUnitScope_Global, 0, 2.0f, 0), noErr);
    EXPECT_FLOAT_EQ(u.effect().values[0], 0.4f);
    ASSERT_EQ(AudioUnitSetParameter(u.unit, 1, kAudioUnitScope_Global, 0, 10.0f, 0), noErr);
    EXPECT_EQ(u.effect().values[1], 1.0f);
    ASSERT_EQ(AudioUnitSetParameter(u.unit, 3, kAudioUnitScope_Global, 0, -1e30f, 0), noErr);
    EXPECT_EQ(u.effect().values[3], 0.0f);
    for (float bad : {std::nanf(""), HUGE_VALF, -HUGE_VALF}) {
        EXPECT_EQ(AudioUnitSetParameter(u.unit, 1, kAudioUnitScope_Global, 0, bad, 0),
                  kAudioUnitErr_InvalidParameterValue);
        const AudioUnitParameterEvent event = immediate(1, bad);
        EXPECT_EQ(AudioUnitScheduleParameters(u.unit, &event, 1), kAudioUnitErr_InvalidParameterValue);
        EXPECT_EQ(u.effect().values[1], 1.0f);
    }
}

// A parameter the map leaves out has an empty range; scaling would divide by zero. Past the
// effect's count (8) there is none at all; only the global scope has parameters.
TEST(ParameterScaling, UnmappedParametersAndOtherScopesAreRefused) {
    OpenedUnit u(EffectScript(), kAudioUnitType_MusicDevice, kMap);
    u.effect().values[5] = 0.5f;
    Float32 value = 0.0f;
    for (AudioUnitParameterID id : {5, 8}) {
        EXPECT_EQ(AudioUnitGetParameter(u.unit, id, kAudioUnitScope_Global, 0, &value), kAudioUnitErr_InvalidParameter);
        EXPECT_EQ(AudioUnitSetParameter(u.unit, id, kAudioUnitScope_Global, 0, 0.25f, 0),
                  kAudioUnitErr_InvalidParameter);
        const AudioUnitParameterEvent event = immediate(id, 0.25f);
        EXPECT_EQ(AudioUnitScheduleParameters(u.unit, &event, 1), kAudioUnitErr_InvalidParameter);
    }
    EXPECT_EQ(u.effect().values[5], 0.5f);
    EXPECT_EQ(AudioUnitGetParameter(u.unit, 0, kAudioUnitScope_Output, 0, &value), kAudioUnitErr_InvalidScope);
    EXPECT_EQ(AudioUnitSetParameter(u.unit, 0, kAudioUnitScope_Input, 0, 1.0f, 0), kAudioUnitErr_InvalidScope);
}

TEST(ParameterScheduling, ImmediateEventsApplyInOrderAndRampsAreIgnored) {
    OpenedUnit u(EffectScript(), kAudioUnitType_MusicDevice, kMap);
    AudioUnitParameterEvent events[3] = {immediate(3, 0.0f), {}, immediate(3, 0.0f)};
    events[1].parameter = 1;
    events[1].eventType = kParameterEvent_Ramped;
    events[1].eventValues.ramp.endValue = 5.0f;
    events[2].scope = kAudioUnitScope_Output;
    EXPECT_EQ(AudioUnitScheduleParameters(u.unit, events, 3), kAudioUnitErr_InvalidScope);
    EXPECT_FLOAT_EQ(u.effect().values[3], 0.5f);  // the first event was applied before the refusal
    EXPECT_EQ(u.effect().values[1], 0.0f);
}

TEST(ParameterList, TheMapDecidesWhatTheHostSees) {
    OpenedUnit u(EffectScript(), kAudioUnitType_MusicDevice, kMap);
    UInt32 size = 0;
    ASSERT_EQ(
        AudioUnitGetPropertyInfo(u.unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size, nullptr),
        noErr);
    EXPECT_EQ(size, 16u);
    AudioUnitParameterID ids[4] = {};
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids, &size),
              noErr);
    EXPECT_EQ(ids[3], 3u);
    ASSERT_EQ(
        AudioUnitGetPropertyInfo(u.unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Output, 0, &size, nullptr),
        noErr);
    EXPECT_EQ(size, 0u);
    CFArrayRef names = nullptr;
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ParameterValueStrings, names), noErr);
    EXPECT_EQ(CFArrayGetCount(names), 6);
    CFRelease(names);
    AudioUnitParameterInfo info{};
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ParameterInfo, info, kAudioUnitScope_Global, 6), noErr);
    EXPECT_EQ(info.flags, 0u);  // unmapped: all zero
}

}  // namespace
