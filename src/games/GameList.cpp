// The found games, kept in the temporary file $SEARCH$.$$$ in the program folder.
#include "games/GameList.h"

#include <algorithm>

#include "app/UserInterface.h"
#include "platform/Folders.h"

namespace marvek {

namespace {

void PutShortString(uint8_t* at, int width, const std::string& text) {
    std::size_t length = std::min(text.size(), std::size_t(width));
    at[0] = uint8_t(length);
    std::copy_n(text.data(), length, at + 1);
}

std::string GetShortString(const uint8_t* at, int width) {
    std::size_t length = std::min<std::size_t>(at[0], std::size_t(width));
    return std::string(reinterpret_cast<const char*>(at + 1), length);
}

void PutInt32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(value >> (8 * i));
}

uint32_t GetInt32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

} // namespace

std::string TGameList::DefaultPath() {
    return ProgramFolder() + "$SEARCH$.$$$";
}

bool TGameList::Create(const std::string& path) {
    Destroy();
    itsPath = path;
    if (itsFile.Create(path) != 0) {
        UserInterface().ShowMessage("There was a problem creating the $SEARCH$.$$$ temporary file.");
        return false;
    }
    return true;
}

void TGameList::Destroy() {
    if (!itsFile.IsOpen()) return;
    itsFile.Close();
    RemoveFile(itsPath);
    itsCount = 0;
    itsResults = {};
}

int TGameList::Add(int32_t fileIndex, uint32_t offset, const TGameSummary& summary) {
    std::array<uint8_t, kRecordSize> record{};
    PutInt32(&record[0], uint32_t(fileIndex));
    PutInt32(&record[4], offset);
    PutShortString(&record[8], 30, summary.itsSite);
    PutShortString(&record[39], 30, summary.itsWhite);
    PutShortString(&record[70], 30, summary.itsBlack);
    PutShortString(&record[101], 10, summary.itsDate.substr(0, 4));
    PutShortString(&record[112], 7, summary.itsResult);
    PutShortString(&record[120], 3, summary.itsECO);
    int code = itsFile.WriteAt(itsCount * kRecordSize, record.data(), record.size());
    if (code != 0) return code;
    ++itsCount;
    const std::string& result = summary.itsResult;
    if (result == "1-0")
        ++itsResults[kWhiteWins];
    else if (result == "0-1")
        ++itsResults[kBlackWins];
    else if (result == "1/2-1/2")
        ++itsResults[kDraws];
    else
        ++itsResults[kUnfinished];
    return 0;
}

int TGameList::Clear() {
    itsCount = 0;
    itsResults = {};
    return itsFile.IsOpen() ? itsFile.Truncate(0) : 0;
}

bool TGameList::Entry(int64_t i, TGameListEntry& entry) {
    if (i < 0 || i >= itsCount) return false;
    std::array<uint8_t, kRecordSize> record{};
    std::size_t done = 0;
    if (itsFile.ReadAt(i * kRecordSize, record.data(), record.size(), &done) != 0 || done != record.size())
        return false;
    entry.itsFileIndex = int32_t(GetInt32(&record[0]));
    entry.itsOffset = GetInt32(&record[4]);
    entry.itsSite = GetShortString(&record[8], 30);
    entry.itsWhite = GetShortString(&record[39], 30);
    entry.itsBlack = GetShortString(&record[70], 30);
    entry.itsYear = GetShortString(&record[101], 10);
    entry.itsResult = GetShortString(&record[112], 7);
    entry.itsECO = GetShortString(&record[120], 3);
    return true;
}

std::string TGameList::Statistics() const {
    std::string text = std::to_string(itsResults[kWhiteWins]) + "-" + std::to_string(itsResults[kDraws]) +
                       "-" + std::to_string(itsResults[kBlackWins]);
    if (itsResults[kUnfinished] > 0) text += "-" + std::to_string(itsResults[kUnfinished]);
    return text;
}

} // namespace marvek
