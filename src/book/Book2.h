#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "book/PositionKey.h"
#include "chess/ChessPosition.h"
#include "storage/Isam.h"

// One open book: up to ten position files (one variable-length record per position, keyed by the
// canonical position) and a names file (one fixed record per named position, keyed by the name).
// Files share the book's base name: "2MD"/"2MX"/"2M$"/"2M@" for position file 1, N for file 2 and
// so on to V for file 10, and "2JD"/"2JX"/"2J$"/"2J@" for the names file. New positions always go
// to the last position file; a further one is started when it grows past the size limit.

namespace marvek {

class TCommentBuffer;
class TPositionRecord;
class TKeyFilter;
class TRecordCache;
struct TCachedRecord;
class TProgress;

inline constexpr int kMaxPositionFiles = 10;
inline constexpr int kBookRecordBytes = 64478;
inline constexpr int kPositionSlotBytes = 64;
inline constexpr int kNameSlotBytes = 80;
inline constexpr int kMaxNameLength = 41;
// The error code a failed open leaves behind.
inline constexpr int kBookOpenFailed = 9999;
// The memory a bulk update keeps records in before it writes them: an eighth of the computer's
// memory, at least 256 MB and at most 4 GB. Records take about 150 bytes each, so an import of a
// few million positions is written in one ordered pass.
size_t BulkUpdateBytes();
// The memory of a bulk update as the user set it, in MB (at least 16); 0 for the program's choice.
size_t BulkUpdateBytes(int32_t megabytes);

// The size past which a new position file is started; tests lower it.
int64_t& PositionFileSizeLimit();

class TBook2 {
public:
    TBook2();
    ~TBook2();
    TBook2(const TBook2&) = delete;
    TBook2& operator=(const TBook2&) = delete;

    // ---- File set
    // Creates an empty book (not left open); true when both the first position file and the
    // names file were created.
    bool Create(const std::string& name);
    // Raises EDatabaseProblem when a database cannot be opened.
    void Open(const std::string& name, bool readOnly, bool safeSave, bool rebuildNames = false,
              bool rebuildPositions = false);
    void Close();
    bool Rename(const std::string& newName);
    bool Delete();
    // Starts a further position file when the last one has grown past the size limit.
    void EnsureRoom();

    int32_t PositionCount();
    int32_t NameCount();
    const std::string& BaseName() const { return itsBaseName; }
    const std::string& ExpandedName() const { return itsExpandedName; }
    bool IsReadOnly() const { return itsReadOnly; }
    bool IsSafeSave() const { return itsSafeSave; }
    bool IsOpen() const { return itsFileCount > 0; }
    int PositionFileCount() const { return itsFileCount; }
    int ErrorCode() const { return itsErrorCode; }
    // Whether the book's folder reports free space; none means read-only media.
    bool DriveHasFreeSpace() const;

    // ---- Positions
    bool IsInBook(const TPackedPosition& position);
    // Reads the stored record of the record's position, seen from that position, and the comment
    // into `comment` when one is given. A position not in the book leaves no candidates, no
    // take-backs, no count and no assessment, and keeps the rates and opening code as they were.
    // True when the book has a record for the position.
    bool FillInEverything(TPositionRecord& record, TCommentBuffer* comment);
    // Writes the record (and the comment when given) as the record of its position. Raises
    // EDatabaseProblem when the disk is full or a storage call fails. Never for a read-only book.
    void UpdateEverything(const TPositionRecord& record, const TCommentBuffer* comment);
    // Whether a move is a candidate of a position's record, as FillInEverything would show it:
    // `index` is the candidate's or -1, `count` the number of candidates (0 for a position not in
    // the book). A bulk update answers from the kept bytes without unpacking them. True when the
    // book has a record for the position.
    bool FindCandidate(const TPackedPosition& position, const TPackedMove& move, int& index, int& count);
    // The summary of a position's record as seen from the position given: its backsolved rate,
    // reference, backsolved count and numeric assessment. Absent: rate 9, reference -1, count 0,
    // numeric left as it was, and false.
    bool GetPositionCodeForThisBoard(const TPackedPosition& position, int& rate, RecRef& ref, int& count,
                                     int16_t& numeric);

