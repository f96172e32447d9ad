// TCandidateLine: one candidate's display text taken apart into what its list line draws.
#pragma once

#include <string>
#include <string_view>

namespace marvek {

// The display text reads: move text with its symbol, ",", the rate character, the count (with ">"
// from 50000), "Z", the assessment (a blank for none), "C", the marks "a" "b" "c", ",", "G".
struct TCandidateLine {
    std::string itsMove;
    char itsRate = ' ';
    // Empty for the counts 0 and 1, which are not worth showing.
    std::string itsCount;
    std::string itsAssessment;
    bool itsGreen = false;
    bool itsYellow = false;
    bool itsRed = false;
    bool itsInGame = false;
};

// A text without the separators gives its whole text as the move and nothing else.
TCandidateLine ParseCandidateLine(std::string_view text);

} // namespace marvek
