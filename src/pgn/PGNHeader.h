#pragma once

#include <string>
#include <string_view>

// The header of one PGN game as the reader fills it and the game windows and exporters pass it
// around.

namespace marvek {

// Result codes of a game header: 0 "*", 1 "1-0", 2 "0-1", 3 "1/2-1/2".
inline constexpr int kResultUnknown = 0;
inline constexpr int kResultWhiteWins = 1;
inline constexpr int kResultBlackWins = 2;
inline constexpr int kResultDraw = 3;

// A fresh header holds the values a game has before (and without) its tags.
struct TPGNHeader {
    std::string itsEvent = "?";
    std::string itsSite = "?";
    std::string itsDate = "????.??.??";
    std::string itsRound = "?";
    std::string itsWhite = "?";
    std::string itsBlack = "?";
    std::string itsECO = "???";
    std::string itsFEN;
    int itsResult = kResultUnknown;
    // The Result tag as the file writes it; an import puts it into the header comment unchanged.
    std::string itsResultText = "*";

    void SetDefaults() { *this = TPGNHeader(); }
};

// The result text of a code; any code outside 0-3 reads as "*".
std::string_view ResultText(int code);
// The code of a result text, or -1 when the text is none of the four.
int ResultCode(std::string_view text);
// The code of a Result tag as games are read: besides the four texts, old files write "draw",
// results in parentheses and the one-half sign; anything else is 0 (no result).
int ResultCodeOfTag(std::string_view value);
// The Informant rate a result gives the end of its game: 0 White wins, 3 equal, 8 Black wins,
// 9 none.
int ResultRate(int code);

} // namespace marvek
