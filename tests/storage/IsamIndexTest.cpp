// Key index behaviour at its edges: key lengths, ordering, duplicates, tree shape, cursor steps.

#include "IsamFixture.h"
#include "IsamTestBase.h"

#include <set>

namespace marvek::test {
namespace {

using namespace isam;

class IsamIndexTest : public IsamTest {
protected:
    void Open(int keyLength, bool dups) {
        TKeyDescription keys[] = {{keyLength, dups}};
        BTCreateDatabase(Base(), 32, 1, keys);
        ASSERT_TRUE(IsamOK());
        BTOpenDatabase(itsDb, Base(), false, false);
        ASSERT_TRUE(IsamOK());
    }
    void TearDown() override {
        if (itsDb != nullptr) BTCloseDatabase(itsDb);
        IsamTest::TearDown();
    }
    std::vector<std::pair<std::string, RecRef>> Walk() {
        std::vector<std::pair<std::string, RecRef>> all;
        BTResetCursor(itsDb, 1);
        TIsamKey key{};
        RecRef ref = 0;
        for (BTNextEntry(itsDb, 1, key, ref); IsamOK(); BTNextEntry(itsDb, 1, key, ref))
            all.emplace_back(Text(key), ref);
        EXPECT_EQ(IsamError(), kNoNextEntry);
        return all;
    }
    int32_t Header(size_t at) {
        BTCloseDatabase(itsDb);
        std::vector<uint8_t> index = ReadWholeFileBytes(Base() + ".IX");
        BTOpenDatabase(itsDb, Base(), false, false);
        return static_cast<int32_t>(index[at] | index[at + 1] << 8 | index[at + 2] << 16 |
                                    static_cast<uint32_t>(index[at + 3]) << 24);
    }
    IsamDatabase* itsDb = nullptr;
};

TEST_F(IsamIndexTest, KeysUpToTheKeyLengthAreAccepted) {
    Open(5, false);
    BTAddKey(itsDb, 1, K("abcde"), 1);
    EXPECT_TRUE(IsamOK());
    BTAddKey(itsDb, 1, K("abcdef"), 2);
    EXPECT_EQ(IsamError(), kKeyTooLong);
    BTAddKey(itsDb, 1, K(""), 3); // the empty key is a key like any other
    EXPECT_TRUE(IsamOK());
    EXPECT_EQ(BTFindKey(itsDb, 1, K("")), 3);
}

TEST_F(IsamIndexTest, KeysCompareAsUnsignedBytesShorterFirst) {
    Open(10, false);
    for (const char* key : {"z", "abc", "\xE9", "ab", "b"}) BTAddKey(itsDb, 1, K(key), 1 + Walk().size());
    std::vector<std::string> order;
    for (const auto& [key, ref] : Walk()) order.push_back(key);
    EXPECT_EQ(order, (std::vector<std::string>{"ab", "abc", "b", "z", "\xE9"}));
}

TEST_F(IsamIndexTest, DuplicatesAreOrderedByReference) {
    Open(10, true);
    EXPECT_TRUE(BTKeyAllowsDuplicates(itsDb, 1));
    for (RecRef ref : {7, 3, 5}) BTAddKey(itsDb, 1, K("same"), ref);
    BTAddKey(itsDb, 1, K("same"), 5);
    EXPECT_EQ(IsamError(), kAlreadyPresent);
    EXPECT_EQ(BTFindKey(itsDb, 1, K("same")), 3);
    TIsamKey key = K("same");
    RecRef ref = 3;
    BTNextEntry(itsDb, 1, key, ref);
    EXPECT_EQ(ref, 5);
    BTNextEntry(itsDb, 1, key, ref);
    EXPECT_EQ(ref, 7);
    EXPECT_TRUE(BTKeyExists(itsDb, 1, K("same"), 0));
    EXPECT_TRUE(BTKeyExists(itsDb, 1, K("same"), 7));
    EXPECT_FALSE(BTKeyExists(itsDb, 1, K("same"), 4));
    BTDeleteKey(itsDb, 1, K("same"), 4);
    EXPECT_EQ(IsamError(), kNotPresent);
    BTDeleteKey(itsDb, 1, K("same"), 3);
    EXPECT_EQ(BTFindKey(itsDb, 1, K("same")), 5);
}

TEST_F(IsamIndexTest, UniqueKeysRefuseASecondReference) {
    Open(10, false);
    BTAddKey(itsDb, 1, K("k"), 1);
    BTAddKey(itsDb, 1, K("k"), 2);
    EXPECT_EQ(IsamError(), kAlreadyPresent);
    EXPECT_TRUE(BTKeyExists(itsDb, 1, K("k"), 99)); // the reference does not matter here
    BTDeleteKey(itsDb, 1, K("k"), 99);
    EXPECT_TRUE(IsamOK());
    EXPECT_EQ(BTKeyEntryCount(itsDb, 1), 0);
}

TEST_F(IsamIndexTest, SixtyThreeAscendingKeysMakeTwoLevels) {
    Open(4, false);
    for (int i = 0; i < 63; ++i) BTAddKey(itsDb, 1, K(std::string(1, char(32 + i))), i + 1);
    // Page 1 split into pages 1 and 2; the new root, page 3, holds the middle entry.
    EXPECT_EQ(Header(8), 3);  // PageCount
    EXPECT_EQ(Header(16), 3); // RootPage
    auto all = Walk();
    ASSERT_EQ(all.size(), 63u);
    for (int i = 0; i < 63; ++i) EXPECT_EQ(all[size_t(i)].second, i + 1);
}

TEST_F(IsamIndexTest, EmptiedIndexReusesItsFreedPages) {
    Open(4, false);
    for (int i = 0; i < 300; ++i) BTAddKey(itsDb, 1, K(std::to_string(1000 + i)), i + 1);
    int32_t pages = Header(8);
    EXPECT_GT(pages, 5);
    for (int i = 0; i < 300; ++i) BTDeleteKey(itsDb, 1, K(std::to_string(1000 + i)), 0);
    EXPECT_TRUE(IsamOK());
    EXPECT_EQ(Header(16), 0);    // RootPage
    EXPECT_EQ(Header(22), 0);    // EntryCount
    EXPECT_EQ(Header(4), pages); // every page is on the free chain
    for (int i = 0; i < 300; ++i) BTAddKey(itsDb, 1, K(std::to_string(5000 + i)), i + 1);
    EXPECT_EQ(Header(8), pages);
    EXPECT_EQ(Walk().size(), 300u);
}

TEST_F(IsamIndexTest, FindFollowingAndPrecedingAtTheEnds) {
    Open(3, false);
    BTAddKey(itsDb, 1, K("b"), 1);
    BTAddKey(itsDb, 1, K("d"), 2);
    TIsamKey key = K("\xFF\xFF\xFF");
    BTFindFollowing(itsDb, 1, key);
    EXPECT_EQ(IsamError(), kNoneFollowing);
    key = K("b");
    EXPECT_EQ(BTFindFollowing(itsDb, 1, key), 2);
    EXPECT_EQ(Text(key), "d");
    key = K("z");
    EXPECT_EQ(BTFindPreceding(itsDb, 1, key), 2); // above every key: the last entry
    key = K("d");
    EXPECT_EQ(BTFindPreceding(itsDb, 1, key), 1);
    key = K("b");
    BTFindPreceding(itsDb, 1, key);
    EXPECT_EQ(IsamError(), kNonePreceding);
    key = K("e");
    BTFindAtLeast(itsDb, 1, key);
    EXPECT_EQ(IsamError(), kNoneAtLeast);
    EXPECT_EQ(BTFindKey(itsDb, 1, K("c")), 0);
    EXPECT_EQ(IsamError(), kKeyNotFound);
}

TEST_F(IsamIndexTest, WalkingByFindFollowingFromTheEmptyKey) {
    Open(6, false);
    for (int i = 0; i < 200; ++i) BTAddKey(itsDb, 1, K(std::to_string(i * 7)), i + 1);
    TIsamKey key = K("");
    int seen = 0;
    for (BTFindFollowing(itsDb, 1, key); IsamOK(); BTFindFollowing(itsDb, 1, key)) ++seen;
    EXPECT_EQ(seen, 200);
    EXPECT_EQ(IsamError(), kNoneFollowing);
}

TEST_F(IsamIndexTest, NextEntryContinuesAfterTheCallersEntryWhenTheCursorMoved) {
    Open(6, false);
    for (const char* k : {"a", "c", "e"}) BTAddKey(itsDb, 1, K(k), 1);
    TIsamKey key = K("c");
    RecRef ref = BTFindKey(itsDb, 1, key);
    BTAddKey(itsDb, 1, K("d"), 2);
    BTNextEntry(itsDb, 1, key, ref);
    EXPECT_EQ(Text(key), "d");
    BTDeleteKey(itsDb, 1, K("d"), 0);
    BTNextEntry(itsDb, 1, key, ref); // its entry is gone: the next one after it
    EXPECT_EQ(Text(key), "e");

    BTSetResynchronise(false);
    BTAddKey(itsDb, 1, K("f"), 3);
    BTNextEntry(itsDb, 1, key, ref);
    EXPECT_EQ(IsamError(), kNextInvalidCursor);
    BTResetCursor(itsDb, 1);
    BTNextEntry(itsDb, 1, key, ref);
    EXPECT_EQ(Text(key), "a");
}

TEST_F(IsamIndexTest, WalkLedBackIntoAWalkedPageEndsInRebuildNeeded) {
    // A damaged root whose entry leads back to the first leaf: a walk would read it again, and
    // with pages leading to each other, for ever.
    testsupport::TFixtureDatabase db = testsupport::SampleFixedDatabase();
    testsupport::TFixtureKey& key = db.itsKeys[0];
    testsupport::TFixturePage& root = key.Page(key.itsRootPage);
    root.itsEntries.at(0).itsRight = root.itsLeft;
    db.Write(Base());
    BTOpenDatabase(itsDb, Base(), true, false);
    ASSERT_TRUE(IsamOK()) << IsamError();

    std::set<std::string> seen;
    TIsamKey entry = K("");
    RecRef ref = BTFindAtLeast(itsDb, 1, entry);
    while (IsamOK()) {
        EXPECT_TRUE(seen.insert(Text(entry)).second) << Text(entry) << " read twice";
        BTNextEntry(itsDb, 1, entry, ref);
    }
    EXPECT_EQ(IsamError(), kRebuildNeeded);
    EXPECT_EQ(seen.size(), 32u); // the first leaf's 31 entries and the root's
}

TEST_F(IsamIndexTest, FindEntryByDirection) {
    Open(6, true);
    for (RecRef ref : {2, 4, 6}) BTAddKey(itsDb, 1, K("k"), ref);
    struct {
        RecRef ref;
        int direction;
        int error;
        RecRef result;
    } cases[] = {{4, 0, 0, 4},  {5, 0, kPairAbsent, 5},       {5, 1, 0, 6},
                 {5, -1, 0, 4}, {1, -1, kNoPreviousEntry, 1}, {7, 1, kNoNextEntry, 7},
                 {6, -1, 0, 6}};
    for (const auto& c : cases) {
        TIsamKey key = K("k");
        RecRef ref = c.ref;
        BTFindEntry(itsDb, 1, key, ref, c.direction);
        EXPECT_EQ(IsamError(), c.error) << c.ref << " " << c.direction;
        EXPECT_EQ(ref, c.result) << c.ref << " " << c.direction;
    }
}

TEST_F(IsamIndexTest, ClearIndexStartsPageNumberingAgain) {
    Open(4, false);
    for (int i = 0; i < 100; ++i) BTAddKey(itsDb, 1, K(std::to_string(i)), i + 1);
    int64_t before = FileSizeOf(Base() + ".IX");
    BTClearIndex(itsDb, 1);
    EXPECT_EQ(BTKeyEntryCount(itsDb, 1), 0);
    EXPECT_EQ(Header(8), 0);
    EXPECT_EQ(Header(0), -1);
    BTAddKey(itsDb, 1, K("x"), 1);
    EXPECT_EQ(Header(16), 1); // the first page again
    // The file never grows past what the first pages took; closed, it holds only the page in use.
    EXPECT_LE(FileSizeOf(Base() + ".IX"), before);
}

// The index file grows ahead of its pages without writing them; closed, it holds exactly its
// rows, and where it cannot be sized the new rows are written as zeros.
TEST_F(IsamIndexTest, IndexFileGrowsAheadAndIsCutBackAtClose) {
    for (bool sizingFails : {false, true}) {
        SCOPED_TRACE(sizingFails ? "sizing fails" : "sizing works");
        Open(4, false);
        FileFaults().Reset();
        if (sizingFails) FileFaults().itsFailTruncateAt = 1;
        for (int i = 0; i < 2000; ++i) BTAddKey(itsDb, 1, K(std::to_string(i)), i + 1);
        ASSERT_TRUE(IsamOK());
        FileFaults().Reset();
        EXPECT_EQ(Walk().size(), 2000u);
        int32_t pages = Header(8);
        const int64_t rowBytes = 4 * 62 + 564;
        EXPECT_EQ(FileSizeOf(Base() + ".IX"), (pages + 1) * rowBytes);
        BTCloseDatabase(itsDb);
        EXPECT_TRUE(IsamOK());
    }
}

} // namespace
} // namespace marvek::test
