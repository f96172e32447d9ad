// The book window's commands on the book as a whole: renaming it with its failures, deleting it,
// its statistics, and the board's orientation kept in the preferences.

#include "bookwindow/BookWindow.h"

#include "book/Book2.h"
#include "book/BookTrainingDatabase.h"
#include "bookwindow/BookWindowFixture.h"
#include "bookwindow/RecordingBookDialogs.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace marvek::test {
namespace {

using testsupport::PositionAfter;

constexpr const char* kExists = "This ebook file name already exists.";
constexpr const char* kRenameProblem = "There was a problem renaming the ebook.";
constexpr const char* kTrainingProblem = "There was a problem renaming the ebook training files.";

class BookWindowFileTest : public BookWindowFixture {
protected:
    void SetUp() override {
        BookWindowFixture::SetUp();
        Window().SetDialogs(&itsDialogs);
        Type("e4 e5");
        Window().Book().UpdateBoardName(StartPosition(), "Start");
        Window().SaveLine();
    }
    void TearDown() override { FileFaults().Reset(); }
    std::string In(const std::string& name) const { return itsFolder / name; }
    // The file names in the folder that belong to the book called `name`.
    std::vector<std::string> FilesOf(const std::string& name) const {
        std::vector<std::string> files;
        for (const std::string& file : MatchingFiles(In(name)))
            files.push_back(std::filesystem::path(file).filename().string());
        std::sort(files.begin(), files.end());
        return files;
    }
    // What a book file set that was opened and used holds, for the name.
    static std::vector<std::string> BookFiles(const std::string& name, bool withLine) {
        std::vector<std::string> files;
        for (const char* extension : {"2B1", "2B2", "2JD", "2JX", "2MD", "2MX", "2T$", "2TI", "2TM"}) {
            if (!withLine && extension[1] == 'B') continue;
            files.push_back(name + "." + extension);
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    TRecordingBookDialogs itsDialogs;
};

TEST_F(BookWindowFileTest, RenamingKeepsTheFolderDropsDotsAndMovesEveryFile) {
    itsDialogs.itsChosenFile = "/somewhere/else/My.New.Book.2MD";
    Window().RenameBook();
    EXPECT_EQ(itsDialogs.itsFileDialog,
              (std::vector<std::string>{"Rename Ebook", itsFolder.Path(), "Book.2MD"}));
    EXPECT_TRUE(Texts().empty());
    EXPECT_EQ(Window().BookName(), In("MyNewBook"));
    EXPECT_EQ(itsDialogs.itsCaption, "MyNewBook");
    // The old saved line is gone; the new one is written when the window closes.
    EXPECT_TRUE(FilesOf("Book").empty());
    EXPECT_EQ(FilesOf("MyNewBook"), BookFiles("MyNewBook", false));
    EXPECT_TRUE(Window().Book().ThisBoardNameExists("Start"));
    Type("Nf3");
    itsWindow.reset();
    EXPECT_EQ(FilesOf("MyNewBook"), BookFiles("MyNewBook", true));
}

TEST_F(BookWindowFileTest, RenamingToAnExistingNameOrCancellingChangesNothing) {
    {
        TBook2 other;
        ASSERT_TRUE(other.Create(In("Taken")));
    }
    const auto before = FilesOf("Book");
    for (const std::optional<std::string> chosen :
         {std::optional<std::string>("Taken.2MD"), std::optional<std::string>("Ta.ken"),
          std::optional<std::string>()}) {
        itsUi.itsShown.clear();
        itsDialogs.itsChosenFile = chosen;
        Window().RenameBook();
        EXPECT_EQ(Texts(), chosen ? std::vector<std::string>{kExists} : std::vector<std::string>{});
        EXPECT_EQ(Window().BookName(), Path());
        EXPECT_EQ(FilesOf("Book"), before);
        EXPECT_EQ(itsDialogs.itsCaption, "");
    }
}

TEST_F(BookWindowFileTest, AFailedRenameOfTheBookKeepsItWhereItWas) {
    const auto before = FilesOf("Book");
    itsDialogs.itsChosenFile = "Renamed.2MD";
    FileFaults().itsFailRenameAt = 3;
    Window().RenameBook();
    EXPECT_EQ(Texts(), std::vector<std::string>{kRenameProblem});
    EXPECT_EQ(FilesOf("Book"), before);
    EXPECT_TRUE(FilesOf("Renamed").empty());
    EXPECT_EQ(Window().BookName(), Path());
    // The book is open and usable under its old name.
    EXPECT_TRUE(Window().Book().ThisBoardNameExists("Start"));
    Type("Nf3");
    EXPECT_TRUE(Window().Book().IsInBook(PositionAfter("e4 e5")));
}

TEST_F(BookWindowFileTest, AFailedRenameOfTheTrainingFilesLeavesThemUnderTheOldName) {
    // The book's own files are renamed first; the first training file's rename fails.
    int bookFiles = 0;
    for (const std::string& file : FilesOf("Book"))
        bookFiles += file.find(".2M") != std::string::npos || file.find(".2J") != std::string::npos;
    itsDialogs.itsChosenFile = "Renamed.2MD";
    FileFaults().itsFailRenameAt = bookFiles + 1;
    Window().RenameBook();
    EXPECT_EQ(Texts(), std::vector<std::string>{kTrainingProblem});
    EXPECT_TRUE(FileExists(In("Renamed.2MD")));
    EXPECT_FALSE(FileExists(In("Book.2MD")));
    EXPECT_TRUE(FileExists(In("Book.") + TBookTrainingDatabase::kDataExtension));
    EXPECT_EQ(Window().BookName(), In("Renamed"));
}

TEST_F(BookWindowFileTest, RenamingInAReadOnlyFolderFails) {
    if (geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only folders";
    std::filesystem::permissions(itsFolder.Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    itsDialogs.itsChosenFile = "Renamed.2MD";
    Window().RenameBook();
    std::filesystem::permissions(itsFolder.Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(Texts(), std::vector<std::string>{kRenameProblem});
    EXPECT_TRUE(FileExists(Path() + ".2MD"));
    EXPECT_EQ(Window().BookName(), Path());
}

TEST_F(BookWindowFileTest, OnlyYesDeletesTheBookAndClosesTheWindowWithoutSaving) {
    const std::string question =
        "This will permanently delete this ebook. (" + Path() + ")\rAre you sure you want to do this?";
    for (TAnswer answer : {TAnswer::kNo, TAnswer::kCancel, TAnswer::kYes}) {
        itsUi.itsShown.clear();
        itsUi.itsAnswers = {answer};
        Window().SetOwnRate(3);
        Window().DeleteBook();
        EXPECT_EQ(Texts(), std::vector<std::string>{question});
        const bool deleted = answer == TAnswer::kYes;
        EXPECT_EQ(Window().BookOpen(), !deleted);
        EXPECT_EQ(itsDialogs.itsCloses, deleted ? 1 : 0);
        EXPECT_EQ(FilesOf("Book"), deleted ? std::vector<std::string>{} : BookFiles("Book", true));
    }
    itsWindow.reset();
    EXPECT_TRUE(FilesOf("Book").empty());
}

TEST_F(BookWindowFileTest, ReadOnlyBooksAreNeitherRenamedNorDeleted) {
    Reopen(true);
    Window().SetDialogs(&itsDialogs);
    itsDialogs.itsChosenFile = "Renamed.2MD";
    itsUi.itsAnswers = {TAnswer::kYes};
    Window().RenameBook();
    Window().DeleteBook();
    EXPECT_EQ(Texts(), std::vector<std::string>(2, "This book was opened \"read only.\""));
    EXPECT_TRUE(itsDialogs.itsFileDialog.empty());
    EXPECT_TRUE(FileExists(Path() + ".2MD"));
}

TEST_F(BookWindowFileTest, AboutThisBookCountsOverEveryPositionFile) {
    const std::int64_t limit = PositionFileSizeLimit();
    PositionFileSizeLimit() = 1; // every new position after the first goes to a further file
    Type("Nf3 Nc6 Bb5");
    Window().GoToStartingPosition();
    ASSERT_GT(Window().Book().PositionFileCount(), 1);
    int positions = 0;
    for (const char* line : {"", "e4", "e4 e5", "e4 e5 Nf3", "e4 e5 Nf3 Nc6", "e4 e5 Nf3 Nc6 Bb5"})
        positions += Window().Book().IsInBook(PositionAfter(line));
    Window().AboutThisBook();
    ASSERT_TRUE(itsDialogs.itsStatistics.has_value());
    const TBookStatistics& statistics = *itsDialogs.itsStatistics;
    EXPECT_EQ(statistics.itsPath, Path() + ".2MD");
    EXPECT_EQ(statistics.itsPositions, positions);
    EXPECT_EQ(statistics.itsNamedPositions, 1);
    std::int64_t size = 0;
    FileSize(Path() + ".2MD", &size);
    EXPECT_EQ(statistics.itsMainFileSize, size);
    EXPECT_FALSE(statistics.itsReadOnly);
    EXPECT_FALSE(statistics.itsDatabaseSafety);
    EXPECT_EQ(statistics.itsTrainingPositions, 0);
    PositionFileSizeLimit() = limit;

    itsWindow.reset();
    itsWindow = std::make_unique<TBookWindow>();
    itsWindow->OpenBook(Path(), false, true, true);
    EXPECT_TRUE(itsWindow->Statistics().itsReadOnly);
    EXPECT_TRUE(itsWindow->Statistics().itsDatabaseSafety);
}

TEST_F(BookWindowFileTest, WhiteAtBottomTurnsTheBoardAndIsKeptInThePreferences) {
    for (bool expected : {false, true}) {
        Window().ToggleWhiteAtBottom();
        EXPECT_EQ(itsDialogs.itsWhiteAtBottom, expected);
        EXPECT_EQ(Settings().WhiteAtBottom(), expected);
    }
}

} // namespace
} // namespace marvek::test