    // ---- Bulk updates
    // From BeginBulkUpdate to EndBulkUpdate the book keeps the records it reads and writes in
    // memory, about `memoryBytes` of them, and writes the changed ones in the order of their keys
    // whenever that fills up and at the end: one ordered pass over the index instead of a probe
    // and an insert at a random place for every move of an import. Reading goes through the
    // records kept, so callers see no difference. EndBulkUpdate writes what is left and raises
    // EDatabaseProblem as UpdateEverything does; Close writes it too.
    // Writing is shown on `progress` when one is given. `expectedRecords`, when known, is the
    // number of positions the caller will look up: it makes room for them from the start, and
    // tells whether reading the whole book in order will cost less than probing for each.
    void BeginBulkUpdate(size_t memoryBytes = BulkUpdateBytes(), TProgress* progress = nullptr,
                         size_t expectedRecords = 0);
    void EndBulkUpdate();
    bool InBulkUpdate() const { return itsBulk.itsCache != nullptr; }
    // Whether the bulk update knows every position of the book, read whole or kept in its filter
    // of keys, and so probes for a position only when the book may have it.
    bool KnowsWholeBook() const { return itsBulk.itsComplete || itsBulk.itsFiltered; }
    // Tells a bulk update which position comes next, so that its memory is on the way.
    void Prefetch(const TPackedPosition& position);
    // Writes the changed records a bulk update keeps.
    void WriteCachedRecords();
    // The memory the bulk update keeps records in, 0 outside one.
    size_t BulkUpdateBudget() const { return itsBulk.itsCache != nullptr ? itsBulk.itsBudget : 0; }
    // Whether a bulk update gains from being told the positions to come (LookUpAhead): not once
    // it keeps the whole book. Reading the whole book, when the caller's expected lookups make it
    // pay, is decided here rather than at the first lookup.
    bool WantsLookAhead();
    // Looks up, in the order of their keys, the positions (their keys) the caller is about to
    // read and write, and keeps what it finds as a lookup would: in key order one index page
    // read serves many keys, where a probe at random reads a page or two for each. Keys kept
    // already, or certainly not in the book, cost nothing. The lookups count as probes for
    // deciding whether reading the whole book pays. Only a matter of speed: a position missed
    // here is probed for when it is asked for. `keys` is sorted on the way. False once looking
    // ahead gains nothing more (the whole book is kept).
    bool LookUpAhead(std::vector<TIsamKey>& keys);

    // ---- Named positions
    void UpdateBoardName(const TPackedPosition& position, const std::string& name);
    bool DeleteBoardName(const std::string& name);
    bool ThisBoardNameExists(const std::string& name);
    bool RenameBoard(const std::string& oldName, const std::string& newName);
    bool GetNameForThisBoard(const TPackedPosition& position, std::string& name);
    bool GetBoardForThisName(const std::string& name, TPackedPosition& position);
    bool NextBoardName(std::string& name);
    bool PreviousBoardName(std::string& name);

    // ---- File names
    // The extension of position file k (1-10) or, for k 0, of the names file; kind is 'D' (data),
    // 'X' (index), '$' or '@' (the engine's journal and message files).
    static std::string Extension(int k, char kind);
    // A book name as given, reduced to what a base name may hold: the extension ".2MD" is cut
    // and dots are removed from the file name (never from the folders above it).
    static std::string CleanBookName(const std::string& name);
    // Rebuilds position file k (1-10) or, for k 0, the names file of the book at the expanded
    // path `base` from its records; true when the engine reports success.
    static bool RebuildFile(const std::string& base, int k);

