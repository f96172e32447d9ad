// The marks drawn on a board's squares: none, a dot or a cross.
#pragma once

#include <array>
#include <cstdint>

#include "chess/Square.h"

namespace marvek {

enum TSquareMark : int { kNoMark = 0, kDotMark = 1, kCrossMark = 2 };

// Four bits per square, four squares to a 16-bit word in board order: square index
// i = rank * 8 + file lives in word i / 4, with i mod 4 = 0 in bits 12-15 down to 3 in bits 0-3 (the
// order the packed position keeps its pieces in).
using TPackedMarks = std::array<std::uint16_t, 16>;

class TSquareMarks {
public:
    // An off-board square or a kind other than 0..2 is a program error.
    int Mark(TSquare square) const;
    void SetMark(TSquare square, int kind);
    // Whether any mark was set before.
    bool Clear();
    bool Any() const;

    const TPackedMarks& Packed() const { return itsWords; }
    void SetPacked(const TPackedMarks& words) { itsWords = words; }

private:
    TPackedMarks itsWords{};
};

} // namespace marvek
