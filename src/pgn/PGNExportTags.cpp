// The tag section both PGN exports write from the export settings.
#include "pgn/PGNExportTags.h"

#include <string_view>

#include "pgn/BookToPGNExporter.h"
#include "pgn/PGNHeader.h"

namespace marvek {

namespace {

std::string WithoutSpaces(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out += c;
    return out;
}

// Tag values hold whatever the user typed; a quote or backslash would end the value early.
std::string TagLine(std::string_view tag, std::string_view value) {
    std::string line = "[" + std::string(tag) + " \"";
    for (char c : value) {
        if (c == '"' || c == '\\') line += '\\';
        line += c;
    }
    return line + "\"]";
}

std::string OrQuestionMark(const std::string& value) {
    return value.empty() ? std::string("?") : value;
}

} // namespace

std::vector<std::string> ExportTagLines(const TSettings& s, const TPackedPosition& start, TEcoTag eco,
                                        std::size_t fenLimit) {
    std::vector<std::string> lines = {
        "",
        TagLine("Event", OrQuestionMark(s.PgnExportEvent())),
        TagLine("Site", OrQuestionMark(s.PgnExportSite())),
        TagLine("Date", ExportDateTag(s.PgnExportDate())),
        TagLine("Round", OrQuestionMark(WithoutSpaces(s.PgnExportRound()))),
        TagLine("White", OrQuestionMark(s.PgnExportWhite())),
        TagLine("Black", OrQuestionMark(s.PgnExportBlack())),
        TagLine("Result", ResultText(s.PgnExportResult())),
    };
    const std::string ecoValue = s.PgnExportEco();
    if (eco == TEcoTag::kAlways)
        lines.push_back(TagLine("ECO", OrQuestionMark(ecoValue)));
    else if (!ecoValue.empty() && ecoValue != "?")
        lines.push_back(TagLine("ECO", ecoValue));
    if (!(start == StartPosition())) {
        lines.push_back(TagLine("SetUp", "1"));
        // The halfmove clock and move number are not kept with a position; they are written as
        // 1 and 0, in that order, as the program always has.
        std::string fen = TChessPosition(start).ToFEN() + " 1 0";
        if (fen.size() > fenLimit) fen.resize(fenLimit);
        lines.push_back(TagLine("FEN", fen));
    }
    lines.push_back("");
    return lines;
}

} // namespace marvek
