// Importing PGN into a real book: candidates and their marks, header comments, result and NAG
// rates, comments under the length limit, FEN games and their names, the player filter, the ply
// limit, Stop, the novelty line, read errors, real data and damaged files.

#include "pgn/PGNImporter.h"

#include "app/Settings.h"
#include "book/Book2.h"
#include "book/BookVerifier.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "chess/Notation.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"
#include "support/SimplePgn.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace marvek::test {
namespace {

using testsupport::TRecordingProgress;
using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

TPackedPosition AfterLine(const std::string& line) {
    return testsupport::PositionAfter(line);
}

class PGNImporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(itsBook.Create(itsFolder / "Book"));
        itsBook.Open(itsFolder / "Book", false, false);
        itsOptions.itsHeaderInComment = false;
    }
    void TearDown() override { itsBook.Close(); }

    TPGNImportResult Import(const std::string& text, TPlayerFilter filter = TPlayerFilter::kNone,
                            const std::string& player = "", bool writeLine = false) {
        // A file's text before its first tag is skipped, so a bare movetext gets a tag.
        std::string path = itsFolder / "games.pgn";
        WriteWholeFile(path, text.starts_with("[") ? text : "[Event \"?\"]\n" + text);
        return ImportFile(path, filter, player, writeLine);
    }
    TPGNImportResult ImportFile(const std::string& path, TPlayerFilter filter = TPlayerFilter::kNone,
                                const std::string& player = "", bool writeLine = false) {
        TPGNImporter importer(itsOptions, &itsProgress);
        TPGNImportResult result =
            importer.Import(itsBook, itsComment, player, filter, writeLine, itsColours, path);
        itsOptionsAfter = importer.Options();
        return result;
    }

    TPositionRecord Record(const std::string& line) {
        TPositionRecord record;
        record.SetPosition(AfterLine(line));
        itsBook.FillInEverything(record, &itsComment);
        return record;
    }
    // The candidates of the position after a line, as "e2e4" with "!" and mark letters g, y, r.
    std::vector<std::string> Candidates(const std::string& line) {
        TPositionRecord record = Record(line);
        std::vector<std::string> out;
        for (int i = 0; i < record.CandidateCount(); ++i) {
            const TCandidate& c = record.Candidate(i);
            std::string text = SquareName(c.itsMove.itsFrom) + SquareName(c.itsMove.itsTo);
            text += SymbolText(c.itsMove.itsSymbol);
            if (c.itsGreen) text += "g";
            if (c.itsYellow) text += "y";
            if (c.itsRed) text += "r";
            out.push_back(text);
        }
        return out;
    }
    std::vector<std::string> Comment(const std::string& line) {
        Record(line);
        return itsComment.PlainTextLines();
    }
    std::string NameOf(const TPackedPosition& position) {
        std::string name;
        itsBook.GetNameForThisBoard(position, name);
        return name;
    }

    TScratchFolder itsFolder;
    // Stops the engine before the folder goes, after the books have closed.
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
    TRecordingProgress itsProgress;
    TBook2 itsBook;
    TRichTextBuffer itsComment;
    TPGNImportOptions itsOptions;
    TPGNImportOptions itsOptionsAfter;
    TNoveltyColours itsColours{true, false, true};
};

using Lines = std::vector<std::string>;

TEST_F(PGNImporterTest, MovesBecomeCandidatesWithTheNoveltyMarks) {
    TPGNImportResult result = Import("[White \"A\"]\n\n1. e4 (1. d4 d5) e5 2. Nf3 *\n");
    EXPECT_EQ(result.itsGamesRead, 1);
    EXPECT_EQ(result.itsGamesFinished, 1);
    EXPECT_EQ(Candidates(""), (Lines{"e2e4gr", "d2d4gr"}));
    EXPECT_EQ(Candidates("e4"), (Lines{"e7e5gr"}));
    EXPECT_EQ(Candidates("d4"), (Lines{"d7d5gr"}));
    EXPECT_EQ(Candidates("e4 e5"), (Lines{"g1f3gr"}));
    // The ends of the line and of the variation have records of their own.
    EXPECT_TRUE(itsBook.IsInBook(AfterLine("d4 d5")));
    EXPECT_TRUE(itsBook.IsInBook(AfterLine("e4 e5 Nf3")));
    EXPECT_EQ(itsProgress.State().Counter("Games Imported:"), 1);
    EXPECT_EQ(itsProgress.State().Counter("Lines Read:"), 4);
    EXPECT_EQ(itsProgress.State().Percent(), 100);

    // Existing candidates keep their marks; only the new move is added.
    itsColours = {false, true, false};
    Import("1. e4 c5 *\n");
    EXPECT_EQ(Candidates("e4"), (Lines{"e7e5gr", "c7c5y"}));
}

