// The property table: sizes, scopes, elements, conditions, presets by number and notifications.
#include <cmath>
#include <cstring>

#include "AuTestSupport.h"

namespace {

using namespace autest;

struct Notifications {
    std::vector<AudioUnitPropertyID> properties;
    std::vector<AudioUnitEvent> events;
};

void recordProperty(void* refCon, AudioUnit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement) {
    static_cast<Notifications*>(refCon)->properties.push_back(id);
}

void recordEvent(void* refCon, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue) {
    static_cast<Notifications*>(refCon)->events.push_back(*event);
}

TEST(PropertySizes, NullDataReportsOnlyTheSizeAndOneByteShortIsRefused) {
    OpenedUnit u;
    ASSERT_EQ(u.openResult, noErr);
    UInt32 size = 0;
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 0, nullptr, &size),
              noErr);
    EXPECT_EQ(size, 8u);
    Float64 rate = 0.0;
    size = 7;
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 0, &rate, &size),
              kAudioUnitErr_InvalidPropertyValue);
    AudioStreamBasicDescription format{};
    size = sizeof format - 1;
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &format, &size),
              kAudioUnitErr_InvalidPropertyValue);
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_StreamFormat, format, kAudioUnitScope_Output), noErr);
    EXPECT_EQ(format.mSampleRate, 44100.0);
    EXPECT_EQ(format.mFormatFlags, 41u);
    EXPECT_EQ(format.mChannelsPerFrame, 2u);
    const Float64 shortRate = 48000.0;
    EXPECT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 0, &shortRate, 7),
              kAudioUnitErr_InvalidPropertyValue);
}

// A host's absurd values change nothing: they would divide by zero or allocate gigabytes.
TEST(PropertyValues, NoRateAndNoSliceSizeAreRefused) {
    OpenedUnit u;
    ASSERT_EQ(u.openResult, noErr);
    for (const Float64 noRate : {0.0, -44100.0, double(NAN), double(INFINITY)})
        EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_SampleRate, noRate, kAudioUnitScope_Output),
                  kAudioUnitErr_InvalidPropertyValue);
    for (const UInt32 frames : {0u, 65537u, 0xffffffffu})
        EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, frames),
                  kAudioUnitErr_InvalidPropertyValue);
    Float64 rate = 0.0;
    UInt32 frames = 0;
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_SampleRate, rate, kAudioUnitScope_Output), noErr);
    EXPECT_EQ(rate, 44100.0);
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, frames), noErr);
    EXPECT_EQ(frames, 4096u);
}

struct Refusal {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    AudioUnitElement element;
    OSStatus expected;
};

// The scriptable synth: no inputs, one stereo output bus named "Out 0", 8 parameters, none
// mapped, no tail, no bypass, no editor, no extensions, no factory presets. One row per kind of
// rule (bus scopes, input-only, global-only, conditions), not per property; every element that
// indexes an array of the component is checked at its end.
TEST(PropertyTable, ScopeElementAndConditionErrors) {
    OpenedUnit u;
    ASSERT_EQ(u.openResult, noErr);
    const Refusal refusals[] = {
        {kAudioUnitProperty_ClassInfo, kAudioUnitScope_Input, 0, kAudioUnitErr_InvalidScope},
        {kAudioUnitProperty_MakeConnection, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidScope},
        {kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 1, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 1, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_SampleRate, kAudioUnitScope_Input, 0, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_SampleRate, kAudioUnitScope_Group, 0, kAudioUnitErr_InvalidScope},
        {kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, 8, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, 8, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidParameter},
        {kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
        {kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
        {kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
        {kAudioUnitProperty_ElementName, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidScope},
        {kAudioUnitProperty_ElementName, kAudioUnitScope_Output, 1, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_ElementName, kAudioUnitScope_Input, 0, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
        {kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
        {kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 8, kAudioUnitErr_InvalidElement},
        {kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, 0, kAudioUnitErr_InvalidProperty},
    };
    for (const Refusal& r : refusals) {
        UInt32 size = 0;
        Boolean writable = false;
        EXPECT_EQ(AudioUnitGetPropertyInfo(u.unit, r.id, r.scope, r.element, &size, &writable), r.expected)
            << "property " << r.id << " scope " << r.scope << " element " << r.element;
        char data[256] = {};
        size = sizeof data;
        EXPECT_EQ(AudioUnitGetProperty(u.unit, r.id, r.scope, r.element, data, &size), r.expected)
            << "property " << r.id << " scope " << r.scope << " element " << r.element;
    }
}

TEST(PropertyTable, ReadOnlyAndWriteOnlyPropertiesAreRefusedTheOtherWay) {
    OpenedUnit u;
    char data[256] = {};
    UInt32 size = sizeof data;
    EXPECT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, data, 8),
              kAudioUnitErr_InvalidProperty);
    EXPECT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, data, 0),
              kAudioUnitErr_InvalidProperty);
    EXPECT_EQ(AudioUnitSetProperty(u.unit, kMusicDeviceProperty_InstrumentCount, kAudioUnitScope_Global, 0, data, 4),
              kAudioUnitErr_InvalidProperty);
    OpenedUnit withInput(EffectScript{2, 2});
    ASSERT_EQ(withInput.openResult, noErr);
    EXPECT_EQ(AudioUnitGetProperty(withInput.unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, data,
                                   &size),
              kAudioUnitErr_InvalidProperty);
}

TEST(PropertyTable, SupportedChannelsAndElementNamesOfAStereoSynth) {
    OpenedUnit u;
    AUChannelInfo channels{};
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_SupportedNumChannels, channels), noErr);
    EXPECT_EQ(channels.inChannels, 0);
    EXPECT_EQ(channels.outChannels, 2);
    CFStringRef name = nullptr;
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ElementName, name, kAudioUnitScope_Output), noErr);
    EXPECT_EQ(stringOf(name), "Out 0");
    CFRelease(name);
    UInt32 count = 99;
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ElementCount, count), noErr);
    EXPECT_EQ(count, 0u);
}

