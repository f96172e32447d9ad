// Write-behind in the file layer: gathered writes read back, reach the file in one write, and a
// failure of that write is reported by the call that caused it.

#include "platform/File.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
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

} // namespace
} // namespace marvek::test
