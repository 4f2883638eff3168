// Parameter and event listeners: matching, disposal, and delivery of notifications sent from
// inside a loaded bundle. Value changes, which read the unit's value,
// are checked through the wrapper (its automation test).
#include "TestBundle.h"

#include <AudioToolbox/AudioToolbox.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Heard {
    void* object;
    AudioUnitEvent event;
    Float32 value;
};

void onEvent(void* refCon, void* object, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value) {
    static_cast<std::vector<Heard>*>(refCon)->push_back({object, *event, value});
}

void onParameter(void* refCon, void* object, const AudioUnitParameter* parameter, AudioUnitParameterValue value) {
    AudioUnitEvent event{};
    event.mArgument.mParameter = *parameter;
    static_cast<std::vector<Heard>*>(refCon)->push_back({object, event, value});
}

AudioUnitEvent parameterEvent(AudioUnitEventType type, AudioUnit unit, AudioUnitParameterID id) {
    AudioUnitEvent e{};
    e.mEventType = type;
    e.mArgument.mParameter = {unit, id, kAudioUnitScope_Global, 0};
    return e;
}

AudioUnitEvent propertyEvent(AudioUnit unit, AudioUnitPropertyID id) {
    AudioUnitEvent e{};
    e.mEventType = kAudioUnitEvent_PropertyChange;
    e.mArgument.mProperty = {unit, id, kAudioUnitScope_Global, 0};
    return e;
}

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(AUEventListenerCreate(onEvent, &heard, nullptr, nullptr, 0.0f, 0.0f, &events), noErr);
        ASSERT_EQ(AUParameterListenerCreate(onParameter, &heardParameters, nullptr, nullptr, 0.0f, &parameters), noErr);
    }
    void TearDown() override {
        AUListenerDispose(events);
        AUListenerDispose(parameters);
    }

    int unitTag = 0;  // gestures and property changes never call the unit: any address names one
    AudioUnit unit = reinterpret_cast<AudioUnit>(&unitTag);
    AUEventListenerRef events = nullptr;
    AUParameterListenerRef parameters = nullptr;
    std::vector<Heard> heard;
    std::vector<Heard> heardParameters;
};

}  // namespace

TEST_F(ListenerTest, EventListenerHearsOnlyRegisteredEvents) {
    const AudioUnitEvent begin = parameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, unit, 5);
    const AudioUnitEvent preset = propertyEvent(unit, 28);
    int object = 0;
    AUEventListenerAddEventType(events, &object, &begin);
    AUEventListenerAddEventType(events, &object, &preset);

    EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &begin), noErr);
    EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &preset), noErr);
    const AudioUnitEvent end = parameterEvent(kAudioUnitEvent_EndParameterChangeGesture, unit, 5);
    const AudioUnitEvent otherParameter = parameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, unit, 6);
    const AudioUnitEvent otherProperty = propertyEvent(unit, 36);
    AUEventListenerNotify(nullptr, nullptr, &end);
    AUEventListenerNotify(nullptr, nullptr, &otherParameter);
    AUEventListenerNotify(nullptr, nullptr, &otherProperty);

    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].object, &object);
    EXPECT_EQ(heard[0].event.mEventType, kAudioUnitEvent_BeginParameterChangeGesture);
    EXPECT_EQ(heard[0].event.mArgument.mParameter.mParameterID, 5u);
    EXPECT_EQ(heard[1].event.mEventType, kAudioUnitEvent_PropertyChange);
    EXPECT_EQ(heard[1].event.mArgument.mProperty.mPropertyID, 28u);
    EXPECT_TRUE(heardParameters.empty());  // parameter listeners hear AUParameterListenerNotify only
}

TEST_F(ListenerTest, DisposedListenersHearNothing) {
    const AudioUnitEvent begin = parameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, unit, 1);
    AUEventListenerRef second = nullptr;
    std::vector<Heard> heardBySecond;
    AUEventListenerCreate(onEvent, &heardBySecond, nullptr, nullptr, 0.0f, 0.0f, &second);
    AUEventListenerAddEventType(second, nullptr, &begin);
    EXPECT_EQ(AUListenerDispose(second), noErr);
    AUEventListenerNotify(nullptr, nullptr, &begin);
    EXPECT_TRUE(heardBySecond.empty());
    EXPECT_EQ(AUParameterListenerNotify(nullptr, nullptr, nullptr), paramErr);
}

// A bundle's calls into the layer bind to the host's copy, one for the process: its listeners,
// and (the same binding) its objects and timers.
TEST_F(ListenerTest, NotificationsFromALoadedBundleReachTheHostsListeners) {
    TestBundle folder;
    CFURLRef url = folder.copyURL();
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    auto notify = reinterpret_cast<OSStatus (*)(AudioUnit, AudioUnitParameterID)>(
        CFBundleGetFunctionPointerForName(bundle, CFSTR("TestPluginNotifyGesture")));
    auto liveObjects =
        reinterpret_cast<CFIndex (*)()>(CFBundleGetFunctionPointerForName(bundle, CFSTR("TestPluginLiveObjects")));
    ASSERT_NE(notify, nullptr);
    ASSERT_NE(liveObjects, nullptr);
    const AudioUnitEvent begin = parameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, unit, 4);
    AUEventListenerAddEventType(events, nullptr, &begin);
    EXPECT_EQ(notify(unit, 4), noErr);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].event.mArgument.mParameter.mParameterID, 4u);
    EXPECT_EQ(liveObjects(), StandInLiveObjectCount());  // one object registry for the process
    CFRelease(bundle);
    CFRelease(url);
}
