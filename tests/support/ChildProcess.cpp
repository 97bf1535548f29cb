#include "support/ChildProcess.h"

#include "support/Files.h"
#include "support/ScratchFolder.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace support {

namespace {

// The parent's environment with the changes applied.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(env, [&](const std::string& entry) {
            return entry.compare(0, name.size(), name) == 0 && entry.size() > name.size() && entry[name.size()] == '=';
        });
        if (change.find('=') != std::string::npos)
            env.push_back(change);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options)
{
    ProcessRun run;
    if (argv.empty())
        return run;
    std::optional<ScratchFolder> io;
    if (!options.discardOutput)
        io.emplace();
    const std::string outPath = io ? *io / "out" : "/dev/null";
    const std::string errPath = io ? *io / "err" : "/dev/null";

    std::vector<std::string> args = argv;
    std::vector<std::string> env = ChildEnvironment(options.environment);
    std::vector<char*> argp = Pointers(args), envp = Pointers(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int unread[2] = {-1, -1};
    if (options.stdoutUnread && ::pipe2(unread, O_CLOEXEC) == 0) {
        ::close(unread[0]);
        posix_spawn_file_actions_adddup2(&actions, unread[1], 1);
    } else if (options.stdoutTo && options.stdoutTo->empty())
        posix_spawn_file_actions_addclose(&actions, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, options.stdoutTo ? options.stdoutTo->c_str() : outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The child meets SIGPIPE as a shell would give it, whatever this
    // process does with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argp[0], &actions, &attributes, argp.data(), envp.data()) == 0) {
        int st = 0;
        if (waitpid(pid, &st, 0) == pid && WIFEXITED(st))
            run.status = WEXITSTATUS(st);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (unread[1] >= 0)
        ::close(unread[1]);
    if (io) {
        if (!options.stdoutTo && !options.stdoutUnread)
            run.out = ReadFile(outPath);
        run.err = ReadFile(errPath);
    }
    return run;
}

} // namespace support
