#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "chess/ChessParser.h"
#include "platform/Errors.h"
#include "support/ChessFixtures.h"

namespace marvek {
namespace {

TPackedPosition Fen(const std::string& fen) {
    return testsupport::PackedFromFen(fen);
}

TChessParser ParserAt(const std::string& fen) {
    TChessParser parser;
    parser.LoadPosition(Fen(fen));
    return parser;
}

bool Parses(TChessParser& parser, std::string_view text) {
    parser.SetMoveText(text);
    return parser.ParseMove();
}

void Play(TChessParser& parser, std::initializer_list<std::string_view> moves) {
    for (std::string_view move : moves) {
        ASSERT_TRUE(Parses(parser, move)) << move << " in " << parser.CurrentFEN();
        parser.ApplyMove();
    }
}

// Whether the legal-move list holds `text`, with or without a check sign.
bool Lists(TChessParser& parser, const std::string& text) {
    const std::vector<std::string> moves = parser.LegalMoves();
    return std::ranges::find(moves, text) != moves.end() ||
           std::ranges::find(moves, text + "+") != moves.end();
}

// ---------------------------------------------------------------------------------------------
// Playing moves

TEST(ChessParser, ResolvedMoveIsPackedWithNoSymbol) {
    TChessParser parser;
    ASSERT_TRUE(Parses(parser, "e4"));
    EXPECT_EQ(parser.GetChessMove(), (TPackedMove{14, 34, 0, kSymbolNone}));
    parser.ApplyMove();
    EXPECT_FALSE(parser.NotationIsOK());
    EXPECT_TRUE(parser.MoveText().empty());
    EXPECT_FALSE(parser.WhiteToMove());
}

TEST(ChessParser, EnPassantSquareOnlyWithAnEnemyPawnBeside) {
    TChessParser parser;
    Play(parser, {"e4"});
    EXPECT_EQ(parser.CurrentPosition().itsBytes[33], 0);

    Play(parser, {"Nf6", "e5", "d5"});
    EXPECT_EQ(parser.CurrentPosition().EnPassantSquare(), 43);
    EXPECT_EQ(parser.CurrentFEN(), "rnbqkb1r/ppp1pppp/5n2/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6");

    ASSERT_TRUE(Parses(parser, "exd6"));
    EXPECT_TRUE(parser.IsCapture());
    parser.ApplyMove();
    EXPECT_EQ(parser.PieceOnSquare(43), kEmpty);
    EXPECT_EQ(parser.PieceOnSquare(53), kWhitePawn);
    EXPECT_EQ(parser.SecondarySquares(), (std::array<int, 2>{43, kNoSquare}));
    EXPECT_EQ(parser.CurrentPosition().EnPassantSquare(), kNoEnPassant);
}

TEST(ChessParser, EnPassantForBlackAndOnlyAtOnce) {
    TChessParser parser;
    Play(parser, {"Nf3", "d5", "Nc3", "d4", "e4"});
    EXPECT_EQ(parser.CurrentPosition().EnPassantSquare(), 34);
    TChessParser later = parser;

    ASSERT_TRUE(Parses(parser, "dxe3"));
    parser.ApplyMove();
    EXPECT_EQ(parser.PieceOnSquare(34), kEmpty);
    EXPECT_EQ(parser.PieceOnSquare(24), kBlackPawn);
    EXPECT_EQ(parser.SecondarySquares(), (std::array<int, 2>{34, kNoSquare}));

    Play(later, {"Nc6", "Nb1"});
    EXPECT_FALSE(Parses(later, "dxe3"));
}

// A FEN or a damaged record can name an en-passant square that no double step left behind.
TEST(ChessParser, EnPassantNeedsAnEmptyTargetAndTheEnemyPawn) {
    struct TCase {
        const char* itsFen;
        int itsStoredSquare;  // written over the record's en-passant byte, 0 to keep it
        const char* itsAfter; // after exd6; "" when exd6 is not a move
    };
    const TCase cases[] = {
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", 0, "4k3/8/3P4/8/8/8/8/4K3 b - -"},
        {"4k3/8/3B4/3pP3/8/8/8/4K3 w - d6", 0, ""},
        {"4k3/8/3b4/3pP3/8/8/8/4K3 w - d6", 0, "4k3/8/3P4/3p4/8/8/8/4K3 b - -"},
        {"4k3/8/8/3NP3/8/8/8/4K3 w - -", 43, ""},
        {"4k3/8/8/4P3/8/8/8/4K3 w - -", 43, ""},
    };
    for (const TCase& c : cases) {
        TPackedPosition position = Fen(c.itsFen);
        if (c.itsStoredSquare != 0) position.SetEnPassantSquare(c.itsStoredSquare);
        TChessParser parser;
        parser.LoadPosition(position);
        const std::vector<std::string> moves = parser.LegalMoves();
        const bool listed = std::ranges::find(moves, "exd6") != moves.end();
        EXPECT_EQ(listed, *c.itsAfter != '\0') << c.itsFen;
        EXPECT_EQ(Parses(parser, "exd6"), listed) << c.itsFen;
        if (!listed) continue;
        parser.ApplyMove();
        EXPECT_EQ(parser.CurrentFEN(), c.itsAfter) << c.itsFen;
    }
}

TEST(ChessParser, CastlingRightsLostByMovingOrLosingKingOrRook) {
    struct TCase {
        const char* itsFen;
        const char* itsMove;
        const char* itsAfter;
    };
    const TCase cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "Rxh8", "r3k2R/8/8/8/8/8/8/R3K3 b Qq -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "Rxa8", "R3k2r/8/8/8/8/8/8/4K2R b Kk -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "Kf1", "r3k2r/8/8/8/8/8/8/R4K1R b kq -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "Rb1", "r3k2r/8/8/8/8/8/8/1R2K2R b Kkq -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "Rh2", "r3k2r/8/8/8/8/8/7R/R3K3 b Qkq -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "Rxh1", "r3k3/8/8/8/8/8/8/R3K2r w Qq -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "Kd7", "r6r/3k4/8/8/8/8/8/R3K2R w KQ -"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "Rb8", "1r2k2r/8/8/8/8/8/8/R3K2R w KQk -"},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        Play(parser, {c.itsMove});
        EXPECT_EQ(parser.CurrentFEN(), c.itsAfter) << c.itsFen << " " << c.itsMove;
    }
}

