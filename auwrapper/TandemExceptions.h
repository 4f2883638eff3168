// The wrapper's internal failures. They are raised wherever a call cannot go on and turned
// into host result codes by the entry guard (TandemEntry.cpp); they never reach the host or
// travel back into the hosted plug-in.
#pragma once

#include <MacTypes.h>

#include <exception>

namespace tandem {

// A Mac OS / Audio Unit result code. The text is formatted the first time it is asked for.
class MacOSException : public std::exception {
public:
    explicit MacOSException(OSStatus code) : code_(code) {}
    OSStatus code() const { return code_; }
    const char* what() const noexcept override;

private:
    OSStatus code_;
    mutable char message_[256] = {};
};

// A failure with a message of up to 255 characters.
class TandemException : public std::exception {
public:
    explicit TandemException(const char* message);
    const char* what() const noexcept override { return message_; }

private:
    char message_[256];
};

// Data that is not in the expected format (FXP/FXB, preset dictionaries).
class FormatException : public TandemException {
public:
    using TandemException::TandemException;
};

// Data that ended too early.
class EOFException : public TandemException {
public:
    using TandemException::TandemException;
};

// Raises a MacOSException for any non-zero code.
void throwOnOSError(OSStatus code);

// Raises a TandemException with `message` when `pointer` is null.
void throwOnNull(const void* pointer, const char* message);

// Result code the host sees for an exception (the entry guard's mapping): a MacOSException
// gives its own code, EOFException -39, an allocation failure -108, anything else -32767.
OSStatus resultForCurrentException() noexcept;

}  // namespace tandem
