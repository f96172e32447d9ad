// Square marks packed four to a word.
#include "diagram/DiagramMarks.h"

#include <algorithm>

#include "platform/Errors.h"

namespace marvek {
namespace {

struct TPlace {
    int itsWord;
    int itsShift;
};

TPlace PlaceOf(TSquare square) {
    MARVEK_ASSERT(!IsOffBoard(square));
    const int i = RankOf(square) * 8 + FileOf(square);
    return {i / 4, 12 - 4 * (i % 4)};
}

} // namespace

int TSquareMarks::Mark(TSquare square) const {
    const TPlace place = PlaceOf(square);
    return (itsWords[place.itsWord] >> place.itsShift) & 0x0F;
}

void TSquareMarks::SetMark(TSquare square, int kind) {
    MARVEK_ASSERT(kind >= kNoMark && kind <= kCrossMark);
    const TPlace place = PlaceOf(square);
    std::uint16_t& word = itsWords[place.itsWord];
    word = std::uint16_t((word & ~(0x0F << place.itsShift)) | (kind << place.itsShift));
}

bool TSquareMarks::Clear() {
    const bool any = Any();
    itsWords.fill(0);
    return any;
}

bool TSquareMarks::Any() const {
    return std::any_of(itsWords.begin(), itsWords.end(), [](std::uint16_t w) { return w != 0; });
}

} // namespace marvek
