#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "support/FileHelpers.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

using testsupport::ReadWholeFile;
using testsupport::RunCli;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

// The tool runs with a home, program folder and settings store of the test's own.
class PrefsCli : public ::testing::Test {
protected:
    TScratchFolder itsScratch;
    TScopedEnvironment itsHome{"HOME", itsScratch / "home"};
    TScopedEnvironment itsProgram{"MARVEK_HOME", itsScratch / "program"};
    TScopedEnvironment itsConfig{"XDG_CONFIG_HOME", itsScratch / "config"};

    std::string StorePath() const { return itsScratch / "config/Marvek/Marvek 2000 Vantro/Prefs build30"; }
};

bool HasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST_F(PrefsCli, ShowListsEveryFieldWithoutWritingAnything) {
    auto r = RunCli({"prefs", "show"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    for (const std::string& line : std::vector<std::string>{
             "KingLetter\tK", "KnightLetter\tN", "SquareSize\t2", "ShowHints\tyes", "DatabaseSafety\tno",
             "BooksFolder\t" + itsScratch / "home/Marvek Files/Books/", "WinboardStartupCommand1\txboard",
             "WinboardStartupCommand20\t", "UciStartupCommand1\tuci", "TrainingInARowToComplete2\t3",
             "LightSquareColour\t8454143", "LanguageOffset\t0"})
        EXPECT_TRUE(HasLine(r.itsOut, line)) << line;
    EXPECT_FALSE(FileExists(StorePath()));

    auto j = RunCli({"prefs", "show", "--json"});
    EXPECT_EQ(j.itsExitStatus, 0) << j.itsErr;
    for (const char* pair : {"\"SquareSize\":2", "\"ShowHints\":true", "\"KingLetter\":\"K\"",
                             "\"UciStartupCommand1\":\"uci\"", "\"TrainingComputerPlays0\":1"})
        EXPECT_NE(j.itsOut.find(pair), std::string::npos) << pair;
}

TEST_F(PrefsCli, SetIsSavedAndUsedByTheOtherCommands) {
    auto r = RunCli({"prefs", "set", "PieceLetters", "KDTLS"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "PieceLetters\tKDTLS\n");
    std::string stored = ReadWholeFile(StorePath());
    ASSERT_EQ(stored.size(), 7036u);
    EXPECT_EQ(stored.substr(2356, 5), "KDTLS");

    r = RunCli({"play", "startpos", "e4", "e5", "Sf3", "Sc6", "Lb5"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_TRUE(HasLine(r.itsOut, "Lb5\tr1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq -"))
        << r.itsOut;

    r = RunCli({"prefs", "set", "textexportstopmove", "300"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsErr, "TextExportStopMove takes a whole number from 1 to 250\n");

    r = RunCli({"prefs", "set", "Analyst1Path", "analysis"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut.rfind("Analyst1Path\t/", 0), 0u) << r.itsOut; // made absolute
    EXPECT_EQ(r.itsOut.substr(r.itsOut.size() - 11), "/analysis/\n") << r.itsOut;
}

TEST_F(PrefsCli, PieceLetterRulesOfTheDialog) {
    struct TCase {
        std::vector<std::string> itsArgs;
        const char* itsErr;
    };
    const TCase cases[] = {
        {{"prefs", "set", "BishopLetter", "N"}, "Each piece letter must be unique.\n"},
        {{"prefs", "set", "PieceLetters", "KQRBB"}, "Each piece letter must be unique.\n"},
        {{"prefs", "set", "KingLetter", ""}, "Piece letters cannot be left blank.\n"},
        {{"prefs", "set", "NoSuchSetting", "1"}, "no such setting: NoSuchSetting\n"},
    };
    for (const TCase& c : cases) {
        auto r = RunCli(c.itsArgs);
        EXPECT_EQ(r.itsExitStatus, 1) << c.itsArgs[2];
        EXPECT_EQ(r.itsErr, c.itsErr) << c.itsArgs[2];
        EXPECT_EQ(r.itsOut, "");
        EXPECT_FALSE(FileExists(StorePath())) << c.itsArgs[2];
    }
}

TEST_F(PrefsCli, FactoryReplacesEverything) {
    ASSERT_EQ(RunCli({"prefs", "set", "SquareSize", "3"}).itsExitStatus, 0);
    ASSERT_EQ(RunCli({"prefs", "set", "BooksFolder", "/my/books"}).itsExitStatus, 0);
    auto r = RunCli({"prefs", "factory"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut, "factory settings saved to " + StorePath() + "\n");
    std::string stored = ReadWholeFile(StorePath());
    ASSERT_EQ(stored.size(), 7036u);
    EXPECT_EQ(stored[32], 2);
    EXPECT_EQ(stored[33], 0); // the books folder is stored empty and filled in at start
    r = RunCli({"prefs", "show"});
    EXPECT_TRUE(HasLine(r.itsOut, "BooksFolder\t" + itsScratch / "home/Marvek Files/Books/")) << r.itsOut;
}

TEST_F(PrefsCli, DamagedOrUnreadableStore) {
    ASSERT_EQ(CreateFolder(itsScratch / "config/Marvek/Marvek 2000 Vantro"), 0);
    WriteWholeFile(StorePath(), std::string(7036, '\x07'));
    auto r = RunCli({"prefs", "show"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_TRUE(HasLine(r.itsOut, "SquareSize\t2"));
    EXPECT_TRUE(HasLine(r.itsOut, "KingLetter\tK"));

    RemoveFile(StorePath());
    ASSERT_EQ(CreateFolder(StorePath()), 0);
    r = RunCli({"moves", "startpos"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_NE(r.itsErr.find("Prefs build30"), std::string::npos) << r.itsErr;
}

TEST_F(PrefsCli, BadArguments) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"prefs"},
                                               {"prefs", "set", "KingLetter"},
                                               {"prefs", "show", "extra"},
                                               {"--yes", "--no", "prefs", "show"}}) {
        auto r = RunCli(args);
        EXPECT_EQ(r.itsExitStatus, 2) << args.size() << r.itsErr;
    }
    EXPECT_EQ(RunCli({"--yes", "prefs", "show"}).itsExitStatus, 0);
}

} // namespace
} // namespace marvek
