// The book window offscreen on a small real book: the candidate lines' drawing, keys reaching
// their commands, typed and board moves, the take-back menu, and pictures to look at.
#include <QApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QTableWidget>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

#include "app/Settings.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/BookWindowForm.h"
#include "bookwindow/CandidateDelegate.h"
#include "bookwindow/CommentWindow.h"
#include "diagram/ChessDiagram2D.h"
#include "gui/Screenshot.h"
#include "storage/StorageSession.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::gui {
namespace {

constexpr TSquare kE2 = 14, kE4 = 34;

// Popup menus answered by the test: the item with the caption asked for, or none.
class TAnsweredBookWindowForm : public TBookWindowForm {
public:
    using TBookWindowForm::TBookWindowForm;
    QString itsAnswer;
    QStringList itsOffered;
    QHash<QString, bool> itsEnabled;

protected:
    QAction* ExecMenu(QMenu& menu, const QPoint&) override {
        QAction* answer = nullptr;
        for (QAction* action : menu.actions()) {
            itsOffered << action->text();
            itsEnabled[action->objectName()] = action->isEnabled();
            if (action->text().trimmed() == itsAnswer) answer = action;
        }
        // As a real menu does, the item chosen is triggered before it is returned.
        if (answer != nullptr) answer->trigger();
        return answer;
    }
};

class BookWindowFormTest : public ::testing::Test {
protected:
    BookWindowFormTest() : itsSaved(Settings()) {}
    ~BookWindowFormTest() override {
        itsForm.reset();
        itsWindow.reset();
        Settings() = itsSaved;
    }
    void SetUp() override {
        itsWindow = std::make_unique<TBookWindow>();
        itsForm = std::make_unique<TAnsweredBookWindowForm>(*itsWindow);
        itsWindow->OpenBook(itsFolder / "Small", true, false, false);
        // A few openings, each typed from the start.
        for (const char* line :
             {"e4 e5 Nf3 Nc6 Bb5", "e4 c5 Nf3 d6", "d4 d5 c4 e6", "d4 Nf6 c4 g6", "c4 e5"}) {
            itsWindow->GoToStartingPosition();
            std::istringstream moves(line);
            std::string move;
            while (moves >> move) itsWindow->EnterTypedMove(move);
        }
        itsWindow->GoToStartingPosition();
        itsForm->show();
        QApplication::setActiveWindow(itsForm.get());
        QCoreApplication::processEvents();
    }
    QStringList Candidates() const {
        QStringList moves;
        for (int i = 0; i < itsForm->CandidateList()->count(); ++i)
            moves << itsForm->CandidateList()->item(i)->text().section(',', 0, 0);
        return moves;
    }

    testsupport::TScratchFolder itsFolder;
    TStorageSession itsStorage;
    testsupport::TRecordingUserInterface itsUi;
    TSettings itsSaved;
    std::unique_ptr<TBookWindow> itsWindow;
    std::unique_ptr<TAnsweredBookWindowForm> itsForm;
};

TEST(CandidateDelegateTest, LaysOutEachPartFromTheRightEdge) {
    TCandidateDelegate delegate;
    delegate.SetBlackToMove(true);
    delegate.SetUseFigurines(true);
    const QRect rect(0, 0, 300, 30);
    const TCandidatePaintParts parts = delegate.Layout(rect, "Nf3!?,l>51234Z-35Cabc,G", QFont());
    EXPECT_EQ(parts.itsMove, QString::fromUtf16(u"...\u2658f3!?"));
    EXPECT_EQ(parts.itsMoveRect.topLeft(), QPoint(4, 2));
    EXPECT_EQ(parts.itsRate, "=");
    EXPECT_EQ(parts.itsRateRect.left(), 200);
    EXPECT_EQ(parts.itsCount, ">51234");
    EXPECT_EQ(parts.itsCountRect.left(), 250);
    EXPECT_EQ(parts.itsAssessment, QString::fromUtf16(u"\u221235"));
    EXPECT_GE(parts.itsAssessmentRect.top(), 15);
    EXPECT_EQ(parts.itsInGameRect.left(), 165);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(parts.itsMarkRects[i].left(), 192);
        EXPECT_EQ(parts.itsMarkRects[i].width(), 8);
        EXPECT_EQ(parts.itsMarkRects[i].top(), i * 10);
    }

