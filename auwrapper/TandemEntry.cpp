// The Component Manager entry point: open, close, can-do and version here, every other
// selector in the component. One exception guard turns what the wrapper raises into results.
#include <cstring>

#include "TandemComponent.h"
#include "TandemExceptions.h"

namespace tandem {

namespace {

bool canDoSelector(SInt16 selector) {
    return (selector >= -4 && selector <= -1) || (selector >= 1 && selector <= 7) || selector == 9 || selector == 10 ||
           (selector >= 14 && selector <= 18) || selector == kMusicDeviceMIDIEventSelect;
}

ComponentInstance instanceOf(ComponentParameters* params) {
    return reinterpret_cast<ComponentInstance>(params->params[0]);
}

// The component version from the 'thng' resource 10000 (big-endian, after the description).
ComponentResult componentVersion(ComponentInstance instance) {
    Handle resource = nullptr;
    throwOnOSError(
        GetComponentResource(reinterpret_cast<Component>(instance), kComponentResourceType, 10000, &resource));
    const auto* p = reinterpret_cast<const unsigned char*>(*resource) + sizeof(ComponentResource);
    const UInt32 version = UInt32(p[0]) << 24 | UInt32(p[1]) << 16 | UInt32(p[2]) << 8 | UInt32(p[3]);
    DisposeHandle(resource);
    return ComponentResult(version);
}

TandemComponent* createDefault(ComponentInstance instance) { return new TandemComponent(instance); }

}  // namespace

ComponentResult tandemEntry(ComponentParameters* params, TandemComponent* storage, TandemFactory create) {
    try {
        switch (params->what) {
            case kComponentOpenSelect: {
                const ComponentInstance instance = instanceOf(params);
                TandemComponent* component = create(instance);
                SetComponentInstanceStorage(instance, reinterpret_cast<Handle>(component));
                return noErr;
            }
            case kComponentCloseSelect:
                if (storage != nullptr) {
                    delete storage;
                    SetComponentInstanceStorage(instanceOf(params), nullptr);
                }
                return noErr;
            case kComponentCanDoSelect: {
                SInt16 selector;
                std::memcpy(&selector, &params->params[1], sizeof selector);
                return canDoSelector(selector) ? 1 : 0;
            }
            case kComponentVersionSelect:
                return componentVersion(instanceOf(params));
            default:
                if (storage == nullptr) return badComponentSelector;
                return storage->dispatch(params);
        }
    } catch (...) {
        return resultForCurrentException();
    }
}

}  // namespace tandem

ComponentResult TandemEntry(ComponentParameters* params, Handle storage) {
    return tandem::tandemEntry(params, reinterpret_cast<tandem::TandemComponent*>(storage), &tandem::createDefault);
}
