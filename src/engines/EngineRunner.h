// TEngineRunner: one engine session on a live child process — start, poll, send, stop, reset.
#pragma once

#include <functional>
#include <string>

#include "engines/EngineProcess.h"
#include "engines/EngineSession.h"

namespace marvek {

enum class TEngineProtocol { kUci, kWinboard };

// The glue between a protocol session and its process. The window's 400 ms timer calls Poll; the
// engine counts as running from a successful StartEngine to StopEngine. Failures are told through
// the installed TUserInterface and leave the engine stopped.
class TEngineRunner {
public:
    static constexpr int kUciBufferSize = 5000;
    static constexpr int kWinboardBufferSize = 255;

    TEngineRunner(TEngineSession& session, TEngineProtocol protocol);
    ~TEngineRunner();
    TEngineRunner(const TEngineRunner&) = delete;
    TEngineRunner& operator=(const TEngineRunner&) = delete;

    bool StartEngine(const std::string& path, const std::string& arguments = {});
    void StopEngine(bool withoutQuit = false);
    bool IsEngineRunning() const { return itsRunning; }
    void SendLine(const std::string& text);
    // One tick of the poll timer: reads what is waiting (one buffer at most) without blocking.
    void Poll();
    void SetEnginePosition(const std::string& fen, int plyCount, bool onlyIfChanged = false);
    // Stops and starts the engine again, and sends it the last position again.
    void ResetEngine();

    // Told before a start (true) and after it, whatever happened (false): the loading form.
    void SetLoadingObserver(std::function<void(bool loading)> observer) {
        itsLoadingObserver = std::move(observer);
    }
    TEngineProtocol Protocol() const { return itsProtocol; }
    const std::string& Path() const { return itsPath; }

    TEngineSession& Session() { return itsSession; }
    pid_t Pid() const { return itsProcess.Pid(); }
    const std::string& PartialLine() const { return itsSplitter.Partial(); }

private:
    void ReadOnce();
    void Tell(const std::string& text);

    TEngineSession& itsSession;
    TEngineProtocol itsProtocol;
    TEngineProcess itsProcess;
    TLineSplitter itsSplitter;
    std::string itsPath;
    std::string itsArguments;
    std::function<void(bool)> itsLoadingObserver;
    bool itsRunning = false;
    bool itsBusy = false;
    bool itsPeekFailureShown = false;
    bool itsReadFailureShown = false;
    bool itsWriteFailureShown = false;
};

// "%s" and "%d" of a message filled in.
std::string FillMessage(std::string text, const std::string& folder, int code);

} // namespace marvek
