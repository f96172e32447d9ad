// The main window's behaviour: start-up, the book commands and the shutdown, against a recording
// view and real books in a scratch folder.

#include "app/MainFrame.h"

#include "app/Settings.h"
#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "bookwindow/BookWindow.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>

namespace marvek::test {
namespace {

using testsupport::TRecordingUserInterface;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;

// Records what the frame asks of its window and answers its dialogs from a script.
class TRecordingView : public TMainFrameView {
public:
    void AddBookWindow(TBookWindow& window, const std::string& caption) override {
        itsCaptions[&window] = caption;
        Log("add " + caption);
    }
    void RemoveBookWindow(TBookWindow& window) override { Log("remove " + itsCaptions[&window]); }
    void ActivateBookWindow(TBookWindow& window) override { Log("activate " + itsCaptions[&window]); }
    void ShowLoadingPanel(bool visible) override { Log(visible ? "panel on" : "panel off"); }
    void ProcessPendingEvents() override { Log("events"); }
    std::optional<std::string> ChooseNewBook(const std::string& title, const std::string& folder,
                                             const std::string&) override {
        Log("choose new " + title + " in " + folder);
        return Next(itsNewBooks);
    }
    std::optional<TOpenBookChoice> ChooseBookToOpen(const std::string& title,
                                                    const std::string& folder) override {
        Log("choose open " + title + " in " + folder);
        return Next(itsOpenBooks);
    }
    bool ConfirmReplaceBook(const std::string& fileName) override {
        Log("confirm " + fileName);
        return itsConfirmReplace;
    }
    TWelcomeResult ShowWelcome() override {
        Log("welcome");
        return itsWelcome;
    }
    void ShowHelpContext(int context) override { Log("help " + std::to_string(context)); }
    void ShowCommentWindow() override { Log("comments on"); }
    void HideCommentWindow() override { Log("comments off"); }
    void SetShowHints(bool show) override { Log(show ? "hints on" : "hints off"); }
    void UpdateMenuItems(bool haveBookWindows) override { Log(haveBookWindows ? "menu on" : "menu off"); }
    void EnableTimers(bool enabled) override { Log(enabled ? "timers on" : "timers off"); }
    TWindowGeometry MainWindowGeometry() const override { return itsGeometry; }

    bool Saw(const std::string& entry) const {
        return std::find(itsLog.begin(), itsLog.end(), entry) != itsLog.end();
    }

    std::vector<std::string> itsLog;
    std::deque<std::optional<std::string>> itsNewBooks;
    std::deque<std::optional<TOpenBookChoice>> itsOpenBooks;
    bool itsConfirmReplace = false;
    TWelcomeResult itsWelcome;
    TWindowGeometry itsGeometry;

private:
    void Log(const std::string& entry) { itsLog.push_back(entry); }
    template <typename T>
    static std::optional<T> Next(std::deque<std::optional<T>>& script) {
        if (script.empty()) return std::nullopt;
        std::optional<T> next = script.front();
        script.pop_front();
        return next;
    }

    std::map<const TBookWindow*, std::string> itsCaptions;
};

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override { StartFrame(); }
    void TearDown() override {
        itsFrame.reset();
        FreeSpaceSeam().Reset();
    }

    // A frame as the program makes it at start, the welcome message switched off.
    void StartFrame() {
        itsFrame.reset();
        itsFrame = std::make_unique<TMainFrame>(itsView, itsSettings);
        itsFrame->Create();
        itsSettings.SetShowWelcomeMessage(false);
    }

