// Small game files and a look into their indexes, for the game-file tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "games/GameIndex.h"

namespace marvek::test {

// Every (key, offset) entry of one key index of a game file, in key order.
inline std::vector<std::pair<std::string, uint32_t>> IndexEntries(const std::string& gameFile, int keyNr) {
    std::vector<std::pair<std::string, uint32_t>> entries;
    TGameIndex index;
    if (!index.Open(gameFile, true)) return entries;
    TIsamKey key = MakeIsamKey("");
    RecRef ref = BTFindAtLeast(index.Database(), keyNr, key);
    while (IsamOK()) {
        entries.emplace_back(std::string(IsamKeyBytes(key)), uint32_t(ref));
        BTNextEntry(index.Database(), keyNr, key, ref);
    }
    return entries;
}

// A GM2 record's eight lines, with the line end given.
inline std::string GM2Record(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

} // namespace marvek::test
