// The UCI session fed with recorded engine output and a hand-moved clock, and the line splitter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/EngineProcess.h"
#include "engines/UciSession.h"

namespace marvek {
namespace {

const std::string kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
const std::string kAfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3";

class UciSessionTest : public ::testing::Test {
protected:
    UciSessionTest() : itsSession(Options(), [this](const std::string& line) { itsSent.push_back(line); }) {}
    static TEngineOptions Options() {
        TEngineOptions options;
        options.itsStartupCommands = {"uci", ""};
        return options;
    }
    void Analyse(const std::string& fen, int ply = 0) {
        itsSession.SetEnginePosition(fen, ply, false, itsNow);
        itsSent.clear();
    }
    void Feed(const std::string& line) { itsSession.HandleLine(line, itsNow); }

    std::vector<std::string> itsSent;
    int64_t itsNow = 10000;
    TUciSession itsSession;
};

TEST_F(UciSessionTest, HandshakeWaitsForUciokAndReadyokWithinTwoSeconds) {
    itsSession.Started(itsNow);
    EXPECT_EQ(itsSent, std::vector<std::string>{"uci"});
    EXPECT_FALSE(itsSession.HandshakeStep(itsNow + 100));
    Feed("id NaMe Fish 1");
    Feed("id author Someone");
    Feed("uciok");
    EXPECT_FALSE(itsSession.HandshakeStep(itsNow + 200));
    EXPECT_EQ(itsSent.back(), "isready");
    EXPECT_FALSE(itsSession.HandshakeStep(itsNow + 300)); // the engine gets one look first
    Feed("readyok");
    EXPECT_TRUE(itsSession.HandshakeStep(itsNow + 400));
    EXPECT_EQ(itsSession.Display().itsProgramName, "Fish 1");
    EXPECT_EQ(itsSession.Display().itsAuthor, "Someone");

    // A silent engine: the budget runs out and the session goes on all the same.
    TUciSession silent(Options(), [](const std::string&) {});
    silent.Started(0);
    EXPECT_FALSE(silent.HandshakeStep(2001));
    EXPECT_FALSE(silent.HandshakeStep(2101));
    EXPECT_TRUE(silent.HandshakeStep(2201));
}

TEST_F(UciSessionTest, InfoFieldsAndTheirFailures) {
    struct TCase {
        std::string itsFen;
        std::string itsLine;
        std::string itsCaption, itsGlyph, itsNodes, itsDepth, itsNps;
        int32_t itsScore;
    };
    const std::vector<TCase> cases = {
        {kAfterE4, "info depth 12 score cp -35 nodes 123456 nps 98000 pv e7e5", "+35", "k", "123,456", "12",
         "98,000", 35},
        {kStart, "info depth 3 score cp -35 nodes 10 nps 5 pv e2e4", "-35", "o", "10", "3", "5", -35},
        {kStart, "info depth 3 score cp 0 pv e2e4", "0", "l", "", "3", "", 0},
        {kStart, "info depth 3 score cp 70 pv e2e4", "+70", "j", "", "3", "", 70},
        {kStart, "info depth 3 score cp -140 pv e2e4", "-140", "q", "", "3", "", -140},
        {kStart, "info depth 9 score mate -3 pv e2e4", "Mate in 3", "q", "", "9", "", -9999},
        {kAfterE4, "info depth 9 score mate 2 pv e7e5", "Mate in 2", "q", "", "9", "", -9999},
        {kStart, "info depth x score cp y nodes z nps w pv e2e4", "???", "", "", "", "0", 21005},
        {kStart, "info depth 4 score mate ? pv e2e4", "???", "", "", "4", "", 21001},
    };
    for (const TCase& c : cases) {
        TUciSession session(Options(), [](const std::string&) {});
        session.SetEnginePosition(c.itsFen, 0, false, 0);
        session.HandleLine(c.itsLine, 500);
        const TEngineDisplay& shown = session.Display();
        EXPECT_EQ(shown.itsCaption, c.itsCaption) << c.itsLine;
        EXPECT_EQ(shown.itsRateGlyph, c.itsGlyph) << c.itsLine;
        EXPECT_EQ(shown.itsNodes, c.itsNodes) << c.itsLine;
        EXPECT_EQ(shown.itsDepth, c.itsDepth) << c.itsLine;
        EXPECT_EQ(shown.itsNodesPerSecond, c.itsNps) << c.itsLine;
        EXPECT_EQ(session.EngineScore(), c.itsScore) << c.itsLine;
    }
}

TEST_F(UciSessionTest, PvIsNumberedFromThePlyCountAndCheckedMoveByMove) {
    struct TCase {
        std::string itsFen;
        int itsPly;
        std::string itsPv, itsDisplay, itsBestLine;
    };
    const std::vector<TCase> cases = {
        {kStart, 0, "e2e4 e7e5", "1.e4 e5", "e4 e5"},
        {kAfterE4, 1, "e7e5 g1f3", "1...e5 2.Nf3", "e5 Nf3"},
        {kAfterE4, 0, "e7e5 g1f3 b8c6", "1...e5 2.Nf3 Nc6", "e5 Nf3 Nc6"}, // parity mended
        {kStart, 22, "g1f3 g8f6 c2c4", "12.Nf3 Nf6 13.c4", "Nf3 Nf6 c4"},
        {kStart, 0, "e2e4 e2e4 d7d5", "1.e4", "e4"}, // the line ends at its first wrong move
        {kStart, 0, "e7e5 g1f3", "...waiting", ""},
    };
    for (const TCase& c : cases) {
        TUciSession session(Options(), [](const std::string&) {});
        session.SetEnginePosition(c.itsFen, c.itsPly, false, 0);
        session.HandleLine("info depth 5 score cp 10 pv " + c.itsPv, 100);
        EXPECT_EQ(session.Display().itsLine, c.itsDisplay) << c.itsPv;
        EXPECT_EQ(session.EngineBestLine(), c.itsBestLine) << c.itsPv;
    }
    // Local piece letters in the best line; the engine still speaks coordinates.
    itsSession.SetEnginePieceLetters('R', 'D', 'T', 'L', 'S');
    Analyse(kStart);
    Feed("info depth 5 score cp 10 pv g1f3 d7d5");
    EXPECT_EQ(itsSession.EngineBestLine(), "Sf3 d5");
    EXPECT_EQ(itsSession.EngineBestMove(), "Sf3");
}

TEST_F(UciSessionTest, ChangedMindKeepsTheOldLineWithScoreAndNodes) {
    Analyse(kStart);
    Feed("info depth 5 score cp 20 nodes 1000 pv e2e4 e7e5");
    Feed("info depth 6 score cp 15 nodes 2000 pv d2d4 d7d5");
    EXPECT_EQ(itsSession.Display().itsPreviousLine, "1.e4 e5 [20/1000]");
    EXPECT_EQ(itsSession.Display().itsLine, "1.d4 d5");
}

TEST_F(UciSessionTest, NewPositionWhileAnalysingIsDeferredUntilBestmoveOrTwoSeconds) {
    itsSession.SetEnginePosition(kStart, 0, false, itsNow);
    EXPECT_EQ(itsSent, (std::vector<std::string>{"position fen " + kStart + " 0 1", "go infinite"}));
    itsSent.clear();
    itsSession.SetEnginePosition(kAfterE4, 1, false, itsNow + 100);
    EXPECT_EQ(itsSent, std::vector<std::string>{"stop"});
    EXPECT_EQ(itsSession.DeferredFEN(), kAfterE4);
    itsSent.clear();
    Feed("bestmove e2e4 ponder e7e5");
    EXPECT_EQ(itsSent, (std::vector<std::string>{"position fen " + kAfterE4 + " 0 1", "go infinite"}));
    EXPECT_TRUE(itsSession.DeferredFEN().empty());

    // No "bestmove": the position goes after 2000 ms all the same.
    itsSent.clear();
    itsSession.SetEnginePosition(kStart, 0, false, itsNow);
    itsSession.Tick(itsNow + 2000);
    EXPECT_EQ(itsSent, std::vector<std::string>{"stop"});
    itsSession.Tick(itsNow + 2001);
    EXPECT_EQ(itsSent.back(), "go infinite");

    // The same position again with the only-if-changed flag sends nothing.
    itsSent.clear();
    itsSession.SetEnginePosition(kStart, 0, true, itsNow);
    EXPECT_TRUE(itsSent.empty());
}

TEST_F(UciSessionTest, StaleLinesStartTheWatchdogWhichAsksForAReset) {
    Analyse(kStart);
    Feed("info depth 5 score cp 10 pv e7e5");
    EXPECT_EQ(itsSession.Display().itsLine, "...waiting");
    EXPECT_TRUE(itsSession.IsWaiting());
    itsSession.Tick(itsNow + 3000);
    EXPECT_FALSE(itsSession.TakeResetRequest());
    itsSession.Tick(itsNow + 3001);
    EXPECT_TRUE(itsSession.TakeResetRequest());
    EXPECT_FALSE(itsSession.TakeResetRequest());

    // A usable line in time ends the wait.
    Analyse(kStart);
    Feed("info depth 5 score cp 10 pv e7e5");
    Feed("info depth 5 score cp 10 pv e2e4");
    itsSession.Tick(itsNow + 5000);
    EXPECT_FALSE(itsSession.TakeResetRequest());
}

TEST_F(UciSessionTest, StalemateAndCheckmateStopTheAnalysis) {
    Analyse(kStart);
    itsSession.SetEnginePosition("7k/5Q2/6K1/8/8/8/8/8 b - -", 0, false, itsNow);
    EXPECT_EQ(itsSent, std::vector<std::string>{"stop"});
    EXPECT_EQ(itsSession.Display().itsCaption, "Stalemate");
    EXPECT_EQ(itsSession.EngineScore(), 0);
    EXPECT_FALSE(itsSession.IsAnalysing());
    itsSession.SetEnginePosition("7k/6Q1/6K1/8/8/8/8/8 b - -", 0, false, itsNow);
    EXPECT_EQ(itsSession.Display().itsCaption, "Checkmate");
    EXPECT_EQ(itsSession.EngineScore(), 9999);
    EXPECT_EQ(itsSession.Display().itsRateGlyph, "i");
}

TEST(LineSplitter, KeepsPartialLinesAcrossReadsDropsCarriageReturnsAndBoundsLength) {
    TLineSplitter splitter;
    std::vector<std::string> lines;
    auto collect = [&](const std::string& line) { lines.push_back(line); };
    splitter.Feed("id name X\r\nuci", collect);
    splitter.Feed("ok\r\n", collect);
    EXPECT_EQ(lines, (std::vector<std::string>{"id name X", "uciok"}));

    lines.clear();
    splitter.Feed(std::string(3 * TLineSplitter::kMaxLineLength, 'y') + "\nnext\n", collect);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), TLineSplitter::kMaxLineLength);
    EXPECT_EQ(lines[1], "next");
    splitter.Feed(std::string(100000, 'y'), collect);
    EXPECT_LE(splitter.Partial().size(), TLineSplitter::kMaxLineLength);
}

} // namespace
} // namespace marvek
