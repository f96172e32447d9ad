#pragma once

// The engine's internals, shared by its source files and by no one else.
//
// Data file: slot n at n * SlotBytes; slot 0 starts with the header (IsamFormat.h).
// A free slot's first 4 bytes link to the next free slot (-1 ends the chain); live records keep
// their first 4 bytes zero, which is how the rebuild tells them apart.
//
// Index file: rows of R bytes, one page slot per key index in KeyNr order. Row 0 holds the key
// headers, page p of key k lives at p * R + O(k). A page on disk:
//   0 u16 ItemCount   2 i32 LeftChild   then per entry: i32 RecRef, i32 RightChild,
//   u8 key length, key bytes (padded to the index's key length)
// Only the used part of a page slot is written.
//
// Journal (journaled mode): one placeholder byte, then before-images:
//   header entry: u16 1000, u16 file (0 data, k key), 28-byte header, i32 FreeHead after a slot
//                 was taken from the free chain in the operation (-2 when none was)
//   page entry:   u16 ItemCount, u16 KeyNr, packed page from byte 4, i32 page, i32 LeftChild
// Replay restores them in order; tag 2000 or the end of the file ends the journal.

#include "platform/File.h"
#include "storage/Isam.h"
#include "storage/IsamErrors.h"
#include "storage/IsamFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace marvek::isam {

inline constexpr uint32_t kOpenMark = 0x11195851;
inline constexpr int kMinSlotBytes = 21;
inline constexpr int kMinPageBuffers = 8;
inline constexpr int kHalfPage = kPageCapacity / 2;
inline constexpr int kMaxCursorDepth = 8;
// A descent deeper than this can only follow a damaged child link round in a circle.
inline constexpr int kMaxTreeDepth = 16;
inline constexpr uint16_t kJournalHeaderTag = 1000;
inline constexpr uint16_t kJournalEndTag = 2000;

// Unsigned bytes over the common length; then the shorter key first.
int CompareKeys(const TIsamKey& a, const TIsamKey& b);

// ---- Pages in memory ------------------------------------------------------------------------

struct TPageEntry {
    int32_t itsRef = 0;
    int32_t itsRight = 0;
    TIsamKey itsKey{};
};

struct TPage {
    uint16_t itsCount = 0;
    int32_t itsLeft = 0;
    std::array<TPageEntry, kPageCapacity> itsEntries;

    // Child before entry index i (0-based), i.e. after i entries.
    int32_t Child(int i) const { return i == 0 ? itsLeft : itsEntries[static_cast<size_t>(i - 1)].itsRight; }
    TPageEntry& Entry(int i) { return itsEntries[static_cast<size_t>(i)]; }
    const TPageEntry& Entry(int i) const { return itsEntries[static_cast<size_t>(i)]; }
};

struct TCursorLevel {
    int32_t itsPage = 0;
    int itsPos = 0; // 1-based entry, 0 = before the first
};

struct TCursor {
    std::array<TCursorLevel, kMaxCursorDepth> itsPath{};
    int itsDepth = 0;
    bool itsValid = false;
};

// Where the last key was added: the leaf page and the entries of its parents that bound it.
// A key added in order after it most often belongs in the same leaf, which is then reached
// without a walk from the root. It holds while the index has not changed since.
struct TAddHint {
    bool itsValid = false;
    int32_t itsPage = 0;
    bool itsHasLow = false;
    bool itsHasHigh = false;
    TPageEntry itsLow;
    TPageEntry itsHigh;
    uint64_t itsChanges = 0;
};

struct TKeyDesc {
    TKeyHeader itsHeader;
    int itsKeyLength = 0;
    int64_t itsOffset = 0; // O(k) within a row
    bool itsHeaderChanged = false;
    bool itsCameFromFree = false;
    TCursor itsCursor;
    // Counts the changes to the index's pages, which is how the add hint knows it still holds.
    uint64_t itsChanges = 0;
    TAddHint itsHint;
};

} // namespace marvek::isam

