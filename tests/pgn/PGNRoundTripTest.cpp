// A book written as PGN and read back into a fresh book is the same book: the same positions, the
// same candidates in the same order with the same symbols, the same rates.

#include "app/Settings.h"
#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "pgn/BookToPGNExporter.h"
#include "pgn/PGNImporter.h"
#include "platform/Errors.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"
#include "support/SimplePgn.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <deque>
#include <set>

namespace marvek::test {
namespace {

using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;

const char* const kVaried = R"([Event "Varied"]
[Site "Here"]
[Date "2026.12.10"]
[Round "1"]
[White "A"]
[Black "B"]
[Result "1-0"]

1. e4 $1 {King's pawn.} c5 (1... e5 $2 2. Nf3 (2. f4 $5 exf4) 2... Nc6 $14 3. Bb5 a6 (3... Nf6 {Berlin} 4. O-O)
4. Ba4) 2. Nf3 $16 d6 (2... Nc6 3. d4 cxd4 4. Nxd4 $10) 3. d4 cxd4 4. Nxd4 Nf6 5. Nc3 a6 $6 {Najdorf.
Sharp.} 6. Bg5 e6 7. f4 $18 1-0

[Event "Second"]
[Result "0-1"]

1. d4 d5 2. c4 e6 (2... dxc4 $2 3. e3) 3. Nc3 Nf6 4. Bg5 Be7 $15 0-1
)";

class PGNRoundTripTest : public ::testing::Test {
protected:
    // lookAheadGames: the most games a batch of the look-ahead reads; 0 the program's choice,
    // -1 no look-ahead.
    void ImportInto(TBook2& book, const std::string& path, int32_t lookAheadGames = 0) {
        TPGNImportOptions options;
        options.itsHeaderInComment = false;
        options.itsNamingStyle = TNamingStyle::kNone;
        options.itsLookAhead = lookAheadGames >= 0;
        options.itsLookAheadGames = std::max(lookAheadGames, 0);
        TPGNImporter importer(options, nullptr);
        TRichTextBuffer comment;
        importer.Import(book, comment, "", TPlayerFilter::kNone, false, TNoveltyColours(), path);
    }
    // Every position reachable from the start through candidates, with what it holds.
    std::vector<std::string> Describe(TBook2& book) {
        std::vector<std::string> out;
        std::deque<TPackedPosition> queue{StartPosition()};
        std::set<std::vector<uint8_t>> seen;
        TChessParser parser;
        while (!queue.empty()) {
            TPackedPosition position = queue.front();
            queue.pop_front();
            TChessPosition canonical(position);
            const TPackedPosition& key = canonical.CanonicalPosition();
            if (!seen.insert({key.itsBytes.begin(), key.itsBytes.end()}).second) continue;
            TPositionRecord record;
            record.SetPosition(position);
            book.FillInEverything(record, nullptr);
            std::string text = TChessPosition(position).ToFEN() + " rates " +
                               std::to_string(record.InformantRate()) + "/" +
                               std::to_string(record.BacksolvedRate()) + ":";
            for (int i = 0; i < record.CandidateCount(); ++i) {
                parser.LoadPosition(position);
                const TPackedMove& move = record.Candidate(i).itsMove;
                std::string san = parser.NotationFor(move);
                text += " " + san + std::to_string(move.itsSymbol);
                parser.SetMoveText(san);
                if (parser.ParseMove()) {
                    parser.ApplyMove();
                    queue.push_back(parser.CurrentPosition());
                }
            }
            out.push_back(text);
        }
        return out;
    }

