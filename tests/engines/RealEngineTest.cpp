// Real engines on real pipes: stockfish (UCI), fairymax and polyglot over stockfish (Winboard),
// and programs that are no engines at all.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "engines/EngineRunner.h"
#include "engines/UciSession.h"
#include "engines/WinboardSession.h"
#include "platform/Clock.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

const std::string kStockfish = "/usr/games/stockfish";
const std::string kFairymax = "/usr/games/fairymax";
const std::string kPolyglot = "/usr/games/polyglot";
const std::string kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
const std::string kMateInOne = "6k1/5ppp/8/8/8/8/8/R5K1 w - -";

bool Gone(pid_t pid) {
    return ::kill(pid, 0) != 0;
}

void PollFor(TEngineRunner& runner, int milliseconds) {
    const int64_t end = TickCount() + milliseconds;
    while (runner.IsEngineRunning() && TickCount() < end) {
        Wait(50);
        runner.Poll();
    }
}

// Polls at least `milliseconds`, then on until `done` holds: a loaded machine slows the engine,
// not the answer it must reach. Gives up after 20 s so a real fault still fails.
template <typename TDone>
void PollUntil(TEngineRunner& runner, int milliseconds, TDone done) {
    PollFor(runner, milliseconds);
    const int64_t end = TickCount() + 20000;
    while (runner.IsEngineRunning() && !done() && TickCount() < end) {
        Wait(50);
        runner.Poll();
    }
}

TEngineOptions UciOptions() {
    TEngineOptions options;
    options.itsStartupCommands = {"uci"};
    return options;
}

TEngineOptions WinboardOptions() {
    TEngineOptions options;
    options.itsStartupCommands = {"xboard", "new", "noise 25000", "log off"};
    return options;
}

// Start position, then a mate in one found and shown, then stop; nothing is left running.
void AnalyseStartAndMate(TEngineRunner& runner, TEngineSession& session, int milliseconds) {
    runner.SetEnginePosition(kStart, 0);
    PollUntil(runner, milliseconds, [&] { return !session.EngineBestMove().empty(); });
    ASSERT_TRUE(runner.IsEngineRunning());
    EXPECT_FALSE(session.EngineBestMove().empty());
    EXPECT_LT(std::abs(session.EngineScore()), 300) << session.Display().itsCaption;

    runner.SetEnginePosition(kMateInOne, 0); // a new position while analysing
    PollUntil(runner, milliseconds, [&] { return session.EngineScore() == 9999; });
    EXPECT_EQ(session.EngineBestMove(), "Ra8+") << session.Display().itsLine;
    EXPECT_EQ(session.EngineScore(), 9999);
    EXPECT_EQ(session.Display().itsCaption.rfind("Mate in 1", 0), 0u) << session.Display().itsCaption;

    const pid_t pid = runner.Pid();
    runner.StopEngine();
    EXPECT_FALSE(runner.IsEngineRunning());
    EXPECT_TRUE(Gone(pid));
    runner.StopEngine(); // twice does nothing
}

TEST(RealEngine, StockfishOverUci) {
    testsupport::TRecordingUserInterface ui;
    TUciSession session(UciOptions(), nullptr);
    TEngineRunner runner(session, TEngineProtocol::kUci);
    ASSERT_TRUE(runner.StartEngine(kStockfish));
    EXPECT_TRUE(session.UciOkSeen());
    EXPECT_TRUE(session.ReadyOkSeen());
    EXPECT_EQ(session.Display().itsProgramName.rfind("Stockfish", 0), 0u);
    AnalyseStartAndMate(runner, session, 800);
    EXPECT_TRUE(ui.itsShown.empty());
}

TEST(RealEngine, FairymaxOverWinboard) {
    testsupport::TRecordingUserInterface ui;
    TWinboardSession session(WinboardOptions(), nullptr);
    TEngineRunner runner(session, TEngineProtocol::kWinboard);
    ASSERT_TRUE(runner.StartEngine(kFairymax, session.StartArguments()));
    AnalyseStartAndMate(runner, session, 1200);
}

