// Writing a book as one PGN game: the walk's order, move numbers, NAGs, comments, wrapping, tags,
// transpositions, Stop, file errors, and a varied export that pgn-extract reads without a fault.

#include "pgn/BookToPGNExporter.h"
#include "app/Settings.h"
#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "chess/Notation.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace marvek::test {
namespace {

using testsupport::PackedFromFen;
using testsupport::ReadWholeFile;
using testsupport::TRecordingProgress;
using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;
using TOutcome = TBookToPGNExporter::TOutcome;

const std::string kHeaderOfEmptyTags = "\n[Event \"?\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n"
                                       "[White \"?\"]\n[Black \"?\"]\n[Result \"*\"]\n\n";

// 32 plies without a repeated position.
const std::string kGame = "d4 Nf6 c4 e6 Nc3 Bb4 e3 O-O Bd3 d5 Nf3 c5 O-O Nc6 a3 Bxc3 bxc3 dxc4 Bxc4 Qc7 "
                          "Bd3 e5 Qc2 Re8 e4 exd4 cxd4 Bg4 d5 Nd4 Nxd4 cxd4";

class BookToPGNExporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(itsBook.Create(itsFolder / "Book"));
        itsBook.Open(itsFolder / "Book", false, false);
        itsSettings.SetPgnExportErase(true);
    }
    void TearDown() override { itsBook.Close(); }

    // The position after a line of moves from `from`.
    static TPackedPosition After(const std::string& line, const TPackedPosition& from = StartPosition()) {
        return testsupport::PositionAfter(line, from);
    }

    // Stores the record of the position after `line`: candidates such as "e4!" or "Nf3" in this
    // order, an Informant rate and a comment of plain lines.
    void Put(const std::string& line, const std::vector<std::string>& moves, int rate = kRateNone,
             const std::vector<std::string>& comment = {}, const TPackedPosition& from = StartPosition()) {
        TPositionRecord record;
        record.SetPosition(After(line, from));
        for (const std::string& text : moves) {
            std::size_t symbolAt = text.find_first_of("!?");
            TChessParser parser;
            parser.LoadPosition(record.Position());
            parser.SetMoveText(text.substr(0, symbolAt));
            ASSERT_TRUE(parser.ParseMove()) << text;
            TPackedMove move = parser.GetChessMove();
            move.itsSymbol = std::uint8_t(
                symbolAt == std::string::npos ? kSymbolNone : SymbolFromText(text.substr(symbolAt)));
            record.AddCandidate(move);
        }
        record.SetInformantRate(rate);
        TRichTextBuffer buffer;
        for (const std::string& text : comment) buffer.AppendLine(text);
        itsBook.UpdateEverything(record, comment.empty() ? nullptr : &buffer);
    }

    // Stores a main line of moves from the start position.
    void PutLine(const std::string& game) {
        std::istringstream moves(game);
        std::string line, move;
        while (moves >> move) {
            Put(line, {move});
            line += (line.empty() ? "" : " ") + move;
        }
    }

    // Exports and returns the whole file.
    std::string Export(const TPackedPosition& start = StartPosition(), TProgress* progress = nullptr) {
        TBookToPGNExporter exporter(itsSettings);
        EXPECT_TRUE(exporter.Export(itsBook, start, File(), progress));
        itsOutcome = exporter.Outcome();
        itsProcessed = exporter.PositionsProcessed();
        return ReadWholeFile(File());
    }
    // What follows the tags.
    std::string Moves(const TPackedPosition& start = StartPosition(), TProgress* progress = nullptr) {
        std::string text = Export(start, progress);
        std::size_t end = text.find("\n\n", 1);
        EXPECT_NE(end, std::string::npos) << text;
        return text.substr(end + 2);
    }
    std::string File() const { return itsFolder / "out.pgn"; }

    TScratchFolder itsFolder;
    // Stops the engine before the folder goes, after the books have closed.
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
    TBook2 itsBook;
    TSettings itsSettings;
    TOutcome itsOutcome = TOutcome::kComplete;
    int itsProcessed = 0;
};

TEST_F(BookToPGNExporterTest, EmptyBookWritesTheTagsAndTheResultOnly) {
    EXPECT_EQ(Export(), kHeaderOfEmptyTags + "*\n");
    EXPECT_EQ(itsOutcome, TOutcome::kComplete);
    EXPECT_EQ(itsProcessed, 1);
    EXPECT_TRUE(itsUi.itsShown.empty());
}

