// Construction and destruction of the component, selector dispatch, parameters, the effect's
// host requests, presets by number, notifications and host identification.
#include "TandemComponent.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "TandemExceptions.h"
#include "TandemView.h"

namespace tandem {

namespace {

const VstInt32 kExtensionProbe = CCONST('s', 'H', 'i', '!');
const size_t kMaxImagePath = 1023;

template <typename T>
T argument(const ComponentParameters* params, int slot) {
    T value;
    std::memcpy(&value, &params->params[slot], sizeof value);
    return value;
}

CFStringRef createMacRomanString(const char* text) {
    CFStringRef s = CFStringCreateWithCString(nullptr, text, kCFStringEncodingMacRoman);
    throwOnNull(s, "Could not create string");
    return s;
}

bool isDirectory(CFURLRef url) {
    char path[1024];
    struct stat info;
    return CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path) &&
           stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

TandemComponent::TandemComponent(ComponentInstance instance, const TandemOrigin& origin) : componentInstance(instance) {
    try {
        construct(origin);
    } catch (...) {
        uninit();
        throw;
    }
}

TandemComponent::~TandemComponent() { uninit(); }

void TandemComponent::construct(const TandemOrigin& origin) {
    streamFormat = {44100.0, kAudioFormatLinearPCM, 41, 4, 1, 4, 2, 32, 0};
    currentPreset.presetName = createMacRomanString("Untitled");
    auto* records = new VstMidiEvent[kMidiQueueSize]();
    for (int i = 0; i < kMidiQueueSize; ++i) {
        records[i].type = kVstMidiType;
        records[i].byteSize = sizeof(VstMidiEvent);
        vstEvents.events[i] = reinterpret_cast<VstEvent*>(&records[i]);
    }

    CFURLRef bundleURL = origin.bundleURL ? CFURLRef(CFRetain(origin.bundleURL)) : copyOwnBundleURL();
    bundle = CFBundleCreate(nullptr, bundleURL);
    CFRelease(bundleURL);
    throwOnNull(bundle, "Could not create bundle from URL");

    loadConfiguration();

    resourcesFolder = CFBundleCopyResourcesDirectoryURL(bundle);
    throwOnNull(resourcesFolder, "Could not locate resources directory within bundle");
    if (!isDirectory(resourcesFolder)) throw MacOSException(fnfErr);

    CFBundleRef vstBundle = createVSTBundle();
    vst.reset(new VSTPlugIn(*this, vstBundle, float(streamFormat.mSampleRate), int32_t(maxFramesPerSlice)));
    CFRelease(vstBundle);
    if (origin.vstEntry)
        vst->open(origin.vstEntry);
    else
        vst->open();
    checkEffect();

    vstSupportsExtensions = probeDispatcher(effVendorSpecific, kExtensionProbe, 0, nullptr, 0.0f) != 0;
    hasTail = vst->getTailSize() != 0;
    canBypass = vst->setBypass(false);
    tryToIdentifyHostApplication();
    layOutBuses();

    const int32_t count = vst->getParameterCount();
    parameterValueStrings = new CFArrayRef[size_t(count)]();
    parameterInfos = new AudioUnitParameterInfo[size_t(count)]();
    reallocateIOBuffers();
    readOrCreateParameterMapping();
    loadOrCreateFactoryPresets();
    if (autoConvertPresets) convertVSTPresets();

    latencySeconds = vst->getInitialDelay() / streamFormat.mSampleRate;
    updateTailTime();
    updateCurrentAUPreset();

    throwOnOSError(InstallEventLoopTimer(GetMainEventLoop(), 0.025, 0.025, NewEventLoopTimerUPP(idleTimerAction), this,
                                         &idleTimer));
}

// The bundle around the loaded image that holds this code: .../Name.vst/Contents/<arch>/Name.so
CFURLRef TandemComponent::copyOwnBundleURL() const {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&TandemEntry), &info) == 0 || info.dli_fname == nullptr)
        throw TandemException("Could not find image for current bundle");
    const size_t length = strnlen(info.dli_fname, kMaxImagePath);
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(info.dli_fname),
                                                           CFIndex(length), false);
    throwOnNull(url, "Could not create URL from file system representation");
    for (int i = 0; i < 3; ++i) {
        CFURLRef parent = CFURLCreateCopyDeletingLastPathComponent(nullptr, url);
        CFRelease(url);
        throwOnNull(parent, "Could not remove last path component from URL");
        url = parent;
    }
    return url;
}

