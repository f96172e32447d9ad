// The 2D board on screen: its picture in both orientations, a mouse move, the context menu,
// promotion, slides, fitting to the window and the saved picture.
#include "diagram/ChessDiagram2D.h"

#include <QAction>
#include <QImageReader>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "diagram/PromotionPieceDialog.h"
#include "gui/Screenshot.h"
#include "support/ChessFixtures.h"
#include "support/ScratchFolder.h"

namespace marvek::gui {
namespace {

constexpr TSquare kE2 = 14, kE4 = 34, kD4 = 33, kD5 = 43, kE5 = 44, kE7 = 64, kE8 = 74, kG1 = 6, kF3 = 25;
constexpr TDiagramColour kLight = 0xEEEED2, kDark = 0x769656;

// A board whose context menu is answered by the caption in itsAnswer, remembering what it offered.
class TAnsweredDiagram : public TChessDiagram2D {
public:
    TAnsweredDiagram() {
        Diagram().SetLightColour(kLight);
        Diagram().SetDarkColour(kDark);
        SetPosition(StartPosition());
    }

    QString itsAnswer;
    QStringList itsOffered;
    QStringList itsChecked;

protected:
    QAction* ExecContextMenu(QMenu& menu, const QPoint&) override {
        itsOffered.clear();
        itsChecked.clear();
        QAction* answer = nullptr;
        for (QAction* action : menu.actions()) {
            itsOffered << (action->isSeparator() ? QStringLiteral("-") : action->text());
            if (action->isChecked()) itsChecked << action->text();
            if (action->text() == itsAnswer) answer = action;
        }
        return answer;
    }
};

QPoint Centre(const TChessDiagram2D& board, TSquare square) {
    const TRect cell = board.Diagram().Geometry().CellRect(square);
    return {cell.itsLeft + cell.itsWidth / 2, cell.itsTop + cell.itsHeight / 2};
}

QRgb ColourAt(TChessDiagram2D& board, QPoint point) {
    return board.grab().toImage().pixel(point) & 0xFFFFFF;
}

void Show(QWidget& widget) {
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
}

TEST(ChessDiagram2DTest, DrawsSquaresMarksFrameAndHintsFromTheSideAtTheBottom) {
    for (bool whiteAtBottom : {true, false}) {
        SCOPED_TRACE(whiteAtBottom ? "White at bottom" : "Black at bottom");
        TAnsweredDiagram board;
        board.Diagram().SetWhiteIsAtBottom(whiteAtBottom);
        board.Redraw();
        board.PutMarkOnSquare(kDotMark, kE5);
        board.PutMarkOnSquare(kCrossMark, kD5);
        const QImage picture = board.grab().toImage();
        EXPECT_EQ(picture.size(), QSize(8 * 38 + 30, 8 * 38 + 30));
        const auto at = [&](QPoint p) { return picture.pixel(p) & 0xFFFFFF; };
        EXPECT_EQ(at(Centre(board, kE4)), kLight);
        EXPECT_EQ(at(Centre(board, kD4)), kDark);
        EXPECT_EQ(at(Centre(board, kE5)), 0xFF0000u);
        EXPECT_EQ(at(Centre(board, kD5)), 0xFF0000u);
        // The cross leaves the corners of its third free; the dot is round.
        const TRect d5 = board.Diagram().Geometry().CellRect(kD5);
        EXPECT_EQ(at({d5.itsLeft + 19, d5.itsTop + 14}), kLight);
        // The square under the top-left corner is a8 or h1: a rook on a light square either way.
        EXPECT_EQ(at({25, 5}), kLight);
        // Bevel: light top and left, shadow bottom and right.
        EXPECT_EQ(at({22, 2}), 0xFFFFFFu);
        EXPECT_EQ(at({picture.width() - 3, picture.height() - 22}), 0x808080u);
        // The hints are drawn in the window's text colour next to the first rank.
        const TRect rankOne = board.Diagram().Geometry().CellRect(kG1);
        int inked = 0;
        for (int y = rankOne.itsTop; y < rankOne.Bottom(); ++y)
            for (int x = 0; x < 20; ++x)
                inked += at({x, y}) == (board.palette().windowText().color().rgb() & 0xFFFFFF);
        EXPECT_GT(inked, 10);
    }
}

TEST(ChessDiagram2DTest, DraggingAPieceMakesThePendingMoveAndOneMouseUp) {
    TAnsweredDiagram board;
    Show(board);
    QSignalSpy mouseUps(&board, &TChessDiagram2D::MouseUp);
    QTest::mousePress(&board, Qt::LeftButton, {}, Centre(board, kE2));
    QTest::mouseMove(&board, Centre(board, kE4));
    // The piece has left e2 and floats over e4.
    EXPECT_EQ(ColourAt(board, Centre(board, kE2)), kLight);
    EXPECT_NE(ColourAt(board, Centre(board, kE4)), kLight);
    QTest::mouseRelease(&board, Qt::LeftButton, {}, Centre(board, kE4));
    EXPECT_EQ(board.PendingMove(), (TPackedMove{kE2, kE4, 0, kSymbolNone}));
    ASSERT_EQ(mouseUps.count(), 1);
    EXPECT_EQ(mouseUps[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    // The board itself does not move the piece: the owner decides and sets the new position.
    EXPECT_NE(ColourAt(board, Centre(board, kE2)), kLight);
    EXPECT_EQ(ColourAt(board, Centre(board, kE4)), kLight);
}

TEST(ChessDiagram2DTest, EveryContextMenuItemDoesItsWorkAndNotifies) {
    struct TCase {
        const char* itsCaption;
        int itsNotification;
        int itsMarkOnE4; // a dot there before
    };
    const TCase cases[] = {
        {"Remove Mark", kDiagramMarksChanged, kNoMark},
        {"Remove All Marks", kDiagramMarksChanged, kNoMark},
        {"Draw Dot", kDiagramMarksChanged, kDotMark},
        {"Draw X", kDiagramMarksChanged, kCrossMark},
        {"Show Algebraic Hints", kDiagramSettingsChanged, kDotMark},
        {"White At Bottom", kDiagramSettingsChanged, kDotMark},
        {"Small Board", kDiagramSettingsChanged, kDotMark},
        {"Medium Board", kDiagramSettingsChanged, kDotMark},
        {"Large Board", kDiagramSettingsChanged, kDotMark},
        {"Huge Board", kDiagramSettingsChanged, kDotMark},
        {"Mirror Position Left To Right", kMirrorLeftToRight, kDotMark},
        {"Mirror Position Top To Bottom", kMirrorTopToBottom, kDotMark},
        {"Mirror Position Side To Move", kMirrorSideToMove, kDotMark},
        {TChessDiagram2D::kFitCaption, kDiagramSettingsChanged, kDotMark},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsCaption);
        TAnsweredDiagram board;
        Show(board);
        board.PutMarkOnSquare(kDotMark, kE4);
        board.itsAnswer = QString::fromLatin1(c.itsCaption);
        QSignalSpy notifications(&board, &TChessDiagram2D::Notification);
        QSignalSpy mouseUps(&board, &TChessDiagram2D::MouseUp);
        QTest::mousePress(&board, Qt::RightButton, {}, Centre(board, kE4));
        QTest::mouseRelease(&board, Qt::RightButton, {}, Centre(board, kE4));
        ASSERT_EQ(notifications.count(), 1);
        EXPECT_EQ(notifications[0][0].toInt(), c.itsNotification);
        EXPECT_EQ(mouseUps.count(), 1);
        EXPECT_EQ(board.Diagram().MarkOn(kE4), c.itsMarkOnE4);
        EXPECT_EQ(board.LastMenuAction().itsSquare, kE4);
        EXPECT_EQ(board.itsOffered.size(), 18);
        EXPECT_EQ(board.itsOffered.last(), TChessDiagram2D::kFitCaption);
        EXPECT_EQ(board.itsChecked, (QStringList{"Show Algebraic Hints", "White At Bottom", "Medium Board"}));
        EXPECT_EQ(board.FitToWindow(), c.itsCaption == TChessDiagram2D::kFitCaption);
        // The widget follows its board's size.
        if (!board.FitToWindow()) {
            EXPECT_EQ(board.width(), board.Diagram().Geometry().ControlSize());
        }
    }
}

TEST(ChessDiagram2DTest, FittedBoardFollowsTheWindowUntilAFixedSizeIsChosen) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* board = new TAnsweredDiagram;
    layout->addWidget(board);
    window.resize(500, 600);
    Show(window);
    QSignalSpy sizes(board, &TChessDiagram2D::SizeChanged);
    board->SetFitToWindow(true);
    EXPECT_EQ(board->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    const auto pieceSize = [board] { return board->Diagram().Geometry().PieceSize(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return pieceSize() == (500 - 30) / 8; }, 2000)) << pieceSize();
    EXPECT_GE(sizes.count(), 1);
    testsupport::SaveScreenshot(window, QStringLiteral("board-fitted"));
    window.resize(300, 280);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pieceSize() == (280 - 30) / 8; }, 2000)) << pieceSize();

    board->ChooseMenuItem(kMenuLargeBoard);
    EXPECT_FALSE(board->FitToWindow());
    EXPECT_EQ(board->Diagram().Geometry().PieceSize(), 48);
    EXPECT_EQ(board->maximumSize(), QSize(8 * 48 + 30, 8 * 48 + 30));
}

