// TEngineProcess: an engine program as a child process on pipes, and its line splitter.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace marvek {

// What a start attempt came to. itsError is the errno of the failed step (2 = no such file).
struct TSpawnResult {
    bool itsStarted = false;
    int itsError = 0;
    std::string itsFailedStep; // which pipe call failed, empty for the spawn itself
};

// The child's standard input, output and error are pipes whose other ends only we hold (every
// descriptor of ours is close-on-exec); it runs in its own process group so that ending it also
// ends anything it started. Reads never block: BytesWaiting asks FIONREAD first.
class TEngineProcess {
public:
    TEngineProcess();
    ~TEngineProcess();
    TEngineProcess(const TEngineProcess&) = delete;
    TEngineProcess& operator=(const TEngineProcess&) = delete;

    // Starts path with the words of arguments (split at spaces). With inEngineFolder the child
    // starts in the folder of path.
    TSpawnResult Start(const std::string& path, const std::string& arguments, bool inEngineFolder);
    bool IsOpen() const { return itsToEngine >= 0; }
    pid_t Pid() const { return itsPid; }

    // Bytes that can be read now; -1 on failure (errno kept).
    int BytesWaiting() const;
    // Reads up to capacity bytes without blocking; returns the count, 0 for none, -1 on failure.
    int Read(char* buffer, int capacity);
    // Writes text + "\n" in one write; the bytes written, or -1 (errno kept).
    int WriteLine(std::string_view text, int& wanted);
    // Whether the child has ended (reaps it when it has).
    bool HasEnded();

    // Closes our ends of the pipes, then waits for the child a short while and ends it when it
    // does not go by itself (SIGTERM, then SIGKILL), so that no engine outlives its session.
    // Returns the first close error (0 when both closed cleanly).
    int Close();

private:
    void Reap(int graceMilliseconds);

    int itsToEngine = -1;
    int itsFromEngine = -1;
    pid_t itsPid = -1;
};

// Splits engine output into lines: "\n" ends a line, "\r" is dropped, and a partial line waits for
// the next piece. A line longer than kMaxLineLength is handed over cut at that length, and the rest
// up to its line end is dropped, so an engine that floods us cannot grow our memory.
class TLineSplitter {
public:
    static constexpr std::size_t kMaxLineLength = 8192;

    template <typename THandler>
    void Feed(std::string_view bytes, THandler&& handler) {
        for (char c : bytes) {
            if (c == '\n') {
                if (!itsSkipping) handler(itsPartial);
                itsPartial.clear();
                itsSkipping = false;
            } else if (c != '\r' && !itsSkipping) {
                itsPartial += c;
                if (itsPartial.size() >= kMaxLineLength) {
                    handler(itsPartial);
                    itsPartial.clear();
                    itsSkipping = true;
                }
            }
        }
    }
    const std::string& Partial() const { return itsPartial; }
    void Clear() {
        itsPartial.clear();
        itsSkipping = false;
    }

private:
    std::string itsPartial;
    bool itsSkipping = false;
};

} // namespace marvek
