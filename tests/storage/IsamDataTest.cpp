// The data file and the database handle: creation, slots and the free chain, handle checks,
// the dirty mark, exclusive use.

#include "IsamTestBase.h"

#include <filesystem>

namespace marvek::test {
namespace {

using namespace isam;

int32_t I32At(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                static_cast<uint32_t>(bytes[at + 3]) << 24);
}

TEST_F(IsamTest, CreationChecksRecordLengthAndKeys) {
    TKeyDescription good[] = {{41, false}};
    TKeyDescription tooLong[] = {{42, false}};
    TKeyDescription empty[] = {{0, true}};
    struct {
        int slotBytes;
        int keyCount;
        const TKeyDescription* keys;
        int error;
    } cases[] = {
        {20, 0, nullptr, kRecordTooShort}, {21, 0, nullptr, 0},           {21, 101, good, kTooManyKeys},
        {64, 1, tooLong, kBadKeyLength},   {64, 1, empty, kBadKeyLength}, {64, 1, good, 0},
    };
    for (const auto& c : cases) {
        BTCreateDatabase(Base(), c.slotBytes, c.keyCount, c.keys);
        EXPECT_EQ(IsamError(), c.error) << c.slotBytes << " " << c.keyCount;
    }
    // The 21-byte slot holds exactly the header of a fresh database.
    BTCreateDatabase(Base(), 21, 0, nullptr);
    std::vector<uint8_t> data = ReadWholeFileBytes(Base() + ".DAT");
    ASSERT_EQ(data.size(), 21u);
    EXPECT_EQ(I32At(data, 0), -1);
    EXPECT_EQ(I32At(data, 4), 0);
    EXPECT_EQ(I32At(data, 8), 0);
    EXPECT_EQ(I32At(data, 12), 21);
    EXPECT_EQ(I32At(data, 16), 0);
    EXPECT_EQ(data[20], 0);
    EXPECT_FALSE(std::filesystem::exists(Base() + ".IX"));
}

TEST_F(IsamTest, IndexFileHasOneHeaderRowForAllKeys) {
    TKeyDescription keys[] = {{34, false}, {10, true}};
    BTCreateDatabase(Base(), 64, 2, keys);
    std::vector<uint8_t> index = ReadWholeFileBytes(Base() + ".IX");
    const size_t first = 34 * 62 + 564, second = 10 * 62 + 564;
    ASSERT_EQ(index.size(), first + second);
    EXPECT_EQ(I32At(index, 0), -1);              // FreeHead
    EXPECT_EQ(I32At(index, 12), int32_t(first)); // PageBytes
    EXPECT_EQ(index[20], 0);                     // DupsAllowed
    EXPECT_EQ(index[26] | index[27] << 8, 62);   // PageCapacity
    EXPECT_EQ(I32At(index, first + 12), int32_t(second));
    EXPECT_EQ(index[first + 20], 1);
}

TEST_F(IsamTest, FreedSlotsAreReusedLastFreedFirst) {
    BTCreateDatabase(Base(), 32, 0, nullptr);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    ASSERT_TRUE(IsamOK());
    for (uint8_t fill : {1, 2, 3}) EXPECT_EQ(BTAddRec(db, Record(32, fill).data()), fill);
    BTDeleteRec(db, 2);
    BTDeleteRec(db, 1);
    EXPECT_EQ(BTUsedRecCount(db), 1);
    EXPECT_EQ(BTSlotCount(db), 4);
    // The freed slot keeps its bytes from offset 4 on; its link leads to slot 2, then the end.
    std::vector<uint8_t> slot(32);
    BTGetRec(db, 1, slot.data());
    EXPECT_EQ(I32At(slot, 0), 2);
    EXPECT_EQ(slot[4], 1);
    BTGetRec(db, 2, slot.data());
    EXPECT_EQ(I32At(slot, 0), -1);

    EXPECT_EQ(BTAddRec(db, Record(32, 7).data()), 1);
    EXPECT_EQ(BTAddRec(db, Record(32, 8).data()), 2);
    EXPECT_EQ(BTAddRec(db, Record(32, 9).data()), 4);
    EXPECT_EQ(BTUsedRecCount(db), 4);
    EXPECT_EQ(BTRecLength(db), 32);

    BTGetRec(db, 5, slot.data());
    EXPECT_EQ(IsamError(), kShortRead);
    BTPutRec(db, 0, slot.data());
    EXPECT_EQ(IsamError(), kPutRecZero);
    for (RecRef bad : {0, 5, -1}) {
        BTDeleteRec(db, bad);
        EXPECT_EQ(IsamError(), kDeleteRecRange) << bad;
    }
    BTPutRec(db, 4, Record(32, 10).data());
    BTGetRec(db, 4, slot.data());
    EXPECT_EQ(slot[31], 10);
    BTCloseDatabase(db);
    EXPECT_TRUE(IsamOK());
    EXPECT_EQ(db, nullptr);
}

TEST_F(IsamTest, HandleChecksComeInTheirOrder) {
    TKeyDescription keys[] = {{8, false}};
    BTCreateDatabase(Base(), 32, 1, keys);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), true, false);
    ASSERT_TRUE(IsamOK());
    BTAddRec(db, Record(32, 1).data());
    EXPECT_EQ(IsamError(), kReadOnly);
    BTAddKey(db, 2, K("a"), 1); // read-only is checked before the key number
    EXPECT_EQ(IsamError(), kReadOnly);
    BTFindKey(db, 2, K("a"));
    EXPECT_EQ(IsamError(), kBadKeyNr);
    BTFindKey(db, 0, K("a"));
    EXPECT_EQ(IsamError(), kBadKeyNr);
    BTFindKey(nullptr, 1, K("a"));
    EXPECT_EQ(IsamError(), kBadHandle);
    BTCloseDatabase(db);

    BTStopEngine();
    BTFindKey(db, 1, K("a"));
    EXPECT_EQ(IsamError(), kNotStarted);
    BTStopEngine();
    EXPECT_EQ(IsamError(), kNotStarted);
    EXPECT_EQ(BTStartEngine(7), 0);
    EXPECT_EQ(IsamError(), kTooFewBuffers);
    EXPECT_EQ(BTStartEngine(8), 8);
    EXPECT_EQ(BTStartEngine(8), 0);
    EXPECT_EQ(IsamError(), kStartedTwice);
}

