// The Winboard session fed with recorded engine output: positions, thinking, status and version lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/WinboardSession.h"

namespace marvek {
namespace {

const std::string kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
const std::string kAfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3";

class WinboardSessionTest : public ::testing::Test {
protected:
    WinboardSessionTest()
        : itsSession(TEngineOptions{}, [this](const std::string& line) { itsSent.push_back(line); }) {}
    void Feed(const std::string& line) { itsSession.HandleLine(line, 0); }

    std::vector<std::string> itsSent;
    TWinboardSession itsSession;
};

TEST_F(WinboardSessionTest, StartSendsStartupLinesPostAnalyzeAndStatusRequestsEachSecond) {
    TEngineOptions options;
    options.itsStartupCommands = {"xboard", "", "new"};
    TWinboardSession session(options, [this](const std::string& line) { itsSent.push_back(line); });
    session.Started(1000);
    EXPECT_EQ(itsSent, (std::vector<std::string>{"xboard", "new", "post", "analyze"}));
    session.Tick(2000);
    EXPECT_EQ(itsSent.size(), 4u);
    session.Tick(2001);
    EXPECT_EQ(itsSent.back(), ".");
    EXPECT_EQ(session.StartArguments(), "");
    options.itsTablebaseFolder = "/tb";
    EXPECT_EQ(TWinboardSession(options, nullptr).StartArguments(), "tbpath=/tb");
}

TEST_F(WinboardSessionTest, EditModeForBlackToMoveAndSetboardOnceTheEngineAcceptsIt) {
    itsSession.SetEnginePosition(kAfterE4, 1, false, 0);
    const std::vector<std::string> expected = {
        "exit", "new", "force", "a2a3", "edit", "#",                        //
        "Ra1",  "Nb1", "Bc1",   "Qd1",  "Ke1",  "Bf1", "Ng1", "Rh1",        //
        "Pa2",  "Pb2", "Pc2",   "Pd2",  "Pf2",  "Pg2", "Ph2", "Pe4",        //
        "c",    "Pa7", "Pb7",   "Pc7",  "Pd7",  "Pe7", "Pf7", "Pg7", "Ph7", //
        "Ra8",  "Nb8", "Bc8",   "Qd8",  "Ke8",  "Bf8", "Ng8", "Rh8", ".",   "analyze"};
    EXPECT_EQ(itsSent, expected);

    // An engine without edit mode gets the position again by setboard.
    itsSent.clear();
    Feed("Error (unknown command): edit");
    EXPECT_EQ(itsSent, std::vector<std::string>{"setboard " + kAfterE4});

    TWinboardSession crafty(TEngineOptions{}, [this](const std::string& line) { itsSent.push_back(line); });
    itsSent.clear();
    crafty.HandleLine("Crafty v19.3 (1 cpus)", 0);
    EXPECT_TRUE(crafty.AcceptsSetboard());
    EXPECT_EQ(crafty.Display().itsVersion, "19.3 ");
    crafty.SetEnginePosition(kStart, 0, false, 0);
    EXPECT_EQ(itsSent, std::vector<std::string>{"setboard " + kStart});
}

TEST_F(WinboardSessionTest, ThinkingLinesInEitherFormAndMoveNotation) {
    struct TCase {
        std::string itsFen;
        std::string itsLine;
        std::string itsDisplay, itsCaption;
        int32_t itsScore;
    };
    const std::vector<TCase> cases = {
        // Leading spaces and coordinates, as many engines write them.
        {kStart, " 4     15        3      21499 d2d4 d7d5 b1c3", "1.d4 d5 2.Nc3", "+15", 15},
        // A tab and SAN with move numbers.
        {kStart, "\t5 -40 12 9000 1. e4 e5 2. Nf3", "1.e4 e5 2.Nf3", "-40", -40},
        // Black to move: the engine scores for Black, we keep White's side.
        {kAfterE4, " 6 50 10 1000 e7e5 g1f3", "1...e5 2.Nf3", "-50", -50},
        {kStart, " 9 100006 50 5000 e2e4", "1.e4", "Mate in 6", 9999},
        {kStart, " 9 32765 50 5000 e2e4", "1.e4", "Mate in 1", 9999},
        {kAfterE4, " 9 32765 50 5000 e7e5", "1...e5", "Mate in 1", -9999},
        {kStart, " 3 10 0 5 e7e5", "...waiting", "+10", 10},
    };
    for (const TCase& c : cases) {
        TWinboardSession session(TEngineOptions{}, [](const std::string&) {});
        session.SetEnginePosition(c.itsFen, c.itsFen == kStart ? 0 : 1, false, 0);
        session.HandleLine(c.itsLine, 0);
        EXPECT_EQ(session.Display().itsLine, c.itsDisplay) << c.itsLine;
        EXPECT_EQ(session.Display().itsCaption, c.itsCaption) << c.itsLine;
        EXPECT_EQ(session.EngineScore(), c.itsScore) << c.itsLine;
    }
    EXPECT_EQ(WinboardMateDistance(-32766), 1);
    EXPECT_EQ(WinboardMateDistance(-100004), 4);
    EXPECT_EQ(WinboardMateDistance(32000), 0);
}

TEST_F(WinboardSessionTest, StatusVersionAndOtherLines) {
    itsSession.SetEnginePosition(kStart, 0, false, 0);
    Feed("stat01: 1234 567890 12 5 30");
    EXPECT_EQ(itsSession.Display().itsSeconds, "12");
    EXPECT_EQ(itsSession.Display().itsNodes, "567,890");
    EXPECT_EQ(itsSession.Display().itsDepth, "12");
    EXPECT_EQ(itsSession.Display().itsNodesPerSecond, "47,324");
    EXPECT_EQ(itsSession.EngineNodeCount(), 567890);

    Feed("version Fishy 2.5, Copyright (C) Someone");
    EXPECT_EQ(itsSession.Display().itsProgramName, "Fishy");
    EXPECT_EQ(itsSession.Display().itsVersion, "2.5");
    EXPECT_EQ(itsSession.EngineNickname(), "[Fishy]");
    EXPECT_EQ(itsSession.Display().itsAuthor, "Copyright (C) Someone");

    Feed("Error (unknown command): .");
    EXPECT_EQ(itsSession.Display().itsIterations, "Error (unknown command): .");
    Feed("move e2e4");
    EXPECT_EQ(itsSession.Display().itsIterations, "Error (unknown command): .");
}

} // namespace
} // namespace marvek
