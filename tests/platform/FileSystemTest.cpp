#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <set>
#include <sys/stat.h>

#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Random.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

using testsupport::ReadWholeFile;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

TEST(Folders, FromTheEnvironment) {
    TScratchFolder scratch;
    TScopedEnvironment home("HOME", scratch / "home");
    {
        TScopedEnvironment program("MARVEK_HOME", scratch / "program");
        EXPECT_EQ(ProgramFolder(), scratch / "program/");
        EXPECT_TRUE(FolderExists(scratch / "program")); // made on first use
    }
    {
        TScopedEnvironment program("MARVEK_HOME", std::nullopt);
        TScopedEnvironment data("XDG_DATA_HOME", scratch / "data");
        EXPECT_EQ(ProgramFolder(), scratch / "data/marvek/");
    }
    {
        TScopedEnvironment program("MARVEK_HOME", std::nullopt);
        TScopedEnvironment data("XDG_DATA_HOME", "relative/is/ignored");
        EXPECT_EQ(ProgramFolder(), scratch / "home/.local/share/marvek/");
    }
    {
        TScopedEnvironment config("XDG_CONFIG_HOME", scratch / "config");
        EXPECT_EQ(ConfigFolder(), scratch / "config/");
        EXPECT_EQ(SettingsFolder(), scratch / "config/Marvek/Marvek 2000 Vantro/");
    }
    {
        TScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(ConfigFolder(), scratch / "home/.config/");
    }
    EXPECT_EQ(DefaultBooksFolder(), scratch / "home/Marvek Files/Books/");
    EXPECT_EQ(DefaultGamesFolder(), scratch / "home/Marvek Files/Games/");
    EXPECT_EQ(WithTrailingSlash(""), "");
    EXPECT_EQ(WithTrailingSlash("/a"), "/a/");
    EXPECT_EQ(WithTrailingSlash("/a/"), "/a/");
}

TEST(FileSystem, FreeBytesAndTheReadOnlySeam) {
    TScratchFolder scratch;
    // A path that does not exist yet (a book's base path) asks about the folder above it.
    int64_t free = FreeBytes(scratch / "Books/NewBook");
    EXPECT_GT(free, 0);
    EXPECT_GT(FreeBytes(scratch.Path()), 0);

    ASSERT_EQ(CreateFolder(scratch / "cdrom/Books"), 0);
    FreeSpaceSeam().Set(scratch / "cdrom", 0);
    FreeSpaceSeam().Set(scratch / "small/", 39999);
    EXPECT_EQ(FreeBytes(scratch / "cdrom/Books/Najdorf"), 0);
    EXPECT_EQ(FreeBytes(scratch / "cdrom"), 0);
    EXPECT_EQ(FreeBytes(scratch / "small/x/../y"), 39999);
    EXPECT_GT(FreeBytes(scratch / "cdrom2/Book"), 0); // a name that merely starts the same
    FreeSpaceSeam().Reset();
    EXPECT_GT(FreeBytes(scratch / "cdrom/Books/Najdorf"), 0);
}

TEST(FileSystem, ReadOnlySizeAndStamp) {
    TScratchFolder scratch;
    std::string path = scratch / "games.pgn";
    WriteWholeFile(path, "12345");

    int64_t size = 0;
    EXPECT_EQ(FileSize(path, &size), 0);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(FileSize(scratch / "missing", &size), ENOENT);
    EXPECT_EQ(FileSize(scratch.Path(), &size), EISDIR);

    EXPECT_FALSE(IsReadOnly(path));
    EXPECT_EQ(SetReadOnly(path), 0);
    EXPECT_TRUE(IsReadOnly(path));
    EXPECT_EQ(ClearReadOnly(path), 0);
    EXPECT_FALSE(IsReadOnly(path));
    EXPECT_EQ(ClearReadOnly(scratch / "missing"), ENOENT);

    uint32_t first = 0, again = 0, changed = 0;
    EXPECT_EQ(FileStamp(path, &first), 0);
    EXPECT_EQ(FileStamp(path, &again), 0);
    EXPECT_EQ(first, again);
    // Same size, new modification time.
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(FileStamp(path, &changed), 0);
    EXPECT_NE(changed, first);
    // Same time, new size.
    uint32_t before = changed;
    WriteWholeFile(path, "123456");
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(FileStamp(path, &changed), 0);
    EXPECT_NE(changed, before);
    EXPECT_EQ(FileStamp(scratch / "missing", &changed), ENOENT);
}

