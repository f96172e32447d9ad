#pragma once

#include <cstdint>
#include <string>

#include "app/ProgressState.h"

// How the core talks to the user without owning a window. The desktop program, the command-line
// tool and the tests each install their own TUserInterface; long operations report through a
// TProgress that the caller passes in. Texts may hold "\r" where a box shows a line break.

namespace marvek {

enum class TAnswer { kYes, kNo, kCancel };
enum class TButtons { kYesNo, kYesNoCancel };
enum class TBoxKind { kConfirmation, kWarning };

class TUserInterface {
public:
    virtual ~TUserInterface() = default;

    // The standard information box with one OK button (and a Help button when helpContext is not
    // 0). The title is passed along, but the standard box shows only the text.
    virtual void ShowInformationBox(const std::string& title, const std::string& text, int helpContext) = 0;
    // A plain message box.
    virtual void ShowMessage(const std::string& text) = 0;
    // The error box in which a command that ended with an internal error is reported.
    virtual void ShowError(const std::string& text) = 0;
    virtual TAnswer Ask(const std::string& text, TButtons buttons, TBoxKind kind, int helpContext) = 0;
    // The default warning sound.
    virtual void Beep() = 0;
    // The hourglass while the core works; see TWaitCursor.
    virtual void SetWaitCursor(bool busy) = 0;

    bool AskYesNo(const std::string& text, int helpContext = 0) {
        return Ask(text, TButtons::kYesNo, TBoxKind::kConfirmation, helpContext) == TAnswer::kYes;
    }
};

// The installed interface. Until a front end installs one, a console interface on stderr that
// answers every question with No (or Cancel) stands in.
TUserInterface& UserInterface();
// Installs ui (nullptr puts the stand-in back) and returns the one it replaces.
TUserInterface* SetUserInterface(TUserInterface* ui);

// The information box for numbered messages: both numbers (when not 0) get the language offset
// and are looked up in the string table; a missing text shows its fallback.
void ShowInformation(int titleNr, int textNr);

// The hourglass for the life of the object, also when the work in between throws.
class TWaitCursor {
public:
    TWaitCursor() { UserInterface().SetWaitCursor(true); }
    ~TWaitCursor() { UserInterface().SetWaitCursor(false); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Labels and counters of a long operation. The work calls ProcessMessages() at fixed points; the
// desktop program pumps its event loop there, and a true result means Stop (or Cancel) was
// pressed and the work should end in an orderly way.
//
// What the work reports is kept in one TProgressState; a display overrides what it must react to
// (most only ProcessMessages) and draws from State().
class TProgress {
public:
    virtual ~TProgress() = default;

    virtual void Start(const std::string& title) { itsState.Start(title); }
    // A label of the operation (a file name, a phase, a player); lines count from 0.
    virtual void SetText(int line, const std::string& text) { itsState.SetText(line, text); }
    // A named counter such as "Games Imported:"; the first call with a caption adds it.
    virtual void SetCounter(const std::string& caption, int64_t value) {
        itsState.SetCounter(caption, value);
    }
    // The gauge, 0 to 100.
    virtual void SetPercent(int percent) { itsState.SetPercent(percent); }
    // Shows the state, lets the user act, and answers whether a stop was asked for.
    virtual bool ProcessMessages() = 0;
    virtual void Finish() { itsState.Finish(); }

    const TProgressState& State() const { return itsState; }

protected:
    TProgressState& MutableState() { return itsState; }

private:
    TProgressState itsState;
};

} // namespace marvek