    // An empty book, or one holding the start position and the positions of a few moves.
    std::string MakeBook(const std::string& name, int positions = 0) {
        std::string path = itsBooks / name;
        TBook2 book;
        EXPECT_TRUE(book.Create(path));
        book.Open(path, false, false);
        const char* lines[] = {"", "e4", "e4 e5", "d4", "c4"};
        for (int i = 0; i < positions; ++i) {
            TPositionRecord record;
            record.SetPosition(testsupport::PositionAfter(lines[i]));
            book.UpdateEverything(record, nullptr);
        }
        book.Close();
        return path;
    }

    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const auto& window : itsFrame->BookWindows()) captions.push_back(window->Caption());
        return captions;
    }
    std::string IniPath(const char* file) const { return itsHome / file; }
    void ChooseToOpen(const std::string& file, bool readOnly = false) {
        itsView.itsOpenBooks.push_back(TOpenBookChoice{file, readOnly});
    }

    TScratchFolder itsHome;
    TScratchFolder itsConfig;
    TScratchFolder itsBooks;
    TScopedEnvironment itsHomeVariable{"MARVEK_HOME", itsHome.Path()};
    TScopedEnvironment itsConfigVariable{"XDG_CONFIG_HOME", itsConfig.Path()};
    TRecordingUserInterface itsUi;
    TRecordingView itsView;
    TSettings itsSettings;
    std::unique_ptr<TMainFrame> itsFrame;
};

TEST_F(MainFrameTest, EveryOpenBookIsRecordedButNineComeBack) {
    std::vector<std::string> paths;
    for (int n = 1; n <= 11; ++n) {
        paths.push_back(MakeBook("Book" + std::to_string(n)));
        itsFrame->OpenBookWindow(paths.back(), false, n == 2, false);
    }
    itsFrame->Shutdown();
    EXPECT_TRUE(itsFrame->BookWindows().empty());
    EXPECT_EQ(itsView.itsLog.back(), "menu off");
    // Closed last to first.
    auto first = std::find(itsView.itsLog.begin(), itsView.itsLog.end(), "remove Book11");
    ASSERT_NE(first, itsView.itsLog.end());
    EXPECT_EQ(*(first + 2), "remove Book10");

    TIniFile ini(IniPath("MARVEK.INI"));
    EXPECT_EQ(ini.ReadSection("OpenBooks").size(), 22u);
    EXPECT_EQ(ini.ReadString("OpenBooks", "Book11", ""), paths[10]);
    EXPECT_TRUE(ini.ReadBool("OpenBooks", "Book2ReadOnly", false));
    EXPECT_FALSE(ini.ReadBool("OpenBooks", "Book1ReadOnly", true));

    // A book removed since is skipped without a word; the tenth and eleventh stay closed.
    RemoveFile(paths[2] + ".2MD");
    StartFrame();
    itsFrame->FirstActivation({});
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Book1", "Book2", "Book4", "Book5", "Book6", "Book7",
                                                    "Book8", "Book9"}));
    EXPECT_TRUE(itsFrame->BookWindows()[1]->ReadOnly());
    EXPECT_FALSE(itsFrame->BookWindows()[0]->ReadOnly());
    EXPECT_FALSE(itsView.Saw("choose open Open Chess Book in " + itsSettings.BooksFolder()));
    EXPECT_TRUE(itsUi.itsShown.empty());
}

TEST_F(MainFrameTest, TheGameFileListComesAndGoesThroughGamesIni) {
    TIniFile games(IniPath("GAMES.INI"));
    games.WriteString("GameFiles", "PGNFile0", "/games/a.pgn");
    games.WriteBool("GameFiles", "PGNFileChecked0", true);
    games.WriteString("GameFiles", "PGNFile1", "/games/b.pgn");
    games.WriteString("GameFiles", "PGNFile3", "/games/after the gap.pgn");
    games.WriteString("Other", "Kept", "yes");
    itsView.itsOpenBooks.push_back(std::nullopt);
    itsFrame->FirstActivation({});
    ASSERT_EQ(itsFrame->GameFiles().Count(), 2u);
    EXPECT_EQ(itsFrame->GameFiles().Name(0), "/games/a.pgn");
    EXPECT_TRUE(itsFrame->GameFiles().IsChecked(0));
    EXPECT_FALSE(itsFrame->GameFiles().IsChecked(1));
    // No book came back, so the open dialog was offered.
    EXPECT_EQ(itsView.itsLog.back(), "choose open Open Chess Book in " + itsSettings.BooksFolder());

    itsFrame->GameFiles().Remove({0});
    itsFrame->GameFiles().Add("/games/c.pgn");
    itsFrame->Shutdown();
    TIniFile written(IniPath("GAMES.INI"));
    EXPECT_EQ(written.ReadSection("GameFiles"),
              (std::vector<std::string>{"PGNFile0", "PGNFileChecked0", "PGNFile1", "PGNFileChecked1"}));
    EXPECT_EQ(written.ReadString("GameFiles", "PGNFile1", ""), "/games/c.pgn");
    EXPECT_TRUE(written.ReadBool("GameFiles", "PGNFileChecked1", false));
    EXPECT_EQ(written.ReadString("Other", "Kept", ""), "yes");
}

