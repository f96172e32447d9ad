// TBookWindowDialogs: the dialogs a book window's commands open, and what they ask of the child
// window around it (its caption, closing it, the board's orientation).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "chess/ChessPosition.h"

namespace marvek {

class TBook2;
class TJumpList;

// What About This Book shows.
struct TBookStatistics {
    std::string itsPath;           // the main file, folder and name
    std::int32_t itsPositions = 0; // over all position files
    std::int32_t itsNamedPositions = 0;
    std::int64_t itsMainFileSize = 0; // bytes
    bool itsReadOnly = false;
    bool itsDatabaseSafety = false;
    std::int32_t itsTrainingPositions = 0;
};

// Every call has a default that stands for Cancel (or does nothing), so a window without dialogs
// runs its commands to the point where the user would have been asked.
class TBookWindowDialogs {
public:
    // Decides whether OK may close the rename dialog with this name (it may ask questions first).
    using TNameCheck = std::function<bool(const std::string&)>;

    virtual ~TBookWindowDialogs() = default;

    // "Rename Position": the edit starts with oldName, all selected. OK asks `check` and closes
    // only when it agrees. True for OK, with the edited name in `name`.
    virtual bool EditPositionName(const std::string& /*oldName*/, const TNameCheck& /*check*/,
                                  std::string& /*name*/) {
        return false;
    }
    // "Jump to Position" over the list; its Rename... and Delete act on the list. True when OK
    // was chosen with a name highlighted.
    virtual bool ChooseJumpName(TJumpList& /*list*/) { return false; }
    // "Jump to Position" with its "Jump to Name" edit; true for OK, with the text.
    virtual bool AskJumpName(std::string& /*text*/) { return false; }
    // "Setup Position" on the board given, the book answering name look-ups; true for OK, with
    // the position composed and the name entered.
    virtual bool SetupPosition(TBook2& /*book*/, const TPackedPosition& /*board*/,
                               TPackedPosition& /*result*/, std::string& /*name*/) {
        return false;
    }
    // A save dialog for a book file ("2MD" added when no extension is typed): the file chosen,
    // or nothing when cancelled.
    virtual std::optional<std::string> ChooseBookFile(const std::string& /*title*/,
                                                      const std::string& /*folder*/,
                                                      const std::string& /*fileName*/) {
        return std::nullopt;
    }
    virtual void ShowBookStatistics(const TBookStatistics& /*statistics*/) {}

    // The child window around the book window.
    virtual void SetCaption(const std::string& /*caption*/) {}
    // Closes it once the command that asks has ended.
    virtual void CloseWindow() {}
    virtual bool WhiteAtBottom() const { return true; }
    virtual void SetWhiteAtBottom(bool /*on*/) {}
};

} // namespace marvek