// The first candidate is the main line, the others variations in their order, each before the
// main line goes on; a Black move is numbered only where a variation starts.
TEST_F(BookToPGNExporterTest, VariationsComeInCandidateOrderBeforeTheMainLineGoesOn) {
    Put("", {"e4!", "d4", "c4?!"});
    Put("e4", {"c5!?", "e5"});
    Put("e4 c5", {"Nf3"});
    Put("e4 c5 Nf3", {}, 1);
    Put("d4", {"d5"}, 3, {"Queen's {pawn}"});
    Put("d4 d5", {"c4"});
    Put("d4 d5 c4", {"e6", "c6"});
    EXPECT_EQ(Moves(), "1. e4 $1 (1. d4 $11 {Queen's [pawn]} d5 2. c4 e6 (2...c6)) (1. c4 $6) c5 $5\n"
                       "(1...e5) 2. Nf3 $16 *\n");
    EXPECT_EQ(itsOutcome, TOutcome::kComplete);
    EXPECT_EQ(itsProcessed, 11);
}

TEST_F(BookToPGNExporterTest, MoveNumbersAfterCommentsAndVariations) {
    Put("", {"e4"});
    Put("e4", {"e5"}, kRateNone, {"Open."});
    Put("e4 e5", {"Nf3", "Bc4"});
    Put("e4 e5 Nf3", {"Nc6"}, kRateNone, {"Main."});
    // After a comment at a Black move, and after a variation, the Black move has no number.
    EXPECT_EQ(Moves(), "1. e4 {Open.} e5 2. Nf3 (2. Bc4) {Main.} Nc6 *\n");
}

TEST_F(BookToPGNExporterTest, SymbolsAndRatesBecomeNags) {
    struct TRow {
        std::string itsMove;
        int itsRate;
        std::string itsExpected;
    };
    const TRow rows[] = {
        {"e4", kRateNone, "1. e4 *"},      {"e4!", kRateNone, "1. e4 $1 *"},
        {"e4!?", kRateNone, "1. e4 $5 *"}, {"e4!!", kRateNone, "1. e4 $3 *"},
        {"e4?", kRateNone, "1. e4 $2 *"},  {"e4?!", kRateNone, "1. e4 $6 *"},
        {"e4??", kRateNone, "1. e4 $4 *"}, {"e4", 0, "1. e4 $18 *"},
        {"e4", 1, "1. e4 $16 *"},          {"e4", 2, "1. e4 $14 *"},
        {"e4", 3, "1. e4 $11 *"},          {"e4", 4, "1. e4 $13 *"},
        {"e4", 5, "1. e4 $44 *"},          {"e4", 6, "1. e4 $15 *"},
        {"e4", 7, "1. e4 $17 *"},          {"e4!", 8, "1. e4 $1 $19 *"},
        {"e4", kRateSpecial, "1. e4 *"},
    };
    for (const TRow& row : rows) {
        Put("", {row.itsMove});
        Put("e4", {}, row.itsRate);
        EXPECT_EQ(Moves(), row.itsExpected + "\n") << row.itsMove << " rate " << row.itsRate;
    }
}

// The rate of the main move's position goes unwritten when the position has variations, since
// the variation comes between the move and its rate.
TEST_F(BookToPGNExporterTest, RateOfTheMainMoveIsLeftOutBeforeAVariation) {
    Put("", {"e4", "d4"});
    Put("e4", {}, 1);
    Put("d4", {}, 2);
    EXPECT_EQ(Moves(), "1. e4 (1. d4 $14) *\n");
}

// Comments: braces become brackets, a line with a parenthesis gets a space behind it, spaces in a
// row survive, and tokens wrap so that no line grows by a token past 77 characters.
TEST_F(BookToPGNExporterTest, CommentsAndWrapping) {
    struct TRow {
        std::vector<std::string> itsComment;
        std::string itsExpected;
    };
    const std::string x74(74, 'x'), x75(75, 'x'), x100(100, 'x');
    const TRow rows[] = {
        {{"Good {idea} }{"}, "{Good [idea] ][} *\n"},
        {{"see (a)"}, "{see (a) } *\n"},
        {{"two  spaces"}, "{two  spaces} *\n"},
        {{"first", "", "last "}, "{first last } *\n"},
        {{" lead"}, "{ lead} *\n"},
        // "{" + 74 + " " + "y}" is 78 characters: the token is measured without its space.
        {{x74 + " y"}, "{" + x74 + " y}\n*\n"},
        {{x75 + " y"}, "{" + x75 + "\ny} *\n"},
        // A token longer than a line stands alone, with no empty line before it.
        {{x100}, "{" + x100 + "}\n*\n"},
        {{"a", x100}, "{a\n" + x100 + "}\n*\n"},
    };
    for (const TRow& row : rows) {
        Put("", {}, kRateNone, row.itsComment);
        EXPECT_EQ(Moves(), row.itsExpected) << row.itsComment.front();
    }
}

