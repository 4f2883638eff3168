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
    UInt32 size = sizeof request;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0,
                                   &request, &size),
              noErr);
    char text[32] = {};
    CFStringGetCString(request.outString, text, sizeof text, kCFStringEncodingUTF8);
    EXPECT_STREQ(text, "50 %");
    CFRelease(request.outString);

    // Without a value: the effect's display of its current value.
    u.effect().values[0] = 0.75f;
    request = {0, nullptr, nullptr};
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0,
                                   &request, &size),
              noErr);
    CFStringGetCString(request.outString, text, sizeof text, kCFStringEncodingUTF8);
    EXPECT_STREQ(text, "0.75");
    CFRelease(request.outString);

    request = {1, &value, nullptr};  // not in the map: its range is empty
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0,
                                   &request, &size),
              kAudioUnitErr_InvalidParameter);
    request = {9, &value, nullptr};
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0,
                                   &request, &size),
              kAudioUnitErr_InvalidParameter);
}

TEST(Extensions, ValueFromStringScalesBackAndRefusesWhatTheEffectCannotRead) {
    OpenedUnit u(withExtensions(), kAudioUnitType_MusicDevice, kMap);
    AudioUnitParameterValueFromString request = {0, CFSTR("40"), -1.0f};
    UInt32 size = sizeof request;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0,
                                   &request, &size),
              noErr);
    EXPECT_FLOAT_EQ(request.outValue, 20.0f);
    request = {0, CFSTR("loud"), -1.0f};
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0,
                                   &request, &size),
              kAudioUnitErr_InvalidProperty);
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
    UInt32 size = sizeof tail;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0, &tail, &size),
              noErr);
    EXPECT_DOUBLE_EQ(tail, 0.1);
    const UInt32 on = 7;
    ASSERT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &on, sizeof on),
              noErr);
    UInt32 state = 0;
    size = sizeof state;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &state, &size),
              noErr);
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
