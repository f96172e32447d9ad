#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The one file layer every database goes through. Calls report failure as values (an errno
// code, 0 for success) and never throw. Tests can make the n-th write, flush, truncate or rename
// fail, which is how the storage engine's rollback paths are exercised without a real disk fault.

namespace marvek {

// kReadShared reads a file other programs may hold too (a PGN file), without taking the lock.
enum class TFileMode { kReadOnly, kReadWrite, kReadShared };

class TFile {
public:
    TFile() = default;
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    TFile(TFile&& other) noexcept;
    TFile& operator=(TFile&& other) noexcept;

    // Opens an existing file for this process alone: a file another open holds (in this or
    // another process) fails with EWOULDBLOCK.
    int Open(const std::string& path, TFileMode mode);
    // Creates (or empties) a file and opens it read-write for exclusive use.
    int Create(const std::string& path);
    int Close();

    bool IsOpen() const { return itsFd >= 0; }

    // Reads up to count bytes at offset; *done receives how many were read (short at the end).
    int ReadAt(int64_t offset, void* data, size_t count, size_t* done);
    int WriteAt(int64_t offset, const void* data, size_t count);
    int Size(int64_t* size);
    int Truncate(int64_t size);
    int Flush();

    // Write-behind: while on, a write that continues or overlaps a pending run of writes joins
    // it in memory, up to `bytes`. Two runs are kept, so that two streams of writes in order (new
    // pages at the end of a file and old ones rewritten in place) are both gathered. A run goes to
    // the file in one write when a write lands on it that cannot join it, when a write in a third
    // place needs its room (the run used least recently goes), when a read touches it, or when the
    // file is sized, truncated, flushed or closed. A failure of that write is reported by the call
    // that caused it. 0 writes the runs and turns write-behind off.
    int SetWriteBehind(size_t bytes);

    // Read-ahead: while on, a read that goes on from the last one (or from the bytes read ahead)
    // with a gap of at most an eighth of `bytes` reads `bytes` at once, and later reads inside
    // them are served from memory. Every write lands in those bytes too, so they never go stale;
    // pending write-behind runs are laid over them when they are read. 0 turns it off.
    void SetReadAhead(size_t bytes);

private:
    struct TRun {
        int64_t itsAt = 0;
        std::vector<char> itsBytes;
        uint64_t itsUsed = 0; // when a write last joined it, for choosing the one to send
        bool Overlaps(int64_t offset, size_t count) const {
            return !itsBytes.empty() && offset < itsAt + static_cast<int64_t>(itsBytes.size()) &&
                   itsAt < offset + static_cast<int64_t>(count);
        }
    };
    static constexpr size_t kRuns = 2;

    int WriteGathered(int64_t offset, const void* data, size_t count);
    int WriteDirect(int64_t offset, const void* data, size_t count);
    int WritePending();
    int WriteRun(TRun& run);
    bool ReadAhead(int64_t offset, size_t count);
    void LayOver(int64_t offset, const void* data, size_t count);

    int itsFd = -1;
    size_t itsPendingLimit = 0;
    uint64_t itsWritesGathered = 0;
    TRun itsRuns[kRuns];
    // The bytes read ahead: the file from itsAheadAt on, with every later write laid over. The
    // buffer keeps its size; itsAheadSize says how much of it holds the file.
    std::vector<char> itsAheadBytes;
    int64_t itsAheadAt = 0;
    size_t itsAheadSize = 0;
    size_t itsAheadLimit = 0;
    int64_t itsLastReadEnd = -1;
};

int RemoveFile(const std::string& path);
int RenameFile(const std::string& from, const std::string& to);
int CopyFile(const std::string& from, const std::string& to);
bool FileExists(const std::string& path);

// Test seam: counts calls of each kind and fails the chosen one with EIO. A count of 0 means
// "never fail". Counters count from the moment they are set.
struct TFileFaults {
    int itsFailWriteAt = 0;
    int itsFailFlushAt = 0;
    int itsFailTruncateAt = 0;
    int itsFailRenameAt = 0;
    // A simulated crash: after this many more writes every write, flush, truncate and rename
    // fails, as if the process had died there. Negative: no crash.
    int itsCrashAfterWrites = -1;
    int itsWrites = 0;
    int itsFlushes = 0;
    int itsTruncates = 0;
    int itsRenames = 0;

    void Reset() { *this = TFileFaults(); }
};

TFileFaults& FileFaults();

} // namespace marvek