TEST(ChessParser, CastlingLegality) {
    struct TCase {
        const char* itsFen;
        bool itsShort;
        bool itsLong;
    };
    const TCase cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", true, true},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", true, true},
        {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq -", true, false},   // b1 occupied
        {"rn2k2r/8/8/8/8/8/8/R3K2R b KQkq -", true, false},   // b8 occupied
        {"r3k2r/8/8/8/8/8/8/R2QK2R w KQkq -", true, false},   // d1 occupied
        {"r3k2r/8/8/8/8/8/8/R3KB1R w KQkq -", false, true},   // f1 occupied
        {"r3k2r/8/8/8/8/8/8/R3K1NR w KQkq -", false, true},   // g1 occupied
        {"r3k2r/8/8/8/4r3/8/8/R3K2R w KQkq -", false, false}, // in check
        {"r3k2r/8/8/1B6/8/8/8/R3K2R b KQkq -", false, false}, // in check
        {"r3k2r/8/8/8/5r2/8/8/R3K2R w KQkq -", false, true},  // f1 attacked
        {"r3k2r/8/8/8/3r4/8/8/R3K2R w KQkq -", true, false},  // d1 attacked
        {"r3k2r/8/8/8/6r1/8/8/R3K2R w KQkq -", false, true},  // g1 attacked
        {"r3k2r/8/8/8/2r5/8/8/R3K2R w KQkq -", true, false},  // c1 attacked
        {"r3k2r/8/8/8/1r6/8/8/R3K2R w KQkq -", true, true},   // b1 attacked: the king never crosses it
        {"r3k2r/4P3/8/8/8/8/8/R3K2R b KQkq -", false, false}, // d8 and f8 attacked by a pawn
        {"r3k2r/8/8/8/8/8/8/R3K2R w Kkq -", true, false},     // no right
        {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq -", false, true},
        // Rights a FEN claims but the pieces do not back: king and rook must be at home.
        {"r3k2r/8/8/8/8/8/8/R4K1R w KQkq -", false, false},
        {"r3k2r/8/8/8/8/8/8/1R2K1R1 w KQkq -", false, false},
        {"r3k2r/8/8/8/8/8/8/n3K2R w KQkq -", true, false},
        {"r2k3r/8/8/8/8/8/8/R3K2R b KQkq -", false, false},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        EXPECT_EQ(Parses(parser, "O-O"), c.itsShort) << c.itsFen;
        EXPECT_EQ(Parses(parser, "O-O-O"), c.itsLong) << c.itsFen;
        EXPECT_EQ(Lists(parser, "O-O"), c.itsShort) << c.itsFen;
        EXPECT_EQ(Lists(parser, "O-O-O"), c.itsLong) << c.itsFen;
    }
}

