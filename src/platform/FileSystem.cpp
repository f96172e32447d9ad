#include "platform/FileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/File.h"

namespace marvek {

namespace fs = std::filesystem;

namespace {

TFreeSpaceSeam gFreeSpaceSeam;

fs::path Normal(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error) absolute = fs::path(path);
    return absolute.lexically_normal();
}

// Whether folder contains path (or is it), compared by whole path components.
bool IsInside(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f) {
        if (f->empty()) continue; // the trailing "/" of a folder written with one
        if (p == path.end() || *p != *f) return false;
        ++p;
    }
    return true;
}

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

TFreeSpaceSeam& FreeSpaceSeam() {
    return gFreeSpaceSeam;
}

int64_t FreeBytes(const std::string& path) {
    fs::path target = Normal(path);

    const std::pair<std::string, int64_t>* best = nullptr;
    size_t bestLength = 0;
    for (const auto& entry : gFreeSpaceSeam.itsFolders) {
        fs::path folder = Normal(entry.first);
        size_t length = folder.native().size();
        if (IsInside(target, folder) && (best == nullptr || length > bestLength)) {
            best = &entry;
            bestLength = length;
        }
    }
    if (best != nullptr) return best->second;

    // A book is named by a base path whose files may not exist yet: ask about the nearest folder
    // that does.
    std::error_code error;
    fs::path existing = target;
    while (!fs::exists(existing, error)) {
        if (!existing.has_relative_path()) return -1;
        existing = existing.parent_path();
    }
    struct statvfs info {};
    if (::statvfs(existing.c_str(), &info) != 0) return -1;
    if (info.f_flag & ST_RDONLY) return 0;
    return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

bool IsReadOnly(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

int ClearReadOnly(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno;
    if (info.st_mode & S_IWUSR) return 0;
    return ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0 ? 0 : errno;
}

int SetReadOnly(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno;
    return ::chmod(path.c_str(), (info.st_mode & 07777) & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ? 0
                                                                                                     : errno;
}

int FileSize(const std::string& path, int64_t* size) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    *size = info.st_size;
    return 0;
}

int FileStamp(const std::string& path, uint32_t* stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno;
    uint64_t mixed = Mix(static_cast<uint64_t>(info.st_mtim.tv_sec)) ^
                     Mix(static_cast<uint64_t>(info.st_mtim.tv_nsec) + 1) ^
                     Mix(static_cast<uint64_t>(info.st_size) + 2);
    *stamp = static_cast<uint32_t>(mixed ^ (mixed >> 32));
    return 0;
}

std::vector<std::string> MatchingFiles(const std::string& base) {
    std::vector<std::string> found;
    size_t slash = base.find_last_of('/');
    std::string prefix = slash == std::string::npos ? std::string() : base.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? base : base.substr(slash + 1);
    if (name.empty()) return found;

    DIR* folder = ::opendir(prefix.empty() ? "." : prefix.c_str());
    if (folder == nullptr) return found;
    while (const dirent* entry = ::readdir(folder)) {
        std::string_view entryName(entry->d_name);
        bool matches =
            entryName == name || (entryName.size() > name.size() &&
                                  entryName.substr(0, name.size()) == name && entryName[name.size()] == '.');
        if (matches && IsRegularFile(prefix + std::string(entryName)))
            found.push_back(prefix + std::string(entryName));
    }
    ::closedir(folder);
    std::sort(found.begin(), found.end());
    return found;
}

int DeleteMatching(const std::string& base) {
    int first = 0;
    for (const std::string& path : MatchingFiles(base)) {
        int code = RemoveFile(path);
        if (code != 0 && first == 0) first = code;
    }
    return first;
}

int CreateFolder(const std::string& path) {
    if (FolderExists(path)) return 0;
    std::error_code error;
    fs::create_directories(fs::path(path), error);
    if (error) return error.value() != 0 ? error.value() : EIO;
    return FolderExists(path) ? 0 : ENOTDIR;
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int ReadFileBytes(const std::string& path, std::string* bytes, size_t maxBytes) {
    bytes->clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    char buffer[65536];
    int code = 0;
    while (bytes->size() < maxBytes) {
        size_t want = std::min(sizeof buffer, maxBytes - bytes->size());
        ssize_t got = ::read(fd, buffer, want);
        if (got < 0) {
            if (errno == EINTR) continue;
            code = errno;
            break;
        }
        if (got == 0) break;
        bytes->append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return code;
}

int WriteFileAtomically(const std::string& path, const void* data, size_t size) {
    struct stat old {};
    bool hadOld = ::stat(path.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode)) return EISDIR;
    if (hadOld && (old.st_mode & S_IWUSR) == 0) return EACCES;

    static std::atomic<unsigned> counter{0};
    std::string temporary =
        path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    TFile file;
    int code = file.Create(temporary);
    if (code != 0) return code;
    code = file.WriteAt(0, data, size);
    if (code == 0) code = file.Flush();
    int closed = file.Close();
    if (code == 0) code = closed;
    if (code == 0 && hadOld) ::chmod(temporary.c_str(), old.st_mode & 07777);
    if (code == 0) code = RenameFile(temporary, path);
    if (code != 0) {
        RemoveFile(temporary);
        return code;
    }

    // Make the rename itself durable; the data is already on disk, so a failure here loses nothing.
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return 0;
}

} // namespace marvek