TEST_F(PGNImporterTest, HeaderCommentAndResultRate) {
    itsOptions.itsHeaderInComment = true;
    const std::string game = "[Event \"Ch\"]\n[Site \"Rome\"]\n[Date \"1999.??.??\"]\n[Round \"3\"]\n"
                             "[White \"Anand\"]\n[Black \"Short\"]\n[Result \"1-0\"]\n\n1. e4 e5 1-0\n";
    Import(game);
    const Lines header{"Anand-Short Ch ", "1-0 Rome Round 3 1999 "};
    EXPECT_EQ(Comment("e4 e5"), header);
    EXPECT_EQ(Record("e4 e5").InformantRate(), 0);
    // The same file again adds no candidates but the header once more.
    Import(game);
    EXPECT_EQ(Candidates(""), (Lines{"e2e4gr"}));
    EXPECT_EQ(Comment("e4 e5"), (Lines{header[0], header[1], header[0], header[1]}));

    // Unset tags give empty parts; a rate the position has is kept.
    Import("1. d4 d5 $14 0-1\n");
    EXPECT_EQ(Comment("d4 d5"), (Lines{"?-? ", ""}));
    EXPECT_EQ(Record("d4 d5").InformantRate(), 2);
}

TEST_F(PGNImporterTest, ResultRateGoesToTheLastPosition) {
    const std::pair<const char*, int> cases[] = {
        {"1-0", 0}, {"0-1", 8}, {"1/2-1/2", 3}, {"*", 9}, {"draw", 3}};
    const char* openings[] = {"1. a3", "1. a4", "1. b3", "1. b4", "1. c3"};
    for (int i = 0; i < 5; ++i) {
        Import(std::string("[Result \"") + cases[i].first + "\"]\n\n" + openings[i] + " *\n");
        EXPECT_EQ(Record(openings[i] + 3).InformantRate(), cases[i].second) << cases[i].first;
    }
}

TEST_F(PGNImporterTest, NagsSetSymbolsAndRates) {
    Import("1. e4 e5 2. Nf3 *\n");
    Import("1. e4 $1 e5 $5 2. Nf3 $16 Nc6 $13 *\n");
    EXPECT_EQ(Candidates(""), (Lines{"e2e4!gr"}));
    EXPECT_EQ(Candidates("e4"), (Lines{"e7e5!?gr"}));
    // After 2. Nf3 the position had no candidates yet: the rate is also its backsolved rate.
    EXPECT_EQ(Record("e4 e5 Nf3").InformantRate(), 1);
    EXPECT_EQ(Record("e4 e5 Nf3").BacksolvedRate(), 1);
    EXPECT_EQ(Record("e4 e5 Nf3 Nc6").BacksolvedRate(), 4);
    Import("1. e4 e5 $14 *\n");
    EXPECT_EQ(Record("e4 e5").InformantRate(), 2);
    EXPECT_EQ(Record("e4 e5").BacksolvedRate(), 9) << "a position with candidates is backsolved from them";
}

TEST_F(PGNImporterTest, CommentsGoToThePositionTheyFollow) {
    Import("{Before the first move} 1. e4 {The king's pawn} e5 (1... c5 {Sicilian}) *\n");
    EXPECT_EQ(Comment(""), (Lines{"Before the first move"}));
    EXPECT_EQ(Comment("e4"), (Lines{"The king's pawn"}));
    EXPECT_EQ(Comment("e4 c5"), (Lines{"Sicilian"}));
    // Comments come again with a second import.
    Import("1. e4 {The king's pawn} *\n");
    EXPECT_EQ(Comment("e4"), (Lines{"The king's pawn", "The king's pawn"}));
}