TEST(RealEngine, PolyglotDrivingStockfishOverWinboard) {
    testsupport::TRecordingUserInterface ui;
    testsupport::TScratchFolder scratch;
    const std::string ini = scratch / "polyglot.ini";
    std::ofstream(ini) << "[PolyGlot]\nEngineCommand = " << kStockfish
                       << "\nEngineDir = .\nBook = false\nLog = false\n[Engine]\n";
    TWinboardSession session(WinboardOptions(), nullptr);
    TEngineRunner runner(session, TEngineProtocol::kWinboard);
    ASSERT_TRUE(runner.StartEngine(kPolyglot, ini));
    AnalyseStartAndMate(runner, session, 1000);
}

TEST(RealEngine, MissingEngineIsReported) {
    testsupport::TRecordingUserInterface ui;
    TUciSession session(UciOptions(), nullptr);
    TEngineRunner runner(session, TEngineProtocol::kUci);
    EXPECT_FALSE(runner.StartEngine("/no/such/folder/engine"));
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Could not find the engine in /no/such/folder/. (2)",
                                                    "Could not connect with the engine."}));
    EXPECT_FALSE(runner.IsEngineRunning());
}

TEST(RealEngine, NoEngineAtAllLeavesUsUsable) {
    testsupport::TRecordingUserInterface ui;
    // cat echoes our commands and never answers them: the handshake gives up after its budget.
    TUciSession session(UciOptions(), nullptr);
    TEngineRunner runner(session, TEngineProtocol::kUci);
    const int64_t start = TickCount();
    ASSERT_TRUE(runner.StartEngine("/bin/cat"));
    EXPECT_LT(TickCount() - start, 3000);
    EXPECT_FALSE(session.UciOkSeen());
    runner.SetEnginePosition(kStart, 0);
    PollFor(runner, 200);
    const pid_t pid = runner.Pid();
    runner.StopEngine();
    EXPECT_TRUE(Gone(pid));

    // sleep ignores "quit" and its pipes: it is ended for us.
    TWinboardSession sleeper(WinboardOptions(), nullptr);
    TEngineRunner sleeping(sleeper, TEngineProtocol::kWinboard);
    ASSERT_TRUE(sleeping.StartEngine("/bin/sleep", "60"));
    const pid_t sleepPid = sleeping.Pid();
    sleeping.StopEngine();
    EXPECT_TRUE(Gone(sleepPid));
    EXPECT_TRUE(ui.itsShown.empty());
}

TEST(RealEngine, EngineThatDiesOrFloods) {
    testsupport::TRecordingUserInterface ui;
    testsupport::TScratchFolder scratch;
    const std::string dying = scratch / "dying.sh";
    std::ofstream(dying)
        << "#!/bin/sh\necho uciok\necho readyok\nread line\nread line\nread line\nread line\nexit 3\n";
    ASSERT_EQ(::chmod(dying.c_str(), 0755), 0);
    TUciSession session(UciOptions(), nullptr);
    TEngineRunner runner(session, TEngineProtocol::kUci);
    ASSERT_TRUE(runner.StartEngine(dying));
    runner.SetEnginePosition(kStart, 0);
    PollFor(runner, 500);
    EXPECT_FALSE(runner.IsEngineRunning());
    EXPECT_EQ(session.Display().itsConnected, "Disconnected");

    // yes writes endless lines: we read one buffer a tick and keep at most one line.
    TWinboardSession flooded(WinboardOptions(), nullptr);
    TEngineRunner flooding(flooded, TEngineProtocol::kWinboard);
    ASSERT_TRUE(flooding.StartEngine("/usr/bin/yes", std::string(20000, 'y')));
    PollFor(flooding, 300);
    EXPECT_LE(flooding.PartialLine().size(), TLineSplitter::kMaxLineLength);
    const pid_t pid = flooding.Pid();
    flooding.StopEngine();
    EXPECT_TRUE(Gone(pid));
}

} // namespace
} // namespace marvek
