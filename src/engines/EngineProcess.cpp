// Starting, reading, writing and ending an engine's child process.
#include "engines/EngineProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Clock.h"

extern char** environ;

namespace marvek {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

} // namespace

TEngineProcess::TEngineProcess() {
    // A write to an engine that has died must give EPIPE, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
}

TEngineProcess::~TEngineProcess() {
    Close();
}

TSpawnResult TEngineProcess::Start(const std::string& path, const std::string& arguments,
                                   bool inEngineFolder) {
    TSpawnResult result;
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        result.itsError = errno;
        result.itsFailedStep = "Problem with CreatePipe(hChildStdoutRd...)  GetLastError=%d";
        return result;
    }
    if (::pipe2(toChild, O_CLOEXEC) != 0) {
        result.itsError = errno;
        result.itsFailedStep = "Problem with CreatePipe(hChildStdinRd...)  GetLastError=%d";
        ::close(fromChild[0]);
        ::close(fromChild[1]);
        return result;
    }
    // The engine's folder becomes its working folder, so the program path must not depend on ours.
    std::string program = path;
    if (inEngineFolder && !program.empty() && program.front() != '/') {
        char here[4096];
        if (::getcwd(here, sizeof here) != nullptr) program = std::string(here) + "/" + program;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 clears close-on-exec on the child's copies only.
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 2);
    if (inEngineFolder) posix_spawn_file_actions_addchdir_np(&actions, FolderOf(program).c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> words = Words(arguments);
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (error != 0) {
        ::close(toChild[1]);
        ::close(fromChild[0]);
        result.itsError = error;
        return result;
    }
    ::fcntl(fromChild[0], F_SETFL, ::fcntl(fromChild[0], F_GETFL) | O_NONBLOCK);
    itsPid = pid;
    itsToEngine = toChild[1];
    itsFromEngine = fromChild[0];
    result.itsStarted = true;
    return result;
}

int TEngineProcess::BytesWaiting() const {
    int waiting = 0;
    if (itsFromEngine < 0) return 0;
    if (::ioctl(itsFromEngine, FIONREAD, &waiting) != 0) return -1;
    return waiting;
}

int TEngineProcess::Read(char* buffer, int capacity) {
    if (itsFromEngine < 0) return 0;
    const ssize_t got = ::read(itsFromEngine, buffer, std::size_t(capacity));
    if (got < 0) return errno == EAGAIN || errno == EINTR ? 0 : -1;
    return int(got);
}

int TEngineProcess::WriteLine(std::string_view text, int& wanted) {
    std::string line(text);
    line += '\n';
    wanted = int(line.size());
    if (itsToEngine < 0) {
        errno = EBADF;
        return -1;
    }
    ssize_t written;
    do {
        written = ::write(itsToEngine, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    return int(written);
}

bool TEngineProcess::HasEnded() {
    if (itsPid <= 0) return true;
    int status = 0;
    const pid_t done = ::waitpid(itsPid, &status, WNOHANG);
    if (done == itsPid || (done < 0 && errno == ECHILD)) {
        itsPid = -1;
        return true;
    }
    return false;
}

int TEngineProcess::Close() {
    int firstError = 0;
    if (itsToEngine >= 0 && ::close(itsToEngine) != 0) firstError = errno;
    itsToEngine = -1;
    if (itsFromEngine >= 0 && ::close(itsFromEngine) != 0 && firstError == 0) firstError = errno;
    itsFromEngine = -1;
    Reap(1000);
    return firstError;
}

void TEngineProcess::Reap(int graceMilliseconds) {
    if (itsPid <= 0) return;
    // "quit" and the closed pipes end a well-behaved engine at once; give it a moment.
    const int64_t start = TickCount();
    while (!HasEnded()) {
        if (TickCount() - start > graceMilliseconds) break;
        Wait(10);
    }
    if (itsPid <= 0) return;
    ::kill(-itsPid, SIGTERM);
    const int64_t termSent = TickCount();
    while (!HasEnded()) {
        if (TickCount() - termSent > 500) break;
        Wait(10);
    }
    if (itsPid <= 0) return;
    ::kill(-itsPid, SIGKILL);
    int status = 0;
    while (::waitpid(itsPid, &status, 0) < 0 && errno == EINTR) {
    }
    itsPid = -1;
}

} // namespace marvek
