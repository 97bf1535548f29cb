#include "OSError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

std::string SysErrorMessage(int code)
{
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(code, buf, sizeof buf);
    return text ? std::string(text) : std::string();
}

std::string EOSError::MessageFor(int code)
{
    if (code == 0)
        return "A call to an OS function failed";
    return "System Error.  Code: " + std::to_string(code) + ".\r\n" + SysErrorMessage(code);
}

EOSError::EOSError(int code) : std::runtime_error(MessageFor(code)), code_(code) {}

void RaiseLastOSError() { throw EOSError(errno); }

void RaiseLastOSError(int code) { throw EOSError(code); }

std::string EAssertionFailed::Format(const std::string& text, const std::string& unit, int line)
{
    return text + " (" + unit + ", line " + std::to_string(line) + ")";
}

EAssertionFailed::EAssertionFailed(const std::string& text, const std::string& unit, int line)
    : std::logic_error(Format(text, unit, line))
{
}

void AssertionFailed(const char* text, const char* unit, int line)
{
    throw EAssertionFailed(text, unit, line);
}

} // namespace platform
