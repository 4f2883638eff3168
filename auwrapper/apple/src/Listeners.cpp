// Parameter and event listeners. Notifications are delivered synchronously on the notifying
// thread; the registry lock is never held while a listener or the unit is called.
#include <AudioToolbox/AudioToolbox.h>

#include <algorithm>
#include <ctime>
#include <mutex>
#include <vector>

namespace {
const UInt32 kListenerMagic = 0x4C69736E;

struct Registration {
    void* object;
    AudioUnitEvent event;  // parameter listeners register ParameterValueChange events
};
}  // namespace

struct AUListenerBase {
    UInt32 magic = kListenerMagic;
    bool hearsEvents = false;
    AUParameterListenerProc parameterProc = nullptr;
    AUEventListenerProc eventProc = nullptr;
    void* userData = nullptr;
    std::vector<Registration> registrations;
};

namespace {

std::mutex listenersMutex;
std::vector<AUListenerBase*>& listeners() {
    static auto* list = new std::vector<AUListenerBase*>();
    return *list;
}

bool isLive(AUListenerBase* listener) {
    auto& list = listeners();
    return std::find(list.begin(), list.end(), listener) != list.end();
}

bool sameParameter(const AudioUnitParameter& want, const AudioUnitParameter& have) {
    return want.mAudioUnit == have.mAudioUnit && want.mParameterID == have.mParameterID && want.mScope == have.mScope &&
           want.mElement == have.mElement;
}

bool sameEvent(const AudioUnitEvent& want, const AudioUnitEvent& have) {
    if (want.mEventType != have.mEventType) return false;
    if (want.mEventType == kAudioUnitEvent_PropertyChange) {
        const AudioUnitProperty& a = want.mArgument.mProperty;
        const AudioUnitProperty& b = have.mArgument.mProperty;
        return a.mAudioUnit == b.mAudioUnit && a.mPropertyID == b.mPropertyID && a.mScope == b.mScope &&
               a.mElement == b.mElement;
    }
    return sameParameter(want.mArgument.mParameter, have.mArgument.mParameter);
}

struct Delivery {
    AUListenerBase* listener;
    void* object;
};

// Listeners of the given kind with a registration matching the event, in creation order.
std::vector<Delivery> matchingListeners(bool events, const AudioUnitEvent& event) {
    std::vector<Delivery> found;
    std::lock_guard<std::mutex> lock(listenersMutex);
    for (AUListenerBase* listener : listeners()) {
        if (listener->hearsEvents != events) continue;
        for (const Registration& r : listener->registrations)
            if (sameEvent(r.event, event)) found.push_back({listener, r.object});
    }
    return found;
}

// Calls the listener unless it was disposed of by an earlier callback.
template <typename Call>
void deliver(const Delivery& d, Call call) {
    AUParameterListenerProc parameterProc;
    AUEventListenerProc eventProc;
    void* userData;
    {
        std::lock_guard<std::mutex> lock(listenersMutex);
        if (!isLive(d.listener)) return;
        parameterProc = d.listener->parameterProc;
        eventProc = d.listener->eventProc;
        userData = d.listener->userData;
    }
    call(parameterProc, eventProc, userData);
}

AudioUnitParameterValue currentValue(const AudioUnitParameter& p) {
    AudioUnitParameterValue value = 0;
    if (p.mAudioUnit == nullptr || AudioUnitGetParameter(p.mAudioUnit, p.mParameterID, p.mScope, p.mElement, &value))
        value = 0;
    return value;
}

UInt64 hostTime() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return UInt64(ts.tv_sec) * 1000000000ULL + UInt64(ts.tv_nsec);
}

OSStatus create(bool events, AUParameterListenerProc parameterProc, AUEventListenerProc eventProc, void* userData,
                AUListenerBase** out) {
    if (out == nullptr || (parameterProc == nullptr && eventProc == nullptr)) return paramErr;
    auto* listener = new AUListenerBase();
    listener->hearsEvents = events;
    listener->parameterProc = parameterProc;
    listener->eventProc = eventProc;
    listener->userData = userData;
    std::lock_guard<std::mutex> lock(listenersMutex);
    listeners().push_back(listener);
    *out = listener;
    return noErr;
}

OSStatus addRegistration(AUListenerBase* listener, void* object, const AudioUnitEvent& event) {
    std::lock_guard<std::mutex> lock(listenersMutex);
    if (!isLive(listener)) return paramErr;
    listener->registrations.push_back({object, event});
    return noErr;
}

AudioUnitEvent valueChangeOf(const AudioUnitParameter& p) {
    AudioUnitEvent event{};
    event.mEventType = kAudioUnitEvent_ParameterValueChange;
    event.mArgument.mParameter = p;
    return event;
}

}  // namespace

OSStatus AUParameterListenerCreate(AUParameterListenerProc proc, void* userData, CFRunLoopRef, CFStringRef, Float32,
                                   AUParameterListenerRef* outListener) {
    return create(false, proc, nullptr, userData, outListener);
}

OSStatus AUEventListenerCreate(AUEventListenerProc proc, void* userData, CFRunLoopRef, CFStringRef, Float32, Float32,
                               AUEventListenerRef* outListener) {
    return create(true, nullptr, proc, userData, outListener);
}

OSStatus AUListenerDispose(AUParameterListenerRef listener) {
    std::lock_guard<std::mutex> lock(listenersMutex);
    auto& list = listeners();
    auto it = std::find(list.begin(), list.end(), listener);
    if (it == list.end()) return paramErr;
    list.erase(it);
    listener->magic = 0;
    delete listener;
    return noErr;
}

OSStatus AUListenerAddParameter(AUParameterListenerRef listener, void* object, const AudioUnitParameter* parameter) {
    if (parameter == nullptr) return paramErr;
    return addRegistration(listener, object, valueChangeOf(*parameter));
}

OSStatus AUEventListenerAddEventType(AUEventListenerRef listener, void* object, const AudioUnitEvent* event) {
    if (event == nullptr) return paramErr;
    return addRegistration(listener, object, *event);
}

OSStatus AUParameterListenerNotify(AUParameterListenerRef, void*, const AudioUnitParameter* parameter) {
    if (parameter == nullptr) return paramErr;
    const auto targets = matchingListeners(false, valueChangeOf(*parameter));
    if (targets.empty()) return noErr;
    const AudioUnitParameterValue value = currentValue(*parameter);
    for (const Delivery& d : targets)
        deliver(d, [&](AUParameterListenerProc proc, AUEventListenerProc, void* userData) {
            proc(userData, d.object, parameter, value);
        });
    return noErr;
}

OSStatus AUEventListenerNotify(AUEventListenerRef, void*, const AudioUnitEvent* event) {
    if (event == nullptr) return paramErr;
    const auto targets = matchingListeners(true, *event);
    if (targets.empty()) return noErr;
    const AudioUnitParameterValue value =
        event->mEventType == kAudioUnitEvent_ParameterValueChange ? currentValue(event->mArgument.mParameter) : 0.0f;
    const UInt64 time = hostTime();
    for (const Delivery& d : targets)
        deliver(d, [&](AUParameterListenerProc, AUEventListenerProc proc, void* userData) {
            proc(userData, d.object, event, time, value);
        });
    return noErr;
}
