#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "app/UserInterface.h"
#include "platform/Terminal.h"

// The command-line face of the core: boxes become lines on stderr, questions are answered by a
// policy (--yes, --no) or, only when there is a terminal to ask, by the user. A question never
// waits on input that cannot come.

namespace marvek {

enum class TAnswerPolicy {
    kAsk, // ask on the terminal; without one give the safe answer (No, or Cancel)
    kYes,
    kNo,
};

class TConsoleUserInterface : public TUserInterface {
public:
    // Writes to stderr and reads stdin; asking is possible when both are terminals.
    explicit TConsoleUserInterface(TAnswerPolicy policy = TAnswerPolicy::kAsk);
    // For tests: explicit streams and whether the input counts as a terminal.
    TConsoleUserInterface(TAnswerPolicy policy, std::ostream& out, std::istream& in, bool interactive);

    void SetPolicy(TAnswerPolicy policy) { itsPolicy = policy; }
    TAnswerPolicy Policy() const { return itsPolicy; }

    void ShowInformationBox(const std::string& title, const std::string& text, int helpContext) override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    TAnswer Ask(const std::string& text, TButtons buttons, TBoxKind kind, int helpContext) override;
    void Beep() override;
    void SetWaitCursor(bool) override {}

private:
    void WriteLine(const std::string& text);

    TAnswerPolicy itsPolicy;
    std::ostream& itsOut;
    std::istream& itsIn;
    bool itsInteractive;
};

// A progress line on stderr, redrawn in place at most five times a second, and only when stderr
// is a terminal (a log gets nothing). Ctrl+C while it runs counts as pressing Stop.
class TConsoleProgress : public TProgress {
public:
    TConsoleProgress();
    // For tests: an explicit stream and whether it counts as a terminal.
    TConsoleProgress(std::ostream& out, bool interactive);
    ~TConsoleProgress() override;
    TConsoleProgress(const TConsoleProgress&) = delete;
    TConsoleProgress& operator=(const TConsoleProgress&) = delete;

    void Start(const std::string& title) override;
    bool ProcessMessages() override;
    void Finish() override;

    // What the line shows now.
    std::string Line() const;

private:
    void Draw();

    std::ostream& itsOut;
    bool itsInteractive;
    bool itsDrawn = false;
    int64_t itsLastDraw = 0;
    TInterruptCatcher itsInterrupt;
};

} // namespace marvek
