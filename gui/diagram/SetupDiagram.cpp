// The set-up board: squares and pieces, and presses handed on.
#include "diagram/SetupDiagram.h"

#include <QMouseEvent>
#include <QPainter>

#include "diagram/PieceArtwork.h"
#include "diagram/SetupPosition.h"

namespace marvek::gui {

TSetupDiagram::TSetupDiagram(QWidget* parent) : QWidget(parent) {
    setFixedSize(TSetupPosition::kBoardPixels, TSetupPosition::kBoardPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSetupDiagram::SetPosition(const TPackedPosition& position) {
    itsPosition = position;
    update();
}

void TSetupDiagram::SetColours(const QColor& light, const QColor& dark) {
    itsLight = light;
    itsDark = dark;
    update();
}

void TSetupDiagram::paintEvent(QPaintEvent*) {
    constexpr int kCell = TSetupPosition::kSquarePixels;
    QPainter painter(this);
    for (int rank = kFirstRank; rank <= kEighthRank; ++rank) {
        for (int file = kFileA; file <= kFileH; ++file) {
            const TSquare square = MakeSquare(file, rank);
            const QRect cell(TSetupPosition::SquareLeft(square), TSetupPosition::SquareTop(square), kCell,
                             kCell);
            // a1 is dark: a square is light when rank + file is odd.
            painter.fillRect(cell, (rank + file) % 2 == 1 ? itsLight : itsDark);
            const int piece = itsPosition.Piece(square);
            if (piece != kEmpty)
                painter.drawPixmap(cell.topLeft(), PiecePixmap(piece, kCell, devicePixelRatioF()));
        }
    }
}

void TSetupDiagram::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    emit Pressed(point.x(), point.y());
}

} // namespace marvek::gui
