// Component Manager: handles, component registration, instances, and the Audio Unit and
// music-device calls that pack their arguments into a ComponentParameters block.
#include <AudioUnit/AudioUnit.h>
#include <CoreServices/CoreServices.h>
#include <StandIn/StandIn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// ---- Handles: a master pointer followed by the block's size ----

struct HandleBlock {
    char* data;  // first member: the Handle points here
    Size size;
};

HandleBlock* blockOf(Handle h) { return reinterpret_cast<HandleBlock*>(h); }

}  // namespace

Handle NewHandle(Size byteCount) {
    if (byteCount < 0) return nullptr;
    auto* block = new HandleBlock{static_cast<char*>(std::malloc(size_t(std::max<Size>(byteCount, 1)))), byteCount};
    if (block->data == nullptr) {
        delete block;
        return nullptr;
    }
    return &block->data;
}

Handle NewHandleClear(Size byteCount) {
    Handle h = NewHandle(byteCount);
    if (h != nullptr) std::memset(*h, 0, size_t(byteCount));
    return h;
}

void DisposeHandle(Handle h) {
    if (h == nullptr) return;
    std::free(blockOf(h)->data);
    delete blockOf(h);
}

Size GetHandleSize(Handle h) { return h ? blockOf(h)->size : 0; }

// On failure the handle keeps its size.
void SetHandleSize(Handle h, Size newSize) {
    if (h == nullptr || newSize < 0) return;
    char* grown = static_cast<char*>(std::realloc(blockOf(h)->data, size_t(std::max<Size>(newSize, 1))));
    if (grown == nullptr) return;
    blockOf(h)->data = grown;
    blockOf(h)->size = newSize;
}

// ---- Components and instances ----

namespace {
const UInt32 kComponentMagic = 0x436D704E;  // both records start with their magic word
const UInt32 kInstanceMagic = 0x496E7374;
}  // namespace

struct ComponentRecord {
    UInt32 magic = kComponentMagic;
    ComponentDescription description{};
    ComponentRoutineProcPtr entry = nullptr;
    std::string name;
    std::string info;
    SInt32 version = 0;
    int openInstances = 0;      // guarded by componentsMutex
    bool unregistered = false;  // freed when the last instance closes
};

struct ComponentInstanceRecord {
    UInt32 magic = kInstanceMagic;
    ComponentRecord* component = nullptr;
    Handle storage = nullptr;
};

namespace {

std::mutex componentsMutex;
std::vector<ComponentRecord*>& components() {
    static auto* list = new std::vector<ComponentRecord*>();  // records live for the process
    return *list;
}

ComponentInstanceRecord* validInstance(ComponentInstance ci) {
    return ci != nullptr && ci->magic == kInstanceMagic ? ci : nullptr;
}

// A Component, or the component of an instance passed in its place.
ComponentRecord* validComponent(Component c) {
    if (c == nullptr) return nullptr;
    if (c->magic == kComponentMagic) return c;
    auto* asInstance = reinterpret_cast<ComponentInstanceRecord*>(c);
    return asInstance->magic == kInstanceMagic ? asInstance->component : nullptr;
}

void destroyInstance(ComponentInstanceRecord* instance) {
    ComponentRecord* component = instance->component;
    instance->magic = 0;
    delete instance;
    std::lock_guard<std::mutex> lock(componentsMutex);
    if (--component->openInstances == 0 && component->unregistered) delete component;
}

void putPascalText(Handle h, const std::string& text) {
    if (h == nullptr) return;
    const size_t length = std::min<size_t>(text.size(), 255);
    SetHandleSize(h, Size(length + 1));
    if (GetHandleSize(h) != Size(length + 1)) return;
    (*h)[0] = char(length);
    std::memcpy(*h + 1, text.data(), length);
}

void putBigEndian(unsigned char* p, UInt32 value) {
    p[0] = UInt8(value >> 24);
    p[1] = UInt8(value >> 16);
    p[2] = UInt8(value >> 8);
    p[3] = UInt8(value);
}

// A parameter block on the stack: slot 0 the instance, then the arguments in order, each in
// the low bytes of its own long slot.
class ComponentCall {
public:
    ComponentCall(ComponentInstance ci, SInt16 selector) {
        std::memset(buffer_, 0, sizeof buffer_);
        params()->what = selector;
        slots()[0] = reinterpret_cast<long>(ci);
    }

    template <typename T>
    ComponentCall& arg(T value) {
        static_assert(sizeof(T) <= sizeof(long), "one slot per argument");
        long slot = 0;
        std::memcpy(&slot, &value, sizeof(T));
        slots()[++count_] = slot;
        return *this;
    }

