// One chess position in the 34 bytes that books store, compare and index, and its text forms.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "chess/Square.h"
#include "platform/Errors.h"

// Layout (stored on disk; the canonical form is the key of every position database):
//   bytes 0-31  the board as sixteen little-endian 16-bit words. Square index i = rank * 8 + file
//               lives in word i / 4, i mod 4 = 0 in bits 12-15, 1 in bits 8-11, 2 in bits 4-7 and
//               3 in bits 0-3. So byte 2w holds i mod 4 = 2 (high nibble) and 3 (low nibble),
//               byte 2w + 1 holds i mod 4 = 0 (high) and 1 (low).
//   bytes 32-33 PositionFlags, little-endian: bit 0 white king-side castling, bit 1 white
//               queen-side, bit 2 black king-side, bit 3 black queen-side, bit 4 White to move,
//               bits 8-15 the en-passant square (the square of the pawn that has just advanced
//               two squares, 0 for none).

namespace marvek {

constexpr std::uint16_t kWhiteKingSide = 1 << 0;
constexpr std::uint16_t kWhiteQueenSide = 1 << 1;
constexpr std::uint16_t kBlackKingSide = 1 << 2;
constexpr std::uint16_t kBlackQueenSide = 1 << 3;
constexpr std::uint16_t kCastlingRights = 0x0F;
constexpr std::uint16_t kWhiteToMoveFlag = 1 << 4;

// The flags' en-passant byte when no pawn has just advanced two squares. No such pawn can stand
// on a1, so 0 is free for it.
constexpr int kNoEnPassant = 0;

// A position with a king missing: nothing can be played in it and it has no canonical form. The
// position and the parser both raise this, each with the message naming the operation that found
// it, so a caller reading positions from a damaged book or a FEN has one thing to catch.
class EMissingKing : public EDatabaseProblem {
public:
    using EDatabaseProblem::EDatabaseProblem;
};

namespace packed_detail {

// For square s (offset by 32, so that rays stepping off the board stay in range): the byte index
// times two plus one for the high nibble, or 0xFF for an off-board square.
struct TNibbleTable {
    std::array<std::uint8_t, 160> itsEntry{};
    constexpr TNibbleTable() {
        for (int s = -32; s < 128; ++s) {
            std::uint8_t entry = 0xFF;
            if (!IsOffBoard(s)) {
                int i = RankOf(s) * 8 + FileOf(s);
                int byte = 2 * (i / 4) + ((i % 4) < 2 ? 1 : 0);
                int high = (i % 2) == 0 ? 1 : 0;
                entry = std::uint8_t(byte * 2 + high);
            }
            itsEntry[s + 32] = entry;
        }
    }
};

inline constexpr TNibbleTable kNibbles{};

} // namespace packed_detail

// Whether a square (in the range a ray can reach from the board, -32..127) is on the board.
inline bool OnBoard(TSquare square) {
    return packed_detail::kNibbles.itsEntry[square + 32] != 0xFF;
}

struct TPackedPosition {
    std::array<std::uint8_t, 34> itsBytes{};

    // Piece code on a square, 0 for an off-board square (any value from -32 to 127).
    int Piece(TSquare square) const {
        unsigned entry = packed_detail::kNibbles.itsEntry[square + 32];
        if (entry == 0xFF) return 0;
        return (itsBytes[entry >> 1] >> ((entry & 1) * 4)) & 0x0F;
    }
    void SetPiece(int piece, TSquare square) {
        if (square < -32 || square > 127) return;
        unsigned entry = packed_detail::kNibbles.itsEntry[square + 32];
        if (entry == 0xFF) return;
        unsigned shift = (entry & 1) * 4;
        std::uint8_t& b = itsBytes[entry >> 1];
        b = std::uint8_t((b & ~(0x0F << shift)) | ((piece & 0x0F) << shift));
    }

    std::uint16_t Flags() const { return std::uint16_t(itsBytes[32] | itsBytes[33] << 8); }
    void SetFlags(std::uint16_t flags) {
        itsBytes[32] = std::uint8_t(flags);
        itsBytes[33] = std::uint8_t(flags >> 8);
    }
    bool WhiteToMove() const { return itsBytes[32] & kWhiteToMoveFlag; }
    void SetWhiteToMove(bool white) {
        itsBytes[32] =
            std::uint8_t(white ? itsBytes[32] | kWhiteToMoveFlag : itsBytes[32] & ~kWhiteToMoveFlag);
    }
    void ToggleSideToMove() { itsBytes[32] ^= kWhiteToMoveFlag; }
    bool HasRight(std::uint16_t right) const { return itsBytes[32] & right; }
    void SetRight(std::uint16_t right, bool on) {
        itsBytes[32] = std::uint8_t(on ? itsBytes[32] | right : itsBytes[32] & ~right);
    }
    // The square of the pawn that has just advanced two squares (not the FEN target behind it):
    // kNoEnPassant unless the stored byte is a square of the fourth or fifth rank.
    TSquare EnPassantSquare() const {
        const TSquare s = itsBytes[33];
        return OnRank(s, kFourthRank) || OnRank(s, kFifthRank) ? s : kNoEnPassant;
    }
    void SetEnPassantSquare(TSquare square) { itsBytes[33] = std::uint8_t(square); }

