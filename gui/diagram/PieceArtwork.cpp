// The pieces drawn from our own SVG set compiled into the program; the DejaVu figurines stand in
// only if a picture cannot be read, so a board never shows empty squares where pieces stand.
#include "diagram/PieceArtwork.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QSvgRenderer>

// Q_INIT_RESOURCE declares its function where it stands, so it has to stand outside our namespace.
static void InitPieceResourcesGlobal() {
    Q_INIT_RESOURCE(pieces);
}

namespace marvek::gui {

namespace {

// The picture files in piece-code order, white pawn first.
constexpr const char* kPieceFiles[12] = {"wp", "wn", "wb", "wr", "wq", "wk",
                                         "bp", "bn", "bb", "br", "bq", "bk"};

// One renderer per piece, read once: parsing the SVG is the slow part of a new size.
QSvgRenderer* PieceRenderer(int pieceCode) {
    static QSvgRenderer* renderers[12] = {};
    static bool loaded = false;
    if (!loaded) {
        InitPieceResourcesGlobal();
        for (int i = 0; i < 12; ++i)
            renderers[i] =
                new QSvgRenderer(QStringLiteral(":/pieces/%1.svg").arg(QLatin1String(kPieceFiles[i])));
        loaded = true;
    }
    QSvgRenderer* renderer = renderers[pieceCode - 1];
    return renderer->isValid() ? renderer : nullptr;
}

// The solid figurine filled in the piece's colour with an outline in the other.
void DrawFigurine(QPainter& painter, int pieceCode, int size) {
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
}

} // namespace

QPixmap PiecePixmap(int pieceCode, int size, qreal devicePixelRatio) {
    if (pieceCode < 1 || pieceCode > 12 || size <= 0 || devicePixelRatio <= 0) return QPixmap();
    // Qt's pixmap cache bounds what we keep: a board fitted to its window passes through many
    // sizes while the user drags the window's edge, and only the latest ones are worth keeping.
    const QString key =
        QStringLiteral("marvek-piece/%1/%2/%3").arg(pieceCode).arg(size).arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) return cached;

    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (QSvgRenderer* renderer = PieceRenderer(pieceCode))
        renderer->render(&painter, QRectF(0, 0, size, size));
    else
        DrawFigurine(painter, pieceCode, size);
    painter.end();
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace marvek::gui
