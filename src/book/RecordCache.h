#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "book/PositionKey.h"
#include "platform/Memory.h"
#include "storage/Isam.h"

// The records of a book held in memory while a bulk update (an import) runs: what was read from
// the position files, what is known to be absent, and what was changed and is still to be
// written. Writing the changed records in key order at the end turns the import's scattered
// probes and inserts into one ordered pass over the index.

namespace marvek {

class TKeyFilter;

struct TCachedRecord {
    // The record, or while there is none a stub as long as a record's header: either way the
    // position's key stands at TPositionRecord::kPositionOffset, so that an entry need not hold a
    // copy of it.
    uint8_t* itsBytes = nullptr;
    RecRef itsRef = 0;
    uint16_t itsLength = 0;
    uint16_t itsCapacity = 0;
    // The position file holding the record and its reference there; -1 while it is in none.
    int8_t itsFile = -1;
    // Whether the book has a record for the position (in a file or still to be written).
    bool itsPresent = false;
    // Whether the bytes are the record: a probe alone learns only where it is.
    bool itsLoaded = false;
    bool itsChanged = false;

    const uint8_t* Key() const { return itsBytes + kKeyOffset; }
    static constexpr size_t kKeyOffset = 6;
};

// A changed record as the writing pass needs it, so that the pass reads the record's bytes and
// never has to wait for its entry.
struct TChangedRecord {
    uint64_t itsHigh = 0; // the first sixteen key bytes, read as numbers, for sorting
    uint64_t itsLow = 0;
    const uint8_t* itsBytes = nullptr;
    TCachedRecord* itsEntry = nullptr;
    RecRef itsRef = 0;
    uint16_t itsLength = 0;
    int8_t itsFile = -1;
};

class TRecordCache {
public:
    TRecordCache();
    ~TRecordCache();

    // Makes room for this many entries at once, sparing the table its growing steps.
    void Reserve(size_t entries);
    // Starts fetching the memory a Find of the key will look at.
    void Prefetch(const TIsamKey& key) const;
    // The entry of a position key (a key of kPositionKeyLength bytes), nullptr when it has none.
    TCachedRecord* Find(const TIsamKey& key);
    // A new entry for a key that has none. Entries stay where they are until Clear.
    TCachedRecord& Add(const TIsamKey& key);
    // Makes `bytes` the entry's record. A record read from the book takes just its room; one
    // the caller wrote (`written`) gets room to spare, as imports add candidates one by one.
    void SetBytes(TCachedRecord& entry, const uint8_t* bytes, size_t length, bool written = false);

    // The changed entries in the order of their keys, as the index sorts them.
    std::vector<TChangedRecord> ChangedInKeyOrder();
    bool HasChanges() const { return itsChangedCount > 0; }
    size_t ChangedCount() const { return itsChangedCount; }
    // Adds the key of every entry the book has a record for.
    void AddPresentKeysTo(TKeyFilter& filter);
    // The entry is in its file now, where `file` and `ref` say.
    void MarkWritten(TCachedRecord& entry, int file, RecRef ref);
    void MarkChanged(TCachedRecord& entry);

    size_t MemoryUsed() const;
    size_t Size() const { return itsCount; }
    void Clear();

private:
    // Open addressing over the entries: each slot holds an entry's number + 1 (0 when empty)
    // and the lower half of its key's hash, which places it when the table grows and settles
    // most mismatches without the key.
    struct TSlot {
        uint32_t itsEntry = 0;
        uint32_t itsHash = 0;
    };
    static constexpr size_t kChunkShift = 15;
    static constexpr size_t kChunkEntries = size_t(1) << kChunkShift;

    TSlot* Slots() const { return static_cast<TSlot*>(itsSlots.Get()); }
    TCachedRecord& Entry(uint32_t index) {
        return static_cast<TCachedRecord*>(
            itsChunks[index >> kChunkShift].Get())[index & (kChunkEntries - 1)];
    }
    uint8_t* Allocate(size_t length);
    // Lengthens the last allocation in place when it is `bytes` and its block has the room.
    bool Extend(uint8_t* bytes, size_t length);
    void Grow(size_t count);
    // Memory from the system; raises EDatabaseProblem, saying how much the cache would take,
    // when there is none to be had.
    TPageMemory Reserve(size_t bytes, bool largePages) const;
    [[noreturn]] void RaiseNotEnoughMemory(size_t moreBytes) const;

    TPageMemory itsSlots;
    size_t itsSlotCount = 0;
    std::vector<TPageMemory> itsChunks;
    uint32_t itsCount = 0;
    std::vector<TPageMemory> itsBlocks;
    size_t itsBlockUsed = 0;
    uint8_t* itsLastAllocation = nullptr;
    size_t itsLastRounded = 0;
    size_t itsArenaBytes = 0;
    size_t itsChangedCount = 0;
};

} // namespace marvek
