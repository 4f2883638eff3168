// Music device (instrument) selectors and calls.
#ifndef HALVORAX_APPLE_MUSICDEVICE_H
#define HALVORAX_APPLE_MUSICDEVICE_H

#include <MacTypes.h>
#include <AudioUnit/AUComponent.h>

APPLE_EXTERN_C_BEGIN

typedef AudioComponentInstance MusicDeviceComponent;

enum {
    kMusicDeviceRange = 0x0100,
    kMusicDeviceMIDIEventSelect = 0x0101,
    kMusicDeviceSysExSelect = 0x0102,
    kMusicDevicePrepareInstrumentSelect = 0x0103,
    kMusicDeviceReleaseInstrumentSelect = 0x0104,
    kMusicDeviceStartNoteSelect = 0x0105,
    kMusicDeviceStopNoteSelect = 0x0106,
    kMusicDeviceMIDIEventListSelect = 0x0107
};

enum {
    kMusicDeviceProperty_InstrumentCount = 1000,
    kMusicDeviceProperty_BankName = 1007,
    kMusicDeviceProperty_SoundBankURL = 1100
};

APPLE_API OSStatus MusicDeviceMIDIEvent(MusicDeviceComponent inUnit, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                                        UInt32 inOffsetSampleFrame);

APPLE_EXTERN_C_END

#endif