TEST(ChessParser, CastlingMovesKingAndRook) {
    struct TCase {
        const char* itsFen;
        const char* itsMove;
        const char* itsAfter;
        std::array<int, 2> itsSecondary;
    };
    const TCase cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "O-O", "r3k2r/8/8/8/8/8/8/R4RK1 b kq -", {5, 7}},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "O-O-O", "r3k2r/8/8/8/8/8/8/2KR3R b kq -", {0, 3}},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "O-O", "r4rk1/8/8/8/8/8/8/R3K2R w KQ -", {75, 77}},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "O-O-O", "2kr3r/8/8/8/8/8/8/R3K2R w KQ -", {70, 73}},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "Kd1", "r3k2r/8/8/8/8/8/8/R2K3R b kq -", {kNoSquare, kNoSquare}},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        Play(parser, {c.itsMove});
        EXPECT_EQ(parser.CurrentFEN(), c.itsAfter) << c.itsMove;
        EXPECT_EQ(parser.SecondarySquares(), c.itsSecondary) << c.itsMove;
    }
    // The king's new square is known to the attack test at once.
    TChessParser parser = ParserAt("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    Play(parser, {"O-O", "Rg8"});
    EXPECT_FALSE(Parses(parser, "Rf2"));
    EXPECT_TRUE(Parses(parser, "Kh1"));
}

TEST(ChessParser, PromotionTakesThePieceNamedInTheText) {
    struct TCase {
        const char* itsFen;
        const char* itsMove;
        int itsSquare;
        int itsPiece; // kEmpty: the move is illegal
    };
    const char* white = "1n2k3/P7/8/8/8/8/7p/4K1N1 w - -";
    const char* black = "1n2k3/P7/8/8/8/8/7p/4K1N1 b - -";
    const TCase cases[] = {
        {white, "a8=Q", 70, kWhiteQueen},  {white, "a8=N", 70, kWhiteKnight},
        {white, "a8N", 70, kWhiteKnight},  {white, "a8=B", 70, kWhiteBishop},
        {white, "axb8=R", 71, kWhiteRook}, {white, "a8", 70, kEmpty},
        {white, "a8=K", 70, kEmpty},       {white, "axb8", 71, kEmpty},
        {black, "h1=Q", 7, kBlackQueen},   {black, "hxg1=N", 6, kBlackKnight},
        {black, "h1", 7, kEmpty},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        const bool legal = Parses(parser, c.itsMove);
        EXPECT_EQ(legal, c.itsPiece != kEmpty) << c.itsMove;
        if (!legal) continue;
        EXPECT_EQ(parser.GetChessMove().itsPromotion, c.itsPiece) << c.itsMove;
        parser.ApplyMove();
        EXPECT_EQ(parser.PieceOnSquare(c.itsSquare), c.itsPiece) << c.itsMove;
    }
}

