#include "chess/Square.h"

#include "platform/Errors.h"

namespace marvek {

std::string SquareName(int square) {
    if (IsOffBoard(square)) return "??";
    return {char('a' + FileOf(square)), char('1' + RankOf(square))};
}

int SquareFromName(std::string_view name) {
    MARVEK_ASSERT(name.size() == 2);
    if (!IsFileLetter(name[0]) || !IsRankDigit(name[1])) return -1;
    return (name[1] - '1') * 10 + (name[0] - 'a');
}

bool IsCoordinateMove(std::string_view text) {
    return text.size() >= 4 && IsFileLetter(text[0]) && IsRankDigit(text[1]) && IsFileLetter(text[2]) &&
           IsRankDigit(text[3]);
}

} // namespace marvek
