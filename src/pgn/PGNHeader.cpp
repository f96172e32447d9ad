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

int ResultCodeOfTag(std::string_view value) {
    // Old files write the half as the one-half sign of code page 437.
    static constexpr std::string_view kDraws[] = {"draw",      "1/2-1/2", "1/2",       "(draw)",
                                                  "(1/2-1/2)", "(1/2)",   "\xAB-\xAB", "(\xAB-\xAB)"};
    for (std::string_view draw : kDraws)
        if (value == draw) return kResultDraw;
    if (value == "1-0" || value == "(1-0)") return kResultWhiteWins;
    if (value == "0-1" || value == "(0-1)") return kResultBlackWins;
    return kResultUnknown;
}

int ResultRate(int code) {
    switch (code) {
    case kResultWhiteWins: return 0;
    case kResultBlackWins: return 8;
    case kResultDraw: return 3;
    default: return 9;
    }
}

} // namespace marvek
