// The piece pictures: every piece at the asked size and pixel ratio, in its own colour, nothing for
// codes that are no piece, and a board of them all for a person to look at.
#include "diagram/PieceArtwork.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <gtest/gtest.h>

#include "gui/Screenshot.h"

namespace marvek::gui {
namespace {

TEST(PieceArtworkTest, EveryPieceFillsItsSquareInItsOwnColour) {
    const struct {
        int itsSize;
        qreal itsRatio;
    } cases[] = {{24, 1.0}, {48, 1.0}, {60, 2.0}, {120, 1.0}};
    for (const auto& c : cases) {
        for (int code = 1; code <= 12; ++code) {
            SCOPED_TRACE(testing::Message()
                         << "piece " << code << ", size " << c.itsSize << ", ratio " << c.itsRatio);
            const QPixmap pixmap = PiecePixmap(code, c.itsSize, c.itsRatio);
            ASSERT_FALSE(pixmap.isNull());
            EXPECT_EQ(pixmap.devicePixelRatio(), c.itsRatio);
            EXPECT_EQ(pixmap.size(), QSize(c.itsSize, c.itsSize) * c.itsRatio);
            EXPECT_EQ(pixmap.deviceIndependentSize(), QSizeF(c.itsSize, c.itsSize));

            const QImage image = pixmap.toImage();
            const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
            EXPECT_EQ(centre.alpha(), 255);
            if (code <= 6)
                EXPECT_GT(centre.lightness(), 200);
            else
                EXPECT_LT(centre.lightness(), 60);
            // The corners stay clear so the square's colour shows around the piece.
            EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
            EXPECT_EQ(image.pixelColor(image.width() - 1, 0).alpha(), 0);
        }
    }
}

TEST(PieceArtworkTest, NoPictureForWhatIsNoPiece) {
    for (int code : {0, 13, -1, 24}) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(PiecePixmap(code, 48).isNull());
    }
    EXPECT_TRUE(PiecePixmap(1, 0).isNull());
}

TEST(PieceArtworkTest, PiecesDifferFromEachOther) {
    // A picture that failed to load would fall back or repeat; each piece must be its own.
    for (int a = 1; a <= 12; ++a)
        for (int b = a + 1; b <= 12; ++b)
            EXPECT_NE(PiecePixmap(a, 38).toImage(), PiecePixmap(b, 38).toImage()) << a << " vs " << b;
}

// Every piece on light and dark squares at the board sizes and a large one.
TEST(PieceArtworkTest, BoardOfAllPieces) {
    const int sizes[] = {24, 38, 48, 60, 120};
    int width = 0, height = 0;
    for (int size : sizes) {
        width = std::max(width, 12 * size);
        height += 2 * size;
    }
    QImage board(width, height, QImage::Format_ARGB32);
    board.fill(Qt::white);
    QPainter painter(&board);
    int y = 0;
    for (int size : sizes) {
        for (int row = 0; row < 2; ++row, y += size)
            for (int code = 1; code <= 12; ++code) {
                const QRect square((code - 1) * size, y, size, size);
                painter.fillRect(square, (code + row) % 2 ? QColor(0, 128, 0) : QColor(255, 255, 128));
                painter.drawPixmap(square.topLeft(), PiecePixmap(code, size));
            }
    }
    painter.end();
    QLabel label;
    label.setPixmap(QPixmap::fromImage(board));
    // Wider than a window would be made by default; the whole board is the point.
    label.setFixedSize(board.size());
    testsupport::SaveScreenshot(label, "pieces");
}

} // namespace
} // namespace marvek::gui