TEST_F(MainFrameTest, TheWelcomeDialogLeadsToHelpAndCanBeSwitchedOff) {
    itsSettings.SetShowWelcomeMessage(true);
    itsSettings.SetShowHints(false);
    itsView.itsWelcome = {true, true};
    itsFrame->FirstActivation({});
    EXPECT_TRUE(itsView.Saw("help 6259"));
    EXPECT_TRUE(itsView.Saw("hints off"));
    EXPECT_FALSE(itsSettings.ShowWelcomeMessage());
    EXPECT_TRUE(itsFrame->FirstActivationDone());
    size_t logged = itsView.itsLog.size();
    itsFrame->FirstActivation({});
    EXPECT_EQ(itsView.itsLog.size(), logged);
}

TEST_F(MainFrameTest, TheWindowPlaceIsSavedOnlyWhenNormal) {
    struct TCase {
        TWindowState itsState;
        int32_t itsExpectedLeft;
    };
    for (TCase c : {TCase{TWindowState::kNormal, 40}, TCase{TWindowState::kMaximized, 3}}) {
        SCOPED_TRACE(static_cast<int>(c.itsState));
        StartFrame();
        itsSettings.SetMainWindowLeft(3);
        itsView.itsGeometry = {40, 50, 600, 400, c.itsState};
        itsFrame->Shutdown();
        TSettings stored;
        LoadPreferences(stored);
        EXPECT_EQ(stored.MainWindowState(), static_cast<int>(c.itsState));
        EXPECT_EQ(stored.MainWindowLeft(), c.itsExpectedLeft);
        EXPECT_FALSE(stored.ShowWelcomeMessage());
        StartFrame();
        EXPECT_EQ(itsFrame->InitialGeometry().itsState, c.itsState);
        EXPECT_EQ(itsFrame->InitialGeometry().itsLeft, c.itsExpectedLeft);
    }
}

TEST_F(MainFrameTest, AnUnwritableBookListIsReportedAndTheShutdownGoesOn) {
    std::string path = MakeBook("Kept");
    itsFrame->OpenBookWindow(path, false, false, false);
    TIniFile(IniPath("MARVEK.INI")).WriteString("OpenBooks", "Book1", "/old");
    ASSERT_EQ(SetReadOnly(IniPath("MARVEK.INI")), 0);
    itsView.itsGeometry = {11, 12, 500, 300, TWindowState::kNormal};
    itsFrame->Shutdown();
    ASSERT_EQ(itsUi.itsShown.size(), 1u);
    EXPECT_NE(itsUi.itsShown[0].itsText.find("\"" + IniPath("MARVEK.INI") + "\""), std::string::npos)
        << itsUi.itsShown[0].itsText;
    EXPECT_TRUE(itsFrame->BookWindows().empty());
    TSettings stored;
    LoadPreferences(stored);
    EXPECT_EQ(stored.MainWindowLeft(), 11);
}