TEST_F(BookToPGNExporterTest, LongMainLineWrapsAt77) {
    PutLine(kGame);
    std::string text = Moves();
    EXPECT_EQ(text, "1. d4 Nf6 2. c4 e6 3. Nc3 Bb4 4. e3 O-O 5. Bd3 d5 6. Nf3 c5 7. O-O Nc6 8. a3\n"
                    "Bxc3 9. bxc3 dxc4 10. Bxc4 Qc7 11. Bd3 e5 12. Qc2 Re8 13. e4 exd4 14. cxd4 Bg4\n"
                    "15. d5 Nd4 16. Nxd4 cxd4 *\n");
}

TEST_F(BookToPGNExporterTest, TranspositionIsWrittenUnderTheFirstLineOnly) {
    Put("", {"e4", "d4"});
    Put("e4", {"e6"});
    Put("e4 e6", {"d4"});
    Put("d4", {"e6"});
    Put("d4 e6", {"e4"});
    Put("e4 e6 d4", {"d5"}, 3);
    Put("e4 e6 d4 d5", {"Nc3"});
    // The variation is walked first, so the shared position's moves stand there.
    EXPECT_EQ(Moves(), "1. e4 (1. d4 e6 2. e4 $11 d5 3. Nc3) e6 2. d4 $11 *\n");
    EXPECT_EQ(itsProcessed, 8);
}

TEST_F(BookToPGNExporterTest, LineThatReturnsToItsOwnPositionEndsThere) {
    Put("", {"Nf3"});
    Put("Nf3", {"Nf6"});
    Put("Nf3 Nf6", {"Ng1"});
    Put("Nf3 Nf6 Ng1", {"Ng8"});
    EXPECT_EQ(Moves(), "1. Nf3 Nf6 2. Ng1 Ng8 *\n");
}

TEST_F(BookToPGNExporterTest, TagsFromTheSettings) {
    struct TRow {
        std::string itsEvent, itsDate, itsRound;
        int itsResult;
        std::string itsEco;
        std::string itsExpected;
    };
    const TRow rows[] = {
        {"Club \"A\\B\"", "03/15/1999", " 7", 1, "B20",
         "[Event \"Club \\\"A\\\\B\\\"\"]\n[Site \"?\"]\n[Date \"1999.03.15\"]\n[Round \"7\"]\n"
         "[White \"?\"]\n[Black \"?\"]\n[Result \"1-0\"]\n[ECO \"B20\"]\n\n1-0\n"},
        {"", "2001.12.31", " ", 3, "?",
         "[Event \"?\"]\n[Site \"?\"]\n[Date \"2001.12.31\"]\n[Round \"?\"]\n"
         "[White \"?\"]\n[Black \"?\"]\n[Result \"1/2-1/2\"]\n\n1/2-1/2\n"},
        {"", "", "", 2, "",
         "[Event \"?\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n"
         "[White \"?\"]\n[Black \"?\"]\n[Result \"0-1\"]\n\n0-1\n"},
    };
    for (const TRow& row : rows) {
        itsSettings.SetPgnExportEvent(row.itsEvent);
        itsSettings.SetPgnExportDate(row.itsDate);
        itsSettings.SetPgnExportRound(row.itsRound);
        itsSettings.SetPgnExportResult(row.itsResult);
        itsSettings.SetPgnExportEco(row.itsEco);
        EXPECT_EQ(Export(), "\n" + row.itsExpected) << row.itsEvent;
    }
    itsSettings.SetPgnExportSite("Paris");
    itsSettings.SetPgnExportWhite("Morphy, P.");
    itsSettings.SetPgnExportBlack("Duke");
    std::string text = Export();
    EXPECT_NE(text.find("[Site \"Paris\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n[White \"Morphy, P.\"]\n"
                        "[Black \"Duke\"]\n"),
              std::string::npos)
        << text;
}

