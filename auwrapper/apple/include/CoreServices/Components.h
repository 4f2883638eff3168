// Component Manager: the parameter block, selectors and calls through which an Audio Unit
// host opens and drives a component, and the calls a component makes about itself.
#ifndef HALVORAX_APPLE_COMPONENTS_H
#define HALVORAX_APPLE_COMPONENTS_H

#include <MacTypes.h>
#include <CoreServices/MacMemory.h>

APPLE_EXTERN_C_BEGIN

enum {
    kComponentOpenSelect = -1,
    kComponentCloseSelect = -2,
    kComponentCanDoSelect = -3,
    kComponentVersionSelect = -4
};

enum { badComponentInstance = (int)0x80008001, badComponentSelector = (int)0x80008002 };

enum { kComponentResourceType = 0x74686E67 /* 'thng' */ };

#pragma pack(push, 2)

typedef struct ComponentDescription {
    OSType componentType;
    OSType componentSubType;
    OSType componentManufacturer;
    UInt32 componentFlags;
    UInt32 componentFlagsMask;
} ComponentDescription;

typedef struct ResourceSpec {
    OSType resType;
    SInt16 resID;
} ResourceSpec;

// The 'thng' resource as stored in a resource file (big-endian).
typedef struct ComponentResource {
    ComponentDescription cd;
    ResourceSpec component;
    ResourceSpec componentName;
    ResourceSpec componentInfo;
    ResourceSpec componentIcon;
} ComponentResource;

typedef struct ComponentResourceExtension {
    SInt32 componentVersion;
    SInt32 componentRegisterFlags;
    SInt16 componentIconFamily;
} ComponentResourceExtension;

// One argument per long slot. On LP64 slot 0 holds the instance and the arguments follow
// in declaration order; a 32-bit argument sits in the low bytes of its slot.
typedef struct ComponentParameters {
    UInt8 flags;
    UInt8 paramSize;
    SInt16 what;
#if __LP64__
    UInt32 padding;
#endif
    long params[1];
} ComponentParameters;

#pragma pack(pop)

typedef SInt32 ComponentResult;
typedef struct ComponentRecord* Component;
typedef struct ComponentInstanceRecord* ComponentInstance;

typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp, Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

// Component side.
APPLE_API Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);
APPLE_API void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage);
// Accepts a Component or a ComponentInstance cast to Component. The name comes back as a
// Pascal string in componentName, the information text likewise in componentInfo.
APPLE_API OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName,
                                 Handle componentInfo, Handle componentIcon);
// Only the 'thng' resource of a registered component exists: a big-endian ComponentResource
// followed by its ComponentResourceExtension. The caller disposes of the handle.
APPLE_API OSErr GetComponentResource(Component aComponent, OSType resType, SInt16 resID, Handle* theResource);

// Host side.
APPLE_API OSErr UnregisterComponent(Component aComponent);
APPLE_API OSErr OpenAComponent(Component aComponent, ComponentInstance* ci);
APPLE_API OSErr CloseComponent(ComponentInstance aComponentInstance);
APPLE_API ComponentResult ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber);
APPLE_API ComponentResult GetComponentVersion(ComponentInstance ci);
// Calls the entry of the instance named in params[0] with that instance's storage.
APPLE_API ComponentResult CallComponentDispatch(ComponentParameters* cp);

APPLE_EXTERN_C_END

#endif
