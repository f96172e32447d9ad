#include "support/SimplePgn.h"

#include <sstream>

namespace marvek::testsupport {

std::vector<TSimpleGame> ReadMainLines(std::string_view text) {
    std::vector<TSimpleGame> games;
    TSimpleGame game;
    bool inMoves = false;
    int depth = 0;
    auto finish = [&] {
        if (!game.itsMoves.empty() || !game.itsTags.empty()) games.push_back(std::move(game));
        game = {};
        inMoves = false;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '{') {
            std::size_t end = text.find('}', i);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else if (c == ';') {
            std::size_t end = text.find('\n', i);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else if (c == '[' && depth == 0 && (i == 0 || text[i - 1] == '\n')) {
            if (inMoves) finish();
            std::size_t end = text.find('\n', i);
            if (end == std::string_view::npos) end = text.size();
            game.itsTags.emplace_back(text.substr(i, end - i));
            i = end;
        } else if (c == '(') {
            ++depth;
            ++i;
        } else if (c == ')') {
            if (depth > 0) --depth;
            ++i;
        } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            ++i;
        } else {
            std::size_t end = i;
            while (end < text.size() && text[end] != ' ' && text[end] != '\n' && text[end] != '\r' &&
                   text[end] != '\t' && text[end] != '{' && text[end] != '(' && text[end] != ')')
                ++end;
            std::string_view token = text.substr(i, end - i);
            i = end;
            if (depth > 0) continue;
            if (token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*") {
                finish();
                continue;
            }
            while (!token.empty() && ((token[0] >= '0' && token[0] <= '9') || token[0] == '.'))
                token.remove_prefix(1);
            if (token.empty() || token[0] == '$') continue;
            inMoves = true;
            game.itsMoves.emplace_back(token);
        }
    }
    finish();
    return games;
}

} // namespace marvek::testsupport
