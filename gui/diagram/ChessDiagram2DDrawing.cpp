// The 2D board's picture: squares, pieces, marks, hints and frame; and the picture saved to a file.
#include <algorithm>

#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include "diagram/ChessDiagram2D.h"
#include "diagram/PieceArtwork.h"

namespace marvek::gui {

namespace {

const QColor kMarkColour(255, 0, 0);
const QColor kFrameLight(255, 255, 255);
const QColor kFrameShadow(128, 128, 128);
constexpr int kMarkPenWidth = 3;

QColor ToQColor(TDiagramColour colour) {
    return QColor::fromRgb(QRgb(0xFF000000u | colour));
}

QRect ToQRect(const TRect& rect) {
    return {rect.itsLeft, rect.itsTop, rect.itsWidth, rect.itsHeight};
}

} // namespace

void TChessDiagram2D::DrawAll() {
    const qreal ratio = devicePixelRatioF();
    const QSize size = QSize(itsGeometry.ControlSize(), itsGeometry.ControlSize()) * ratio;
    if (itsPicture.size() != size || !qFuzzyCompare(itsPicture.devicePixelRatio(), ratio)) {
        itsPicture = QPixmap(size);
        itsPicture.setDevicePixelRatio(ratio);
    }
    QPainter painter(&itsPicture);
    painter.fillRect(QRect(0, 0, itsGeometry.ControlSize(), itsGeometry.ControlSize()), palette().window());
    DrawHints(painter);
    DrawFrame(painter);
    for (int rank = kFirstRank; rank <= kEighthRank; ++rank)
        for (int file = kFileA; file <= kFileH; ++file) DrawSquare(painter, MakeSquare(file, rank));
    painter.end();
    update();
}

void TChessDiagram2D::DrawSquare(TSquare square) {
    QPainter painter(&itsPicture);
    DrawSquare(painter, square);
    painter.end();
    update(ToQRect(itsGeometry.CellRect(square)));
}

void TChessDiagram2D::DrawSquare(QPainter& painter, TSquare square) const {
    const QRect cell = ToQRect(itsGeometry.CellRect(square));
    painter.fillRect(cell,
                     ToQColor(IsLightSquare(square) ? itsDiagram.LightColour() : itsDiagram.DarkColour()));
    const int piece = itsDiagram.PieceShownOn(square);
    if (piece != kEmpty) {
        const int offset = itsGeometry.PieceOffset();
        painter.drawPixmap(cell.topLeft() + QPoint(offset, offset),
                           PiecePixmap(piece, itsGeometry.PieceSize(), itsPicture.devicePixelRatio()));
    }
    const int mark = itsDiagram.MarkOn(square);
    if (mark == kNoMark) return;
    // The mark covers the middle third of the cell.
    const qreal third = cell.width() / 3.0;
    const QRectF middle(cell.left() + third, cell.top() + third, third, third);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (mark == kDotMark) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kMarkColour);
        painter.drawEllipse(middle);
    } else {
        painter.setPen(QPen(kMarkColour, kMarkPenWidth, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(middle.topLeft(), middle.bottomRight());
        painter.drawLine(middle.topRight(), middle.bottomLeft());
    }
    painter.restore();
}

void TChessDiagram2D::DrawHints(QPainter& painter) const {
    const std::vector<TDiagramLabel> labels = itsGeometry.Labels();
    if (labels.empty()) return;
    QFont font = this->font();
    // A little larger beside larger squares, but always inside the 20 pixels of the hint margin.
    font.setPixelSize(std::clamp(itsGeometry.CellSize() / 4, 11, 14));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::WindowText));
    for (const TDiagramLabel& label : labels) {
        const bool digit = label.itsText >= '1' && label.itsText <= '8';
        painter.drawText(ToQRect(label.itsBox), Qt::AlignVCenter | (digit ? Qt::AlignLeft : Qt::AlignHCenter),
                         QString(QLatin1Char(label.itsText)));
    }
}

void TChessDiagram2D::DrawFrame(QPainter& painter) const {
    const int width = itsGeometry.FrameWidth();
    if (width == 0) return;
    // A raised bevel: light along the top and left, shadow along the bottom and right, meeting on
    // the diagonals of the two other corners.
    const QRect board = ToQRect(itsGeometry.BoardRect());
    const QRect outer = board.adjusted(-width, -width, width, width);
    const QPointF topLeft = outer.topLeft(), bottomRight = outer.bottomRight() + QPointF(1, 1);
    const QPointF topRight(bottomRight.x(), topLeft.y()), bottomLeft(topLeft.x(), bottomRight.y());
    const QPointF innerTopLeft = board.topLeft(), innerBottomRight = board.bottomRight() + QPointF(1, 1);
    const QPointF innerTopRight(innerBottomRight.x(), innerTopLeft.y());
    const QPointF innerBottomLeft(innerTopLeft.x(), innerBottomRight.y());
    QPainterPath light;
    light.addPolygon(QPolygonF{topLeft, topRight, innerTopRight, innerTopLeft, innerBottomLeft, bottomLeft});
    QPainterPath shadow;
    shadow.addPolygon(
        QPolygonF{bottomRight, bottomLeft, innerBottomLeft, innerBottomRight, innerTopRight, topRight});
    painter.fillPath(light, kFrameLight);
    painter.fillPath(shadow, kFrameShadow);
}

bool TChessDiagram2D::SaveAsBitmap(const QString& path, QString* error) const {
    const bool png = path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
    QImageWriter writer(path, png ? "png" : "bmp");
    if (writer.write(itsPicture.toImage().convertToFormat(QImage::Format_RGB32))) return true;
    if (error)
        *error = QStringLiteral("The board could not be saved to %1: %2.").arg(path, writer.errorString());
    return false;
}

} // namespace marvek::gui