TEST(ChessParser, Legality) {
    struct TCase {
        const char* itsFen;
        const char* itsMove;
        bool itsLegal;
    };
    const TCase cases[] = {
        {"4k3/4r3/8/8/8/8/4N3/4K3 w - -", "Nc3", false}, // pinned
        {"4k3/4r3/8/8/8/8/4N3/4K3 w - -", "Kd1", true},
        {"4k3/8/8/8/8/8/3r4/4K3 w - -", "Kf2", false}, // into check
        {"4k3/8/8/8/8/8/3r4/4K3 w - -", "Kxd2", true},
        {"8/8/8/8/8/4k3/8/4K3 w - -", "Ke2", false}, // next to the other king
        {"8/8/8/8/8/4k3/8/4K3 w - -", "Kf1", true},
        {"8/8/8/K2pP2q/8/8/8/7k w - d6", "exd6", false}, // both pawns leave the fifth rank
        {"8/8/8/K2pP2q/8/8/8/7k w - d6", "e6", true},
        {"4k3/8/8/8/8/4n3/4P3/4K3 w - -", "e4", false}, // blocked
        {"4k3/8/8/8/8/4n3/4P3/4K3 w - -", "e3", false},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "Nd2", false}, // own piece
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "exd3", false},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "e5", false},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "Bc4", false},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", "e3", false}, // backwards
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", "e5", true},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        EXPECT_EQ(Parses(parser, c.itsMove), c.itsLegal) << c.itsFen << " " << c.itsMove;
    }
}

TEST(ChessParser, TheKingIsNeverCaptured) {
    // White to move while Black's king stands attacked: a position no game reaches, but one a
    // FEN or a damaged record can give.
    TChessParser parser = ParserAt("4k3/3P4/8/8/8/8/8/4RK2 w - -");
    EXPECT_FALSE(Parses(parser, "Rxe8"));
    EXPECT_FALSE(Parses(parser, "dxe8=Q"));
    EXPECT_TRUE(Parses(parser, "d8=Q"));
    EXPECT_TRUE(Parses(parser, "Re7"));
    TPackedMove moves[TChessParser::kMaxLegalMoves];
    const int count = parser.GenerateMoves(moves);
    EXPECT_GT(count, 0);
    for (int i = 0; i < count; ++i) EXPECT_NE(moves[i].itsTo, 74);
    EXPECT_TRUE(parser.NotationFor({4, 74, 0, kSymbolNone}).empty());
}

TEST(ChessParser, AttackTests) {
    struct TCase {
        const char* itsFen;
        bool itsKingAttacked; // the king of the side not to move
        bool itsInCheck;      // the king of the side to move
    };
    const TCase cases[] = {
        {"4k3/8/8/8/8/8/8/4R1K1 w - -", true, false},  {"4k3/8/8/8/8/8/8/4R1K1 b - -", false, true},
        {"4k3/8/8/8/8/8/3p4/4K3 w - -", false, true},  {"4k3/8/8/8/8/8/3P4/4K3 b - -", false, false},
        {"4k3/8/3N4/8/8/8/8/4K3 b - -", false, true},  {"4k3/8/8/8/8/8/8/4K2b w - -", false, false},
        {"4k3/8/8/8/8/8/8/4KB1r w - -", false, false}, {"4k3/8/8/8/8/8/5b2/4K3 w - -", false, true},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        EXPECT_EQ(parser.IsKingAttacked(), c.itsKingAttacked) << c.itsFen;
        EXPECT_EQ(parser.InCheck(), c.itsInCheck) << c.itsFen;
    }
}

