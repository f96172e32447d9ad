// The 2D board's pixel layout and its inverse.
#include "diagram/DiagramGeometry.h"

#include <algorithm>

#include "platform/Errors.h"

namespace marvek {

bool IsSquareMargin(int margin) {
    return std::find(kSquareMargins.begin(), kSquareMargins.end(), margin) != kSquareMargins.end();
}

TDiagramGeometry::TDiagramGeometry(int boardSize, int squareMargin, bool hints, bool frame,
                                   bool whiteAtBottom)
    : itsPieceSize(0), itsSquareMargin(squareMargin), itsHints(hints), itsFrame(frame),
      itsWhiteAtBottom(whiteAtBottom) {
    MARVEK_ASSERT(boardSize >= kSmallBoard && boardSize <= kHugeBoard);
    MARVEK_ASSERT(IsSquareMargin(squareMargin));
    itsPieceSize = kPieceImageSizes[boardSize];
}

TDiagramGeometry TDiagramGeometry::WithPieceSize(int pieceSize, int squareMargin, bool hints, bool frame,
                                                 bool whiteAtBottom) {
    MARVEK_ASSERT(pieceSize >= kMinimumFreePieceSize);
    TDiagramGeometry geometry(kSmallBoard, squareMargin, hints, frame, whiteAtBottom);
    geometry.itsPieceSize = pieceSize;
    return geometry;
}

int FittingPieceSize(int width, int height, int squareMargin, bool hints, bool frame) {
    const int around = (hints ? kHintMargin : 0) + (frame ? 2 * kFrameWidth : 0);
    const int cell = (std::min(width, height) - around) / 8;
    return std::max(cell - squareMargin, kMinimumFreePieceSize);
}

TRect TDiagramGeometry::BoardRect() const {
    return {HintMargin() + FrameWidth(), FrameWidth(), 8 * CellSize(), 8 * CellSize()};
}

TRect TDiagramGeometry::CellRect(TSquare square) const {
    MARVEK_ASSERT(!IsOffBoard(square));
    const TSquare shown = itsWhiteAtBottom ? square : 77 - square;
    const TRect board = BoardRect();
    const int c = CellSize();
    return {board.itsLeft + FileOf(shown) * c, board.itsTop + (7 - RankOf(shown)) * c, c, c};
}

TPoint TDiagramGeometry::PiecePoint(TSquare square) const {
    const TRect cell = CellRect(square);
    return {cell.itsLeft + PieceOffset(), cell.itsTop + PieceOffset()};
}

TPoint TDiagramGeometry::ClampToBoard(TPoint point) const {
    const TRect board = BoardRect();
    return {std::clamp(point.itsX, board.itsLeft, board.Right() - 1),
            std::clamp(point.itsY, board.itsTop, board.Bottom() - 1)};
}

TSquare TDiagramGeometry::SquareAt(TPoint point) const {
    const TPoint p = ClampToBoard(point);
    const TRect board = BoardRect();
    const int file = (p.itsX - board.itsLeft) / CellSize();
    const int rank = 7 - (p.itsY - board.itsTop) / CellSize();
    const TSquare shown = MakeSquare(file, rank);
    return itsWhiteAtBottom ? shown : 77 - shown;
}

TPoint TDiagramGeometry::DragImagePoint(TPoint mouse) const {
    const TRect board = BoardRect();
    const int s = PieceSize();
    return {std::clamp(mouse.itsX - s / 2, board.itsLeft, board.Right() - s),
            std::clamp(mouse.itsY - s / 2, board.itsTop, board.Bottom() - s)};
}

TPoint TDiagramGeometry::ImageCentre(TPoint imagePoint) const {
    return {imagePoint.itsX + PieceSize() / 2, imagePoint.itsY + PieceSize() / 2};
}

std::vector<TDiagramLabel> TDiagramGeometry::Labels() const {
    std::vector<TDiagramLabel> labels;
    if (!itsHints) return labels;
    const TRect board = BoardRect();
    const int c = CellSize();
    for (int row = 0; row < 8; ++row) {
        const int rank = itsWhiteAtBottom ? 7 - row : row;
        labels.push_back(
            {char('1' + rank), {kRankDigitX, board.itsTop + row * c, HintMargin() - kRankDigitX, c}});
    }
    for (int column = 0; column < 8; ++column) {
        const int file = itsWhiteAtBottom ? column : 7 - column;
        labels.push_back({char('a' + file), {board.itsLeft + column * c, board.Bottom(), c, HintMargin()}});
    }
    return labels;
}

} // namespace marvek
