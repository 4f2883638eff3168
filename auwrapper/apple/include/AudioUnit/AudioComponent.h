// Audio component description and flags.
#ifndef HALVORAX_APPLE_AUDIOCOMPONENT_H
#define HALVORAX_APPLE_AUDIOCOMPONENT_H

#include <MacTypes.h>
#include <CoreServices/Components.h>

APPLE_EXTERN_C_BEGIN

typedef struct AudioComponentDescription {
    OSType componentType;
    OSType componentSubType;
    OSType componentManufacturer;
    UInt32 componentFlags;
    UInt32 componentFlagsMask;
} AudioComponentDescription;

// The same Component Manager instance record serves as audio component instance.
typedef ComponentInstance AudioComponentInstance;

APPLE_EXTERN_C_END

#endif
