// The book commands of the command-line tool, run as a real process.

#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/FileHelpers.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace marvek::test {
namespace {

using testsupport::RunCli;
using testsupport::TScratchFolder;

class BookCli : public ::testing::Test {
protected:
    std::string Book() const { return itsFolder / "Repertoire"; }
    TScratchFolder itsFolder;
};

TEST_F(BookCli, CreateNameListUnnameAndRebuild) {
    auto r = RunCli({"book", "create", itsFolder / "Reper.toire.2MD"});
    ASSERT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "created " + Book() + ".2MD\n");

    EXPECT_EQ(RunCli({"book", "name", Book(), "Sicilian", "--line", "e4 c5"}).itsExitStatus, 0);
    EXPECT_EQ(RunCli({"book", "name", Book() + ".2MD", "Start", "--fen", "startpos"}).itsExitStatus, 0);
    r = RunCli({"book", "names", Book()});
    EXPECT_EQ(r.itsOut, "Sicilian\trnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -\n"
                        "Start\trnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n");

    r = RunCli({"book", "unname", Book(), "Nobody"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsErr, "no position is named Nobody\n");
    EXPECT_EQ(RunCli({"book", "unname", Book(), "Start"}).itsExitStatus, 0);

    r = RunCli({"book", "rebuild", Book()});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "rebuilt " + Book() + ": 0 positions, 1 named positions\n");
    r = RunCli({"book", "stats", Book(), "--json"});
    EXPECT_NE(r.itsOut.find("\"names\":1"), std::string::npos) << r.itsOut;
    EXPECT_NE(r.itsOut.find("\"positions\":0"), std::string::npos) << r.itsOut;
}

TEST_F(BookCli, VerifyFindsARecordThatDisagreesWithItsKey) {
    ASSERT_EQ(RunCli({"book", "create", Book()}).itsExitStatus, 0);
    ASSERT_EQ(RunCli({"book", "name", Book(), "Open", "--line", "e4"}).itsExitStatus, 0);
    auto r = RunCli({"book", "verify", Book()});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsOut << r.itsErr;
    EXPECT_EQ(r.itsOut, "position files: 1\npositions: 0\nnamed positions: 1\nsound\n");

    // The name stored in the record (slot 1 of the names file) no longer matches its key.
    std::string names = testsupport::ReadWholeFile(Book() + ".2JD");
    names[80 + 39] = 'X';
    testsupport::WriteWholeFile(Book() + ".2JD", names);
    r = RunCli({"book", "verify", Book()});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_NE(r.itsOut.find(
                  "fault: names file: the name \"Open\" leads to record 1, which holds the name \"Xpen\""),
              std::string::npos)
        << r.itsOut;
}

TEST_F(BookCli, ShowPrintsARecordAsSeenFromTheBoard) {
    {
        TStorageSession storage;
        TBook2 book;
        ASSERT_TRUE(book.Create(Book()));
        book.Open(Book(), false, false);
        TChessParser parser = testsupport::ParserAt("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
        TPositionRecord start;
        start.SetPosition(StartPosition());
        for (const char* san : {"e4", "d4"}) {
            parser.SetMoveText(san);
            ASSERT_TRUE(parser.ParseMove());
            start.AddCandidate(parser.GetChessMove());
        }
        start.Candidate(0).itsMove.itsSymbol = 2; // "!"
        start.Candidate(0).itsGreen = true;
        start.SetInformantRate(3);
        start.SetAssessment(15);
        start.SetOpeningCode("A00");
        start.ScriptList() = {"dde4"};
        TRichTextBuffer comment;
        comment.AppendLine("Best by test.");
        book.UpdateEverything(start, &comment);
        // The position after 1.e4, stored from Black's side of the board.
        TPositionRecord afterE4;
        afterE4.SetPosition(
            testsupport::PackedFromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -"));
        afterE4.SetBacksolvedRate(2);
        afterE4.SetBacksolvedCount(5);
        afterE4.SetAssessment(20);
        book.UpdateEverything(afterE4, nullptr);
        book.UpdateBoardName(StartPosition(), "Start");
        book.Close();
    }
    auto r = RunCli({"book", "show", Book(), "--fen", "startpos"});
    ASSERT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "position: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n"
                        "name: Start\n"
                        "candidates: 2\n"
                        "  e4!\tmarks green\trate 2 (White slightly better), count 5, assessment 20\n"
                        "  d4\tmarks -\tnot in the book\n"
                        "Informant rate: 3 (equal)\n"
                        "backsolved rate: 9 (none), count 1\n"
                        "assessment: 15\n"
                        "certainty: 3\n"
                        "opening code: A00\n"
                        "reached by: \n"
                        "marks: dde4\n"
                        "comment:\n"
                        "  Best by test.\n");
    r = RunCli({"book", "show", Book(), "--line", "e4", "--json"});
    EXPECT_NE(r.itsOut.find("\"backsolvedRate\":2"), std::string::npos) << r.itsOut;
    r = RunCli({"book", "show", Book(), "--line", "d4"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsErr, "not in the book: rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq -\n");
    r = RunCli({"book", "verify", Book()});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsOut;
}

TEST_F(BookCli, MistakesAreReportedNotCrashedOn) {
    struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"book", "stats", "/nonexistent/Book"},
         1,
         "no book at /nonexistent/Book (its file /nonexistent/Book.2MD is missing)\n"},
        {{"book", "name", "/nonexistent/Book", "X", "--line", "e4 e6 Ke3"}, 1, "illegal move: Ke3\n"},
    };
    for (const auto& c : cases) {
        auto r = RunCli(c.args);
        EXPECT_EQ(r.itsExitStatus, c.status) << c.args[1];
        EXPECT_EQ(r.itsErr, c.err) << c.args[1];
    }
    EXPECT_EQ(RunCli({"book", "name", Book(), "X"}).itsExitStatus, 2); // which position?
}

} // namespace
} // namespace marvek::test
