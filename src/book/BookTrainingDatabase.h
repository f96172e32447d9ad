#pragma once

#include <cstdint>
#include <string>

#include "book/PositionKeyDatabase.h"
#include "chess/ChessPosition.h"
#include "storage/Isam.h"

// How often the user has answered each position of a book correctly while training on it: a
// position-key database (book/PositionKeyDatabase.h) beside the book, named by the book's base
// path with the extensions below, that files each position with its count. A position without an
// entry has count 0. The database is journaled, so every change of a count is on disk when the
// call returns. Beside the data (2TM) and index (2TI) files, the journal (2T$) is present once
// the database has been opened and the rebuild tools' message file (2T@) only after a rebuild.

namespace marvek {

class TBookTrainingDatabase {
public:
    static constexpr const char* kDataExtension = "2TM";
    static constexpr const char* kIndexExtension = "2TI";
    static constexpr const char* kJournalExtension = "2T$";
    static constexpr const char* kMessageExtension = "2T@";

    TBookTrainingDatabase() = default;
    TBookTrainingDatabase(const TBookTrainingDatabase&) = delete;
    TBookTrainingDatabase& operator=(const TBookTrainingDatabase&) = delete;

    // Files. basePath is the book's base path (folder and name, no extension).
    // A new, empty database in place of any earlier one; not left open. A failure keeps the
    // engine's error number (CreateError) and shows message 473.
    bool CreateTrainingFiles(const std::string& basePath);
    // Opens read-write and journaled, creating the files when missing; reset starts afresh.
    // Throws EDatabaseProblem when the database cannot be opened.
    void OpenTrainingFiles(const std::string& basePath, bool reset);
    void CloseTrainingFiles();
    // Follows the book to its new data file name (folder ignored, cut before ".2MD", dots
    // removed) in the training files' folder, and reopens there. False when the file system has
    // no free space at all (nothing changes) or when a rename failed.
    bool RenameTrainingFiles(const std::string& newBookFileName);
    // Closes and deletes the files; false when a data or index file, or a journal or message
    // file that is present, could not be deleted.
    bool DeleteTrainingFiles();

    // Counts. All but SuccessesForBoard need the database open.
    void AddOneSuccessToBoard(const TPackedPosition& position);
    void SetThisBoardsSuccessTo(const TPackedPosition& position, int32_t count);
    void RemoveBoard(const TPackedPosition& position);
    bool BoardHasEntry(const TPackedPosition& position);
    // 0 for a position without an entry, -1 when the database is not open.
    int32_t SuccessesForBoard(const TPackedPosition& position);
    int32_t BoardCount();
    // Removes every entry; a failure is shown as a message and the database stays open.
    void EmptyTrainingDatabase();

    bool IsOpen() const { return itsDatabase.IsOpen(); }
    const std::string& BasePath() const { return itsBasePath; }
    const std::string& ExpandedBasePath() const { return itsExpandedPath; }
    int CreateError() const { return itsCreateError; }

private:
    void RecordPath(const std::string& basePath);
    std::string FileName(const char* extension) const;
    // The stored count of a position; found is false (and the count 0) without an entry.
    int32_t Lookup(const TIsamKey& key, bool& found);
    void ChangeCount(const TPackedPosition& position, bool addOne, int32_t count, const char* operation);

    TPositionKeyDatabase itsDatabase{kDataExtension, kIndexExtension, kJournalExtension};
    std::string itsBasePath;
    std::string itsExpandedPath;
    int itsCreateError = 0;
};

} // namespace marvek
