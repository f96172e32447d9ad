// Take-back entries: what undoes one move, built from the position before it, and undone again.
#pragma once

#include <array>
#include <string>

#include "book/PositionRecord.h"
#include "chess/PieceLetters.h"

namespace marvek {

// The entry of `move` played from `before`, the parser having reported the move's two secondary
// squares (kNoSquare where unused). The line keeps it for each ply, and the position reached
// keeps the same entry among its arrivals.
TTakeBack MakeTakeBack(const TPackedPosition& before, const TPackedMove& move,
                       const std::array<TSquare, 2>& secondary);
// The position before the entry's move, from the position after it: the flags word restored and
// the four pieces put back (secondary squares that are unused skipped).
TPackedPosition PositionBeforeMove(const TPackedPosition& after, const TTakeBack& entry);
// The take-back menu's caption of an entry: the moving piece's letter (a blank for a pawn), the
// from-square, "-" and the to-square, as Ng1-f3.
std::string TakeBackCaption(const TTakeBack& entry, const TPieceLetters& letters);

} // namespace marvek