    TScratchFolder itsFolder;
    // Stops the engine before the folder goes, after the books have closed.
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
};

TEST_F(PGNRoundTripTest, ExportedBookReadsBackAsTheSameBook) {
    std::string source = itsFolder / "varied.pgn";
    testsupport::WriteWholeFile(source, kVaried);
    TBook2 first;
    ASSERT_TRUE(first.Create(itsFolder / "First"));
    first.Open(itsFolder / "First", false, false);
    ImportInto(first, source);
    std::vector<std::string> before = Describe(first);
    ASSERT_GT(before.size(), 20u);

    TSettings settings = Settings();
    settings.SetPgnExportErase(true);
    std::string exported = itsFolder / "exported.pgn";
    TBookToPGNExporter exporter(settings);
    ASSERT_TRUE(exporter.Export(first, StartPosition(), exported));
    first.Close();

    TBook2 second;
    ASSERT_TRUE(second.Create(itsFolder / "Second"));
    second.Open(itsFolder / "Second", false, false);
    ImportInto(second, exported);
    EXPECT_EQ(Describe(second), before);

    // Other PGN software reads the file without complaint.
    auto check = testsupport::RunProgram("/usr/games/pgn-extract", {"-s", "-r", exported});
    EXPECT_EQ(check.itsExitStatus, 0) << check.itsErr;
    EXPECT_EQ(check.itsErr.find("rror"), std::string::npos) << check.itsErr;
}

TEST_F(PGNRoundTripTest, AnImportKeptInLittleMemoryGivesTheSameBook) {
    // Written out after every step, and now and then: the book is the one a roomy import makes.
    std::string varied = itsFolder / "varied.pgn";
    testsupport::WriteWholeFile(varied, kVaried);
    const std::string eco = "/usr/share/pgn-extract/eco.pgn";
    for (auto [source, budget] : {std::pair{varied, size_t(1)}, std::pair{eco, size_t(1) << 20}}) {
        SCOPED_TRACE(source);
        TBook2 roomy, tight;
        ASSERT_TRUE(roomy.Create(itsFolder / "Roomy"));
        roomy.Open(itsFolder / "Roomy", false, false);
        ImportInto(roomy, source);
        ASSERT_TRUE(tight.Create(itsFolder / "Tight"));
        tight.Open(itsFolder / "Tight", false, false);
        tight.BeginBulkUpdate(budget);
        ImportInto(tight, source);
        EXPECT_TRUE(tight.InBulkUpdate()); // the caller's to end
        tight.EndBulkUpdate();
        EXPECT_EQ(tight.PositionCount(), roomy.PositionCount());
        EXPECT_EQ(Describe(tight), Describe(roomy));
    }
}

TEST_F(PGNRoundTripTest, GamesAddedToABookGiveTheSameBookWhicheverWayTheyAreLookedUp) {
    // Half the openings make the book; the other half are added to it, read with the whole book in
    // memory, probed for one by one, probed until reading the book pays, written out often, or
    // written out now and then with the book's keys in a filter; each looked up ahead in batches
    // of the program's size, in batches of a few games that cross the writing passes, or not.
    std::string eco = testsupport::ReadWholeFile("/usr/share/pgn-extract/eco.pgn");
    size_t half = eco.find("[ECO", eco.size() / 2);
    ASSERT_NE(half, std::string::npos);
    std::string first = itsFolder / "first.pgn", second = itsFolder / "second.pgn";
    testsupport::WriteWholeFile(first, eco.substr(0, half));
    testsupport::WriteWholeFile(second, eco.substr(half) + "\n" + kVaried);
    struct TCase {
        size_t itsBudget;
        size_t itsExpectedLookups;
        bool itsFromTheStart; // both files in one bulk update, from an empty book
        bool itsKnowsWholeBook;
        int32_t itsLookAheadGames = 0; // as ImportInto takes it
    };
    const TCase cases[] = {
        {BulkUpdateBytes(), 1000000, false, true},  // reading the book pays from the start
        {BulkUpdateBytes(), 1, false, true},        // it pays once a quarter of the book was probed
        {size_t(256) << 10, 1000000, false, false}, // the book does not fit: probes
        {1, 0, false, false},                       // written after every step
        {size_t(256) << 10, 0, true, true},         // written now and then, the keys filtered
        {BulkUpdateBytes(), 1, false, true, -1},    // without looking ahead
        {size_t(256) << 10, 1000000, false, false, -1},
        {size_t(256) << 10, 1000000, false, false, 7}, // batches of seven games
        {1, 0, false, false, 3},                       // each batch written out at once
        {size_t(256) << 10, 0, true, true, -1},
        {size_t(256) << 10, 0, true, true, 5}, // batches asking the filter
    };
    std::vector<std::string> reference;
    for (const TCase& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        std::string name = itsFolder / ("Added" + std::to_string(&c - cases));
        TBook2 book;
        ASSERT_TRUE(book.Create(name));
        book.Open(name, false, false);
        if (c.itsFromTheStart) book.BeginBulkUpdate(c.itsBudget, nullptr, c.itsExpectedLookups);
        ImportInto(book, first, c.itsLookAheadGames);
        if (!c.itsFromTheStart) book.BeginBulkUpdate(c.itsBudget, nullptr, c.itsExpectedLookups);
        ImportInto(book, second, c.itsLookAheadGames);
        EXPECT_EQ(book.KnowsWholeBook(), c.itsKnowsWholeBook);
        book.EndBulkUpdate();
        if (reference.empty()) {
            reference = Describe(book);
            ASSERT_GT(reference.size(), 3000u);
        } else {
            EXPECT_EQ(Describe(book), reference);
        }
    }
}

TEST_F(PGNRoundTripTest, AnImportKilledOnTheWayLeavesABookThatOpensWithTheGamesWritten) {
    std::string eco = testsupport::ReadWholeFile("/usr/share/pgn-extract/eco.pgn");
    size_t half = eco.find("[ECO", eco.size() / 2);
    ASSERT_NE(half, std::string::npos);
    std::string first = itsFolder / "first.pgn", second = itsFolder / "second.pgn";
    std::string note = itsFolder / "games.txt", name = itsFolder / "Killed";
    testsupport::WriteWholeFile(first, eco.substr(0, half));
    testsupport::WriteWholeFile(second, eco.substr(half));
    {
        TBook2 book;
        ASSERT_TRUE(book.Create(name));
        book.Open(name, false, false);
        ImportInto(book, first);
    }
    // Killed in the middle of the added games, having written its records after every step; it
    // notes how many games it had finished.
    class TKillingProgress : public TProgress {
    public:
        explicit TKillingProgress(std::string note) : itsNote(std::move(note)) {}
        void SetCounter(const std::string& caption, int64_t value) override {
            if (caption == "Games Imported:") itsGames = value;
        }
        bool ProcessMessages() override {
            if (++itsCalls == 4000) {
                testsupport::WriteWholeFile(itsNote, std::to_string(itsGames));
                raise(SIGKILL);
            }
            return false;
        }
        std::string itsNote;
        int itsCalls = 0;
        int64_t itsGames = 0;
    };
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TBook2 book;
        book.Open(name, false, false);
        book.BeginBulkUpdate(1);
        TKillingProgress progress(note);
        TPGNImporter importer(TPGNImportOptions(), &progress);
        TRichTextBuffer comment;
        importer.Import(book, comment, "", TPlayerFilter::kNone, false, TNoveltyColours(), second);
        _exit(3); // never killed
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    int64_t finished = std::stoll(testsupport::ReadWholeFile(note));
    ASSERT_GT(finished, 10);

    // The book opens, rebuilt where the engine asks for it, with the games before and every game
    // finished before the last write (the last one's records may still have been in memory).
    TBook2 book;
    try {
        book.Open(name, false, false);
    } catch (const EDatabaseProblem&) {
        book.Open(name, false, false, true, true);
    }
    ASSERT_TRUE(book.IsOpen());
    std::vector<testsupport::TSimpleGame> games = testsupport::ReadMainLines(eco.substr(0, half));
    std::vector<testsupport::TSimpleGame> added = testsupport::ReadMainLines(eco.substr(half));
    ASSERT_LT(finished, int64_t(added.size()));
    games.insert(games.end(), added.begin(), added.begin() + (finished - 1));
    TChessParser parser;
    for (const testsupport::TSimpleGame& game : games) {
        parser.LoadPosition(StartPosition());
        for (const std::string& san : game.itsMoves) {
            TPositionRecord record;
            record.SetPosition(parser.CurrentPosition());
            book.FillInEverything(record, nullptr);
            parser.SetMoveText(san);
            ASSERT_TRUE(parser.ParseMove()) << san;
            ASSERT_GE(record.FindCandidate(parser.GetChessMove()), 0) << san;
            parser.ApplyMove();
        }
    }
}

} // namespace
} // namespace marvek::test
