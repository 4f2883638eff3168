// Basic Mac OS scalar types and classic result codes, for the Linux build of the Audio Unit wrapper.
#ifndef HALVORAX_APPLE_MACTYPES_H
#define HALVORAX_APPLE_MACTYPES_H

#include <stdint.h>

#ifdef __cplusplus
#define APPLE_EXTERN_C extern "C"
#define APPLE_EXTERN_C_BEGIN extern "C" {
#define APPLE_EXTERN_C_END }
#else
#define APPLE_EXTERN_C extern
#define APPLE_EXTERN_C_BEGIN
#define APPLE_EXTERN_C_END
#endif

// Exported with default visibility so that a host linking this layer supplies the one
// copy used by every module of the process, as a system framework would.
#define APPLE_API __attribute__((visibility("default")))

typedef uint8_t UInt8;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef float Float32;
typedef double Float64;
typedef unsigned char Boolean;
typedef SInt32 OSStatus;
typedef SInt16 OSErr;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef long Size;
typedef char* Ptr;
typedef Ptr* Handle;

enum { noErr = 0, eofErr = -39, fnfErr = -43, paramErr = -50, memFullErr = -108, resNotFound = -192 };

#endif
