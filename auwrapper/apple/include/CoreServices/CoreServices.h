#ifndef HALVORAX_APPLE_CORESERVICES_H
#define HALVORAX_APPLE_CORESERVICES_H

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/MacMemory.h>
#include <CoreServices/Components.h>

#endif