// The VST side: a single "vst" bundle (or link to one) in the resources, else this bundle.
CFBundleRef TandemComponent::createVSTBundle() {
    CFArrayRef found = CFBundleCopyResourceURLsOfType(bundle, CFSTR("vst"), nullptr);
    throwOnNull(found, "Could not locate resources of specific type in bundle");
    const CFIndex count = CFArrayGetCount(found);
    if (count == 0) {
        CFRelease(found);
        CFRetain(bundle);
        return bundle;
    }
    if (count > 1) {
        CFRelease(found);
        throw TandemException("Found more than one VST bundle or alias in resources");
    }
    CFBundleRef vstBundle = CFBundleCreate(nullptr, static_cast<CFURLRef>(CFArrayGetValueAtIndex(found, 0)));
    CFRelease(found);
    throwOnNull(vstBundle, "Could not locate VST bundle");
    return vstBundle;
}

void TandemComponent::checkEffect() {
    if (vst->getInputCount() > kMaxBuses) throw TandemException("VST has too many inputs");
    if (vst->getOutputCount() > kMaxBuses) throw TandemException("VST has too many outputs");
    if (!vst->canProcessReplacing()) throw TandemException("VST does not support processReplacing()");
}

VstIntPtr TandemComponent::probeDispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* pointer, float opt) {
    AEffect* effect = vst->getEffect();
    try {
        return effect->dispatcher(effect, opcode, index, value, pointer, opt);
    } catch (...) {
        return 0;
    }
}

void TandemComponent::uninit() {
    if (idleTimer) RemoveEventLoopTimer(idleTimer);
    idleTimer = nullptr;
    if (view) dropView();
    for (AUPreset& preset : factoryPresets)
        if (preset.presetName) CFRelease(preset.presetName), preset.presetName = nullptr;
    for (CFDataRef& data : factoryPresetData)
        if (data) CFRelease(data), data = nullptr;
    if (factoryPresetArray) CFRelease(factoryPresetArray), factoryPresetArray = nullptr;
    if (currentPreset.presetName) CFRelease(currentPreset.presetName), currentPreset.presetName = nullptr;
    if (vst && vst->isOpen() && parameterInfos) {
        for (int32_t i = 0; i < vst->getParameterCount(); ++i) {
            if (parameterInfos[i].unitName) CFRelease(parameterInfos[i].unitName);
            if (parameterInfos[i].cfNameString) CFRelease(parameterInfos[i].cfNameString);
            if (parameterValueStrings[i]) CFRelease(parameterValueStrings[i]);
        }
    }
    delete[] parameterInfos;
    parameterInfos = nullptr;
    delete[] parameterValueStrings;
    parameterValueStrings = nullptr;
    vst.reset();
    delete[] reinterpret_cast<VstMidiEvent*>(vstEvents.events[0]);
    vstEvents.events[0] = nullptr;
    for (float*& buffer : ioBuffers) delete[] buffer, buffer = nullptr;
    for (int b = 0; b < kMaxBuses; ++b) {
        if (inputBusNames[b]) CFRelease(inputBusNames[b]), inputBusNames[b] = nullptr;
        if (outputBusNames[b]) CFRelease(outputBusNames[b]), outputBusNames[b] = nullptr;
    }
    if (resourcesFolder) CFRelease(resourcesFolder), resourcesFolder = nullptr;
    if (bundle) {
        if (CFGetRetainCount(bundle) == 1 && CFBundleIsExecutableLoaded(bundle)) CFBundleUnloadExecutable(bundle);
        CFRelease(bundle);
        bundle = nullptr;
    }
}

// ---- Selectors ----

