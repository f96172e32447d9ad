#include "pgn/PGNHeader.h"

namespace marvek {

namespace {
constexpr std::string_view kResultTexts[] = {"*", "1-0", "0-1", "1/2-1/2"};
} // namespace

std::string_view ResultText(int code) {
    return code >= kResultUnknown && code <= kResultDraw ? kResultTexts[code] : kResultTexts[0];
}

int ResultCode(std::string_view text) {
    for (int code = kResultUnknown; code <= kResultDraw; ++code)
        if (kResultTexts[code] == text) return code;
    return -1;
}

} // namespace marvek
