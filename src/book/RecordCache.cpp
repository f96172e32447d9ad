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
// Slot tables from this size on ask for large pages. Only the slot table is read at random often
// enough to repay the kernel's work of clearing and gathering them; entries and records are
// fetched in order or ahead of use.
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

TRecordCache::TRecordCache() = default;
TRecordCache::~TRecordCache() = default;

void TRecordCache::Prefetch(const TIsamKey& key) const {
    if (itsSlotCount == 0) return;
    __builtin_prefetch(&Slots()[HashOf(KeyBytes(key)) & (itsSlotCount - 1)]);
}

TCachedRecord* TRecordCache::Find(const TIsamKey& key) {
    if (itsCount == 0) return nullptr;
    const uint8_t* bytes = KeyBytes(key);
    auto mark = uint32_t(HashOf(bytes));
    size_t mask = itsSlotCount - 1;
    for (size_t i = mark & mask;; i = (i + 1) & mask) {
        const TSlot& slot = Slots()[i];
        if (slot.itsEntry == 0) return nullptr;
        if (slot.itsHash == mark) {
            TCachedRecord& entry = Entry(slot.itsEntry - 1);
            if (std::memcmp(entry.Key(), bytes, kPositionKeyLength) == 0) return &entry;
        }
    }
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
    for (const TPageMemory& chunk : itsChunks) held += chunk.Size();
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
    // Chunk memory is taken from the system as entries come, not all at once.
    if ((itsCount & (kChunkEntries - 1)) == 0)
        itsChunks.push_back(Reserve(kChunkEntries * sizeof(TCachedRecord), false));
    const uint8_t* bytes = KeyBytes(key);
    uint32_t n = itsCount++;
    TCachedRecord& entry = *new (&Entry(n)) TCachedRecord();
    entry.itsBytes = Allocate(kStubBytes);
    std::memset(entry.itsBytes, 0, TCachedRecord::kKeyOffset);
    std::memcpy(entry.itsBytes + TCachedRecord::kKeyOffset, bytes, kPositionKeyLength);
    auto mark = uint32_t(HashOf(bytes));
    size_t mask = itsSlotCount - 1;
    size_t i = mark & mask;
    while (Slots()[i].itsEntry != 0) i = (i + 1) & mask;
    Slots()[i] = TSlot{n + 1, mark};
    return entry;
}

uint8_t* TRecordCache::Allocate(size_t length) {
    if (itsBlocks.empty() || itsBlockUsed + length > kBlockBytes) {
        itsBlocks.push_back(Reserve(kBlockBytes, false));
        itsBlockUsed = 0;
    }
    uint8_t* bytes = static_cast<uint8_t*>(itsBlocks.back().Get()) + itsBlockUsed;
    size_t rounded = (length + 7) & ~size_t(7);
    itsBlockUsed += rounded;
    itsArenaBytes += rounded;
    itsLastAllocation = bytes;
    itsLastRounded = rounded;
    return bytes;
}

bool TRecordCache::Extend(uint8_t* bytes, size_t length) {
    if (bytes != itsLastAllocation) return false;
    size_t rounded = (length + 7) & ~size_t(7);
    size_t start = itsBlockUsed - itsLastRounded;
    if (rounded <= itsLastRounded || start + rounded > kBlockBytes) return rounded <= itsLastRounded;
    itsBlockUsed = start + rounded;
    itsArenaBytes += rounded - itsLastRounded;
    itsLastRounded = rounded;
    return true;
}

void TRecordCache::SetBytes(TCachedRecord& entry, const uint8_t* bytes, size_t length, bool written) {
    MARVEK_ASSERT(length <= UINT16_MAX);
    // The key stays where it is whatever the bytes say there: it is what the entry is found by.
    std::array<uint8_t, kPositionKeyLength> key;
    std::memcpy(key.data(), entry.Key(), kPositionKeyLength);
    if (length > entry.itsCapacity) {
        // Most records read are never written: room to spare in each would take a good part of
        // the memory of a whole book.
        size_t room =
            std::max(kStubBytes, written ? std::min<size_t>(UINT16_MAX, length + length / 4) : length);
        // A record read or first written straight after its entry was made takes the stub's place.
        if (!Extend(entry.itsBytes, room)) entry.itsBytes = Allocate(room);
        entry.itsCapacity = uint16_t(room);
    }
    std::memcpy(entry.itsBytes, bytes, length);
    std::memcpy(entry.itsBytes + TCachedRecord::kKeyOffset, key.data(), kPositionKeyLength);
    entry.itsLength = uint16_t(length);
    entry.itsLoaded = true;
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
    for (uint32_t n = 0; n < itsCount; ++n) {
        TCachedRecord& entry = Entry(n);
        if (!entry.itsChanged) continue;
        TChangedRecord& item = items.emplace_back();
        item.itsHigh = BigEndianWord(entry.Key());
        item.itsLow = BigEndianWord(entry.Key() + 8);
        item.itsBytes = entry.itsBytes;
        item.itsEntry = &entry;
        item.itsRef = entry.itsRef;
        item.itsLength = entry.itsLength;
        item.itsFile = entry.itsFile;
    }
    auto before = [](const TChangedRecord& a, const TChangedRecord& b) {
        if (a.itsHigh != b.itsHigh) return a.itsHigh < b.itsHigh;
        if (a.itsLow != b.itsLow) return a.itsLow < b.itsLow;
        return std::memcmp(a.itsBytes + TCachedRecord::kKeyOffset + 16,
                           b.itsBytes + TCachedRecord::kKeyOffset + 16, kPositionKeyLength - 16) < 0;
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
    for (uint32_t n = 0; n < itsCount; ++n) {
        const TCachedRecord& entry = Entry(n);
        if (entry.itsPresent) filter.Add(entry.Key());
    }
}

size_t TRecordCache::MemoryUsed() const {
    // What the records and entries take, and the whole slot table: keys land all over it, so it
    // is soon in memory whole.
    return itsArenaBytes + itsCount * sizeof(TCachedRecord) + itsSlotCount * sizeof(TSlot);
}

void TRecordCache::Clear() {
    itsSlots = TPageMemory();
    itsSlotCount = 0;
    itsChunks.clear();
    itsBlocks.clear();
    itsCount = 0;
    itsBlockUsed = itsArenaBytes = itsChangedCount = 0;
    itsLastAllocation = nullptr;
    itsLastRounded = 0;
}

} // namespace marvek