ComponentResult TandemComponent::dispatch(ComponentParameters* p) {
    switch (p->what) {
        case kAudioUnitInitializeSelect:
            if (!vst->isResumed()) {
                vst->resume();
                updateInitialDelayAndTailTimes();
            }
            return noErr;
        case kAudioUnitUninitializeSelect:
            if (vst->isResumed()) vst->suspend();
            return noErr;
        case kAudioUnitGetPropertyInfoSelect:
            return getPropertyInfo(argument<UInt32>(p, 1), argument<UInt32>(p, 2), argument<UInt32>(p, 3),
                                   argument<UInt32*>(p, 4), argument<Boolean*>(p, 5));
        case kAudioUnitGetPropertySelect:
            return getProperty(argument<UInt32>(p, 1), argument<UInt32>(p, 2), argument<UInt32>(p, 3),
                               argument<void*>(p, 4), argument<UInt32*>(p, 5));
        case kAudioUnitSetPropertySelect:
            return setProperty(argument<UInt32>(p, 1), argument<UInt32>(p, 2), argument<UInt32>(p, 3),
                               argument<const void*>(p, 4), argument<UInt32>(p, 5));
        case kAudioUnitGetParameterSelect:
            return getParameter(argument<UInt32>(p, 1), argument<UInt32>(p, 2), argument<UInt32>(p, 3),
                                argument<Float32*>(p, 4));
        case kAudioUnitSetParameterSelect:
            return setParameter(argument<UInt32>(p, 1), argument<UInt32>(p, 2), argument<UInt32>(p, 3),
                                argument<Float32>(p, 4));
        case kAudioUnitResetSelect:
            return reset(argument<UInt32>(p, 1), argument<UInt32>(p, 2));
        case kAudioUnitAddPropertyListenerSelect: {
            // A listener without a procedure would be called later and crash: refused.
            if (argument<AudioUnitPropertyListenerProc>(p, 2) == nullptr) return paramErr;
            if (propertyListenerCount >= kMaxListeners) return memFullErr;
            propertyListeners[propertyListenerCount++] = {
                argument<UInt32>(p, 1), argument<AudioUnitPropertyListenerProc>(p, 2), argument<void*>(p, 3)};
            return noErr;
        }
        case kAudioUnitRenderSelect:
            return render(argument<AudioUnitRenderActionFlags*>(p, 1), argument<const AudioTimeStamp*>(p, 2),
                          argument<UInt32>(p, 3), argument<UInt32>(p, 4), argument<AudioBufferList*>(p, 5));
        case kAudioUnitAddRenderNotifySelect: {
            if (argument<AURenderCallback>(p, 1) == nullptr) return paramErr;
            if (renderNotificationCount >= kMaxRenderNotifications) return memFullErr;
            renderNotifications[renderNotificationCount++] = {argument<AURenderCallback>(p, 1), argument<void*>(p, 2)};
            return noErr;
        }
        case kAudioUnitRemoveRenderNotifySelect: {
            const AURenderCallback proc = argument<AURenderCallback>(p, 1);
            void* refCon = argument<void*>(p, 2);
            int32_t kept = 0;
            for (int32_t i = 0; i < renderNotificationCount; ++i) {
                const AURenderCallbackStruct& entry = renderNotifications[i];
                if (entry.inputProc != proc || entry.inputProcRefCon != refCon) renderNotifications[kept++] = entry;
            }
            renderNotificationCount = kept;
            return noErr;
        }
        case kAudioUnitScheduleParametersSelect:
            return scheduleParameters(argument<const AudioUnitParameterEvent*>(p, 1), argument<UInt32>(p, 2));
        case kAudioUnitRemovePropertyListenerWithUserDataSelect: {
            const UInt32 id = argument<UInt32>(p, 1);
            const AudioUnitPropertyListenerProc proc = argument<AudioUnitPropertyListenerProc>(p, 2);
            void* refCon = argument<void*>(p, 3);
            int32_t kept = 0;
            for (int32_t i = 0; i < propertyListenerCount; ++i) {
                const AUPropertyListener& l = propertyListeners[i];
                if (l.fPropertyID != id || l.fListenerProc != proc || l.fListenerRefCon != refCon)
                    propertyListeners[kept++] = l;
            }
            propertyListenerCount = kept;
            return noErr;
        }
        case kMusicDeviceMIDIEventSelect:
            return midiEvent(argument<UInt32>(p, 1), argument<UInt32>(p, 2), argument<UInt32>(p, 3),
                             argument<UInt32>(p, 4));
        default:
            return badComponentSelector;
    }
}