    ComponentResult dispatch() {
        params()->paramSize = UInt8(count_ * sizeof(long));
        return CallComponentDispatch(params());
    }

private:
    static constexpr int kMaxArguments = 7;
    ComponentParameters* params() { return reinterpret_cast<ComponentParameters*>(buffer_); }
    long* slots() { return reinterpret_cast<long*>(buffer_ + offsetof(ComponentParameters, params)); }

    alignas(8) unsigned char buffer_[offsetof(ComponentParameters, params) + sizeof(long) * (kMaxArguments + 1)];
    int count_ = 0;
};

}  // namespace

Component StandInRegisterComponent(const ComponentDescription* cd, ComponentRoutineUPP entry, const char* name,
                                   const char* info, SInt32 version) {
    if (cd == nullptr || entry == nullptr) return nullptr;
    auto* record = new ComponentRecord();
    record->description = *cd;
    record->entry = entry;
    record->name = name ? name : "";
    record->info = info ? info : "";
    record->version = version;
    std::lock_guard<std::mutex> lock(componentsMutex);
    components().push_back(record);
    return record;
}

OSErr UnregisterComponent(Component aComponent) {
    std::lock_guard<std::mutex> lock(componentsMutex);
    auto& list = components();
    auto it = std::find(list.begin(), list.end(), aComponent);
    if (it == list.end()) return OSErr(badComponentInstance);
    list.erase(it);
    if (aComponent->openInstances == 0)
        delete aComponent;
    else
        aComponent->unregistered = true;  // instances still open keep the record
    return noErr;
}

OSErr OpenAComponent(Component aComponent, ComponentInstance* ci) {
    if (ci == nullptr) return paramErr;
    *ci = nullptr;
    if (aComponent == nullptr || aComponent->magic != kComponentMagic) return OSErr(badComponentInstance);
    auto* instance = new ComponentInstanceRecord();
    instance->component = aComponent;
    {
        std::lock_guard<std::mutex> lock(componentsMutex);
        ++aComponent->openInstances;
    }
    const ComponentResult result = ComponentCall(instance, kComponentOpenSelect).dispatch();
    if (result != noErr) {
        ComponentCall(instance, kComponentCloseSelect).dispatch();
        destroyInstance(instance);
        return OSErr(result);
    }
    *ci = instance;
    return noErr;
}

OSErr CloseComponent(ComponentInstance ci) {
    if (validInstance(ci) == nullptr) return OSErr(badComponentInstance);
    const ComponentResult result = ComponentCall(ci, kComponentCloseSelect).dispatch();
    destroyInstance(ci);
    return OSErr(result);
}

ComponentResult ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber) {
    return ComponentCall(ci, kComponentCanDoSelect).arg<SInt16>(ftnNumber).dispatch();
}

ComponentResult GetComponentVersion(ComponentInstance ci) {
    return ComponentCall(ci, kComponentVersionSelect).dispatch();
}

ComponentResult CallComponentDispatch(ComponentParameters* cp) {
    if (cp == nullptr) return badComponentInstance;
    auto* instance = validInstance(reinterpret_cast<ComponentInstance>(cp->params[0]));
    if (instance == nullptr) return badComponentInstance;
    return instance->component->entry(cp, instance->storage);
}

Handle GetComponentInstanceStorage(ComponentInstance ci) {
    auto* instance = validInstance(ci);
    return instance ? instance->storage : nullptr;
}

void SetComponentInstanceStorage(ComponentInstance ci, Handle theStorage) {
    if (auto* instance = validInstance(ci)) instance->storage = theStorage;
}

OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName, Handle componentInfo,
                       Handle) {
    ComponentRecord* record = validComponent(aComponent);
    if (record == nullptr) return OSErr(badComponentInstance);
    if (cd != nullptr) *cd = record->description;
    putPascalText(componentName, record->name);
    putPascalText(componentInfo, record->info);
    return noErr;
}

OSErr GetComponentResource(Component aComponent, OSType resType, SInt16, Handle* theResource) {
    if (theResource == nullptr) return paramErr;
    *theResource = nullptr;
    ComponentRecord* record = validComponent(aComponent);
    if (record == nullptr) return OSErr(badComponentInstance);
    if (resType != kComponentResourceType) return resNotFound;
    const size_t size = sizeof(ComponentResource) + sizeof(ComponentResourceExtension);
    Handle h = NewHandleClear(Size(size));
    if (h == nullptr) return memFullErr;
    auto* p = reinterpret_cast<unsigned char*>(*h);
    const ComponentDescription& d = record->description;
    putBigEndian(p + offsetof(ComponentResource, cd) + 0, d.componentType);
    putBigEndian(p + 4, d.componentSubType);
    putBigEndian(p + 8, d.componentManufacturer);
    putBigEndian(p + 12, d.componentFlags);
    putBigEndian(p + 16, d.componentFlagsMask);
    putBigEndian(p + offsetof(ComponentResource, componentName), 0x53545220);  // 'STR '
    putBigEndian(p + offsetof(ComponentResource, componentInfo), 0x53545220);
    putBigEndian(p + sizeof(ComponentResource) + offsetof(ComponentResourceExtension, componentVersion),
                 UInt32(record->version));
    *theResource = h;
    return noErr;
}

