// The page cache shared by every key index of every open database: a ring of unpacked pages
// ordered from least to most recently used, with changed pages written when their buffer is
// reused (or at close, or at the end of a journaled operation).

#include "storage/IsamEngine.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace marvek::isam {

namespace {

// The links that point at a buffer from either side: its neighbour's, or the ring's end when it
// has no neighbour there (-1).
int& NextLinkAfter(TIsamState& s, int prev) {
    return prev >= 0 ? s.itsBuffers[static_cast<size_t>(prev)].itsNext : s.itsHead;
}
int& PrevLinkBefore(TIsamState& s, int next) {
    return next >= 0 ? s.itsBuffers[static_cast<size_t>(next)].itsPrev : s.itsTail;
}

void Unlink(TIsamState& s, int i) {
    TPageBuffer& b = s.itsBuffers[static_cast<size_t>(i)];
    NextLinkAfter(s, b.itsPrev) = b.itsNext;
    PrevLinkBefore(s, b.itsNext) = b.itsPrev;
    b.itsPrev = b.itsNext = -1;
}

// Links an unlinked buffer in between prev and next.
void LinkBetween(TIsamState& s, int i, int prev, int next) {
    TPageBuffer& b = s.itsBuffers[static_cast<size_t>(i)];
    b.itsPrev = prev;
    b.itsNext = next;
    NextLinkAfter(s, prev) = i;
    PrevLinkBefore(s, next) = i;
}

void PushMostRecent(TIsamState& s, int i) {
    LinkBetween(s, i, s.itsTail, -1);
}

void PushLeastRecent(TIsamState& s, int i) {
    LinkBetween(s, i, -1, s.itsHead);
}

// Gives a buffer up: no owner, reused first.
void Disown(TIsamState& s, int i) {
    TPageBuffer& b = s.itsBuffers[static_cast<size_t>(i)];
    if (b.itsOwner != nullptr) s.itsPageMap.erase(TPageId{b.itsOwner, b.itsKeyNr, b.itsPageNr});
    b.itsOwner = nullptr;
    b.itsChanged = false;
    Unlink(s, i);
    PushLeastRecent(s, i);
}

bool WriteBuffer(TIsamState& s, int i) {
    TPageBuffer& b = s.itsBuffers[static_cast<size_t>(i)];
    IsamDatabase* db = b.itsOwner;
    if (db->itsJournaled && JournalHasPage(db, b.itsKeyNr, b.itsPageNr) && !FlushJournal(db)) return false;
    static uint8_t packed[6 + kPageCapacity * (kMaxKeyLength + 9)];
    const TKeyDesc& key = db->itsKeys[static_cast<size_t>(b.itsKeyNr)];
    size_t used = 0;
    PackPage(b.itsPage, key.itsKeyLength, packed, &used);
    // The whole page goes, its unused end as zeros: pages next to each other in the file then
    // make one run of bytes, and the writes of a pass in order can be gathered.
    const auto pageBytes = static_cast<size_t>(std::max(key.itsHeader.itsPageBytes, 0));
    if (used < pageBytes && pageBytes <= sizeof packed) {
        std::memset(packed + used, 0, pageBytes - used);
        used = pageBytes;
    }
    if (!WriteExact(db, db->itsIndexFile, PageOffset(db, b.itsKeyNr, b.itsPageNr), packed, used))
        return false;
    b.itsChanged = false;
    return true;
}

// The least recently used buffer nobody holds, written back first when changed.
bool TakeVictim(TIsamState& s, int& victim) {
    for (int i = s.itsHead; i >= 0; i = s.itsBuffers[static_cast<size_t>(i)].itsNext) {
        TPageBuffer& b = s.itsBuffers[static_cast<size_t>(i)];
        if (b.itsPins > 0) continue;
        if (b.itsOwner != nullptr && b.itsChanged && !WriteBuffer(s, i)) return false;
        if (b.itsOwner != nullptr) s.itsPageMap.erase(TPageId{b.itsOwner, b.itsKeyNr, b.itsPageNr});
        b.itsOwner = nullptr;
        b.itsChanged = false;
        victim = i;
        return true;
    }
    return Fail(kNoPageBuffers);
}

void Claim(TIsamState& s, int i, IsamDatabase* db, int keyNr, int32_t pageNr) {
    TPageBuffer& b = s.itsBuffers[static_cast<size_t>(i)];
    b.itsOwner = db;
    b.itsKeyNr = keyNr;
    b.itsPageNr = pageNr;
    s.itsPageMap[TPageId{db, keyNr, pageNr}] = i;
    Unlink(s, i);
    PushMostRecent(s, i);
}

} // namespace

