#pragma once

// The look-ahead of an import: a second reader of the game file that runs ahead of the import on
// a thread of its own and gathers, a batch of games at a time, the keys of the positions the
// import will look up, so that the book can look them up in the order of their keys.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pgn/PGNGameReader.h"
#include "pgn/PGNImporter.h"
#include "storage/Isam.h"

namespace marvek {

// The keys of the positions a run of games looks up, sorted and without repeats.
struct TLookAheadBatch {
    int64_t itsStart = 0; // the file offset of the batch's first game
    int32_t itsGames = 0;
    std::vector<TIsamKey> itsKeys;
};

// Reads games as the importer does and keeps the keys of the positions it looks up: the position
// before each move it reads (the main line within the ply limit, variations within the depth
// limit), the last position of each variation, and the last position of each game. It touches
// neither a book nor the storage engine, so it can run on a thread of its own.
class TKeyCollector : public TPGNGameReader {
public:
    // `player` upper-cased, as the importer compares it.
    TKeyCollector(int32_t plyLimit, TPlayerFilter filter, const std::string& player);

    // Reads the games that follow into `batch` until it holds `mostGames` games or `mostKeys`
    // keys, or `stop` is set; false when no game was left to read.
    bool ReadBatch(TLookAheadBatch& batch, int32_t mostGames, size_t mostKeys,
                   const std::atomic<bool>* stop = nullptr);

protected:
    void MoveAction(const TPackedMove& move) override;
    void VariationEndAction() override;

private:
    void Keep(const TPackedPosition& position);

    TPlayerFilter itsFilter;
    std::string itsPlayer;
    std::vector<TIsamKey>* itsKeys = nullptr;
};

// Runs a key collector over a file on a thread of its own, at most a couple of batches ahead of
// the import. The first batches are small, so that the import waits little for the first one.
class TImportLookAhead {
public:
    TImportLookAhead(int32_t plyLimit, TPlayerFilter filter, const std::string& player, int32_t mostGames,
                     size_t mostKeys);
    ~TImportLookAhead();
    TImportLookAhead(const TImportLookAhead&) = delete;
    TImportLookAhead& operator=(const TImportLookAhead&) = delete;

    // Opens the file and starts reading it; false when the file cannot be opened or no thread
    // can be had (the import then does without).
    bool Start(const std::string& fileName);
    // The next batch, waited for; false when there is none, or when it does not start at
    // `offset`, where the import stands (the look-ahead has then lost its way and is no use).
    bool TakeBatch(int64_t offset, TLookAheadBatch& batch);
    // Stops reading and waits for the thread.
    void Stop();

private:
    void Run();

    TKeyCollector itsCollector;
    int32_t itsMostGames;
    size_t itsMostKeys;
    std::thread itsThread;
    std::mutex itsMutex;
    std::condition_variable itsChanged;
    std::deque<TLookAheadBatch> itsReady;
    bool itsDone = false;
    std::atomic<bool> itsStopping{false};
};

} // namespace marvek