// ---- Parameters ----

bool TandemComponent::parameterInRange(AudioUnitParameterID id) const { return id < UInt32(vst->getParameterCount()); }

// An unmapped parameter has an all-zero record: its range is empty and scaling would divide
// by zero, so such calls are refused like an unknown parameter.
void TandemComponent::checkParameterScaling(AudioUnitParameterID id) const {
    const AudioUnitParameterInfo& info = parameterInfos[id];
    if (!(info.maxValue > info.minValue)) throw MacOSException(kAudioUnitErr_InvalidParameter);
}

float TandemComponent::scaleToAUParameter(AudioUnitParameterID id, float vstValue) const {
    const AudioUnitParameterInfo& info = parameterInfos[id];
    const float range = info.maxValue - info.minValue;
    if (info.unit == kAudioUnitParameterUnit_Indexed || info.unit == kAudioUnitParameterUnit_Boolean)
        return std::floor(range * vstValue + info.minValue + 0.5f);
    return vstValue * range + info.minValue;
}

// A value outside the parameter's range is taken as the nearest end of it; one inside keeps
// every bit of its scaling.
float TandemComponent::scaleFromAUParameter(AudioUnitParameterID id, float auValue) const {
    const AudioUnitParameterInfo& info = parameterInfos[id];
    const float inRange = std::min(std::max(auValue, info.minValue), info.maxValue);
    return (inRange - info.minValue) / (info.maxValue - info.minValue);
}

OSStatus TandemComponent::getParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement,
                                       Float32* outValue) {
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
    if (!parameterInRange(id)) return kAudioUnitErr_InvalidParameter;
    checkParameterScaling(id);
    if (outValue == nullptr) return paramErr;
    *outValue = scaleToAUParameter(id, vst->getParameter(int32_t(id)));
    return noErr;
}

// A value that is no number at all is refused; any other is clamped to the range.
OSStatus TandemComponent::applyAUParameter(AudioUnitParameterID id, Float32 value) {
    checkParameterScaling(id);
    if (!std::isfinite(value)) return kAudioUnitErr_InvalidParameterValue;
    vst->setParameter(int32_t(id), scaleFromAUParameter(id, value));
    return noErr;
}

OSStatus TandemComponent::setParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement, Float32 value) {
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
    if (!parameterInRange(id)) return kAudioUnitErr_InvalidParameter;
    return applyAUParameter(id, value);
}