    bool operator==(const TPackedPosition& other) const {
        return std::memcmp(itsBytes.data(), other.itsBytes.data(), 34) == 0;
    }
};

static_assert(sizeof(TPackedPosition) == 34);

// The standard start position, White to move, all castling rights.
TPackedPosition StartPosition();

// The two records are equal byte for byte.
inline bool SamePosition(const TPackedPosition& a, const TPackedPosition& b) {
    return a == b;
}

struct TCanonicalTransform {
    bool itsColourReversed = false;
    bool itsFilesMirrored = false;
    bool itsRanksMirrored = false;

    bool Any() const { return itsColourReversed || itsFilesMirrored || itsRanksMirrored; }
    bool operator==(const TCanonicalTransform&) const = default;
};

class TChessPosition {
public:
    TChessPosition() : itsPosition(StartPosition()) {}
    explicit TChessPosition(const TPackedPosition& position) : itsPosition(position) {}

    // The whole record
    const TPackedPosition& GetPosition() const { return itsPosition; }
    void SetPosition(const TPackedPosition& position) { itsPosition = position; }

    // Squares
    int PieceOnSquare(TSquare square) const { return itsPosition.Piece(square); }
    void SetPieceOnSquare(int piece, TSquare square) { itsPosition.SetPiece(piece, square); }
    bool IsOccupied(TSquare square) const { return itsPosition.Piece(square) != kEmpty; }

    // Flags
    bool WhiteCanCastleKingSide() const { return itsPosition.HasRight(kWhiteKingSide); }
    bool WhiteCanCastleQueenSide() const { return itsPosition.HasRight(kWhiteQueenSide); }
    bool BlackCanCastleKingSide() const { return itsPosition.HasRight(kBlackKingSide); }
    bool BlackCanCastleQueenSide() const { return itsPosition.HasRight(kBlackQueenSide); }
    void SetWhiteCanCastleKingSide(bool on) { itsPosition.SetRight(kWhiteKingSide, on); }
    void SetWhiteCanCastleQueenSide(bool on) { itsPosition.SetRight(kWhiteQueenSide, on); }
    void SetBlackCanCastleKingSide(bool on) { itsPosition.SetRight(kBlackKingSide, on); }
    void SetBlackCanCastleQueenSide(bool on) { itsPosition.SetRight(kBlackQueenSide, on); }
    bool WhiteToMove() const { return itsPosition.WhiteToMove(); }
    void SetWhiteToMove(bool white) { itsPosition.SetWhiteToMove(white); }
    TSquare EnPassantSquare() const { return itsPosition.EnPassantSquare(); }
    void SetEnPassantSquare(TSquare square) { itsPosition.SetEnPassantSquare(square); }

    // Text forms
    std::string ToFEN() const;
    // Reads a FEN text. The placement is written into this object as it is read; on success the
    // whole result is also returned in `out`, which is left alone on failure.
    bool FromFEN(std::string_view text, TPackedPosition& out);
    std::string ToPositionText() const;

    // Transforms
    void ReverseColours();
    void SwapSides();
    // Raises EMissingKing when the king it has to find is missing.
    TCanonicalTransform CanonicalTransform() const;
    const TPackedPosition& CanonicalPosition();
    // Raises EMissingKing when there is no white king.
    TSquare SquareOfKingOnMove() const;
    bool HasNoPawns() const;

private:
    TPackedPosition itsPosition;
    TPackedPosition itsCanonical;
};

// The position under the given transform: colours reversed (ranks mirrored, colours swapped,
// castling rights swapped, White to move), then ranks and/or files mirrored.
TPackedPosition TransformPosition(const TPackedPosition& position, const TCanonicalTransform& transform);
// A square under the same transform. It maps squares, not flags: a caller holding kNoEnPassant
// keeps it as it is.
TSquare TransformSquare(TSquare square, const TCanonicalTransform& transform);

} // namespace marvek
