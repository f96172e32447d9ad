// "book import" of the command-line tool, run as a real process.

#include "support/FileHelpers.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace marvek::test {
namespace {

using testsupport::RunCli;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

class PgnCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunCli({"book", "create", Book()}).itsExitStatus, 0);
        WriteWholeFile(Pgn(),
                       "[White \"Anand\"]\n[Black \"Short\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 1-0\n\n"
                       "[White \"Short\"]\n[Black \"Anand\"]\n\n1. d4 d5 *\n\n"
                       "[White \"Tal\"]\n[FEN \"8/8/8/8/8/4k3/8/4K3 b - - 0 1\"]\n\n1... Kd3 *\n");
    }
    std::string Book() const { return itsFolder / "Book"; }
    std::string Pgn() const { return itsFolder / "games.pgn"; }
    std::string Show(const std::string& line) {
        return RunCli({"book", "show", Book(), "--line", line, "--json"}).itsOut;
    }

    TScratchFolder itsFolder;
    // The tool saves the advanced sequential number; it goes to this test's own settings.
    TScopedEnvironment itsConfig{"XDG_CONFIG_HOME", itsFolder / "config"};
};

TEST_F(PgnCli, ImportsWithTheSettingsOptions) {
    auto r = RunCli({"book", "import", Book(), Pgn()});
    ASSERT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "3 games were imported from " + Pgn() + " into " + Book() + ".\n");
    EXPECT_EQ(r.itsErr, "") << "no progress line when stderr is not a terminal";
    std::string start = Show("");
    EXPECT_NE(start.find("{\"green\":false,\"move\":\"e4\",\"red\":false,\"symbol\":\"\","),
              std::string::npos)
        << start;
    EXPECT_NE(start.find("\"yellow\":true}"), std::string::npos) << start;
    std::string end = Show("e4 e5 Nf3");
    EXPECT_NE(end.find("\"informantRate\":0"), std::string::npos) << end;
    EXPECT_NE(end.find("Anand-Short"), std::string::npos) << end;
    r = RunCli({"book", "names", Book()});
    EXPECT_EQ(r.itsOut, "Puzzle-001\t8/8/8/8/8/4k3/8/4K3 b - -\n");
    EXPECT_EQ(RunCli({"book", "verify", Book()}).itsExitStatus, 0);
}

// "-" reads the games from standard input.
TEST_F(PgnCli, ImportsFromStandardInput) {
    auto r = testsupport::RunProgram("/bin/sh", {"-c", std::string("\"$0\" book import \"$1\" - < \"$2\""),
                                                 MARVEK_CLI_PATH, Book(), Pgn()});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "3 games were imported from standard input into " + Book() + ".\n");
    EXPECT_NE(Show("e4 e5").find("Nf3"), std::string::npos);
}

TEST_F(PgnCli, OptionsOverrideTheSettings) {
    auto r = RunCli({"book", "import", Book(), Pgn(), "--plies", "1", "--no-header-comment", "--mark",
                     "green,red", "--white", "short", "--naming", "white", "--write-line"});
    ASSERT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "1 games were imported from " + Pgn() + " into " + Book() + ".\n");
    std::string start = Show("");
    EXPECT_NE(start.find("{\"green\":true,\"move\":\"d4\",\"red\":true,\"symbol\":\"\","), std::string::npos)
        << start;
    EXPECT_EQ(start.find("\"e4\""), std::string::npos) << "Anand's white game is filtered out";
    EXPECT_NE(Show("d4").find("\"candidates\":[]"), std::string::npos) << "one ply only";
    EXPECT_EQ(Show("d4").find("Short-"), std::string::npos) << "no header comment";
    EXPECT_EQ(testsupport::FileSizeOf(Book() + ".2B1"), 4);
}

TEST_F(PgnCli, Errors) {
    struct Case {
        std::vector<std::string> itsArgs;
        int itsStatus;
        std::string itsError;
    };
    const Case cases[] = {
        {{"book", "import", itsFolder / "Nothing", Pgn()}, 1, "no book at"},
        {{"book", "import", Book(), itsFolder / "missing.pgn"}, 1, "no PGN file at"},
        {{"book", "import", Book(), itsFolder.Path()}, 1, "no PGN file at"},
        {{"book", "import", Book(), Pgn(), "--mark", "blue"}, 2, "--mark"},
        {{"book", "import", Book(), Pgn(), "--naming", "odd"}, 2, "--naming"},
        {{"book", "import", Book(), Pgn(), "--white", "A", "--black", "B"}, 2, "excludes"},
        {{"book", "import", Book(), Pgn(), "--plies", "-1"}, 2, "plies"},
    };
    for (const Case& c : cases) {
        auto r = RunCli(c.itsArgs);
        EXPECT_EQ(r.itsExitStatus, c.itsStatus) << c.itsArgs.back() << r.itsErr;
        EXPECT_NE(r.itsErr.find(c.itsError), std::string::npos) << r.itsErr;
    }
}

TEST_F(PgnCli, AFileWithoutAGameSaysSo) {
    std::string noise;
    for (int i = 0; i < 5000; ++i) noise += char((i * 7919 + i / 13) & 0xFF);
    noise += "\n[\xff\xfe\n";
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"random bytes", noise},
        {"text", "Shopping list\n[x] milk\n"},
    };
    for (const auto& [what, text] : files) {
        std::string path = itsFolder / "nothing.pgn";
        WriteWholeFile(path, text);
        auto r = RunCli({"book", "import", Book(), path});
        EXPECT_EQ(r.itsExitStatus, 1) << what;
        EXPECT_EQ(r.itsErr, "no game was found in " + path + "\n") << what;
        EXPECT_EQ(r.itsOut, "") << what;
    }
    // Games the player filter passes over were found all the same.
    auto r = RunCli({"book", "import", Book(), Pgn(), "--white", "Nobody"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "0 games were imported from " + Pgn() + " into " + Book() + ".\n");
}

} // namespace
} // namespace marvek::test
