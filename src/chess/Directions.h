#pragma once

// Direction offsets in square units (rank * 10 + file). Their order decides the order of the
// legal-move list, so it is part of the program's behaviour.

namespace marvek {

inline constexpr int kKnightDirections[8] = {-21, 21, -12, 12, -19, 19, 8, -8};
inline constexpr int kBishopDirections[4] = {9, -9, 11, -11};
inline constexpr int kRookDirections[4] = {1, -1, 10, -10};
inline constexpr int kKingDirections[8] = {1, -1, 10, -10, 11, -11, 9, -9};

} // namespace marvek