TEST_F(IsamTest, DatabaseNotClosedNeedsRebuild) {
    TKeyDescription keys[] = {{8, false}};
    BTCreateDatabase(Base(), 32, 1, keys);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    BTAddRec(db, Record(32, 1).data());
    // The first change marks the file on disk at once.
    EXPECT_EQ(ReadWholeFileBytes(Base() + ".DAT")[20], 1);
    std::vector<uint8_t> copy = ReadWholeFileBytes(Base() + ".DAT");
    BTCloseDatabase(db);
    EXPECT_EQ(ReadWholeFileBytes(Base() + ".DAT")[20], 0);

    WriteWholeFileBytes(Base() + ".DAT", copy);
    BTOpenDatabase(db, Base(), false, false);
    EXPECT_EQ(IsamError(), kRebuildNeeded);
    EXPECT_EQ(db, nullptr);
}

TEST_F(IsamTest, OpenFailuresReportTheirNumbers) {
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base("missing"), false, false);
    EXPECT_EQ(IsamError(), kFileNotFound);
    BTOpenDatabase(db, File("no/such/folder/db"), false, false);
    EXPECT_EQ(IsamError(), kPathNotFound);

    BTCreateDatabase(Base(), 32, 0, nullptr);
    std::vector<uint8_t> data = ReadWholeFileBytes(Base() + ".DAT");
    data[16] = 101; // IndexCount
    WriteWholeFileBytes(Base() + ".DAT", data);
    BTOpenDatabase(db, Base(), false, false);
    EXPECT_EQ(IsamError(), kHeaderTooManyKeys);

    TKeyDescription keys[] = {{8, false}};
    BTCreateDatabase(Base(), 32, 1, keys);
    std::filesystem::remove(Base() + ".IX");
    BTOpenDatabase(db, Base(), false, false);
    EXPECT_EQ(IsamError(), kRebuildNeeded);

    struct {
        int32_t pageBytes;
        uint16_t capacity;
        int error;
    } headers[] = {{8 * 62 + 564, 63, kKeyHeaderCapacity},
                   {8 * 62 + 565, 62, kKeyHeaderPageSize},
                   {42 * 62 + 564, 62, kKeyHeaderKeyLength},
                   {8 * 62 + 564, 0, 0}}; // a stored capacity of 0 reads as 62
    for (const auto& h : headers) {
        BTCreateDatabase(Base(), 32, 1, keys);
        std::vector<uint8_t> index = ReadWholeFileBytes(Base() + ".IX");
        for (int i = 0; i < 4; ++i) index[12 + i] = static_cast<uint8_t>(h.pageBytes >> (8 * i));
        index[26] = static_cast<uint8_t>(h.capacity);
        index[27] = 0;
        WriteWholeFileBytes(Base() + ".IX", index);
        BTOpenDatabase(db, Base(), false, false);
        EXPECT_EQ(IsamError(), h.error) << h.pageBytes << " " << h.capacity;
        if (db != nullptr) BTCloseDatabase(db);
    }
}

