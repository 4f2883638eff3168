// Memory Manager handles, as the Component Manager hands names and resources over in them.
#ifndef HALVORAX_APPLE_MACMEMORY_H
#define HALVORAX_APPLE_MACMEMORY_H

#include <MacTypes.h>

APPLE_EXTERN_C_BEGIN

APPLE_API Handle NewHandle(Size byteCount);
APPLE_API Handle NewHandleClear(Size byteCount);
APPLE_API void DisposeHandle(Handle h);
APPLE_API Size GetHandleSize(Handle h);
APPLE_API void SetHandleSize(Handle h, Size newSize);

APPLE_EXTERN_C_END

#endif