namespace marvek {

struct IsamDatabase {
    uint32_t itsOpenMark = 0;
    TFile itsDataFile;
    TFile itsIndexFile;
    TFile itsJournalFile;
    std::string itsDataName;
    std::string itsIndexName;
    std::string itsJournalName;
    int itsIndexCount = 0;
    int64_t itsRowBytes = 0;
    int32_t itsRowsPresent = 0;
    // Whether the index file was grown past the rows in use, to be cut back at close.
    bool itsIndexGrownAhead = false;
    TDataHeader itsData;
    bool itsDataHeaderChanged = false;
    bool itsDataCameFromFree = false;
    std::vector<isam::TKeyDesc> itsKeys; // [1..IndexCount]; [0] unused
    bool itsChangesPending = false;
    bool itsReadOnly = false;
    bool itsJournaled = false;
    // Read-ahead of the data file, for walks that read records in the order of the file: the
    // bytes from itsReadAheadAt on, read itsReadAheadLimit at a time. Any write to the data file
    // drops them.
    std::vector<uint8_t> itsReadAhead;
    int64_t itsReadAheadAt = 0;
    size_t itsReadAheadLimit = 0;

    // State of the journaled operation in progress.
    struct TJournalState {
        bool itsActive = false;
        bool itsDataWritten = false;
        bool itsIndexWritten = false;
        int64_t itsLength = 1;
        bool itsUnflushed = false;
        std::vector<int64_t> itsHeaderEntryAt; // per file number, -1 when not journaled yet
        std::vector<bool> itsTookFromFree;     // per file number
        std::vector<uint64_t> itsPages;        // (KeyNr << 32 | page) journaled or new in this operation
        int64_t itsDataSize = 0;
        int64_t itsIndexSize = 0;
        std::vector<std::pair<int32_t, std::array<uint8_t, 4>>> itsFreedSlots; // first bytes before freeing
    } itsOp;
};

} // namespace marvek

