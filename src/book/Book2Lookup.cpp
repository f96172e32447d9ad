// Position lookup: the canonical key, the probe through the position files, the records a bulk
// update keeps, and the summary of a position's record that book windows show beside each
// candidate.

#include "book/Book2.h"

#include "app/MessageNumbers.h"
#include "app/UserInterface.h"
#include "book/KeyFilter.h"
#include "book/PositionRecord.h"
#include "book/RecordCache.h"
#include "platform/Errors.h"
#include "storage/IsamErrors.h"

#include <algorithm>
#include <cstring>

namespace marvek {

const TIsamKey& TBook2::KeyOf(const TPackedPosition& position, TCanonicalTransform& transform) {
    if (!itsHaveLastKey || !(itsLastPosition == position)) {
        itsLastKey = PositionKey(position, &itsLastTransform);
        itsLastPosition = position;
        itsHaveLastKey = true;
        itsBulk.itsLastEntry = nullptr;
    }
    transform = itsLastTransform;
    return itsLastKey;
}

bool TBook2::ProbeFiles(const TIsamKey& key, int probeMessage, int& file, RecRef& ref) {
    for (int k = 0; k < itsFileCount; ++k) {
        ref = BTFindKey(itsPositions[static_cast<size_t>(k)], 1, key);
        if (IsamOK()) {
            file = k;
            return true;
        }
        if (IsamError() != kIsamKeyNotFound) {
            if (probeMessage != 0) ShowInformation(0, probeMessage);
            return false;
        }
    }
    return false;
}

bool TBook2::FindPosition(const TPackedPosition& position, int probeMessage, int& file, RecRef& ref,
                          TCanonicalTransform& transform) {
    return ProbeFiles(KeyOf(position, transform), probeMessage, file, ref);
}

TCachedRecord* TBook2::CachedRecord(const TPackedPosition& position, int probeMessage,
                                    TCanonicalTransform& transform) {
    const TIsamKey& key = KeyOf(position, transform);
    if (itsBulk.itsLastEntry != nullptr) return itsBulk.itsLastEntry;
    if (TCachedRecord* entry = itsBulk.itsCache->Find(key)) return itsBulk.itsLastEntry = entry;
    if (itsBulk.itsFiltered && !itsBulk.itsFilter->MayHold(key.data() + 1)) {
        TCachedRecord& entry = itsBulk.itsCache->Add(key);
        return itsBulk.itsLastEntry = &entry; // certainly new to the book
    }
    // Probing at random is slow once the book is large: an import that will probe a good part of
    // the book reads all of it in order instead, and after that needs no probes at all. Whether
    // that pays is asked at the first probe when the caller said what is to come, and at 256
    // probes, 512, 1024 and so on.
    constexpr int64_t kFewProbes = 256;
    if (!itsBulk.itsComplete && !itsBulk.itsWholeBookTried) {
        int64_t probes = ++itsBulk.itsProbes;
        bool ask = probes == 1 ? itsBulk.itsExpectedLookups > 0
                               : probes >= kFewProbes && (probes & (probes - 1)) == 0;
        if (ask && WholeBookPays()) {
            LoadWholeBook();
            if (TCachedRecord* entry = itsBulk.itsCache->Find(key)) return itsBulk.itsLastEntry = entry;
        }
    }
    int file = 0;
    RecRef ref = 0;
    bool found = false;
    if (!itsBulk.itsComplete) {
        found = ProbeFiles(key, probeMessage, file, ref);
        if (!found && IsamError() != kIsamKeyNotFound) return nullptr;
    }
    TCachedRecord& entry = itsBulk.itsCache->Add(key);
    entry.itsPresent = found;
    entry.itsFile = static_cast<int8_t>(found ? file : -1);
    entry.itsRef = found ? ref : 0;
    return itsBulk.itsLastEntry = &entry;
}

int64_t TBook2::KeysInFiles() {
    int64_t count = 0;
    for (int k = 0; k < itsFileCount; ++k) count += BTKeyEntryCount(itsPositions[static_cast<size_t>(k)], 1);
    return count;
}

bool TBook2::WholeBookPays() {
    // A probe at random costs about four times what reading one record in order does (measured
    // on a book of seven million positions, whose index is in the system's file cache): reading
    // the book pays once the probes still to come outnumber a quarter of its positions. Those to
    // come are the ones the caller expects, or, past them or without them, as many again as so
    // far. A small import into a big book thus probes, and an import of a big file reads.
    constexpr int64_t kProbeCostInReads = 4;
    // With the book's keys in the filter, only positions the book may have are probed for.
    if (itsBulk.itsFiltered) return false;
    int64_t expected = static_cast<int64_t>(itsBulk.itsExpectedLookups);
    int64_t ahead = std::max(expected - itsBulk.itsProbes, itsBulk.itsProbes);
    return ahead * kProbeCostInReads >= KeysInFiles();
}

void TBook2::LoadWholeBook() {
    itsBulk.itsWholeBookTried = true;
    // What a record takes in the cache, with room to spare.
    constexpr int64_t kBytesPerRecord = 200;
    if (KeysInFiles() * kBytesPerRecord > static_cast<int64_t>(itsBulk.itsBudget / 2)) return;
    // Records were written in key order, so the walk reads each data file from start to end, a
    // megabyte at a time. Whatever way the walk ends, reading ahead stops.
    struct TReadingAhead {
        TBook2& itsBook;
        ~TReadingAhead() {
            for (int k = 0; k < itsBook.itsFileCount; ++k)
                BTSetReadAhead(itsBook.itsPositions[static_cast<size_t>(k)], 0);
        }
    } readingAhead{*this};
    constexpr size_t kReadAheadBytes = size_t(1) << 20;
    // The keys of one file differ (a damaged index may repeat one, next to itself): only keys
    // kept already, or met in an earlier file, are passed over.
    const bool fresh = itsBulk.itsCache->Size() == 0;
    for (int k = 0; k < itsFileCount; ++k) {
        IsamDatabase* db = itsPositions[static_cast<size_t>(k)];
        BTSetReadAhead(db, kReadAheadBytes);
        BTResetCursor(db, 1);
        TIsamKey key{}, previous{};
        RecRef ref = 0;
        for (;;) {
            BTNextEntry(db, 1, key, ref);
            if (!IsamOK()) {
                if (IsamError() == isam::kNoNextEntry) break;
                return; // a damaged index: probes go on finding what they can
            }
            // A key of another length is no position; the first file holding a key has it.
            if (key[0] != kPositionKeyLength) continue;
            if ((k > 0 || !fresh || key == previous) && itsBulk.itsCache->Find(key) != nullptr) continue;
            previous = key;
            TCachedRecord& entry = itsBulk.itsCache->Add(key);
            entry.itsPresent = true;
            entry.itsFile = static_cast<int8_t>(k);
            entry.itsRef = ref;
            // One that cannot be read is read again, with its message, when it is asked for.
            uint16_t length =
                BTGetVariableRec(db, ref, itsRecord.data(), static_cast<uint16_t>(itsRecord.size()));
            if (IsamOK()) itsBulk.itsCache->SetBytes(entry, itsRecord.data(), length);
        }
    }
    itsBulk.itsComplete = true;
}

bool TBook2::WantsLookAhead() {
    if (itsBulk.itsCache == nullptr) return false;
    if (!itsBulk.itsComplete && !itsBulk.itsWholeBookTried && itsBulk.itsExpectedLookups > 0 &&
        WholeBookPays())
        LoadWholeBook();
    return !itsBulk.itsComplete;
}

bool TBook2::LookUpAhead(std::vector<TIsamKey>& keys) {
    if (itsBulk.itsCache == nullptr || itsBulk.itsComplete) return false;
    KeepCacheInBudget();
    TRecordCache& cache = *itsBulk.itsCache;
    // What the cache knows, or the filter rules out, needs no probe. The cache's memory for a key
    // is fetched a few keys before it is asked for.
    constexpr size_t kAhead = 8;
    size_t kept = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i + kAhead < keys.size()) cache.Prefetch(keys[i + kAhead]);
        const TIsamKey& key = keys[i];
        if (key[0] != kPositionKeyLength) continue;
        if (itsBulk.itsFiltered && !itsBulk.itsFilter->MayHold(key.data() + 1)) continue;
        if (cache.Find(key) != nullptr) continue;
        if (kept != i) keys[kept] = key;
        ++kept;
    }
    keys.resize(kept);
    // The index orders keys byte by byte; all have the same length.
    auto less = [](const TIsamKey& a, const TIsamKey& b) {
        return std::memcmp(a.data(), b.data(), kPositionKeyLength + 1) < 0;
    };
    if (!std::is_sorted(keys.begin(), keys.end(), less)) std::sort(keys.begin(), keys.end(), less);
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    if (keys.empty()) return true;
    if (!itsBulk.itsWholeBookTried) {
        itsBulk.itsProbes += static_cast<int64_t>(keys.size());
        if (WholeBookPays()) {
            LoadWholeBook();
            if (itsBulk.itsComplete) return false;
        }
    }
    // The entries count in the budget; a batch that fills it is cut short where the records
    // kept were written out (their entries are gone with them).
    constexpr size_t kBudgetCheckEvery = 4096;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i > 0 && i % kBudgetCheckEvery == 0) {
            KeepCacheInBudget();
            if (cache.Size() == 0) break;
        }
        int file = 0;
        RecRef ref = 0;
        bool found = ProbeFiles(keys[i], 0, file, ref);
        // A failed probe is reported by the lookup proper, which probes again.
        if (!found && IsamError() != kIsamKeyNotFound) break;
        TCachedRecord& entry = cache.Add(keys[i]);
        entry.itsPresent = found;
        entry.itsFile = static_cast<int8_t>(found ? file : -1);
        entry.itsRef = found ? ref : 0;
    }
    return true;
}