TEST_F(PGNImporterTest, CommentsStopBelowSixtyThousandCharacters) {
    std::string words;
    while (words.size() < 70000) words += "abcdefghi ";
    Import("1. e4 {" + words + "} *\n");
    Lines lines = Comment("e4");
    size_t length = 0;
    for (const std::string& line : lines) length += line.size() + 1;
    EXPECT_LE(length, TPGNImporter::kMaxCommentLength);
    EXPECT_GT(length, 50000u);
    // Cut at a line boundary: every line is a whole wrapped line. (The record keeps the first
    // 60000 bytes of the comment's rich text, which may cut into the last line.)
    for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size() % 10, 0u) << lines[i];
    itsBook.Close();
    TBookVerifyReport report = VerifyBook(itsFolder / "Book");
    EXPECT_TRUE(report.Sound()) << (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults[0]);
    itsBook.Open(itsFolder / "Book", false, false);
}

TEST_F(PGNImporterTest, PlyLimit) {
    itsOptions.itsPlyLimit = 2;
    itsOptions.itsHeaderInComment = true;
    Import("[White \"A\"]\n[Result \"1-0\"]\n\n1. e4 (1. d4) e5 (1... c5) 2. Nf3 (2. Nc3) Nc6 1-0\n");
    EXPECT_EQ(Candidates(""), (Lines{"e2e4gr", "d2d4gr"}));
    EXPECT_EQ(Candidates("e4"), (Lines{"e7e5gr"}));
    EXPECT_EQ(Candidates("e4 e5"), Lines{});
    EXPECT_EQ(Record("e4 e5").InformantRate(), 0);
    EXPECT_EQ(Comment("e4 e5"), (Lines{"A-? ", "1-0 "}));
}

TEST_F(PGNImporterTest, APositionWithThirtyCandidatesTakesNoMore) {
    TPositionRecord full;
    full.SetPosition(StartPosition());
    for (int i = 0; i < 30; ++i) full.AddCandidate({uint8_t(i / 8 * 10 + i % 8), 77, 0, kSymbolNone});
    itsBook.UpdateEverything(full, nullptr);
    Import("1. e4 e5 *\n", TPlayerFilter::kNone, "", true);
    EXPECT_EQ(Record("").CandidateCount(), 30);
    EXPECT_EQ(Record("").FindCandidate(TPackedMove{14, 34, 0, kSymbolNone}), -1);
    EXPECT_EQ(Candidates("e4"), (Lines{"e7e5gr"}));
}

TEST_F(PGNImporterTest, NoveltyLineIsWrittenBesideTheBook) {
    Import("1. e4 e5 *\n");
    Import("1. e4 e5 2. Nf3 Nc6 *\n[Event \"2\"]\n1. d4 *\n", TPlayerFilter::kNone, "", true);
    std::string moves = testsupport::ReadWholeFile(itsFolder / "Book.2B1");
    std::string start = testsupport::ReadWholeFile(itsFolder / "Book.2B2");
    // The last game with a new move wins: 1. d4 is new to the book.
    ASSERT_EQ(moves.size(), 4u);
    EXPECT_EQ(moves.substr(0, 2), std::string("\x0D\x21", 2)); // d2 = 13, d4 = 33
    ASSERT_EQ(start.size(), 34u);
    EXPECT_EQ(0, memcmp(start.data(), StartPosition().itsBytes.data(), 34));

    Import("[FEN \"4k3/4p3/8/8/8/8/4P3/4K3 b - - 0 1\"]\n\n1... Kd7 2. Kd2 Kc6 *\n"
           "[FEN \"4k3/4p3/8/8/8/8/4P3/4K3 b - - 0 1\"]\n\n1... Kd7 2. Kd2 Ke6 *\n",
           TPlayerFilter::kNone, "", true);
    moves = testsupport::ReadWholeFile(itsFolder / "Book.2B1");
    EXPECT_EQ(moves.size(), 12u) << "up to and including the first new move";
    start = testsupport::ReadWholeFile(itsFolder / "Book.2B2");
    EXPECT_EQ(0, memcmp(start.data(),
                        testsupport::PackedFromFen("4k3/4p3/8/8/8/8/4P3/4K3 b - - 0 1").itsBytes.data(), 34));
}

