// Where everything of the 2D board lies in pixels: cells, hints, frame, and points back to squares.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "chess/Square.h"

namespace marvek {

struct TPoint {
    int itsX = 0;
    int itsY = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    int itsLeft = 0;
    int itsTop = 0;
    int itsWidth = 0;
    int itsHeight = 0;
    bool operator==(const TRect&) const = default;

    int Right() const { return itsLeft + itsWidth; }
    int Bottom() const { return itsTop + itsHeight; }
    bool Contains(TPoint p) const {
        return p.itsX >= itsLeft && p.itsX < Right() && p.itsY >= itsTop && p.itsY < Bottom();
    }
};

// The piece pictures come in four sizes; the board size index picks one.
inline constexpr std::array<int, 4> kPieceImageSizes = {24, 38, 48, 60};
inline constexpr int kSmallBoard = 0;
inline constexpr int kHugeBoard = 3;
// A board fitted to its window may use any piece size from the smallest picture size up.
inline constexpr int kMinimumFreePieceSize = 24;
inline constexpr int kHintMargin = 20;
inline constexpr int kFrameWidth = 5;
// The digits sit this far from the control's left edge, inside the hint margin.
inline constexpr int kRankDigitX = 5;

// The square-margin preference (Small, Medium, Large) in pixels added around each piece picture.
inline constexpr std::array<int, 3> kSquareMargins = {0, 4, 8};
bool IsSquareMargin(int margin);

// A rank digit or file letter beside the board. Digits are drawn left-aligned in their box and
// centred in its height; letters centred in theirs.
struct TDiagramLabel {
    char itsText = ' ';
    TRect itsBox;
    bool operator==(const TDiagramLabel&) const = default;
};

// The look of a board: everything its geometry depends on. A value, so the widget may keep the one
// it last laid out by and compare.
class TDiagramGeometry {
public:
    // A size index outside 0..3 or a margin other than 0, 4, 8 is a program error.
    TDiagramGeometry(int boardSize, int squareMargin, bool hints, bool frame, bool whiteAtBottom);
    // A board whose pieces are pieceSize pixels, not one of the four fixed sizes; below
    // kMinimumFreePieceSize is a program error.
    static TDiagramGeometry WithPieceSize(int pieceSize, int squareMargin, bool hints, bool frame,
                                          bool whiteAtBottom);

    bool operator==(const TDiagramGeometry&) const = default;

    int PieceSize() const { return itsPieceSize; }
    int CellSize() const { return PieceSize() + itsSquareMargin; }
    int HintMargin() const { return itsHints ? kHintMargin : 0; }
    int FrameWidth() const { return itsFrame ? kFrameWidth : 0; }
    // The control is square: this is its width and its height.
    int ControlSize() const { return 8 * CellSize() + HintMargin() + 2 * FrameWidth(); }
    // The 8 x 8 cells, hints and frame excluded.
    TRect BoardRect() const;
    // The piece picture's distance from its cell's left and top edges.
    int PieceOffset() const { return (CellSize() - PieceSize()) / 2; }

    // The cell a square is drawn in; with Black at bottom square s sits where 77 - s would.
    TRect CellRect(TSquare square) const;
    // Where the piece picture of a square goes (its top-left corner).
    TPoint PiecePoint(TSquare square) const;
    // The point moved onto the board (right and bottom edges are the last pixels of the cells).
    TPoint ClampToBoard(TPoint point) const;
    // The square under a point, after clamping it to the board: a point off the board gives the
    // nearest edge square.
    TSquare SquareAt(TPoint point) const;
    // Where a dragged piece picture centred on the mouse goes (top-left), kept on the board.
    TPoint DragImagePoint(TPoint mouse) const;
    // The centre of a piece picture whose top-left corner is at point.
    TPoint ImageCentre(TPoint imagePoint) const;

    // The rank digits and file letters, or none without hints.
    std::vector<TDiagramLabel> Labels() const;

private:
    int itsPieceSize;
    int itsSquareMargin;
    bool itsHints;
    bool itsFrame;
    bool itsWhiteAtBottom;
};

// The largest piece size whose board fits into width x height pixels, but never below
// kMinimumFreePieceSize: a window too small for that shows part of the board.
int FittingPieceSize(int width, int height, int squareMargin, bool hints, bool frame);

// Light squares are those whose rank + file is odd (so a1 is dark).
constexpr bool IsLightSquare(TSquare square) {
    return (RankOf(square) + FileOf(square)) % 2 == 1;
}

} // namespace marvek
