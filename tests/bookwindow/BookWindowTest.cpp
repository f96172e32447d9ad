// The book window's hold on its book: new books, opening with and without the training counts,
// and failures that leave no book open.

#include "bookwindow/BookWindow.h"

#include "book/Book2.h"
#include "book/BookTrainingDatabase.h"
#include "chess/ChessPosition.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace marvek::test {
namespace {

using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;

class BookWindowTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name = "Book") const { return itsFolder / name; }

    TScratchFolder itsFolder;
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
    TBookWindow itsWindow;
};

TEST_F(BookWindowTest, ANewBookReplacesTheOldOneAndHoldsTheStartPosition) {
    // An old book of the name, with its saved line.
    {
        TBookWindow old;
        old.OpenBook(Path(), true, false, false);
    }
    testsupport::WriteWholeFile(Path() + ".2B1", "line");
    testsupport::WriteWholeFile(Path() + ".2B2", "start");

    itsWindow.OpenBook(Path(), true, true, false);
    EXPECT_TRUE(itsWindow.BookOpen());
    EXPECT_EQ(itsWindow.BookName(), Path());
    EXPECT_EQ(itsWindow.Caption(), "Book");
    EXPECT_FALSE(itsWindow.ReadOnly());
    EXPECT_TRUE(itsWindow.Book().IsSafeSave());
    EXPECT_EQ(itsWindow.PositionCount(), 1);
    EXPECT_TRUE(itsWindow.Book().IsInBook(StartPosition()));
    EXPECT_FALSE(FileExists(Path() + ".2B1"));
    EXPECT_FALSE(FileExists(Path() + ".2B2"));
    EXPECT_TRUE(FileExists(Path() + "." + TBookTrainingDatabase::kDataExtension));
    EXPECT_TRUE(itsUi.itsShown.empty());

    itsWindow.CloseBook();
    EXPECT_FALSE(itsWindow.BookOpen());
    EXPECT_EQ(itsWindow.PositionCount(), 0);
    EXPECT_EQ(itsWindow.BookName(), "");
    itsWindow.CloseBook(); // nothing open: nothing happens
}

TEST_F(BookWindowTest, AReadOnlyBookLeavesItsTrainingCountsAlone) {
    TBook2 book;
    ASSERT_TRUE(book.Create(Path()));
    itsWindow.OpenBook(Path(), false, false, true);
    EXPECT_TRUE(itsWindow.ReadOnly());
    EXPECT_EQ(itsWindow.PositionCount(), 0);
    EXPECT_FALSE(FileExists(Path() + "." + TBookTrainingDatabase::kDataExtension));

    // Opened again for writing, the window closes the first book and opens the counts.
    itsWindow.OpenBook(Path(), false, false, false);
    EXPECT_FALSE(itsWindow.ReadOnly());
    EXPECT_TRUE(FileExists(Path() + "." + TBookTrainingDatabase::kDataExtension));
}

TEST_F(BookWindowTest, AFailedOpenLeavesNoBookAndARebuildRepairs) {
    itsWindow.OpenBook(Path(), true, false, false);
    itsWindow.CloseBook();
    RemoveFile(Path() + ".2MX");
    RemoveFile(Path() + ".2JX");

    itsWindow.OpenBook(Path("Other"), true, false, false);
    EXPECT_THROW(itsWindow.OpenBook(Path(), false, false, false), EDatabaseProblem);
    EXPECT_FALSE(itsWindow.BookOpen());
    EXPECT_EQ(itsWindow.BookName(), "");
    EXPECT_THROW(itsWindow.OpenBook(Path("Missing"), false, false, false), EDatabaseProblem);

    itsWindow.OpenBook(Path(), false, false, false, true);
    EXPECT_EQ(itsWindow.PositionCount(), 1);
}

TEST_F(BookWindowTest, ABookThatCannotBeCreatedRaises) {
    // A folder in the way of the data file.
    ASSERT_EQ(CreateFolder(Path() + ".2MD"), 0);
    EXPECT_THROW(itsWindow.OpenBook(Path(), true, false, false), EDatabaseProblem);
    EXPECT_FALSE(itsWindow.BookOpen());
    EXPECT_FALSE(itsUi.itsShown.empty());
}

} // namespace
} // namespace marvek::test
