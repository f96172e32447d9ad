// marvek-cli engine analyse with real engines.
#include <gtest/gtest.h>

#include "support/RunProcess.h"

namespace marvek {
namespace {

using testsupport::RunCli;

TEST(EngineCli, AnalysesWithUciAndWinboardEngines) {
    auto r = RunCli({"engine", "analyse", "--uci", "/usr/games/stockfish", "6k1/5ppp/8/8/8/8/8/R5K1 w - -",
                     "--seconds", "0.5", "--json"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_NE(r.itsOut.find("\"bestMove\":\"Ra8+\""), std::string::npos) << r.itsOut;
    EXPECT_NE(r.itsOut.find("\"score\":9999"), std::string::npos) << r.itsOut;

    r = RunCli({"engine", "analyse", "--winboard", "/usr/games/fairymax", "startpos", "--seconds", "0.5"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_NE(r.itsOut.find("Line: 1."), std::string::npos) << r.itsOut;
    EXPECT_NE(r.itsOut.find("Depth: "), std::string::npos) << r.itsOut;
}

TEST(EngineCli, FailsWhenTheEngineCannotStartOrNeverAnswers) {
    auto r = RunCli({"engine", "analyse", "--uci", "/no/such/engine", "startpos"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_NE(r.itsErr.find("Could not find the engine in /no/such/. (2)"), std::string::npos) << r.itsErr;

    r = RunCli({"engine", "analyse", "--winboard", "/bin/cat", "startpos", "--seconds", "0.3"});
    EXPECT_EQ(r.itsExitStatus, 1) << r.itsOut;

    r = RunCli({"engine", "analyse", "startpos"});
    EXPECT_EQ(r.itsExitStatus, 2);
}

} // namespace
} // namespace marvek
