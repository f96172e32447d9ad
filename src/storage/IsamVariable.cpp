// Variable-length records: a chain of slots of an ordinary data file. The first section holds the
// record's first L - 6 bytes, each continuation section a marker byte 1 and L - 7 more bytes;
// both end with a u16 byte count and an i32 link to the next continuation (0 at the end).

#include "storage/IsamEngine.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_set>

namespace marvek {

using namespace isam;

namespace {

std::vector<uint8_t>& Section() {
    return IsamState().itsSectionBuffer;
}

int SlotBytes(const IsamDatabase* db) {
    return db->itsData.itsSlotBytes;
}

// The longest chain a record of at most 65535 bytes can have; a longer one is damaged.
int MaxSections(const IsamDatabase* db) {
    return 65535 / (SlotBytes(db) - 7) + 2;
}

bool PrepareSection(const IsamDatabase* db) {
    if (!BTGrowSectionBuffer(static_cast<uint16_t>(std::min(SlotBytes(db), 65535))))
        return Fail(kNoSectionBuffer);
    return true;
}

void FillSection(const IsamDatabase* db, bool continuation, const uint8_t* bytes, int count, int32_t link) {
    int l = SlotBytes(db);
    uint8_t* s = Section().data();
    std::memset(s, 0, static_cast<size_t>(l));
    int at = continuation ? 1 : 0;
    if (continuation) s[0] = 1;
    if (count > 0) std::memcpy(s + at, bytes, static_cast<size_t>(count));
    PutU16(s + l - 6, static_cast<uint16_t>(count));
    PutI32(s + l - 4, link);
}

// Notices a chain that comes back to one of its own sections: it is damaged, not long.
class TChainGuard {
public:
    explicit TChainGuard(int32_t first) { itsSeen.push_back(first); }
    bool SeenBefore(int32_t slot) {
        if (itsSeen.size() < 32) {
            if (std::find(itsSeen.begin(), itsSeen.end(), slot) != itsSeen.end()) return true;
            itsSeen.push_back(slot);
            if (itsSeen.size() == 32) itsMany.insert(itsSeen.begin(), itsSeen.end());
            return false;
        }
        return !itsMany.insert(slot).second;
    }

private:
    std::vector<int32_t> itsSeen;
    std::unordered_set<int32_t> itsMany;
};

// Keeps the first failure of a call while cleaning up after it.
class TSavedResult {
public:
    TSavedResult() : itsOK(IsamOK()), itsError(IsamError()), itsOsError(IsamOsError()) {}
    ~TSavedResult() {
        TIsamState& s = IsamState();
        s.itsOK = itsOK;
        s.itsError = itsError;
        s.itsOsError = itsOsError;
    }

private:
    bool itsOK;
    int itsError;
    int itsOsError;
};

void FreeSections(IsamDatabase* db, const std::vector<int32_t>& slots) {
    TSavedResult keep;
    for (auto it = slots.rbegin(); it != slots.rend(); ++it) DeleteRecord(db, *it);
}

// Writes the continuation sections for the bytes after the first section, last chunk first, so
// each takes the next slot from the free chain. link receives the first continuation's slot.
bool WriteContinuations(IsamDatabase* db, const uint8_t* rest, int m, int32_t& link,
                        std::vector<int32_t>& written) {
    link = 0;
    if (m <= 0) return true;
    int chunk = SlotBytes(db) - 7;
    int k = (m + chunk - 1) / chunk;
    for (int j = k - 1; j >= 0; --j) {
        int count = j == k - 1 ? m - (k - 1) * chunk : chunk;
        FillSection(db, true, rest + j * chunk, count, link);
        RecRef slot = AddRecord(db, Section().data());
        if (!IsamOK()) {
            if (!db->itsJournaled) FreeSections(db, written);
            written.clear();
            return false;
        }
        written.push_back(slot);
        link = slot;
    }
    return true;
}

// With no free slot to reuse, the sections would take consecutive new slots one by one, last
// chunk first; they are laid out the same way here and written with a single write.
RecRef AppendChain(IsamDatabase* db, const uint8_t* bytes, int length) {
    int l = SlotBytes(db);
    int firstBytes = l - 6;
    int chunk = l - 7;
    int rest = length - firstBytes;
    int k = rest > 0 ? (rest + chunk - 1) / chunk : 0;
    int32_t base = db->itsData.itsHighSlot + 1;
    if (base > INT32_MAX - k) return Fail(kIoError), 0;
    static std::vector<uint8_t> block;
    try {
        block.assign(static_cast<size_t>(k + 1) * static_cast<size_t>(l), 0);
    } catch (const std::bad_alloc&) {
        return Fail(kNoSectionBuffer), 0;
    }
    for (int j = 0; j < k; ++j) {
        int32_t slot = base + (k - 1 - j);
        uint8_t* section = block.data() + static_cast<size_t>(slot - base) * static_cast<size_t>(l);
        int count = j == k - 1 ? rest - j * chunk : chunk;
        section[0] = 1;
        std::memcpy(section + 1, bytes + firstBytes + j * chunk, static_cast<size_t>(count));
        PutU16(section + l - 6, static_cast<uint16_t>(count));
        PutI32(section + l - 4, j == k - 1 ? 0 : slot - 1);
    }
    uint8_t* first = block.data() + static_cast<size_t>(k) * static_cast<size_t>(l);
    int firstCount = std::min(length, firstBytes);
    if (firstCount > 0) std::memcpy(first, bytes, static_cast<size_t>(firstCount));
    PutU16(first + l - 6, static_cast<uint16_t>(firstCount));
    PutI32(first + l - 4, k > 0 ? base + k - 1 : 0);
    if (!WriteExact(db, db->itsDataFile, static_cast<int64_t>(base) * l, block.data(), block.size()))
        return 0;
    db->itsData.itsHighSlot = base + k;
    db->itsDataHeaderChanged = true;
    return base + k;
}

// Follows a chain from its first section's link and frees every continuation that really is
// one; a link into anything else stops the walk rather than free another record's slot.
bool FreeChain(IsamDatabase* db, RecRef ref, int32_t link) {
    int l = SlotBytes(db);
    std::vector<uint8_t> section(static_cast<size_t>(l));
    TChainGuard guard(ref);
    for (int n = 0; link != 0 && n < MaxSections(db); ++n) {
        if (link < 1 || link > db->itsData.itsHighSlot || guard.SeenBefore(link)) return true;
        if (!ReadRecord(db, link, section.data())) return false;
        if (section[0] != 1) return true;
        int32_t next = GetI32(section.data() + l - 4);
        if (!DeleteRecord(db, link)) return false;
        link = next;
    }
    return true;
}

} // namespace

bool BTReserveSectionBuffer(uint16_t size) {
    try {
        Section().assign(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool BTGrowSectionBuffer(uint16_t size) {
    if (Section().size() >= size) return true;
    return BTReserveSectionBuffer(size);
}

void BTFreeSectionBuffer() {
    std::vector<uint8_t>().swap(Section());
}

RecRef BTAddVariableRec(IsamDatabase* db, const void* record, uint16_t length) {
    BeginCall();
    if (!CheckHandle(db, true) || !PrepareSection(db)) return 0;
    // In journaled mode the whole chain is one operation, so a failure leaves no sections behind.
    TOperation op(db, kAddRecUndone);
    if (!op.Started()) return 0;
    const auto* bytes = static_cast<const uint8_t*>(record);
    if (!db->itsJournaled && db->itsData.itsFreeHead == -1) {
        RecRef ref = AppendChain(db, bytes, length);
        return op.Finish(ref != 0) ? ref : 0;
    }
    int firstBytes = SlotBytes(db) - 6;
    int32_t link = 0;
    std::vector<int32_t> written;
    if (!WriteContinuations(db, bytes + firstBytes, length - firstBytes, link, written))
        return op.Finish(false), 0;
    FillSection(db, false, bytes, std::min<int>(length, firstBytes), link);
    RecRef ref = AddRecord(db, Section().data());
    if (!IsamOK()) {
        if (!db->itsJournaled) FreeSections(db, written);
        return op.Finish(false), 0;
    }
    return op.Finish(true) ? ref : 0;
}

uint16_t BTGetVariableRec(IsamDatabase* db, RecRef ref, void* record, uint16_t capacity) {
    BeginCall();
    if (!CheckHandle(db, false) || !PrepareSection(db)) return 0;
    auto* out = static_cast<uint8_t*>(record);
    int l = SlotBytes(db);
    int room = std::min<int>(capacity, kMaxVariableRead);
    uint8_t* s = Section().data();
    // Sections written together lie just below the first one: one read brings in the first
    // section and up to seven before it.
    static std::vector<uint8_t> window;
    // A damaged index can hand over any reference; only a slot of the file has slots below it.
    bool windowed = ref >= 1 && ref <= db->itsData.itsHighSlot;
    int32_t low = windowed ? std::max(1, ref - 7) : ref;
    if (windowed) {
        window.resize(static_cast<size_t>(ref - low + 1) * static_cast<size_t>(l));
        windowed = ReadDataQuietly(db, static_cast<int64_t>(low) * l, window.data(), window.size());
    }
    auto sectionAt = [&](int32_t slot) -> const uint8_t* {
        if (windowed && slot >= low && slot <= ref)
            return window.data() + static_cast<size_t>(slot - low) * static_cast<size_t>(l);
        return ReadRecord(db, slot, s) ? s : nullptr;
    };
    const uint8_t* section = sectionAt(ref);
    if (section == nullptr) return 0;
    int count = GetU16(section + l - 6);
    if (count > l - 6) return Fail(kVariableReadFailed), 0;
    int done = std::min(count, room);
    std::memcpy(out, section, static_cast<size_t>(done));
    int32_t link = GetI32(section + l - 4);
    TChainGuard guard(ref);
    for (int n = 0; link != 0 && done < room; ++n) {
        if (guard.SeenBefore(link) || n >= MaxSections(db))
            return Fail(kVariableReadFailed), static_cast<uint16_t>(done);
        section = sectionAt(link);
        if (section == nullptr) return static_cast<uint16_t>(done);
        count = GetU16(section + l - 6);
        if (section[0] != 1 || count > l - 7) return Fail(kVariableReadFailed), static_cast<uint16_t>(done);
        int take = std::min(count, room - done);
        std::memcpy(out + done, section + 1, static_cast<size_t>(take));
        done += take;
        link = GetI32(section + l - 4);
    }
    return static_cast<uint16_t>(done);
}

void BTPutVariableRec(IsamDatabase* db, RecRef ref, const void* record, uint16_t length) {
    BeginCall();
    if (!CheckHandle(db, true) || !PrepareSection(db)) return;
    if (ref == 0) {
        Fail(kPutRecZero);
        return;
    }
    int l = SlotBytes(db);
    std::vector<uint8_t> old(static_cast<size_t>(l));
    if (!ReadRecord(db, ref, old.data())) return;
    int32_t oldLink = GetI32(old.data() + l - 4);

    const auto* bytes = static_cast<const uint8_t*>(record);
    int firstBytes = l - 6;
    int32_t link = 0;
    std::vector<int32_t> written;
    if (!WriteContinuations(db, bytes + firstBytes, length - firstBytes, link, written)) return;
    // The first section changes before the old chain is freed, so a failure in between leaves a
    // complete record (old or new) and at worst some unlinked sections for a rebuild to reclaim.
    FillSection(db, false, bytes, std::min<int>(length, firstBytes), link);
    if (!WriteRecord(db, ref, Section().data())) {
        FreeSections(db, written);
        return;
    }
    FreeChain(db, ref, oldLink);
}

void BTRemoveVariableRec(IsamDatabase* db, RecRef ref) {
    BeginCall();
    if (!CheckHandle(db, true) || !PrepareSection(db)) return;
    int l = SlotBytes(db);
    std::vector<uint8_t> first(static_cast<size_t>(l));
    if (ref < 1 || ref > db->itsData.itsHighSlot) {
        Fail(kDeleteRecRange);
        return;
    }
    if (!ReadRecord(db, ref, first.data())) return;
    int32_t link = GetI32(first.data() + l - 4);
    if (!DeleteRecord(db, ref)) return;
    FreeChain(db, ref, link);
}

} // namespace marvek
