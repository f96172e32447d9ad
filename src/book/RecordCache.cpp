#include "book/RecordCache.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <type_traits>

#include "book/KeyFilter.h"
#include "book/PositionRecord.h"
#include "platform/Errors.h"

namespace marvek {

namespace {

// Records are kept in blocks of this size; the longest takes a quarter of one at most.
constexpr size_t kBlockBytes = size_t(2) << 20;
static_assert(UINT16_MAX <= kBlockBytes / 4);
constexpr size_t kFirstSlots = 4096;
// Slot tables from this size on ask for large pages. Entries with their records are read at random
// too, but they are most of the memory: in large pages a lookup walks fewer page tables, yet the
// kernel's clearing of them cost a re-import of a big book more time than that saved.
constexpr size_t kLargePageTable = size_t(8) << 20;

// A stub holds what comes before the key, and the key.
constexpr size_t kStubBytes = TCachedRecord::kKeyOffset + kPositionKeyLength;
static_assert(TCachedRecord::kKeyOffset == TPositionRecord::kPositionOffset);
static_assert(kStubBytes == TPositionRecord::kRatesOffset);

uint64_t Word(const uint8_t* bytes) {
    uint64_t w;
    std::memcpy(&w, bytes, sizeof w);
    return w;
}

uint64_t BigEndianWord(const uint8_t* bytes) {
    uint64_t w = 0;
    for (int i = 0; i < 8; ++i) w = w << 8 | bytes[i];
    return w;
}

uint64_t HashOf(const uint8_t* key) {
    // Position keys differ all over their length: every byte is mixed in.
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (size_t i = 0; i + 8 <= kPositionKeyLength; i += 8) {
        h = (h ^ Word(key + i)) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    h = (h ^ (uint64_t(key[32]) | uint64_t(key[33]) << 8)) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
}

const uint8_t* KeyBytes(const TIsamKey& key) {
    MARVEK_ASSERT(key[0] == kPositionKeyLength);
    return key.data() + 1;
}

} // namespace

// Entries live in raw pages that are given back without running destructors.
static_assert(std::is_trivially_destructible_v<TCachedRecord>);
static_assert(sizeof(TCachedRecord) == 12 && alignof(TCachedRecord) <= 8);

namespace {

// An entry and its bytes take this much of a block.
size_t Footprint(size_t capacity) {
    return (sizeof(TCachedRecord) + capacity + 7) & ~size_t(7);
}

// What an entry's old place is marked with once the entry has moved on: a walk over the blocks
// passes it over.
constexpr int8_t kMovedAway = -2;

// As many blocks as the lower bits of a slot leave room for.
constexpr size_t kMostBlocks = size_t(1) << 14;
static_assert(kBlockBytes / 8 == size_t(1) << 18);

} // namespace

TRecordCache::TRecordCache() = default;
TRecordCache::~TRecordCache() = default;

void TRecordCache::Prefetch(const TIsamKey& key) const {
    if (itsSlotCount == 0) return;
    __builtin_prefetch(&Slots()[HashOf(KeyBytes(key)) & (itsSlotCount - 1)]);
}

TRecordCache::TSlot* TRecordCache::FindSlot(const uint8_t* key, uint32_t mark) const {
    size_t mask = itsSlotCount - 1;
    for (size_t i = mark & mask;; i = (i + 1) & mask) {
        TSlot& slot = Slots()[i];
        if (slot.itsEntry == 0) return nullptr;
        if (slot.itsHash == mark &&
            std::memcmp(EntryAt(slot.itsEntry - 1)->Key(), key, kPositionKeyLength) == 0)
            return &slot;
    }
}

TCachedRecord* TRecordCache::Find(const TIsamKey& key) {
    if (itsCount == 0) return nullptr;
    if (itsWaitingCount > 0) PlaceWaitingSlots();
    const uint8_t* bytes = KeyBytes(key);
    TSlot* slot = FindSlot(bytes, uint32_t(HashOf(bytes)));
    return slot != nullptr ? EntryAt(slot->itsEntry - 1) : nullptr;
}

void TRecordCache::Reserve(size_t entries) {
    size_t count = kFirstSlots;
    while (count < 2 * entries) count *= 2;
    if (count > itsSlotCount) Grow(count);
}

TPageMemory TRecordCache::Reserve(size_t bytes, bool largePages) const {
    TPageMemory memory = TPageMemory::Reserve(bytes, largePages);
    if (memory.Get() == nullptr) RaiseNotEnoughMemory(bytes);
    return memory;
}

void TRecordCache::RaiseNotEnoughMemory(size_t moreBytes) const {
    size_t held = itsSlots.Size();
    for (const TPageMemory& block : itsBlocks) held += block.Size();
    constexpr size_t kMegabyte = size_t(1) << 20;
    size_t megabytes = (held + moreBytes + kMegabyte - 1) / kMegabyte;
    throw EDatabaseProblem("Not enough memory for the import's record cache (" + std::to_string(megabytes) +
                           " MB).");
}

void TRecordCache::Grow(size_t count) {
    TPageMemory memory = Reserve(count * sizeof(TSlot), count * sizeof(TSlot) >= kLargePageTable);
    auto* slots = static_cast<TSlot*>(memory.Get());
    size_t mask = count - 1;
    for (size_t n = 0; n < itsSlotCount; ++n) {
        const TSlot& slot = Slots()[n];
        if (slot.itsEntry == 0) continue;
        size_t i = slot.itsHash & mask;
        while (slots[i].itsEntry != 0) i = (i + 1) & mask;
        slots[i] = slot;
    }
    itsSlots = std::move(memory);
    itsSlotCount = count;
}

TCachedRecord& TRecordCache::Add(const TIsamKey& key) {
    // At most half the slots are taken, which keeps the runs short.
    if (size_t(itsCount + 1) * 2 > itsSlotCount) Grow(itsSlotCount == 0 ? kFirstSlots : itsSlotCount * 2);
    const uint8_t* bytes = KeyBytes(key);
    uint32_t place = 0;
    TCachedRecord& entry = *new (Allocate(kStubBytes, place)) TCachedRecord();
    entry.itsCapacity = uint16_t(kStubBytes);
    std::memset(entry.Bytes(), 0, TCachedRecord::kKeyOffset);
    std::memcpy(entry.Bytes() + TCachedRecord::kKeyOffset, bytes, kPositionKeyLength);
    ++itsCount;
    auto mark = uint32_t(HashOf(bytes));
    __builtin_prefetch(&Slots()[mark & (itsSlotCount - 1)], 1);
    if (itsWaitingCount == kWaitingSlots) {
        PlaceSlot(itsWaiting[itsWaitingFirst]);
        itsWaiting[itsWaitingFirst] = TSlot{place + 1, mark};
        itsWaitingFirst = (itsWaitingFirst + 1) % kWaitingSlots;
    } else {
        itsWaiting[(itsWaitingFirst + itsWaitingCount++) % kWaitingSlots] = TSlot{place + 1, mark};
    }
    return entry;
}

void TRecordCache::PlaceSlot(const TSlot& slot) {
    size_t mask = itsSlotCount - 1;
    size_t i = slot.itsHash & mask;
    while (Slots()[i].itsEntry != 0) i = (i + 1) & mask;
    Slots()[i] = slot;
}

void TRecordCache::PlaceWaitingSlots() {
    for (uint32_t n = 0; n < itsWaitingCount; ++n)
        PlaceSlot(itsWaiting[(itsWaitingFirst + n) % kWaitingSlots]);
    itsWaitingCount = itsWaitingFirst = 0;
}

TCachedRecord* TRecordCache::Allocate(size_t capacity, uint32_t& place) {
    size_t footprint = Footprint(capacity);
    if (itsBlocks.empty() || itsBlockFill.back() + footprint > kBlockBytes) {
        if (itsBlocks.size() >= kMostBlocks) RaiseNotEnoughMemory(kBlockBytes);
        TPageMemory block = Reserve(kBlockBytes, false);
        // The two lists stay in step whatever fails.
        itsBlockFill.push_back(0);
        try {
            itsBlocks.push_back(std::move(block));
        } catch (...) {
            itsBlockFill.pop_back();
            throw;
        }
    }
    size_t at = itsBlockFill.back();
    place = uint32_t((itsBlocks.size() - 1) << kOffsetBits | at / 8);
    itsBlockFill.back() = uint32_t(at + footprint);
    itsArenaBytes += footprint;
    itsLastAllocation = reinterpret_cast<TCachedRecord*>(static_cast<uint8_t*>(itsBlocks.back().Get()) + at);
    return itsLastAllocation;
}

bool TRecordCache::Extend(TCachedRecord& entry, size_t capacity) {
    if (&entry != itsLastAllocation) return false;
    size_t before = Footprint(entry.itsCapacity);
    size_t after = Footprint(capacity);
    if (after <= before) return true;
    size_t start = itsBlockFill.back() - before;
    if (start + after > kBlockBytes) return false;
    itsBlockFill.back() = uint32_t(start + after);
    itsArenaBytes += after - before;
    return true;
}

template <typename TVisit>
void TRecordCache::ForEachEntry(TVisit visit) {
    for (size_t b = 0; b < itsBlocks.size(); ++b) {
        auto* base = static_cast<uint8_t*>(itsBlocks[b].Get());
        for (size_t at = 0; at < itsBlockFill[b];) {
            auto* entry = reinterpret_cast<TCachedRecord*>(base + at);
            at += Footprint(entry->itsCapacity);
            if (entry->itsFile != kMovedAway) visit(*entry);
        }
    }
}

TCachedRecord& TRecordCache::SetBytes(TCachedRecord& given, const uint8_t* bytes, size_t length,
                                      bool written) {
    MARVEK_ASSERT(length <= UINT16_MAX);
    // The key stays where it is whatever the bytes say there: it is what the entry is found by.
    std::array<uint8_t, kPositionKeyLength> key;
    std::memcpy(key.data(), given.Key(), kPositionKeyLength);
    TCachedRecord* entry = &given;
    if (length > entry->itsCapacity) {
        // Most records read are never written: room to spare in each would take a good part of
        // the memory of a whole book.
        size_t room =
            std::max(kStubBytes, written ? std::min<size_t>(UINT16_MAX, length + length / 4) : length);
        // A record read or first written straight after its entry was made takes the stub's place;
        // else the entry moves to where there is room, and its slot with it.
        if (!Extend(*entry, room)) {
            uint32_t place = 0;
            TCachedRecord* moved = Allocate(room, place);
            *moved = *entry;
            if (itsWaitingCount > 0) PlaceWaitingSlots();
            TSlot* slot = FindSlot(key.data(), uint32_t(HashOf(key.data())));
            MARVEK_ASSERT(slot != nullptr);
            slot->itsEntry = place + 1;
            entry->itsFile = kMovedAway;
            entry = moved;
        }
        entry->itsCapacity = uint16_t(room);
    }
    std::memcpy(entry->Bytes(), bytes, length);
    std::memcpy(entry->Bytes() + TCachedRecord::kKeyOffset, key.data(), kPositionKeyLength);
    entry->itsLength = uint16_t(length);
    entry->itsLoaded = true;
    return *entry;
}

void TRecordCache::MarkChanged(TCachedRecord& entry) {
    if (!entry.itsChanged) ++itsChangedCount;
    entry.itsChanged = true;
}

void TRecordCache::MarkWritten(TCachedRecord& entry, int file, RecRef ref) {
    if (entry.itsChanged) --itsChangedCount;
    entry.itsChanged = false;
    entry.itsFile = static_cast<int8_t>(file);
    entry.itsRef = ref;
}

std::vector<TChangedRecord> TRecordCache::ChangedInKeyOrder() {
    // Sorting on the first sixteen key bytes, read as numbers, keeps the comparisons in the
    // sorted array; only ties look at the entries.
    std::vector<TChangedRecord> items;
    try {
        items.reserve(itsChangedCount);
    } catch (const std::bad_alloc&) {
        RaiseNotEnoughMemory(itsChangedCount * sizeof(TChangedRecord));
    }
    ForEachEntry([&](TCachedRecord& entry) {
        if (!entry.itsChanged) return;
        items.push_back({BigEndianWord(entry.Key()), BigEndianWord(entry.Key() + 8), &entry});
    });
    auto before = [](const TChangedRecord& a, const TChangedRecord& b) {
        if (a.itsHigh != b.itsHigh) return a.itsHigh < b.itsHigh;
        if (a.itsLow != b.itsLow) return a.itsLow < b.itsLow;
        return std::memcmp(a.itsEntry->Key() + 16, b.itsEntry->Key() + 16, kPositionKeyLength - 16) < 0;
    };
    // A large pass sorts its halves side by side and merges them.
    constexpr size_t kSortAlone = 65536;
    auto middle = items.begin() + static_cast<std::ptrdiff_t>(items.size() / 2);
    bool together = items.size() >= kSortAlone && std::thread::hardware_concurrency() > 1;
    if (together) {
        try {
            std::thread first([&] { std::sort(items.begin(), middle, before); });
            std::sort(middle, items.end(), before);
            first.join();
        } catch (const std::system_error&) {
            together = false; // no thread to be had: the plain sort below does it all
        }
    }
    if (together)
        std::inplace_merge(items.begin(), middle, items.end(), before);
    else
        std::sort(items.begin(), items.end(), before);
    return items;
}

void TRecordCache::AddPresentKeysTo(TKeyFilter& filter) {
    ForEachEntry([&](const TCachedRecord& entry) {
        if (entry.itsPresent) filter.Add(entry.Key());
    });
}

size_t TRecordCache::MemoryUsed() const {
    // What the entries and their records take, and the whole slot table: keys land all over it,
    // so it is soon in memory whole.
    return itsArenaBytes + itsSlotCount * sizeof(TSlot);
}

void TRecordCache::Clear() {
    itsSlots = TPageMemory();
    itsSlotCount = 0;
    itsBlocks.clear();
    itsBlockFill.clear();
    itsCount = 0;
    itsArenaBytes = itsChangedCount = 0;
    itsLastAllocation = nullptr;
    itsWaitingCount = itsWaitingFirst = 0;
}

} // namespace marvek
