// The analysis display both engine sessions share.
#include "engines/EngineSession.h"

#include <cctype>
#include <charconv>

#include "app/StringTable.h"
#include "chess/ChessPosition.h"

namespace marvek {

char RateGlyph(int32_t score, const TEngineOptions& options) {
    char glyph = 'l';
    if (score >= options.itsSlightAdvantageThreshold) glyph = 'k';
    if (score >= options.itsClearAdvantageThreshold) glyph = 'j';
    if (score >= options.itsWinsThreshold) glyph = 'i';
    if (score <= -options.itsSlightAdvantageThreshold) glyph = 'o';
    if (score <= -options.itsClearAdvantageThreshold) glyph = 'p';
    if (score <= -options.itsWinsThreshold) glyph = 'q';
    return glyph;
}

std::string RateSign(std::string_view glyph) {
    if (glyph.size() != 1) return {};
    switch (glyph[0]) {
    case 'i': return "+\u2212";
    case 'j': return "\u00b1";
    case 'k': return "\u2a72";
    case 'l': return "=";
    case 'o': return "\u2a71";
    case 'p': return "\u2213";
    case 'q': return "\u2212+";
    default: return {};
    }
}

std::string GroupDigits(int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return value < 0 ? "-" + grouped : grouped;
}

bool ReadNumber(std::string_view text, int64_t& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    text = text.substr(0, text.find(' '));
    if (text.empty()) return false;
    const char* first = text.data();
    if (*first == '+') ++first;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

TEngineSession::TEngineSession(TEngineOptions options, TSink sink)
    : itsOptions(std::move(options)), itsSink(std::move(sink)) {
    itsDisplay.itsNickname = itsOptions.itsNickname;
    itsDisplay.itsVersion = "(unknown)";
    itsDisplay.itsConnected = LoadMessage(625);
}

void TEngineSession::Clear() {
    itsScore = kEngineJustStarted;
    itsMateDistance = 9999;
    itsNodeCount = 0;
    itsDepth = 0;
    itsNodesPerSecond = 0;
    itsDisplayLine.clear();
    itsBestLine.clear();
    itsBestMove.clear();
    itsFEN.clear();
    itsDisplay.itsCaption.clear();
    itsDisplay.itsRateGlyph.clear();
    itsDisplay.itsLine.clear();
    itsDisplay.itsPreviousLine.clear();
    ClearStatistics();
    itsDisplay.itsConnected = LoadMessage(625);
}

void TEngineSession::SetEnginePieceLetters(char king, char queen, char rook, char bishop, char knight) {
    itsLocalLetters = TPieceLetters(king, queen, rook, bishop, knight);
}

bool TEngineSession::LoadFEN(const std::string& fen) {
    TChessPosition position;
    TPackedPosition packed;
    if (!position.FromFEN(fen, packed)) return false;
    itsWhiteToMove = packed.WhiteToMove();
    itsParser.LoadPosition(packed);
    return true;
}

void TEngineSession::ShowScore(int32_t score) {
    itsScore = score;
    if (score == kNoEngineScore) {
        itsDisplay.itsCaption.clear();
        itsDisplay.itsRateGlyph.clear();
        return;
    }
    itsDisplay.itsCaption = score > 0 ? "+" + std::to_string(score) : std::to_string(score);
    itsDisplay.itsRateGlyph = std::string(1, RateGlyph(score, itsOptions));
}

void TEngineSession::ShowMateCaption(int distance) {
    itsDisplay.itsCaption = LoadMessage(643) + " " + std::to_string(distance);
}

void TEngineSession::ShowUnreadableScore() {
    itsScore = kUnreadableScore;
    itsDisplay.itsRateGlyph.clear();
    itsDisplay.itsCaption = "???";
}

void TEngineSession::ShowWaiting() {
    itsDisplayLine.clear();
    itsBestLine.clear();
    itsBestMove.clear();
    itsDisplay.itsLine = "...waiting";
    itsDisplay.itsPreviousLine.clear();
}

void TEngineSession::ClearStatistics() {
    itsDisplay.itsNodes.clear();
    itsDisplay.itsSeconds.clear();
    itsDisplay.itsNodesPerSecond.clear();
    itsDisplay.itsDepth.clear();
}

bool TEngineSession::ShowGameOver() {
    try {
        itsParser.FindKings();
        if (itsParser.IsStalemate()) {
            itsScore = 0;
            itsDisplay.itsRateGlyph = "l";
            itsDisplay.itsCaption = "Stalemate";
        } else if (itsParser.IsCheckmate()) {
            itsScore = itsWhiteToMove ? kBlackMates : kWhiteMates;
            itsDisplay.itsRateGlyph = itsWhiteToMove ? "q" : "i";
            itsDisplay.itsCaption = "Checkmate";
        } else {
            return false;
        }
    } catch (const EMissingKing&) {
        return false;
    }
    itsDisplay.itsLine.clear();
    itsDisplay.itsPreviousLine.clear();
    ClearStatistics();
    return true;
}

int TEngineSession::MoveNumber() const {
    // The ply count's parity must agree with the side to move: even for White.
    int ply = itsPlyCount;
    if ((ply % 2 == 0) != itsWhiteToMove) ++ply;
    return ply / 2 + 1;
}

std::string TEngineSession::NumberedLine(const std::vector<std::string>& moves) const {
    int number = MoveNumber();
    bool white = itsWhiteToMove;
    std::string text;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        if (i == 0) {
            text = std::to_string(number) + (white ? "." : "...") + moves[0];
            continue;
        }
        if (!white) ++number;
        white = !white;
        text += ' ';
        if (white) text += std::to_string(number) + ".";
        text += moves[i];
    }
    return text;
}

namespace {

// The move-number prefix of a numbered line and whether it starts with Black's move.
std::pair<std::string, bool> LineStart(const std::string& text) {
    const auto dot = text.find('.');
    return {text.substr(0, dot), text.find("...") != std::string::npos};
}

} // namespace

void TEngineSession::ShowBestLine(const std::vector<std::string>& sanMoves, int32_t keptScore,
                                  int64_t keptNodes) {
    std::vector<std::string> local;
    std::string line;
    for (const std::string& move : sanMoves) {
        std::string moved = move;
        for (char& c : moved) {
            const int kind = kEnglishLetters.Kind(c);
            if (kind != 0) c = itsLocalLetters.Letter(kind);
        }
        if (!line.empty()) line += ' ';
        line += moved;
        local.push_back(moved);
    }
    itsBestLine = line;
    itsBestMove = local.empty() ? std::string() : local.front().substr(0, 10);
    itsDisplayLine = NumberedLine(local);

    const std::string& old = itsDisplay.itsLine;
    if (LineStart(itsDisplayLine) != LineStart(old)) {
        itsDisplay.itsPreviousLine.clear();
    } else if (old.substr(0, 6) != itsDisplayLine.substr(0, 6)) {
        // The engine changed its mind: keep what it thought before, with its score and nodes.
        itsDisplay.itsPreviousLine =
            old + " [" + std::to_string(keptScore) + "/" + std::to_string(keptNodes) + "]";
    }
    itsDisplay.itsLine = itsDisplayLine;
}

} // namespace marvek