TEST(ChessDiagram2DTest, PromotionAsksThroughTheDialogOnlyWhenAskingIsOn) {
    for (bool ask : {false, true}) {
        SCOPED_TRACE(ask ? "asking" : "not asking");
        TAnsweredDiagram board;
        board.SetPosition(testsupport::PackedFromFen("8/4P3/8/8/8/8/k6K/8 w - - 0 1"));
        board.Diagram().SetAskForPromotionPiece(ask);
        Show(board);
        int asked = 0;
        TPromotionPieceDialog::SetAnswerHook([&asked](TPromotionPieceDialog& dialog) {
            ++asked;
            dialog.PieceButton(TPromotionPieceDialog::kRook)->click();
        });
        QTest::mousePress(&board, Qt::LeftButton, {}, Centre(board, kE7));
        QTest::mouseMove(&board, Centre(board, kE8));
        QTest::mouseRelease(&board, Qt::LeftButton, {}, Centre(board, kE8));
        TPromotionPieceDialog::SetAnswerHook(nullptr);
        EXPECT_EQ(asked, ask ? 1 : 0);
        EXPECT_EQ(board.PendingMove(),
                  (TPackedMove{kE7, kE8, std::uint8_t(ask ? kWhiteRook : kWhiteQueen), 1}));
    }
}

