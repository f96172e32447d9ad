// Journaled mode: before-images of headers and pages, written ahead of every change, so that an
// operation either completes or leaves the files as they were.

#include "storage/IsamEngine.h"

#include <algorithm>
#include <cstring>

namespace marvek::isam {

namespace {

uint64_t PageTag(int keyNr, int32_t pageNr) {
    return static_cast<uint64_t>(static_cast<uint32_t>(keyNr)) << 32 | static_cast<uint32_t>(pageNr);
}

bool Appending(const IsamDatabase* db) {
    return db->itsJournaled && db->itsOp.itsActive;
}

bool AppendJournal(IsamDatabase* db, const uint8_t* bytes, size_t count) {
    if (!WriteExact(db, db->itsJournalFile, db->itsOp.itsLength, bytes, count)) return false;
    db->itsOp.itsLength += static_cast<int64_t>(count);
    db->itsOp.itsUnflushed = true;
    return true;
}

bool ResetJournal(IsamDatabase* db) {
    if (db->itsJournalFile.Truncate(1) != 0) return Fail(kIoError);
    db->itsOp.itsLength = 1;
    db->itsOp.itsUnflushed = false;
    return FlushFile(db->itsJournalFile);
}

bool ReloadHeaders(IsamDatabase* db) {
    uint8_t bytes[kKeyHeaderBytes];
    if (!ReadExact(db, db->itsDataFile, 0, bytes, kDataHeaderBytes)) return false;
    db->itsData = DecodeDataHeader(bytes);
    db->itsDataHeaderChanged = false;
    db->itsRowsPresent = 0;
    for (int k = 1; k <= db->itsIndexCount; ++k) {
        TKeyDesc& key = db->itsKeys[static_cast<size_t>(k)];
        if (!ReadExact(db, db->itsIndexFile, key.itsOffset, bytes, kKeyHeaderBytes)) return false;
        key.itsHeader = DecodeKeyHeader(bytes);
        key.itsHeaderChanged = false;
        key.itsCursor.itsValid = false;
        key.itsCursor.itsDepth = 0;
        db->itsRowsPresent = std::max(db->itsRowsPresent, key.itsHeader.itsPageCount);
    }
    return true;
}

} // namespace

TOperation::TOperation(IsamDatabase* db, int undoneCode) : itsDb(db), itsUndoneCode(undoneCode) {
    if (db->itsJournaled && db->itsOp.itsActive) {
        itsNested = true;
        itsStarted = true;
        return;
    }
    if (!MarkChangesPending(db)) return;
    if (db->itsJournaled) {
        auto& op = db->itsOp;
        op.itsActive = true;
        op.itsDataWritten = false;
        op.itsIndexWritten = false;
        std::fill(op.itsHeaderEntryAt.begin(), op.itsHeaderEntryAt.end(), -1);
        std::fill(op.itsTookFromFree.begin(), op.itsTookFromFree.end(), false);
        op.itsPages.clear();
        op.itsFreedSlots.clear();
        op.itsDataSize = 0;
        op.itsIndexSize = 0;
        if (db->itsDataFile.Size(&op.itsDataSize) != 0 ||
            (db->itsIndexFile.IsOpen() && db->itsIndexFile.Size(&op.itsIndexSize) != 0)) {
            op.itsActive = false;
            Fail(kIoError);
            return;
        }
    }
    itsStarted = true;
}

TOperation::~TOperation() {
    if (itsStarted && !itsFinished) Finish(false);
}

void TOperation::Unchanged() {
    itsFinished = true;
    if (itsStarted && !itsNested && itsDb->itsJournaled) {
        if (itsDb->itsOp.itsLength > 1) ResetJournal(itsDb);
        itsDb->itsOp.itsActive = false;
    }
}

bool TOperation::Finish(bool ok) {
    itsFinished = true;
    IsamDatabase* db = itsDb;
    if (!db->itsJournaled || !itsStarted || itsNested) return ok;
    auto& op = db->itsOp;
    if (ok) {
        ok = FlushJournal(db) && WriteChangedPages(db, false);
        if (ok && db->itsDataHeaderChanged) ok = WriteDataHeader(db);
        for (int k = 1; ok && k <= db->itsIndexCount; ++k)
            if (db->itsKeys[static_cast<size_t>(k)].itsHeaderChanged) ok = WriteKeyHeader(db, k);
        // Only the files this operation wrote need to reach the disk.
        ok = ok && (!op.itsDataWritten || FlushFile(db->itsDataFile)) &&
             (!op.itsIndexWritten || FlushFile(db->itsIndexFile));
        // Emptying the journal commits the operation; from then on there is nothing to undo.
        if (ok && db->itsJournalFile.Truncate(1) == 0) {
            db->itsOp.itsLength = 1;
            db->itsOp.itsUnflushed = false;
            db->itsJournalFile.Flush();
            op.itsActive = false;
            return true;
        }
        ok = false;
    }

    // Roll back: forget what the cache holds, put the before-images back, and cut off what the
    // operation appended.
    DropPages(db, 0);
    op.itsActive = false;
    bool restored = ReplayJournal(db);
    if (restored) {
        for (auto it = op.itsFreedSlots.rbegin(); it != op.itsFreedSlots.rend(); ++it) {
            int64_t offset = static_cast<int64_t>(it->first) * db->itsData.itsSlotBytes;
            restored = restored && WriteExact(db, db->itsDataFile, offset, it->second.data(), 4);
        }
        int64_t size = 0;
        if (restored && db->itsDataFile.Size(&size) == 0 && size > op.itsDataSize)
            restored = db->itsDataFile.Truncate(op.itsDataSize) == 0;
        if (restored && db->itsIndexFile.IsOpen() && db->itsIndexFile.Size(&size) == 0 &&
            size > op.itsIndexSize)
            restored = db->itsIndexFile.Truncate(op.itsIndexSize) == 0;
        restored = restored && FlushFile(db->itsDataFile) && FlushFile(db->itsIndexFile);
        restored = restored && ReloadHeaders(db) && ResetJournal(db);
    }
    if (!restored)
        Report(kReplayFailed);
    else if (itsUndoneCode != 0)
        Report(itsUndoneCode);
    return false;
}

bool JournalHeader(IsamDatabase* db, int fileNr) {
    if (!Appending(db)) return true;
    int64_t& at = db->itsOp.itsHeaderEntryAt[static_cast<size_t>(fileNr)];
    if (at >= 0) return true;
    uint8_t entry[4 + kKeyHeaderBytes + 4];
    PutU16(entry, kJournalHeaderTag);
    PutU16(entry + 2, static_cast<uint16_t>(fileNr));
    if (fileNr == 0)
        EncodeDataHeader(db->itsData, entry + 4);
    else
        EncodeKeyHeader(db->itsKeys[static_cast<size_t>(fileNr)].itsHeader, entry + 4);
    PutI32(entry + 4 + kKeyHeaderBytes, -2);
    int64_t offset = db->itsOp.itsLength;
    if (!AppendJournal(db, entry, sizeof entry)) return false;
    at = offset;
    return true;
}

bool NoteFreeHeadAfterTake(IsamDatabase* db, int fileNr, int32_t freeHeadAfter) {
    if (!Appending(db)) return true;
    int64_t at = db->itsOp.itsHeaderEntryAt[static_cast<size_t>(fileNr)];
    if (at < 0) return Fail(kIoError);
    uint8_t value[4];
    PutI32(value, freeHeadAfter);
    if (!WriteExact(db, db->itsJournalFile, at + 4 + kKeyHeaderBytes, value, 4)) return false;
    db->itsOp.itsUnflushed = true;
    db->itsOp.itsTookFromFree[static_cast<size_t>(fileNr)] = true;
    return true;
}

bool JournalHasPage(const IsamDatabase* db, int keyNr, int32_t pageNr) {
    const auto& pages = db->itsOp.itsPages;
    return std::find(pages.begin(), pages.end(), PageTag(keyNr, pageNr)) != pages.end();
}

void JournalNewPage(IsamDatabase* db, int keyNr, int32_t pageNr) {
    if (Appending(db) && !JournalHasPage(db, keyNr, pageNr))
        db->itsOp.itsPages.push_back(PageTag(keyNr, pageNr));
}

bool JournalPage(IsamDatabase* db, int keyNr, int32_t pageNr, const TPage& page) {
    if (!Appending(db) || JournalHasPage(db, keyNr, pageNr)) return true;
    int keyLength = db->itsKeys[static_cast<size_t>(keyNr)].itsKeyLength;
    uint8_t packed[6 + kPageCapacity * (kMaxKeyLength + 9) + 8];
    size_t used = 0;
    PackPage(page, keyLength, packed, &used);
    // The tag and KeyNr take the place of the first four bytes; the page number and LeftChild
    // follow the image so that replay can restore all of it.
    uint8_t tail[8];
    PutI32(tail, pageNr);
    PutI32(tail + 4, page.itsLeft);
    PutU16(packed, page.itsCount);
    PutU16(packed + 2, static_cast<uint16_t>(keyNr));
    std::memcpy(packed + used, tail, 8);
    if (!AppendJournal(db, packed, used + 8)) return false;
    db->itsOp.itsPages.push_back(PageTag(keyNr, pageNr));
    return true;
}

bool FlushJournal(IsamDatabase* db) {
    if (!db->itsJournaled || !db->itsOp.itsUnflushed) return true;
    if (!FlushFile(db->itsJournalFile)) return false;
    db->itsOp.itsUnflushed = false;
    return true;
}

bool ReplayJournal(IsamDatabase* db) {
    if (db->itsReadOnly) return Fail(kReplayOnReadOnly);
    int64_t size = 0;
    if (db->itsJournalFile.Size(&size) != 0 || size > (int64_t{1} << 30)) return Fail(kReplayFailed);
    std::vector<uint8_t> journal;
    try {
        journal.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return Fail(kReplayFailed);
    }
    size_t done = 0;
    if (db->itsJournalFile.ReadAt(0, journal.data(), journal.size(), &done) != 0 || done != journal.size())
        return Fail(kReplayFailed);

    size_t pos = 1;
    while (pos + 2 <= journal.size()) {
        uint16_t tag = GetU16(&journal[pos]);
        if (tag == kJournalEndTag) break;
        if (pos + 4 > journal.size()) return Fail(kReplayFailed);
        uint16_t fileNr = GetU16(&journal[pos + 2]);
        if (tag == kJournalHeaderTag) {
            if (fileNr > db->itsIndexCount || pos + 36 > journal.size()) return Fail(kReplayFailed);
            const uint8_t* saved = &journal[pos + 4];
            int32_t freeHeadAfter = GetI32(saved + kKeyHeaderBytes);
            bool ok = true;
            if (fileNr == 0) {
                TDataHeader header = DecodeDataHeader(saved);
                if (header.itsSlotBytes != db->itsData.itsSlotBytes) return Fail(kReplayFailed);
                if (freeHeadAfter != -2) {
                    // The slot the operation took had its link overwritten; link it again.
                    uint8_t link[4];
                    PutI32(link, freeHeadAfter);
                    ok = header.itsFreeHead > 0 &&
                         WriteExact(db, db->itsDataFile,
                                    static_cast<int64_t>(header.itsFreeHead) * header.itsSlotBytes, link, 4);
                }
                db->itsData = header;
                ok = ok && WriteDataHeader(db);
            } else {
                TKeyHeader header = DecodeKeyHeader(saved);
                if (freeHeadAfter != -2) {
                    uint8_t link[4];
                    PutI32(link, freeHeadAfter);
                    ok =
                        header.itsFreeHead > 0 &&
                        WriteExact(db, db->itsIndexFile, PageOffset(db, fileNr, header.itsFreeHead), link, 4);
                }
                db->itsKeys[fileNr].itsHeader = header;
                ok = ok && WriteKeyHeader(db, fileNr);
            }
            if (!ok) return Fail(kReplayFailed);
            pos += 36;
        } else if (tag >= 1 && tag <= kPageCapacity) {
            if (fileNr < 1 || fileNr > db->itsIndexCount) return Fail(kReplayFailed);
            int keyLength = db->itsKeys[fileNr].itsKeyLength;
            size_t imageBytes = 2 + static_cast<size_t>(tag) * static_cast<size_t>(keyLength + 9);
            if (pos + 4 + imageBytes + 8 > journal.size()) return Fail(kReplayFailed);
            const uint8_t* image = &journal[pos + 4];
            int32_t pageNr = GetI32(image + imageBytes);
            int32_t left = GetI32(image + imageBytes + 4);
            if (pageNr < 1) return Fail(kReplayFailed);
            std::vector<uint8_t> packed(4 + imageBytes);
            PutU16(packed.data(), tag);
            PutI32(packed.data() + 2, left);
            std::memcpy(packed.data() + 6, image + 2, imageBytes - 2);
            if (!WriteExact(db, db->itsIndexFile, PageOffset(db, fileNr, pageNr), packed.data(),
                            packed.size()))
                return Fail(kReplayFailed);
            pos += 4 + imageBytes + 8;
        } else {
            return Fail(kReplayFailed);
        }
    }
    db->itsRowsPresent = 0;
    for (int k = 1; k <= db->itsIndexCount; ++k)
        db->itsRowsPresent =
            std::max(db->itsRowsPresent, db->itsKeys[static_cast<size_t>(k)].itsHeader.itsPageCount);
    if (!FlushFile(db->itsDataFile) || !FlushFile(db->itsIndexFile)) return Fail(kReplayFailed);
    return true;
}

} // namespace marvek::isam
