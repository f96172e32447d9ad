#include <gtest/gtest.h>

#include "chess/ChessParser.h"
#include "support/FileHelpers.h"
#include "support/SimplePgn.h"

namespace marvek {
namespace {

// Every main line of a real, widely used opening file plays through with English letters, and
// every move is written back as the file writes it.
TEST(EcoFile, EveryMainLinePlaysThrough) {
    const std::string text = testsupport::ReadWholeFile(MARVEK_ECO_PGN);
    ASSERT_FALSE(text.empty()) << "missing " << MARVEK_ECO_PGN;
    const auto games = testsupport::ReadMainLines(text);
    ASSERT_GT(games.size(), 2000u);

    TChessParser parser;
    std::size_t plies = 0;
    for (std::size_t g = 0; g < games.size(); ++g) {
        parser.LoadPosition(StartPosition());
        for (const std::string& move : games[g].itsMoves) {
            parser.SetMoveText(move);
            ASSERT_TRUE(parser.ParseMove())
                << "game " << g + 1 << ": " << move << " in " << parser.CurrentFEN();
            // We write each move exactly as the file does (we have no separate mate sign).
            std::string expected = move;
            if (expected.back() == '#') expected.back() = '+';
            TChessParser writer = parser;
            EXPECT_EQ(writer.NotationFor(parser.GetChessMove()), expected);
            parser.ApplyMove();
            ++plies;
        }
    }
    EXPECT_GT(plies, 20000u);
}

} // namespace
} // namespace marvek
