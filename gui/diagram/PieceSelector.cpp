// The piece palette: twelve cells, the selected one in red.
#include "diagram/PieceSelector.h"

#include <QMouseEvent>
#include <QPainter>

#include "diagram/PieceArtwork.h"
#include "diagram/SetupPosition.h"

namespace marvek::gui {

TPieceSelector::TPieceSelector(QWidget* parent) : QWidget(parent) {
    setFixedSize(TSetupPosition::kPaletteWidth, TSetupPosition::kPaletteHeight);
}

QRect TPieceSelector::CellOf(int piece) {
    constexpr int kCell = TSetupPosition::kSquarePixels;
    const int index = piece - 1;
    return QRect((index % TSetupPosition::kPaletteColumns) * kCell,
                 (index / TSetupPosition::kPaletteColumns) * kCell, kCell, kCell);
}

void TPieceSelector::SetSelectedPiece(int piece) {
    if (piece < 1 || piece > 12 || piece == itsSelected) return;
    itsSelected = piece;
    update();
}

void TPieceSelector::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    for (int piece = 1; piece <= 12; ++piece) {
        const QRect cell = CellOf(piece);
        if (piece == itsSelected) painter.fillRect(cell, Qt::red);
        painter.drawPixmap(cell.topLeft(),
                           PiecePixmap(piece, TSetupPosition::kSquarePixels, devicePixelRatioF()));
    }
    // A thin frame sets the palette off from the dialog around it.
    painter.setPen(palette().mid().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TPieceSelector::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    emit Pressed(point.x(), point.y());
}

} // namespace marvek::gui
