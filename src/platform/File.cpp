#include "platform/File.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace marvek {

namespace {

TFileFaults gFaults;

bool Crashed() {
    return gFaults.itsCrashAfterWrites >= 0 && gFaults.itsWrites > gFaults.itsCrashAfterWrites;
}

bool Injected(int& counter, int failAt) {
    ++counter;
    return (failAt > 0 && counter == failAt) || Crashed();
}

int OpenLocked(const std::string& path, int flags, int* fd) {
    int handle = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (handle < 0) return errno;
    // A database belongs to one user at a time; a second open must fail, not share it.
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        int code = errno;
        ::close(handle);
        return code == EWOULDBLOCK ? EWOULDBLOCK : code;
    }
    *fd = handle;
    return 0;
}

} // namespace

TFileFaults& FileFaults() {
    return gFaults;
}

TFile::~TFile() {
    Close();
}

TFile::TFile(TFile&& other) noexcept {
    *this = std::move(other);
}

TFile& TFile::operator=(TFile&& other) noexcept {
    if (this != &other) {
        Close();
        itsFd = std::exchange(other.itsFd, -1);
        itsPendingLimit = std::exchange(other.itsPendingLimit, 0);
        itsWritesGathered = other.itsWritesGathered;
        for (size_t i = 0; i < kRuns; ++i) {
            itsRuns[i] = std::move(other.itsRuns[i]);
            other.itsRuns[i].itsBytes.clear();
        }
        itsAheadBytes = std::move(other.itsAheadBytes);
        itsAheadAt = other.itsAheadAt;
        itsAheadSize = std::exchange(other.itsAheadSize, 0);
        itsAheadLimit = std::exchange(other.itsAheadLimit, 0);
        itsLastReadEnd = std::exchange(other.itsLastReadEnd, -1);
    }
    return *this;
}

int TFile::Open(const std::string& path, TFileMode mode) {
    Close();
    if (mode == TFileMode::kReadShared) {
        int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (handle < 0) return errno;
        itsFd = handle;
        return 0;
    }
    return OpenLocked(path, mode == TFileMode::kReadOnly ? O_RDONLY : O_RDWR, &itsFd);
}

int TFile::Create(const std::string& path) {
    Close();
    int code = OpenLocked(path, O_RDWR | O_CREAT, &itsFd);
    if (code != 0) return code;
    // Truncate only once the lock is ours, so a file another process holds is never emptied.
    if (::ftruncate(itsFd, 0) != 0) {
        code = errno;
        Close();
        return code;
    }
    return 0;
}

int TFile::Close() {
    if (itsFd < 0) return 0;
    int pending = WritePending();
    itsPendingLimit = 0;
    SetReadAhead(0);
    int code = ::close(itsFd) == 0 ? 0 : errno;
    itsFd = -1;
    return pending != 0 ? pending : code;
}

int TFile::SetWriteBehind(size_t bytes) {
    int code = bytes == 0 ? WritePending() : 0;
    itsPendingLimit = bytes;
    if (bytes == 0)
        for (TRun& run : itsRuns) std::vector<char>().swap(run.itsBytes);
    return code;
}

void TFile::SetReadAhead(size_t bytes) {
    itsAheadLimit = bytes;
    itsAheadSize = 0;
    itsLastReadEnd = -1;
    if (bytes == 0) std::vector<char>().swap(itsAheadBytes);
}

void TFile::LayOver(int64_t offset, const void* data, size_t count) {
    const int64_t from = std::max(offset, itsAheadAt);
    const int64_t to =
        std::min(offset + static_cast<int64_t>(count), itsAheadAt + static_cast<int64_t>(itsAheadSize));
    if (from < to)
        std::memcpy(itsAheadBytes.data() + (from - itsAheadAt),
                    static_cast<const char*>(data) + (from - offset), static_cast<size_t>(to - from));
}

