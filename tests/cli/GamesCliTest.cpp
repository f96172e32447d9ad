// The "games" commands of the command-line tool, run as a real process.
#include <gtest/gtest.h>

#include "support/FileHelpers.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

namespace marvek::test {
namespace {

using testsupport::RunCli;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;

class GamesCli : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::WriteWholeFile(
            Pgn(), "[White \"Tal, M\"]\n[Black \"Smyslov\"]\n[Date \"1959.09.17\"]\n"
                   "[ECO \"B10\"]\n[Site \"Bled\"]\n[Result \"1-0\"]\n\n1. e4 c6 2. d4 1-0\n\n"
                   "[White \"Smyslov\"]\n[Black \"Tal, M\"]\n[Result \"1/2-1/2\"]\n\n"
                   "1. e4 c5 2. Nf3 1/2-1/2\n");
    }
    std::string Pgn() const { return itsFolder / "games.pgn"; }

    TScratchFolder itsFolder;
    TScopedEnvironment itsHome{"MARVEK_HOME", itsFolder / "home"};
};

TEST_F(GamesCli, IndexesSearchesAndCopies) {
    auto status = RunCli({"games", "status", Pgn()});
    ASSERT_EQ(status.itsExitStatus, 0) << status.itsErr;
    EXPECT_NE(status.itsOut.find("indexed: no\n"), std::string::npos) << status.itsOut;
    // Answered No, the question skips the file.
    auto skipped = RunCli({"--no", "games", "search", Pgn()});
    EXPECT_EQ(skipped.itsExitStatus, 0);
    EXPECT_NE(skipped.itsErr.find("This file was skipped: " + Pgn()), std::string::npos) << skipped.itsErr;

    auto index = RunCli({"games", "index", Pgn()});
    ASSERT_EQ(index.itsExitStatus, 0) << index.itsErr;
    EXPECT_EQ(index.itsOut.substr(0, 26), "2 games converted in 0 sec");
    status = RunCli({"games", "status", Pgn()});
    EXPECT_NE(status.itsOut.find("indexed: yes\ngames: 2\n"), std::string::npos) << status.itsOut;

    auto found = RunCli({"games", "search", Pgn(), "--white", "tal", "--pgn", itsFolder / "out.pgn"});
    ASSERT_EQ(found.itsExitStatus, 0) << found.itsErr;
    EXPECT_EQ(found.itsOut, "B10\tTal, M\tSmyslov\t1-0\t1959\tBled\t" + Pgn() +
                                "\t0\nGames in this List: 1\nStatistics Win-Draw-Loss: 1-0-0\n"
                                "Games Added To PGN File: 1\n");
    EXPECT_EQ(testsupport::ReadWholeFile(itsFolder / "out.pgn").substr(0, 19), "[White \"Tal, M\"]\n[B");

    auto json = RunCli({"games", "search", Pgn(), "--moves", "e4 c5 Nf3", "--result", "draw", "--json"});
    ASSERT_EQ(json.itsExitStatus, 0) << json.itsErr;
    EXPECT_NE(json.itsOut.find("\"white\": \"Smyslov\""), std::string::npos) << json.itsOut;
    EXPECT_NE(json.itsOut.find("\"draws\": 1"), std::string::npos) << json.itsOut;

    auto refused = RunCli({"games", "search", Pgn(), "--year", "59"});
    EXPECT_EQ(refused.itsExitStatus, 1);
    EXPECT_EQ(refused.itsErr, "The starting year must be four digits.\n");
}

TEST_F(GamesCli, KeepsTheListOfGameFiles) {
    ASSERT_EQ(RunCli({"games", "add", Pgn()}).itsExitStatus, 0);
    ASSERT_EQ(RunCli({"games", "add", itsFolder / "old.GM2"}).itsExitStatus, 0);
    EXPECT_EQ(RunCli({"games", "add", itsFolder / "notes.txt"}).itsExitStatus, 1);
    ASSERT_EQ(RunCli({"games", "check", Pgn(), "off"}).itsExitStatus, 0);
    EXPECT_EQ(RunCli({"games", "list"}).itsOut, "[ ] " + Pgn() + "\n[x] " + itsFolder / "old.GM2" + "\n");
    ASSERT_EQ(RunCli({"games", "remove", itsFolder / "old.GM2"}).itsExitStatus, 0);
    EXPECT_EQ(RunCli({"games", "remove", itsFolder / "old.GM2"}).itsExitStatus, 1);
    EXPECT_EQ(testsupport::ReadWholeFile(itsFolder / "home/GAMES.INI"),
              "[GameFiles]\nPGNFile0=" + Pgn() + "\nPGNFileChecked0=0\n");
    // With no file named, the search takes the checked files of the list: none here.
    auto none = RunCli({"games", "search", "--yes"});
    EXPECT_EQ(none.itsExitStatus, 0) << none.itsErr;
    EXPECT_EQ(none.itsOut, "Games in this List: 0\nStatistics Win-Draw-Loss: 0-0-0\n");
}

} // namespace
} // namespace marvek::test
