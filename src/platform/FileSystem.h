#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Files and folders beyond the database file layer: free space, the read-only attribute, sizes
// and age stamps, wildcard deletion, folder creation and whole-file reads and writes. Failures
// come back as values (an errno code, 0 for success), never as exceptions.

namespace marvek {

// Free bytes on the file system that holds path (a file, a folder, or a path not yet created:
// the nearest existing folder above it counts). 0 means read-only media; -1 that it cannot tell.
int64_t FreeBytes(const std::string& path);

// Test seam: a path inside one of these folders reports the given number of free bytes instead
// of asking the file system (0 simulates a read-only mount such as a CD).
struct TFreeSpaceSeam {
    std::vector<std::pair<std::string, int64_t>> itsFolders;

    void Set(const std::string& folder, int64_t freeBytes) { itsFolders.emplace_back(folder, freeBytes); }
    void Reset() { itsFolders.clear(); }
};

TFreeSpaceSeam& FreeSpaceSeam();

// The read-only attribute is the owner's write permission.
bool IsReadOnly(const std::string& path);
int ClearReadOnly(const std::string& path);
int SetReadOnly(const std::string& path);

int FileSize(const std::string& path, int64_t* size);
// A 32-bit stamp that changes whenever the file is written: it mixes the modification time
// (seconds and nanoseconds) with the size.
int FileStamp(const std::string& path, uint32_t* stamp);

// The regular files that "base.*" names: the file name of base followed by "." and anything, and
// (as the classic wildcard rule has it) a file named exactly base. Sorted by name.
std::vector<std::string> MatchingFiles(const std::string& base);
// Deletes every file MatchingFiles names; the result is the first failure, 0 when all went.
int DeleteMatching(const std::string& base);

// Creates a folder and any missing folders above it; 0 when it already exists.
int CreateFolder(const std::string& path);
bool FolderExists(const std::string& path);

// Reads at most maxBytes of a file.
int ReadFileBytes(const std::string& path, std::string* bytes, size_t maxBytes = SIZE_MAX);
// Replaces a file whole: the data goes to a new file beside it, which is flushed and then renamed
// over the old one, so a failure at any point leaves either the old file or the new one, never a
// mixture. A file with the read-only attribute is refused with EACCES.
int WriteFileAtomically(const std::string& path, const void* data, size_t size);

} // namespace marvek
