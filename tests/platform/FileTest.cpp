// Write-behind in the file layer: gathered writes read back, reach the file in one write, and a
// failure of that write is reported by the call that caused it. Read-ahead serves reads that go
// on from the last one from memory, and never serves bytes older than a write.

#include "platform/File.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>

namespace marvek::test {
namespace {

using testsupport::TScratchFolder;

std::string ReadAll(TFile& file) {
    int64_t size = 0;
    EXPECT_EQ(file.Size(&size), 0);
    std::string bytes(static_cast<size_t>(size), '\0');
    size_t done = 0;
    EXPECT_EQ(file.ReadAt(0, bytes.data(), bytes.size(), &done), 0);
    bytes.resize(done);
    return bytes;
}

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileFaults().Reset();
        ASSERT_EQ(itsFile.Create(itsFolder / "f"), 0);
        ASSERT_EQ(itsFile.WriteAt(0, "0123456789", 10), 0);
    }
    void TearDown() override { FileFaults().Reset(); }

    TScratchFolder itsFolder;
    TFile itsFile;
};

TEST_F(FileTest, GatheredWritesGoOutTogetherAndReadBack) {
    itsFile.SetWriteBehind(64);
    FileFaults().Reset();
    // Appends, an overwrite inside the run, and a read that sees them before they are written.
    ASSERT_EQ(itsFile.WriteAt(10, "abc", 3), 0);
    ASSERT_EQ(itsFile.WriteAt(13, "def", 3), 0);
    ASSERT_EQ(itsFile.WriteAt(11, "X", 1), 0);
    EXPECT_EQ(FileFaults().itsWrites, 0);
    char two[2];
    size_t done = 0;
    ASSERT_EQ(itsFile.ReadAt(14, two, 2, &done), 0);
    EXPECT_EQ(std::string(two, done), "ef");
    EXPECT_EQ(FileFaults().itsWrites, 1);
    // Writes in two places make two runs; a third place sends the run used least recently.
    ASSERT_EQ(itsFile.WriteAt(16, "ghi", 3), 0);
    ASSERT_EQ(itsFile.WriteAt(0, "Z", 1), 0);
    EXPECT_EQ(FileFaults().itsWrites, 1);
    ASSERT_EQ(itsFile.WriteAt(5, "Y", 1), 0);
    EXPECT_EQ(FileFaults().itsWrites, 2);
    // A run that grows into the other one sends that one first and stays on top of it.
    ASSERT_EQ(itsFile.WriteAt(1, "Q", 1), 0);
    ASSERT_EQ(itsFile.WriteAt(6, "78", 2), 0);
    ASSERT_EQ(itsFile.WriteAt(2, "RSTU", 4), 0);
    ASSERT_EQ(itsFile.WriteAt(6, "!", 1), 0);
    EXPECT_EQ(ReadAll(itsFile), "ZQRSTU!889aXcdefghi");
    // A write longer than the run goes out at once.
    ASSERT_EQ(itsFile.SetWriteBehind(4), 0);
    ASSERT_EQ(itsFile.WriteAt(19, "longer than four", 16), 0);
    EXPECT_EQ(ReadAll(itsFile), "ZQRSTU!889aXcdefghilonger than four");
}

TEST_F(FileTest, AFailedRunIsReportedByTheCallThatSentIt) {
    struct TCase {
        const char* itsName;
        int (*itsSend)(TFile&);
    };
    const TCase cases[] = {
        {"flush", [](TFile& f) { return f.Flush(); }},
        {"size",
         [](TFile& f) {
             int64_t size;
             return f.Size(&size);
         }},
        {"truncate", [](TFile& f) { return f.Truncate(3); }},
        {"write over the run's start", [](TFile& f) { return f.WriteAt(9, "xyz", 3); }},
        {"write-behind off", [](TFile& f) { return f.SetWriteBehind(0); }},
        {"close", [](TFile& f) { return f.Close(); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsName);
        ASSERT_EQ(itsFile.Open(itsFolder / "f", TFileMode::kReadWrite), 0);
        itsFile.SetWriteBehind(64);
        ASSERT_EQ(itsFile.WriteAt(10, "abc", 3), 0);
        FileFaults().Reset();
        FileFaults().itsFailWriteAt = 1;
        EXPECT_EQ(c.itsSend(itsFile), EIO);
        FileFaults().Reset();
        itsFile.Close();
    }
}

std::string Read(TFile& file, int64_t offset, size_t count) {
    std::string bytes(count, '\0');
    size_t done = 0;
    EXPECT_EQ(file.ReadAt(offset, bytes.data(), count, &done), 0);
    bytes.resize(done);
    return bytes;
}

TEST_F(FileTest, ReadAheadServesReadsThatGoOnAndSeesEveryWrite) {
    ASSERT_EQ(itsFile.WriteAt(10, "abcdefghijklmnopqrstuvwxyz", 26), 0);
    // Another writer, behind the file layer's back, shows which reads come from memory.
    auto writeBehindTheBack = [&](std::streamoff at, char c) {
        std::fstream other(itsFolder / "f", std::ios::in | std::ios::out | std::ios::binary);
        other.seekp(at);
        other.put(c);
    };
    itsFile.SetReadAhead(16);
    EXPECT_EQ(Read(itsFile, 0, 2), "01");
    EXPECT_EQ(Read(itsFile, 2, 2), "23"); // goes on: bytes 2 to 17 are read at once
    writeBehindTheBack(10, '#');
    EXPECT_EQ(Read(itsFile, 10, 1), "a");
    ASSERT_EQ(itsFile.WriteAt(11, "XY", 2), 0);
    EXPECT_EQ(Read(itsFile, 10, 3), "aXY");
    // A pending write-behind run is laid over bytes read ahead, and such a read does not send it.
    itsFile.SetWriteBehind(64);
    FileFaults().Reset();
    ASSERT_EQ(itsFile.WriteAt(20, "WB", 2), 0);
    EXPECT_EQ(Read(itsFile, 18, 2), "ij"); // goes on from the bytes read ahead: 18 to 33
    EXPECT_EQ(Read(itsFile, 19, 4), "jWBm");
    EXPECT_EQ(FileFaults().itsWrites, 0);
    // A failed write leaves nothing read ahead to be trusted.
    ASSERT_EQ(itsFile.SetWriteBehind(0), 0);
    writeBehindTheBack(30, '#');
    FileFaults().itsFailWriteAt = FileFaults().itsWrites + 1;
    EXPECT_EQ(itsFile.WriteAt(25, "?", 1), EIO);
    EXPECT_EQ(Read(itsFile, 30, 1), "#");
    // A read that jumps ahead is made directly; truncation drops what was read ahead.
    itsFile.SetReadAhead(16);
    EXPECT_EQ(Read(itsFile, 0, 1), "0");
    writeBehindTheBack(5, '#');
    EXPECT_EQ(Read(itsFile, 5, 1), "#");
    EXPECT_EQ(Read(itsFile, 6, 2), "67");
    ASSERT_EQ(itsFile.Truncate(7), 0);
    EXPECT_EQ(Read(itsFile, 6, 2), "6");
}

} // namespace
} // namespace marvek::test
