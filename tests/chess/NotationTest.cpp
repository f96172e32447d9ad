#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "chess/ChessParser.h"
#include "chess/Notation.h"
#include "platform/Errors.h"
#include "support/ChessFixtures.h"

namespace marvek {
namespace {

using testsupport::ParserAt;

TPackedMove Move(int from, int to, int promotion = 0) {
    return {std::uint8_t(from), std::uint8_t(to), std::uint8_t(promotion), kSymbolNone};
}

// The move a text resolves to, or from = to = 0 when it does not resolve.
TPackedMove Read(TChessParser& parser, std::string_view text) {
    parser.SetMoveText(text);
    return parser.ParseMove() ? parser.GetChessMove() : TPackedMove{};
}

// ---------------------------------------------------------------------------------------------
// Cleaning typed and imported text

TEST(Notation, NormalizeMoveText) {
    struct TCase {
        const char* itsLetters; // king, queen, rook, bishop, knight
        const char* itsText;
        const char* itsNormal;
    };
    const TCase cases[] = {
        {"KQRBN", "Nxf3+", "Nf3"},    {"KQRBN", "exd6ep", "ed6"},
        {"KQRBN", "exd6 EP", "ed6"},  {"KQRBN", "e8=Q", "e8Q"},
        {"KQRBN", "dxe8=N#", "de8N"}, {"KQRBN", "0-0-0", "O-O-O"},
        {"KQRBN", "0-0", "O-O"},      {"KQRBN", "o-o", "O-O"},
        {"KQRBN", "O-O+", "O-O"},     {"KQRBN", "nf3", "Nf3"},
        {"KQRBN", "bxc3", "bc3"},     {"KQRBN", "Bxc3", "Bc3"},
        {"KQRBN", "Qh4xe1", "Qh4e1"}, {"KQRBN", "e4!?", "e4"},
        {"KQRBN", "e", ""},           {"KQRBN", "", ""},
        {"KQRBN", "Nbd2", "Nbd2"},    {"KDTLS", "sf3", "Sf3"},
        {"KDTLS", "Nf3", "f3"},       {"KDTLS", "exd8=D+", "ed8D"},
        {"KDTLS", "Txe1", "Te1"},
    };
    for (const TCase& c : cases) {
        const char* l = c.itsLetters;
        EXPECT_EQ(NormalizeMoveText(c.itsText, l[0], l[1], l[2], l[3], l[4]), c.itsNormal)
            << c.itsLetters << " " << c.itsText;
    }
}

TEST(Notation, SetMoveTextKeepsTheTextBeforeTheFirstComma) {
    TChessParser parser;
    parser.SetMoveText("e4!?, Nf3");
    EXPECT_EQ(parser.MoveText(), "e4");
    ASSERT_TRUE(parser.ParseMove());
    EXPECT_EQ(parser.GetChessMove(), Move(14, 34));

    parser.SetMoveText(std::string(60, 'a'));
    EXPECT_EQ(parser.MoveText().size(), 40u);
    EXPECT_FALSE(parser.NotationIsOK());
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST(Notation, PawnCaptureWithoutRankTakesTheLowestLegalOne) {
    struct TCase {
        const char* itsFen;
        const char* itsText;
        TPackedMove itsMove; // from = to = 0: does not resolve
    };
    const char* free = "7k/3n4/4P3/8/3p4/4P3/8/4K3 w - -";
    // e3 cannot leave the third rank: its king stands on a3 facing a rook on h3.
    const char* pinned = "7k/3n4/4P3/8/3p4/K3P2r/8/8 w - -";
    const TCase cases[] = {
        {free, "ed", Move(24, 33)},   {free, "ed7", Move(54, 63)},
        {pinned, "ed", Move(54, 63)}, {pinned, "ed4", {}},
        {pinned, "ef", {}},           {"4k3/8/4p3/3P4/8/4p3/3P4/4K3 b - -", "ed", Move(24, 13)},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        EXPECT_EQ(Read(parser, c.itsText), c.itsMove) << c.itsFen << " " << c.itsText;
    }
}

TEST(Notation, CastlingTexts) {
    const std::pair<const char*, TPackedMove> cases[] = {
        {"O-O", Move(4, 6)},  {"o-o", Move(4, 6)},   {"0-0", Move(4, 6)},   {"OO", Move(4, 6)},
        {"O-O+", Move(4, 6)}, {"O-O-O", Move(4, 2)}, {"0-0-0", Move(4, 2)}, {"o-o-o", Move(4, 2)},
        {"Kg1", {}},          {"Kc1", {}},
    };
    for (auto [text, move] : cases) {
        TChessParser parser = ParserAt("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
        EXPECT_EQ(Read(parser, text), move) << text;
    }
}

TEST(Notation, LocalPieceLetters) {
    TChessParser parser = ParserAt("4k3/P7/8/8/8/8/8/R2QKBN1 w - -");
    parser.SetPieceLetters('K', 'D', 'T', 'L', 'S');

    const std::pair<TPackedMove, const char*> written[] = {
        {Move(6, 25), "Sf3"},
        {Move(3, 43), "Dd5"},
        {Move(5, 32), "Lc4"},
        {Move(0, 50), "Ta6"},
        {Move(4, 14), "Ke2"},
        {Move(60, 70, kWhiteKnight), "a8=S"},
        {Move(60, 70, kWhiteQueen), "a8=D+"},
    };
    for (auto [move, text] : written) {
        EXPECT_EQ(parser.NotationFor(move), text);
        EXPECT_EQ(Read(parser, text), move) << text;
    }
    EXPECT_EQ(Read(parser, "sf3"), Move(6, 25));
    EXPECT_EQ(Read(parser, "a8S"), Move(60, 70, kWhiteKnight));
    // The English letters mean nothing now: what is left is a pawn move that does not exist.
    for (const char* text : {"Nf3", "Qd5", "Bc4", "Ra6", "a8=N"})
        EXPECT_EQ(Read(parser, text), TPackedMove{}) << text;
    for (const std::string& text : parser.LegalMoves())
        EXPECT_EQ(text.find_first_of("QRBN"), std::string::npos) << text;

    EXPECT_EQ(parser.ToFigurines("Sf3 Dd5 Lc4 Ta6 Ke2 Nf3"), "\xBB"
                                                             "f3 \xBD"
                                                             "d5 \xBA"
                                                             "c4 \xBC"
                                                             "a6 \xBE"
                                                             "e2 Nf3");
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST(Notation, NotationFor) {
    struct TCase {
        const char* itsFen;
        TPackedMove itsMove;
        const char* itsText; // "": not a legal move
    };
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
    const char* knights = "4k3/8/8/8/8/5N2/8/1N2K3 w - -";
    const char* rooks = "7k/8/8/8/8/4R3/8/4R1K1 w - -";
    const char* queens = "8/8/k7/8/4Q2Q/8/8/K6Q w - -";
    const char* promotion = "3r2k1/4P3/8/8/8/8/8/4K3 w - -";
    const char* castling = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
    const TCase cases[] = {
        {start, Move(6, 25), "Nf3"},
        {start, Move(14, 34), "e4"},
        {start, Move(14, 24), "e3"},
        {knights, Move(1, 13), "Nbd2"},
        {knights, Move(25, 13), "Nfd2"},
        {knights, Move(1, 22), "Nc3"},
        {rooks, Move(4, 14), "R1e2"},
        {rooks, Move(24, 14), "R3e2"},
        {rooks, Move(4, 3), "Rd1"},
        {rooks, Move(24, 74), "Re8+"},
        {queens, Move(37, 4), "Qh4e1"},
        {queens, Move(34, 4), "Qee1"},
        {queens, Move(7, 4), "Q1e1"},
        {"4k3/8/8/3p1p2/4P3/8/8/4K3 w - -", Move(34, 43), "exd5"},
        {"4k3/8/8/3p1p2/4P3/8/8/4K3 w - -", Move(34, 45), "exf5"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", Move(44, 53), "exd6"},
        {"3qk3/8/8/8/8/8/8/3QK3 w - -", Move(3, 73), "Qxd8+"},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", Move(0, 70), "Ra8+"}, // mate has no sign of its own
        {promotion, Move(64, 73, kWhiteQueen), "exd8=Q+"},
        {promotion, Move(64, 73, kWhiteRook), "exd8=R+"},
        {promotion, Move(64, 74, kWhiteQueen), "e8=Q+"},
        {promotion, Move(64, 74, kWhiteKnight), "e8=N"},
        {"4k3/8/8/8/8/8/p7/4K3 b - -", Move(10, 0, kBlackQueen), "a1=Q+"},
        {castling, Move(4, 6), "O-O"},
        {castling, Move(4, 2), "O-O-O"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", Move(74, 76), "O-O"},
        {"5k2/8/8/8/8/8/8/4K2R w K -", Move(4, 6), "O-O+"},
        // Not legal, not the mover's piece, not a move at all.
        {promotion, Move(64, 74), ""},
        {start, Move(14, 44), ""},
        {start, Move(64, 44), ""},
        {start, Move(24, 34), ""},
        {start, Move(6, 14), ""},
        {start, Move(6, 6), ""},
        {start, Move(6, 8), ""},
        {start, Move(4, 6), ""},
        {castling, Move(4, 26), ""}, // two files right, but not castling
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        const TPackedPosition before = parser.CurrentPosition();
        const std::string text = parser.NotationFor(c.itsMove);
        EXPECT_EQ(text, c.itsText) << c.itsFen << " " << SquareName(c.itsMove.itsFrom)
                                   << SquareName(c.itsMove.itsTo);
        EXPECT_EQ(parser.CurrentPosition(), before);
        EXPECT_EQ(parser.NotationIsOK(), !text.empty());
        if (text.empty()) continue;
        // The written move stays resolved, ready to be played.
        EXPECT_TRUE(parser.GetChessMove().SameMove(c.itsMove)) << text;
        EXPECT_EQ(parser.MoveText(), text);
        parser.ApplyMove();
        EXPECT_NE(parser.CurrentPosition(), before);
    }
}

TEST(Notation, CoordinateToNotation) {
    struct TCase {
        const char* itsFen;
        const char* itsCoordinates;
        const char* itsText;
    };
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
    const char* promotion = "3r2k1/4P3/8/8/8/8/8/4K3 w - -";
    const TCase cases[] = {
        {start, "e2e4", "e4"},
        {start, "g1f3", "Nf3"},
        {start, "e2e5", ""},
        {start, "e7e5", ""},
        {start, "e2e", ""},
        {start, "", ""},
        {start, "e2-e4", ""},
        {promotion, "e7e8q", "e8=Q+"},
        {promotion, "e7e8Q", "e8=Q+"},
        {promotion, "e7e8n", "e8=N"},
        {promotion, "e7d8r", "exd8=R+"},
        {promotion, "e7d8b", "exd8=B"},
        {promotion, "e7e8", ""},
        {promotion, "e7e8x", ""},
        {"4k3/8/8/8/8/8/p7/4K3 b - -", "a2a1q", "a1=Q+"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1g1", "O-O"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "e8c8", "O-O-O"},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        EXPECT_EQ(parser.CoordinateToNotation(c.itsCoordinates), c.itsText) << c.itsCoordinates;
    }

    TChessParser parser;
    ASSERT_EQ(parser.CoordinateToNotation("g1f3"), "Nf3");
    parser.ApplyMove();
    EXPECT_EQ(parser.PieceOnSquare(25), kWhiteKnight);
}

// ---------------------------------------------------------------------------------------------
// Evaluation symbols and figurines

TEST(Notation, SymbolFromText) {
    const std::pair<const char*, int> cases[] = {
        {"", 1},   {"e4", 1}, {"!", 2},    {"!?", 3},      {"!!", 4},  {"?", 5},
        {"?!", 6}, {"??", 7}, {"e4!?", 3}, {"Nf3?!??", 7}, {"!!?", 4}, {"?!?", 3},
    };
    for (auto [text, code] : cases) EXPECT_EQ(SymbolFromText(text), code) << text;
}

TEST(Notation, AppendSymbolText) {
    const std::pair<int, const char*> cases[] = {{1, "e4,"},  {2, "e4!,"},  {3, "e4!?,"}, {4, "e4!!,"},
                                                 {5, "e4?,"}, {6, "e4?!,"}, {7, "e4??,"}};
    for (auto [code, expected] : cases) {
        std::string text = "e4";
        AppendSymbolText(code, text);
        EXPECT_EQ(text, expected);
        EXPECT_EQ(SymbolFromText(text), code);
    }
    for (int bad : {-1, 0, 8, 255}) {
        std::string text = "e4";
        EXPECT_THROW(AppendSymbolText(bad, text), EInternalError) << bad;
    }
}

TEST(Notation, ToFigurines) {
    TChessParser parser;
    const std::pair<const char*, const char*> cases[] = {
        {"Nf3", "\xBB"
                "f3"},
        {"Kxe2", "\xBE"
                 "xe2"},
        {"Rb1 Bb5", "\xBC"
                    "b1 \xBA"
                    "b5"},
        {"exd8=Q+", "exd8=\xBD+"},
        {"e4", "e4"},
        {"O-O", "O-O"},
    };
    for (auto [text, figurines] : cases) EXPECT_EQ(parser.ToFigurines(text), figurines) << text;

    parser.SetFigurines('k', 'q', 'r', 'b', 'n', 'p');
    EXPECT_EQ(parser.ToFigurines("Kxe2 Qh4 Rb1 Bb5 Nf3 e4"), "kxe2 qh4 rb1 bb5 nf3 e4");
}

} // namespace
} // namespace marvek
