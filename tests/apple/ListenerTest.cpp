// Parameter and event listeners: matching, values read from the unit, sender exclusion,
// disposal, and delivery of notifications sent from inside a loaded bundle.
#include "TestBundle.h"

#include <AudioToolbox/AudioToolbox.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

Float32 unitValues[8];

// A unit whose GetParameter answers from unitValues: what a notified listener reads.
ComponentResult ValueEntry(ComponentParameters* p, Handle) {
    if (p->what == kComponentOpenSelect || p->what == kComponentCloseSelect) return noErr;
    if (p->what != kAudioUnitGetParameterSelect) return badComponentSelector;
    UInt32 id;
    std::memcpy(&id, &p->params[1], sizeof id);
    if (id >= 8) return kAudioUnitErr_InvalidParameter;
    *reinterpret_cast<Float32*>(p->params[4]) = unitValues[id];
    return noErr;
}

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
        static Component component = [] {
            ComponentDescription cd{kAudioUnitType_MusicDevice, 0x4C69736E, 0x4272436F, 0, 0};
            return StandInRegisterComponent(&cd, ValueEntry, "Listener unit", "", 1);
        }();
        unit = OpenComponent(component);
        ASSERT_EQ(AUEventListenerCreate(onEvent, &heard, nullptr, kCFRunLoopDefaultMode, 0.0f, 0.0f, &events), noErr);
        ASSERT_EQ(AUParameterListenerCreate(onParameter, &heardParameters, nullptr, nullptr, 0.0f, &parameters), noErr);
    }
    void TearDown() override {
        AUListenerDispose(events);
        AUListenerDispose(parameters);
        CloseComponent(unit);
    }

    AudioUnit unit = nullptr;
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

TEST_F(ListenerTest, ValueChangesCarryTheUnitsCurrentValue) {
    unitValues[3] = 0.25f;
    const AudioUnitEvent change = parameterEvent(kAudioUnitEvent_ParameterValueChange, unit, 3);
    AUEventListenerAddEventType(events, nullptr, &change);
    const AudioUnitParameter any = {unit, kAUParameterListener_AnyParameter, 0, 0};
    AUListenerAddParameter(parameters, nullptr, &any);

    const AudioUnitParameter p3 = change.mArgument.mParameter;
    EXPECT_EQ(AUParameterListenerNotify(nullptr, nullptr, &p3), noErr);
    AUEventListenerNotify(nullptr, nullptr, &change);
    const AudioUnitParameter p7 = {unit, 7, kAudioUnitScope_Global, 0};
    unitValues[7] = 0.5f;
    AUParameterListenerNotify(nullptr, nullptr, &p7);

    ASSERT_EQ(heardParameters.size(), 2u);
    EXPECT_EQ(heardParameters[0].value, 0.25f);
    EXPECT_EQ(heardParameters[1].event.mArgument.mParameter.mParameterID, 7u);
    EXPECT_EQ(heardParameters[1].value, 0.5f);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].value, 0.25f);
}

TEST_F(ListenerTest, SenderAndSendingObjectAreNotCalledBack) {
    const AudioUnitEvent begin = parameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, unit, 1);
    int view = 0;
    AUEventListenerAddEventType(events, &view, &begin);
    AUEventListenerNotify(events, nullptr, &begin);
    AUEventListenerNotify(nullptr, &view, &begin);
    EXPECT_TRUE(heard.empty());
    AUEventListenerNotify(nullptr, nullptr, &begin);
    EXPECT_EQ(heard.size(), 1u);
}

TEST_F(ListenerTest, RemovedRegistrationsAndDisposedListenersHearNothing) {
    const AudioUnitEvent begin = parameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, unit, 1);
    AUEventListenerAddEventType(events, nullptr, &begin);
    AUEventListenerRemoveEventType(events, nullptr, &begin);
    AUEventListenerNotify(nullptr, nullptr, &begin);
    EXPECT_TRUE(heard.empty());

    AUEventListenerRef second = nullptr;
    std::vector<Heard> heardBySecond;
    AUEventListenerCreate(onEvent, &heardBySecond, nullptr, nullptr, 0.0f, 0.0f, &second);
    AUEventListenerAddEventType(second, nullptr, &begin);
    EXPECT_EQ(AUListenerDispose(second), noErr);
    AUEventListenerNotify(nullptr, nullptr, &begin);
    EXPECT_TRUE(heardBySecond.empty());
    EXPECT_EQ(AUParameterListenerNotify(nullptr, nullptr, nullptr), paramErr);
}

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
