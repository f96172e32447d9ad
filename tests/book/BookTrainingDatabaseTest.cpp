// Training counts: a map from position to count kept beside a book, which follows the book when
// it is renamed or deleted and never loses a count to a failed write.

#include "book/BookTrainingDatabase.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "storage/IsamTestBase.h"
#include "support/ChessFixtures.h"
#include "support/RecordingUserInterface.h"

#include <functional>

namespace marvek::test {
namespace {

using marvek::testsupport::PackedFromFen;
using marvek::testsupport::TRecordingUserInterface;

// After 1.e4, Black to move, and its colour-reversed twin: one key, one count.
const char* const kAfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
const char* const kAfterE4Reversed = "rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char* const kAfterD4 = "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1";

class TrainingDatabaseTest : public IsamTest {
protected:
    void TearDown() override {
        FreeSpaceSeam().Reset();
        IsamTest::TearDown();
    }

    std::string Book(const std::string& name = "Book") const { return Base(name); }
    static std::string FileOf(const std::string& base, const char* extension) {
        return base + "." + extension;
    }

    const TPackedPosition itsE4 = PackedFromFen(kAfterE4);
    const TPackedPosition itsD4 = PackedFromFen(kAfterD4);
};

TEST_F(TrainingDatabaseTest, CountsGrowFromZeroAndTwinsShareThem) {
    TBookTrainingDatabase training;
    training.OpenTrainingFiles(Book(), false);
    ASSERT_TRUE(training.IsOpen());
    EXPECT_EQ(training.SuccessesForBoard(itsE4), 0);
    EXPECT_FALSE(training.BoardHasEntry(itsE4));
    for (int i = 0; i < 3; ++i) training.AddOneSuccessToBoard(itsE4);
    EXPECT_EQ(training.SuccessesForBoard(itsE4), 3);
    EXPECT_EQ(training.SuccessesForBoard(PackedFromFen(kAfterE4Reversed)), 3);
    EXPECT_EQ(training.SuccessesForBoard(itsD4), 0);
    EXPECT_EQ(training.BoardCount(), 1);
}

TEST_F(TrainingDatabaseTest, ACountOfZeroIsAnEntryUntilRemoved) {
    TBookTrainingDatabase training;
    training.OpenTrainingFiles(Book(), false);
    training.SetThisBoardsSuccessTo(itsE4, 0);
    EXPECT_TRUE(training.BoardHasEntry(itsE4));
    EXPECT_EQ(training.SuccessesForBoard(itsE4), 0);
    EXPECT_EQ(training.BoardCount(), 1);
    training.SetThisBoardsSuccessTo(itsE4, 12);
    EXPECT_EQ(training.SuccessesForBoard(itsE4), 12);
    EXPECT_EQ(training.BoardCount(), 1);

    training.RemoveBoard(itsE4);
    training.RemoveBoard(itsD4); // never counted: nothing to do
    EXPECT_FALSE(training.BoardHasEntry(itsE4));
    EXPECT_EQ(training.BoardCount(), 0);
}

TEST_F(TrainingDatabaseTest, CountsSurviveCloseAndReopenAndResetStartsAfresh) {
    {
        TBookTrainingDatabase training;
        training.OpenTrainingFiles(Book(), false);
        training.SetThisBoardsSuccessTo(itsE4, 5);
        training.AddOneSuccessToBoard(itsD4);
    } // the destructor closes
    TBookTrainingDatabase training;
    training.OpenTrainingFiles(Book(), false);
    EXPECT_EQ(training.SuccessesForBoard(itsE4), 5);
    EXPECT_EQ(training.SuccessesForBoard(itsD4), 1);
    training.CloseTrainingFiles();
    EXPECT_FALSE(training.IsOpen());

    training.OpenTrainingFiles(Book(), true);
    EXPECT_EQ(training.BoardCount(), 0);
    EXPECT_EQ(training.SuccessesForBoard(itsE4), 0);
}

TEST_F(TrainingDatabaseTest, CreatingReplacesAnEarlierDatabaseEvenARead_onlyOne) {
    {
        TBookTrainingDatabase training;
        training.OpenTrainingFiles(Book(), false);
        training.AddOneSuccessToBoard(itsE4);
    }
    ASSERT_EQ(SetReadOnly(FileOf(Book(), "2TM")), 0);
    TBookTrainingDatabase training;
    EXPECT_TRUE(training.CreateTrainingFiles(Book()));
    EXPECT_FALSE(training.IsOpen());
    training.OpenTrainingFiles(Book(), false);
    EXPECT_EQ(training.BoardCount(), 0);
}

TEST_F(TrainingDatabaseTest, WhileClosedCountsAreMinusOneAndChangesAreInternalErrors) {
    TBookTrainingDatabase training;
    EXPECT_EQ(training.SuccessesForBoard(itsE4), -1);
    const TPackedPosition e4 = itsE4;
    std::vector<std::function<void(TBookTrainingDatabase&)>> calls = {
        [&](TBookTrainingDatabase& t) { t.AddOneSuccessToBoard(e4); },
        [&](TBookTrainingDatabase& t) { t.SetThisBoardsSuccessTo(e4, 1); },
        [&](TBookTrainingDatabase& t) { t.RemoveBoard(e4); },
        [&](TBookTrainingDatabase& t) { t.BoardHasEntry(e4); },
        [&](TBookTrainingDatabase& t) { t.BoardCount(); },
        [&](TBookTrainingDatabase& t) { t.EmptyTrainingDatabase(); },
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_THROW(calls[i](training), EInternalError);
    }
}

TEST_F(TrainingDatabaseTest, TooLittleFreeSpaceRefusesAChange) {
    TBookTrainingDatabase training;
    training.OpenTrainingFiles(Book(), false);
    training.SetThisBoardsSuccessTo(itsE4, 2);
    FreeSpaceSeam().Set(itsFolder.Path(), 39999);
    for (bool addOne : {true, false}) {
        try {
            if (addOne)
                training.AddOneSuccessToBoard(itsE4);
            else
                training.SetThisBoardsSuccessTo(itsE4, 9);
            ADD_FAILURE() << "no exception";
        } catch (const EDatabaseProblem& problem) {
            EXPECT_STREQ(problem.what(), "Not enough disk space.");
            EXPECT_EQ(problem.HelpContext(), 5010);
        }
    }
    EXPECT_EQ(training.SuccessesForBoard(itsE4), 2);
}

// A change of a count is a deletion and an addition; a failure at any write or flush of either
// leaves the old count, in the open database and on disk.
TEST_F(TrainingDatabaseTest, AFailedChangeLeavesTheCountAsItWas) {
    TBookTrainingDatabase training;
    training.OpenTrainingFiles(Book(), false);
    training.SetThisBoardsSuccessTo(itsE4, 3);
    training.SetThisBoardsSuccessTo(itsD4, 4);
    int failures = 0;
    for (int* failAt : {&FileFaults().itsFailWriteAt, &FileFaults().itsFailFlushAt}) {
        training.SetThisBoardsSuccessTo(itsE4, 3);
        bool completed = false;
        for (int n = 1; !completed && n < 100; ++n) {
            SCOPED_TRACE(std::string(failAt == &FileFaults().itsFailWriteAt ? "write " : "flush ") +
                         std::to_string(n));
            FileFaults().Reset();
            *failAt = n;
            try {
                training.SetThisBoardsSuccessTo(itsE4, 7);
                completed = true;
            } catch (const EDatabaseProblem& problem) {
                ++failures;
                std::string text = problem.what();
                EXPECT_TRUE(
                    text == "Problem with BTDeleteKey() in TBookTrainingDatabase.SetThisBoardsSuccessTo()" ||
                    text == "Problem with BTAddKey() in TBookTrainingDatabase.SetThisBoardsSuccessTo()")
                    << text;
            }
            FileFaults().Reset();
            if (completed) break;
            EXPECT_EQ(training.SuccessesForBoard(itsE4), 3);
            EXPECT_EQ(training.BoardCount(), 2);
            training.CloseTrainingFiles();
            training.OpenTrainingFiles(Book(), false);
            EXPECT_EQ(training.SuccessesForBoard(itsE4), 3);
            EXPECT_EQ(training.SuccessesForBoard(itsD4), 4);
        }
        EXPECT_TRUE(completed);
        EXPECT_EQ(training.SuccessesForBoard(itsE4), 7);
    }
    EXPECT_GT(failures, 0);
}

TEST_F(TrainingDatabaseTest, EmptyingRemovesEveryEntryAndAFailureIsShown) {
    TRecordingUserInterface ui;
    TBookTrainingDatabase training;
    training.OpenTrainingFiles(Book(), false);
    training.AddOneSuccessToBoard(itsE4);
    training.AddOneSuccessToBoard(itsD4);

    FileFaults().Reset();
    FileFaults().itsFailWriteAt = 1;
    training.EmptyTrainingDatabase();
    FileFaults().Reset();
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Problem emptying training database."});
    EXPECT_TRUE(training.IsOpen());
    EXPECT_EQ(training.BoardCount(), 2);

    training.EmptyTrainingDatabase();
    EXPECT_EQ(training.BoardCount(), 0);
    EXPECT_EQ(ui.Texts().size(), 1u);
}

TEST_F(TrainingDatabaseTest, AFailedCreationShowsMessage473AndAFailedOpenThrows) {
    TRecordingUserInterface ui;
    TBookTrainingDatabase training;
    std::string missing = Base("no such folder/Book");
    EXPECT_FALSE(training.CreateTrainingFiles(missing));
    EXPECT_NE(training.CreateError(), 0);
    ASSERT_EQ(ui.itsShown.size(), 1u);
    EXPECT_EQ(ui.itsShown[0].itsKind, "information");
    EXPECT_EQ(ui.itsShown[0].itsText, "Could not load message 473");

    EXPECT_THROW(training.OpenTrainingFiles(missing, false), EDatabaseProblem);
    EXPECT_FALSE(training.IsOpen());

    // The files can be made, but the engine is not there to open them.
    BTStopEngine();
    try {
        training.OpenTrainingFiles(Book(), false);
        ADD_FAILURE() << "no exception";
    } catch (const EDatabaseProblem& problem) {
        EXPECT_STREQ(problem.what(), "The training database could not be opened. Error=10455");
        EXPECT_EQ(problem.HelpContext(), 5010);
    }
    EXPECT_FALSE(training.IsOpen());
}

TEST_F(TrainingDatabaseTest, RenamingFollowsTheBooksNewNameInTheSameFolder) {
    struct TCase {
        const char* itsNewBookFile;
        const char* itsNewBase;
    };
    const TCase cases[] = {
        {"Old Games.2MD", "Old Games"},
        {"/somewhere/else/My.Old.Games.2MD", "MyOldGames"},
        {"Plain", "Plain"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsNewBookFile);
        TBookTrainingDatabase training;
        training.OpenTrainingFiles(Book(), false);
        training.SetThisBoardsSuccessTo(itsE4, 6);
        EXPECT_TRUE(training.RenameTrainingFiles(c.itsNewBookFile));
        EXPECT_TRUE(training.IsOpen());
        EXPECT_EQ(training.ExpandedBasePath(), Book(c.itsNewBase));
        EXPECT_EQ(training.SuccessesForBoard(itsE4), 6);
        EXPECT_TRUE(MatchingFiles(Book()).empty());
        EXPECT_EQ(
            MatchingFiles(Book(c.itsNewBase)),
            (std::vector<std::string>{FileOf(Book(c.itsNewBase), "2T$"), FileOf(Book(c.itsNewBase), "2TI"),
                                      FileOf(Book(c.itsNewBase), "2TM")}));
        EXPECT_TRUE(training.DeleteTrainingFiles());
    }
}

TEST_F(TrainingDatabaseTest, WithoutJournalAndMessageFilesRenameAndDeleteSucceed) {
    TBookTrainingDatabase training;
    ASSERT_TRUE(training.CreateTrainingFiles(Book()));
    EXPECT_FALSE(FileExists(FileOf(Book(), "2T$")));
    EXPECT_TRUE(training.RenameTrainingFiles("Moved.2MD"));
    training.CloseTrainingFiles();
    ASSERT_EQ(RemoveFile(FileOf(Book("Moved"), "2T$")), 0);

    EXPECT_TRUE(training.DeleteTrainingFiles());
    EXPECT_TRUE(MatchingFiles(Book("Moved")).empty());
    EXPECT_FALSE(training.IsOpen());
    // Nothing left to delete.
    EXPECT_FALSE(training.DeleteTrainingFiles());
}

TEST_F(TrainingDatabaseTest, JournalAndMessageFilesMoveAndGoWithTheRest) {
    TBookTrainingDatabase training;
    training.OpenTrainingFiles(Book(), false);
    training.CloseTrainingFiles();
    WriteWholeFileBytes(FileOf(Book(), "2T@"), {'x'});
    training.OpenTrainingFiles(Book(), false);

    EXPECT_TRUE(training.RenameTrainingFiles("New.2MD"));
    EXPECT_EQ(MatchingFiles(Book("New")).size(), 4u);
    EXPECT_TRUE(MatchingFiles(Book()).empty());
    EXPECT_TRUE(training.DeleteTrainingFiles());
    EXPECT_TRUE(MatchingFiles(Book("New")).empty());
}

TEST_F(TrainingDatabaseTest, ReadOnlyMediaOrAFailedRenameMakeRenamingFalse) {
    TBookTrainingDatabase training;
    training.OpenTrainingFiles(Book(), false);
    training.CloseTrainingFiles();
    WriteWholeFileBytes(FileOf(Book(), "2T@"), {'x'});
    training.OpenTrainingFiles(Book(), false);
    training.AddOneSuccessToBoard(itsE4);

    FreeSpaceSeam().Set(itsFolder.Path(), 0);
    EXPECT_FALSE(training.RenameTrainingFiles("New.2MD"));
    EXPECT_TRUE(training.IsOpen());
    EXPECT_EQ(MatchingFiles(Book()).size(), 4u);
    FreeSpaceSeam().Reset();

    // The journal (third rename) stays behind; the message file still moves.
    FileFaults().Reset();
    FileFaults().itsFailRenameAt = 3;
    EXPECT_FALSE(training.RenameTrainingFiles("New.2MD"));
    FileFaults().Reset();
    EXPECT_EQ(MatchingFiles(Book()), std::vector<std::string>{FileOf(Book(), "2T$")});
    EXPECT_TRUE(FileExists(FileOf(Book("New"), "2T@")));
    EXPECT_TRUE(training.IsOpen());
    EXPECT_EQ(training.SuccessesForBoard(itsE4), 1);
}

} // namespace
} // namespace marvek::test
