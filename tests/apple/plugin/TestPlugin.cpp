// Executable of the test bundle: symbols for lookup, and calls that must land in the host's
// copy of the framework layer.
#include <AudioToolbox/AudioToolbox.h>
#include <StandIn/StandIn.h>

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

TEST_EXPORT int TestPluginAnswer() { return 42; }

TEST_EXPORT OSStatus TestPluginNotifyGesture(AudioUnit unit, AudioUnitParameterID id) {
    AudioUnitEvent event{};
    event.mEventType = kAudioUnitEvent_BeginParameterChangeGesture;
    event.mArgument.mParameter = {unit, id, kAudioUnitScope_Global, 0};
    return AUEventListenerNotify(nullptr, nullptr, &event);
}

TEST_EXPORT CFIndex TestPluginLiveObjects() { return StandInLiveObjectCount(); }
