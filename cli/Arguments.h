#pragma once

#include <string>

#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"

// Arguments several commands share.

namespace marvek::cli {

// "startpos" or a FEN text; a bad text is a usage error.
TPackedPosition ReadFenArgument(const std::string& text);

// Moves are read and written in the user's piece letters, as the program does.
void UseSettingsLetters(TChessParser& parser);

// The position after a line of moves from the start position ("e4 e5 Nf3"); an illegal move is
// an EMarvekError naming it.
TPackedPosition PositionAfterLine(const std::string& line);

// The position a command names by --fen or --line (the start position when neither is given).
TPackedPosition PositionArgument(const std::string& fen, const std::string& line);

// A book path as given: without extension, or with ".2MD", which is cut.
std::string BookArgument(const std::string& path);

} // namespace marvek::cli