TEST_F(MainFrameTest, OpenBookRefusesWhatIsNoBook) {
    std::string old = itsBooks / "OLD.B8M";
    std::string game = itsHome / "$GAME$.2MD";
    testsupport::WriteWholeFile(old, "old book");
    testsupport::WriteWholeFile(game, "scratch");
    const std::string gameText = "This file is a temporary file used by the Marvek program.  It cannot be "
                                 "opened.\rEbooks are usually kept in the " +
                                 DefaultBooksFolder() + " folder.";
    const std::string convert = "This book is in an older format. Create a new format book from it? \r(The "
                                "original book will not be changed.)";
    struct TCase {
        std::string itsFile;
        std::deque<TAnswer> itsAnswers;
        std::vector<std::string> itsShown;
    };
    const TCase cases[] = {
        {itsBooks / "Missing.2MD", {}, {"This file does not exist."}},
        {game, {}, {gameText}},
        {old, {TAnswer::kNo}, {convert}},
        {old, {TAnswer::kYes}, {convert, "Converting books of the older format is not available yet."}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsFile);
        itsUi.itsShown.clear();
        itsUi.itsAnswers = c.itsAnswers;
        ChooseToOpen(c.itsFile);
        itsFrame->OpenBook();
        EXPECT_EQ(itsUi.Texts(), c.itsShown);
        EXPECT_TRUE(itsFrame->BookWindows().empty());
    }
    EXPECT_EQ(testsupport::ReadWholeFile(old), "old book");
    EXPECT_FALSE(FileExists(itsBooks / "OLD.2MD"));
}

TEST_F(MainFrameTest, OpenBookOpensOnceAndThenOnlyActivates) {
    std::string path = MakeBook("Repertoire", 2);
    ChooseToOpen(path + ".2MD");
    itsFrame->OpenBook();
    ASSERT_EQ(Captions(), std::vector<std::string>{"Repertoire"});
    EXPECT_EQ(itsFrame->BookWindows()[0]->BookName(), path);
    EXPECT_EQ(itsFrame->BookWindows()[0]->PositionCount(), 2);
    EXPECT_EQ(itsSettings.BooksFolder(), itsBooks.Path());
    EXPECT_EQ(itsView.itsLog.back(), "comments on");
    EXPECT_EQ(itsUi.itsWaitDepth, 0);

    std::string other = MakeBook("Other");
    itsFrame->OpenBookWindow(other, false, false, false);
    ChooseToOpen(path + ".2MD");
    itsFrame->OpenBook();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Repertoire", "Other"}));
    EXPECT_TRUE(itsView.Saw("activate Repertoire"));
    EXPECT_EQ(itsFrame->ActiveBookWindow(), itsFrame->BookWindows()[0].get());
    EXPECT_TRUE(itsUi.itsShown.empty());

    // Closing follows the active window; the comment window goes with the last book.
    itsFrame->CloseBook();
    EXPECT_EQ(Captions(), std::vector<std::string>{"Other"});
    EXPECT_FALSE(itsView.Saw("comments off"));
    itsFrame->BookWindowActivated(itsFrame->BookWindows()[0].get());
    itsFrame->CloseBook();
    EXPECT_EQ(itsFrame->ActiveBookWindow(), nullptr);
    EXPECT_EQ(itsView.itsLog.back(), "comments off");
    itsFrame->DelayedRefreshTimerTimer(); // nothing to tick
    itsFrame->CloseBook();
}

TEST_F(MainFrameTest, BooksOnMediaWithoutFreeSpaceOpenReadOnly) {
    std::string chosen = MakeBook("Chosen");
    std::string recorded = MakeBook("Recorded");
    std::string named = MakeBook("Named");
    TIniFile(IniPath("MARVEK.INI")).WriteString("OpenBooks", "Book1", recorded);
    FreeSpaceSeam().Set(itsBooks.Path(), 0);

    itsFrame->FirstActivation({"multi", named + ".2MD", itsBooks / "NotThere.2MD"});
    ChooseToOpen(chosen + ".2MD");
    itsFrame->OpenBook();
    ASSERT_EQ(Captions(), (std::vector<std::string>{"Recorded", "Named", "Chosen"}));
    for (const auto& window : itsFrame->BookWindows()) EXPECT_TRUE(window->ReadOnly()) << window->Caption();
    EXPECT_TRUE(itsUi.itsShown.empty());

    FreeSpaceSeam().Reset();
    itsFrame->CloseBook();
    ChooseToOpen(chosen + ".2MD");
    itsFrame->OpenBook();
    EXPECT_FALSE(itsFrame->BookWindows().back()->ReadOnly());
}

