#include "TandemExceptions.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace tandem {

const char* MacOSException::what() const noexcept {
    if (message_[0] == '\0') std::snprintf(message_, sizeof message_, "Mac OS error code %d", int(code_));
    return message_;
}

TandemException::TandemException(const char* message) {
    std::strncpy(message_, message ? message : "", sizeof message_ - 1);
    message_[sizeof message_ - 1] = '\0';
}

void throwOnOSError(OSStatus code) {
    if (code != noErr) throw MacOSException(code);
}

void throwOnNull(const void* pointer, const char* message) {
    if (pointer == nullptr) throw TandemException(message);
}

OSStatus resultForCurrentException() noexcept {
    try {
        throw;
    } catch (const MacOSException& e) {
        return e.code();
    } catch (const EOFException&) {
        return eofErr;
    } catch (const std::bad_alloc&) {
        return memFullErr;
    } catch (...) {
        return -32767;
    }
}

}  // namespace tandem