TEST(Presets, CurrentPresetWithFourBytesIsTheNumberOnly) {
    OpenedUnit u;
    char buffer[16];
    std::memset(buffer, 0x55, sizeof buffer);
    UInt32 size = 4;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, buffer, &size),
              noErr);
    EXPECT_EQ(size, 4u);
    SInt32 number;
    std::memcpy(&number, buffer, 4);
    EXPECT_EQ(number, -1);
    EXPECT_EQ(UInt8(buffer[4]), 0x55);  // nothing written past the number
    AUPreset preset{};
    size = sizeof preset;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, &preset, &size),
              noErr);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(stringOf(preset.presetName), "Init");  // the effect's program name replaced "Untitled"
    size = 3;
    EXPECT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, buffer, &size),
              kAudioUnitErr_InvalidPropertyValue);
    // Set by number: there is no factory preset 0 here.
    EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_CurrentPreset, SInt32(0)), kAudioUnitErr_InvalidPropertyValue);
}

TEST(Notifications, NoNotificationWhenThePresetAndNameAreUnchanged) {
    OpenedUnit u;
    Notifications seen;
    ASSERT_EQ(AudioUnitAddPropertyListener(u.unit, kAudioUnitProperty_CurrentPreset, recordProperty, &seen), noErr);
    ASSERT_EQ(AudioUnitAddPropertyListener(u.unit, kAudioUnitProperty_PresentPreset, recordProperty, &seen), noErr);
    AUPreset preset = {-1, CFSTR("Init")};
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_PresentPreset, preset), noErr);
    EXPECT_TRUE(seen.properties.empty());

    // A new name reaches the effect and is announced on both preset properties.
    preset.presetName = CFSTR("Brass");
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_PresentPreset, preset), noErr);
    EXPECT_STREQ(u.effect().programName, "Brass");
    EXPECT_EQ(seen.properties,
              (std::vector<AudioUnitPropertyID>{kAudioUnitProperty_CurrentPreset, kAudioUnitProperty_PresentPreset}));
}

TEST(Notifications, WithoutPropertyListenersChangesArriveAsEvents) {
    OpenedUnit u;
    Notifications seen;
    AUEventListenerRef listener = nullptr;
    ASSERT_EQ(AUEventListenerCreate(recordEvent, &seen, nullptr, nullptr, 0.0f, 0.0f, &listener), noErr);
    AudioUnitEvent wanted{};
    wanted.mEventType = kAudioUnitEvent_PropertyChange;
    wanted.mArgument.mProperty = {u.unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0};
    ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &wanted), noErr);

    const UInt32 frames = 1024;
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, frames), noErr);
    ASSERT_EQ(seen.events.size(), 1u);
    EXPECT_EQ(seen.events[0].mArgument.mProperty.mPropertyID, UInt32(kAudioUnitProperty_MaximumFramesPerSlice));
    // The same value again changes nothing.
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, frames), noErr);
    EXPECT_EQ(seen.events.size(), 1u);

    // Once a property listener exists, it alone is told.
    Notifications direct;
    ASSERT_EQ(AudioUnitAddPropertyListener(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, recordProperty, &direct),
              noErr);
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, UInt32(2048)), noErr);
    EXPECT_EQ(direct.properties.size(), 1u);
    EXPECT_EQ(seen.events.size(), 1u);
    AUListenerDispose(listener);
}

