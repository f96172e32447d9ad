// The set-up dialog on screen: presses on the board and the palette, the buttons, OK and Help.
#include "diagram/SetupPositionDialog.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "AnsweredDialog.h"
#include "Screenshot.h"
#include "app/Settings.h"
#include "diagram/PieceSelector.h"
#include "diagram/SetupDiagram.h"
#include "support/RecordingUserInterface.h"

namespace marvek::gui {
namespace {

using testsupport::TRecordingUserInterface;

class TAnsweredSetupDialog : public testsupport::TAnsweredDialog<TSetupPositionDialog> {
public:
    std::vector<int> itsHelpContexts;

protected:
    void OpenHelp(int context) override { itsHelpContexts.push_back(context); }
};

QCheckBox* Check(const QWidget& dialog, const QString& text) {
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
        if (box->text() == text) return box;
    return nullptr;
}

// The middle of a square's cell on the board.
QPoint Middle(const char* square) {
    const TSquare s = SquareFromName(square);
    return {TSetupPosition::SquareLeft(s) + 19, TSetupPosition::SquareTop(s) + 19};
}

TEST(SetupPositionDialogTest, ShowsThePositionItWasOpenedWith) {
    TRecordingUserInterface ui;
    TAnsweredSetupDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Setup Position");
    EXPECT_EQ(dialog.Diagram()->size(), QSize(304, 304));
    EXPECT_EQ(dialog.Selector()->size(), QSize(228, 76));
    for (const char* button : {"Clear", "Start", "Current", "OK", "Cancel", "Help"})
        EXPECT_NE(dialog.Button(button), nullptr) << button;
    EXPECT_TRUE(dialog.Button("OK")->isDefault());
    EXPECT_EQ(dialog.EnPassantEdit()->toolTip(), "En Passant File Letter");
    EXPECT_EQ(dialog.NameEdit()->maxLength(), 40);

    // White to move after 1.e4 c5 2.e5 d5: en passant on the d-file, White's king-side right gone.
    TChessPosition position;
    TPackedPosition packed;
    ASSERT_TRUE(position.FromFEN("rnbqkbnr/pp2pppp/8/2ppP3/8/8/PPPP1PPP/RNBQKBNR w Qkq d6", packed));
    dialog.itsAnswer = [](auto& self) {
        EXPECT_TRUE(Check(self, "White To Move")->isChecked());
        EXPECT_FALSE(Check(self, "White can play O-O")->isChecked());
        EXPECT_TRUE(Check(self, "Black can play O-O-O")->isChecked());
        EXPECT_EQ(self.EnPassantEdit()->text(), "d");
        // The board in the preference colours: a1 dark, b1 light.
        const auto colour = [](int32_t value) {
            return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
        };
        const QImage board = self.Diagram()->grab().toImage();
        EXPECT_EQ(board.pixelColor(1, 302), colour(Settings().DarkSquareColour()));
        EXPECT_EQ(board.pixelColor(39, 302), colour(Settings().LightSquareColour()));
        testsupport::SaveScreenshot(self, "setup-position");
        self.reject();
    };
    EXPECT_FALSE(dialog.Execute(nullptr, position));
}

TEST(SetupPositionDialogTest, APaletteClickSelectsAndABoardClickPlacesOrRemoves) {
    TRecordingUserInterface ui;
    TAnsweredSetupDialog dialog;
    dialog.itsAnswer = [](auto& self) {
        QTest::mouseClick(self.Diagram(), Qt::LeftButton, {}, Middle("e4"));
        EXPECT_EQ(self.Diagram()->Position().Piece(SquareFromName("e4")), kWhitePawn);

        QTest::mouseClick(self.Selector(), Qt::LeftButton, {}, TPieceSelector::CellOf(kBlackQueen).center());
        EXPECT_EQ(self.Selector()->SelectedPiece(), kBlackQueen);
        QTest::mouseClick(self.Diagram(), Qt::LeftButton, {}, Middle("e4")); // occupied: emptied
        QTest::mouseClick(self.Diagram(), Qt::LeftButton, {}, Middle("e5"));
        EXPECT_EQ(self.Diagram()->Position().Piece(SquareFromName("e4")), kEmpty);
        EXPECT_EQ(self.Diagram()->Position().Piece(SquareFromName("e5")), kBlackQueen);
        testsupport::SaveScreenshot(self, "setup-position-placed");
        self.reject();
    };
    EXPECT_FALSE(dialog.Execute(nullptr, TChessPosition()));
}

TEST(SetupPositionDialogTest, ClearStartAndCurrentRefreshTheControls) {
    TRecordingUserInterface ui;
    TAnsweredSetupDialog dialog;
    dialog.itsAnswer = [](auto& self) {
        self.Button("Clear")->click();
        EXPECT_EQ(self.Diagram()->Position().Piece(SquareFromName("e1")), kEmpty);
        EXPECT_FALSE(Check(self, "Black can play O-O")->isChecked());
        EXPECT_TRUE(Check(self, "White To Move")->isChecked());
        self.Button("Current")->click();
        EXPECT_EQ(self.Diagram()->Position().Piece(SquareFromName("e1")), kWhiteKing);
        EXPECT_TRUE(Check(self, "Black can play O-O")->isChecked());
        self.reject();
    };
    EXPECT_FALSE(dialog.Execute(nullptr, TChessPosition()));
}

TEST(SetupPositionDialogTest, OkAsksForANameAndHandsBackTheComposedPosition) {
    TRecordingUserInterface ui;
    ui.itsAnswers = {TAnswer::kNo};
    TAnsweredSetupDialog dialog;
    QSignalSpy helpRequests(&dialog, &TSetupPositionDialog::HelpRequested);
    dialog.itsAnswer = [](auto& self) {
        self.Button("Help")->click();
        self.Button("OK")->click(); // no name, answered No: still open
        EXPECT_EQ(self.result(), 0);
        QTest::keyClicks(self.NameEdit(), "Composed");
        Check(self, "White To Move")->click();
        Check(self, "White can play O-O")->click();
        QTest::mouseClick(self.Diagram(), Qt::LeftButton, {}, Middle("e7"));
        self.Button("OK")->click();
    };
    EXPECT_TRUE(dialog.Execute(nullptr, TChessPosition()));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{TSetupPosition::kNoNameQuestion});
    EXPECT_EQ(dialog.Name(), "Composed");
    const TPackedPosition result = dialog.Position().GetPosition();
    EXPECT_FALSE(result.WhiteToMove());
    EXPECT_EQ(result.Flags() & kCastlingRights, kWhiteQueenSide | kBlackKingSide | kBlackQueenSide);
    EXPECT_EQ(result.Piece(SquareFromName("e7")), kEmpty);
    EXPECT_EQ(dialog.itsHelpContexts, std::vector<int>{9200});
    ASSERT_EQ(helpRequests.size(), 1);
    EXPECT_EQ(helpRequests[0][0].toInt(), 9200);
}

} // namespace
} // namespace marvek::gui