TEST(ChessParser, CheckmateAndStalemate) {
    struct TCase {
        const char* itsFen;
        bool itsMate;
        bool itsStalemate;
    };
    const TCase cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", false, false},
        {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -", true, false},
        {"7k/5Q2/6K1/8/8/8/8/8 b - -", false, true},
        {"k7/8/1Q6/8/8/8/8/7K b - -", false, true},
        {"4k3/8/8/8/8/8/8/4R1K1 b - -", false, false}, // check with a way out
        {"6k1/5ppp/8/8/8/8/8/R5K1 b - -", false, false},
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - -", true, false},
    };
    for (const TCase& c : cases) {
        TChessParser parser = ParserAt(c.itsFen);
        EXPECT_EQ(parser.IsCheckmate(), c.itsMate) << c.itsFen;
        EXPECT_EQ(parser.IsStalemate(), c.itsStalemate) << c.itsFen;
        EXPECT_EQ(parser.LegalMoves().empty(), c.itsMate || c.itsStalemate) << c.itsFen;
    }
}

// ---------------------------------------------------------------------------------------------
// Failures

TEST(ChessParser, PositionWithoutAKingIsADatabaseProblem) {
    const std::pair<const char*, const char*> cases[] = {
        {"8/8/8/8/8/8/8/4K3 w - -", "TChessParser.FindKings() has a position with no black king."},
        {"4k3/8/8/8/8/8/8/8 b - -", "TChessParser.FindKings() has a position with no white king."},
    };
    for (auto [fen, message] : cases) {
        TChessParser parser;
        try {
            parser.LoadPosition(Fen(fen));
            ADD_FAILURE() << "no exception for " << fen;
        } catch (const EDatabaseProblem& e) {
            EXPECT_STREQ(e.what(), message);
            EXPECT_EQ(e.HelpContext(), 5010);
        }
        // Every later attack test raises the same.
        EXPECT_THROW(parser.InCheck(), EDatabaseProblem) << fen;
        EXPECT_THROW(parser.LegalMoves(), EDatabaseProblem) << fen;
    }
}

// A damaged record or a FEN can lack the king of the side to move. The parser and the position's
// canonical form both refuse it with one exception, each naming the operation that found it.
TEST(ChessParser, ParserAndPositionRaiseOneExceptionForAMissingKing) {
    const char* const corrupt = "TChessPosition.SquareOfKingOnMove() has a corrupt position.";
    const std::pair<const char*, const char*> cases[] = {
        {"4k3/8/8/8/8/8/8/8 w - -", "TChessParser.FindKings() has a position with no white king."},
        {"8/8/8/8/8/8/8/4K3 b - -", "TChessParser.FindKings() has a position with no black king."},
        {"8/8/8/8/8/8/8/8 b - -", "TChessParser.FindKings() has a position with no white king."},
    };
    for (auto [fen, parserMessage] : cases) {
        const TPackedPosition position = Fen(fen);
        const std::pair<std::function<void()>, const char*> paths[] = {
            {[&] { TChessParser().LoadPosition(position); }, parserMessage},
            {[&] { TChessPosition(position).CanonicalTransform(); }, corrupt},
        };
        for (const auto& [path, message] : paths) {
            try {
                path();
                ADD_FAILURE() << "no exception for " << fen;
            } catch (const EMissingKing& e) {
                EXPECT_STREQ(e.what(), message) << fen;
                EXPECT_EQ(e.HelpContext(), EDatabaseProblem::kDefaultHelpContext) << fen;
            }
        }
    }
}

TEST(ChessParser, NoResolvedMoveIsAnInternalError) {
    TChessParser parser;
    EXPECT_THROW(parser.ApplyMove(), EInternalError);
    EXPECT_THROW(parser.GetChessMove(), EInternalError);

    EXPECT_FALSE(Parses(parser, "e5"));
    EXPECT_THROW(parser.ApplyMove(), EInternalError);

    ASSERT_TRUE(Parses(parser, "e4"));
    parser.ApplyMove();
    EXPECT_THROW(parser.ApplyMove(), EInternalError);

    ASSERT_TRUE(Parses(parser, "e5"));
    parser.LoadPosition(StartPosition());
    EXPECT_THROW(parser.GetChessMove(), EInternalError);
    EXPECT_EQ(parser.CurrentPosition(), StartPosition());
}

} // namespace
} // namespace marvek
