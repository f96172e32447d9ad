// Direction offsets of the pieces and the one place that picks a piece kind's directions.
#pragma once

#include "chess/Square.h"

// Offsets are in square units (rank * 10 + file). Their order decides the order of the legal-move
// list, so it is part of the program's behaviour.

namespace marvek {

inline constexpr int kKnightDirections[8] = {-21, 21, -12, 12, -19, 19, 8, -8};
inline constexpr int kBishopDirections[4] = {9, -9, 11, -11};
inline constexpr int kRookDirections[4] = {1, -1, 10, -10};
inline constexpr int kKingDirections[8] = {1, -1, 10, -10, 11, -11, 9, -9};

// The steps along the first rank that lead the king to its castling squares.
inline constexpr int kKingSideStep = 1;
inline constexpr int kQueenSideStep = -1;

// One rank towards the opponent: where a pawn of that colour moves.
constexpr int PawnForward(bool white) {
    return white ? 10 : -10;
}

struct TDirections {
    const int* itsOffsets;
    int itsCount;
    bool itsSlides; // along each ray until something stands in the way, not one step
};

// The directions of a knight, bishop, rook, queen or king (the queen moves as the king does, but
// slides). Pawns have none: their moves depend on colour and rank.
constexpr TDirections DirectionsOf(int kind) {
    switch (kind) {
    case kWhiteKnight: return {kKnightDirections, 8, false};
    case kWhiteBishop: return {kBishopDirections, 4, true};
    case kWhiteRook: return {kRookDirections, 4, true};
    case kWhiteQueen: return {kKingDirections, 8, true};
    default: return {kKingDirections, 8, false};
    }
}

} // namespace marvek