TEST_F(PGNImporterTest, FenPositionsAreNamedByStyle) {
    const std::string fen = "8/8/8/8/8/4k3/8/4K3 b - - 0 1";
    const std::string game =
        "[White \"Carlsen\"]\n[Black \"Nakamura\"]\n[FEN \"" + fen + "\"]\n\n1... Kd3 *\n";
    struct Case {
        TNamingStyle itsStyle;
        std::string itsName;
    };
    const Case cases[] = {
        {TNamingStyle::kNone, ""},
        {TNamingStyle::kSequential, "Puzzle-007"},
        {TNamingStyle::kWhite, "Carlsen"},
        {TNamingStyle::kBlack, "Nakamura"},
        {TNamingStyle::kWhiteAndBlack, "Carlsen-Nakamura"},
        {TNamingStyle::kFen, fen.substr(0, 41)},
    };
    for (const Case& c : cases) {
        for (std::string name; itsBook.NextBoardName(name);) itsBook.DeleteBoardName(name), name.clear();
        itsOptions.itsNamingStyle = c.itsStyle;
        itsOptions.itsSequentialNumber = 7;
        Import(game);
        EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen)), c.itsName) << int(c.itsStyle);
    }
    itsOptions.itsNamingStyle = TNamingStyle::kSequential;
    itsOptions.itsSequentialName = std::string(40, 'p');
    EXPECT_EQ(TPGNImporter::PositionName(itsOptions, TPGNHeader{}, 12), std::string(37, 'p') + "-012");
}

TEST_F(PGNImporterTest, NamesAreNotOverwrittenWhenAsked) {
    const std::string fen1 = "8/8/8/8/8/4k3/8/4K3 b - - 0 1";
    const std::string fen2 = "8/8/8/8/8/3k4/8/4K3 b - - 0 1";
    const std::string fen3 = "8/8/8/8/8/2k5/8/4K3 b - - 0 1";
    auto game = [](const std::string& fen) { return "[White \"Carlsen\"]\n[FEN \"" + fen + "\"]\n\n*\n"; };
    const std::string file = game(fen1) + game(fen2) + game(fen3);

    itsOptions.itsNamingStyle = TNamingStyle::kWhite;
    Import(file);
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen1)), "Carlsen");
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen2)), "Carlsen(2)");
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen3)), "Carlsen(3)");

    itsOptions.itsNamingStyle = TNamingStyle::kSequential;
    itsOptions.itsSequentialNumber = 7;
    Import(file);
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen1)), "Puzzle-007");
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen2)), "Puzzle-008");
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen3)), "Puzzle-009");
    EXPECT_EQ(itsOptionsAfter.itsSequentialNumber, 9);

    // With the flag off the name moves from position to position.
    itsOptions.itsDoNotOverwriteNames = false;
    itsOptions.itsSequentialNumber = 1;
    Import(file);
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen3)), "Puzzle-001");
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen2)), "");
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen1)), "");
}

TEST_F(PGNImporterTest, TheNamingQuestionIsAskedOnceAndCanStop) {
    const std::string fen = "8/8/8/8/8/4k3/8/4K3 b - - 0 1";
    const std::string fen2 = "8/8/8/8/8/3k4/8/4K3 b - - 0 1";
    const std::string file = "[White \"A\"]\n1. e4 *\n[White \"X\"]\n[FEN \"" + fen + "\"]\n\n1... Kd3 *\n" +
                             "[White \"Y\"]\n[FEN \"" + fen2 + "\"]\n\n*\n[White \"B\"]\n1. d4 *\n";
    int asked = 0;
    TPGNImporter importer(itsOptions, nullptr);
    importer.SetNamingQuestion([&](const TPGNHeader& tags, TPGNImportOptions& options) {
        ++asked;
        EXPECT_EQ(tags.itsWhite, "X");
        options.itsNamingStyle = TNamingStyle::kWhite;
        return true;
    });
    WriteWholeFile(itsFolder / "f.pgn", file);
    TPGNImportResult result = importer.Import(itsBook, itsComment, "", TPlayerFilter::kNone, false,
                                              itsColours, itsFolder / "f.pgn");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(result.itsGamesRead, 4);
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen)), "X");
    EXPECT_EQ(NameOf(testsupport::PackedFromFen(fen2)), "Y");

    TPGNImporter cancelled(itsOptions, nullptr);
    cancelled.SetNamingQuestion([](const TPGNHeader&, TPGNImportOptions&) { return false; });
    result = cancelled.Import(itsBook, itsComment, "", TPlayerFilter::kNone, false, itsColours,
                              itsFolder / "f.pgn");
    EXPECT_TRUE(result.itsStopped);
    EXPECT_EQ(result.itsGamesRead, 2);
    EXPECT_EQ(result.itsGamesFinished, 1);
}