TEST(ExportDateTag, BothFormsAndBadParts) {
    const std::pair<std::string, std::string> rows[] = {
        {"", "????.??.??"},           {"03/15/1999", "1999.03.15"}, {"1999.03.15", "1999.03.15"},
        {" 3/ 5/2001", "2001.03.05"}, {"2001. 1. 9", "2001.01.09"}, {"13/32/1399", "????.??.??"},
        {"00/00/1400", "1400.??.??"}, {"2001.00.31", "2001.??.31"}, {"ab/cd/efgh", "????.??.??"},
        {"12/31/20", "????.12.31"},
    };
    for (const auto& [setting, tag] : rows) EXPECT_EQ(ExportDateTag(setting), tag) << setting;
}

// From another position: SetUp and FEN tags (halfmove 1, move number 0), and the first move is
// numbered 1 whoever is to move.
TEST_F(BookToPGNExporterTest, OtherStartPositionWritesSetUpAndFen) {
    const TPackedPosition start = After("e4");
    Put("e4", {"c5", "e5"});
    Put("e4 c5", {"Nf3"});
    std::string text = Export(start);
    const std::string fen = TChessPosition(start).ToFEN();
    EXPECT_NE(text.find("[Result \"*\"]\n[SetUp \"1\"]\n[FEN \"" + fen + " 1 0\"]\n\nc5 (1...e5) 1. Nf3 *\n"),
              std::string::npos)
        << text;

    const TPackedPosition white = PackedFromFen("4k3/8/8/8/8/8/4P3/4K3 w - -");
    Put("", {"e4"}, kRateNone, {}, white);
    text = Export(white);
    EXPECT_NE(text.find("[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 1 0\"]\n\n1. e4 *\n"), std::string::npos) << text;
}

TEST_F(BookToPGNExporterTest, AppendsUnlessErasing) {
    Put("", {"e4"});
    itsSettings.SetPgnExportErase(false);
    Export();
    std::string twice = Export();
    EXPECT_EQ(twice, kHeaderOfEmptyTags + "1. e4 *\n" + kHeaderOfEmptyTags + "1. e4 *\n");
    itsSettings.SetPgnExportErase(true);
    EXPECT_EQ(Export(), kHeaderOfEmptyTags + "1. e4 *\n");
}

TEST_F(BookToPGNExporterTest, StopEndsTheGameWhereTheWalkStood) {
    PutLine(kGame);
    TRecordingProgress progress;
    progress.itsStopAt = 1;
    std::string text = Moves(StartPosition(), &progress);
    EXPECT_EQ(itsOutcome, TOutcome::kStopped);
    EXPECT_EQ(itsProcessed, 13);
    EXPECT_EQ(text, "1. d4 Nf6 2. c4 e6 3. Nc3 Bb4 4. e3 O-O 5. Bd3 d5 6. Nf3 c5 7. O-O *\n");
    EXPECT_EQ(progress.State().Title(), "Exporting...");
    EXPECT_TRUE(progress.itsFinished);

    progress = TRecordingProgress();
    Moves(StartPosition(), &progress);
    EXPECT_EQ(itsOutcome, TOutcome::kComplete);
    EXPECT_EQ(itsProcessed, 33);
    EXPECT_EQ(progress.itsCalls, 2);
    EXPECT_EQ(progress.State().Percent(), 100);
}

TEST_F(BookToPGNExporterTest, IllegalCandidateEndsTheWalkWithAClosedGame) {
    TPositionRecord record;
    record.SetPosition(StartPosition());
    TChessParser parser;
    parser.LoadPosition(StartPosition());
    parser.SetMoveText("e4");
    ASSERT_TRUE(parser.ParseMove());
    record.AddCandidate(parser.GetChessMove());
    record.AddCandidate(TPackedMove{14, 44, 0, kSymbolNone}); // e2-e5
    itsBook.UpdateEverything(record, nullptr);
    EXPECT_EQ(Moves(), "1. e4 *\n");
    EXPECT_EQ(itsOutcome, TOutcome::kIllegalMove);
    EXPECT_EQ(itsUi.Texts(), std::vector<std::string>{"GBSIFC() has an illegal move!"});
}

