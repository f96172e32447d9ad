#pragma once

#include <cstdint>
#include <string>

#include "storage/Isam.h"

// A companion database of a book that keeps no records: its data file holds only the header
// slot (slots of 32 bytes), and key index 1 files each position under its key (PositionKey.h,
// 34 bytes, no duplicates) with a 32-bit value the owner chooses in the entry's record reference.
// The training counts and the position tagger each keep one, and create, open, query and close
// it the same way; what a failure means to the user is theirs to say.

namespace marvek {

class TPositionKeyDatabase {
public:
    // The engine's extensions of the data, index and journal files; set before every create and open.
    TPositionKeyDatabase(const char* dataExtension, const char* indexExtension, const char* journalExtension)
        : itsExtensions{dataExtension, indexExtension, journalExtension} {}
    ~TPositionKeyDatabase() { Close(); }
    TPositionKeyDatabase(const TPositionKeyDatabase&) = delete;
    TPositionKeyDatabase& operator=(const TPositionKeyDatabase&) = delete;

    // New, empty files at `path` (a base path without extension), not left open. False when
    // the engine failed; IsamError() says why.
    bool Create(const std::string& path) const;
    // Opens the files at `path` read-write. False when the engine failed; IsamError() says why.
    bool Open(const std::string& path, bool journaled);
    void Close();
    bool IsOpen() const { return itsDatabase != nullptr; }

    // Raises EDatabaseProblem ("Not enough disk space.") when the drive of `path` has fewer
    // than kMinimumFreeBytes free: a change could grow the files and leave them half-written.
    static void RequireRoom(const std::string& path);

    // These need the database open, and report failure through IsamOK() and IsamError().
    // The value filed under the key; found is false (and the value 0) when the key has none.
    int32_t Find(const TIsamKey& key, bool& found);
    void Add(const TIsamKey& key, int32_t value);
    void Remove(const TIsamKey& key, int32_t value);
    void Clear();
    int32_t Count();

private:
    struct TExtensions {
        const char* itsData;
        const char* itsIndex;
        const char* itsJournal;
    };

    void UseExtensions() const;

    TExtensions itsExtensions;
    IsamDatabase* itsDatabase = nullptr;
};

} // namespace marvek
