#pragma once

#include "chess/ChessParser.h"

// The one rule every reader of moves keeps: a move it accepts is a legal move of its position.

namespace marvek::fuzz {

// Fails unless `move` is among the legal moves of `position` (promotion piece included).
void CheckLegalMove(const TPackedPosition& position, const TPackedMove& move, const char* where);

} // namespace marvek::fuzz
