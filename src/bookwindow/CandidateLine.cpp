// The candidate display text taken apart for drawing.
#include "bookwindow/CandidateLine.h"

namespace marvek {

TCandidateLine ParseCandidateLine(std::string_view text) {
    TCandidateLine line;
    const std::size_t comma = text.find(',');
    line.itsMove = std::string(text.substr(0, comma));
    if (comma == std::string_view::npos) return line;
    std::string_view rest = text.substr(comma + 1);
    const std::size_t z = rest.find('Z');
    const std::size_t c = z == std::string_view::npos ? z : rest.find('C', z);
    const std::size_t end = c == std::string_view::npos ? c : rest.find(',', c);
    if (end == std::string_view::npos) return line;
    if (z > 0) line.itsRate = rest[0];
    std::string count(rest.substr(1, z - (z > 0 ? 1 : 0)));
    if (count != "0" && count != "1") line.itsCount = count;
    line.itsAssessment = std::string(rest.substr(z + 1, c - z - 1));
    if (line.itsAssessment == " ") line.itsAssessment.clear();
    const std::string_view marks = rest.substr(c + 1, end - c - 1);
    line.itsGreen = marks.find('a') != std::string_view::npos;
    line.itsYellow = marks.find('b') != std::string_view::npos;
    line.itsRed = marks.find('c') != std::string_view::npos;
    line.itsInGame = rest.substr(end + 1).find('G') != std::string_view::npos;
    return line;
}

} // namespace marvek
