// The main window offscreen: its menus and speed buttons from the string table, book windows as
// children, the commands' enabling, the guard around commands, and what shutdown writes.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <deque>
#include <gtest/gtest.h>

#include "app/MarvekMainForm.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "book/Book2.h"
#include "bookwindow/BookWindow.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "storage/StorageSession.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::gui {
namespace {

using testsupport::TRecordingUserInterface;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;

// The main window with its dialogs answered by the test.
class TTestMainForm : public TMarvekMainForm {
public:
    std::optional<TOpenBookChoice> ChooseBookToOpen(const std::string&, const std::string&) override {
        if (itsOpenAnswers.empty()) return std::nullopt;
        auto answer = itsOpenAnswers.front();
        itsOpenAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseNewBook(const std::string&, const std::string&,
                                             const std::string&) override {
        if (itsNewAnswers.empty()) return std::nullopt;
        auto answer = itsNewAnswers.front();
        itsNewAnswers.pop_front();
        return answer;
    }
    bool ConfirmReplaceBook(const std::string&) override { return true; }
    TWelcomeResult ShowWelcome() override {
        ++itsWelcomes;
        return {};
    }
    void ShowHelpContext(int context) override { itsHelp.push_back(context); }
    bool RunPreferencesDialog() override { return true; }

    std::deque<std::optional<TOpenBookChoice>> itsOpenAnswers;
    std::deque<std::optional<std::string>> itsNewAnswers;
    std::vector<int> itsHelp;
    int itsWelcomes = 0;
};

class MainFormTest : public testing::Test {
protected:
    MainFormTest()
        : itsHome("MARVEK_HOME", itsFolder.Path() + "home"),
          itsConfig("XDG_CONFIG_HOME", itsFolder.Path() + "config") {}

    // A book with a few positions, made before the window starts its own storage session.
    std::string MakeBook(const std::string& name) {
        const std::string path = itsFolder.Path() + name;
        TStorageSession session;
        TBook2 book;
        EXPECT_TRUE(book.Create(path));
        return path;
    }

    // Shows the window and lets its first activation run.
    void Start(TTestMainForm& form, const QStringList& arguments = {}) {
        form.SetArguments(arguments);
        form.show();
        QTest::qWait(0);
        QCoreApplication::processEvents();
    }

