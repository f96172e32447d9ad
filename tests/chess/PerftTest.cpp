#include <gtest/gtest.h>

#include "chess/ChessParser.h"
#include "support/ChessFixtures.h"

namespace marvek {
namespace {

struct TPerftCase {
    const char* itsFen;
    int itsDepth;
    std::uint64_t itsNodes;
};

// Published counts: any fault in legality, castling, en passant or promotion changes them.
const TPerftCase kPerftCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 4, 197281},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 3, 97862},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 4, 43238},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 3, 9467},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", 3, 62379},
};

TEST(Perft, PublishedCounts) {
    for (const TPerftCase& c : kPerftCases) {
        TChessParser parser;
        parser.LoadPosition(testsupport::PackedFromFen(c.itsFen));
        EXPECT_EQ(parser.Perft(c.itsDepth), c.itsNodes) << c.itsFen;
    }
}

} // namespace
} // namespace marvek