// True when the bytes read ahead hold the whole read, reading ahead first where the read goes on
// from the last one. A failed or refused read-ahead leaves the read to the direct path.
bool TFile::ReadAhead(int64_t offset, size_t count) {
    const int64_t aheadEnd = itsAheadAt + static_cast<int64_t>(itsAheadSize);
    if (itsAheadSize > 0 && offset >= itsAheadAt && offset + static_cast<int64_t>(count) <= aheadEnd)
        return true;
    const auto gap = static_cast<int64_t>(itsAheadLimit / 8);
    auto goesOn = [&](int64_t end) { return end >= 0 && offset >= end && offset - end <= gap; };
    if (!goesOn(itsLastReadEnd) && !(itsAheadSize > 0 && goesOn(aheadEnd))) return false;
    itsAheadSize = 0;
    if (itsAheadBytes.size() != itsAheadLimit) {
        try {
            itsAheadBytes.resize(itsAheadLimit);
        } catch (const std::bad_alloc&) {
            SetReadAhead(0);
            return false;
        }
    }
    size_t got = 0;
    while (got < itsAheadLimit) {
        ssize_t n = ::pread(itsFd, itsAheadBytes.data() + got, itsAheadLimit - got,
                            offset + static_cast<int64_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    itsAheadAt = offset;
    itsAheadSize = got;
    // What is still waiting to be written is newer than the file.
    for (TRun& run : itsRuns)
        if (!run.itsBytes.empty()) LayOver(run.itsAt, run.itsBytes.data(), run.itsBytes.size());
    return count <= got;
}

int TFile::WriteRun(TRun& run) {
    if (run.itsBytes.empty()) return 0;
    int code = WriteDirect(run.itsAt, run.itsBytes.data(), run.itsBytes.size());
    // A run that could not be written is not tried again: the caller has been told.
    run.itsBytes.clear();
    return code;
}

int TFile::WritePending() {
    int first = 0;
    for (TRun& run : itsRuns) {
        int code = WriteRun(run);
        if (first == 0) first = code;
    }
    return first;
}

int TFile::ReadAt(int64_t offset, void* data, size_t count, size_t* done) {
    *done = 0;
    if (itsFd < 0) return EBADF;
    if (count > 0 && count <= itsAheadLimit && ReadAhead(offset, count)) {
        std::memcpy(data, itsAheadBytes.data() + (offset - itsAheadAt), count);
        *done = count;
        itsLastReadEnd = offset + static_cast<int64_t>(count);
        return 0;
    }
    itsLastReadEnd = offset + static_cast<int64_t>(count);
    for (TRun& run : itsRuns)
        if (run.Overlaps(offset, count))
            if (int code = WriteRun(run); code != 0) return code;
    auto* bytes = static_cast<char*>(data);
    while (*done < count) {
        ssize_t got = ::pread(itsFd, bytes + *done, count - *done, offset + static_cast<int64_t>(*done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) break;
        *done += static_cast<size_t>(got);
    }
    return 0;
}

int TFile::WriteAt(int64_t offset, const void* data, size_t count) {
    if (itsFd < 0) return EBADF;
    int code = WriteGathered(offset, data, count);
    // After a failed write the file's bytes are not known: what was read ahead goes.
    if (code == 0)
        LayOver(offset, data, count);
    else
        itsAheadSize = 0;
    return code;
}

int TFile::WriteGathered(int64_t offset, const void* data, size_t count) {
    if (itsPendingLimit == 0) return WriteDirect(offset, data, count);
    for (TRun& run : itsRuns) {
        const auto end = static_cast<int64_t>(run.itsBytes.size());
        if (!run.itsBytes.empty() && offset >= run.itsAt && offset <= run.itsAt + end &&
            offset - run.itsAt + static_cast<int64_t>(count) <= static_cast<int64_t>(itsPendingLimit)) {
            // Growing into the other run: that one goes first, so that this write stays on top.
            for (TRun& other : itsRuns)
                if (&other != &run && other.Overlaps(offset, count))
                    if (int code = WriteRun(other); code != 0) return code;
            auto at = static_cast<size_t>(offset - run.itsAt);
            if (at + count > run.itsBytes.size()) run.itsBytes.resize(at + count);
            std::memcpy(run.itsBytes.data() + at, data, count);
            run.itsUsed = ++itsWritesGathered;
            return 0;
        }
    }
    // A run the write lands on goes first, so that the write ends up on top of it.
    for (TRun& run : itsRuns)
        if (run.Overlaps(offset, count))
            if (int code = WriteRun(run); code != 0) return code;
    if (count > itsPendingLimit) return WriteDirect(offset, data, count);
    TRun* room = &itsRuns[0];
    for (TRun& run : itsRuns)
        if (run.itsBytes.empty() || (!room->itsBytes.empty() && run.itsUsed < room->itsUsed)) room = &run;
    if (int code = WriteRun(*room); code != 0) return code;
    room->itsBytes.reserve(itsPendingLimit);
    room->itsBytes.assign(static_cast<const char*>(data), static_cast<const char*>(data) + count);
    room->itsAt = offset;
    room->itsUsed = ++itsWritesGathered;
    return 0;
}

int TFile::WriteDirect(int64_t offset, const void* data, size_t count) {
    if (Injected(gFaults.itsWrites, gFaults.itsFailWriteAt)) return EIO;
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < count) {
        ssize_t put = ::pwrite(itsFd, bytes + done, count - done, offset + static_cast<int64_t>(done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (put == 0) return EIO;
        done += static_cast<size_t>(put);
    }
    return 0;
}

int TFile::Size(int64_t* size) {
    struct stat info {};
    if (itsFd < 0) return EBADF;
    if (int code = WritePending(); code != 0) return code;
    if (::fstat(itsFd, &info) != 0) return errno;
    *size = info.st_size;
    return 0;
}

int TFile::Truncate(int64_t size) {
    if (itsFd < 0) return EBADF;
    if (int code = WritePending(); code != 0) return code;
    itsAheadSize = 0;
    if (Injected(gFaults.itsTruncates, gFaults.itsFailTruncateAt)) return EIO;
    return ::ftruncate(itsFd, size) == 0 ? 0 : errno;
}

int TFile::Flush() {
    if (itsFd < 0) return EBADF;
    if (int code = WritePending(); code != 0) return code;
    if (Injected(gFaults.itsFlushes, gFaults.itsFailFlushAt)) return EIO;
    return ::fdatasync(itsFd) == 0 ? 0 : errno;
}

int RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int RenameFile(const std::string& from, const std::string& to) {
    if (Injected(gFaults.itsRenames, gFaults.itsFailRenameAt)) return EIO;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int CopyFile(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        int code = errno;
        ::close(in);
        return code;
    }
    char buffer[65536];
    int code = 0;
    for (;;) {
        ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            code = errno;
            break;
        }
        if (got == 0) break;
        ssize_t done = 0;
        while (done < got) {
            ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                code = errno;
                break;
            }
            done += put;
        }
        if (code != 0) break;
    }
    ::close(in);
    if (::close(out) != 0 && code == 0) code = errno;
    if (code != 0) ::unlink(to.c_str());
    return code;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace marvek