    // Points the storage engine at position file k, or the names file for k 0 (with the rebuild's
    // extensions), as every create, open and rebuild of one of the book's databases must first.
    static void SetExtensions(int k);

private:
    void RememberName(const std::string& name);
    void ClearReadOnlyAttributes() const;
    bool CreatePositionFile(int k);
    void OpenDatabase(IsamDatabase*& db, int k, int failMessage);
    std::string FileName(int k, char kind) const;
    // Probes the position files in order; false when absent or when a probe failed (reported
    // with probeMessage).
    bool FindPosition(const TPackedPosition& position, int probeMessage, int& file, RecRef& ref,
                      TCanonicalTransform& transform);
    // The key of a position and the transform to its canonical form, worked out once for a run
    // of calls on the same position.
    const TIsamKey& KeyOf(const TPackedPosition& position, TCanonicalTransform& transform);
    // Probes the position files for a key; a failed probe is reported with probeMessage unless
    // that is 0.
    bool ProbeFiles(const TIsamKey& key, int probeMessage, int& file, RecRef& ref);
    // The kept record of a position, probed for when it is not kept yet; nullptr when the probe
    // failed. The record's bytes are read when asked for; nullptr when that failed. Reading them
    // may move the entry: `entry` is then where it stands now.
    TCachedRecord* CachedRecord(const TPackedPosition& position, int probeMessage,
                                TCanonicalTransform& transform);
    const uint8_t* CachedBytes(TCachedRecord*& entry);
    void KeepCacheInBudget();
    // Writes the changed records kept and empties the cache; with `lookupsGoOn` the keys the
    // cache knew go into the filter for the lookups still to come.
    void WriteKeptRecords(bool lookupsGoOn);
    // Adds the keys the cache knows to be in the book to the filter, after a writing pass.
    void FilterKeptKeys();
    // Ends a bulk update without writing anything.
    void DropCache();
    // Reads every record of the book into the cache, in key order, when it fits in half the
    // budget; the cache then knows every position, and a position it lacks is not in the book.
    void LoadWholeBook();
    // Whether reading the whole book costs less than the probes still to come.
    bool WholeBookPays();
    // The positions in the position files, without writing what the cache keeps.
    int64_t KeysInFiles();

    std::string itsBaseName;
    std::string itsExpandedName;
    std::string itsFolder;
    bool itsReadOnly = false;
    bool itsSafeSave = false;
    int itsErrorCode = 0;
    int itsFileCount = 0;
    std::array<IsamDatabase*, kMaxPositionFiles> itsPositions{};
    IsamDatabase* itsNames = nullptr;
    std::vector<uint8_t> itsRecord; // the record buffer, kBookRecordBytes long

    // Imports look a position up and then write it: the key is worked out once for both.
    TPackedPosition itsLastPosition;
    TIsamKey itsLastKey{};
    TCanonicalTransform itsLastTransform;
    bool itsHaveLastKey = false;

    // What a bulk update keeps, from BeginBulkUpdate to EndBulkUpdate; no cache outside one.
    struct TBulkUpdate {
        std::unique_ptr<TRecordCache> itsCache;
        // The kept record of the position of the last key (imports read and write it in turn).
        TCachedRecord* itsLastEntry = nullptr;
        size_t itsBudget = 0;
        TProgress* itsProgress = nullptr;
        // The positions the caller expects to look up, 0 when it cannot say.
        size_t itsExpectedLookups = 0;
        // Whether the cache holds every record of the book, whether loading them was tried, and
        // how often the position files were probed since.
        bool itsComplete = false;
        bool itsWholeBookTried = false;
        int64_t itsProbes = 0;
        // The keys of every position in the book, once the records kept have been written with
        // the whole book known: a position the filter has not got needs no probe. It stays
        // good from one writing to the next, as every record goes through the cache.
        std::unique_ptr<TKeyFilter> itsFilter;
        bool itsFiltered = false;

        // What the cache knew of the book no longer holds once it has been emptied.
        void ForgetLookups() {
            itsLastEntry = nullptr;
            itsComplete = itsWholeBookTried = false;
            itsProbes = 0;
        }
    };
    TBulkUpdate itsBulk;

    // The free space of the book's drive, as last read, and when.
    int64_t itsFreeBytes = -1;
    int64_t itsFreeBytesAt = 0;
    int64_t FreeBytesForWriting();
};

} // namespace marvek
