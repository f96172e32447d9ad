#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/IsamFiles.h"
#include "storage/IsamFormat.h"

// Checks a database's files from their bytes alone, without going through the engine: the data
// header against the file, the free chains, every key index's B-tree and, for databases of
// variable-length records, every record's chain of sections. It only reads (the files are opened
// read-only, locked like any open), trusts no byte, and bounds everything it allocates or follows
// by the sizes of the files, so a damaged file gives fault lines, never a crash or a hang.

namespace marvek {

struct TVerifyOptions {
    std::string itsBase; // base path, or "data;index"
    std::string itsDataExt = "DAT";
    std::string itsIndexExt = "IX";
    std::string itsJournalExt = "DIA";
    bool itsVariable = false; // records are chains of sections
};

struct TKeyIndexReport {
    int itsKeyNr = 0;
    bool itsHeaderRead = false;
    TKeyHeader itsHeader;
    int itsKeyLength = 0; // derived from the header; 0 when it gives none

    // What walking the tree found; left at zero when it was not walked.
    bool itsWalked = false;
    int itsDepth = 0; // levels from the root to the leaves, 0 for an empty index
    int64_t itsEntriesFound = 0;
    int64_t itsPagesInTree = 0;
    int64_t itsFreePagesFound = 0;
    int64_t itsLeakedPages = 0;
};

struct TVerifyReport {
    TIsamFileNames itsFiles;
    // Set when the data file could not be opened at all (missing, held by another process):
    // nothing else in the report is meaningful then.
    std::string itsOpenError;

    int64_t itsDataBytes = 0;
    bool itsHeaderRead = false;
    TDataHeader itsHeader;

    bool itsIndexPresent = false;
    int64_t itsIndexBytes = 0;
    int64_t itsJournalBytes = -1; // -1 when there is no journal file
    std::vector<TKeyIndexReport> itsKeys;

    // Slots as walked: records are the live slots (fixed) or the chains (variable).
    bool itsSlotsWalked = false;
    int64_t itsRecords = 0;
    int64_t itsSections = 0; // variable-length only: slots in use by chains
    int64_t itsFreeSlotsFound = 0;

    // One line per fault. A badly damaged file can give very many; past a limit they are only
    // counted, so itsFaultCount may exceed the lines listed.
    std::vector<std::string> itsFaults;
    int64_t itsFaultCount = 0;

    bool Opened() const { return itsOpenError.empty(); }
    bool Sound() const { return Opened() && itsFaultCount == 0; }
};

// Reads and checks everything.
TVerifyReport VerifyDatabase(const TVerifyOptions& options);

// Reads the data header and the key headers only; the faults are those the headers show by
// themselves (no chain or tree is followed).
TVerifyReport ReadDatabaseHeaders(const TVerifyOptions& options);

} // namespace marvek