    // Counts 0 and 1, no rate, no marks and no "G" leave their places empty.
    delegate.SetBlackToMove(false);
    delegate.SetUseFigurines(false);
    const TCandidatePaintParts plain = delegate.Layout(rect, "Nf3, 1Z C,", QFont());
    EXPECT_EQ(plain.itsMove, "Nf3");
    EXPECT_TRUE(plain.itsRateRect.isNull());
    EXPECT_TRUE(plain.itsCountRect.isNull());
    EXPECT_TRUE(plain.itsAssessmentRect.isNull());
    EXPECT_TRUE(plain.itsInGameRect.isNull());
    for (const QRect& mark : plain.itsMarkRects) EXPECT_TRUE(mark.isNull());
}

TEST(CandidateDelegateTest, PaintsTheMarkBoxesInTheirColours) {
    QListWidget list;
    auto* delegate = new TCandidateDelegate(&list);
    list.setItemDelegate(delegate);
    list.addItem("e4,l3Z+20Cabc,G");
    list.resize(300, 100);
    list.show();
    QCoreApplication::processEvents();
    const QRect row = list.visualItemRect(list.item(0));
    EXPECT_EQ(row.height(), TCandidateDelegate::LineHeight(list.font()));
    const QImage image = list.viewport()->grab().toImage();
    const int x = row.right() + 1 - 104;
    const int third = row.height() / 3;
    EXPECT_EQ(image.pixel(x, row.top() + third / 2) & 0xFFFFFF, 0x008000u);
    EXPECT_EQ(image.pixel(x, row.top() + third + third / 2) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(image.pixel(x, row.top() + 2 * third + third / 2) & 0xFFFFFF, 0xFF0000u);

    // Every kind of line, for looking at.
    for (const char* text : {"Nf3!?,i0Z+0C,", "d4, 2Z-35Cb,", "O-O-O??,q>51234Z+1200Cabc,G", "exd5,g17Z Cc,"})
        list.addItem(text);
    list.resize(360, 200);
    testsupport::SaveScreenshot(list, "CandidateLines");
}

TEST_F(BookWindowFormTest, ShowsTheStartPositionsCandidatesAndPanes) {
    EXPECT_EQ(Candidates(), (QStringList{"e4", "d4", "c4"}));
    EXPECT_EQ(itsForm->CandidateList()->currentRow(), 0);
    EXPECT_EQ(itsForm->findChild<QLabel*>("SideToMovePane")->text(),
              QString(QChar::fromLatin1(Settings().WhiteLetter())));
    EXPECT_EQ(itsForm->Board()->Diagram().GetPosition(), itsWindow->CurrentPosition());
}

TEST_F(BookWindowFormTest, TheTranspositionLabelShowsASecondWayIn) {
    auto* label = itsForm->findChild<QLabel*>("TranspositionLabel");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->toolTip(), "Transposition");
    const struct {
        const char* itsLine;
        const char* itsShown;
    } kCases[] = {{"d4 d5 Nf3", ""}, {"Nf3 d5 d4", "T"}, {"Nf3 d5", ""}};
    for (const auto& line : kCases) {
        itsWindow->GoToStartingPosition();
        std::istringstream moves(line.itsLine);
        std::string move;
        while (moves >> move) itsWindow->EnterTypedMove(move);
        EXPECT_EQ(label->text(), line.itsShown) << line.itsLine;
    }
}