TEST_F(PGNImporterTest, PlayerFilter) {
    const std::string file = "[White \"Kasparov\"]\n[Black \"Karpov\"]\n\n1. e4 *\n"
                             "[White \"KASPAROV\"]\n[Black \"Anand\"]\n\n1. d4 *\n"
                             "[White \"Kasparov, G\"]\n[Black \"Kasparov\"]\n\n1. c4 *\n";
    struct Case {
        TPlayerFilter itsFilter;
        const char* itsPlayer;
        Lines itsCandidates;
    };
    const Case cases[] = {
        {TPlayerFilter::kWhite, "kasparov", {"e2e4gr", "d2d4gr"}},
        {TPlayerFilter::kBlack, "Kasparov", {"c2c4gr"}},
        {TPlayerFilter::kBlack, "Kasparov, G", {}},
        {TPlayerFilter::kNone, "nobody", {"e2e4gr", "d2d4gr", "c2c4gr"}},
    };
    for (const Case& c : cases) {
        TScratchFolder folder;
        itsBook.Close();
        ASSERT_TRUE(itsBook.Create(folder / "B"));
        itsBook.Open(folder / "B", false, false);
        TPGNImportResult result = Import(file, c.itsFilter, c.itsPlayer);
        EXPECT_EQ(Candidates(""), c.itsCandidates) << c.itsPlayer;
        EXPECT_EQ(result.itsGamesRead, int(c.itsCandidates.size())) << c.itsPlayer;
        itsBook.Close();
        itsBook.Open(itsFolder / "Book", false, false);
    }
}

TEST_F(PGNImporterTest, BadFenGamesAreSkippedAndCounted) {
    TPGNImportResult result = Import("[FEN \"8/8/8 w\"]\n\n1. e4 *\n"
                                     "[FEN \"8/8/8/8/8/8/8/K7 w - - 0 1\"]\n\n1. Kb2 *\n"
                                     "[Event \"3\"]\n1. d4 *\n");
    EXPECT_EQ(result.itsBadFenGames, 2);
    EXPECT_EQ(result.itsGamesRead, 1);
    EXPECT_EQ(Candidates(""), (Lines{"d2d4gr"}));
    ASSERT_EQ(itsUi.Texts().size(), 1u) << "one message per import";
    EXPECT_NE(itsUi.Texts()[0].find("8/8/8 w"), std::string::npos);
}

TEST_F(PGNImporterTest, StopTakesEffectBetweenGames) {
    std::string file;
    for (int i = 0; i < 20; ++i) file += "[Event \"g\"]\n1. e4 e5 2. Nf3 *\n\n";
    file += "[Event \"last\"]\n1. d4 *\n";
    itsProgress.itsStopAt = 5; // within the first game's movetext
    TPGNImportResult result = Import(file);
    EXPECT_TRUE(result.itsStopped);
    EXPECT_EQ(result.itsGamesRead, 1);
    EXPECT_EQ(result.itsGamesFinished, 0) << "the game being read when Stop came is counted, not finished";
    EXPECT_EQ(Candidates(""), (Lines{"e2e4gr"}));
    EXPECT_TRUE(itsProgress.itsFinished);
}

