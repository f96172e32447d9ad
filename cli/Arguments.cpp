#include "Arguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "app/Settings.h"
#include "platform/Errors.h"

namespace marvek::cli {

TPackedPosition ReadFenArgument(const std::string& text) {
    if (text == "startpos") return StartPosition();
    TChessPosition position;
    TPackedPosition packed;
    if (!position.FromFEN(text, packed)) throw CLI::ValidationError("FEN", "invalid FEN: " + text);
    return packed;
}

void UseSettingsLetters(TChessParser& parser) {
    const TSettings& settings = Settings();
    parser.SetPieceLetters(settings.KingLetter(), settings.QueenLetter(), settings.RookLetter(),
                           settings.BishopLetter(), settings.KnightLetter());
}

TPackedPosition PositionAfterLine(const std::string& line) {
    TChessParser parser;
    UseSettingsLetters(parser);
    parser.LoadPosition(StartPosition());
    std::istringstream moves(line);
    std::string move;
    while (moves >> move) {
        bool legal = false;
        if (IsCoordinateMove(move)) {
            legal = !parser.CoordinateToNotation(move).empty();
        } else {
            parser.SetMoveText(move);
            legal = parser.ParseMove();
        }
        if (!legal) throw EMarvekError("illegal move: " + move);
        parser.ApplyMove();
    }
    return parser.CurrentPosition();
}

TPackedPosition PositionArgument(const std::string& fen, const std::string& line) {
    if (!fen.empty()) return ReadFenArgument(fen);
    return PositionAfterLine(line);
}

std::string BookArgument(const std::string& path) {
    std::string upper = path;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    if (upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".2MD") == 0)
        return path.substr(0, path.size() - 4);
    return path;
}

} // namespace marvek::cli
