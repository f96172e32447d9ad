// The book window's line: its start, pushing a ply, and the Go commands that walk it (forward,
// back one ply, back to the last branch or the start, on to the next branch), and the multiple
// take-back menu.
#include "bookwindow/BookWindow.h"

#include "app/Settings.h"
#include "app/UserInterface.h"
#include "book/Book2.h"
#include "bookwindow/TakeBackEntry.h"

#include <algorithm>

namespace marvek {

void TBookWindow::SetLineStart(const TPackedPosition& board) {
    itsHighlightMove = TPackedMove{kNoHighlight, 0, 0, kSymbolNone};
    itsPlyCount = 0;
    itsLineBoards[0] = board;
    itsParser.LoadPosition(board);
    PresetRecord(board);
    LoadCurrentPosition();
    RefreshPosition();
    DrawBoard();
}

bool TBookWindow::PlayMove(const std::string& text, const TPackedMove& code, bool animate) {
    if (itsPlyCount >= kMaxPlies) {
        Tell("No more moves can be played.");
        return false;
    }
    const std::size_t comma = text.find(',');
    const std::string cut = comma == std::string::npos ? text : text.substr(0, comma + 1);
    const TPackedPosition before = itsParser.CurrentPosition();
    itsParser.SetMoveText(cut);
    if (!itsParser.ParseMove()) {
        Tell("MakeMove() has an illegal move -");
        return false;
    }
    const TPackedMove played = itsParser.GetChessMove();
    itsParser.ApplyMove();
    const std::array<TSquare, 2> secondary = itsParser.SecondarySquares();
    if (animate) {
        std::vector<TSquare> squares;
        for (TSquare square : secondary)
            if (!IsOffBoard(square)) squares.push_back(square);
        View().UpdateDiagramSquares(itsParser.CurrentPosition(), squares);
        if (Settings().SlidingPieceSpeed() == 0)
            View().DrawDiagram(itsParser.CurrentPosition(), TSquareMarks{});
        else
            View().SlideDiagramPiece(code.ToUint32());
    }
    ++itsPlyCount;
    const std::size_t ply = std::size_t(itsPlyCount);
    itsLineTakeBacks[ply] = MakeTakeBack(before, played, secondary);
    itsLineBoards[ply] = itsParser.CurrentPosition();
    itsLineMoves[ply] = code;
    itsLineMoveTexts[ply] = cut.substr(0, 40);
    itsLineSecondarySquares[ply] = secondary;
    itsHighlightMove = TPackedMove{kNoHighlight, 0, 0, kSymbolNone};
    return true;
}

void TBookWindow::PlayHighlighted(bool animate) {
    const TCandidate& candidate = itsCurrentRecord.Candidate(itsHighlighted);
    const TPackedMove code = candidate.itsMove;
    const std::string text = candidate.itsNotation;
    SaveCurrentRecord();
    if (PlayMove(text, code, animate)) LoadCurrentPosition();
}

void TBookWindow::ForwardOnePly() {
    if (!BookOpen() || itsHighlighted < 0 || itsHighlighted >= itsCurrentRecord.CandidateCount()) {
        UserInterface().Beep();
        return;
    }
    PlayHighlighted(true);
    RefreshPosition();
}

void TBookWindow::GoToStartingPosition() {
    SaveCurrentRecord();
    SetLineStart(StartPosition());
}

void TBookWindow::StepBackTo(int ply) {
    itsPlyCount = ply;
    itsParser.LoadPosition(itsLineBoards[std::size_t(ply)]);
}

void TBookWindow::BackOnePly() {
    if (itsPlyCount == 0) {
        UserInterface().Beep();
        return;
    }
    SaveCurrentRecord();
    itsHighlightMove = itsLineMoves[std::size_t(itsPlyCount)];
    StepBackTo(itsPlyCount - 1);
    LoadCurrentPosition();
    DrawBoard();
    RefreshPosition();
}

void TBookWindow::BackToLastBranch() {
    if (itsPlyCount == 0) {
        Tell("There are no moves to take back.  This button goes back to the last branch.");
        return;
    }
    SaveCurrentRecord();
    {
        TViewWait wait(View());
        const bool alwaysSolve = Settings().BacksolveAlwaysSolve();
        do {
            StepBackTo(itsPlyCount - 1);
            LoadCurrentPosition();
            if (alwaysSolve) SaveCurrentRecord();
        } while (itsCurrentRecord.CandidateCount() == 1 && itsPlyCount > 0);
    }
    itsHighlightMove = itsLineMoves[std::size_t(itsPlyCount + 1)];
    LoadCurrentPosition();
    RefreshPosition();
    DrawBoard();
}

void TBookWindow::BackToStart() {
    if (itsPlyCount == 0) {
        UserInterface().Beep();
        return;
    }
    SaveCurrentRecord();
    if (Settings().BacksolveAlwaysSolve()) {
        // Each position on the way is loaded and saved, so its backsolved values follow.
        TViewWait wait(View());
        while (itsPlyCount > 0) {
            StepBackTo(itsPlyCount - 1);
            LoadCurrentPosition();
            itsRecordDirty = true;
            SaveCurrentRecord();
        }
    }
    itsHighlightMove = itsLineMoves[1];
    StepBackTo(0);
    LoadCurrentPosition();
    RefreshPosition();
    DrawBoard();
}

void TBookWindow::NextBranch() {
    if (itsCurrentRecord.CandidateCount() == 0) {
        Tell("There are no candidates.  This button goes to the next branch.");
        return;
    }
    {
        TViewWait wait(View());
        if (itsHighlighted < 0) {
            UserInterface().Beep();
            return;
        }
        PlayHighlighted(false);
        auto seenBefore = [this] {
            for (int ply = 1; ply < itsPlyCount; ++ply)
                if (itsLineBoards[std::size_t(ply)] == itsParser.CurrentPosition()) return true;
            return false;
        };
        while (itsCurrentRecord.CandidateCount() == 1 && itsPlyCount < kMaxPlies && !seenBefore()) {
            itsHighlighted = 0;
            PlayHighlighted(false);
        }
    }
    RefreshPosition();
    DrawBoard();
}

// ---- The multiple take-back menu

std::vector<std::string> TBookWindow::TakeBackMenu() const {
    std::vector<std::string> items;
    for (int i = 0; i < itsCurrentRecord.TakeBackCount(); ++i)
        items.push_back(TakeBackCaption(itsCurrentRecord.TakeBack(i), itsParser.PieceLetters()));
    return items;
}

void TBookWindow::ChooseTakeBack(int index) {
    if (index < 0 || index >= itsCurrentRecord.TakeBackCount()) return;
    const TTakeBack entry = itsCurrentRecord.TakeBack(index);
    if (itsPlyCount > 0 && entry == itsLineTakeBacks[std::size_t(itsPlyCount)]) {
        BackOnePly();
        return;
    }
    const TPackedPosition before = PositionBeforeMove(itsParser.CurrentPosition(), entry);
    SaveCurrentRecord();
    SetLineStart(before);
}

} // namespace marvek
