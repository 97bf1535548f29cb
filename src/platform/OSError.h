#pragma once
// Classes: EOSError, EAssertionFailed.
//
// The program's two error families that every unit raises: the failure of an
// operating-system call and a broken consistency check.

#include <stdexcept>
#include <string>

namespace platform {

// A failed operating-system call. The message is
// "System Error.  Code: <code>.\r\n<system text>", or
// "A call to an OS function failed" when no error code was set.
class EOSError : public std::runtime_error {
public:
    explicit EOSError(int code);
    EOSError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int ErrorCode() const noexcept { return code_; }

    static std::string MessageFor(int code);

private:
    int code_;
};

// The system's own text for an errno value ("No such file or directory").
std::string SysErrorMessage(int code);

// Raises EOSError for errno (or for the given code).
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(int code);

// A failed consistency check: "<text> (<unit>, line <line>)".
class EAssertionFailed : public std::logic_error {
public:
    EAssertionFailed(const std::string& text, const std::string& unit, int line);
    static std::string Format(const std::string& text, const std::string& unit, int line);
};

[[noreturn]] void AssertionFailed(const char* text, const char* unit, int line);

} // namespace platform

// Assert(cond, "text") in a unit that defines QUISTELOR_UNIT (for example
// "FormAnimator/GlCanvas"); the check stays in release builds.
#define QUISTELOR_ASSERT(cond, text, unit)                                   \
    do {                                                                     \
        if (!(cond)) ::platform::AssertionFailed((text), (unit), __LINE__);  \
    } while (0)
