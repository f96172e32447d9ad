// The book window's named positions and the other ways to start a new line: naming the current
// position, the jump commands, the colour-reversed copy of the position and the set-up dialog.
#include "bookwindow/BookWindow.h"

#include "app/MessageNumbers.h"
#include "app/Settings.h"
#include "app/UserInterface.h"
#include "book/Book2.h"
#include "bookwindow/JumpList.h"
#include "diagram/DiagramMenu.h"

#include <algorithm>

namespace marvek {

namespace {

constexpr const char* kReadOnlyText = "This book was opened \"read only.\"";

// An optional sign and at least one digit, as a number typed into the jump-by-name edit.
bool IsInteger(const std::string& text) {
    std::size_t at = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (at >= text.size()) return false;
    return std::all_of(text.begin() + std::ptrdiff_t(at), text.end(),
                       [](unsigned char c) { return c >= '0' && c <= '9'; });
}

bool HasBothKings(const TPackedPosition& position) {
    int white = 0, black = 0;
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file) {
            const int piece = position.Piece(MakeSquare(file, rank));
            white += piece == kWhiteKing;
            black += piece == kBlackKing;
        }
    return white == 1 && black == 1;
}

} // namespace

TBookWindowDialogs& TBookWindow::UsedDialogs() {
    static TBookWindowDialogs none;
    return itsDialogs != nullptr ? *itsDialogs : none;
}

void TBookWindow::PrepareJumpName() {
    if (!itsJumpName.empty()) return;
    std::string name;
    if (itsBook->GetNameForThisBoard(itsLineBoards[0], name)) itsJumpName = name;
}

bool TBookWindow::StartLineAtName(const std::string& name) {
    TPackedPosition board;
    if (!itsBook->GetBoardForThisName(name, board)) {
        ShowInformation(0, kMsgJumpProblem);
        return false;
    }
    SaveCurrentRecord();
    SetLineStart(board);
    return true;
}

void TBookWindow::NameThisPosition() {
    if (!BookOpen()) return;
    if (ReadOnly()) {
        Tell(kReadOnlyText);
        return;
    }
    const TPackedPosition position = itsParser.CurrentPosition();
    std::string oldName;
    if (!itsBook->GetNameForThisBoard(position, oldName)) oldName.clear();
    std::string name;
    TBook2& book = *itsBook;
    if (!UsedDialogs().EditPositionName(
            oldName, [&](const std::string& edited) { return PositionNameAccepted(book, oldName, edited); },
            name))
        return;
    if (!name.empty())
        itsBook->UpdateBoardName(position, name);
    else if (!oldName.empty() && itsBook->ThisBoardNameExists(oldName))
        itsBook->DeleteBoardName(oldName);
    std::string shown;
    itsBook->GetNameForThisBoard(position, shown);
    View().ShowPositionName(shown);
}

void TBookWindow::JumpToPosition() {
    if (!BookOpen()) return;
    PrepareJumpName();
    TJumpList list(*itsBook, UsedDialogs());
    if (list.Empty()) {
        ShowInformation(0, kMsgNoNamedPositions);
        return;
    }
    list.HighlightName(itsJumpName);
    if (!UsedDialogs().ChooseJumpName(list) || list.Highlighted() < 0) return;
    const std::string name = list.HighlightedName();
    if (StartLineAtName(name)) itsJumpName = name;
}

void TBookWindow::JumpToNext() {
    JumpToNeighbour(true);
}

void TBookWindow::JumpToPrevious() {
    JumpToNeighbour(false);
}

void TBookWindow::JumpToNeighbour(bool next) {
    if (!BookOpen()) return;
    if (itsBook->NameCount() == 0) {
        ShowInformation(0, kMsgNoNamedPositions);
        return;
    }
    PrepareJumpName();
    std::string name = itsJumpName;
    if (!(next ? itsBook->NextBoardName(name) : itsBook->PreviousBoardName(name))) {
        ShowInformation(0, kMsgNoMoreNamedPositions);
        return;
    }
    itsJumpName = name;
    if (!StartLineAtName(name) || !next || !itsTrainingActive) return;
    // The trainee plays the side to move in the new position; the computer the other one.
    TSettings& settings = Settings();
    settings.SetTrainingComputerPlays(settings.TrainingMode(), itsParser.WhiteToMove() ? 1 : 0);
}

void TBookWindow::JumpToName() {
    if (!BookOpen()) return;
    std::string text;
    if (!UsedDialogs().AskJumpName(text)) return;
    TPackedPosition board;
    if (itsBook->GetBoardForThisName(text, board)) {
        SaveCurrentRecord();
        SetLineStart(board);
    } else if (IsInteger(text)) {
        SaveCurrentRecord();
    } else {
        ShowInformation(0, kMsgJumpProblem);
    }
}

// The colour-reversed position is stored as the same record as the position it comes from, and
// the book presents a record as seen from the board asked for: loading the mirrored position
// already shows the rates and the assessment of the position before, seen from the other side.
void TBookWindow::MirrorPositionSideToMove() {
    if (!BookOpen()) return;
    TChessPosition mirrored(itsParser.CurrentPosition());
    mirrored.SwapSides();
    if (!HasBothKings(mirrored.GetPosition())) {
        Tell("This position cannot be reversed by color.");
        return;
    }
    SaveCurrentRecord();
    SetLineStart(mirrored.GetPosition());
}

void TBookWindow::DiagramMirrorRequest(int notification) {
    if (notification == kMirrorSideToMove)
        MirrorPositionSideToMove();
    else if (notification == kMirrorLeftToRight || notification == kMirrorTopToBottom)
        Tell("The Vantro version supports mirroring by side to move only.");
}

void TBookWindow::SetupPosition() {
    if (!BookOpen()) return;
    if (ReadOnly()) {
        Tell(kReadOnlyText);
        return;
    }
    TPackedPosition board;
    std::string name;
    if (!UsedDialogs().SetupPosition(*itsBook, itsParser.CurrentPosition(), board, name)) return;
    SaveCurrentRecord();
    if (!name.empty()) itsBook->UpdateBoardName(board, name);
    SetLineStart(board);
    // The composed position goes into the book at once.
    itsRecordDirty = true;
    SaveCurrentRecord();
}

} // namespace marvek
