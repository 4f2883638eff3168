// Music device (instrument) selectors and calls.
#ifndef HALVORAX_APPLE_MUSICDEVICE_H
#define HALVORAX_APPLE_MUSICDEVICE_H

#include <MacTypes.h>
#include <AudioUnit/AUComponent.h>

APPLE_EXTERN_C_BEGIN

typedef AudioComponentInstance MusicDeviceComponent;

enum { kMusicDeviceMIDIEventSelect = 0x0101 };

enum { kMusicDeviceProperty_InstrumentCount = 1000 };

APPLE_API OSStatus MusicDeviceMIDIEvent(MusicDeviceComponent inUnit, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                                        UInt32 inOffsetSampleFrame);

APPLE_EXTERN_C_END

#endif