TEST(Notifications, ListenersAreRemovedByIdProcAndUserData) {
    OpenedUnit u;
    Notifications a, b;
    AudioUnitAddPropertyListener(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, recordProperty, &a);
    AudioUnitAddPropertyListener(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, recordProperty, &b);
    AudioUnitAddPropertyListener(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, recordProperty, &a);
    ASSERT_EQ(AudioUnitRemovePropertyListenerWithUserData(u.unit, kAudioUnitProperty_MaximumFramesPerSlice,
                                                          recordProperty, &a),
              noErr);
    setProperty(u.unit, kAudioUnitProperty_MaximumFramesPerSlice, UInt32(512));
    EXPECT_TRUE(a.properties.empty());
    EXPECT_EQ(b.properties.size(), 1u);
}

TEST(HostCallbacks, CopiedUpToTheCallersSizeAndAnnouncedOnlyWhenChanged) {
    OpenedUnit u;
    Notifications seen;
    AudioUnitAddPropertyListener(u.unit, kAudioUnitProperty_HostCallbacks, recordProperty, &seen);
    HostCallbackInfo callbacks{};
    callbacks.hostUserData = &seen;
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_HostCallbacks, callbacks), noErr);
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_HostCallbacks, callbacks), noErr);
    EXPECT_EQ(seen.properties.size(), 1u);
    void* first = nullptr;
    UInt32 size = 8;
    ASSERT_EQ(AudioUnitGetProperty(u.unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &first, &size),
              noErr);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(first, &seen);
    // A short record clears the rest.
    ASSERT_EQ(AudioUnitSetProperty(u.unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &callbacks, 0),
              noErr);
    EXPECT_EQ(seen.properties.size(), 2u);
}

struct ParameterLog {
    std::vector<AudioUnitEventType> events;
    std::vector<float> values;
};

void logParameterEvent(void* refCon, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue) {
    static_cast<ParameterLog*>(refCon)->events.push_back(event->mEventType);
}

void logParameterValue(void* refCon, void*, const AudioUnitParameter*, AudioUnitParameterValue value) {
    static_cast<ParameterLog*>(refCon)->values.push_back(value);
}

// The effect's edit gestures and automation reach the host's parameter and event listeners.
TEST(Automation, GesturesAndValueChangesReachTheListeners) {
    OpenedUnit u(EffectScript(), kAudioUnitType_MusicDevice,
                 "vst param #\tname\tmin\tmax\tdisplay\tunit\tdefault\r2\tCutoff\t0\t100\t=\t-\t0\r");
    ParameterLog log;
    AUEventListenerRef events = nullptr;
    ASSERT_EQ(AUEventListenerCreate(logParameterEvent, &log, nullptr, nullptr, 0.0f, 0.0f, &events), noErr);
    AUParameterListenerRef values = nullptr;
    ASSERT_EQ(AUParameterListenerCreate(logParameterValue, &log, nullptr, nullptr, 0.0f, &values), noErr);
    AudioUnitEvent wanted{};
    wanted.mArgument.mParameter = {u.unit, 2, kAudioUnitScope_Global, 0};
    for (AudioUnitEventType type : {kAudioUnitEvent_ParameterValueChange, kAudioUnitEvent_BeginParameterChangeGesture,
                                    kAudioUnitEvent_EndParameterChangeGesture}) {
        wanted.mEventType = type;
        ASSERT_EQ(AUEventListenerAddEventType(events, nullptr, &wanted), noErr);
    }
    ASSERT_EQ(AUListenerAddParameter(values, nullptr, &wanted.mArgument.mParameter), noErr);

    AEffect* effect = u.component().vst->getEffect();
    audioMasterCallback master = u.effect().host;
    EXPECT_EQ(master(effect, audioMasterBeginEdit, 2, 0, nullptr, 0.0f), 1);
    u.effect().values[2] = 0.25f;
    EXPECT_EQ(master(effect, audioMasterAutomate, 2, 0, nullptr, 0.25f), 0);
    EXPECT_EQ(master(effect, audioMasterEndEdit, 2, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(log.events, (std::vector<AudioUnitEventType>{kAudioUnitEvent_BeginParameterChangeGesture,
                                                           kAudioUnitEvent_ParameterValueChange,
                                                           kAudioUnitEvent_EndParameterChangeGesture}));
    EXPECT_EQ(log.values, (std::vector<float>{25.0f}));

    AUListenerDispose(values);
    AUListenerDispose(events);
}

}  // namespace