bool AllocateBuffers(int count) {
    TIsamState& s = IsamState();
    s.itsBuffers.clear();
    s.itsPageMap.clear();
    while (count >= kMinPageBuffers) {
        try {
            s.itsBuffers.resize(static_cast<size_t>(count));
            s.itsPageMap.reserve(static_cast<size_t>(count) * 2);
            break;
        } catch (const std::bad_alloc&) {
            s.itsBuffers.clear();
            count /= 2;
        }
    }
    if (s.itsBuffers.size() < static_cast<size_t>(kMinPageBuffers)) return false;
    s.itsHead = s.itsTail = -1;
    for (int i = 0; i < static_cast<int>(s.itsBuffers.size()); ++i) PushMostRecent(s, i);
    return true;
}

void FreeBuffers() {
    TIsamState& s = IsamState();
    std::vector<TPageBuffer>().swap(s.itsBuffers);
    s.itsPageMap.clear();
    s.itsHead = s.itsTail = -1;
}

void PackPage(const TPage& page, int keyLength, uint8_t* out, size_t* used) {
    PutU16(out, page.itsCount);
    PutI32(out + 2, page.itsLeft);
    uint8_t* p = out + 6;
    for (int i = 0; i < page.itsCount; ++i) {
        const TPageEntry& entry = page.Entry(i);
        PutI32(p, entry.itsRef);
        PutI32(p + 4, entry.itsRight);
        std::memcpy(p + 8, entry.itsKey.data(), static_cast<size_t>(keyLength) + 1);
        p += keyLength + 9;
    }
    *used = static_cast<size_t>(p - out);
}

bool UnpackPage(const uint8_t* in, size_t size, int keyLength, TPage& page) {
    if (size < 6) return false;
    uint16_t count = GetU16(in);
    if (count > kPageCapacity) return false;
    if (6 + static_cast<size_t>(count) * static_cast<size_t>(keyLength + 9) > size) return false;
    page.itsCount = count;
    page.itsLeft = GetI32(in + 2);
    const uint8_t* p = in + 6;
    for (int i = 0; i < count; ++i) {
        TPageEntry& entry = page.Entry(i);
        entry.itsRef = GetI32(p);
        entry.itsRight = GetI32(p + 4);
        if (p[8] > keyLength) return false;
        // The whole key field, as on disk: bytes past the key's length mean nothing but are
        // written back as they were.
        std::memcpy(entry.itsKey.data(), p + 8, static_cast<size_t>(keyLength) + 1);
        p += keyLength + 9;
    }
    return true;
}

TPageRef::TPageRef(int index) : itsIndex(index) {
    ++IsamState().itsBuffers[static_cast<size_t>(index)].itsPins;
}

TPageRef::~TPageRef() {
    Release();
}

TPageRef::TPageRef(TPageRef&& other) noexcept : itsIndex(other.itsIndex) {
    other.itsIndex = -1;
}

TPageRef& TPageRef::operator=(TPageRef&& other) noexcept {
    if (this != &other) {
        Release();
        itsIndex = other.itsIndex;
        other.itsIndex = -1;
    }
    return *this;
}

TPage& TPageRef::operator*() const {
    return IsamState().itsBuffers[static_cast<size_t>(itsIndex)].itsPage;
}

int32_t TPageRef::PageNr() const {
    return IsamState().itsBuffers[static_cast<size_t>(itsIndex)].itsPageNr;
}

void TPageRef::Release() {
    if (itsIndex >= 0) {
        --IsamState().itsBuffers[static_cast<size_t>(itsIndex)].itsPins;
        itsIndex = -1;
    }
}

