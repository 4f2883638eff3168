#ifndef HALVORAX_APPLE_AUDIOUNIT_H
#define HALVORAX_APPLE_AUDIOUNIT_H

#include <AudioUnit/AudioComponent.h>
#include <AudioUnit/AUComponent.h>
#include <AudioUnit/AudioUnitProperties.h>
#include <AudioUnit/MusicDevice.h>

#endif