    TScratchFolder itsFolder;
    TScopedEnvironment itsHome;
    TScopedEnvironment itsConfig;
    TRecordingUserInterface itsUi;
};

TEST_F(MainFormTest, MenusAndSpeedButtonsTakeTheirTextsFromTheStringTable) {
    TTestMainForm form;
    struct TRow {
        const char* itsName;
        int itsCaptionNr;
    };
#define MAIN_COMMAND(Name, Menu, captionNr) TRow{#Name, captionNr},
    const TRow rows[] = {
#include "app/MainFormCommands.def"
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.itsName);
        QAction* action = form.Action(row.itsName);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text().toStdString(), LoadMessage(row.itsCaptionNr));
        EXPECT_EQ(action->shortcut(),
                  QKeySequence::fromString(QString::fromStdString(LoadMessage(row.itsCaptionNr + 1))));
    }
    EXPECT_EQ(form.Action("FileNewItem")->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(form.Action("FileExitItem")->shortcut(), QKeySequence("Alt+F4"));
    EXPECT_EQ(form.Menu("Window")->title(), "&Window");
    EXPECT_EQ(form.Action("OpenBookSpeedButton")->toolTip(), "Open a book");
    EXPECT_EQ(form.Action("HelpSpeedButton")->toolTip(), "Help contents");
    EXPECT_EQ(form.LoadingBookPanel()->text(), "Loading Book...");
    // No book is open: only what needs none is enabled.
    EXPECT_FALSE(form.Action("FileCloseItem")->isEnabled());
    EXPECT_FALSE(form.Action("WindowTileItem")->isEnabled());
    EXPECT_FALSE(form.Action("CopyItem")->isEnabled());
    EXPECT_TRUE(form.Action("FileOpenItem")->isEnabled());
}

TEST_F(MainFormTest, BooksOpenAsChildWindowsAndShutdownRecordsThem) {
    const std::string first = MakeBook("First");
    const std::string second = MakeBook("Second");
    {
        ASSERT_EQ(CreateFolder(itsFolder.Path() + "home"), 0);
        TIniFile ini(itsFolder.Path() + "home/MARVEK.INI");
        ini.WriteString("OpenBooks", "Book1", first);
        ini.WriteString("OpenBooks", "Book2", itsFolder.Path() + "Gone");
    }
    {
        TTestMainForm form;
        Start(form, {QString::fromStdString(second + ".2MD")});
        ASSERT_EQ(form.MdiArea()->subWindowList().size(), 2);
        EXPECT_EQ(form.MdiArea()->subWindowList()[0]->windowTitle(), "First");
        EXPECT_EQ(form.MdiArea()->subWindowList()[1]->windowTitle(), "Second");
        EXPECT_TRUE(form.Action("FileCloseItem")->isEnabled());
        EXPECT_TRUE(form.Action("WindowCascadeItem")->isEnabled());
        EXPECT_EQ(form.itsWelcomes, 1); // factory settings show it

        // The child shows its book once it has opened.
        QCoreApplication::processEvents();
        auto* sideToMove = form.MdiArea()->subWindowList()[1]->findChild<QLabel*>("SideToMovePane");
        ASSERT_NE(sideToMove, nullptr);
        EXPECT_EQ(sideToMove->text(), QString(QChar::fromLatin1(Settings().WhiteLetter())));

        // Opening an open book only activates its window.
        form.MdiArea()->setActiveSubWindow(form.MdiArea()->subWindowList()[1]);
        form.itsOpenAnswers.push_back(TOpenBookChoice{first + ".2MD", false});
        form.Action("FileOpenItem")->trigger();
        EXPECT_EQ(form.MdiArea()->subWindowList().size(), 2);
        EXPECT_EQ(form.MdiArea()->activeSubWindow()->windowTitle(), "First");

        form.resize(700, 500);
        // For looking at the window: MARVEK_SCREENSHOTS=folder.
        if (const char* folder = getenv("MARVEK_SCREENSHOTS")) {
            TTestMainForm empty;
            empty.resize(700, 400);
            empty.grab().save(QString(folder) + "/MainFormEmpty.png");
            form.MdiArea()->tileSubWindows();
            form.grab().save(QString(folder) + "/MainForm.png");
        }
        form.close();
    }
    TIniFile ini(itsFolder.Path() + "home/MARVEK.INI");
    EXPECT_EQ(ini.ReadString("OpenBooks", "Book1", ""), first);
    EXPECT_EQ(ini.ReadString("OpenBooks", "Book2", ""), second);
    EXPECT_FALSE(ini.ValueExists("OpenBooks", "Book3"));
    TSettings stored;
    LoadPreferences(stored);
    EXPECT_TRUE(stored.IsValid());
    EXPECT_EQ(stored.MainWindowWidth(), 700);
    EXPECT_EQ(stored.MainWindowHeight(), 500);
}

TEST_F(MainFormTest, ClosingAChildClosesItsBook) {
    const std::string book = MakeBook("Only");
    TTestMainForm form;
    Start(form, {QString::fromStdString(book + ".2MD")});
    ASSERT_EQ(form.MdiArea()->subWindowList().size(), 1);

    // The child's own close button.
    form.MdiArea()->subWindowList()[0]->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.MdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(form.Frame().BookWindows().empty());
    EXPECT_FALSE(form.Action("FileCloseItem")->isEnabled());

    // New Book makes a child again; Close Book takes it away.
    form.itsNewAnswers.push_back(itsFolder.Path() + "Fresh.2MD");
    form.Action("FileNewItem")->trigger();
    ASSERT_EQ(form.MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(form.MdiArea()->subWindowList()[0]->windowTitle(), "Fresh");
    form.Action("CloseBookSpeedButton")->trigger();
    EXPECT_TRUE(form.MdiArea()->subWindowList().isEmpty());
}

TEST_F(MainFormTest, AFailingCommandIsShownAndTheProgramGoesOn) {
    TTestMainForm form;
    Start(form);
    form.Guarded([] { MARVEK_ASSERT(false); });
    form.Guarded([] { throw EDatabaseProblem("The book is damaged.", 5010); });
    ASSERT_EQ(itsUi.itsShown.size(), 2u);
    EXPECT_EQ(itsUi.itsShown[0].itsKind, "error");
    EXPECT_NE(itsUi.itsShown[0].itsText.find("Assertion failure"), std::string::npos);
    EXPECT_EQ(itsUi.itsShown[1].itsText, "The book is damaged.");
    EXPECT_EQ(itsUi.itsShown[1].itsHelpContext, 5010);

    // Help commands ask for their topics.
    form.Action("HelpSpeedButton")->trigger();
    ASSERT_FALSE(form.itsHelp.empty());
    EXPECT_TRUE(form.isVisible());
}

} // namespace
} // namespace marvek::gui