namespace marvek::isam {

// ---- Engine-wide state ----------------------------------------------------------------------

struct TPageBuffer {
    IsamDatabase* itsOwner = nullptr;
    int itsKeyNr = 0;
    int32_t itsPageNr = 0;
    bool itsChanged = false;
    int itsPins = 0;
    int itsPrev = -1;
    int itsNext = -1;
    TPage itsPage;
};

struct TPageId {
    const IsamDatabase* itsOwner;
    int itsKeyNr;
    int32_t itsPageNr;
    bool operator==(const TPageId&) const = default;
};

struct TPageIdHash {
    size_t operator()(const TPageId& id) const {
        auto h = reinterpret_cast<uintptr_t>(id.itsOwner);
        h ^= static_cast<uintptr_t>(id.itsKeyNr) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<uintptr_t>(static_cast<uint32_t>(id.itsPageNr)) * 0xC2B2AE3D27D4EB4Full;
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

// What the engine keeps between calls: the last result, the extension settings, the open handles
// and the buffers they share. One object, behind the BT... functions.
struct TIsamState {
    bool itsStarted = false;
    bool itsOK = true;
    int itsError = 0;
    int itsOsError = 0;
    std::string itsDataExt = "DAT";
    std::string itsIndexExt = "IX";
    std::string itsJournalExt = "DIA";
    std::string itsSaveExt = "SAV";
    std::string itsMessageExt = "MSG";
    bool itsResynchronise = true;
    std::vector<IsamDatabase*> itsOpen;
    std::vector<uint8_t> itsSectionBuffer;

    // Page ring: a doubly linked list from least (head) to most (tail) recently used.
    std::vector<TPageBuffer> itsBuffers;
    int itsHead = -1;
    int itsTail = -1;
    std::unordered_map<TPageId, int, TPageIdHash> itsPageMap;
};

TIsamState& IsamState();

// ---- Results --------------------------------------------------------------------------------

void BeginCall();
// Records a failure (the first one of a call wins) and returns false for convenience.
bool Fail(int code);
// Replaces the reported number, for an operation that undid itself.
void Report(int code);

enum class TIoKind { kOpen, kRead, kWrite, kOther };
bool FailOs(int osError, TIoKind kind, bool readOnly);

bool CheckHandle(IsamDatabase* db, bool changing);
bool CheckKey(IsamDatabase* db, int keyNr);

// ---- Files ----------------------------------------------------------------------------------

bool ReadExact(IsamDatabase* db, TFile& file, int64_t offset, void* data, size_t count);
// A read of the data file (through its read-ahead when on) that sets no error: false when the
// bytes are not all to be had, and the caller reads them another way.
bool ReadDataQuietly(IsamDatabase* db, int64_t offset, void* data, size_t count);
bool WriteExact(IsamDatabase* db, TFile& file, int64_t offset, const void* data, size_t count);
bool WriteZeros(IsamDatabase* db, TFile& file, int64_t offset, int64_t count);
bool FlushFile(TFile& file);

bool WriteDataHeader(IsamDatabase* db);
bool WriteKeyHeader(IsamDatabase* db, int keyNr);
bool MarkChangesPending(IsamDatabase* db);

// Slot allocation for the data file (fileNr 0) and the page slots of key index fileNr.
bool AllocateSlot(IsamDatabase* db, int fileNr, int32_t& slot);
bool FreeSlot(IsamDatabase* db, int fileNr, int32_t slot);
int64_t PageOffset(const IsamDatabase* db, int keyNr, int32_t page);

// Record primitives without the entry checks, for the variable-length and rebuild layers.
RecRef AddRecord(IsamDatabase* db, const void* record);
bool ReadRecord(IsamDatabase* db, RecRef ref, void* record);
bool WriteRecord(IsamDatabase* db, RecRef ref, const void* record);
bool DeleteRecord(IsamDatabase* db, RecRef ref);

// ---- Journaled operations -------------------------------------------------------------------

// Brackets one changing operation. Outside journaled mode it only marks changes pending. An
// operation started inside another becomes part of it.
class TOperation {
public:
    TOperation(IsamDatabase* db, int undoneCode);
    ~TOperation();
    TOperation(const TOperation&) = delete;
    TOperation& operator=(const TOperation&) = delete;

    bool Started() const { return itsStarted; }
    // Makes the operation's changes durable, or undoes them when ok is false or writing fails.
    bool Finish(bool ok);
    // Ends an operation that turned out to change nothing.
    void Unchanged();

private:
    IsamDatabase* itsDb;
    int itsUndoneCode;
    bool itsStarted = false;
    bool itsFinished = false;
    bool itsNested = false; // part of an operation already running, which commits or undoes it
};

bool JournalHeader(IsamDatabase* db, int fileNr);
bool NoteFreeHeadAfterTake(IsamDatabase* db, int fileNr, int32_t freeHeadAfter);
bool JournalPage(IsamDatabase* db, int keyNr, int32_t pageNr, const TPage& page);
bool JournalHasPage(const IsamDatabase* db, int keyNr, int32_t pageNr);
void JournalNewPage(IsamDatabase* db, int keyNr, int32_t pageNr);
bool FlushJournal(IsamDatabase* db);
// Replays a journal file into the handle's files; false with 10180/10430 on failure.
bool ReplayJournal(IsamDatabase* db);

// ---- Page cache -----------------------------------------------------------------------------

bool AllocateBuffers(int count);
void FreeBuffers();
void PackPage(const TPage& page, int keyLength, uint8_t* out, size_t* used);
bool UnpackPage(const uint8_t* in, size_t size, int keyLength, TPage& page);

// A pinned page buffer; the buffer cannot be reused while a reference holds it.
class TPageRef {
public:
    TPageRef() = default;
    explicit TPageRef(int index);
    ~TPageRef();
    TPageRef(TPageRef&& other) noexcept;
    TPageRef& operator=(TPageRef&& other) noexcept;
    TPageRef(const TPageRef&) = delete;
    TPageRef& operator=(const TPageRef&) = delete;

    bool Valid() const { return itsIndex >= 0; }
    int Index() const { return itsIndex; }
    TPage& operator*() const;
    TPage* operator->() const { return &**this; }
    int32_t PageNr() const;
    void Release();

private:
    int itsIndex = -1;
};

bool FetchPage(IsamDatabase* db, int keyNr, int32_t pageNr, TPageRef& ref);
// A buffer for a freshly allocated page, without reading it.
bool NewPageBuffer(IsamDatabase* db, int keyNr, int32_t pageNr, TPageRef& ref);
// Called before a page is changed: journals its before-image and marks the buffer changed.
bool TouchPage(IsamDatabase* db, int keyNr, const TPageRef& ref);
void ForgetPage(IsamDatabase* db, int keyNr, int32_t pageNr);
bool WriteChangedPages(IsamDatabase* db, bool release);
void DropPages(IsamDatabase* db, int keyNr); // keyNr 0: every index of the handle

// ---- Key index helpers for the rebuild --------------------------------------------------------

bool CreateIndexFile(const std::string& name, int keyCount, const TKeyDescription* keys);
bool ValidKeyDescriptions(int keyCount, const TKeyDescription* keys);

} // namespace marvek::isam
