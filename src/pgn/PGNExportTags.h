// The tag section both PGN exports write from the export settings.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "chess/ChessPosition.h"

namespace marvek {

// Whether the ECO tag is written when the setting holds nothing (as "?") or left out then.
enum class TEcoTag { kAlways, kWhenGiven };

// The lines of the tag section, each without its line break: an empty line (so that a game
// appended after another starts on a line of its own), the seven tags from the export settings,
// ECO, SetUp and FEN for a start that is not the standard one (the FEN cut to fenLimit
// characters), and the empty line before the movetext.
std::vector<std::string> ExportTagLines(const TSettings& settings, const TPackedPosition& start, TEcoTag eco,
                                        std::size_t fenLimit = std::string::npos);

} // namespace marvek
