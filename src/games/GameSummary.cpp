// Reading the header fields of one game at its offset in a PGN or GM2 game file.
#include "games/GameSummary.h"

#include <algorithm>

#include "chess/Square.h"

namespace marvek {

namespace {

constexpr int kMaxGM2Moves = 500;

// Up to 2048 bytes at offset; false when the read failed.
bool ReadBlock(TFile& file, int64_t offset, std::string& block) {
    block.assign(std::size_t(kSummaryBlockSize), '\0');
    std::size_t done = 0;
    if (file.ReadAt(offset, block.data(), block.size(), &done) != 0) return false;
    block.resize(done);
    return true;
}

std::string Cut(std::string_view text, int width) {
    return std::string(text.substr(0, std::size_t(width)));
}

std::string WithoutDots(std::string_view text) {
    std::string result;
    for (char c : text)
        if (c != '.') result.push_back(c);
    return result;
}

bool IsSquareCode(char c) {
    int square = static_cast<unsigned char>(c) - 48;
    return square >= 0 && square <= 77 && square % 10 <= 7;
}

} // namespace

TSummaryStatus ReadPGNSummary(TFile& file, int64_t offset, TGameSummary& summary) {
    std::string block;
    if (!ReadBlock(file, offset, block)) return TSummaryStatus::kReadError;
    summary = TGameSummary();
    summary.itsResult = "*";
    summary.itsECO = "";
    bool full = block.size() == std::size_t(kSummaryBlockSize);
    std::size_t at = 0;
    while (true) {
        std::size_t end = block.find('\n', at);
        if (end == std::string::npos) {
            // A full block that ends inside the tags cut a header too long to read.
            if (full) return TSummaryStatus::kBadHeader;
            end = block.size();
        }
        std::string_view line(block.data() + at, end - at);
        if (line.empty() || line[0] != '[') break;
        std::size_t open = line.find('"');
        std::string_view value;
        if (open != std::string_view::npos) {
            value = line.substr(open + 1);
            value = value.substr(0, value.find('"'));
        }
        auto is = [line](std::string_view prefix) { return line.starts_with(prefix); };
        if (is("[Event "))
            summary.itsEvent = Cut(value, TGameSummary::kNameWidth);
        else if (is("[Site "))
            summary.itsSite = Cut(value, TGameSummary::kNameWidth);
        else if (is("[Date "))
            summary.itsDate = Cut(WithoutDots(value), TGameSummary::kDateWidth);
        else if (is("[Round "))
            summary.itsRound = Cut(value, TGameSummary::kRoundWidth);
        else if (is("[White "))
            summary.itsWhite = Cut(value, TGameSummary::kNameWidth);
        else if (is("[Black "))
            summary.itsBlack = Cut(value, TGameSummary::kNameWidth);
        else if (is("[Result "))
            summary.itsResult = value.empty() ? "*" : Cut(value, TGameSummary::kResultWidth);
        else if (is("[ECO "))
            summary.itsECO = Cut(value, TGameSummary::kEcoWidth);
        if (end >= block.size()) break;
        at = end + 1;
    }
    return TSummaryStatus::kRead;
}

bool SplitGM2Record(std::string_view block, TGM2Record& record) {
    std::string* fields[] = {&record.itsSite,  &record.itsDate,   &record.itsRound, &record.itsWhite,
                             &record.itsBlack, &record.itsResult, &record.itsECO};
    record = TGM2Record();
    std::size_t at = 0;
    for (std::string* field : fields) {
        std::size_t end = block.find_first_of("\r\n", at);
        if (end == std::string_view::npos) return false;
        field->assign(block.substr(at, end - at));
        at = block.find_first_not_of("\r\n", end);
        if (at == std::string_view::npos) at = block.size();
    }
    std::size_t end = block.find('\r', at);
    record.itsMoveLineEnded = end != std::string_view::npos;
    record.itsMoveLine.assign(block.substr(at, record.itsMoveLineEnded ? end - at : std::string_view::npos));
    return true;
}

TSummaryStatus ReadGM2Summary(TFile& file, int64_t offset, TGameSummary& summary, std::string* moveLine) {
    std::string block;
    if (!ReadBlock(file, offset, block)) return TSummaryStatus::kReadError;
    TGM2Record record;
    if (!SplitGM2Record(block, record)) return TSummaryStatus::kBadHeader;
    summary = TGameSummary();
    summary.itsSite = Cut(record.itsSite, TGameSummary::kNameWidth);
    summary.itsDate = Cut(WithoutDots(record.itsDate), TGameSummary::kDateWidth);
    summary.itsRound = Cut(record.itsRound, TGameSummary::kRoundWidth);
    summary.itsWhite = Cut(record.itsWhite, TGameSummary::kNameWidth);
    summary.itsBlack = Cut(record.itsBlack, TGameSummary::kNameWidth);
    summary.itsResult = Cut(record.itsResult, TGameSummary::kResultWidth);
    summary.itsECO = Cut(record.itsECO, TGameSummary::kEcoWidth);
    if (moveLine != nullptr) {
        *moveLine = record.itsMoveLine;
        // The caller tells a move line cut off by the block from one that ended.
        if (record.itsMoveLineEnded) moveLine->push_back('\r');
    }
    return TSummaryStatus::kRead;
}

std::vector<TPackedMove> ReadGM2Moves(std::string_view moveLine, bool squaresOnly) {
    std::vector<TPackedMove> moves;
    for (std::size_t i = 0; i + 1 < moveLine.size(); i += 2) {
        char first = moveLine[i];
        char second = moveLine[i + 1];
        if (first == '\r' || first == '\n') break;
        if (first == '/') {
            if (!moves.empty()) moves.back().itsPromotion = uint8_t(static_cast<unsigned char>(second) - 48);
            continue;
        }
        if (squaresOnly && !(IsSquareCode(first) && IsSquareCode(second))) break;
        if (int(moves.size()) >= kMaxGM2Moves) break;
        moves.push_back({uint8_t(static_cast<unsigned char>(first) - 48),
                         uint8_t(static_cast<unsigned char>(second) - 48), 0, kSymbolNone});
    }
    return moves;
}

} // namespace marvek