TEST_F(PGNImporterTest, FilesThatCannotBeRead) {
    EXPECT_THROW(ImportFile(itsFolder / "missing.pgn"), EMarvekError);
    TPGNImportResult result = ImportFile(itsFolder.Path());
    EXPECT_NE(result.itsReadError, 0);
    EXPECT_EQ(result.itsGamesRead, 0);
    WriteWholeFile(itsFolder / "empty.pgn", "");
    result = ImportFile(itsFolder / "empty.pgn");
    EXPECT_EQ(result.itsGamesRead, 0);
    EXPECT_EQ(result.itsReadError, 0);
    EXPECT_EQ(TPGNImporter::ImportMessage(3, "/g/a.pgn", "/b/Book"),
              "3 games were imported from \r/g/a.pgn into /b/Book.");
}

TEST_F(PGNImporterTest, FilesWithoutAGameImportNothing) {
    // Junk that holds a "[" at the start of a line looks like the start of a game to the reader;
    // without a tag pair or a legal move it is none, and it must not write a header comment.
    std::mt19937 random(11);
    std::string noise;
    for (int i = 0; i < 20000; ++i) noise += char(random() & 0xFF);
    for (std::size_t at = 100; at < noise.size(); at += 997) noise.replace(at, 2, "\n[");
    std::string elf = testsupport::ReadWholeFile("/proc/self/exe").substr(0, 65536) + "\n[\x01\x02]\n\x7f";
    ASSERT_EQ(elf.rfind("\x7f"
                        "ELF",
                        0),
              0u);
    struct Case {
        const char* itsWhat;
        std::string itsText;
        int32_t itsGames;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"random bytes", noise, 0},
        {"binary", elf, 0},
        {"text", "Dear reader,\nno chess here.\n[citation needed]\n1. Buy milk.\n", 0},
        {"one game", "Notes first.\n[Event \"x\"]\n\n1. e4 *\n", 1},
        {"moves only", "\n[\n1. d4 *\n", 1},
    };
    itsOptions.itsHeaderInComment = true;
    for (const Case& c : cases) {
        TScratchFolder folder;
        itsBook.Close();
        ASSERT_TRUE(itsBook.Create(folder / "B"));
        itsBook.Open(folder / "B", false, false);
        WriteWholeFile(folder / "file.pgn", c.itsText);
        TPGNImportResult result = ImportFile(folder / "file.pgn");
        EXPECT_EQ(result.itsGamesFound, c.itsGames) << c.itsWhat;
        EXPECT_EQ(result.itsGamesRead, c.itsGames) << c.itsWhat;
        EXPECT_EQ(result.itsGamesFinished, c.itsGames) << c.itsWhat;
        if (c.itsGames == 0) {
            EXPECT_EQ(itsBook.PositionCount(), 0) << c.itsWhat;
        }
        itsBook.Close();
        itsBook.Open(itsFolder / "Book", false, false);
    }
}

TEST_F(PGNImporterTest, EcoFileMainLinesAreCandidatesAndTheBookIsSound) {
    std::string text = testsupport::ReadWholeFile(MARVEK_ECO_PGN);
    ASSERT_FALSE(text.empty());
    TPGNImportResult result = ImportFile(MARVEK_ECO_PGN);
    std::vector<testsupport::TSimpleGame> games = testsupport::ReadMainLines(text);
    EXPECT_EQ(result.itsGamesRead, int(games.size()));
    EXPECT_EQ(result.itsGamesFinished, int(games.size()));
    int moves = 0;
    for (const testsupport::TSimpleGame& game : games) {
        TChessParser parser;
        parser.LoadPosition(StartPosition());
        for (const std::string& move : game.itsMoves) {
            parser.SetMoveText(move);
            ASSERT_TRUE(parser.ParseMove()) << move;
            TPositionRecord record;
            record.SetPosition(parser.CurrentPosition());
            itsBook.FillInEverything(record, nullptr);
            ASSERT_GE(record.FindCandidate(parser.GetChessMove()), 0) << move;
            parser.ApplyMove();
            ++moves;
        }
    }
    EXPECT_GT(moves, 10000);
    itsBook.Close();
    TBookVerifyReport report = VerifyBook(itsFolder / "Book");
    EXPECT_TRUE(report.Sound()) << (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults[0]);
    itsBook.Open(itsFolder / "Book", false, false);
}

