// TGameSearch: finding games in the checked game files by their keys, for the game list and PGN files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "games/GameSummary.h"
#include "storage/Isam.h"

// A search walks one key index of each checked file from a start key to an end key and tests
// every game it meets against all the criteria. It can be stopped and resumed ("More Games") from
// the last game it listed.

namespace marvek {

class TGameFileList;
class TGameList;
class TProgress;

enum class TGameDestination : int { kList = 0, kPGNFile = 1, kListAndPGNFile = 2 };

// The query as typed and, after Apply, as the search uses it.
struct TSearchCriteria {
    std::string itsWhiteFrom, itsWhiteTo;
    std::string itsBlackFrom, itsBlackTo;
    std::string itsEcoFrom, itsEcoTo;
    std::string itsYearFrom, itsYearTo;
    bool itsWhiteWins = true; // "1-0"
    bool itsBlackWins = true; // "0-1"
    bool itsDraws = true;     // "draw"
    bool itsMoveOrderSearch = false;
    std::vector<std::string> itsMoveOrders; // move strings, without their line end
    TGameDestination itsDestination = TGameDestination::kList;
    std::string itsPGNFile;

    // The OK button: puts the typed values into the stored form (upper-cased names filled with
    // "Z", the year rules). On a refusal the message comes back and the dialog stays open.
    std::optional<std::string> Apply();
    // "Reset": every field empty, "List", the three result boxes checked, no move order search.
    void Reset() { *this = TSearchCriteria(); }

    bool ToList() const { return itsDestination != TGameDestination::kPGNFile; }
    bool ToPGNFile() const { return itsDestination != TGameDestination::kList; }
    // Whether a game passes every criterion; moveLine is the GM2 game's move line (empty for PGN).
    bool Matches(const TGameSummary& summary, const std::string* gm2MoveLine) const;
};

struct TSearchOutcome {
    int64_t itsAddedToList = 0;
    int64_t itsAddedToPGN = 0;
    int64_t itsSeconds = 0;
    int64_t itsIllegalGames = 0; // GM2 games whose moves stopped at an illegal one when written
    bool itsStopped = false;
    bool itsPGNWritten = false;
    // "The search was interrupted." when stopped, else empty.
    std::string itsMessage;
};

class TGameSearch {
public:
    // Builds the index of a PGN file after the user said Yes; true when it ran.
    using TIndexBuilder = std::function<bool(const std::string& pgnFile)>;
    // The "Search Results" dialog.
    using TShowResults = std::function<void(const TSearchOutcome&)>;

    TGameSearch(TGameFileList& files, TGameList& list) : itsFiles(files), itsList(list) {}

    void SetProgress(TProgress* progress) { itsProgress = progress; }
    // Without one the search builds indexes with TPGN2GM2Converter and its own progress.
    void SetIndexBuilder(TIndexBuilder builder) { itsIndexBuilder = std::move(builder); }
    void SetShowResults(TShowResults show) { itsShowResults = std::move(show); }

    // The search command; criteria must have been applied. resume continues after the last
    // listed game; showResults shows the results (and the count of games with illegal moves).
    TSearchOutcome Run(const TSearchCriteria& criteria, bool resume, bool showResults = true);

    // The search command's first step. With no game files it asks "No game files are selected.
    // Select them now?": kShowGameFiles on Yes, kNothing on No; with files, kShowQuery.
    enum class TCommandStep { kShowQuery, kShowGameFiles, kNothing };
    TCommandStep StartCommand() const;

    // Whether "More Games" is offered: the last search was stopped and its resume point holds.
    bool CanResume() const;
    void ClearResumePoint() { itsResume.reset(); }

    // The key a search with these criteria walks.
    static int KeyToWalk(const TSearchCriteria& criteria);

private:
    struct TResumePoint {
        std::size_t itsFile = 0;
        std::size_t itsMoveOrder = 0;
        TIsamKey itsKey{};
        RecRef itsOffset = 0;
        unsigned itsGeneration = 0;
    };
    class TRun;

    TGameFileList& itsFiles;
    TGameList& itsList;
    TProgress* itsProgress = nullptr;
    TIndexBuilder itsIndexBuilder;
    TShowResults itsShowResults;
    std::optional<TResumePoint> itsResume;
    bool itsLastStopped = false;
};

} // namespace marvek
