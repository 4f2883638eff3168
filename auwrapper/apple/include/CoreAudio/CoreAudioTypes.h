// Core Audio data types: stream formats, time stamps and buffer lists.
#ifndef HALVORAX_APPLE_COREAUDIOTYPES_H
#define HALVORAX_APPLE_COREAUDIOTYPES_H

#include <MacTypes.h>

APPLE_EXTERN_C_BEGIN

enum { kAudio_FileNotFoundError = -43, kAudio_FilePermissionError = -54 };

typedef UInt32 AudioFormatID;
typedef UInt32 AudioFormatFlags;

typedef struct AudioStreamBasicDescription {
    Float64 mSampleRate;
    AudioFormatID mFormatID;
    AudioFormatFlags mFormatFlags;
    UInt32 mBytesPerPacket;
    UInt32 mFramesPerPacket;
    UInt32 mBytesPerFrame;
    UInt32 mChannelsPerFrame;
    UInt32 mBitsPerChannel;
    UInt32 mReserved;
} AudioStreamBasicDescription;

enum { kAudioFormatLinearPCM = 0x6C70636D /* 'lpcm' */ };

enum {
    kAudioFormatFlagIsFloat = (1U << 0),
    kAudioFormatFlagIsSignedInteger = (1U << 2),
    kAudioFormatFlagIsNonInterleaved = (1U << 5)
};

typedef struct SMPTETime {
    SInt16 mSubframes;
    SInt16 mSubframeDivisor;
    UInt32 mCounter;
    UInt32 mType;
    UInt32 mFlags;
    SInt16 mHours;
    SInt16 mMinutes;
    SInt16 mSeconds;
    SInt16 mFrames;
} SMPTETime;

typedef struct AudioTimeStamp {
    Float64 mSampleTime;
    UInt64 mHostTime;
    Float64 mRateScalar;
    UInt64 mWordClockTime;
    SMPTETime mSMPTETime;
    UInt32 mFlags;
    UInt32 mReserved;
} AudioTimeStamp;

enum { kAudioTimeStampSampleTimeValid = (1U << 0) };

typedef struct AudioBuffer {
    UInt32 mNumberChannels;
    UInt32 mDataByteSize;
    void* mData;
} AudioBuffer;

// Variable length: mNumberBuffers entries follow in mBuffers.
typedef struct AudioBufferList {
    UInt32 mNumberBuffers;
    AudioBuffer mBuffers[1];
} AudioBufferList;

APPLE_EXTERN_C_END

#endif
