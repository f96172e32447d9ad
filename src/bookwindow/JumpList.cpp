// The jump dialog's list of names, its Rename... and held Delete, and the rename dialog's OK.
#include "bookwindow/JumpList.h"

#include "app/UserInterface.h"
#include "book/Book2.h"
#include "bookwindow/BookWindowDialogs.h"

#include <algorithm>

namespace marvek {

// ---- THeldRepeat

void THeldRepeat::Press(std::int64_t now) {
    itsHeld = true;
    itsLast = now;
    itsDelay = kFirstDelay;
}

bool THeldRepeat::Due(std::int64_t now) {
    if (!itsHeld || now - itsLast < itsDelay) return false;
    itsLast = now;
    itsDelay = itsDelay * 2 / 3;
    return true;
}

// ---- The rename dialog's OK

bool PositionNameAccepted(TBook2& book, const std::string& oldName, const std::string& name) {
    if (name.empty() && !oldName.empty() &&
        UserInterface().Ask("Are you sure you want to delete this board name?", TButtons::kYesNoCancel,
                            TBoxKind::kConfirmation, 0) != TAnswer::kYes)
        return false;
    // Keeping the name a position already has overwrites nothing.
    TPackedPosition other;
    if (!name.empty() && name != oldName && book.GetBoardForThisName(name, other) &&
        UserInterface().Ask("Overwrite the existing position that has this name?", TButtons::kYesNoCancel,
                            TBoxKind::kConfirmation, 0) != TAnswer::kYes)
        return false;
    return true;
}

// ---- TJumpList

TJumpList::TJumpList(TBook2& book, TBookWindowDialogs& dialogs) : itsBook(book), itsDialogs(dialogs) {
    std::string name;
    while (itsBook.NextBoardName(name)) {
        // A damaged index that stops moving forward must not hold the dialog forever.
        if (!itsNames.empty() && name <= itsNames.back()) break;
        itsNames.push_back(name);
    }
}

void TJumpList::Highlight(int index) {
    itsHighlighted = index >= 0 && index < int(itsNames.size()) ? index : -1;
}

void TJumpList::HighlightName(const std::string& name) {
    const auto found = std::find(itsNames.begin(), itsNames.end(), name);
    Highlight(found != itsNames.end() ? int(found - itsNames.begin()) : 0);
}

std::string TJumpList::HighlightedName() const {
    return itsHighlighted >= 0 ? itsNames[std::size_t(itsHighlighted)] : std::string();
}

void TJumpList::Rename() {
    if (itsHighlighted < 0) {
        UserInterface().ShowInformationBox("", "No position name is highlighted.", 0);
        return;
    }
    const std::string oldName = HighlightedName();
    std::string name;
    if (!itsDialogs.EditPositionName(
            oldName,
            [&](const std::string& edited) { return PositionNameAccepted(itsBook, oldName, edited); }, name))
        return;
    if (name.empty()) {
        DeleteHighlighted();
        return;
    }
    if (name == oldName) return;
    if (!itsBook.RenameBoard(oldName, name)) return;
    itsNames[std::size_t(itsHighlighted)] = name;
    // The position that had the new name lost it; its entry goes (the list keeps its order).
    for (std::size_t i = 0; i < itsNames.size(); ++i)
        if (int(i) != itsHighlighted && itsNames[i] == name) {
            itsNames.erase(itsNames.begin() + std::ptrdiff_t(i));
            if (int(i) < itsHighlighted) --itsHighlighted;
            break;
        }
}

void TJumpList::DeleteHighlighted() {
    if (itsHighlighted < 0) return;
    itsBook.DeleteBoardName(HighlightedName());
    itsNames.erase(itsNames.begin() + itsHighlighted);
    Highlight(std::min(itsHighlighted, int(itsNames.size()) - 1));
}

void TJumpList::DeletePressed(std::int64_t now) {
    if (itsHighlighted < 0) return;
    DeleteHighlighted();
    itsRepeat.Press(now);
}

void TJumpList::DeleteTick(std::int64_t now) {
    if (!itsRepeat.Due(now)) return;
    DeleteHighlighted();
    if (itsNames.empty()) itsRepeat.Release();
}

} // namespace marvek