TEST_F(PGNImporterTest, DamagedFilesImportWhatCameBefore) {
    std::string eco = testsupport::ReadWholeFile(MARVEK_ECO_PGN);
    std::string nested;
    for (int i = 0; i < 2000; ++i) nested += "(1. d4 {c} ";
    std::string garbage;
    for (int i = 0; i < 50000; ++i) garbage += char((i * 7919 + i / 13) & 0xFF);
    const std::string good = "[White \"Good\"]\n\n1. e4 e5 2. Nf3 *\n\n";
    const std::pair<const char*, std::string> damages[] = {
        {"truncated", eco.substr(0, eco.size() / 2)},
        {"garbage", garbage},
        {"parentheses", "1. c4 ((((( e5 )))))))) 2. g3 (( Nf6\n"},
        {"braces", "1. c4 {{{ } } } e5 {\n"},
        {"long tokens", "1. " + std::string(10000, 'N') + " " + std::string(10000, '(') + "\n"},
        {"nesting", "1. c4 " + nested},
    };
    for (const auto& [what, damage] : damages) {
        TScratchFolder folder;
        itsBook.Close();
        ASSERT_TRUE(itsBook.Create(folder / "B"));
        itsBook.Open(folder / "B", false, false);
        Import(good + "[Event \"damaged\"]\n" + damage);
        Lines candidates = Candidates("e4 e5");
        ASSERT_FALSE(candidates.empty()) << what;
        EXPECT_EQ(candidates[0], "g1f3gr") << what;
        itsBook.Close();
        TBookVerifyReport report = VerifyBook(folder / "B");
        EXPECT_TRUE(report.Sound()) << what << ": "
                                    << (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults[0]);
        itsBook.Open(itsFolder / "Book", false, false);
    }
}

} // namespace
} // namespace marvek::test

namespace marvek::test {
namespace {

// Pawnless positions are stored once for all their mirror images, so games that wander through
// them read and write one record from many orientations; every move played must come back.
TEST_F(PGNImporterTest, PawnlessGamesKeepEveryMoveThroughTheirMirrorImages) {
    const std::string fen = "8/8/8/8/8/4k3/8/4K3 b - - 0 1";
    TChessPosition start;
    TPackedPosition startPosition;
    ASSERT_TRUE(start.FromFEN(fen, startPosition));
    std::mt19937 random(5);
    std::vector<std::vector<TPackedMove>> games;
    std::string pgn;
    std::vector<TPackedMove> moves(TChessParser::kMaxLegalMoves);
    for (int g = 0; g < 200; ++g) {
        TChessParser parser;
        parser.LoadPosition(startPosition);
        std::vector<TPackedMove> line;
        pgn += "[Event \"King walk\"]\n[SetUp \"1\"]\n[FEN \"" + fen + "\"]\n\n1...";
        for (int ply = 0; ply < 6; ++ply) {
            int count = parser.GenerateMoves(moves.data());
            std::string san = parser.NotationFor(moves[random() % static_cast<unsigned>(count)]);
            if (ply % 2 == 1) pgn += " " + std::to_string(ply / 2 + 2) + ".";
            pgn += " " + san;
            parser.SetMoveText(san);
            ASSERT_TRUE(parser.ParseMove());
            line.push_back(parser.GetChessMove());
            parser.ApplyMove();
        }
        pgn += " *\n\n";
        games.push_back(line);
    }
    itsOptions.itsNamingStyle = TNamingStyle::kNone;
    EXPECT_EQ(Import(pgn).itsGamesRead, 200);
    for (const auto& line : games) {
        TChessParser parser;
        parser.LoadPosition(startPosition);
        for (const TPackedMove& move : line) {
            TPositionRecord record;
            record.SetPosition(parser.CurrentPosition());
            itsBook.FillInEverything(record, nullptr);
            ASSERT_GE(record.FindCandidate(move), 0) << parser.NotationFor(move) << " missing";
            parser.SetMoveText(parser.NotationFor(move));
            ASSERT_TRUE(parser.ParseMove());
            parser.ApplyMove();
        }
    }
}

} // namespace
} // namespace marvek::test