TEST_F(IsamTest, DatabaseIsForOneUserAtATime) {
    BTCreateDatabase(Base(), 32, 0, nullptr);
    IsamDatabase* first = nullptr;
    IsamDatabase* second = nullptr;
    BTOpenDatabase(first, Base(), false, false);
    ASSERT_TRUE(IsamOK());
    BTOpenDatabase(second, Base(), true, false);
    EXPECT_EQ(IsamError(), kIoError);
    EXPECT_EQ(second, nullptr);
    BTCloseDatabase(first);
    BTOpenDatabase(second, Base(), true, false);
    EXPECT_TRUE(IsamOK());
    BTCloseDatabase(second);
}

TEST_F(IsamTest, EmptyJournalIsDeletedByNormalOpenAndKeptByJournaledOpen) {
    BTCreateDatabase(Base(), 32, 0, nullptr);
    IsamDatabase* db = nullptr;
    for (bool journaled : {false, true}) {
        WriteWholeFileBytes(Base() + ".DIA", {0});
        BTOpenDatabase(db, Base(), false, journaled);
        ASSERT_TRUE(IsamOK());
        BTCloseDatabase(db);
        EXPECT_EQ(std::filesystem::exists(Base() + ".DIA"), journaled);
    }
    // A journal left by an interrupted operation cannot be replayed read-only.
    WriteWholeFileBytes(Base() + ".DIA", {0, 0xD0, 0x07});
    BTOpenDatabase(db, Base(), true, false);
    EXPECT_EQ(IsamError(), kJournalOnReadOnly);
}

TEST_F(IsamTest, EraseRemovesEveryFileAndReportsTheDataFile) {
    TKeyDescription keys[] = {{8, false}};
    BTCreateDatabase(Base(), 32, 1, keys);
    WriteWholeFileBytes(Base() + ".DIA", {0});
    BTEraseDatabase(Base());
    EXPECT_TRUE(IsamOK());
    for (const char* ext : {".DAT", ".IX", ".DIA"})
        EXPECT_FALSE(std::filesystem::exists(Base() + ext)) << ext;
    BTEraseDatabase(Base());
    EXPECT_EQ(IsamError(), kFileNotFound);
}

TEST_F(IsamTest, SemicolonNamesTheIndexFileApart) {
    std::filesystem::create_directories(itsFolder / "other");
    std::string base = Base("data") + ";" + File("other/keys");
    TKeyDescription keys[] = {{8, false}};
    BTCreateDatabase(base, 32, 1, keys);
    EXPECT_TRUE(std::filesystem::exists(Base("data") + ".DAT"));
    EXPECT_TRUE(std::filesystem::exists(File("other/keys.IX")));
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, base, false, false);
    BTAddKey(db, 1, K("x"), 1);
    EXPECT_EQ(BTFindKey(db, 1, K("x")), 1);
    BTCloseDatabase(db);
    EXPECT_TRUE(IsamOK());
}

} // namespace
} // namespace marvek::test
