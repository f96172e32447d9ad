#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "chess/ChessParser.h"
#include "support/ChessFixtures.h"

// The move generator is checked against the notation layer over every position two plies deep
// from the usual move-generator test positions, and over a few positions no game reaches.

namespace marvek {
namespace {

using testsupport::ParserAt;

const char* const kPerftPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
};

const char* const kOddPositions[] = {
    // Pawns on their own back rank (they capture but cannot step) and on their last rank.
    "2k3p1/5P2/8/8/8/8/n7/1P2K3 w - -",
    "2k3p1/5P2/8/8/8/8/n7/1P2K3 b - -",
    "p1k3P1/8/8/8/8/8/1n6/P3K2p w - -",
    "p1k3P1/8/8/8/8/8/1n6/P3K2p b - -",
    // En passant: for either side, from both sides, and once against a pin along the rank.
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6",
    "rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b KQkq d3",
    "4k3/8/8/2PpP3/8/8/8/4K3 w - d6",
    "8/8/8/K2pP2q/8/8/8/7k w - d6",
    // Promotions with and without captures.
    "r1n1k3/1P6/8/8/8/8/6p1/4K2R w K -",
    "r1n1k3/1P6/8/8/8/8/6p1/4K2R b K -",
    // Many pieces of one kind reaching the same squares.
    "4k3/8/2N1N3/1N3N2/8/1N3N2/2N1N3/4K3 w - -",
    "4k3/8/8/3Q1Q2/8/3Q1Q2/8/4K3 w - -",
};

// Calls `visit` on the position and on every position reached from it within `depth` plies.
void Walk(const TChessParser& parser, int depth, const std::function<void(TChessParser&)>& visit) {
    TChessParser here = parser;
    visit(here);
    if (depth == 0 || ::testing::Test::HasFatalFailure()) return;
    TPackedMove moves[TChessParser::kMaxLegalMoves];
    const int count = here.GenerateMoves(moves);
    for (int i = 0; i < count; ++i) {
        TChessParser next = here;
        ASSERT_FALSE(next.NotationFor(moves[i]).empty()) << next.CurrentFEN();
        next.ApplyMove();
        Walk(next, depth - 1, visit);
    }
}

// Every generated move has a notation that reads back as that move, with "x" exactly on captures
// and "+" exactly when the opponent is then in check.
void CheckRoundTrip(TChessParser& parser) {
    TPackedMove moves[TChessParser::kMaxLegalMoves];
    const int count = parser.GenerateMoves(moves);
    for (int i = 0; i < count; ++i) {
        const TPackedMove& move = moves[i];
        const std::string where =
            parser.CurrentFEN() + " " + SquareName(move.itsFrom) + SquareName(move.itsTo);
        const std::string text = parser.NotationFor(move);
        ASSERT_FALSE(text.empty()) << where;

        TChessParser reader = parser;
        reader.SetMoveText(text);
        ASSERT_TRUE(reader.ParseMove()) << where << " " << text;
        EXPECT_TRUE(reader.GetChessMove().SameMove(move)) << where << " " << text;

        const bool pawnTakes = PieceKind(parser.PieceOnSquare(move.itsFrom)) == kWhitePawn &&
                               FileOf(move.itsFrom) != FileOf(move.itsTo);
        const bool capture = parser.PieceOnSquare(move.itsTo) != kEmpty || pawnTakes;
        EXPECT_EQ(text.find('x') != std::string::npos, capture) << where << " " << text;
        reader.ApplyMove();
        EXPECT_EQ(text.back() == '+', reader.InCheck()) << where << " " << text;
    }
}

// The legal-move list as the program has always defined it: each piece of the side to move, file
// by file from a1, proposes every square it could reach on an empty board along its directions
// (pawns their fixed steps), and a proposal is listed exactly when a notation can be written.
std::vector<std::string> ProposedMoves(TChessParser& parser) {
    static constexpr int kKnight[] = {-21, 21, -12, 12, -19, 19, 8, -8};
    static constexpr int kBishop[] = {9, -9, 11, -11};
    static constexpr int kRook[] = {1, -1, 10, -10};
    static constexpr int kQueenKing[] = {1, -1, 10, -10, 11, -11, 9, -9};
    static constexpr int kPromotionKinds[] = {kWhiteQueen, kWhiteRook, kWhiteBishop, kWhiteKnight};

    std::vector<std::string> list;
    const bool white = parser.WhiteToMove();
    auto propose = [&](int from, int to, int promotion) {
        if (IsOffBoard(to)) return;
        std::string text =
            parser.NotationFor({std::uint8_t(from), std::uint8_t(to), std::uint8_t(promotion), kSymbolNone});
        if (!text.empty()) list.push_back(std::move(text));
    };
    for (int file = 0; file < 8; ++file) {
        for (int rank = 0; rank < 8; ++rank) {
            const int from = MakeSquare(file, rank);
            const int piece = parser.PieceOnSquare(from);
            if (!(white ? IsWhitePiece(piece) : IsBlackPiece(piece))) continue;
            const int kind = PieceKind(piece);
            const int sign = white ? 1 : -1;
            if (kind == kWhitePawn) {
                const int relativeRank = white ? rank : 7 - rank;
                if (relativeRank == 6) {
                    for (int promotionKind : kPromotionKinds)
                        for (int step : {9, 10, 11})
                            propose(from, from + sign * step, PieceOfColour(promotionKind, white));
                } else if (relativeRank < 6) {
                    for (int step : {9, 10, 11, 20}) propose(from, from + sign * step, 0);
                }
                continue;
            }
            std::span<const int> directions = kQueenKing;
            if (kind == kWhiteKnight) directions = kKnight;
            if (kind == kWhiteBishop) directions = kBishop;
            if (kind == kWhiteRook) directions = kRook;
            for (int direction : directions)
                for (int to = from + direction; !IsOffBoard(to); to += direction) propose(from, to, 0);
        }
    }
    return list;
}

void CheckAgainstProposals(TChessParser& parser) {
    const std::vector<std::string> proposed = ProposedMoves(parser);
    ASSERT_EQ(parser.LegalMoves(), proposed) << parser.CurrentFEN();
}

TEST(LegalMoves, EveryMoveReadsBackFromItsNotation) {
    for (const char* fen : kPerftPositions) Walk(ParserAt(fen), 2, CheckRoundTrip);
    for (const char* fen : kOddPositions) Walk(ParserAt(fen), 1, CheckRoundTrip);
}

TEST(LegalMoves, SameListAndOrderAsProposalAndNotation) {
    for (const char* fen : kPerftPositions) Walk(ParserAt(fen), 2, CheckAgainstProposals);
    for (const char* fen : kOddPositions) Walk(ParserAt(fen), 1, CheckAgainstProposals);
}

TEST(LegalMoves, OddPositionsHaveTheirSpecialMoves) {
    // The two tests above compare the generator with the notation layer; these pin down what the
    // odd positions must and must not offer.
    struct TCase {
        const char* itsFen;
        std::vector<std::string> itsPresent;
        std::vector<std::string> itsAbsent;
    };
    const TCase cases[] = {
        {"2k3p1/5P2/8/8/8/8/n7/1P2K3 w - -", {"bxa2", "f8=Q+", "fxg8=Q+", "fxg8=N"}, {"b2", "b3"}},
        {"2k3p1/5P2/8/8/8/8/n7/1P2K3 b - -", {"gxf7"}, {"g7", "g6"}},
        {"p1k3P1/8/8/8/8/8/1n6/P3K2p w - -", {"axb2"}, {"a2", "a3"}},
        {"p1k3P1/8/8/8/8/8/1n6/P3K2p b - -", {"Nd1"}, {"a7", "a6"}},
        {"4k3/8/8/2PpP3/8/8/8/4K3 w - d6", {"cxd6", "exd6"}, {}},
        {"8/8/8/K2pP2q/8/8/8/7k w - d6", {"e6"}, {"exd6"}},
        {"r1n1k3/1P6/8/8/8/8/6p1/4K2R b K -", {"gxh1=Q+", "g1=N", "gxh1=R+"}, {"g1"}},
        {"4k3/8/2N1N3/1N3N2/8/1N3N2/2N1N3/4K3 w - -", {"Nc6d4", "Ne6d4", "Nba3", "Ncd8", "Nca7"}, {"Nd4"}},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        const std::vector<std::string> moves = parser.LegalMoves();
        for (const std::string& move : c.itsPresent)
            EXPECT_NE(std::ranges::find(moves, move), moves.end()) << c.itsFen << " " << move;
        for (const std::string& move : c.itsAbsent)
            EXPECT_EQ(std::ranges::find(moves, move), moves.end()) << c.itsFen << " " << move;
    }
}

} // namespace
} // namespace marvek
