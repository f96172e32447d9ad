#pragma once

#include <string>
#include <string_view>

// The header of one PGN game as the readers, the game window and the exporters pass it around.

namespace marvek {

// Result codes of a game header: 0 "*", 1 "1-0", 2 "0-1", 3 "1/2-1/2".
inline constexpr int kResultUnknown = 0;
inline constexpr int kResultWhiteWins = 1;
inline constexpr int kResultBlackWins = 2;
inline constexpr int kResultDraw = 3;

struct TPGNHeader {
    std::string itsEvent;
    std::string itsSite;
    std::string itsDate;
    std::string itsRound;
    std::string itsWhite;
    std::string itsBlack;
    std::string itsEco;
    std::string itsFen;
    int itsResult = kResultUnknown;
};

// The result text of a code; any code outside 0-3 reads as "*".
std::string_view ResultText(int code);
// The code of a result text, or -1 when the text is none of the four.
int ResultCode(std::string_view text);

} // namespace marvek
