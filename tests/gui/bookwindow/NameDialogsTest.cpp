// The dialogs of named positions and of the book as a whole, offscreen: the rename dialog's OK
// that asks first, the jump dialog over a real book's names, the jump-by-name edit, the About
// This Book values, and the book window's menu rows for them.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/Settings.h"
#include "book/Book2.h"
#include "bookwindow/BookStatisticsDialog.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/BookWindowForm.h"
#include "bookwindow/JumpByNameDialog.h"
#include "bookwindow/JumpDialog.h"
#include "bookwindow/JumpList.h"
#include "bookwindow/RenamePositionDialog.h"
#include "diagram/ChessDiagram2D.h"
#include "diagram/DiagramMenu.h"
#include "gui/AnsweredDialog.h"
#include "gui/Screenshot.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::gui {
namespace {

using testsupport::TAnsweredDialog;

TEST(RenamePositionDialogTest, OkClosesOnlyWhenTheCheckAgrees) {
    TAnsweredDialog<TRenamePositionDialog> dialog;
    std::vector<std::string> checked;
    dialog.itsAnswer = [&](TAnsweredDialog<TRenamePositionDialog>& shown) {
        EXPECT_EQ(shown.NameEdit()->text(), "Alpha");
        EXPECT_EQ(shown.NameEdit()->selectedText(), "Alpha");
        testsupport::SaveScreenshot(shown, "RenamePositionDialog");
        shown.NameEdit()->clear();
        shown.Button("OK")->click();
        EXPECT_EQ(shown.result(), QDialog::Rejected);
        shown.NameEdit()->setText(QString(50, 'x'));
        shown.Button("OK")->click();
    };
    EXPECT_TRUE(dialog.Execute("Alpha", [&](const std::string& name) {
        checked.push_back(name);
        return !name.empty();
    }));
    EXPECT_EQ(checked, (std::vector<std::string>{"", std::string(40, 'x')}));
    EXPECT_EQ(dialog.Name(), std::string(40, 'x'));
    EXPECT_EQ(dialog.windowTitle(), "Rename Position");
}

TEST(JumpByNameDialogTest, StartsEmptyAndGivesTheText) {
    TAnsweredDialog<TJumpByNameDialog> dialog;
    dialog.NameEdit()->setText("old");
    dialog.itsAnswer = [](TAnsweredDialog<TJumpByNameDialog>& shown) {
        EXPECT_TRUE(shown.NameEdit()->text().isEmpty());
        testsupport::SaveScreenshot(shown, "JumpByNameDialog");
        shown.NameEdit()->setText("42");
        shown.Button("OK")->click();
    };
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Text(), "42");
}

class JumpDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(itsBook.Create(itsFolder / "Names"));
        itsBook.Open(itsFolder / "Names", false, false);
        for (const char* line : {"e4", "d4", "c4", "Nf3", "g3"})
            itsBook.UpdateBoardName(testsupport::PositionAfter(line), std::string("Opening ") + line);
    }
    QStringList Shown(const TJumpDialog& dialog) const {
        QStringList names;
        for (int i = 0; i < dialog.List()->count(); ++i) names << dialog.List()->item(i)->text();
        return names;
    }

    testsupport::TScratchFolder itsFolder;
    TStorageSession itsStorage;
    testsupport::TRecordingUserInterface itsUi;
    TBook2 itsBook;
    TBookWindowDialogs itsDialogs;
};

