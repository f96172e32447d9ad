// marvek-cli book export, run as a real process on a book built through the book layer.

#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "chess/ChessParser.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace marvek::test {
namespace {

using testsupport::FileSizeOf;
using testsupport::ReadWholeFile;
using testsupport::RunCli;
using testsupport::TScratchFolder;

class ExportCli : public ::testing::Test {
protected:
    // A book of 1. e4 (1. d4) e5 2. Nf3.
    void SetUp() override {
        TStorageSession storage;
        TBook2 book;
        ASSERT_TRUE(book.Create(Book()));
        book.Open(Book(), false, false);
        Put(book, "", {"e4", "d4"});
        Put(book, "e4", {"e5"});
        Put(book, "e4 e5", {"Nf3"});
        book.Close();
    }
    static void Put(TBook2& book, const std::string& line, const std::vector<std::string>& moves) {
        TChessParser parser;
        parser.LoadPosition(StartPosition());
        std::istringstream played(line);
        for (std::string move; played >> move;) {
            parser.SetMoveText(move);
            ASSERT_TRUE(parser.ParseMove());
            parser.ApplyMove();
        }
        TPositionRecord record;
        record.SetPosition(parser.CurrentPosition());
        for (const std::string& move : moves) {
            parser.LoadPosition(record.Position());
            parser.SetMoveText(move);
            ASSERT_TRUE(parser.ParseMove());
            record.AddCandidate(parser.GetChessMove());
        }
        book.UpdateEverything(record, nullptr);
    }
    std::string Book() const { return itsFolder / "Repertoire"; }
    std::string Pgn() const { return itsFolder / "out.pgn"; }
    TScratchFolder itsFolder;
};

TEST_F(ExportCli, WritesTheGameWithTheTagsGiven) {
    auto r = RunCli({"book",     "export", Book() + ".2MD", Pgn(), "--event", "Prep",       "--site",  "Home",
                     "--white",  "Me",     "--black",       "You", "--date",  "2024.05.06", "--round", "3",
                     "--result", "1-0",    "--eco",         "C20", "--erase"});
    ASSERT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "exported 5 positions from " + Book() + " to " + Pgn() + "\n");
    const std::string game = "\n[Event \"Prep\"]\n[Site \"Home\"]\n[Date \"2024.05.06\"]\n[Round \"3\"]\n"
                             "[White \"Me\"]\n[Black \"You\"]\n[Result \"1-0\"]\n[ECO \"C20\"]\n\n"
                             "1. e4 (1. d4) e5 2. Nf3 1-0\n";
    EXPECT_EQ(ReadWholeFile(Pgn()), game);

    // Without --erase the next game is appended; --line starts further on, with a FEN tag.
    r = RunCli({"book", "export", Book(), Pgn(), "--line", "e4"});
    ASSERT_EQ(r.itsExitStatus, 0) << r.itsErr;
    std::string text = ReadWholeFile(Pgn());
    ASSERT_EQ(text.substr(0, game.size()), game);
    EXPECT_NE(text.find("[SetUp \"1\"]\n[FEN \"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -"
                        " 1 0\"]\n\ne5 1. Nf3 *\n"),
              game.size())
        << text;
}

TEST_F(ExportCli, BadArgumentsAndFilesAreReported) {
    struct TRow {
        std::vector<std::string> itsArgs;
        int itsStatus;
        std::string itsErr; // a part of what stderr says
    };
    const TRow rows[] = {
        {{"book", "export", Book(), Pgn(), "--result", "2-0"}, 2, "--result"},
        {{"book", "export", Book(), Pgn(), "--date", "06/05/2024"}, 2, "YYYY.MM.DD"},
        {{"book", "export", Book(), Pgn(), "--round", "123"}, 2, "at most 2"},
        {{"book", "export", Book(), Pgn(), "--line", "e4 e4"}, 1, "illegal move: e4"},
        {{"book", "export", itsFolder / "Nothing", Pgn()}, 1, "no book at"},
        {{"book", "export", Book(), itsFolder / "no/such/folder.pgn"},
         1,
         "There was a problem opening the export file. (Check the path.)"},
    };
    for (const TRow& row : rows) {
        auto r = RunCli(row.itsArgs);
        EXPECT_EQ(r.itsExitStatus, row.itsStatus) << row.itsErr << r.itsErr;
        EXPECT_NE(r.itsErr.find(row.itsErr), std::string::npos) << r.itsErr;
    }
    EXPECT_EQ(FileSizeOf(Pgn()), -1);
}

// export-line writes the moves given, from the start or a FEN, and refuses an illegal move.
TEST_F(ExportCli, ExportLineWritesTheMovesAsOneGame) {
    auto r =
        RunCli({"book", "export-line", Book(), Pgn(), "--line", "e4 e5 Nf3", "--white", "Me", "--erase"});
    ASSERT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "exported 3 plies to " + Pgn() + "\n");
    std::string text = ReadWholeFile(Pgn());
    EXPECT_NE(text.find("[White \"Me\"]"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\n1. e4 e5 2. Nf3 *\n\n"), std::string::npos) << text;

    r = RunCli(
        {"book", "export-line", Book(), Pgn(), "--fen", "4k3/8/8/8/8/8/8/4K2R b K -", "--line", "Kd7 O-O"});
    ASSERT_EQ(r.itsExitStatus, 0) << r.itsErr;
    text = ReadWholeFile(Pgn());
    EXPECT_NE(text.find("1. e4 e5 2. Nf3 *\n\n\n[Event"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\n1... Kd7 2. O-O *\n"), std::string::npos) << text;
    auto check = testsupport::RunProgram("/usr/games/pgn-extract", {"-s", "-r", Pgn()});
    EXPECT_EQ(check.itsExitStatus, 0) << check.itsErr;
    EXPECT_EQ(check.itsErr.find("rror"), std::string::npos) << check.itsErr;

    r = RunCli({"book", "export-line", Book(), Pgn(), "--line", "e4 e4"});
    EXPECT_NE(r.itsExitStatus, 0);
    EXPECT_NE(r.itsErr.find("illegal move: e4"), std::string::npos) << r.itsErr;
}

} // namespace
} // namespace marvek::test
