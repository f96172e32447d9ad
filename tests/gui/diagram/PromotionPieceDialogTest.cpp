// The promotion question: each piece by click, by the arrow keys and Enter, by the user's letters
// and the English ones, and the queen when the question is waved away.
#include "diagram/PromotionPieceDialog.h"

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/Settings.h"
#include "gui/Screenshot.h"

namespace marvek::gui {
namespace {

using TAnswer = std::function<void(TPromotionPieceDialog&)>;

// Answers every promotion question of a test with the given action, and forgets it afterwards.
class TAnsweredPromotion {
public:
    explicit TAnsweredPromotion(TAnswer answer) { TPromotionPieceDialog::SetAnswerHook(std::move(answer)); }
    ~TAnsweredPromotion() { TPromotionPieceDialog::SetAnswerHook(nullptr); }
};

// Keeps the program's settings as they were before the test changed the piece letters.
class TSavedSettings {
public:
    ~TSavedSettings() { Settings() = itsSaved; }

private:
    TSettings itsSaved = Settings();
};

int AskWith(bool white, TAnswer answer) {
    TAnsweredPromotion answered(std::move(answer));
    return TPromotionPieceDialog::Ask(nullptr, white);
}

TEST(PromotionPieceDialogTest, ShowsTheFourPiecesStrongestFirst) {
    TPromotionPieceDialog dialog(false);
    EXPECT_EQ(dialog.windowTitle(), "Promotion");
    EXPECT_TRUE(dialog.isModal());
    const char* names[] = {"Queen", "Rook", "Bishop", "Knight"};
    for (int i = 0; i < 4; ++i) {
        QToolButton* button = dialog.PieceButton(TPromotionPieceDialog::kKinds[i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), names[i]);
        EXPECT_EQ(button->iconSize(), QSize(48, 48));
        EXPECT_FALSE(button->icon().isNull());
    }
    EXPECT_EQ(dialog.Current(), TPromotionPieceDialog::kQueen);
    EXPECT_TRUE(dialog.PieceButton(TPromotionPieceDialog::kQueen)->isChecked());
    testsupport::SaveScreenshot(dialog, "promotion-black");
    TPromotionPieceDialog white(true);
    testsupport::SaveScreenshot(white, "promotion-white");
}

TEST(PromotionPieceDialogTest, ClickGivesThatPiece) {
    for (bool white : {true, false})
        for (int kind : TPromotionPieceDialog::kKinds) {
            SCOPED_TRACE(testing::Message() << "white " << white << ", kind " << kind);
            const int chosen =
                AskWith(white, [kind](TPromotionPieceDialog& dialog) { dialog.PieceButton(kind)->click(); });
            EXPECT_EQ(chosen, kind);
        }
}

TEST(PromotionPieceDialogTest, ArrowKeysAndEnterGiveThePieceMovedTo) {
    const struct {
        std::vector<Qt::Key> itsKeys;
        int itsKind;
    } cases[] = {
        {{Qt::Key_Return}, TPromotionPieceDialog::kQueen},
        {{Qt::Key_Right, Qt::Key_Enter}, TPromotionPieceDialog::kRook},
        {{Qt::Key_Right, Qt::Key_Right, Qt::Key_Return}, TPromotionPieceDialog::kBishop},
        {{Qt::Key_Left, Qt::Key_Return}, TPromotionPieceDialog::kKnight},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Space}, TPromotionPieceDialog::kRook},
        {{Qt::Key_End, Qt::Key_Home, Qt::Key_Return}, TPromotionPieceDialog::kQueen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "expected kind " << c.itsKind);
        // Keys reach the dialog itself and, when a button has the focus, that button.
        for (bool toButton : {false, true}) {
            const int chosen = AskWith(true, [&c, toButton](TPromotionPieceDialog& dialog) {
                for (Qt::Key key : c.itsKeys) {
                    QWidget* target = toButton ? static_cast<QWidget*>(dialog.PieceButton(dialog.Current()))
                                               : static_cast<QWidget*>(&dialog);
                    QTest::keyClick(target, key);
                }
            });
            EXPECT_EQ(chosen, c.itsKind) << "to button " << toButton;
        }
    }
}

TEST(PromotionPieceDialogTest, LettersGiveTheirPiece) {
    TSavedSettings saved;
    // Hungarian letters: their rook letter is the English bishop's, and the user's letter wins.
    Settings().SetQueenLetter('V');
    Settings().SetRookLetter('B');
    Settings().SetBishopLetter('F');
    Settings().SetKnightLetter('H');
    const struct {
        char itsLetter;
        int itsKind;
    } cases[] = {{'v', TPromotionPieceDialog::kQueen},  {'B', TPromotionPieceDialog::kRook},
                 {'f', TPromotionPieceDialog::kBishop}, {'H', TPromotionPieceDialog::kKnight},
                 {'q', TPromotionPieceDialog::kQueen},  {'R', TPromotionPieceDialog::kRook},
                 {'n', TPromotionPieceDialog::kKnight}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.itsLetter);
        const int chosen = AskWith(false, [&c](TPromotionPieceDialog& dialog) {
            // Start away from the queen, so a letter that did nothing would show.
            QTest::keyClick(&dialog, Qt::Key_Left);
            QTest::keyClick(&dialog, c.itsLetter);
        });
        EXPECT_EQ(chosen, c.itsKind);
    }
}

TEST(PromotionPieceDialogTest, OtherKeysChooseNothing) {
    TPromotionPieceDialog dialog(true);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::keyClick(&dialog, 'x');
    QTest::keyClick(&dialog, 'K');
    QTest::keyClick(&dialog, 'P');
    EXPECT_EQ(accepted.count(), 0);
}

TEST(PromotionPieceDialogTest, EscapeOrClosingGivesTheQueen) {
    const TAnswer ways[] = {
        [](TPromotionPieceDialog& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Right);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        },
        [](TPromotionPieceDialog& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Left);
            dialog.reject();
        },
    };
    for (const TAnswer& way : ways) {
        EXPECT_EQ(AskWith(true, way), TPromotionPieceDialog::kQueen);
        EXPECT_EQ(AskWith(false, way), TPromotionPieceDialog::kQueen);
    }
}

} // namespace
} // namespace marvek::gui
