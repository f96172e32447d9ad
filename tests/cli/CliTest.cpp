#include <gtest/gtest.h>

#include "support/RunProcess.h"

namespace marvek {
namespace {

using testsupport::RunCli;

TEST(Cli, MovesListsLegalMovesInProgramOrder) {
    auto r = RunCli({"moves", "startpos"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut,
              "a3\na4\nNc3\nNa3\nb3\nb4\nc3\nc4\nd3\nd4\ne3\ne4\nf3\nf4\nNh3\nNf3\ng3\ng4\nh3\nh4\n");

    r = RunCli({"moves", "--json", "r3k2r/8/8/8/8/8/8/4K3 b kq -"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_NE(r.itsOut.find("\"O-O\""), std::string::npos) << r.itsOut;
    EXPECT_NE(r.itsOut.find("\"O-O-O\""), std::string::npos) << r.itsOut;
}

TEST(Cli, PlayPrintsNotationAndFenPerMove) {
    auto r = RunCli({"play", "startpos", "e4", "e7e5", "Nf3", "nc6", "Bb5", "a6", "Bxc6", "dxc6", "0-0"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "e4\trnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -\n"
                        "e5\trnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -\n"
                        "Nf3\trnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -\n"
                        "Nc6\tr1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -\n"
                        "Bb5\tr1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq -\n"
                        "a6\tr1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq -\n"
                        "Bxc6\tr1bqkbnr/1ppp1ppp/p1B5/4p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq -\n"
                        "dxc6\tr1bqkbnr/1pp2ppp/p1p5/4p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq -\n"
                        "O-O\tr1bqkbnr/1pp2ppp/p1p5/4p3/4P3/5N2/PPPP1PPP/RNBQ1RK1 b kq -\n");

    r = RunCli({"play", "4k3/1P6/8/8/8/8/8/4K3 w - -", "b7b8n"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "b8=N\t1N2k3/8/8/8/8/8/8/4K3 b - -\n");
}

TEST(Cli, PlayStopsAtTheFirstIllegalMove) {
    auto r = RunCli({"play", "startpos", "e4", "Ke2", "e5"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsOut, "e4\trnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -\n");
    EXPECT_EQ(r.itsErr, "illegal move: Ke2\n");
}

TEST(Cli, PerftAndCanonical) {
    auto r = RunCli({"perft", "startpos", "3"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "8902\n");

    // Black to move with the king on the queen side of a pawnless board: all three transforms.
    r = RunCli({"canonical", "8/8/8/8/8/8/8/k6K b - -"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut,
              "8/8/8/8/8/8/8/k6K w - -\ncolours reversed: yes\nfiles mirrored: yes\nranks mirrored: yes\n");

    r = RunCli({"canonical", "--json", "startpos"});
    EXPECT_EQ(r.itsOut,
              "{\"coloursReversed\":false,\"fen\":\"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq "
              "-\",\"filesMirrored\":false,\"ranksMirrored\":false}\n");
}

TEST(Cli, BadArgumentsGiveUsageAndStatusTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"nonsense"},
        {"moves"},
        {"moves", "not a fen"},
        {"moves", "8/8/8 w - -"},
        {"play", "startpos"},
        {"perft", "startpos", "x"},
        {"perft", "startpos", "11"},
        {"canonical", "startpos", "extra"},
    };
    for (const auto& args : cases) {
        auto r = RunCli(args);
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        EXPECT_EQ(r.itsExitStatus, 2) << shown << r.itsOut << r.itsErr;
        EXPECT_FALSE(r.itsErr.empty()) << shown;
    }
    EXPECT_EQ(RunCli({"--help"}).itsExitStatus, 0);
}

TEST(Cli, PositionWithoutAKingIsReportedNotCrashed) {
    auto r = RunCli({"moves", "8/8/8/8/8/8/8/K7 w - -"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsErr, "TChessParser.FindKings() has a position with no black king.\n");

    r = RunCli({"canonical", "8/8/8/8/8/8/8/k7 w - -"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsErr, "TChessPosition.SquareOfKingOnMove() has a corrupt position.\n");
}

} // namespace
} // namespace marvek
