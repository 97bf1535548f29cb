#pragma once
// What every quistelor-cli subcommand writes: values escaped to one
// printable line, and standard output checked, since a report that a
// script never receives is a failure, not a success.

#include <exception>
#include <ostream>
#include <string>
#include <string_view>

namespace cli {

// A value as one printable line: bytes below 0x20, 0x7F and the backslash are
// written as \n, \r, \t, \\ or \xHH; other bytes as they are.
std::string EscapeValue(std::string_view value);

// Writes text and flushes it. 0, or the errno of the failed write (EIO when
// the system gave none).
int Emit(std::ostream& out, std::string_view text);

// "quistelor-cli COMMAND: cannot write to standard output: REASON" on err.
void ReportLostOutput(const char* command, int code, std::ostream& err);

// An error's message as one escaped line; a system error raised without a
// text of its own gives the system's text alone.
std::string ErrorLine(const std::exception& e);

} // namespace cli
