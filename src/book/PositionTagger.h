#pragma once

#include <cstdint>
#include <string>

#include "book/PositionKeyDatabase.h"
#include "chess/ChessPosition.h"
#include "storage/Isam.h"

// A scratch set of positions, kept on disk because it may outgrow memory (an export remembers
// every position it has written, so that a transposition is written once): a position-key
// database (book/PositionKeyDatabase.h) that files each tagged position with a value the client
// chooses, in a data file "$$$" and an index file "$$I" beside the base path.
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

    bool IsOpen() const { return itsDatabase.IsOpen(); }
    // The base path the files are named by ("" before the first OpenTagFile).
    const std::string& ExpandedBasePath() const { return itsExpandedPath; }

private:
    TPositionKeyDatabase itsDatabase{kDataExtension, kIndexExtension, kJournalExtension};
    std::string itsBasePath;
    std::string itsExpandedPath;
};

} // namespace marvek
