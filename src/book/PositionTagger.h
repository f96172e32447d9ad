#pragma once

#include <cstdint>
#include <string>

#include "chess/ChessPosition.h"
#include "storage/Isam.h"

// A scratch set of positions, kept on disk because it may outgrow memory (an export remembers
// every position it has written, so that a transposition is written once). The data file holds
// no records: key index 1 holds each tagged position's key (book/PositionKey.h) with a value the
// client chooses in the entry's record reference.
//
//   base.$$$  data file (header slot only, slots of 32 bytes)
//   base.$$I  index file: key 1, 34 bytes, no duplicates
//
// A relative base path names files in the program folder's "Temp/" folder, never in the current
// directory; an absolute one is used as it is. The files are scratch: every file named by the
// base path and an extension is deleted when the tagger goes.

namespace marvek {

class TPositionTagger {
public:
    static constexpr const char* kDataExtension = "$$$";
    static constexpr const char* kIndexExtension = "$$I";
    // The database is never journaled; the engine still wants a name for the journal.
    static constexpr const char* kJournalExtension = "$$J";

    TPositionTagger() = default;
    ~TPositionTagger();
    TPositionTagger(const TPositionTagger&) = delete;
    TPositionTagger& operator=(const TPositionTagger&) = delete;

    // The folder that relative base paths are placed in (created when missing).
    static std::string TemporaryFolder();

    // Starts an empty set (earlier contents of the files are lost). A failed creation is shown as
    // a message and leaves the tagger closed; a failed open throws EDatabaseProblem.
    void OpenTagFile(const std::string& basePath);
    void CloseTagFile();

    // All of these need the tagger open.
    // Tags the position with value; a position tagged already keeps its first value.
    void AddBoard(const TPackedPosition& position, int32_t value);
    bool BoardIsTagged(const TPackedPosition& position);
    // Removes every tag; a failure is shown as a message.
    void EmptyTagFile();

    bool IsOpen() const { return itsOpen; }
    // The base path the files are named by ("" before the first OpenTagFile).
    const std::string& ExpandedBasePath() const { return itsExpandedPath; }

private:
    bool itsOpen = false;
    IsamDatabase* itsDatabase = nullptr;
    std::string itsBasePath;
    std::string itsExpandedPath;
};

} // namespace marvek