void TBook2::Prefetch(const TPackedPosition& position) {
    if (itsBulk.itsCache == nullptr) return;
    TCanonicalTransform transform;
    itsBulk.itsCache->Prefetch(KeyOf(position, transform));
}

const uint8_t* TBook2::CachedBytes(TCachedRecord*& entry) {
    if (!entry->itsLoaded) {
        uint16_t length = BTGetVariableRec(itsPositions[static_cast<size_t>(entry->itsFile)], entry->itsRef,
                                           itsRecord.data(), static_cast<uint16_t>(itsRecord.size()));
        if (!IsamOK()) return nullptr;
        // The entry may move to where the record has room.
        entry = itsBulk.itsLastEntry = &itsBulk.itsCache->SetBytes(*entry, itsRecord.data(), length);
    }
    return entry->Bytes();
}

bool TBook2::IsInBook(const TPackedPosition& position) {
    if (itsBulk.itsCache != nullptr) {
        KeepCacheInBudget();
        TCanonicalTransform transform;
        TCachedRecord* entry = CachedRecord(position, 0, transform);
        return entry != nullptr && entry->itsPresent;
    }
    TIsamKey key = PositionKey(position);
    for (int k = 0; k < itsFileCount; ++k)
        if (BTKeyExists(itsPositions[static_cast<size_t>(k)], 1, key, 0)) return true;
    return false;
}

bool TBook2::GetPositionCodeForThisBoard(const TPackedPosition& position, int& rate, RecRef& ref, int& count,
                                         int16_t& numeric) {
    int file = 0;
    TCanonicalTransform transform;
    RecRef found = 0;
    rate = 9;
    ref = -1;
    count = 0;
    // The reference of a record still in memory is not known yet.
    if (itsBulk.itsCache != nullptr && itsBulk.itsCache->HasChanges()) WriteCachedRecords();
    if (!FindPosition(position, kMsgPositionCodeFindKeyFailed, file, found, transform)) return false;
    uint16_t length = BTGetVariableRec(itsPositions[static_cast<size_t>(file)], found, itsRecord.data(),
                                       static_cast<uint16_t>(itsRecord.size()));
    TRecordSummary summary;
    if (!IsamOK() ||
        !TPositionRecord::ReadSummary(itsRecord.data(), length, transform.itsColourReversed, summary)) {
        ShowInformation(0, kMsgPositionCodeGetRecordFailed);
        return false;
    }
    rate = summary.itsBacksolvedRate;
    count = summary.itsBacksolvedCount;
    numeric = summary.itsAssessment;
    ref = found;
    return true;
}

} // namespace marvek