OSStatus TandemComponent::scheduleParameters(const AudioUnitParameterEvent* events, UInt32 count) {
    if (events == nullptr && count > 0) return paramErr;
    for (UInt32 i = 0; i < count; ++i) {
        const AudioUnitParameterEvent& event = events[i];
        if (event.scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
        if (!parameterInRange(event.parameter)) return kAudioUnitErr_InvalidParameter;
        if (event.eventType != kParameterEvent_Immediate) continue;
        const OSStatus result = applyAUParameter(event.parameter, event.eventValues.immediate.value);
        if (result != noErr) return result;
    }
    return noErr;
}

OSStatus TandemComponent::reset(AudioUnitScope scope, AudioUnitElement) {
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
    if (vst->isResumed()) {
        vst->suspend();
        vst->resume();
        updateInitialDelayAndTailTimes();
    }
    lastRenderSampleTime = kNoRenderTime;
    return noErr;
}

// ---- The effect's host requests ----

void TandemComponent::getVendor(VSTPlugIn&, char* text) { std::strcpy(text, "Marlpit Development"); }
void TandemComponent::getProduct(VSTPlugIn&, char* text) { std::strcpy(text, "Tandem"); }
int TandemComponent::getVersion(VSTPlugIn&) { return 65536; }

bool TandemComponent::canDo(VSTPlugIn&, const char* text) {
    static const char* const kCapabilities[] = {"sendVstEvents",           "sendVstMidiEvent", "sendVstTimeInfo",
                                                "reportConnectionChanges", "sizeWindow",       "supplyIdle"};
    if (text == nullptr) return false;
    for (const char* capability : kCapabilities)
        if (std::strcmp(text, capability) == 0) return true;
    return false;
}

VstTimeInfo* TandemComponent::getTimeInfo(VSTPlugIn&, int) { return &vstTimeInfo; }

namespace {
void notifyParameterEvent(AudioUnit unit, AudioUnitEventType type, int index) {
    AudioUnitEvent event{};
    event.mEventType = type;
    event.mArgument.mParameter = {unit, AudioUnitParameterID(index), kAudioUnitScope_Global, 0};
    AUEventListenerNotify(nullptr, nullptr, &event);
}
}  // namespace

void TandemComponent::beginEdit(VSTPlugIn&, int index) {
    notifyParameterEvent(componentInstance, kAudioUnitEvent_BeginParameterChangeGesture, index);
}

void TandemComponent::endEdit(VSTPlugIn&, int index) {
    notifyParameterEvent(componentInstance, kAudioUnitEvent_EndParameterChangeGesture, index);
}

// A failed parameter notification is not passed on: it would travel back into the effect.
void TandemComponent::automate(VSTPlugIn&, int index, float) {
    const AudioUnitParameter parameter = {componentInstance, AudioUnitParameterID(index), kAudioUnitScope_Global, 0};
    if (AUParameterListenerNotify(nullptr, nullptr, &parameter) == noErr)
        notifyParameterEvent(componentInstance, kAudioUnitEvent_ParameterValueChange, index);
}

bool TandemComponent::isIOPinConnected(VSTPlugIn&, bool, int) { return true; }
void TandemComponent::idle(VSTPlugIn&) {}

void TandemComponent::updateDisplay(VSTPlugIn&) {
    if (updateCurrentAUPreset()) {
        propertyChanged(kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0);
        propertyChanged(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0);
    }
}

void TandemComponent::idleTimerAction(EventLoopTimerRef, void* component) {
    try {
        static_cast<TandemComponent*>(component)->vst->idle();
    } catch (...) {}
}

// ---- Description, notifications, presets ----

ComponentDescription TandemComponent::getComponentDescription() const {
    ComponentDescription description{};
    throwOnOSError(
        GetComponentInfo(reinterpret_cast<Component>(componentInstance), &description, nullptr, nullptr, nullptr));
    return description;
}

CFStringRef TandemComponent::copyComponentName() const {
    Handle name = NewHandle(0);
    throwOnNull(name, "Could not allocate handle");
    ComponentDescription description{};
    const OSErr error =
        GetComponentInfo(reinterpret_cast<Component>(componentInstance), &description, name, nullptr, nullptr);
    CFStringRef result = nullptr;
    if (error == noErr && GetHandleSize(name) > 0)
        result = CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(*name + 1), CFIndex(UInt8((*name)[0])),
                                         kCFStringEncodingMacRoman, false);
    DisposeHandle(name);
    throwOnOSError(error);
    throwOnNull(result, "Could not create string");
    return result;
}

void TandemComponent::propertyChanged(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element) {
    if (propertyListenerCount == 0) {
        AudioUnitEvent event{};
        event.mEventType = kAudioUnitEvent_PropertyChange;
        event.mArgument.mProperty = {componentInstance, id, scope, element};
        AUEventListenerNotify(nullptr, nullptr, &event);
        return;
    }
    for (int32_t i = 0; i < propertyListenerCount; ++i) {
        const AUPropertyListener& listener = propertyListeners[i];
        if (listener.fPropertyID == id)
            listener.fListenerProc(listener.fListenerRefCon, componentInstance, id, scope, element);
    }
}