bool FetchPage(IsamDatabase* db, int keyNr, int32_t pageNr, TPageRef& ref) {
    TIsamState& s = IsamState();
    ref.Release();
    const TKeyDesc& key = db->itsKeys[static_cast<size_t>(keyNr)];
    // A child link outside the pages handed out can only come from a damaged index.
    if (pageNr < 1 || pageNr > key.itsHeader.itsPageCount) return Fail(kRebuildNeeded);
    auto found = s.itsPageMap.find(TPageId{db, keyNr, pageNr});
    if (found != s.itsPageMap.end()) {
        int i = found->second;
        if (i != s.itsTail) {
            Unlink(s, i);
            PushMostRecent(s, i);
        }
        ref = TPageRef(i);
        return true;
    }
    int victim = -1;
    if (!TakeVictim(s, victim)) return false;
    static uint8_t raw[6 + kPageCapacity * (kMaxKeyLength + 9) + 64];
    size_t bytes = static_cast<size_t>(key.itsHeader.itsPageBytes);
    if (bytes > sizeof raw) bytes = sizeof raw;
    TPageBuffer& b = s.itsBuffers[static_cast<size_t>(victim)];
    if (!ReadExact(db, db->itsIndexFile, PageOffset(db, keyNr, pageNr), raw, bytes)) {
        Disown(s, victim);
        return false;
    }
    if (!UnpackPage(raw, bytes, key.itsKeyLength, b.itsPage)) {
        Disown(s, victim);
        return Fail(kRebuildNeeded);
    }
    b.itsChanged = false;
    Claim(s, victim, db, keyNr, pageNr);
    ref = TPageRef(victim);
    return true;
}

bool NewPageBuffer(IsamDatabase* db, int keyNr, int32_t pageNr, TPageRef& ref) {
    TIsamState& s = IsamState();
    ref.Release();
    // A page number can come back from the free chain while a stale copy is still cached.
    auto found = s.itsPageMap.find(TPageId{db, keyNr, pageNr});
    if (found != s.itsPageMap.end()) Disown(s, found->second);
    int victim = -1;
    if (!TakeVictim(s, victim)) return false;
    TPageBuffer& b = s.itsBuffers[static_cast<size_t>(victim)];
    b.itsPage.itsCount = 0;
    b.itsPage.itsLeft = 0;
    b.itsChanged = true;
    Claim(s, victim, db, keyNr, pageNr);
    JournalNewPage(db, keyNr, pageNr);
    ref = TPageRef(victim);
    return true;
}

bool TouchPage(IsamDatabase* db, int keyNr, const TPageRef& ref) {
    TPageBuffer& buffer = IsamState().itsBuffers[static_cast<size_t>(ref.Index())];
    if (db->itsJournaled && !JournalPage(db, keyNr, buffer.itsPageNr, buffer.itsPage)) return false;
    buffer.itsChanged = true;
    ++db->itsKeys[static_cast<size_t>(keyNr)].itsChanges;
    return true;
}

void ForgetPage(IsamDatabase* db, int keyNr, int32_t pageNr) {
    TIsamState& s = IsamState();
    auto found = s.itsPageMap.find(TPageId{db, keyNr, pageNr});
    if (found != s.itsPageMap.end()) Disown(s, found->second);
}

bool WriteChangedPages(IsamDatabase* db, bool release) {
    TIsamState& s = IsamState();
    for (int i = 0; i < static_cast<int>(s.itsBuffers.size()); ++i) {
        TPageBuffer& b = s.itsBuffers[static_cast<size_t>(i)];
        if (b.itsOwner != db) continue;
        if (b.itsChanged && !WriteBuffer(s, i)) return false;
        if (release) Disown(s, i);
    }
    return true;
}

void DropPages(IsamDatabase* db, int keyNr) {
    TIsamState& s = IsamState();
    for (int i = 0; i < static_cast<int>(s.itsBuffers.size()); ++i) {
        TPageBuffer& b = s.itsBuffers[static_cast<size_t>(i)];
        if (b.itsOwner == db && (keyNr == 0 || b.itsKeyNr == keyNr)) Disown(s, i);
    }
}

} // namespace marvek::isam
