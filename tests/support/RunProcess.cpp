#include "support/RunProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/FileHelpers.h"

extern char** environ;

namespace marvek::testsupport {

TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    // Output goes to files, so that a chatty program can never block on a full pipe.
    char outName[] = "/tmp/marvek-test-out-XXXXXX";
    char errName[] = "/tmp/marvek-test-err-XXXXXX";
    int outFd = mkstemp(outName);
    int errFd = mkstemp(errName);
    TRunResult result;
    if (outFd < 0 || errFd < 0) return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.itsExitStatus = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(outFd);
    close(errFd);
    result.itsOut = ReadWholeFile(outName);
    result.itsErr = ReadWholeFile(errName);
    std::remove(outName);
    std::remove(errName);
    return result;
}

TRunResult RunCli(const std::vector<std::string>& args) {
    return RunProgram(MARVEK_CLI_PATH, args);
}

} // namespace marvek::testsupport
