#pragma once

#include <string>
#include <string_view>
#include <vector>

// A small reader of the main lines of simple PGN files (tags, move numbers, comments, NAGs and
// results skipped; variations skipped whole), used by tests and benchmarks to feed the chess rules
// real games without depending on the program's full PGN reader.

namespace marvek::testsupport {

struct TSimpleGame {
    std::vector<std::string> itsTags; // raw tag lines
    std::vector<std::string> itsMoves;
};

std::vector<TSimpleGame> ReadMainLines(std::string_view text);

} // namespace marvek::testsupport
