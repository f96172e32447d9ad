// The look-ahead of an import: the key collector and the thread it runs on.

#include "pgn/ImportLookAhead.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "book/PositionKey.h"

namespace marvek {

namespace {

// The first batch is read while the import waits for it, later ones while it imports. Reading
// runs several times as fast as importing, so each batch can be four times the one before
// without the import waiting: few batches, and in each the keys lie close together.
constexpr int32_t kFirstBatchGames = 32;
constexpr int64_t kBatchGrowth = 4;
// Batches read and not yet taken: reading runs well ahead of importing, and the keys waiting
// are memory the budget does not count.
constexpr size_t kMostBatchesAhead = 1;

bool KeyLess(const TIsamKey& a, const TIsamKey& b) {
    return std::memcmp(a.data(), b.data(), kPositionKeyLength + 1) < 0;
}

} // namespace

TKeyCollector::TKeyCollector(int32_t plyLimit, TPlayerFilter filter, const std::string& player)
    : TPGNGameReader(TPGNImporter::kDepthLimit, plyLimit, true), itsFilter(filter), itsPlayer(player) {}

bool TKeyCollector::ReadBatch(TLookAheadBatch& batch, int32_t mostGames, size_t mostKeys,
                              const std::atomic<bool>* stop) {
    batch.itsGames = 0;
    batch.itsKeys.clear();
    itsKeys = &batch.itsKeys;
    // The steps of the importer's loop, without the book: games are counted as it counts them.
    while (!AtEndOfFile() && batch.itsGames < mostGames && batch.itsKeys.size() < mostKeys) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) break;
        SkipToNextGame();
        if (AtEndOfFile()) break;
        if (batch.itsGames++ == 0) batch.itsStart = CurrentOffset();
        ReadTags();
        if (PlayerMatches(Header(), itsFilter, itsPlayer) && SetUpStartPosition()) {
            ReadMovetext();
            if (GameHasContent()) Keep(CurrentPosition());
        }
        FinishGame();
    }
    itsKeys = nullptr;
    std::vector<TIsamKey>& keys = batch.itsKeys;
    std::sort(keys.begin(), keys.end(), KeyLess);
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return batch.itsGames > 0;
}

void TKeyCollector::MoveAction(const TPackedMove&) {
    Keep(CurrentPosition());
}

void TKeyCollector::VariationEndAction() {
    if (GameHasContent()) Keep(CurrentPosition());
}

void TKeyCollector::Keep(const TPackedPosition& position) {
    if (itsKeys != nullptr) itsKeys->push_back(PositionKey(position));
}

// ---------------------------------------------------------------------------------------------

TImportLookAhead::TImportLookAhead(int32_t plyLimit, TPlayerFilter filter, const std::string& player,
                                   int32_t mostGames, size_t mostKeys)
    : itsCollector(plyLimit, filter, player), itsMostGames(std::max(mostGames, 1)),
      itsMostKeys(std::max(mostKeys, size_t(1))) {}

TImportLookAhead::~TImportLookAhead() {
    Stop();
}

bool TImportLookAhead::Start(const std::string& fileName) {
    if (itsCollector.OpenInput(fileName) != 0) return false;
    try {
        itsThread = std::thread(&TImportLookAhead::Run, this);
    } catch (const std::system_error&) {
        itsCollector.CloseInput();
        return false;
    }
    return true;
}

void TImportLookAhead::Stop() {
    {
        std::lock_guard<std::mutex> lock(itsMutex);
        itsStopping = true;
    }
    itsChanged.notify_all();
    if (itsThread.joinable()) itsThread.join();
}

bool TImportLookAhead::TakeBatch(int64_t offset, TLookAheadBatch& batch) {
    std::unique_lock<std::mutex> lock(itsMutex);
    itsChanged.wait(lock, [this] { return !itsReady.empty() || itsDone; });
    if (itsReady.empty()) return false;
    batch = std::move(itsReady.front());
    itsReady.pop_front();
    itsChanged.notify_all();
    return batch.itsStart == offset;
}

void TImportLookAhead::Run() {
    try {
        int32_t games = std::min(kFirstBatchGames, itsMostGames);
        for (;;) {
            TLookAheadBatch batch;
            if (!itsCollector.ReadBatch(batch, games, itsMostKeys, &itsStopping)) break;
            games = int32_t(std::min(int64_t(games) * kBatchGrowth, int64_t(itsMostGames)));
            std::unique_lock<std::mutex> lock(itsMutex);
            itsChanged.wait(lock, [this] { return itsStopping || itsReady.size() < kMostBatchesAhead; });
            if (itsStopping) break;
            itsReady.push_back(std::move(batch));
            itsChanged.notify_all();
        }
    } catch (...) {
        // A position the reader could not make a key of: the import looks up on its own from here.
    }
    itsCollector.CloseInput();
    {
        std::lock_guard<std::mutex> lock(itsMutex);
        itsDone = true;
    }
    itsChanged.notify_all();
}

} // namespace marvek
