// TGameSummary: the header fields of one game read at its offset in a PGN or GM2 game file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chess/Square.h"
#include "platform/File.h"

// A search tests and lists games from a 2048-byte block read at the game's offset, never from the
// whole game.
//
// A GM2 record (read only) is eight lines; any run of carriage returns and line feeds between
// lines is skipped:
//   1 Site   2 Date   3 Round   4 White   5 Black   6 Result   7 ECO
//   8 the move string: per ply 48 + from, 48 + to; "/" + (48 + piece) promotes the move before;
//     ended by a carriage return.

namespace marvek {

struct TGameSummary {
    static constexpr int kNameWidth = 30;
    static constexpr int kDateWidth = 10;
    static constexpr int kRoundWidth = 2;
    static constexpr int kResultWidth = 7;
    static constexpr int kEcoWidth = 3;

    std::string itsNumber; // the game's offset in decimal once it is found
    std::string itsEvent;
    std::string itsSite;
    std::string itsWhite;
    std::string itsBlack;
    std::string itsDate; // dots removed
    std::string itsRound;
    std::string itsResult;
    std::string itsECO;
};

enum class TSummaryStatus { kRead, kBadHeader, kReadError };

inline constexpr int kSummaryBlockSize = 2048;

// The header of the PGN game whose first "[" is at offset: the tag lines up to the first line
// that is not one. kBadHeader when the block ends inside them.
TSummaryStatus ReadPGNSummary(TFile& file, int64_t offset, TGameSummary& summary);

// The seven header lines of a GM2 record; moveLine receives the rest of the block from the start
// of the move line.
TSummaryStatus ReadGM2Summary(TFile& file, int64_t offset, TGameSummary& summary, std::string* moveLine);

// The whole GM2 record as the game window reads it: the lines at full length.
struct TGM2Record {
    std::string itsSite, itsDate, itsRound, itsWhite, itsBlack, itsResult, itsECO;
    std::string itsMoveLine;       // up to, not including, its carriage return
    bool itsMoveLineEnded = false; // a carriage return ended it inside the block
};
// Splits a block at a record's start into the record's lines; false when it holds fewer than seven.
bool SplitGM2Record(std::string_view block, TGM2Record& record);

// The moves of a GM2 move line, pair by pair, at most 500: a "/" pair sets the promotion piece of
// the move before it. With squaresOnly, reading stops at the first move pair that is not two
// squares (which writing a game as PGN needs); the line ends at a carriage return or line feed.
std::vector<TPackedMove> ReadGM2Moves(std::string_view moveLine, bool squaresOnly);

} // namespace marvek
