// TBookWindow: the controller of one book window, its line, candidates, comments and marks.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "book/PositionRecord.h"
#include "bookwindow/BookWindowDialogs.h"
#include "bookwindow/BookWindowView.h"
#include "chess/ChessParser.h"
#include "storage/Isam.h"

// One open book as its window holds it: the book and its training counts, the line of moves played
// from the line's start, the current position's record and its candidates, comments and marks.
// Its view shows what it says; the frame's timers call its ticks.
//
// Where it lives: the book, the saved line and the current record in BookWindow.cpp; the line and
// the moves along it in BookWindowLine.cpp and BookWindowMoves.cpp; candidate texts, sorting and
// candidate edits in BookWindowCandidates.cpp; comments and marks in BookWindowComments.cpp; names,
// jumps, mirroring and set-up in BookWindowNames.cpp; the book file commands in BookWindowFile.cpp.

namespace marvek {

class TBook2;
class TBookTrainingDatabase;
class TCommentBuffer;
class TRichTextBuffer;

// What a candidate's target position says, read each time the position is loaded.
struct TCandidateTarget {
    int itsRate = kRateNone;
    int itsCount = 0;
    int itsAssessment = kNoAssessment;
    std::int32_t itsTraining = 0;
    RecRef itsReference = -1;
};

class TBookWindow {
public:
    static constexpr int kMaxPlies = 500;
    static constexpr std::size_t kMaxOpeningCodePane = 9;
    // HighlightMove's from-square when nothing is to be highlighted.
    static constexpr std::uint8_t kNoHighlight = 255;
    // Sort Candidates: preference values.
    enum { kSortNone = 0, kSortByRate = 1, kSortByAssessment = 2 };

    TBookWindow();
    // Closes the book (and its training counts) when it is still open.
    ~TBookWindow();
    TBookWindow(const TBookWindow&) = delete;
    TBookWindow& operator=(const TBookWindow&) = delete;

    // ---- Collaborators (none needed: a window without them shows nothing and keeps its own comment).
    // Each must outlive the window or be taken away again with nullptr.
    void SetView(TBookWindowView* view);
    void SetCommentBuffer(TCommentBuffer* comment);
    void SetEngineLink(TBookEngineLink* engines) { itsEngines = engines; }
    void SetGameLink(TBookGameLink* game) { itsGame = game; }
    void SetDialogs(TBookWindowDialogs* dialogs) { itsDialogs = dialogs; }
    TBookWindowDialogs* Dialogs() const { return itsDialogs; }

    // ---- The book
    // Opens the book at path (folder and name, no extension, no '.') into this window. A new book
    // replaces any book of that name: its saved line is deleted and its book and training files
    // are created empty. The training counts are opened unless the book is read-only. rebuild asks
    // the book to rebuild its names and position files first. The saved line is then walked again
    // and, for a new book, the start position written. Raises EDatabaseProblem when the book
    // cannot be created or opened; the window then holds no book.
    void OpenBook(const std::string& path, bool isNew, bool safety, bool readOnly, bool rebuild = false);
    // Saves the current record and the line (unless read-only) and closes the book; nothing
    // happens when none is open.
    void CloseBook();

    // What the main frame's timers and commands call on the active book window.
    void Refresh() { Activate(); }
    void DelayedRefresh();
    void TrainingStep() {}
    void ApplyPreferences();
    // The window became the active one / lost that.
    void Activate();
    void Deactivate();

    bool BookOpen() const;
    // The path the book was opened with (no extension).
    const std::string& BookName() const { return itsBookName; }
    // The file-name part of the path: the window's caption.
    std::string Caption() const { return CaptionFor(itsBookName); }
    // The caption of a window for the book at path, known before the book is open.
    static std::string CaptionFor(const std::string& path);
    bool ReadOnly() const;
    // Positions in the book; 0 when no book is open.
    int32_t PositionCount();
    TBook2& Book() { return *itsBook; }