TEST_F(BookWindowFormTest, KeysReachTheirCommands) {
    QTest::keyClick(itsForm->CandidateList(), Qt::Key_F9);
    EXPECT_EQ(itsWindow->PlyCount(), 1);
    EXPECT_EQ(Candidates(), (QStringList{"e5", "c5"}));
    QTest::keyClick(itsForm->CandidateList(), Qt::Key_F8);
    EXPECT_EQ(itsWindow->PlyCount(), 0);
    // Arrows in the list go forward and back; Alt+V moves the highlighted candidate down.
    QTest::keyClick(itsForm->CandidateList(), Qt::Key_Right);
    EXPECT_EQ(itsWindow->PlyCount(), 1);
    QTest::keyClick(itsForm->CandidateList(), Qt::Key_Left);
    EXPECT_EQ(itsWindow->PlyCount(), 0);
    QTest::keyClick(itsForm->CandidateList(), Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(Candidates(), (QStringList{"d4", "e4", "c4"}));

    // Enter in the move-entry pane plays the typed move, adding it when it is new.
    itsForm->MoveEntry()->setFocus();
    QTest::keyClicks(itsForm->MoveEntry(), "Nf3");
    QTest::keyClick(itsForm->MoveEntry(), Qt::Key_Return);
    EXPECT_EQ(itsWindow->PlyCount(), 1);
    EXPECT_TRUE(itsForm->MoveEntry()->text().isEmpty());
    // Typed while the list has the keyboard, a move goes into the pane.
    itsForm->setFocus();
    ASSERT_TRUE(itsForm->CandidateList()->hasFocus());
    QTest::keyClicks(itsForm->CandidateList(), "d5!?");
    EXPECT_TRUE(itsForm->MoveEntry()->hasFocus());
    EXPECT_EQ(itsForm->MoveEntry()->text(), "d5!?");
    // The Edit menu's keys act on the focused pane: cut it away, paste it back.
    EXPECT_EQ(itsForm->findChild<QAction*>("EditCutItem")->shortcut(), QKeySequence("Ctrl+X"));
    itsForm->MoveEntry()->selectAll();
    QTest::keyClick(itsForm->MoveEntry(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(itsForm->MoveEntry()->text().isEmpty());
    QTest::keyClick(itsForm->MoveEntry(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(itsForm->MoveEntry()->text(), "d5!?");
    QTest::keyClick(itsForm->MoveEntry(), Qt::Key_Return);
    EXPECT_EQ(itsWindow->PlyCount(), 2);
    EXPECT_TRUE(itsUi.itsShown.empty());
}

TEST_F(BookWindowFormTest, ShowCommentsShowsTheSharedCommentWindow) {
    // The comment window belongs to the window the book window sits in.
    auto* comments = new TCommentWindow(Settings(), itsForm.get());
    ASSERT_FALSE(comments->isVisible());
    auto* item = itsForm->findChild<QAction*>("ShowCommentsItem");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Show Comments");
    item->trigger();
    EXPECT_TRUE(comments->isVisible());
    EXPECT_TRUE(itsUi.itsShown.empty());
}

// The font dialog answered with a fixed choice.
class TAnsweredCommentWindow : public TCommentWindow {
public:
    using TCommentWindow::TCommentWindow;
    std::optional<TCommentFont> itsFont;

protected:
    std::optional<TCommentFont> AskFont(const TCommentFont&) override { return itsFont; }
};

TEST_F(BookWindowFormTest, TheCommentMenuActsOnTheSharedCommentEditor) {
    auto* comments = new TAnsweredCommentWindow(Settings(), itsForm.get());
    TRichText text;
    text.AddParagraph();
    text.AddText("Hello world", comments->DefaultFormat());
    comments->LoadRichText(WriteRtf(text));
    QTextCursor cursor = comments->Editor()->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(11, QTextCursor::KeepAnchor);
    comments->Editor()->setTextCursor(cursor);

    QMenu* menu = itsForm->CommentPopup();
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* action : menu->actions())
        captions << (action->isSeparator() ? QString("-") : action->text());
    EXPECT_EQ(captions.join('|'), "Select All|Undo|-|Bold|Italic|Font...");
    // It sits in the Commands menu, below Show Comments.
    EXPECT_EQ(itsForm->findChild<QMenu*>("CommandsMenu")->actions().last(), menu->menuAction());

    emit menu->aboutToShow();
    EXPECT_FALSE(itsForm->Action("CommentUndoItem")->isEnabled());
    EXPECT_FALSE(itsForm->Action("CommentBoldItem")->isChecked());
    itsForm->Action("CommentBoldItem")->trigger();
    itsForm->Action("CommentItalicItem")->trigger();
    EXPECT_TRUE(comments->SelectionBold());
    EXPECT_TRUE(comments->SelectionItalic());
    EXPECT_TRUE(comments->Modified());
    emit menu->aboutToShow();
    EXPECT_TRUE(itsForm->Action("CommentBoldItem")->isChecked());
    EXPECT_TRUE(itsForm->Action("CommentItalicItem")->isChecked());
    EXPECT_TRUE(itsForm->Action("CommentUndoItem")->isEnabled());

    itsForm->Action("CommentUndoItem")->trigger();
    EXPECT_FALSE(comments->SelectionItalic());
    EXPECT_TRUE(comments->SelectionBold());

    QFont chosen("DejaVu Sans");
    chosen.setPointSizeF(15);
    comments->itsFont = TCommentFont{chosen, QColor(0, 0, 255)};
    itsForm->Action("CommentSelectAllItem")->trigger();
    EXPECT_EQ(comments->Editor()->textCursor().selectedText(), "Hello world");
    itsForm->Action("CommentFontItem")->trigger();
    const QTextCharFormat format = comments->Editor()->currentCharFormat();
    EXPECT_EQ(format.fontPointSize(), 15);
    EXPECT_EQ(format.foreground().color(), QColor(0, 0, 255));
    EXPECT_TRUE(itsUi.itsShown.empty());
}

TEST_F(BookWindowFormTest, ABoardDragPlaysTheMoveAndTheGridFollows) {
    TChessDiagram2D& board = *itsForm->Board();
    auto centre = [&](TSquare square) {
        const TRect cell = board.Diagram().Geometry().CellRect(square);
        return QPoint(cell.itsLeft + cell.itsWidth / 2, cell.itsTop + cell.itsHeight / 2);
    };
    QTest::mousePress(&board, Qt::LeftButton, {}, centre(kE2));
    QTest::mouseMove(&board, centre(kE4));
    QTest::mouseRelease(&board, Qt::LeftButton, {}, centre(kE4));
    EXPECT_EQ(itsWindow->PlyCount(), 1);
    EXPECT_EQ(Candidates(), (QStringList{"e5", "c5"}));
    itsWindow->DelayedRefresh();
    auto* grid = itsForm->findChild<QTableWidget*>("PastMovesGrid");
    EXPECT_EQ(grid->item(0, 0)->text(), "1.e4");

    // The take-back menu on the back button offers the moves that reach this position.
    std::unique_ptr<QMenu> menu = itsForm->MakeTakeBackMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text().trimmed(), "e2-e4");
    // Choosing the move just played there takes it back.
    itsForm->itsAnswer = "e2-e4";
    auto* back = itsForm->findChild<QToolButton*>("BackOnePlyButton");
    ASSERT_NE(back, nullptr);
    emit back->customContextMenuRequested(QPoint(2, 2));
    EXPECT_EQ(itsWindow->PlyCount(), 0);
}

TEST_F(BookWindowFormTest, TheCandidatePopupFollowsThePosition) {
    // A leaf of the book: no candidates, but a last move whose symbol may still be set.
    itsWindow->EnterTypedMove("c4");
    itsWindow->EnterTypedMove("e5");
    ASSERT_EQ(itsForm->CandidateList()->count(), 0);
    emit itsForm->CandidateList()->customContextMenuRequested(QPoint(5, 5));
    EXPECT_FALSE(itsForm->itsEnabled.value("MoveUpItem", true));
    EXPECT_FALSE(itsForm->itsEnabled.value("MarkRedItem", true));
    EXPECT_TRUE(itsForm->itsEnabled.value("SymbolGoodItem", false));
    // Closed again, the keys reach the window, which says why it refuses.
    EXPECT_TRUE(itsForm->Action("MoveUpItem")->isEnabled());
    itsForm->itsAnswer = "!";
    itsWindow->BackOnePly();
    emit itsForm->CandidateList()->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(itsForm->CandidateList()->item(0)->text().section(',', 0, 0), "e5!");
}

TEST_F(BookWindowFormTest, Screenshots) {
    // Pictures for a person to look at, saved when MARVEK_SCREENSHOTS names a folder.
    itsForm->resize(820, 560);
    itsWindow->EnterTypedMove("e4");
    itsWindow->EnterTypedMove("e5");
    itsWindow->DelayedRefresh();
    itsForm->Board()->FinishSlide();
    QCoreApplication::processEvents();
    testsupport::SaveScreenshot(*itsForm, "BookWindowMedium");

    // A long list: many replies to 1.e4 e5, some marked and assessed.
    for (const char* move :
         {"Nc3", "Bc4", "d4", "f4", "c3", "d3", "Qh5", "a3", "b3", "g3", "h3", "Ne2", "Be2"}) {
        itsWindow->EnterTypedMove(move);
        itsWindow->BackOnePly();
    }
    itsWindow->SetHighlightedCandidate(1);
    itsWindow->ToggleCandidateMark(0);
    itsWindow->ToggleCandidateMark(2);
    itsWindow->SetEvaluationSymbol(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(itsForm->CandidateList()->count(), 14);
    testsupport::SaveScreenshot(*itsForm, "BookWindowLongList");

    // Large, with the board fitted to the window.
    itsForm->resize(1400, 900);
    itsForm->Board()->ChooseMenuItem(TChessDiagram2D::kFitMenuItem);
    QCoreApplication::processEvents();
    EXPECT_GT(itsForm->Board()->width(), 700);
    EXPECT_GT(itsForm->CandidateList()->width(), 300);
    testsupport::SaveScreenshot(*itsForm, "BookWindowLarge");
    itsForm->Board()->ChooseMenuItem(TChessDiagram2D::kFitMenuItem);

    Settings().SetSquareSize(0);
    TBookWindowForm small(*itsWindow);
    itsWindow->Refresh();
    itsWindow->DelayedRefresh();
    small.resize(600, 380);
    small.show();
    QCoreApplication::processEvents();
    testsupport::SaveScreenshot(small, "BookWindowSmall");
}

} // namespace
} // namespace marvek::gui
