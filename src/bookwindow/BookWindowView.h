// TBookWindowView: what the book window's controller asks its window to show, and the small links
// to the engine windows and the game window that the book window's commands consult.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chess/ChessPosition.h"
#include "chess/Square.h"
#include "diagram/DiagramMarks.h"

namespace marvek {

// One row of the past-moves grid: White's cell and Black's cell.
using TGridRow = std::array<std::string, 2>;

// Every call has a do-nothing default, so a view overrides only what it shows.
class TBookWindowView {
public:
    virtual ~TBookWindowView() = default;

    // Candidate list: the display texts, one line each, and the highlighted line (-1 none).
    virtual void ShowCandidates(const std::vector<std::string>& /*texts*/) {}
    virtual void HighlightCandidate(int /*index*/) {}

    // Past-moves grid: the rows, the selected cell (row -1 none) and the row scrolled to the top.
    virtual void ShowGrid(const std::vector<TGridRow>& /*rows*/, int /*row*/, int /*column*/,
                          int /*topRow*/) {}

    // Labels and panes beside the list.
    virtual void ShowTransposition(bool /*on*/) {}
    virtual void ShowSideToMove(char /*letter*/) {}
    // The own-rate box's item 0..9, the backsolved rate's font character, the numeric assessment's
    // text and the certainty 0..3.
    virtual void ShowRates(int /*ownRateItem*/, char /*backsolved*/, const std::string& /*assessment*/,
                           int /*certainty*/) {}
    virtual void ShowOpeningCode(const std::string& /*code*/) {}
    virtual void ShowPositionName(const std::string& /*name*/) {}
    virtual void ClearTrainingLabels() {}
    virtual void ClearMoveEntry() {}

    // Diagram: the whole board with its marks; only the marks; some squares after a board move;
    // a piece sliding for the move code; the dragged piece put back on its square.
    virtual void DrawDiagram(const TPackedPosition& /*position*/, const TSquareMarks& /*marks*/) {}
    virtual void ShowDiagramMarks(const TSquareMarks& /*marks*/) {}
    virtual void UpdateDiagramSquares(const TPackedPosition& /*position*/,
                                      const std::vector<TSquare>& /*squares*/) {}
    virtual void SlideDiagramPiece(std::uint32_t /*moveCode*/) {}
    virtual void PutDiagramPieceBack() {}

    // The comment editor gets a paragraph at its very start (engine analysis); the clipboard a text.
    virtual void InsertCommentParagraph(const std::string& /*text*/) {}
    virtual void CopyToClipboard(const std::string& /*text*/) {}

    // The preferences changed: fonts, letters, figurines and board colours may be new.
    virtual void PreferencesChanged() {}

    // The main frame's 400 ms delayed-refresh timer; the hourglass.
    virtual void StartDelayedRefresh() {}
    virtual void StopDelayedRefresh() {}
    virtual void SetWaitCursor(bool /*busy*/) {}
};

// The hourglass on the window's view for the life of the object.
class TViewWait {
public:
    explicit TViewWait(TBookWindowView& view) : itsView(view) { itsView.SetWaitCursor(true); }
    ~TViewWait() { itsView.SetWaitCursor(false); }
    TViewWait(const TViewWait&) = delete;
    TViewWait& operator=(const TViewWait&) = delete;

private:
    TBookWindowView& itsView;
};

// What a running engine window offers the book window.
struct TEngineAnalysis {
    int itsScore = 0; // centipawns; 10000 and above is no usable score
    std::string itsLine;
    std::string itsNickname;
    bool itsAppendNodeCount = false;
    std::int64_t itsNodes = 0;
};

class TBookEngineLink {
public:
    virtual ~TBookEngineLink() = default;
    virtual bool AnyRunning() = 0;
    // The running engines' best moves and analyses, the Winboard engine's first.
    virtual std::vector<std::string> BestMoves() = 0;
    virtual std::vector<TEngineAnalysis> Analyses() = 0;
    // The principal variation to play (the UCI engine's when both run).
    virtual std::string BestLine() = 0;
    // fen: board, side, castling and en-passant fields, so the engine sees every right the book has.
    virtual void SendPosition(const std::string& fen, int plyCount, bool whiteToMove) = 0;
};

// The game loaded in the game window, for the "In Game" indicator.
class TBookGameLink {
public:
    virtual ~TBookGameLink() = default;
    // Whether the game has this move at this ply (1 is the game's first ply).
    virtual bool GameHasMove(int ply, const TPackedMove& move) = 0;
};

} // namespace marvek