TEST_F(JumpDialogTest, ShowsTheNamesDeletesOnThePressAndJumpsOnADoubleClick) {
    TJumpList list(itsBook, itsDialogs);
    list.HighlightName("Opening d4");
    TAnsweredDialog<TJumpDialog> dialog;
    dialog.itsAnswer = [&](TAnsweredDialog<TJumpDialog>& shown) {
        EXPECT_EQ(Shown(shown),
                  (QStringList{"Opening Nf3", "Opening c4", "Opening d4", "Opening e4", "Opening g3"}));
        EXPECT_EQ(shown.List()->currentRow(), 2);
        testsupport::SaveScreenshot(shown, "JumpDialog");
        QTest::mousePress(shown.DeleteButton(), Qt::LeftButton);
        EXPECT_EQ(Shown(shown), (QStringList{"Opening Nf3", "Opening c4", "Opening e4", "Opening g3"}));
        EXPECT_TRUE(shown.RepeatTimer()->isActive());
        QTest::mouseRelease(shown.DeleteButton(), Qt::LeftButton);
        EXPECT_FALSE(shown.RepeatTimer()->isActive());
        EXPECT_EQ(shown.List()->currentRow(), 2);
        shown.List()->setCurrentRow(3);
        emit shown.List()->itemDoubleClicked(shown.List()->item(3));
    };
    EXPECT_TRUE(dialog.Execute(list));
    EXPECT_EQ(list.HighlightedName(), "Opening g3");
    EXPECT_FALSE(itsBook.ThisBoardNameExists("Opening d4"));
    EXPECT_EQ(itsBook.NameCount(), 4);
}

TEST(BookStatisticsDialogTest, ShowsEachValueAndShortensALongPath) {
    TAnsweredDialog<TBookStatisticsDialog> dialog;
    TBookStatistics statistics;
    statistics.itsPath = "/home/someone/Marvek Files/Books/" + std::string(12, 'a') + "/" +
                         std::string(10, 'b') + "/" + std::string(30, 'c') + "/Repertoire.2MD";
    statistics.itsPositions = 1234;
    statistics.itsNamedPositions = 5;
    statistics.itsMainFileSize = 65536;
    statistics.itsReadOnly = true;
    statistics.itsTrainingPositions = 17;
    dialog.itsAnswer = [](TAnsweredDialog<TBookStatisticsDialog>& shown) {
        testsupport::SaveScreenshot(shown, "AboutThisBook");
        shown.accept();
    };
    dialog.Execute(statistics);
    const QString path = dialog.Value("Book:");
    EXPECT_TRUE(path.contains(QChar(0x2026))) << path.toStdString();
    EXPECT_TRUE(path.endsWith("Repertoire.2MD"));
    EXPECT_EQ(dialog.Value("Named Positions:"), "5");
    EXPECT_EQ(dialog.Value("Read Only:"), "YES");
    EXPECT_EQ(dialog.Value("Database Safety:"), "NO");
    EXPECT_EQ(dialog.Value("Training Positions:"), "17");
    EXPECT_EQ(dialog.windowTitle(), "About This Book");
}

TEST(BookWindowNameCommandsTest, MenuRowsCarryTheirKeysAndWhiteAtBottomTurnsTheBoard) {
    const TSettings saved = Settings();
    testsupport::TScratchFolder folder;
    TStorageSession storage;
    testsupport::TRecordingUserInterface ui;
    {
        TBookWindow window;
        TBookWindowForm form(window);
        window.OpenBook(folder / "Book", true, false, false);
        EXPECT_NE(window.Dialogs(), nullptr);
        const std::pair<const char*, const char*> keys[] = {{"JumpToPositionItem", "Alt+J"},
                                                            {"JumpToNextItem", "F3"},
                                                            {"JumpToPreviousItem", "Shift+F3"},
                                                            {"JumpToNameItem", "Alt+F3"},
                                                            {"SetupPositionItem", "Alt+S"},
                                                            {"NameThisPositionItem", ""},
                                                            {"RenameBookItem", ""},
                                                            {"AboutThisBookItem", ""}};
        for (const auto& [name, key] : keys) {
            QAction* action = form.Action(name);
            ASSERT_NE(action, nullptr) << name;
            EXPECT_EQ(action->shortcut().toString(), key) << name;
        }
        const bool before = form.Board()->Diagram().GetWhiteIsAtBottom();
        form.Action("WhiteAtBottomItem")->trigger();
        EXPECT_EQ(form.Board()->Diagram().GetWhiteIsAtBottom(), !before);
        EXPECT_EQ(Settings().WhiteAtBottom(), !before);
        // The board's mirror requests reach the window.
        emit form.Board()->Notification(kMirrorTopToBottom);
        EXPECT_EQ(ui.Texts(),
                  std::vector<std::string>{"The Vantro version supports mirroring by side to move only."});
    }
    Settings() = saved;
}

} // namespace
} // namespace marvek::gui
