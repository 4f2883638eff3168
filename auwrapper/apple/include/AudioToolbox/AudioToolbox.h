#ifndef HALVORAX_APPLE_AUDIOTOOLBOX_H
#define HALVORAX_APPLE_AUDIOTOOLBOX_H

#include <CoreFoundation/CoreFoundation.h>
#include <AudioUnit/AudioUnit.h>
#include <AudioToolbox/AudioUnitUtilities.h>

#endif