bool TandemComponent::updateCurrentAUPreset() {
    char text[25] = {};
    vst->getCurrentProgramName(text);
    // An effect that keeps no program names answers an empty one; the preset the host chose
    // then stays current instead of being lost at the next read.
    if (text[0] == '\0' && currentPreset.presetName != nullptr) return false;
    CFStringRef name = createMacRomanString(text);
    if (currentPreset.presetName && CFStringCompare(name, currentPreset.presetName, 0) == kCFCompareEqualTo) {
        CFRelease(name);
        return false;
    }
    if (currentPreset.presetName) CFRelease(currentPreset.presetName);
    currentPreset.presetName = name;
    currentPreset.presetNumber = -1;
    return true;
}

void TandemComponent::updateCurrentVSTProgramName(CFStringRef name) {
    char text[2048] = {};
    if (!CFStringGetCString(name, text, sizeof text, kCFStringEncodingMacRoman)) text[0] = '\0';
    text[kVstMaxProgNameLen] = '\0';
    vst->setCurrentProgramName(text);
}

OSStatus TandemComponent::getPreset(void* outData, UInt32* ioDataSize, bool retainName) {
    updateCurrentAUPreset();
    if (*ioDataSize >= sizeof(AUPreset)) {
        AUPreset* preset = static_cast<AUPreset*>(outData);
        *preset = currentPreset;
        if (retainName && preset->presetName) CFRetain(preset->presetName);
        *ioDataSize = sizeof(AUPreset);
    } else {
        std::memcpy(outData, &currentPreset.presetNumber, sizeof(SInt32));
        *ioDataSize = sizeof(SInt32);
    }
    return noErr;
}

void TandemComponent::setPreset(const void* inData, UInt32 inDataSize) {
    AUPreset preset{};
    if (inDataSize >= sizeof(AUPreset))
        preset = *static_cast<const AUPreset*>(inData);
    else
        std::memcpy(&preset.presetNumber, inData, sizeof(SInt32));

    if (preset.presetNumber < 0) {
        if (preset.presetName) updateCurrentVSTProgramName(preset.presetName);
        if (!updateCurrentAUPreset() && currentPreset.presetNumber == -1) return;
        currentPreset.presetNumber = -1;
    } else {
        const CFIndex count = factoryPresetArray ? CFArrayGetCount(factoryPresetArray) : 0;
        if (preset.presetNumber >= count) throw MacOSException(kAudioUnitErr_InvalidPropertyValue);
        const CFDataRef data = factoryPresetData[preset.presetNumber];
        vst->loadFXPOrFXB(size_t(CFDataGetLength(data)), CFDataGetBytePtr(data));
        const AUPreset& entry = factoryPresets[preset.presetNumber];
        if (entry.presetName) CFRetain(entry.presetName);
        if (currentPreset.presetName) CFRelease(currentPreset.presetName);
        currentPreset = entry;
    }
    propertyChanged(kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0);
    propertyChanged(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0);
}

// ---- Host identification ----

void TandemComponent::tryToIdentifyHostApplication() {
    hostApplication = 0;
    CFBundleRef main = CFBundleGetMainBundle();
    if (main == nullptr) return;
    CFStringRef identifier = CFBundleGetIdentifier(main);
    CFTypeRef version = CFBundleGetValueForInfoDictionaryKey(main, CFSTR("CFBundleShortVersionString"));
    if (identifier == nullptr || version == nullptr || CFGetTypeID(version) != CFStringGetTypeID()) return;
    const auto below = [&](const char* limit) {
        return CFStringCompare(static_cast<CFStringRef>(version), __CFStringMakeConstantString(limit),
                               kCFCompareCaseInsensitive | kCFCompareNumerically) == kCFCompareLessThan;
    };
    if (CFStringCompare(identifier, CFSTR("com.apple.logic.pro"), 0) == kCFCompareEqualTo ||
        CFStringCompare(identifier, CFSTR("com.apple.logic.express"), 0) == kCFCompareEqualTo) {
        if (below("8.0.0"))
            hostApplication = 1;
        else if (below("8.0.1"))
            hostApplication = 3;
    } else if (CFStringCompare(identifier, CFSTR("com.apple.garageband"), 0) == kCFCompareEqualTo) {
        if (below("4.2")) hostApplication = 2;
    }
}

}  // namespace tandem
