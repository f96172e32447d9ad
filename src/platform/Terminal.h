#pragma once

// The console as the command-line face needs it: whether a standard stream is a terminal (only
// then is there someone to ask, or a line to redraw), and Ctrl+C taken as a request to stop
// instead of the end of the process.

namespace marvek {

enum class TStandardStream { kInput = 0, kOutput = 1, kError = 2 };

bool IsTerminal(TStandardStream stream);

// While caught, Ctrl+C only sets a flag that the work looks at between its steps; Release puts
// back whatever handled it before. One catcher at a time.
class TInterruptCatcher {
public:
    TInterruptCatcher() = default;
    ~TInterruptCatcher() { Release(); }
    TInterruptCatcher(const TInterruptCatcher&) = delete;
    TInterruptCatcher& operator=(const TInterruptCatcher&) = delete;

    // Starts catching, if not yet, and forgets any earlier Ctrl+C. False when the system refused
    // the handler (Ctrl+C then ends the process as usual).
    bool Catch();
    void Release();
    // Ctrl+C came since the last Catch.
    bool Interrupted() const;

private:
    bool itsCatching = false;
};

} // namespace marvek