// ---- Audio Unit and music-device calls ----

OSStatus AudioUnitInitialize(AudioUnit unit) { return ComponentCall(unit, kAudioUnitInitializeSelect).dispatch(); }

OSStatus AudioUnitGetPropertyInfo(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                                  AudioUnitElement element, UInt32* outDataSize, Boolean* outWritable) {
    return ComponentCall(unit, kAudioUnitGetPropertyInfoSelect)
        .arg(id)
        .arg(scope)
        .arg(element)
        .arg(outDataSize)
        .arg(outWritable)
        .dispatch();
}

OSStatus AudioUnitGetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              void* outData, UInt32* ioDataSize) {
    return ComponentCall(unit, kAudioUnitGetPropertySelect)
        .arg(id)
        .arg(scope)
        .arg(element)
        .arg(outData)
        .arg(ioDataSize)
        .dispatch();
}

OSStatus AudioUnitSetProperty(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                              const void* inData, UInt32 inDataSize) {
    return ComponentCall(unit, kAudioUnitSetPropertySelect)
        .arg(id)
        .arg(scope)
        .arg(element)
        .arg(inData)
        .arg(inDataSize)
        .dispatch();
}

OSStatus AudioUnitAddPropertyListener(AudioUnit unit, AudioUnitPropertyID id, AudioUnitPropertyListenerProc proc,
                                      void* userData) {
    return ComponentCall(unit, kAudioUnitAddPropertyListenerSelect).arg(id).arg(proc).arg(userData).dispatch();
}

OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit unit, AudioUnitPropertyID id,
                                                     AudioUnitPropertyListenerProc proc, void* userData) {
    return ComponentCall(unit, kAudioUnitRemovePropertyListenerWithUserDataSelect)
        .arg(id)
        .arg(proc)
        .arg(userData)
        .dispatch();
}

OSStatus AudioUnitAddRenderNotify(AudioUnit unit, AURenderCallback proc, void* userData) {
    return ComponentCall(unit, kAudioUnitAddRenderNotifySelect).arg(proc).arg(userData).dispatch();
}

OSStatus AudioUnitRemoveRenderNotify(AudioUnit unit, AURenderCallback proc, void* userData) {
    return ComponentCall(unit, kAudioUnitRemoveRenderNotifySelect).arg(proc).arg(userData).dispatch();
}

OSStatus AudioUnitGetParameter(AudioUnit unit, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                               AudioUnitParameterValue* outValue) {
    return ComponentCall(unit, kAudioUnitGetParameterSelect).arg(id).arg(scope).arg(element).arg(outValue).dispatch();
}

OSStatus AudioUnitSetParameter(AudioUnit unit, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element,
                               AudioUnitParameterValue value, UInt32 bufferOffset) {
    return ComponentCall(unit, kAudioUnitSetParameterSelect)
        .arg(id)
        .arg(scope)
        .arg(element)
        .arg(value)
        .arg(bufferOffset)
        .dispatch();
}

OSStatus AudioUnitScheduleParameters(AudioUnit unit, const AudioUnitParameterEvent* events, UInt32 count) {
    return ComponentCall(unit, kAudioUnitScheduleParametersSelect).arg(events).arg(count).dispatch();
}

OSStatus AudioUnitRender(AudioUnit unit, AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* inTimeStamp,
                         UInt32 inOutputBusNumber, UInt32 inNumberFrames, AudioBufferList* ioData) {
    return ComponentCall(unit, kAudioUnitRenderSelect)
        .arg(ioActionFlags)
        .arg(inTimeStamp)
        .arg(inOutputBusNumber)
        .arg(inNumberFrames)
        .arg(ioData)
        .dispatch();
}

OSStatus AudioUnitReset(AudioUnit unit, AudioUnitScope scope, AudioUnitElement element) {
    return ComponentCall(unit, kAudioUnitResetSelect).arg(scope).arg(element).dispatch();
}

OSStatus MusicDeviceMIDIEvent(MusicDeviceComponent unit, UInt32 status, UInt32 data1, UInt32 data2,
                              UInt32 offsetSampleFrame) {
    return ComponentCall(unit, kMusicDeviceMIDIEventSelect)
        .arg(status)
        .arg(data1)
        .arg(data2)
        .arg(offsetSampleFrame)
        .dispatch();
}