TEST_F(MainFrameTest, ADamagedBookIsOfferedARebuild) {
    struct TCase {
        const char* itsName;
        const char* itsDamagedFile;
        bool itsRebuildBlocked; // a folder where the rebuild puts its working copy
        TAnswer itsAnswer;
        const char* itsOutcome; // nullptr: no rebuild tried
        bool itsOpen;
    };
    const TCase cases[] = {
        {"Rebuilt", ".2MX", false, TAnswer::kYes, "The book was rebuilt successfully.", true},
        {"Declined", ".2MD", false, TAnswer::kNo, nullptr, false},
        {"Lost", ".2MD", true, TAnswer::kYes, "The book could not be rebuilt.", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsName);
        std::string path = MakeBook(c.itsName, 3);
        testsupport::PatchFile(path + c.itsDamagedFile, 0, std::string(16, '\xff'));
        if (c.itsRebuildBlocked) {
            ASSERT_EQ(CreateFolder(path + ".SAV"), 0);
        }
        itsUi.itsShown.clear();
        itsUi.itsAnswers = {c.itsAnswer};
        ChooseToOpen(path + ".2MD");
        itsFrame->OpenBook();

        ASSERT_GE(itsUi.itsShown.size(), 2u);
        EXPECT_EQ(itsUi.itsShown[0].itsKind, "information");
        EXPECT_EQ(itsUi.itsShown[0].itsHelpContext, EDatabaseProblem::kDefaultHelpContext);
        EXPECT_EQ(itsUi.itsShown[1].itsKind, "question");
        EXPECT_EQ(itsUi.itsShown[1].itsText,
                  "This book is damaged and should be rebuilt. Click Help for more "
                  "information.\rDo you want to rebuild the book now?");
        EXPECT_EQ(itsUi.itsShown[1].itsHelpContext, 6003);
        if (c.itsOutcome != nullptr) {
            EXPECT_EQ(itsUi.itsShown.back().itsText, c.itsOutcome);
        } else {
            EXPECT_EQ(itsUi.itsShown.size(), 2u);
        }
        EXPECT_EQ(itsFrame->FindBookWindow(path) != nullptr, c.itsOpen);
        if (c.itsOpen) {
            EXPECT_EQ(itsFrame->FindBookWindow(path)->PositionCount(), 3);
        }
        EXPECT_EQ(itsView.itsLog.back(), "comments on");
    }
}

TEST_F(MainFrameTest, NewBookReplacesAnOldBookOnlyWhenConfirmed) {
    std::string old = MakeBook("Old", 3);
    struct TCase {
        bool itsConfirm;
        int32_t itsPositions; // in the old book afterwards
    };
    for (TCase c : {TCase{false, 3}, TCase{true, 1}}) {
        SCOPED_TRACE(c.itsConfirm);
        itsView.itsConfirmReplace = c.itsConfirm;
        itsView.itsNewBooks.push_back(old + ".2md");
        itsFrame->NewBook();
        EXPECT_TRUE(itsView.Saw("confirm " + old + ".2MD"));
        EXPECT_EQ(itsFrame->BookWindows().empty(), !c.itsConfirm);
        if (c.itsConfirm) {
            EXPECT_EQ(itsFrame->FindBookWindow(old)->PositionCount(), c.itsPositions);
        }
    }
    itsFrame->CloseBook();
    TBook2 book;
    book.Open(old, true, false);
    EXPECT_EQ(book.PositionCount(), 1);
}

