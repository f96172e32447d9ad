// RunPeer: a peer program run beside our own work, its output thrown away: how long it took, how it
// ended and its peak resident memory.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace marvek::bench {

struct TPeerRun {
    bool itsStarted = false;
    int itsExitStatus = -1; // -1 unless it ended by itself
    double itsSeconds = 0;
    double itsPeakMegabytes = 0; // of its own process, as the kernel counts it at the end

    bool Exited() const { return itsExitStatus >= 0; }
};

inline TPeerRun RunPeer(const char* program, std::vector<std::string> args) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    TPeerRun run;
    pid_t pid = 0;
    const auto start = std::chrono::steady_clock::now();
    run.itsStarted = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ) == 0;
    if (run.itsStarted) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        run.itsSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.itsPeakMegabytes = double(usage.ru_maxrss) / 1024;
        if (WIFEXITED(status)) run.itsExitStatus = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

} // namespace marvek::bench
