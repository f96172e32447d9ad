// Engine state, results, the data file and the database handle: start and stop, create, open,
// close, erase, and fixed-length records.

#include "storage/IsamEngine.h"
#include "storage/IsamFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>

namespace marvek {

using namespace isam;

namespace isam {

TIsamState& IsamState() {
    static TIsamState state;
    return state;
}

void BeginCall() {
    TIsamState& s = IsamState();
    s.itsOK = true;
    s.itsError = 0;
    s.itsOsError = 0;
}

bool Fail(int code) {
    TIsamState& s = IsamState();
    if (s.itsOK) {
        s.itsOK = false;
        s.itsError = code;
    }
    return false;
}

void Report(int code) {
    IsamState().itsOK = false;
    IsamState().itsError = code;
}

namespace {

bool ParentFolderExists(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return true;
    struct stat info {};
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool FailOs(int osError, TIoKind kind, bool readOnly) {
    TIsamState& s = IsamState();
    if (s.itsOK && s.itsOsError == 0) s.itsOsError = osError;
    switch (osError) {
    case ENOENT: return Fail(kFileNotFound);
    case ENOTDIR: return Fail(kPathNotFound);
    case EBADF: return Fail(kInvalidHandle);
    case EMFILE:
    case ENFILE:
        if (kind == TIoKind::kOpen) return Fail(kTooManyOpenFiles);
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        if (kind == TIoKind::kOpen) return Fail(kInvalidAccess);
        break;
    case ENOSPC:
        if (kind == TIoKind::kWrite) return Fail(kShortWrite);
        break;
    default: break;
    }
    return Fail(readOnly ? kIoErrorReadOnly : kIoError);
}

namespace {

bool FailOpen(int osError, const std::string& path) {
    if (osError == ENOENT && !ParentFolderExists(path)) {
        if (IsamState().itsOsError == 0) IsamState().itsOsError = osError;
        return Fail(kPathNotFound);
    }
    return FailOs(osError, TIoKind::kOpen, false);
}

} // namespace

bool CheckHandle(IsamDatabase* db, bool changing) {
    TIsamState& s = IsamState();
    if (!s.itsStarted) return Fail(kNotStarted);
    if (db == nullptr || db->itsOpenMark != kOpenMark) return Fail(kBadHandle);
    if (changing && db->itsReadOnly) return Fail(kReadOnly);
    return true;
}

bool CheckKey(IsamDatabase* db, int keyNr) {
    if (keyNr < 1 || keyNr > db->itsIndexCount) return Fail(kBadKeyNr);
    return true;
}

namespace {

enum class TAhead { kServed, kNotServed, kFailed, kShort };

// A read of the data file through the read-ahead. kNotServed when the memory for it is not to be
// had (the read is then made directly); kFailed leaves the system's error code in code.
TAhead ReadThroughReadAhead(IsamDatabase* db, int64_t offset, void* data, size_t count, int& code) {
    std::vector<uint8_t>& ahead = db->itsReadAhead;
    if (offset < db->itsReadAheadAt || offset + int64_t(count) > db->itsReadAheadAt + int64_t(ahead.size())) {
        try {
            ahead.resize(db->itsReadAheadLimit);
        } catch (const std::bad_alloc&) {
            db->itsReadAheadLimit = 0;
            std::vector<uint8_t>().swap(ahead);
            return TAhead::kNotServed;
        }
        size_t done = 0;
        code = db->itsDataFile.ReadAt(offset, ahead.data(), ahead.size(), &done);
        ahead.resize(code == 0 ? done : 0);
        db->itsReadAheadAt = offset;
        if (code != 0) return TAhead::kFailed;
        if (done < count) return TAhead::kShort;
    }
    std::memcpy(data, ahead.data() + (offset - db->itsReadAheadAt), count);
    return TAhead::kServed;
}

bool ReadAheadIsOn(const IsamDatabase* db, TFile& file, int64_t offset, size_t count) {
    return db != nullptr && &file == &db->itsDataFile && db->itsReadAheadLimit >= count && offset >= 0;
}

} // namespace

bool ReadExact(IsamDatabase* db, TFile& file, int64_t offset, void* data, size_t count) {
    if (offset < 0) return Fail(kShortRead);
    if (ReadAheadIsOn(db, file, offset, count)) {
        int code = 0;
        switch (ReadThroughReadAhead(db, offset, data, count, code)) {
        case TAhead::kServed: return true;
        case TAhead::kFailed: return FailOs(code, TIoKind::kRead, db->itsReadOnly);
        case TAhead::kShort: return Fail(kShortRead);
        case TAhead::kNotServed: break;
        }
    }
    size_t done = 0;
    int code = file.ReadAt(offset, data, count, &done);
    if (code != 0) return FailOs(code, TIoKind::kRead, db != nullptr && db->itsReadOnly);
    if (done != count) return Fail(kShortRead);
    return true;
}

bool ReadDataQuietly(IsamDatabase* db, int64_t offset, void* data, size_t count) {
    int code = 0;
    if (ReadAheadIsOn(db, db->itsDataFile, offset, count))
        return ReadThroughReadAhead(db, offset, data, count, code) == TAhead::kServed;
    size_t done = 0;
    return offset >= 0 && db->itsDataFile.ReadAt(offset, data, count, &done) == 0 && done == count;
}

bool WriteExact(IsamDatabase* db, TFile& file, int64_t offset, const void* data, size_t count) {
    if (offset < 0) return Fail(kShortWrite);
    if (db != nullptr) {
        if (&file == &db->itsDataFile) {
            db->itsOp.itsDataWritten = true;
            db->itsReadAhead.clear();
        }
        if (&file == &db->itsIndexFile) db->itsOp.itsIndexWritten = true;
    }
    int code = file.WriteAt(offset, data, count);
    if (code != 0) return FailOs(code, TIoKind::kWrite, db != nullptr && db->itsReadOnly);
    return true;
}

bool WriteZeros(IsamDatabase* db, TFile& file, int64_t offset, int64_t count) {
    // One write when the memory is there, else pieces of 1024 bytes.
    std::vector<uint8_t> zeros;
    try {
        zeros.assign(static_cast<size_t>(count), 0);
    } catch (const std::bad_alloc&) {
        zeros.clear();
    }
    if (!zeros.empty() || count == 0)
        return WriteExact(db, file, offset, zeros.data(), static_cast<size_t>(count));
    uint8_t piece[1024] = {};
    while (count > 0) {
        int64_t n = std::min<int64_t>(count, sizeof piece);
        if (!WriteExact(db, file, offset, piece, static_cast<size_t>(n))) return false;
        offset += n;
        count -= n;
    }
    return true;
}

bool FlushFile(TFile& file) {
    if (!file.IsOpen()) return true;
    int code = file.Flush();
    if (code != 0) {
        if (IsamState().itsOK && IsamState().itsOsError == 0) IsamState().itsOsError = code;
        return Fail(kFlushFailed);
    }
    return true;
}

bool WriteDataHeader(IsamDatabase* db) {
    uint8_t bytes[kKeyHeaderBytes];
    EncodeDataHeader(db->itsData, bytes);
    if (!WriteExact(db, db->itsDataFile, 0, bytes, kDataHeaderBytes)) return false;
    db->itsDataHeaderChanged = false;
    return true;
}

bool WriteKeyHeader(IsamDatabase* db, int keyNr) {
    TKeyDesc& key = db->itsKeys[static_cast<size_t>(keyNr)];
    uint8_t bytes[kKeyHeaderBytes];
    EncodeKeyHeader(key.itsHeader, bytes);
    if (!WriteExact(db, db->itsIndexFile, key.itsOffset, bytes, kKeyHeaderBytes)) return false;
    key.itsHeaderChanged = false;
    return true;
}

bool MarkChangesPending(IsamDatabase* db) {
    if (db->itsChangesPending) return true;
    if (!db->itsJournaled) {
        // Until close writes the headers back, the files on disk are not consistent; the mark
        // makes the next open ask for a rebuild if the program never gets there.
        uint8_t one = 1;
        if (!WriteExact(db, db->itsDataFile, 20, &one, 1)) return false;
        db->itsData.itsDirtyMark = 1;
    }
    db->itsChangesPending = true;
    return true;
}

int64_t PageOffset(const IsamDatabase* db, int keyNr, int32_t page) {
    return static_cast<int64_t>(page) * db->itsRowBytes + db->itsKeys[static_cast<size_t>(keyNr)].itsOffset;
}

namespace {

struct TSlotFields {
    int32_t* itsFreeHead;
    int32_t* itsFreeCount;
    int32_t* itsHigh;
    bool* itsChanged;
    bool* itsCameFromFree;
};

TSlotFields SlotFieldsOf(IsamDatabase* db, int fileNr) {
    if (fileNr == 0) {
        return {&db->itsData.itsFreeHead, &db->itsData.itsFreeCount, &db->itsData.itsHighSlot,
                &db->itsDataHeaderChanged, &db->itsDataCameFromFree};
    }
    TKeyDesc& key = db->itsKeys[static_cast<size_t>(fileNr)];
    return {&key.itsHeader.itsFreeHead, &key.itsHeader.itsFreeCount, &key.itsHeader.itsPageCount,
            &key.itsHeaderChanged, &key.itsCameFromFree};
}

int64_t SlotOffset(IsamDatabase* db, int fileNr, int32_t slot) {
    return fileNr == 0 ? static_cast<int64_t>(slot) * db->itsData.itsSlotBytes : PageOffset(db, fileNr, slot);
}

// A page beyond the rows present needs its whole row in the file, reading as zeros. The file
// grows ahead by an eighth of its rows (16 at least): growing writes nothing, where writing each
// new row's zeros cost a write as large as the page's own. Close gives back the rows not used.
bool GrowIndexFile(IsamDatabase* db, int32_t slot) {
    constexpr int32_t kLeastRowsAhead = 16;
    int32_t ahead = std::max(kLeastRowsAhead, slot / 8);
    int32_t rows = slot > INT32_MAX - ahead ? INT32_MAX : slot + ahead;
    int64_t size = 0;
    int code = db->itsIndexFile.Size(&size);
    int64_t wanted = (static_cast<int64_t>(rows) + 1) * db->itsRowBytes;
    if (code == 0 && size < wanted) code = db->itsIndexFile.Truncate(wanted);
    if (code != 0) {
        // Where the file cannot be sized, the row's zeros are written instead.
        if (!WriteZeros(db, db->itsIndexFile, static_cast<int64_t>(slot) * db->itsRowBytes, db->itsRowBytes))
            return false;
        db->itsRowsPresent = slot;
        return true;
    }
    db->itsRowsPresent = static_cast<int32_t>(std::max(wanted, size) / db->itsRowBytes - 1);
    db->itsIndexGrownAhead = true;
    return true;
}

} // namespace

bool AllocateSlot(IsamDatabase* db, int fileNr, int32_t& slot) {
    TSlotFields f = SlotFieldsOf(db, fileNr);
    TFile& file = fileNr == 0 ? db->itsDataFile : db->itsIndexFile;
    if (!JournalHeader(db, fileNr)) return false;
    // A journal can re-link only one slot per file taken from the free chain, so within one
    // journaled operation later allocations append instead.
    bool takeFree =
        *f.itsFreeHead != -1 && !(db->itsJournaled && db->itsOp.itsTookFromFree[static_cast<size_t>(fileNr)]);
    if (!takeFree) {
        if (*f.itsHigh == INT32_MAX) return Fail(kIoError);
        slot = *f.itsHigh + 1;
        if (fileNr != 0 && slot > db->itsRowsPresent && !GrowIndexFile(db, slot)) return false;
        *f.itsHigh = slot;
        *f.itsCameFromFree = false;
    } else {
        int32_t head = *f.itsFreeHead;
        if (head < 1 || head > *f.itsHigh) return Fail(kFreeChainDamaged);
        uint8_t link[4];
        if (!ReadExact(db, file, SlotOffset(db, fileNr, head), link, 4)) return false;
        int32_t next = GetI32(link);
        if (next == 0 || next > *f.itsHigh || next < -1) return Fail(kFreeChainDamaged);
        if (db->itsJournaled && !NoteFreeHeadAfterTake(db, fileNr, next)) return false;
        slot = head;
        *f.itsFreeHead = next;
        *f.itsFreeCount -= 1;
        *f.itsCameFromFree = true;
    }
    *f.itsChanged = true;
    return true;
}

bool FreeSlot(IsamDatabase* db, int fileNr, int32_t slot) {
    TSlotFields f = SlotFieldsOf(db, fileNr);
    TFile& file = fileNr == 0 ? db->itsDataFile : db->itsIndexFile;
    if (!JournalHeader(db, fileNr)) return false;
    if (db->itsJournaled && !FlushJournal(db)) return false;
    uint8_t link[4];
    PutI32(link, *f.itsFreeHead);
    if (!WriteExact(db, file, SlotOffset(db, fileNr, slot), link, 4)) return false;
    *f.itsFreeHead = slot;
    *f.itsFreeCount += 1;
    *f.itsChanged = true;
    return true;
}

RecRef AddRecord(IsamDatabase* db, const void* record) {
    TOperation op(db, kAddRecUndone);
    if (!op.Started()) return 0;
    int32_t slot = 0;
    if (!AllocateSlot(db, 0, slot)) {
        op.Finish(false);
        return 0;
    }
    if (db->itsJournaled && !FlushJournal(db)) {
        op.Finish(false);
        return 0;
    }
    int64_t offset = static_cast<int64_t>(slot) * db->itsData.itsSlotBytes;
    if (!WriteExact(db, db->itsDataFile, offset, record, static_cast<size_t>(db->itsData.itsSlotBytes))) {
        if (!db->itsJournaled) {
            if (db->itsDataCameFromFree) {
                db->itsData.itsFreeHead = slot;
                db->itsData.itsFreeCount += 1;
            } else {
                db->itsData.itsHighSlot -= 1;
            }
        }
        op.Finish(false);
        return 0;
    }
    if (!op.Finish(true)) return 0;
    return slot;
}

bool ReadRecord(IsamDatabase* db, RecRef ref, void* record) {
    if (ref < 0) return Fail(kShortRead);
    return ReadExact(db, db->itsDataFile, static_cast<int64_t>(ref) * db->itsData.itsSlotBytes, record,
                     static_cast<size_t>(db->itsData.itsSlotBytes));
}

bool WriteRecord(IsamDatabase* db, RecRef ref, const void* record) {
    if (ref == 0) return Fail(kPutRecZero);
    if (ref < 0) return Fail(kShortWrite);
    TOperation op(db, 0);
    if (!op.Started()) return false;
    bool ok = WriteExact(db, db->itsDataFile, static_cast<int64_t>(ref) * db->itsData.itsSlotBytes, record,
                         static_cast<size_t>(db->itsData.itsSlotBytes));
    return op.Finish(ok);
}

bool DeleteRecord(IsamDatabase* db, RecRef ref) {
    if (ref < 1 || ref > db->itsData.itsHighSlot) return Fail(kDeleteRecRange);
    TOperation op(db, kDeleteRecUndone);
    if (!op.Started()) return false;
    if (db->itsJournaled) {
        // The journal keeps headers and pages only; the record's first bytes, which the link
        // overwrites, are remembered here so a failed delete can put them back.
        std::array<uint8_t, 4> first{};
        if (!ReadExact(db, db->itsDataFile, static_cast<int64_t>(ref) * db->itsData.itsSlotBytes,
                       first.data(), 4))
            return op.Finish(false);
        db->itsOp.itsFreedSlots.emplace_back(ref, first);
    }
    bool ok = FreeSlot(db, 0, ref);
    return op.Finish(ok);
}

} // namespace isam

// ---- Public operations ----------------------------------------------------------------------

TIsamKey MakeIsamKey(std::string_view bytes) {
    TIsamKey key{};
    size_t n = std::min<size_t>(bytes.size(), kMaxKeyLength);
    key[0] = static_cast<uint8_t>(n);
    std::memcpy(key.data() + 1, bytes.data(), n);
    return key;
}

std::string_view IsamKeyBytes(const TIsamKey& key) {
    return {reinterpret_cast<const char*>(key.data() + 1), std::min<size_t>(key[0], kMaxKeyLength)};
}

bool IsamOK() {
    return IsamState().itsOK;
}
int IsamError() {
    return IsamState().itsError;
}
int IsamOsError() {
    return IsamState().itsOsError;
}

void BTSetExtensions(const std::string& dataExt, const std::string& indexExt, const std::string& journalExt) {
    TIsamState& s = IsamState();
    s.itsDataExt = dataExt.substr(0, 3);
    s.itsIndexExt = indexExt.substr(0, 3);
    s.itsJournalExt = journalExt.substr(0, 3);
}

void BTSetRebuildExtensions(const std::string& saveExt, const std::string& messageExt) {
    TIsamState& s = IsamState();
    s.itsSaveExt = saveExt.substr(0, 3);
    s.itsMessageExt = messageExt.substr(0, 3);
}

void BTSetResynchronise(bool on) {
    IsamState().itsResynchronise = on;
}

bool BTEngineStarted() {
    return IsamState().itsStarted;
}

int BTStartEngine(int pageBuffers) {
    BeginCall();
    TIsamState& s = IsamState();
    if (s.itsStarted) return Fail(kStartedTwice), 0;
    if (pageBuffers < kMinPageBuffers) return Fail(kTooFewBuffers), 0;
    if (!AllocateBuffers(pageBuffers)) return Fail(kNoPageBuffers), 0;
    s.itsStarted = true;
    return static_cast<int>(s.itsBuffers.size());
}

void BTStopEngine() {
    BeginCall();
    TIsamState& s = IsamState();
    if (!s.itsStarted) {
        Fail(kNotStarted);
        return;
    }
    bool ok = true;
    int firstError = 0;
    while (!s.itsOpen.empty()) {
        IsamDatabase* db = s.itsOpen.back();
        BTCloseDatabase(db);
        if (!IsamOK() && ok) {
            ok = false;
            firstError = IsamError();
        }
        if (db != nullptr) {
            // Closing failed before the handle left the list; drop it regardless.
            s.itsOpen.pop_back();
        }
    }
    FreeBuffers();
    s.itsStarted = false;
    BeginCall();
    if (!ok) Fail(firstError);
}

namespace isam {

bool ValidKeyDescriptions(int keyCount, const TKeyDescription* keys) {
    if (keyCount < 0 || keyCount > kMaxKeyIndexes) return Fail(kTooManyKeys);
    if (keyCount > 0 && keys == nullptr) return Fail(kNoMemoryForKeys);
    for (int k = 0; k < keyCount; ++k)
        if (keys[k].itsKeyLength < 1 || keys[k].itsKeyLength > kMaxKeyLength) return Fail(kBadKeyLength);
    return true;
}

bool CreateIndexFile(const std::string& name, int keyCount, const TKeyDescription* keys) {
    TFile file;
    int code = file.Create(name);
    if (code != 0) return FailOpen(code, name);
    int64_t rowBytes = 0;
    std::vector<TKeyHeader> headers(static_cast<size_t>(keyCount));
    std::vector<int64_t> offsets(static_cast<size_t>(keyCount));
    for (int k = 0; k < keyCount; ++k) {
        TKeyHeader& h = headers[static_cast<size_t>(k)];
        h.itsPageBytes = keys[k].itsKeyLength * kPageCapacity + 564;
        h.itsDupsAllowed = keys[k].itsDupsAllowed ? 1 : 0;
        offsets[static_cast<size_t>(k)] = rowBytes;
        rowBytes += h.itsPageBytes;
    }
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes), 0);
    for (int k = 0; k < keyCount; ++k)
        EncodeKeyHeader(headers[static_cast<size_t>(k)], row.data() + offsets[static_cast<size_t>(k)]);
    if (!WriteExact(nullptr, file, 0, row.data(), row.size())) return false;
    code = file.Close();
    if (code != 0) return FailOs(code, TIoKind::kOther, false);
    return true;
}

} // namespace isam

void BTCreateDatabase(const std::string& base, int slotBytes, int keyCount, const TKeyDescription* keys) {
    BeginCall();
    TIsamState& s = IsamState();
    if (slotBytes < kMinSlotBytes) {
        Fail(kRecordTooShort);
        return;
    }
    if (!ValidKeyDescriptions(keyCount, keys)) return;
    if (base.size() > kMaxIsamPath) {
        Fail(kPathNotFound);
        return;
    }
    TIsamFileNames names = IsamFileNames(base, s.itsDataExt, s.itsIndexExt, s.itsJournalExt);
    RemoveFile(names.itsIndex);
    RemoveFile(names.itsJournal);
    RemoveFile(names.itsData);

    TFile data;
    int code = data.Create(names.itsData);
    if (code != 0) {
        FailOpen(code, names.itsData);
        return;
    }
    TDataHeader header;
    header.itsSlotBytes = slotBytes;
    header.itsIndexCount = keyCount;
    std::vector<uint8_t> slot0(static_cast<size_t>(slotBytes), 0);
    uint8_t bytes[kKeyHeaderBytes];
    EncodeDataHeader(header, bytes);
    std::memcpy(slot0.data(), bytes, kDataHeaderBytes);
    bool ok = WriteExact(nullptr, data, 0, slot0.data(), slot0.size());
    code = data.Close();
    if (ok && code != 0) ok = FailOs(code, TIoKind::kOther, false);
    if (ok && keyCount > 0) ok = CreateIndexFile(names.itsIndex, keyCount, keys);
    if (!ok) {
        RemoveFile(names.itsIndex);
        RemoveFile(names.itsData);
    }
}

namespace {

// Reads the key headers of an open index file into the handle; checks what a damaged header
// could get wrong before any size is trusted.
bool ReadKeyHeaders(IsamDatabase* db) {
    int64_t offset = 0;
    db->itsRowsPresent = 0;
    db->itsKeys.assign(static_cast<size_t>(db->itsIndexCount) + 1, TKeyDesc());
    for (int k = 1; k <= db->itsIndexCount; ++k) {
        uint8_t bytes[kKeyHeaderBytes];
        if (!ReadExact(db, db->itsIndexFile, offset, bytes, kKeyHeaderBytes)) return false;
        TKeyDesc& key = db->itsKeys[static_cast<size_t>(k)];
        key.itsHeader = DecodeKeyHeader(bytes);
        TKeyHeader& h = key.itsHeader;
        int64_t capacity = h.itsPageCapacity == 0 ? kPageCapacity : h.itsPageCapacity;
        if (capacity > kPageCapacity) return Fail(kKeyHeaderCapacity);
        int64_t scaled = (static_cast<int64_t>(h.itsPageBytes) * 10000 - 60000) / capacity - 90000;
        if (scaled % 10000 != 0) return Fail(kKeyHeaderPageSize);
        if (scaled < 10000 || scaled > 410000) return Fail(kKeyHeaderKeyLength);
        key.itsKeyLength = static_cast<int>(scaled / 10000);
        // Pages are always 62 entries wide here; a smaller stored capacity would shift every
        // row, so such a file is treated as unusable rather than misread.
        if (capacity != kPageCapacity) return Fail(kRebuildNeeded);
        if (h.itsPageCount < 0 || h.itsRootPage < 0 || h.itsRootPage > h.itsPageCount)
            return Fail(kRebuildNeeded);
        key.itsOffset = offset;
        offset += h.itsPageBytes;
        db->itsRowsPresent = std::max(db->itsRowsPresent, h.itsPageCount);
    }
    db->itsRowBytes = offset;
    return true;
}

void CloseFiles(IsamDatabase* db) {
    db->itsJournalFile.Close();
    db->itsIndexFile.Close();
    db->itsDataFile.Close();
}

TFileMode OpenMode(const IsamDatabase* db) {
    return db->itsReadOnly ? TFileMode::kReadOnly : TFileMode::kReadWrite;
}

// Opens the journal an earlier run left beside the database, or in journaled mode starts an empty
// one. A journal holding more than its placeholder byte means an operation was interrupted: it
// must be replayed once the other files are open.
bool OpenJournal(IsamDatabase* db, bool& replay) {
    replay = false;
    const std::string& name = db->itsJournalName;
    if (FileExists(name)) {
        int code = db->itsJournalFile.Open(name, OpenMode(db));
        int64_t size = 0;
        if (code == 0) code = db->itsJournalFile.Size(&size);
        if (code != 0) return FailOpen(code, name);
        replay = size != 1;
        if (replay && db->itsReadOnly) return Fail(kJournalOnReadOnly);
        return true;
    }
    if (!db->itsJournaled) return true;
    int code = db->itsJournalFile.Create(name);
    if (code != 0) return FailOpen(code, name);
    uint8_t placeholder = 0;
    return WriteExact(db, db->itsJournalFile, 0, &placeholder, 1) && FlushFile(db->itsJournalFile);
}

// Opens the data file and, when there are keys, the index file, and reads their headers; a header
// that cannot be right, or a database that was changed and never closed, asks for a rebuild.
bool ReadHeaders(IsamDatabase* db) {
    int code = db->itsDataFile.Open(db->itsDataName, OpenMode(db));
    if (code != 0) return FailOpen(code, db->itsDataName);
    uint8_t header[kDataHeaderBytes];
    if (!ReadExact(db, db->itsDataFile, 0, header, kDataHeaderBytes)) return false;
    db->itsData = DecodeDataHeader(header);
    if (db->itsData.itsIndexCount > kMaxKeyIndexes) return Fail(kHeaderTooManyKeys);
    // No database has slots past 65535 bytes (a rebuild refuses them); a damaged header that says
    // so would have every read allocate and read that much.
    if (db->itsData.itsIndexCount < 0 || db->itsData.itsSlotBytes < kMinSlotBytes ||
        db->itsData.itsSlotBytes > 65535 || db->itsData.itsHighSlot < 0 || db->itsData.itsFreeCount < 0)
        return Fail(kRebuildNeeded);
    db->itsIndexCount = db->itsData.itsIndexCount;
    db->itsKeys.assign(1, TKeyDesc());
    if (db->itsIndexCount > 0) {
        code = db->itsIndexFile.Open(db->itsIndexName, OpenMode(db));
        if (code != 0) {
            if (code == EMFILE || code == ENFILE) return FailOs(code, TIoKind::kOpen, db->itsReadOnly);
            return Fail(kRebuildNeeded);
        }
        if (!ReadKeyHeaders(db)) return false;
    }
    if (db->itsData.itsDirtyMark != 0) return Fail(kRebuildNeeded);
    // A journaled operation keeps notes per file: the data file and each key index.
    db->itsOp.itsHeaderEntryAt.assign(static_cast<size_t>(db->itsIndexCount) + 1, -1);
    db->itsOp.itsTookFromFree.assign(static_cast<size_t>(db->itsIndexCount) + 1, false);
    return true;
}

// Rolls the interrupted operation back and leaves the journal empty.
bool ReplayPendingJournal(IsamDatabase* db) {
    if (!ReplayJournal(db)) return false;
    // Slots past the restored header were appended by the interrupted operation.
    int64_t size = 0;
    int64_t wanted = (static_cast<int64_t>(db->itsData.itsHighSlot) + 1) * db->itsData.itsSlotBytes;
    if (db->itsDataFile.Size(&size) == 0 && size > wanted) db->itsDataFile.Truncate(wanted);
    uint8_t placeholder = 0;
    if (db->itsJournalFile.Truncate(1) != 0 || !WriteExact(db, db->itsJournalFile, 0, &placeholder, 1) ||
        !FlushFile(db->itsJournalFile))
        return Fail(kReplayFailed);
    return true;
}

} // namespace

void BTOpenDatabase(IsamDatabase*& result, const std::string& base, bool readOnly, bool journaled) {
    BeginCall();
    result = nullptr;
    TIsamState& s = IsamState();
    if (!s.itsStarted) {
        Fail(kNotStarted);
        return;
    }
    if (base.size() > kMaxIsamPath) {
        Fail(kPathNotFound);
        return;
    }
    IsamDatabase* db = new (std::nothrow) IsamDatabase;
    if (db == nullptr) {
        Fail(kNoMemoryOpen);
        return;
    }
    TIsamFileNames names = IsamFileNames(base, s.itsDataExt, s.itsIndexExt, s.itsJournalExt);
    db->itsDataName = names.itsData;
    db->itsIndexName = names.itsIndex;
    db->itsJournalName = names.itsJournal;
    db->itsReadOnly = readOnly;
    // A read-only handle never writes, so it has nothing to journal.
    db->itsJournaled = journaled && !readOnly;

    bool replay = false;
    bool opened = OpenJournal(db, replay) && ReadHeaders(db) && (!replay || ReplayPendingJournal(db));
    if (!opened) {
        CloseFiles(db);
        delete db;
        return;
    }
    if (!db->itsJournaled && db->itsJournalFile.IsOpen()) {
        db->itsJournalFile.Close();
        if (!readOnly) RemoveFile(names.itsJournal);
    }
    db->itsOp.itsLength = 1;
    db->itsOpenMark = kOpenMark;
    s.itsOpen.push_back(db);
    result = db;
}

namespace {

// Cuts off the rows the index file was grown by and never used, so that a closed file holds
// exactly its pages. Rows past the pages in use are harmless, so a failure here is not one.
void TrimIndexFile(IsamDatabase* db) {
    int32_t pages = 0;
    for (int k = 1; k <= db->itsIndexCount; ++k)
        pages = std::max(pages, db->itsKeys[static_cast<size_t>(k)].itsHeader.itsPageCount);
    int64_t wanted = (static_cast<int64_t>(pages) + 1) * db->itsRowBytes;
    int64_t size = 0;
    if (db->itsIndexFile.Size(&size) == 0 && size > wanted) db->itsIndexFile.Truncate(wanted);
}

} // namespace

void BTCloseDatabase(IsamDatabase*& db) {
    BeginCall();
    TIsamState& s = IsamState();
    if (!CheckHandle(db, false)) return;
    auto it = std::find(s.itsOpen.begin(), s.itsOpen.end(), db);
    if (it == s.itsOpen.end()) {
        Fail(kNotOpen);
        return;
    }
    if (!db->itsJournaled && !db->itsReadOnly && db->itsChangesPending) {
        if (WriteChangedPages(db, true)) {
            for (int k = 1; k <= db->itsIndexCount; ++k)
                if (db->itsKeys[static_cast<size_t>(k)].itsHeaderChanged && !WriteKeyHeader(db, k)) break;
        }
        if (IsamOK()) {
            db->itsData.itsDirtyMark = 0;
            WriteDataHeader(db);
        }
    }
    DropPages(db, 0);
    if (db->itsIndexGrownAhead && IsamOK()) TrimIndexFile(db);
    int code = db->itsJournalFile.Close();
    int code2 = db->itsIndexFile.Close();
    int code3 = db->itsDataFile.Close();
    if (code != 0 || code2 != 0 || code3 != 0) Fail(kCloseFailed);
    s.itsOpen.erase(std::find(s.itsOpen.begin(), s.itsOpen.end(), db));
    db->itsOpenMark = 0;
    delete db;
    db = nullptr;
}

void BTEraseDatabase(const std::string& base) {
    BeginCall();
    TIsamState& s = IsamState();
    TIsamFileNames names = IsamFileNames(base, s.itsDataExt, s.itsIndexExt, s.itsJournalExt);
    RemoveFile(names.itsIndex);
    RemoveFile(names.itsJournal);
    int code = RemoveFile(names.itsData);
    if (code != 0) FailOpen(code, names.itsData);
}

RecRef BTAddRec(IsamDatabase* db, const void* record) {
    BeginCall();
    if (!CheckHandle(db, true)) return 0;
    return AddRecord(db, record);
}

void BTGetRec(IsamDatabase* db, RecRef ref, void* record) {
    BeginCall();
    if (!CheckHandle(db, false)) return;
    ReadRecord(db, ref, record);
}

void BTPutRec(IsamDatabase* db, RecRef ref, const void* record) {
    BeginCall();
    if (!CheckHandle(db, true)) return;
    WriteRecord(db, ref, record);
}

void BTDeleteRec(IsamDatabase* db, RecRef ref) {
    BeginCall();
    if (!CheckHandle(db, true)) return;
    DeleteRecord(db, ref);
}

int32_t BTUsedRecCount(IsamDatabase* db) {
    BeginCall();
    if (!CheckHandle(db, false)) return 0;
    return db->itsData.itsHighSlot - db->itsData.itsFreeCount;
}

int32_t BTSlotCount(IsamDatabase* db) {
    BeginCall();
    if (!CheckHandle(db, false)) return 0;
    return db->itsData.itsHighSlot + 1;
}

void BTSetWriteBehind(IsamDatabase* db, size_t bytes) {
    BeginCall();
    if (!CheckHandle(db, true) || db->itsJournaled) return;
    int code = db->itsDataFile.SetWriteBehind(bytes);
    int indexCode = db->itsIndexFile.SetWriteBehind(bytes);
    if (code != 0 || indexCode != 0) FailOs(code != 0 ? code : indexCode, TIoKind::kWrite, false);
}

void BTSetIndexReadAhead(IsamDatabase* db, size_t bytes) {
    BeginCall();
    if (!CheckHandle(db, false)) return;
    db->itsIndexFile.SetReadAhead(bytes);
}

void BTSetReadAhead(IsamDatabase* db, size_t bytes) {
    BeginCall();
    if (!CheckHandle(db, false)) return;
    db->itsReadAheadLimit = bytes;
    std::vector<uint8_t>().swap(db->itsReadAhead);
}

int32_t BTRecLength(IsamDatabase* db) {
    BeginCall();
    if (!CheckHandle(db, false)) return 0;
    return db->itsData.itsSlotBytes;
}

} // namespace marvek