    // ---- The current position
    void LoadCurrentPosition();
    void RefreshPosition();
    void DrawBoard();
    void SaveCurrentRecord();
    const TPositionRecord& CurrentRecord() const { return itsCurrentRecord; }
    const TPackedPosition& CurrentPosition() const { return itsParser.CurrentPosition(); }
    bool RecordDirty() const { return itsRecordDirty; }
    void SetRecordDirty() { itsRecordDirty = true; }
    bool TrainingActive() const { return itsTrainingActive; }
    void SetTrainingActive(bool on) { itsTrainingActive = on; }
    const std::string& JumpName() const { return itsJumpName; }
    void SetJumpName(const std::string& name) { itsJumpName = name.substr(0, 40); }

    // ---- The line
    int PlyCount() const { return itsPlyCount; }
    const TPackedPosition& LineBoard(int ply) const { return itsLineBoards[std::size_t(ply)]; }
    const TPackedMove& LineMove(int ply) const { return itsLineMoves[std::size_t(ply)]; }
    const std::string& LineMoveText(int ply) const { return itsLineMoveTexts[std::size_t(ply)]; }
    const TTakeBack& LineTakeBack(int ply) const { return itsLineTakeBacks[std::size_t(ply)]; }
    const TPackedMove& HighlightMove() const { return itsHighlightMove; }
    // The saved-line files of a book path.
    static std::string LineMovesFile(const std::string& path) { return path + ".2B1"; }
    static std::string LineStartFile(const std::string& path) { return path + ".2B2"; }
    // Walks the saved line of the book again (also after a clipboard import wrote its files).
    void RestoreLine();
    void SaveLine();

    void SetLineStart(const TPackedPosition& board);
    // Pushes one ply; false (with the message shown) when the line is full or the text is no move.
    bool PlayMove(const std::string& text, const TPackedMove& code, bool animate);
    // Go menu, buttons and keys.
    void GoToStartingPosition();
    void ForwardOnePly();
    void BackOnePly();
    void BackToLastBranch();
    void BackToStart();
    void NextBranch();
    // Enter in the move-entry pane; a move the diagram reports (from, to and promotion).
    void EnterTypedMove(const std::string& paneText);
    void BoardMove(const TPackedMove& move);
    // The engine buttons of the main frame.
    void PlayEnginesMove();
    void PlayBestLine();

    // Past-moves grid: its rows, the cell of the last ply, and a click on a cell.
    std::vector<TGridRow> GridRows() const;
    void GridCellOfPly(int ply, int& row, int& column) const;
    void GridClicked(int row, int column);
    // The multiple take-back menu: one caption per take-back entry of the current record.
    std::vector<std::string> TakeBackMenu() const;
    void ChooseTakeBack(int index);

    // ---- Candidates
    int HighlightedCandidate() const { return itsHighlighted; }
    // The user highlighted a line of the list (press), or clicked one (release inside the list).
    void SetHighlightedCandidate(int index);
    void CandidateClicked(int index);
    const TCandidateTarget& CandidateTarget(int index) const { return itsTargets[std::size_t(index)]; }
    // The display texts of the candidates, in list order.
    std::vector<std::string> CandidateTexts() const;
    // Appends a candidate (30 at most); false when it was refused.
    bool AddCandidate(const TPackedMove& code, const std::string& text);
    void DeleteCandidate();
    void MoveCandidateUp();
    void MoveCandidateDown();
    // Colour marks: 0 green, 1 yellow, 2 red.
    void ToggleCandidateMark(int colour);
    // Evaluation symbol 1 (none) .. 7 ("??").
    void SetEvaluationSymbol(int symbol);
    void SetOwnRate(int item);
    void ClearBacksolvedRate();
    void SetCertainty(int certainty);
    // A change of the opening-code pane's text; the pane keeps 9 characters.
    void EditOpeningCode(const std::string& text);
    const std::string& OpeningCodePane() const { return itsOpeningCodePane; }
    void GrabEngineAnalysis();
    void CopyEngineAnalysis();
    // Whether the Candidate menu's first five items and the seven symbol items are enabled.
    bool CandidateItemsEnabled() const { return itsCurrentRecord.CandidateCount() > 0; }
    bool SymbolItemsEnabled() const { return CandidateItemsEnabled() || itsPlyCount > 0; }
    // The better of two rates under the rule for the side to move (a the current choice).
    static int BetterRate(int a, int b, bool whiteToMove, bool favorUnclear);
    // The numeric assessment as the assessment pane shows it.
    static std::string AssessmentText(int assessment);