TEST_F(MainFrameTest, NewBookTakesTheDotsOutOfTheFileNameOnly) {
    std::string folder = itsBooks / "Open.ings/";
    ASSERT_EQ(CreateFolder(folder), 0);
    itsView.itsNewBooks = {folder + "King's.Indian", std::nullopt};
    std::string before = itsSettings.BooksFolder();
    itsFrame->NewBook();
    EXPECT_TRUE(itsView.Saw("choose new New Chess Book in " + before));
    ASSERT_EQ(Captions(), std::vector<std::string>{"King'sIndian"});
    EXPECT_EQ(itsFrame->BookWindows()[0]->BookName(), folder + "King'sIndian");
    EXPECT_TRUE(FileExists(folder + "King'sIndian.2MD"));
    EXPECT_EQ(itsFrame->BookWindows()[0]->PositionCount(), 1);
    EXPECT_EQ(itsSettings.BooksFolder(), folder);
    EXPECT_FALSE(itsView.Saw("confirm " + folder + "King'sIndian.2MD"));
    EXPECT_EQ(itsView.itsLog.back(), "comments on");

    // Cancelling the dialog changes nothing.
    itsFrame->NewBook();
    EXPECT_EQ(itsFrame->BookWindows().size(), 1u);
}

TEST_F(MainFrameTest, AFailedOpenTakesItsWindowAwayAndRestoresThePanel) {
    itsView.itsLog.clear();
    EXPECT_THROW(itsFrame->OpenBookWindow(itsBooks / "Nothing", false, false, false), EDatabaseProblem);
    EXPECT_EQ(itsView.itsLog, (std::vector<std::string>{"panel on", "events", "add Nothing", "menu on",
                                                        "remove Nothing", "menu off", "panel off"}));
    EXPECT_TRUE(itsFrame->BookWindows().empty());
    EXPECT_EQ(itsFrame->ActiveBookWindow(), nullptr);
    EXPECT_EQ(itsUi.itsWaitDepth, 0);

    // At start-up the same failure is shown and start-up goes on.
    itsFrame->OpenBooksFromArguments({itsBooks / "Nothing.2MD"});
    testsupport::WriteWholeFile(itsBooks / "Broken.2MD", "not a book");
    itsFrame->OpenBooksFromArguments({itsBooks / "Broken.2MD"});
    ASSERT_EQ(itsUi.itsShown.size(), 1u);
    EXPECT_EQ(itsUi.itsShown[0].itsHelpContext, EDatabaseProblem::kDefaultHelpContext);
    EXPECT_TRUE(itsFrame->BookWindows().empty());
}

TEST(MainFrameStartTest, AStorageEngineThatCannotStartIsReportedAndStartUpGoesOn) {
    TScratchFolder home;
    TScopedEnvironment homeVariable("MARVEK_HOME", home.Path());
    TScopedEnvironment configVariable("XDG_CONFIG_HOME", home.Path());
    TRecordingUserInterface ui;
    TRecordingView view;
    TSettings settings;
    TStorageSession running; // the engine is taken already
    {
        TMainFrame frame(view, settings);
        frame.Create();
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{
                                  "There was not enough RAM memory to start Marvek's database engine. (1)"});
        EXPECT_TRUE(settings.IsValid());
        EXPECT_FALSE(settings.BooksFolder().empty());
        EXPECT_EQ(view.itsLog, std::vector<std::string>{"timers off"});
    }
}

TEST_F(MainFrameTest, PreferencesTakenWithOkKeepTheFoldersFilled) {
    StartFrame();
    itsSettings.SetBooksFolder("");
    itsFrame->PreferencesClosed(true);
    EXPECT_EQ(itsSettings.BooksFolder(), DefaultBooksFolder());
    TSettings stored;
    LoadPreferences(stored);
    EXPECT_EQ(stored.BooksFolder(), DefaultBooksFolder());
}

} // namespace
} // namespace marvek::test