TEST(ChessDiagram2DTest, SlideRunsOnTheEventLoopAndEndsOnTheTarget) {
    TAnsweredDiagram board;
    board.Diagram().SetSlideSpeed(2000);
    Show(board);
    QSignalSpy finished(&board, &TChessDiagram2D::SlideFinished);
    ASSERT_TRUE(board.SlideMove(TPackedMove{kE2, kE4, 0, 1}.ToUint32()));
    EXPECT_TRUE(board.IsSliding());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !board.IsSliding(); }, 5000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(board.Diagram().GetPosition().Piece(kE4), kWhitePawn);
    EXPECT_EQ(ColourAt(board, Centre(board, kE2)), kLight);
    EXPECT_NE(ColourAt(board, Centre(board, kE4)), kLight);

    // Hiding the board, like a new position, ends a slide at once.
    ASSERT_TRUE(board.SlideMove(TPackedMove{kE4, kE5, 0, 1}.ToUint32()));
    board.hide();
    EXPECT_FALSE(board.IsSliding());
    EXPECT_EQ(board.Diagram().GetPosition().Piece(kE5), kWhitePawn);
}

TEST(ChessDiagram2DTest, SavesThePictureAsBitmapOrPng) {
    testsupport::TScratchFolder folder;
    TAnsweredDiagram board;
    const struct {
        const char* itsName;
        QByteArray itsFormat;
    } cases[] = {{"board.bmp", "bmp"}, {"board.PNG", "png"}, {"board", "bmp"}};
    for (const auto& c : cases) {
        const QString path = QString::fromStdString(folder / c.itsName);
        ASSERT_TRUE(board.SaveAsBitmap(path)) << c.itsName;
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), c.itsFormat);
        const QImage image = reader.read();
        EXPECT_EQ(image.size(), board.size());
        EXPECT_EQ(image.pixel(Centre(board, kE4)) & 0xFFFFFF, kLight);
    }
    QString error;
    const QString missing = QString::fromStdString(folder / "no such folder/board.bmp");
    EXPECT_FALSE(board.SaveAsBitmap(missing, &error));
    EXPECT_TRUE(error.contains(missing)) << error.toStdString();
}

// Pictures for a person to look at (with MARVEK_SCREENSHOTS set): every size, both orientations,
// marks, a square margin and a piece held over the board.
TEST(ChessDiagram2DTest, Screenshots) {
    for (int size = kSmallBoard; size <= kHugeBoard; ++size) {
        for (bool whiteAtBottom : {true, false}) {
            TAnsweredDiagram board;
            board.Diagram().SetBoardSize(size);
            board.Diagram().SetWhiteIsAtBottom(whiteAtBottom);
            board.Diagram().SetSquareMargin(size == kHugeBoard ? 8 : 0);
            board.Redraw();
            board.SetPosition(testsupport::PositionAfter("e4 e5 Nf3 Nc6 Bb5 a6"));
            board.PutMarkOnSquare(kDotMark, kD4);
            board.PutMarkOnSquare(kCrossMark, kD5);
            Show(board);
            EXPECT_EQ(board.width(), board.Diagram().Geometry().ControlSize());
            // The knight of f3 held between e5 and d4.
            QTest::mousePress(&board, Qt::LeftButton, {}, Centre(board, kF3));
            QTest::mouseMove(&board, (Centre(board, kE5) + Centre(board, kD4)) / 2);
            testsupport::SaveScreenshot(
                board, QStringLiteral("board-%1-%2").arg(size).arg(whiteAtBottom ? "white" : "black"));
            QTest::mouseRelease(&board, Qt::LeftButton, {}, Centre(board, kF3));
        }
    }
}

} // namespace
} // namespace marvek::gui
