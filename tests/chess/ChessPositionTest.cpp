#include <gtest/gtest.h>

#include "chess/ChessPosition.h"
#include "platform/Errors.h"
#include "support/ChessFixtures.h"

namespace marvek {
namespace {

TChessPosition FromFen(const std::string& fen) {
    return TChessPosition(testsupport::PackedFromFen(fen));
}

std::string FenOf(const TPackedPosition& packed) {
    return TChessPosition(packed).ToFEN();
}

// ---------------------------------------------------------------------------------------------
// The 34-byte record: books on disk and their index keys depend on every bit of it.

TEST(PackedPosition, StartPositionBytes) {
    // a1-d1 (R N B Q) form the word 0x4235, stored low byte first; e1-h1 (K B N R) 0x6324;
    // a8-d8 (r n b q) 0xA89B; e8-h8 (k b n r) 0xC98A. Flags: all rights, White to move.
    std::array<std::uint8_t, 34> expected{};
    expected[0] = 0x35, expected[1] = 0x42, expected[2] = 0x24, expected[3] = 0x63;
    for (int i = 4; i < 8; ++i) expected[i] = 0x11;
    for (int i = 24; i < 28; ++i) expected[i] = 0x77;
    expected[28] = 0x9B, expected[29] = 0xA8, expected[30] = 0x8A, expected[31] = 0xC9;
    expected[32] = 0x1F;
    expected[33] = 0x00;
    EXPECT_EQ(TChessPosition().GetPosition().itsBytes, expected);
}

TEST(PackedPosition, EachSquareHasItsOwnNibble) {
    struct TCase {
        int itsSquare;
        int itsPiece;
        int itsByte;
        std::uint8_t itsValue;
    };
    const TCase cases[] = {
        {0, kWhiteRook, 1, 0x40},     // a1: index 0, high nibble of byte 1
        {1, kWhiteKnight, 1, 0x02},   // b1: index 1, low nibble of byte 1
        {2, kWhiteBishop, 0, 0x30},   // c1: index 2, high nibble of byte 0
        {3, kWhiteQueen, 0, 0x05},    // d1: index 3, low nibble of byte 0
        {21, kBlackQueen, 9, 0x0B},   // b3: index 17
        {46, kWhiteKnight, 18, 0x20}, // g5: index 38
        {77, kBlackKing, 30, 0x0C},   // h8: index 63
    };
    for (const TCase& c : cases) {
        TChessPosition position{TPackedPosition{}};
        position.SetPieceOnSquare(c.itsPiece, c.itsSquare);
        TPackedPosition expected;
        expected.itsBytes[std::size_t(c.itsByte)] = c.itsValue;
        EXPECT_EQ(position.GetPosition().itsBytes, expected.itsBytes) << SquareName(c.itsSquare);
        EXPECT_EQ(position.PieceOnSquare(c.itsSquare), c.itsPiece);
        EXPECT_TRUE(position.IsOccupied(c.itsSquare));
    }
}

TEST(PackedPosition, OffBoardSquaresReadEmptyAndIgnoreWrites) {
    TChessPosition position;
    const TPackedPosition before = position.GetPosition();
    for (int square : {-11, -1, 8, 9, 28, 79, 80, 99}) {
        position.SetPieceOnSquare(kWhiteQueen, square);
        EXPECT_EQ(position.PieceOnSquare(square), kEmpty) << square;
        EXPECT_FALSE(position.IsOccupied(square)) << square;
        EXPECT_TRUE(IsOffBoard(square)) << square;
    }
    EXPECT_EQ(position.GetPosition(), before);
}

TEST(PackedPosition, FlagBytes) {
    TChessPosition position{TPackedPosition{}};
    position.SetWhiteCanCastleKingSide(true);
    position.SetBlackCanCastleQueenSide(true);
    position.SetWhiteToMove(true);
    position.SetEnPassantSquare(43);
    EXPECT_EQ(position.GetPosition().itsBytes[32], 0x19);
    EXPECT_EQ(position.GetPosition().itsBytes[33], 43);

    position.SetWhiteCanCastleKingSide(false);
    position.SetWhiteCanCastleQueenSide(true);
    position.SetBlackCanCastleKingSide(true);
    position.SetWhiteToMove(false);
    EXPECT_EQ(position.GetPosition().itsBytes[32], 0x0E);
    // Writing the en-passant square touches only the high byte.
    position.SetEnPassantSquare(kNoEnPassant);
    EXPECT_EQ(position.GetPosition().itsBytes[32], 0x0E);
    EXPECT_EQ(position.GetPosition().itsBytes[33], 0);
}

TEST(PackedPosition, EnPassantByteOutsideFourthAndFifthRankReadsZero) {
    const std::pair<int, int> cases[] = {{0, 0},   {29, 0},  {30, 30}, {37, 37},
                                         {40, 40}, {47, 47}, {48, 0},  {255, 0}};
    for (auto [stored, read] : cases) {
        TChessPosition position;
        position.SetEnPassantSquare(stored);
        EXPECT_EQ(position.EnPassantSquare(), read) << stored;
    }
}

// ---------------------------------------------------------------------------------------------
// Text forms

TEST(ChessPositionText, StartPositionFen) {
    EXPECT_EQ(TChessPosition().ToFEN(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
}

TEST(ChessPositionText, FenWritesTheTargetBehindTheEnPassantPawn) {
    TChessPosition afterE4 = FromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -");
    afterE4.SetEnPassantSquare(34);
    EXPECT_EQ(afterE4.ToFEN(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3");

    TChessPosition afterD5 = FromFen("4k3/8/8/3p4/8/8/8/4K3 w - -");
    afterD5.SetEnPassantSquare(43);
    EXPECT_EQ(afterD5.ToFEN(), "4k3/8/8/3p4/8/8/8/4K3 w - d6");
}

TEST(ChessPositionText, FenReadAndWrittenBack) {
    struct TCase {
        const char* itsInput;
        const char* itsWritten;
    };
    const TCase cases[] = {
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
         "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b Kq -", "r3k2r/8/8/8/8/8/8/R3K2R b Kq -"},
        {"8/8/8/8/8/8/8/8 w - -", "8/8/8/8/8/8/8/8 w - -"},
        // Move counters are read past and never written.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"},
        // An unknown character in the placement is an empty square.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBxR w KQkq -",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKB1R w KQkq -"},
        // Usable en-passant targets, for either side.
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6",
         "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6"},
        {"rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b KQkq d3",
         "rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b KQkq d3"},
        // A target outside the third or sixth rank gives no en-passant square.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d3", "4k3/8/8/3pP3/8/8/8/4K3 w - -"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d8", "4k3/8/8/3pP3/8/8/8/4K3 w - -"},
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d6", "4k3/8/8/8/3Pp3/8/8/4K3 b - -"},
        // With no pawn of the side to move beside it, nobody can capture: the position is the
        // one reached by the moves, which record no square either.
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3",
         "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -"},
    };
    for (const TCase& c : cases) {
        TChessPosition position;
        TPackedPosition packed;
        ASSERT_TRUE(position.FromFEN(c.itsInput, packed)) << c.itsInput;
        EXPECT_EQ(position.GetPosition(), packed);
        EXPECT_EQ(position.ToFEN(), c.itsWritten) << c.itsInput;
    }
}

TEST(ChessPositionText, FenEnPassantSquareIsThePawnNotTheTarget) {
    EXPECT_EQ(FromFen("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6").EnPassantSquare(), 45);
    EXPECT_EQ(FromFen("rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b KQkq d3").EnPassantSquare(), 33);
}

TEST(ChessPositionText, MalformedFenIsRejected) {
    const char* cases[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq -",            // seven ranks
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq -",    // a square short
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq -", // nine ranks
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNRR w KQkq -",  // a square over
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN2 w KQkq -",   // a run past the h-file
        "rnbqkbnr/pppppppp/4p4/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", // the same in mid-rank
        "rnbqkbnr/pppppppp/4p4/7/8/8/PPPPPPPP/RNBQKBNR w KQkq -", // even when 64 squares in all
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",            // no side to move
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",          // no castling field
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq",     // no en-passant field
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq ",    // the same, blank at the end
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq -",   // bad side letter
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR W KQkq -",
        "",
    };
    for (const char* fen : cases) {
        TChessPosition position;
        TPackedPosition out;
        out.itsBytes.fill(0xAB);
        const TPackedPosition untouched = out;
        EXPECT_FALSE(position.FromFEN(fen, out)) << fen;
        EXPECT_EQ(out, untouched) << fen;
    }
}

TEST(ChessPositionText, PositionText) {
    TChessPosition position = FromFen("4k3/8/8/8/4P3/8/8/R3K3 b Q -");
    EXPECT_EQ(position.ToPositionText(), "[POSITION]\r\n"
                                         "- - - - k - - - \r\n"
                                         "- - - - - - - - \r\n"
                                         "- - - - - - - - \r\n"
                                         "- - - - - - - - \r\n"
                                         "- - - - P - - - \r\n"
                                         "- - - - - - - - \r\n"
                                         "- - - - - - - - \r\n"
                                         "R - - - K - - - \r\n"
                                         "[BLACK]");
    EXPECT_TRUE(TChessPosition().ToPositionText().starts_with("[POSITION]\r\nr n b q k b n r \r\n"));
    EXPECT_TRUE(TChessPosition().ToPositionText().ends_with("R N B Q K B N R \r\n[WHITE]"));
}

// ---------------------------------------------------------------------------------------------
// Reversing colours

TEST(ChessPositionTransform, ReverseColoursMirrorsRanksAndSwapsRights) {
    TChessPosition position = FromFen("r3k3/8/8/3pP3/8/8/8/4K2R w Kq d6");
    ASSERT_EQ(position.EnPassantSquare(), 43);
    position.ReverseColours();
    // The side to move stays; d5 (rank 5) becomes d4.
    EXPECT_EQ(position.ToFEN(), "4k2r/8/8/8/3Pp3/8/8/R3K3 w Qk d5");
    EXPECT_EQ(position.EnPassantSquare(), 33);
}

TEST(ChessPositionTransform, ReverseColoursKeepsNoEnPassantSquare) {
    TChessPosition position = FromFen("4k3/8/8/8/8/8/8/4K3 b - -");
    position.ReverseColours();
    EXPECT_EQ(position.GetPosition().itsBytes[33], 0);
    EXPECT_EQ(position.ToFEN(), "4k3/8/8/8/8/8/8/4K3 b - -");
}

TEST(ChessPositionTransform, SwapSides) {
    // The start position is its own colour-reversed image: only the side to move changes.
    TChessPosition start;
    start.SwapSides();
    EXPECT_EQ(start.ToFEN(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -");

    TChessPosition position = FromFen("rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b Kq d3");
    position.SwapSides();
    EXPECT_EQ(position.ToFEN(), "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w Qk d6");
    position.SwapSides();
    EXPECT_EQ(position.ToFEN(), "rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b Kq d3");
}

// ---------------------------------------------------------------------------------------------
// The canonical form: colour-reversed and mirror-image positions share one book record.

TEST(ChessPositionTransform, CanonicalTransformAndPosition) {
    struct TCase {
        const char* itsFen;
        TCanonicalTransform itsTransform;
        const char* itsCanonical;
    };
    const TCase cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
         {false, false, false},
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"},
        // Black to move: the colour-reversed twin with White to move.
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -",
         {true, false, false},
         "rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq -"},
        // The en-passant square follows the board.
        {"rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b Kq d3",
         {true, false, false},
         "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w Qk d6"},
        // A black castling right keeps the board as it is.
        {"r3k3/8/8/8/8/8/P7/2K5 w q -", {false, false, false}, "r3k3/8/8/8/8/8/P7/2K5 w q -"},
        // Without one, a king on the queen's side is mirrored to the king's side, pawns and all.
        {"r3k3/8/8/8/8/8/P7/2K5 w - -", {false, true, false}, "3k3r/8/8/8/8/8/7P/5K2 w - -"},
        {"4k3/8/8/3pP3/8/8/8/2K5 w - d6", {false, true, false}, "3k4/8/8/3Pp3/8/8/8/5K2 w - e6"},
        // White's own rights do not stop mirroring.
        {"4k3/8/8/8/8/8/8/2K4R w K -", {false, true, false}, "3k4/8/8/8/8/8/8/R4K2 w K -"},
        // A king on the upper half is brought down only when no pawn is on the board.
        {"8/6K1/8/8/8/8/8/k7 w - -", {false, false, true}, "k7/8/8/8/8/8/6K1/8 w - -"},
        {"8/6K1/8/8/8/8/P7/k7 w - -", {false, false, false}, "8/6K1/8/8/8/8/P7/k7 w - -"},
        {"8/1K6/8/8/8/8/8/7k w - -", {false, true, true}, "k7/8/8/8/8/8/6K1/8 w - -"},
        {"8/1K6/8/8/8/8/P7/7k w - -", {false, true, false}, "8/6K1/8/8/8/8/7P/k7 w - -"},
        // Black to move with the black king on c8: reversed, then mirrored.
        {"2k5/8/8/8/8/8/8/4K3 b - -", {true, true, false}, "3k4/8/8/8/8/8/8/5K2 w - -"},
        {"8/8/8/8/8/8/1k6/7K b - -", {true, true, true}, "8/8/8/8/8/8/6K1/k7 w - -"},
    };
    for (const TCase& c : cases) {
        TChessPosition position = FromFen(c.itsFen);
        const TPackedPosition before = position.GetPosition();
        EXPECT_EQ(position.CanonicalTransform(), c.itsTransform) << c.itsFen;
        EXPECT_EQ(FenOf(position.CanonicalPosition()), c.itsCanonical) << c.itsFen;
        EXPECT_EQ(position.GetPosition(), before) << c.itsFen;
    }
}

TEST(ChessPositionTransform, ColourReversedTwinsShareTheCanonicalPosition) {
    TChessPosition blackToMove = FromFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b Kq -");
    TChessPosition twin = blackToMove;
    twin.SwapSides();
    ASSERT_TRUE(twin.WhiteToMove());
    EXPECT_EQ(blackToMove.CanonicalPosition(), twin.CanonicalPosition());
    EXPECT_EQ(twin.CanonicalPosition(), twin.GetPosition());
}

TEST(ChessPositionTransform, EveryTransformMovesEachPieceToItsSquare) {
    // The board is turned a rank at a time; square by square is the plain statement of it.
    const char* const fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b Kq -",
        "8/2k5/3p4/p2P1p2/P2P1P2/8/8/4K3 w - -",
        "4k3/8/8/3pP3/8/8/8/4K3 w - d6",
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3",
    };
    for (const char* fen : fens) {
        const TPackedPosition position = FromFen(fen).GetPosition();
        for (int bits = 0; bits < 8; ++bits) {
            TCanonicalTransform t{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
            TPackedPosition expected;
            for (int rank = 0; rank < 8; ++rank)
                for (int file = 0; file < 8; ++file) {
                    int square = MakeSquare(file, rank);
                    int piece = position.Piece(square);
                    if (t.itsColourReversed) piece = SwapPieceColour(piece);
                    if (piece != 0) expected.SetPiece(piece, TransformSquare(square, t));
                }
            const TPackedPosition got = TransformPosition(position, t);
            for (int rank = 0; rank < 8; ++rank)
                for (int file = 0; file < 8; ++file)
                    EXPECT_EQ(got.Piece(MakeSquare(file, rank)), expected.Piece(MakeSquare(file, rank)))
                        << fen << " transform " << bits << " square " << file << rank;
            int ep = position.EnPassantSquare();
            EXPECT_EQ(got.EnPassantSquare(), ep == kNoEnPassant ? kNoEnPassant : TransformSquare(ep, t))
                << fen << " transform " << bits;
        }
    }
}

TEST(ChessPositionTransform, HasNoPawnsIgnoresTheBackRanks) {
    EXPECT_TRUE(FromFen("4k2p/8/8/8/8/8/8/P3K3 w - -").HasNoPawns());
    EXPECT_FALSE(FromFen("4k3/8/8/8/8/8/7p/4K3 w - -").HasNoPawns());
    EXPECT_FALSE(FromFen("4k3/P7/8/8/8/8/8/4K3 w - -").HasNoPawns());
}

TEST(ChessPositionTransform, MissingWhiteKingIsACorruptPosition) {
    TChessPosition position = FromFen("4k3/8/8/8/8/8/8/8 w - -");
    try {
        position.SquareOfKingOnMove();
        FAIL() << "no exception";
    } catch (const EMarvekError& e) {
        EXPECT_STREQ(e.what(), "TChessPosition.SquareOfKingOnMove() has a corrupt position.");
    }
    EXPECT_EQ(FromFen("4k3/8/8/8/8/8/8/6K1 w - -").SquareOfKingOnMove(), 6);
}

// ---------------------------------------------------------------------------------------------
// Square names

TEST(SquareNames, NameAndValue) {
    const std::pair<const char*, int> cases[] = {{"a1", 0},  {"h1", 7},  {"a2", 10},
                                                 {"e4", 34}, {"a8", 70}, {"h8", 77}};
    for (auto [name, square] : cases) {
        EXPECT_EQ(SquareName(square), name);
        EXPECT_EQ(SquareFromName(name), square);
    }
}

TEST(SquareNames, WrongLengthIsAnInternalError) {
    EXPECT_THROW(SquareFromName("e"), EInternalError);
    EXPECT_THROW(SquareFromName("e44"), EInternalError);
    EXPECT_THROW(SquareFromName(""), EInternalError);
}

TEST(SquareNames, CoordinateMoves) {
    const std::pair<const char*, bool> cases[] = {
        {"e2e4", true},  {"e7e8q", true}, {"a1h8 extra", true}, {"e2e", false},  {"e2-e4", false},
        {"i2e4", false}, {"e9e4", false}, {"E2e4", false},      {"e0e4", false}, {"Nf3", false},
    };
    for (auto [text, expected] : cases) EXPECT_EQ(IsCoordinateMove(text), expected) << text;
}

} // namespace
} // namespace marvek
