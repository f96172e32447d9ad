#pragma once

#include <QPixmap>

// The pictures of the twelve chess pieces at any size: what every board, the piece palette and the
// promotion dialog draw. Piece codes as the position keeps them: 1-6 white pawn, knight, bishop,
// rook, queen, king; 7-12 the same in black.

namespace marvek::gui {

// The piece on a transparent square of size x size device-independent pixels, drawn sharp for
// the given device pixel ratio (the pixmap carries that ratio). An empty pixmap for code 0 or a
// code outside 1-12. Pictures are kept once made.
QPixmap PiecePixmap(int pieceCode, int size, qreal devicePixelRatio = 1.0);

} // namespace marvek::gui
