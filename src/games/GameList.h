// TGameList: the found games, kept in the temporary file $SEARCH$.$$$ in the program folder.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "games/GameSummary.h"
#include "platform/File.h"

// One record of 124 bytes per game, without a size limit:
//
//   offset size  field
//        0    4  file index (the game file's place in the game-file list)
//        4    4  game offset
//        8   31  Site   (length byte + 30)
//       39   31  White
//       70   31  Black
//      101   11  Year   (length byte + up to 10: the first 4 characters of the Date)
//      112    8  Result (length byte + 7)
//      120    4  ECO    (length byte + 3)
//
// Beside the file the list counts its games and four results ("1-0", "0-1", "1/2-1/2", "*").

namespace marvek {

struct TGameListEntry {
    int32_t itsFileIndex = 0;
    uint32_t itsOffset = 0;
    std::string itsSite;
    std::string itsWhite;
    std::string itsBlack;
    std::string itsYear;
    std::string itsResult;
    std::string itsECO;
};

class TGameList {
public:
    static constexpr int kRecordSize = 124;
    enum TResultCounter { kWhiteWins, kBlackWins, kDraws, kUnfinished };

    static std::string DefaultPath();

    TGameList() = default;
    ~TGameList() { Destroy(); }
    TGameList(const TGameList&) = delete;
    TGameList& operator=(const TGameList&) = delete;

    // Creates the file empty; false ("There was a problem creating the $SEARCH$.$$$ temporary
    // file.", shown) on failure.
    bool Create(const std::string& path = DefaultPath());
    // Closes and deletes the file.
    void Destroy();
    bool IsCreated() const { return itsFile.IsOpen(); }

    // 0 or the errno of a failed write.
    int Add(int32_t fileIndex, uint32_t offset, const TGameSummary& summary);
    int Clear();
    int64_t Count() const { return itsCount; }
    // Entry i (0-based); false when it cannot be read.
    bool Entry(int64_t i, TGameListEntry& entry);
    int64_t Results(TResultCounter counter) const { return itsResults[counter]; }

    // The statistics panel: wins "-" draws "-" losses from White's side, and "-" unfinished when
    // there are any.
    std::string Statistics() const;

private:
    TFile itsFile;
    std::string itsPath;
    int64_t itsCount = 0;
    std::array<int64_t, 4> itsResults{};
};

} // namespace marvek