TEST_F(BookToPGNExporterTest, FileThatCannotBeOpenedOrWrittenIsReported) {
    Put("", {"e4"});
    TBookToPGNExporter exporter(itsSettings);
    EXPECT_FALSE(exporter.Export(itsBook, StartPosition(), itsFolder / "missing/out.pgn"));
    EXPECT_EQ(exporter.Outcome(), TOutcome::kFileProblem);
    EXPECT_EQ(itsUi.Texts(),
              std::vector<std::string>{"There was a problem opening the export file. (Check the path.)"});
    EXPECT_FALSE(FileExists(itsFolder / "missing/out.pgn"));

    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to fill";
    itsUi.itsShown.clear();
    TBookToPGNExporter full(itsSettings);
    EXPECT_FALSE(full.Export(itsBook, StartPosition(), "/dev/full"));
    EXPECT_EQ(full.Outcome(), TOutcome::kFileProblem);
    ASSERT_EQ(itsUi.Texts().size(), 1u);
    EXPECT_NE(itsUi.Texts()[0].find("There was a problem writing the export file /dev/full."),
              std::string::npos)
        << itsUi.Texts()[0];
}

// A varied book, from the start and from a set-up position, read by pgn-extract without a fault.
TEST_F(BookToPGNExporterTest, PgnExtractReadsAVariedExport) {
    if (!FileExists("/usr/games/pgn-extract")) GTEST_SKIP() << "pgn-extract is not installed";
    Put("", {"e4!", "d4", "c4?!", "Nf3"}, kRateNone, {"A book {with braces} and (parentheses)", "", "end"});
    Put("e4", {"c5!?", "e5", "e6"}, 4);
    Put("e4 c5", {"Nf3", "Nc3"}, kRateNone, {"Sicilian"});
    Put("e4 c5 Nf3", {"d6", "Nc6", "e6"}, 2);
    Put("e4 c5 Nf3 d6", {"d4"});
    Put("e4 c5 Nf3 d6 d4", {"cxd4"});
    Put("e4 c5 Nf3 d6 d4 cxd4", {"Nxd4"}, 3, {"(open)"});
    Put("e4 e6", {"d4"});
    Put("e4 e6 d4", {"d5"}, 3);
    Put("d4", {"e6", "Nf6"});
    Put("d4 e6", {"e4"}); // reaches e4 e6 d4 again
    Put("c4", {"e5"}, 6);
    Put("Nf3", {"Nf6"});
    Put("Nf3 Nf6", {"Ng1"});
    Put("Nf3 Nf6 Ng1", {"Ng8"});
    const TPackedPosition promotion = PackedFromFen("8/P6k/8/8/8/8/6Kp/8 w - -");
    Put("", {"a8=Q", "a8=N"}, kRateNone, {}, promotion);
    Put("a8=Q", {"h1=Q+"}, 1, {}, promotion);

    itsSettings.SetPgnExportErase(false);
    itsSettings.SetPgnExportEvent("Repertoire \"white\"");
    itsSettings.SetPgnExportDate("04/01/2024");
    itsSettings.SetPgnExportResult(3);
    Export();
    itsSettings.SetPgnExportDate("2024.04.02");
    Export(promotion);
    std::string text = ReadWholeFile(File());
    std::string flat = text;
    std::replace(flat.begin(), flat.end(), '\n', ' ');
    EXPECT_NE(flat.find("{A book [with braces] and (parentheses) end} 1. e4 $1 (1. d4"), std::string::npos)
        << text;
    EXPECT_NE(flat.find("(1. d4 e6 (1...Nf6) 2. e4 $11 d5)"), std::string::npos) << text;
    EXPECT_NE(flat.find("(1. c4 $6 $15 e5) (1. Nf3 Nf6 2. Ng1 Ng8) c5"), std::string::npos) << text;
    EXPECT_NE(flat.find("(1...e6 2. d4 $11)"), std::string::npos) << text;
    EXPECT_NE(flat.find("{(open) } 4. Nxd4 1/2-1/2"), std::string::npos) << text;

    auto r = testsupport::RunProgram("/usr/games/pgn-extract", {"-s", "-r", File()});
    EXPECT_EQ(r.itsExitStatus, 0);
    EXPECT_EQ(r.itsOut + r.itsErr, "") << text;
    r = testsupport::RunProgram("/usr/games/pgn-extract", {"-r", File()});
    EXPECT_NE(r.itsErr.find("2 games matched out of 2."), std::string::npos) << r.itsErr;
}

} // namespace
} // namespace marvek::test
