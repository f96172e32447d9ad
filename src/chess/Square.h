#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Squares, piece codes and packed moves: the small value types every chess routine shares.
//
// A square is rank * 10 + file (a1 = 0, h1 = 7, a8 = 70, h8 = 77). The units digits 8 and 9 form
// a guard band, so that stepping by a direction offset from an edge square never lands on a
// square of another rank.

namespace marvek {

using TSquare = std::int8_t;

constexpr int kNoSquare = 255; // "none" for secondary squares and take-back entries

constexpr int FileOf(int square) {
    return square % 10;
}
constexpr int RankOf(int square) {
    return square / 10;
}
constexpr int MakeSquare(int file, int rank) {
    return rank * 10 + file;
}
constexpr bool IsOffBoard(int square) {
    return square < 0 || square > 77 || square % 10 >= 8;
}

// "a1" .. "h8"; an off-board square gives "??".
std::string SquareName(int square);
// For a two-character name, (rank digit - 1) * 10 + file index; -1 when the characters are not
// a file letter and a rank digit. Any other length is an internal error.
int SquareFromName(std::string_view name);
// True when the text starts with file, rank, file, rank ("e2e4").
bool IsCoordinateMove(std::string_view text);

constexpr bool IsFileLetter(char c) {
    return c >= 'a' && c <= 'h';
}
constexpr bool IsRankDigit(char c) {
    return c >= '1' && c <= '8';
}

// Piece codes (4 bits).
enum TPiece : std::uint8_t {
    kEmpty = 0,
    kWhitePawn = 1,
    kWhiteKnight = 2,
    kWhiteBishop = 3,
    kWhiteRook = 4,
    kWhiteQueen = 5,
    kWhiteKing = 6,
    kBlackPawn = 7,
    kBlackKnight = 8,
    kBlackBishop = 9,
    kBlackRook = 10,
    kBlackQueen = 11,
    kBlackKing = 12,
};

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