    // ---- Comments and marks
    TCommentBuffer& Comment() { return *itsComment; }
    // The comment window lost the focus.
    void CommentFocusLost();
    // The diagram's mark notification: 0 remove the square's marks, 1 all, 2 dot, 3 cross.
    void DiagramMarkAction(int action, TSquare square);
    // The marks the mark list draws, in list order.
    static TSquareMarks MarksOf(const std::vector<std::string>& script);

    // ---- Names, jumps, mirroring and set-up (Commands menu; BookWindowNames.cpp)
    void NameThisPosition();
    void JumpToPosition();
    void JumpToNext();
    void JumpToPrevious();
    void JumpToName();
    void MirrorPositionSideToMove();
    // The board's three mirror notifications (kMirrorLeftToRight, ...).
    void DiagramMirrorRequest(int notification);
    void SetupPosition();

    // ---- The book as a whole (File and Help menus; BookWindowFile.cpp)
    void RenameBook();
    void DeleteBook();
    TBookStatistics Statistics();
    void AboutThisBook();
    void ToggleWhiteAtBottom();

private:
    // BookWindowNames.cpp
    TBookWindowDialogs& UsedDialogs();
    void PrepareJumpName();
    void JumpToNeighbour(bool next);
    // Starts a new line at the named position; false (with the message shown) when it has none.
    bool StartLineAtName(const std::string& name);
    // BookWindow.cpp
    static void Tell(const std::string& text);
    void PresetRecord(const TPackedPosition& board);
    void ShowRates();
    void ShowGrid();
    // BookWindowCandidates.cpp
    void BuildCandidateText(int index);
    void BuildAllCandidateTexts();
    void SortCandidates();
    void SwapCandidates(int i, int j);
    bool CandidateBetter(int i, int j, int sort, bool whiteToMove, bool favorUnclear) const;
    void ShowCandidateList(int highlight);
    bool InGame(const TPackedMove& move);
    bool RequireHighlight() const;
    // BookWindowMoves.cpp
    void PlayHighlighted(bool animate);
    void PlayNewMove(const std::string& moveText, const TPackedMove& code, bool fromBoard);
    void RecordArrival();
    void StepBackTo(int ply);

    TBookWindowView& View();

    std::unique_ptr<TBook2> itsBook;
    std::unique_ptr<TBookTrainingDatabase> itsTraining;
    std::string itsBookName;

    TBookWindowView* itsView = nullptr;
    TCommentBuffer* itsComment = nullptr;
    std::unique_ptr<TRichTextBuffer> itsOwnComment;
    TBookEngineLink* itsEngines = nullptr;
    TBookGameLink* itsGame = nullptr;
    TBookWindowDialogs* itsDialogs = nullptr;

    TChessParser itsParser;
    TPositionRecord itsCurrentRecord;
    std::vector<TCandidateTarget> itsTargets;
    int itsHighlighted = -1;

    int itsPlyCount = 0;
    std::array<TPackedPosition, kMaxPlies + 1> itsLineBoards{};
    std::array<TPackedMove, kMaxPlies + 1> itsLineMoves{};
    std::array<std::string, kMaxPlies + 1> itsLineMoveTexts;
    std::array<TTakeBack, kMaxPlies + 1> itsLineTakeBacks{};
    std::array<std::array<TSquare, 2>, kMaxPlies + 1> itsLineSecondarySquares{};

    TPackedMove itsHighlightMove{kNoHighlight, 0, 0, kSymbolNone};
    std::string itsJumpName;
    std::string itsOpeningCodePane;
    bool itsOpeningCodeModified = false;
    bool itsRecordDirty = false;
    bool itsGridStale = false;
    bool itsOpeningCodeStale = false;
    bool itsTrainingActive = false;
};

} // namespace marvek
