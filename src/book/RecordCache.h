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

// The header of a kept record. It stands in the cache's memory straight before the record's bytes
// (or, while there is no record, a stub as long as a record's header): a lookup finds the entry,
// the key and the candidates side by side. Either way the position's key stands at
// TPositionRecord::kPositionOffset of the bytes, so that an entry need not hold a copy of it.
struct TCachedRecord {
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

    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(this + 1); }
    const uint8_t* Key() const { return Bytes() + kKeyOffset; }
    static constexpr size_t kKeyOffset = 6;
};

// A changed record as the writing pass needs it: the key's first sixteen bytes, read as numbers,
// keep the sort's comparisons in the sorted array.
struct TChangedRecord {
    uint64_t itsHigh = 0;
    uint64_t itsLow = 0;
    TCachedRecord* itsEntry = nullptr;
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
    // A new entry for a key that has none.
    TCachedRecord& Add(const TIsamKey& key);
    // Makes `bytes` the entry's record. A record read from the book takes just its room; one
    // the caller wrote (`written`) gets room to spare, as imports add candidates one by one.
    // An entry whose record outgrows its room moves with it: the entry where it now stands is
    // returned, and a reference to the old place must not be used again.
    TCachedRecord& SetBytes(TCachedRecord& entry, const uint8_t* bytes, size_t length, bool written = false);

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
    // Open addressing over the entries: each slot holds where its entry stands + 1 (0 when
    // empty) and the lower half of its key's hash, which places it when the table grows and
    // settles most mismatches without the key. An entry stands at a block (the upper bits) and
    // an offset in eight-byte steps (the lower bits).
    struct TSlot {
        uint32_t itsEntry = 0;
        uint32_t itsHash = 0;
    };
    static constexpr uint32_t kOffsetBits = 18;

    TSlot* Slots() const { return static_cast<TSlot*>(itsSlots.Get()); }
    TCachedRecord* EntryAt(uint32_t place) const {
        return reinterpret_cast<TCachedRecord*>(static_cast<uint8_t*>(itsBlocks[place >> kOffsetBits].Get()) +
                                                size_t(place & ((uint32_t(1) << kOffsetBits) - 1)) * 8);
    }
    // Room for an entry with `capacity` bytes after it; `place` is where it stands.
    TCachedRecord* Allocate(size_t capacity, uint32_t& place);
    // Gives the last entry allocated `capacity` bytes when its block has the room.
    bool Extend(TCachedRecord& entry, size_t capacity);
    // The slot of a key's entry, nullptr when it has none.
    TSlot* FindSlot(const uint8_t* key, uint32_t mark) const;
    // Calls `visit` for every entry in the order they were made, passing over the places entries
    // moved away from.
    template <typename TVisit>
    void ForEachEntry(TVisit visit);
    void Grow(size_t count);
    // Puts a slot into the table, in the first free place from where its hash points.
    void PlaceSlot(const TSlot& slot);
    // The slots still waiting go into the table; every lookup does this first.
    void PlaceWaitingSlots();
    // Memory from the system; raises EDatabaseProblem, saying how much the cache would take,
    // when there is none to be had.
    TPageMemory Reserve(size_t bytes, bool largePages) const;
    [[noreturn]] void RaiseNotEnoughMemory(size_t moreBytes) const;

    TPageMemory itsSlots;
    size_t itsSlotCount = 0;
    uint32_t itsCount = 0;
    std::vector<TPageMemory> itsBlocks;
    // How much of each block is taken.
    std::vector<uint32_t> itsBlockFill;
    TCachedRecord* itsLastAllocation = nullptr;
    // The slots of the latest new entries wait a few entries before they go into the table, their
    // memory fetched meanwhile: a run of new entries (a book read whole) would otherwise wait for
    // memory at each one.
    static constexpr uint32_t kWaitingSlots = 16;
    std::array<TSlot, kWaitingSlots> itsWaiting{};
    uint32_t itsWaitingCount = 0;
    uint32_t itsWaitingFirst = 0;
    size_t itsArenaBytes = 0;
    size_t itsChangedCount = 0;
};

} // namespace marvek