TEST(FileSystem, WildcardDeletion) {
    TScratchFolder scratch;
    for (const char* name : {"Book.2MD", "Book.2MX", "Book.2M$", "Book.old.bak", "Book", "Book2.2MD", "Bookx",
                             "book.2MD", "Other.2MD"})
        WriteWholeFile(scratch / name, "x");
    ASSERT_EQ(CreateFolder(scratch / "Book.dir"), 0);

    std::string base = scratch / "Book";
    EXPECT_EQ(MatchingFiles(base), (std::vector<std::string>{base, base + ".2M$", base + ".2MD",
                                                             base + ".2MX", base + ".old.bak"}));
    EXPECT_EQ(DeleteMatching(base), 0);
    EXPECT_TRUE(MatchingFiles(base).empty());
    for (const char* kept : {"Book2.2MD", "Bookx", "book.2MD", "Other.2MD"})
        EXPECT_TRUE(FileExists(scratch / kept));
    EXPECT_TRUE(FolderExists(scratch / "Book.dir"));
    EXPECT_EQ(DeleteMatching(scratch / "nothing/here"), 0);
}

TEST(FileSystem, FoldersAndAtomicWrites) {
    TScratchFolder scratch;
    EXPECT_EQ(CreateFolder(scratch / "a/b/c"), 0);
    EXPECT_EQ(CreateFolder(scratch / "a/b/c"), 0);
    EXPECT_TRUE(FolderExists(scratch / "a/b/c"));
    WriteWholeFile(scratch / "file", "x");
    EXPECT_NE(CreateFolder(scratch / "file/sub"), 0);
    EXPECT_NE(CreateFolder(scratch / "file"), 0);

    std::string path = scratch / "a/list.ini";
    EXPECT_EQ(WriteFileAtomically(path, "old", 3), 0);
    ::chmod(path.c_str(), 0640);
    EXPECT_EQ(WriteFileAtomically(path, "new", 3), 0);
    EXPECT_EQ(ReadWholeFile(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u); // the file keeps its permissions

    // A failure on the way leaves the old contents and no stray file.
    for (int which = 0; which < 3; ++which) {
        FileFaults().Reset();
        if (which == 0) FileFaults().itsFailWriteAt = 1;
        if (which == 1) FileFaults().itsFailFlushAt = 1;
        if (which == 2) FileFaults().itsFailRenameAt = 1;
        EXPECT_EQ(WriteFileAtomically(path, "newer", 5), EIO) << which;
        EXPECT_EQ(ReadWholeFile(path), "new") << which;
        EXPECT_EQ(MatchingFiles(path), std::vector<std::string>{path}) << which;
    }
    FileFaults().Reset();

    ASSERT_EQ(SetReadOnly(path), 0);
    EXPECT_EQ(WriteFileAtomically(path, "x", 1), EACCES);
    EXPECT_EQ(WriteFileAtomically(scratch / "a", "x", 1), EISDIR);
    EXPECT_EQ(WriteFileAtomically(scratch / "none/x", "x", 1), ENOENT);

    std::string bytes;
    EXPECT_EQ(ReadFileBytes(path, &bytes, 2), 0);
    EXPECT_EQ(bytes, "ne");
    EXPECT_EQ(ReadFileBytes(scratch / "missing", &bytes), ENOENT);
}

TEST(Clock, TickAndWait) {
    int64_t start = TickCount();
    Wait(30);
    int64_t elapsed = TickCount() - start;
    EXPECT_GE(elapsed, 30);
    Wait(0);
    Wait(-5);
}

TEST(Random, SeededSourcesRepeatAndStayInRange) {
    TRandomSource a(42), b(42);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        int x = a.Between(1, 6);
        EXPECT_EQ(x, b.Between(1, 6));
        EXPECT_GE(x, 1);
        EXPECT_LE(x, 6);
        seen.insert(x);
    }
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_EQ(a.Between(5, 5), 5);
    EXPECT_EQ(a.Between(5, 2), 5);
    int wide = a.Between(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    (void)wide;

    RandomSource().Seed(7);
    int first = RandomSource().Between(0, 1000);
    RandomSource().Seed(7);
    EXPECT_EQ(RandomSource().Between(0, 1000), first);
}

} // namespace
} // namespace marvek
