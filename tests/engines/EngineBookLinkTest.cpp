// The book window's link to the engines: the position reaches the engine whole, and nothing is
// offered while the engines are stopped.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "engines/EngineBookLink.h"
#include "engines/UciSession.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

TEST(EngineBookLinkTest, PositionReachesTheEngineWithCastlingRightsAndMoveNumber) {
    testsupport::TRecordingUserInterface ui;
    testsupport::TScratchFolder scratch;
    // An engine that answers the handshake and writes down every command it gets.
    const std::string log = scratch / "commands.txt";
    const std::string engine = scratch / "engine.sh";
    std::ofstream(engine) << "#!/bin/sh\nwhile read line; do echo \"$line\" >> '" << log
                          << "'\ncase \"$line\" in uci) echo uciok;; isready) echo readyok;; "
                             "quit) exit 0;; esac\ndone\n";
    ASSERT_EQ(::chmod(engine.c_str(), 0755), 0);
    TEngineOptions options;
    options.itsStartupCommands = {"uci"};
    TUciSession session(options, nullptr);
    TEngineRunner runner(session, TEngineProtocol::kUci);
    ASSERT_TRUE(runner.StartEngine(engine));
    TEngineBookLink link(&runner, nullptr);

    link.SendPosition("r3k2r/8/8/8/4P3/8/8/R3K2R b KQkq e3", 9, false);
    runner.StopEngine();
    std::stringstream sent;
    sent << std::ifstream(log).rdbuf();
    EXPECT_NE(sent.str().find("position fen r3k2r/8/8/8/4P3/8/8/R3K2R b KQkq e3 0 5\ngo infinite\n"),
              std::string::npos)
        << sent.str();
}

TEST(EngineBookLinkTest, StoppedEnginesOfferNothing) {
    TUciSession session(TEngineOptions{}, [](const std::string&) {});
    TEngineRunner runner(session, TEngineProtocol::kUci);
    TEngineBookLink link(&runner, nullptr);
    EXPECT_FALSE(link.AnyRunning());
    EXPECT_TRUE(link.BestMoves().empty());
    EXPECT_TRUE(link.Analyses().empty());
    EXPECT_EQ(link.BestLine(), "");
    link.SendPosition("8/8/8/8/8/8/8/K6k w - -", 0, true); // no engine: nothing happens
}

} // namespace
} // namespace marvek
