// Reading and writing a position's whole record: FillInEverything and UpdateEverything.

#include "book/Book2.h"

#include "app/MessageNumbers.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "book/CommentBuffer.h"
#include "book/KeyFilter.h"
#include "book/PositionRecord.h"
#include "book/RecordCache.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Memory.h"
#include "storage/IsamErrors.h"

#include <algorithm>
#include <cstring>

namespace marvek {

namespace {

[[noreturn]] void RaiseWithMessage(int message) {
    ShowInformation(0, message);
    throw EDatabaseProblem(LoadMessage(message));
}

// Asking the file system for its free space costs two system calls, as much as the write it
// guards; with plenty of room a reading stays good for a short while. Close to full, and whenever
// tests simulate the drive, it is asked every time.
constexpr int64_t kPlentyOfRoom = 64 * 1024 * 1024;
constexpr int64_t kReadingLifetimeMs = 500;

} // namespace

int64_t TBook2::FreeBytesForWriting() {
    int64_t now = TickCount();
    bool fresh = itsFreeBytes >= kPlentyOfRoom && now - itsFreeBytesAt < kReadingLifetimeMs &&
                 FreeSpaceSeam().itsFolders.empty();
    if (!fresh) {
        itsFreeBytes = FreeBytes(itsFolder.empty() ? "." : itsFolder);
        itsFreeBytesAt = now;
    }
    return itsFreeBytes;
}

bool TBook2::FillInEverything(TPositionRecord& record, TCommentBuffer* comment) {
    // A position not in the book keeps its rates, certainty and opening code as they were.
    record.ClearCandidates();
    record.ClearTakeBacks();
    record.SetBacksolvedCount(0);
    record.SetAssessment(kNoAssessment);
    record.ScriptList().clear();
    if (comment != nullptr) {
        comment->Clear();
        const TSettings& settings = Settings();
        comment->SetDefaultFont(settings.CommentFontName(), settings.CommentFontSize(),
                                settings.CommentFontStyle(),
                                static_cast<uint32_t>(settings.CommentFontColour()));
    }

    if (itsBulk.itsCache != nullptr) {
        KeepCacheInBudget();
        TCanonicalTransform transform;
        TCachedRecord* entry = CachedRecord(record.Position(), kMsgFillInFindKeyFailed, transform);
        if (entry == nullptr || !entry->itsPresent) return false;
        const uint8_t* bytes = CachedBytes(entry);
        if (bytes == nullptr) {
            if (IsamError() == isam::kVariableReadFailed)
                throw EDatabaseProblem("BTGetVariableRec() failed. Database is corrupt.");
            ShowInformation(0, kMsgFillInGetRecordFailed);
            return false;
        }
        record.Unpack(bytes, entry->itsLength, record.Position(), comment);
        return true;
    }
    int file = 0;
    RecRef ref = 0;
    TCanonicalTransform transform;
    if (!FindPosition(record.Position(), kMsgFillInFindKeyFailed, file, ref, transform)) return false;
    uint16_t length = BTGetVariableRec(itsPositions[static_cast<size_t>(file)], ref, itsRecord.data(),
                                       static_cast<uint16_t>(itsRecord.size()));
    if (!IsamOK()) {
        if (IsamError() == isam::kVariableReadFailed)
            throw EDatabaseProblem("BTGetVariableRec() failed. Database is corrupt.");
        ShowInformation(0, kMsgFillInGetRecordFailed);
        return false;
    }
    record.Unpack(itsRecord.data(), length, record.Position(), comment);
    return true;
}

bool TBook2::FindCandidate(const TPackedPosition& position, const TPackedMove& move, int& index, int& count) {
    index = -1;
    count = 0;
    if (itsBulk.itsCache != nullptr) {
        KeepCacheInBudget();
        TCanonicalTransform transform;
        TCachedRecord* entry = CachedRecord(position, kMsgFillInFindKeyFailed, transform);
        // A failed probe has said so already; FillInEverything would find nothing either.
        if (entry == nullptr || !entry->itsPresent) return false;
        const uint8_t* bytes = CachedBytes(entry);
        if (bytes != nullptr &&
            TPositionRecord::FindStoredCandidate(bytes, entry->itsLength, move, transform, index, count))
            return true;
    }
    // Anything out of the ordinary goes the whole way, with its messages.
    TPositionRecord record;
    record.SetPosition(position);
    bool present = FillInEverything(record, nullptr);
    index = record.FindCandidate(move);
    count = record.CandidateCount();
    return present;
}

void TBook2::UpdateEverything(const TPositionRecord& record, const TCommentBuffer* comment) {
    MARVEK_ASSERT(!itsReadOnly);
    // A bulk update writes later, and asks for the room then.
    if (itsBulk.itsCache == nullptr && FreeBytesForWriting() < kMinimumFreeBytes)
        throw EDatabaseProblem(LoadMessage(kMsgNotEnoughDiskSpace));
    size_t length = record.Pack(comment, itsRecord.data());
    if (itsBulk.itsCache != nullptr) {
        KeepCacheInBudget();
        TCanonicalTransform transform;
        TCachedRecord* entry = CachedRecord(record.Position(), kMsgUpdateFindKeyFailed, transform);
        if (entry == nullptr) throw EDatabaseProblem(LoadMessage(kMsgUpdateFindKeyFailed));
        // A record written back as it was read (an import's game end often is) stays as it is.
        if (entry->itsPresent && entry->itsLoaded && entry->itsLength == length &&
            std::memcmp(entry->Bytes(), itsRecord.data(), length) == 0)
            return;
        // The entry may move to where its record has room.
        entry = itsBulk.itsLastEntry = &itsBulk.itsCache->SetBytes(*entry, itsRecord.data(), length, true);
        entry->itsPresent = true;
        itsBulk.itsCache->MarkChanged(*entry);
        return;
    }
    int file = 0;
    RecRef ref = 0;
    TCanonicalTransform transform;
    bool found = FindPosition(record.Position(), kMsgUpdateFindKeyFailed, file, ref, transform);
    // A probe that failed (and said so) means a damaged index: adding the position again could
    // only give it a second record.
    if (!found && !IsamOK() && IsamError() != kIsamKeyNotFound)
        throw EDatabaseProblem(LoadMessage(kMsgUpdateFindKeyFailed));
    if (found) {
        BTPutVariableRec(itsPositions[static_cast<size_t>(file)], ref, itsRecord.data(),
                         static_cast<uint16_t>(length));
        if (!IsamOK()) RaiseWithMessage(kMsgUpdatePutRecordFailed);
        return;
    }
    EnsureRoom();
    IsamDatabase* last = itsPositions[static_cast<size_t>(itsFileCount - 1)];
    ref = BTAddVariableRec(last, itsRecord.data(), static_cast<uint16_t>(length));
    if (!IsamOK()) RaiseWithMessage(kMsgUpdateAddRecordFailed);
    BTAddKey(last, 1, PositionKey(record.Position()), ref);
    if (!IsamOK()) RaiseWithMessage(kMsgUpdateAddKeyFailed);
}

// ---------------------------------------------------------------------------------------------
// Bulk updates

size_t BulkUpdateBytes() {
    constexpr size_t kLeast = size_t(256) << 20;
    constexpr size_t kMost = size_t(4) << 30;
    return std::clamp(size_t(PhysicalMemoryBytes() / 8), kLeast, kMost);
}

size_t BulkUpdateBytes(int32_t megabytes) {
    if (megabytes <= 0) return BulkUpdateBytes();
    // Less than this would write out the records after every few games.
    constexpr int32_t kLeastMegabytes = 16;
    return size_t(std::max(megabytes, kLeastMegabytes)) << 20;
}

void TBook2::BeginBulkUpdate(size_t memoryBytes, TProgress* progress, size_t expectedRecords) {
    MARVEK_ASSERT(IsOpen() && !itsReadOnly);
    bool starting = itsBulk.itsCache == nullptr;
    if (starting) {
        DropCache();
        itsBulk.itsCache = std::make_unique<TRecordCache>();
        // Lookups in key order and the writing pass visit index pages mostly in file order.
        constexpr size_t kIndexReadAheadBytes = size_t(64) << 10;
        for (int k = 0; k < itsFileCount; ++k)
            BTSetIndexReadAhead(itsPositions[static_cast<size_t>(k)], kIndexReadAheadBytes);
    }
    itsBulk.itsBudget = memoryBytes;
    itsBulk.itsProgress = progress;
    itsBulk.itsExpectedLookups = expectedRecords;
    // No more than the budget can hold before it is written. Without the memory for that, the
    // bulk update does not start.
    constexpr size_t kLeastRecordBytes = 150;
    try {
        itsBulk.itsCache->Reserve(std::min(expectedRecords, memoryBytes / kLeastRecordBytes));
    } catch (...) {
        if (starting) DropCache();
        throw;
    }
}

void TBook2::EndBulkUpdate() {
    if (itsBulk.itsCache == nullptr) return;
    WriteCachedRecords();
    DropCache();
}

void TBook2::DropCache() {
    for (int k = 0; k < itsFileCount; ++k)
        if (itsPositions[static_cast<size_t>(k)] != nullptr)
            BTSetIndexReadAhead(itsPositions[static_cast<size_t>(k)], 0);
    itsBulk.itsCache.reset();
    itsBulk.itsFilter.reset();
    itsBulk.itsFiltered = false;
    itsBulk.itsProgress = nullptr;
    itsBulk.ForgetLookups();
}

void TBook2::KeepCacheInBudget() {
    // The writing pass sorts the changed records in a table of its own, and the filter stays:
    // both count.
    const TRecordCache& cache = *itsBulk.itsCache;
    size_t used = cache.MemoryUsed() + cache.ChangedCount() * sizeof(TChangedRecord) +
                  (itsBulk.itsFilter != nullptr ? itsBulk.itsFilter->Bytes() : 0);
    if (used > itsBulk.itsBudget) WriteKeptRecords(true);
}

void TBook2::FilterKeptKeys() {
    // Only a cache that knew the whole book, or a filter that does, makes a filter of the book.
    if (!itsBulk.itsComplete && !itsBulk.itsFiltered) return;
    if (itsBulk.itsFilter == nullptr) {
        // Sixteen bits a key leave about one position in a thousand to be probed for; room is
        // made for the book's keys and as many again as the import expects to look up, or as
        // the book has, in an eighth of the budget at most. Without the memory, imports go on
        // probing.
        constexpr size_t kBytesPerKey = 2;
        constexpr size_t kLeastBytes = size_t(64) << 10;
        size_t keys = size_t(KeysInFiles());
        size_t wanted = kBytesPerKey * (keys + std::max(keys, itsBulk.itsExpectedLookups));
        auto filter = std::make_unique<TKeyFilter>();
        if (!filter->Reset(std::min(std::max(wanted, kLeastBytes), itsBulk.itsBudget / 8))) return;
        itsBulk.itsFilter = std::move(filter);
    }
    itsBulk.itsCache->AddPresentKeysTo(*itsBulk.itsFilter);
    itsBulk.itsFiltered = true;
}

void TBook2::WriteCachedRecords() {
    WriteKeptRecords(false);
}

void TBook2::WriteKeptRecords(bool lookupsGoOn) {
    if (itsBulk.itsCache == nullptr) return;
    if (itsBulk.itsCache->HasChanges()) {
        // New records go to the end of the last position file, one after another: gathered, they
        // take one write in place of one each. Whatever way this ends, gathering stops.
        constexpr size_t kWriteBehindBytes = size_t(1) << 20;
        struct TGathering {
            TBook2& itsBook;
            ~TGathering() {
                for (int k = 0; k < itsBook.itsFileCount; ++k)
                    BTSetWriteBehind(itsBook.itsPositions[static_cast<size_t>(k)], 0);
            }
        } gathering{*this};
        IsamDatabase* gathered = nullptr;

        // In key order every index page is visited once, and records go to the data file in the
        // order a walk of the book reads them.
        std::vector<TChangedRecord> changed = itsBulk.itsCache->ChangedInKeyOrder();
        // A large pass takes seconds: it is shown, and cannot be stopped half-way.
        constexpr size_t kShownEvery = 65536;
        TProgress* progress = changed.size() >= kShownEvery ? itsBulk.itsProgress : nullptr;
        if (progress != nullptr) {
            progress->SetText(1, "Writing " + std::to_string(changed.size()) + " positions into the book");
            progress->SetPercent(0);
        }
        size_t written = 0;
        // Entries count as written only when the pass fails (else they are all dropped); where a
        // record went is noted in its entry on the way, beside the bytes just read.
        auto markWritten = [&] {
            for (size_t i = 0; i < written; ++i) {
                TCachedRecord& entry = *changed[i].itsEntry;
                itsBulk.itsCache->MarkWritten(entry, entry.itsFile, entry.itsRef);
            }
        };
        try {
            constexpr size_t kAhead = 8;
            // The room left is asked for again once this much has been written since.
            constexpr size_t kRoomCheckBytes = 16384;
            size_t sinceRoomCheck = kRoomCheckBytes;
            for (; written < changed.size(); ++written) {
                // The records lie all over memory; fetching a few ahead hides the wait for them.
                if (written + kAhead < changed.size()) __builtin_prefetch(changed[written + kAhead].itsEntry);
                TCachedRecord& item = *changed[written].itsEntry;
                if (progress != nullptr && written % kShownEvery == 0) {
                    progress->SetPercent(int(written * 100 / changed.size()));
                    progress->ProcessMessages();
                }
                sinceRoomCheck += item.itsLength;
                if (sinceRoomCheck >= kRoomCheckBytes) {
                    if (FreeBytesForWriting() < kMinimumFreeBytes) RaiseWithMessage(kMsgNotEnoughDiskSpace);
                    sinceRoomCheck = 0;
                }
                if (item.itsFile >= 0) {
                    BTPutVariableRec(itsPositions[static_cast<size_t>(item.itsFile)], item.itsRef,
                                     item.Bytes(), item.itsLength);
                    if (!IsamOK()) RaiseWithMessage(kMsgUpdatePutRecordFailed);
                    continue;
                }
                EnsureRoom();
                IsamDatabase* last = itsPositions[static_cast<size_t>(itsFileCount - 1)];
                if (last != gathered) {
                    BTSetWriteBehind(last, kWriteBehindBytes);
                    gathered = last;
                }
                RecRef ref = BTAddVariableRec(last, item.Bytes(), item.itsLength);
                if (!IsamOK()) RaiseWithMessage(kMsgUpdateAddRecordFailed);
                // The record carries its key: the canonical position it was stored under.
                TPackedPosition stored = TPositionRecord::StoredPosition(item.Bytes(), item.itsLength);
                BTAddKey(last, 1,
                         MakeIsamKey(std::string_view(reinterpret_cast<const char*>(stored.itsBytes.data()),
                                                      stored.itsBytes.size())),
                         ref);
                if (!IsamOK()) RaiseWithMessage(kMsgUpdateAddKeyFailed);
                item.itsFile = static_cast<int8_t>(itsFileCount - 1);
                item.itsRef = ref;
            }
        } catch (...) {
            markWritten();
            throw;
        }
        for (int k = 0; k < itsFileCount; ++k) {
            BTSetWriteBehind(itsPositions[static_cast<size_t>(k)], 0);
            if (!IsamOK()) RaiseWithMessage(kMsgUpdateAddRecordFailed);
        }
    }
    // A filter in use must learn every key written, whatever the lookups to come.
    if (lookupsGoOn || itsBulk.itsFiltered) FilterKeptKeys();
    itsBulk.itsCache->Clear();
    itsBulk.ForgetLookups();
}

} // namespace marvek
