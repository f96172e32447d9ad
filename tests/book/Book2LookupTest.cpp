// Reading and writing positions of a book: one record per position whatever its orientation,
// growth into further files, the disk-space rule, absent positions.

#include "app/Settings.h"
#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace marvek::test {
namespace {

using testsupport::PackedFromFen;
using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;

const char* const kAfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -";
// The same position with colours reversed: White to move after 1...e5 in a game begun by Black.
const char* const kTwin = "rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

class Book2LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(itsBook.Create(itsFolder / "Book"));
        itsBook.Open(itsFolder / "Book", false, false);
    }
    void TearDown() override {
        itsBook.Close();
        PositionFileSizeLimit() = 1799999999;
        FreeSpaceSeam().Reset();
    }
    static TPackedMove Move(const char* fen, const char* san) {
        TChessParser parser = testsupport::ParserAt(fen);
        parser.SetMoveText(san);
        EXPECT_TRUE(parser.ParseMove()) << san;
        return parser.GetChessMove();
    }
    TPositionRecord Stored(const char* fen) {
        TPositionRecord record;
        record.SetPosition(PackedFromFen(fen));
        return record;
    }

    TScratchFolder itsFolder;
    // Stops the engine before the folder goes, after the books have closed.
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
    TBook2 itsBook;
};

TEST_F(Book2LookupTest, ColourReversedTwinSharesTheRecord) {
    TPositionRecord record = Stored(kAfterE4);
    record.AddCandidate(Move(kAfterE4, "c5"));
    record.AddCandidate(Move(kAfterE4, "e5"));
    record.SetInformantRate(1);
    record.SetBacksolvedRate(2);
    record.SetAssessment(35);
    record.SetOpeningCode("B20");
    TRichTextBuffer comment;
    comment.AppendLine("The Sicilian.");
    itsBook.UpdateEverything(record, &comment);
    EXPECT_EQ(itsBook.PositionCount(), 1);

    TPositionRecord twin = Stored(kTwin);
    TRichTextBuffer read;
    itsBook.FillInEverything(twin, &read);
    ASSERT_EQ(twin.CandidateCount(), 2);
    EXPECT_TRUE(twin.Candidate(0).itsMove.SameMove(Move(kTwin, "c4")));
    EXPECT_TRUE(twin.Candidate(1).itsMove.SameMove(Move(kTwin, "e4")));
    EXPECT_EQ(twin.InformantRate(), 7);
    EXPECT_EQ(twin.BacksolvedRate(), 6);
    EXPECT_EQ(twin.Assessment(), -35);
    EXPECT_EQ(twin.OpeningCode(), "B20");
    EXPECT_EQ(read.PlainTextLines(), std::vector<std::string>{"The Sicilian."});

    int rate = 0, count = 0;
    RecRef ref = 0;
    int16_t numeric = 0;
    ASSERT_TRUE(itsBook.GetPositionCodeForThisBoard(PackedFromFen(kTwin), rate, ref, count, numeric));
    EXPECT_EQ(rate, 6);
    EXPECT_EQ(numeric, -35);
    EXPECT_GT(ref, 0);
    EXPECT_TRUE(itsBook.IsInBook(PackedFromFen(kAfterE4)));

    // Writing from the twin's side replaces the one record.
    twin.SetAssessment(-50);
    itsBook.UpdateEverything(twin, nullptr);
    EXPECT_EQ(itsBook.PositionCount(), 1);
    TPositionRecord again = Stored(kAfterE4);
    itsBook.FillInEverything(again, nullptr);
    EXPECT_EQ(again.Assessment(), 50);
}

TEST_F(Book2LookupTest, AbsentPositionKeepsRatesAndOpeningCode) {
    TPositionRecord record = Stored(kAfterE4);
    record.AddCandidate(Move(kAfterE4, "c5"));
    record.SetInformantRate(2);
    record.SetAssessment(10);
    record.SetOpeningCode("C20");
    itsBook.FillInEverything(record, nullptr);
    EXPECT_EQ(record.CandidateCount(), 0);
    EXPECT_EQ(record.Assessment(), kNoAssessment);
    EXPECT_EQ(record.BacksolvedCount(), 0);
    EXPECT_EQ(record.InformantRate(), 2);
    EXPECT_EQ(record.OpeningCode(), "C20");

    int rate = 0, count = 5;
    RecRef ref = 0;
    int16_t numeric = 77;
    EXPECT_FALSE(itsBook.GetPositionCodeForThisBoard(PackedFromFen(kAfterE4), rate, ref, count, numeric));
    EXPECT_EQ(rate, 9);
    EXPECT_EQ(ref, -1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(numeric, 77);
    EXPECT_FALSE(itsBook.IsInBook(PackedFromFen(kAfterE4)));
    EXPECT_TRUE(itsUi.itsShown.empty());
}

TEST_F(Book2LookupTest, CommentsAreWrittenInTheCommentFont) {
    TRichTextBuffer comment;
    TPositionRecord record = Stored(kAfterE4);
    itsBook.FillInEverything(record, &comment);
    comment.AppendLine("New note");
    const TCharFormat& format = comment.Document().Paragraphs().at(0).itsRuns.at(0).itsFormat;
    EXPECT_EQ(format.itsFont, Settings().CommentFontName());
    EXPECT_EQ(format.itsSize, Settings().CommentFontSize() * 2);
}

TEST_F(Book2LookupTest, NewPositionsGoToTheLastFileAndOldOnesAreStillFound) {
    itsBook.UpdateEverything(Stored(kAfterE4), nullptr);
    PositionFileSizeLimit() = 0; // file 1 is now past the limit
    itsBook.UpdateEverything(Stored(kTwin), nullptr);
    EXPECT_EQ(itsBook.PositionCount(), 1); // the twin is the same position
    itsBook.UpdateEverything(Stored("4k3/8/8/8/8/8/8/4K3 w - -"), nullptr);
    EXPECT_EQ(itsBook.PositionFileCount(), 2);
    EXPECT_EQ(itsBook.PositionCount(), 2);
    itsBook.Close();
    itsBook.Open(itsFolder / "Book", false, false);
    EXPECT_TRUE(itsBook.IsInBook(PackedFromFen(kAfterE4)));
    EXPECT_TRUE(itsBook.IsInBook(PackedFromFen("4k3/8/8/8/8/8/8/4K3 b - -")));
}

TEST_F(Book2LookupTest, FullDiskRefusesToWrite) {
    FreeSpaceSeam().Set(itsFolder.Path(), 39999);
    try {
        itsBook.UpdateEverything(Stored(kAfterE4), nullptr);
        FAIL() << "wrote to a full disk";
    } catch (const EDatabaseProblem& e) {
        EXPECT_STREQ(e.what(), "Not enough disk space.");
    }
    FreeSpaceSeam().Reset();
    EXPECT_EQ(itsBook.PositionCount(), 0);
}

TEST_F(Book2LookupTest, ReadOnlyBookIsNeverWritten) {
    itsBook.Close();
    itsBook.Open(itsFolder / "Book", true, false);
    EXPECT_THROW(itsBook.UpdateEverything(Stored(kAfterE4), nullptr), EInternalError);
    EXPECT_EQ(itsBook.PositionCount(), 0);
}

} // namespace
} // namespace marvek::test
