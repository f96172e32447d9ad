// A book written as PGN and read back into a fresh book is the same book: the same positions, the
// same candidates in the same order with the same symbols, the same rates.

#include "app/Settings.h"
#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "pgn/BookToPGNExporter.h"
#include "pgn/PGNImporter.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

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
    void ImportInto(TBook2& book, const std::string& path) {
        TPGNImportOptions options;
        options.itsHeaderInComment = false;
        options.itsNamingStyle = TNamingStyle::kNone;
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

} // namespace
} // namespace marvek::test
