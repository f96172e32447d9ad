#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/UserInterface.h"

// Test doubles of the user-interface interfaces: they record what the core showed and asked, and
// answer questions from a script. A TRecordingUserInterface installs itself for its lifetime.

namespace marvek::testsupport {

struct TShown {
    std::string itsKind; // "information", "message", "error", "question"
    std::string itsTitle;
    std::string itsText;
    int itsHelpContext = 0;
};

class TRecordingUserInterface : public TUserInterface {
public:
    TRecordingUserInterface();
    ~TRecordingUserInterface() override;
    TRecordingUserInterface(const TRecordingUserInterface&) = delete;
    TRecordingUserInterface& operator=(const TRecordingUserInterface&) = delete;

    void ShowInformationBox(const std::string& title, const std::string& text, int helpContext) override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    // Takes the next scripted answer; with none left, No (or Cancel).
    TAnswer Ask(const std::string& text, TButtons buttons, TBoxKind kind, int helpContext) override;
    void Beep() override { ++itsBeeps; }
    void SetWaitCursor(bool busy) override;

    // The texts shown, in order.
    std::vector<std::string> Texts() const;

    std::vector<TShown> itsShown;
    std::deque<TAnswer> itsAnswers;
    int itsBeeps = 0;
    int itsWaitDepth = 0; // > 0 while the hourglass shows

private:
    TUserInterface* itsPrevious;
};

// Keeps what the work reported in its State(); stops the work on a scripted call.
class TRecordingProgress : public TProgress {
public:
    void Start(const std::string& title) override;
    // Asks for a stop from the itsStopAt-th call on (never when itsStopAt is 0).
    bool ProcessMessages() override;
    void Finish() override;

    int itsCalls = 0;
    int itsStopAt = 0;
    bool itsStarted = false;
    bool itsFinished = false;
};

} // namespace marvek::testsupport
