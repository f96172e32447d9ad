// Move-text helpers: cleaning a typed or imported move, and evaluation symbols. The parser reads
// moves in MoveReader.cpp and writes them in MoveWriter.cpp.
#include "chess/Notation.h"

#include <cstring>

#include "platform/Errors.h"

namespace marvek {

namespace notation_detail {

int NormalizeInto(std::string_view text, const TPieceLetters& letters, char* out) {
    if (text.size() < 2) return 0;
    if (text.size() > 3) {
        std::string_view tail = text.substr(text.size() - 2);
        if (tail == "ep" || tail == "EP") text.remove_suffix(2);
    }
    bool upperFirst = !IsRankDigit(text[1]) && !IsFileLetter(text[0]);
    int length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (i == 0 && upperFirst && c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        bool keep =
            IsFileLetter(c) || IsRankDigit(c) || c == 'O' || c == '0' || c == 'o' || letters.Kind(c) != 0;
        if (!keep) continue;
        if (c == '0' || c == 'o') c = 'O';
        out[length++] = c;
    }
    if (length == 2 && out[0] == 'O' && out[1] == 'O') {
        std::memcpy(out, "O-O", 3);
        length = 3;
    } else if (length == 3 && out[0] == 'O' && out[1] == 'O' && out[2] == 'O') {
        std::memcpy(out, "O-O-O", 5);
        length = 5;
    }
    return length;
}

} // namespace notation_detail

std::string NormalizeMoveText(std::string_view text, char king, char queen, char rook, char bishop,
                              char knight) {
    std::string out(text.size() + 3, '\0');
    const TPieceLetters letters(king, queen, rook, bishop, knight);
    out.resize(std::size_t(notation_detail::NormalizeInto(text, letters, out.data())));
    return out;
}

int SymbolFromText(std::string_view text) {
    auto has = [&](std::string_view s) { return text.find(s) != std::string_view::npos; };
    if (has("??")) return kSymbolBlunder;
    if (has("!!")) return kSymbolExcellent;
    if (has("!?")) return kSymbolInteresting;
    if (has("?!")) return kSymbolDubious;
    if (has("?")) return kSymbolMistake;
    if (has("!")) return kSymbolGood;
    return kSymbolNone;
}

std::string_view SymbolText(int code) {
    static constexpr std::string_view kTexts[] = {"", "!", "!?", "!!", "?", "?!", "??"};
    MARVEK_ASSERT(code >= kSymbolNone && code <= kSymbolBlunder);
    return kTexts[code - 1];
}

void AppendSymbolText(int code, std::string& text) {
    text += SymbolText(code);
    text += ',';
}

} // namespace marvek
