// What the effect's wrapper extensions, tail and bypass open up: value and text conversion,
// silence reports, TailTime and BypassEffect; and the idle timer.
#include "AuTestSupport.h"

namespace {

using namespace autest;

const char* const kMap =
    "vst param #\tname\tmin\tmax\tdisplay\tunit\tdefault\r"
    "0\tDepth\t0\t50\t?\t%\t0\r";

EffectScript withExtensions() {
    EffectScript script;
    script.extensions = true;
    return script;
}

TEST(Extensions, StringFromValueScalesToTheEffectAndSkipsLeadingSpaces) {
    OpenedUnit u(withExtensions(), kAudioUnitType_MusicDevice, kMap);
    ASSERT_EQ(u.openResult, noErr);
    const Float32 value = 25.0f;  // half of 0..50
    AudioUnitParameterStringFromValue request = {0, &value, nullptr};
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ParameterStringFromValue, request), noErr);
    EXPECT_EQ(stringOf(request.outString), "50 %");
    CFRelease(request.outString);

    // Without a value: the effect's display of its current value.
    u.effect().values[0] = 0.75f;
    request = {0, nullptr, nullptr};
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ParameterStringFromValue, request), noErr);
    EXPECT_EQ(stringOf(request.outString), "0.75");
    CFRelease(request.outString);

    for (AudioUnitParameterID unmapped : {1, 9}) {  // not in the map: its range is empty; past the effect's count
        request = {unmapped, &value, nullptr};
        EXPECT_EQ(getProperty(u.unit, kAudioUnitProperty_ParameterStringFromValue, request),
                  kAudioUnitErr_InvalidParameter);
    }
}

TEST(Extensions, ValueFromStringScalesBackAndRefusesWhatTheEffectCannotRead) {
    OpenedUnit u(withExtensions(), kAudioUnitType_MusicDevice, kMap);
    AudioUnitParameterValueFromString request = {0, CFSTR("40"), -1.0f};
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ParameterValueFromString, request), noErr);
    EXPECT_FLOAT_EQ(request.outValue, 20.0f);
    request = {0, CFSTR("loud"), -1.0f};
    EXPECT_EQ(getProperty(u.unit, kAudioUnitProperty_ParameterValueFromString, request), kAudioUnitErr_InvalidProperty);
    EXPECT_EQ(request.outValue, 0.0f);
}

TEST(Extensions, SilenceIsReportedBothWays) {
    EffectScript script = withExtensions();
    script.silentOutput = true;
    OpenedUnit u(script);
    StereoBuffers b;
    AudioUnitRenderActionFlags flags = 0;
    ASSERT_EQ(renderAt(u.unit, 0.0, 0, b, 64, &flags), noErr);
    EXPECT_EQ(u.effect().inputsSilent, 1);  // no input buses: all input is silent
    EXPECT_NE(flags & kAudioUnitRenderAction_OutputIsSilence, 0u);
}

TEST(TailAndBypass, AvailableOnlyWhenTheEffectSupportsThem) {
    EffectScript script;
    script.tailSize = 4410;
    script.acceptBypass = true;
    OpenedUnit u(script);
    Float64 tail = 0.0;
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_TailTime, tail), noErr);
    EXPECT_DOUBLE_EQ(tail, 0.1);
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_BypassEffect, UInt32(7)), noErr);
    UInt32 state = 0;
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_BypassEffect, state), noErr);
    EXPECT_EQ(state, 1u);
}

TEST(IdleTimer, IdlesTheEffectEvery25Milliseconds) {
    OpenedUnit u;
    auto idles = [&] {
        int n = 0;
        for (VstInt32 opcode : u.effect().opcodes) n += opcode == effIdle;
        return n;
    };
    const int before = idles();
    const EventTime now = GetCurrentEventTime();
    StandInRunEventLoopTimers(now + 0.03);
    EXPECT_EQ(idles(), before + 1);
    StandInRunEventLoopTimers(now + 0.06);
    EXPECT_EQ(idles(), before + 2);
}

}  // namespace
