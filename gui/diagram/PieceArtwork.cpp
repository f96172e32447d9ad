// The pieces drawn from the chess figurines of DejaVu Sans: solid glyphs filled in the piece's
// colour with an outline in the other, so both colours read on light and dark squares.
#include "diagram/PieceArtwork.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace marvek::gui {

QPixmap PiecePixmap(int pieceCode, int size, qreal devicePixelRatio) {
    if (pieceCode < 1 || pieceCode > 12 || size <= 0) return QPixmap();
    static QHash<QString, QPixmap> made;
    const QString key = QStringLiteral("%1/%2/%3").arg(pieceCode).arg(size).arg(devicePixelRatio);
    if (auto it = made.constFind(key); it != made.constEnd()) return *it;

    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool white = pieceCode <= 6;
    // U+265F..U+265A are the solid pawn..king.
    static const char16_t kSolid[6] = {0x265F, 0x265E, 0x265D, 0x265C, 0x265B, 0x265A};
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(int(size * 0.86));
    QPainterPath path;
    path.addText(0, 0, font, QString(QChar(kSolid[(pieceCode - 1) % 6])));
    const QRectF bounds = path.boundingRect();
    path.translate(size / 2.0 - bounds.center().x(), size / 2.0 - bounds.center().y());
    painter.setPen(QPen(white ? Qt::black : QColor(235, 235, 235), qMax(1.0, size / 30.0)));
    painter.setBrush(white ? Qt::white : Qt::black);
    painter.drawPath(path);
    painter.end();
    made.insert(key, pixmap);
    return pixmap;
}

} // namespace marvek::gui
