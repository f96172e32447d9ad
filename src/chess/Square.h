// Squares, ranks, piece codes and packed moves: the small value types every chess routine shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A square is rank * 10 + file (a1 = 0, h1 = 7, a8 = 70, h8 = 77). The units digits 8 and 9 form
// a guard band, so that stepping by a direction offset from an edge square never lands on a
// square of another rank. Squares are worked with as int; records, move codes and take-back
// entries hold them in one byte.

namespace marvek {

using TSquare = int;

// "No square": a king not found, a name that is no square, an unused secondary square. It is the
// byte take-back entries store for "none", off the board and never looked up on it.
inline constexpr TSquare kNoSquare = 255;

// Ranks and files, counted from White's side from 0.
inline constexpr int kFirstRank = 0;
inline constexpr int kSecondRank = 1;
inline constexpr int kThirdRank = 2;
inline constexpr int kFourthRank = 3;
inline constexpr int kFifthRank = 4;
inline constexpr int kSeventhRank = 6;
inline constexpr int kEighthRank = 7;
inline constexpr int kFileA = 0;
inline constexpr int kFileE = 4;
inline constexpr int kFileH = 7;

constexpr TSquare MakeSquare(int file, int rank) {
    return rank * 10 + file;
}
constexpr int FileOf(TSquare square) {
    return square % 10;
}
constexpr int RankOf(TSquare square) {
    return square / 10;
}
constexpr bool IsOffBoard(TSquare square) {
    return square < 0 || square > 77 || square % 10 >= 8;
}
// Whether a square lies on a rank; cheaper than RankOf where it is asked once a move.
constexpr bool OnRank(TSquare square, int rank) {
    return square >= MakeSquare(kFileA, rank) && square <= MakeSquare(kFileH, rank);
}
// A rank seen from one side: White's second rank is Black's seventh.
constexpr int RelativeRank(int rank, bool white) {
    return white ? rank : kEighthRank - rank;
}

// The squares the rules name: the kings' and rooks' home squares.
inline constexpr TSquare kA1 = MakeSquare(kFileA, kFirstRank);
inline constexpr TSquare kE1 = MakeSquare(kFileE, kFirstRank);
inline constexpr TSquare kH1 = MakeSquare(kFileH, kFirstRank);
inline constexpr TSquare kA8 = MakeSquare(kFileA, kEighthRank);
inline constexpr TSquare kE8 = MakeSquare(kFileE, kEighthRank);
inline constexpr TSquare kH8 = MakeSquare(kFileH, kEighthRank);

constexpr TSquare KingHome(bool white) {
    return white ? kE1 : kE8;
}

// "a1" .. "h8"; an off-board square gives "??".
std::string SquareName(TSquare square);
// For a two-character name, (rank digit - 1) * 10 + file index; kNoSquare when the characters are
// not a file letter and a rank digit. Any other length is an internal error.
TSquare SquareFromName(std::string_view name);
// True when the text starts with file, rank, file, rank ("e2e4").
bool IsCoordinateMove(std::string_view text);

constexpr bool IsFileLetter(char c) {
    return c >= 'a' && c <= 'h';
}
constexpr bool IsRankDigit(char c) {
    return c >= '1' && c <= '8';
}

// Piece codes (4 bits): the white pieces 1-6, the black ones the same plus 6.
enum TPiece : std::uint8_t {
    kEmpty = 0,
    kWhitePawn = 1,
    kWhiteKnight = 2,
    kWhiteBishop = 3,
    kWhiteRook = 4,
    kWhiteQueen = 5,
    kWhiteKing = 6,
    kBlackPawn = kWhitePawn + 6,
    kBlackKnight = kWhiteKnight + 6,
    kBlackBishop = kWhiteBishop + 6,
    kBlackRook = kWhiteRook + 6,
    kBlackQueen = kWhiteQueen + 6,
    kBlackKing = kWhiteKing + 6,
};

// The kinds a pawn may become, in the order a promotion letter is searched and promotions are
// listed.
inline constexpr int kPromotionKinds[4] = {kWhiteQueen, kWhiteRook, kWhiteBishop, kWhiteKnight};

// Kinds are the white codes: pawn 1 .. king 6.
constexpr int PieceKind(int piece) {
    return piece > 6 ? piece - 6 : piece;
}
constexpr bool IsWhitePiece(int piece) {
    return piece >= 1 && piece <= 6;
}
constexpr bool IsBlackPiece(int piece) {
    return piece >= 7 && piece <= 12;
}
constexpr int SwapPieceColour(int piece) {
    return piece == 0 ? 0 : (piece <= 6 ? piece + 6 : (piece <= 12 ? piece - 6 : piece));
}
constexpr int PieceOfColour(int kind, bool white) {
    return white ? kind : kind + 6;
}

// Evaluation symbol of a candidate move (byte 3 of a packed move).
enum TSymbolCode : std::uint8_t {
    kSymbolNone = 1,
    kSymbolGood = 2,        // "!"
    kSymbolInteresting = 3, // "!?"
    kSymbolExcellent = 4,   // "!!"
    kSymbolMistake = 5,     // "?"
    kSymbolDubious = 6,     // "?!"
    kSymbolBlunder = 7,     // "??"
};

// A move in 4 bytes, as stored in position records: from, to, promotion piece code (0 none),
// evaluation symbol code. Two codes name the same move when the first three bytes agree.
struct TPackedMove {
    std::uint8_t itsFrom = 0;
    std::uint8_t itsTo = 0;
    std::uint8_t itsPromotion = 0;
    std::uint8_t itsSymbol = kSymbolNone;

    bool SameMove(const TPackedMove& other) const {
        return itsFrom == other.itsFrom && itsTo == other.itsTo && itsPromotion == other.itsPromotion;
    }
    bool operator==(const TPackedMove&) const = default;

    // Little-endian 32-bit form: byte 0 is the from-square.
    std::uint32_t ToUint32() const {
        return std::uint32_t(itsFrom) | std::uint32_t(itsTo) << 8 | std::uint32_t(itsPromotion) << 16 |
               std::uint32_t(itsSymbol) << 24;
    }
    static TPackedMove FromUint32(std::uint32_t code) {
        return {std::uint8_t(code), std::uint8_t(code >> 8), std::uint8_t(code >> 16),
                std::uint8_t(code >> 24)};
    }
};

static_assert(sizeof(TPackedMove) == 4);

} // namespace marvek
