#pragma once
// RunProcess: starts a program (looked up in PATH when the name has no
// slash), waits for it and returns its exit status and what it wrote.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace support {

struct ProcessRun {
    // The exit status; -1 when the program could not be started or was
    // ended by a signal.
    int status = -1;
    std::string out, err;
};

struct ProcessOptions {
    // For the child only: each "NAME=VALUE" is set, each "NAME" alone removed.
    std::vector<std::string> environment;
    // Standard output and error to /dev/null (for timing runs).
    bool discardOutput = false;
    // Standard output to this path instead (/dev/full, say), or closed when "".
    std::optional<std::string> stdoutTo;
    // Standard output to a pipe whose reader has gone, as `| head -1` leaves
    // it once it has its line. The child starts with SIGPIPE at its default.
    bool stdoutUnread = false;

    static ProcessOptions Quiet()
    {
        ProcessOptions o;
        o.discardOutput = true;
        return o;
    }
    static ProcessOptions Environment(std::vector<std::string> changes)
    {
        ProcessOptions o;
        o.environment = std::move(changes);
        return o;
    }
};

// argv[0] is the program.
ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

} // namespace support
