// Move-text helpers: cleaning a typed or imported move, and evaluation symbols.
#pragma once

#include <string>
#include <string_view>

#include "chess/PieceLetters.h"

// Reading and writing moves lives on TChessParser (MoveReader.cpp, MoveWriter.cpp).

namespace marvek {

// Cleans a typed or imported move: drops "ep", upper-cases a leading piece letter, keeps only
// files, ranks, castling O's and the five local piece letters, and spells castling O-O / O-O-O.
// Nxf3+ gives Nf3, exd6ep gives ed6, e8=Q gives e8Q, 0-0-0 gives O-O-O.
std::string NormalizeMoveText(std::string_view text, char king, char queen, char rook, char bishop,
                              char knight);

// The evaluation-symbol code (1 none .. 7 "??") found in a text.
int SymbolFromText(std::string_view text);
// Appends the symbol of `code` and a comma ("!?," for 3, "," for none).
void AppendSymbolText(int code, std::string& text);
// The symbol text of a code without the comma ("" for none).
std::string_view SymbolText(int code);

namespace notation_detail {
// NormalizeMoveText into a caller's buffer of at least text.size() + 3 characters; returns the length.
int NormalizeInto(std::string_view text, const TPieceLetters& letters, char* out);
} // namespace notation_detail

} // namespace marvek
