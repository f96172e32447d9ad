// Square names and coordinate move texts.
#include "chess/Square.h"

#include "platform/Errors.h"

namespace marvek {

std::string SquareName(TSquare square) {
    if (IsOffBoard(square)) return "??";
    return {char('a' + FileOf(square)), char('1' + RankOf(square))};
}

TSquare SquareFromName(std::string_view name) {
    MARVEK_ASSERT(name.size() == 2);
    if (!IsFileLetter(name[0]) || !IsRankDigit(name[1])) return kNoSquare;
    return MakeSquare(name[0] - 'a', name[1] - '1');
}

bool IsCoordinateMove(std::string_view text) {
    return text.size() >= 4 && IsFileLetter(text[0]) && IsRankDigit(text[1]) && IsFileLetter(text[2]) &&
           IsRankDigit(text[3]);
}

} // namespace marvek
