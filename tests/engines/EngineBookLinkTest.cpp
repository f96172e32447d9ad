// The book window's link to the engines: position text to FEN, and nothing offered while stopped.
#include <gtest/gtest.h>

#include "chess/ChessPosition.h"
#include "engines/EngineBookLink.h"
#include "engines/UciSession.h"

namespace marvek {
namespace {

TEST(EngineBookLinkTest, PositionTextBecomesFEN) {
    const std::string start = "[POSITION]\r\nr n b q k b n r \r\np p p p p p p p \r\n- - - - - - - - \r\n"
                              "- - - - - - - - \r\n- - - - P - - - \r\n- - - - - - - - \r\n"
                              "P P P P - P P P \r\nR N B Q K B N R \r\n[BLACK]";
    EXPECT_EQ(PositionTextToFEN(start), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -");
    EXPECT_EQ(PositionTextToFEN("[POSITION]\r\nK k\r\n[WHITE]"), "");
}

TEST(EngineBookLinkTest, StoppedEnginesOfferNothing) {
    TUciSession session(TEngineOptions{}, [](const std::string&) {});
    TEngineRunner runner(session, TEngineProtocol::kUci);
    TEngineBookLink link(&runner, nullptr);
    EXPECT_FALSE(link.AnyRunning());
    EXPECT_TRUE(link.BestMoves().empty());
    EXPECT_TRUE(link.Analyses().empty());
    EXPECT_EQ(link.BestLine(), "");
    link.SendPosition("[POSITION]\r\n[WHITE]", 0, true); // no board, no engine: nothing happens
}

} // namespace
} // namespace marvek
