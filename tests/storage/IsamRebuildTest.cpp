// Rebuild and reindex: compaction, duplicate keys logged and dropped, interrupted rebuilds,
// broken chains, and recovery of a database that was never closed.

#include "IsamTestBase.h"
#include "storage/Verifier.h"

#include <filesystem>
#include <map>

namespace marvek::test {
namespace {

using namespace isam;

// Records carry their key at offset 4, after the four zero bytes every record starts with.
bool KeyAtFour(const uint8_t* record, int length, int, TIsamKey& key) {
    if (length < 8) return false;
    key = MakeIsamKey(std::string_view(reinterpret_cast<const char*>(record) + 4, 4));
    return true;
}

std::vector<uint8_t> Keyed(int slotBytes, const std::string& key, uint8_t fill) {
    std::vector<uint8_t> r(static_cast<size_t>(slotBytes), fill);
    r[0] = r[1] = r[2] = r[3] = 0;
    std::copy(key.begin(), key.end(), r.begin() + 4);
    return r;
}

class IsamRebuildTest : public IsamTest {
protected:
    const TKeyDescription itsKeys[1] = {{4, false}};

    std::map<std::string, std::vector<uint8_t>> Contents(bool variable) {
        std::map<std::string, std::vector<uint8_t>> all;
        IsamDatabase* db = nullptr;
        BTOpenDatabase(db, Base(), true, false);
        EXPECT_TRUE(IsamOK()) << IsamError();
        if (db == nullptr) return all;
        TIsamKey key = K("");
        for (RecRef ref = BTFindFollowing(db, 1, key); IsamOK(); ref = BTFindFollowing(db, 1, key)) {
            std::vector<uint8_t> record(kMaxVariableRead);
            if (variable) {
                record.resize(BTGetVariableRec(db, ref, record.data()));
            } else {
                record.resize(size_t(BTRecLength(db)));
                BTGetRec(db, ref, record.data());
            }
            all[Text(key)] = record;
        }
        BTCloseDatabase(db);
        return all;
    }

    void ExpectSound(bool variable) {
        TVerifyOptions options{Base()};
        options.itsVariable = variable;
        TVerifyReport report = VerifyDatabase(options);
        EXPECT_TRUE(report.Sound()) << (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults[0]);
    }
};

TEST_F(IsamRebuildTest, CompactsLiveRecordsIntoTheFirstSlots) {
    BTCreateDatabase(Base(), 32, 1, itsKeys);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    for (int i = 0; i < 10; ++i) {
        std::string key = "k" + std::to_string(100 + i);
        RecRef ref = BTAddRec(db, Keyed(32, key.substr(0, 4), uint8_t(i)).data());
        BTAddKey(db, 1, K(key.substr(0, 4)), ref);
    }
    for (RecRef ref : {2, 5, 9}) BTDeleteRec(db, ref);
    for (const char* key : {"k101", "k104", "k108"}) BTDeleteKey(db, 1, K(key), 0);
    BTCloseDatabase(db);
    auto before = Contents(false);

    BTRebuildDatabase(Base(), 32, 1, KeyAtFour, itsKeys);
    ASSERT_TRUE(IsamOK()) << IsamError();
    std::vector<uint8_t> data = ReadWholeFileBytes(Base() + ".DAT");
    EXPECT_EQ(data.size(), 8u * 32);              // slot 0 and seven records
    EXPECT_EQ(data[0] & data[1] & data[2], 0xFF); // empty free chain
    EXPECT_EQ(Contents(false), before);
    EXPECT_FALSE(std::filesystem::exists(Base() + ".SAV"));
    EXPECT_FALSE(std::filesystem::exists(Base() + ".MSG"));
    ExpectSound(false);
}

TEST_F(IsamRebuildTest, SecondRecordWithAUniqueKeyIsLoggedAndDropped) {
    BTCreateDatabase(Base(), 32, 0, nullptr);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    BTAddRec(db, Keyed(32, "same", 'a').data());
    BTAddRec(db, Keyed(32, "othr", 'b').data());
    BTAddRec(db, Keyed(32, "same", 'c').data());
    BTCloseDatabase(db);

    BTRebuildDatabase(Base(), 32, 1, KeyAtFour, itsKeys);
    ASSERT_TRUE(IsamOK()) << IsamError();
    auto contents = Contents(false);
    ASSERT_EQ(contents.size(), 2u);
    EXPECT_EQ(contents["same"][31], 'a');
    std::vector<uint8_t> log = ReadWholeFileBytes(Base() + ".MSG");
    std::string expected = "Key:<same> KeyNr: 1 Ref: 3 not added\nData record deleted - Dump follows\n";
    std::string dump(reinterpret_cast<const char*>(Keyed(32, "same", 'c').data()), 32);
    EXPECT_EQ(std::string(log.begin(), log.end()), expected + dump + "\n");
    ExpectSound(false);
}

TEST_F(IsamRebuildTest, InterruptedRebuildBlocksANewOne) {
    BTCreateDatabase(Base(), 32, 0, nullptr);
    WriteWholeFileBytes(Base() + ".SAV", ReadWholeFileBytes(Base() + ".DAT"));
    auto data = ReadWholeFileBytes(Base() + ".DAT");
    BTRebuildDatabase(Base(), 32, 1, KeyAtFour, itsKeys);
    EXPECT_EQ(IsamError(), kRebuildInterrupted);
    EXPECT_EQ(ReadWholeFileBytes(Base() + ".DAT"), data);

    // With only the working copy left, the rebuild carries on from it.
    std::filesystem::remove(Base() + ".DAT");
    BTRebuildDatabase(Base(), 32, 1, KeyAtFour, itsKeys);
    EXPECT_TRUE(IsamOK()) << IsamError();
    EXPECT_FALSE(std::filesystem::exists(Base() + ".SAV"));

    std::filesystem::remove(Base() + ".DAT");
    BTRebuildDatabase(Base(), 32, 1, KeyAtFour, itsKeys);
    EXPECT_EQ(IsamError(), kDataFileNotFound);
    BTRebuildDatabase(Base(), 70000, 0, KeyAtFour, itsKeys);
    EXPECT_EQ(IsamError(), kSlotTooLarge);
}

TEST_F(IsamRebuildTest, BrokenChainIsDroppedAndTheRestKept) {
    BTCreateDatabase(Base(), 64, 0, nullptr);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    std::vector<uint8_t> big = Keyed(200, "long", 'L');
    std::vector<uint8_t> other = Keyed(150, "kept", 'K');
    RecRef broken = BTAddVariableRec(db, big.data(), 200);
    BTAddVariableRec(db, other.data(), 150);
    BTAddVariableRec(db, Keyed(20, "tiny", 'T').data(), 20);
    // Free the broken record's second section: its chain now runs into a free slot.
    std::vector<uint8_t> first(64), second(64);
    BTGetRec(db, broken, first.data());
    int32_t link = first[60] | first[61] << 8;
    BTGetRec(db, link, second.data());
    BTDeleteRec(db, second[60] | second[61] << 8);
    BTCloseDatabase(db);

    BTRebuildVariableDatabase(Base(), 64, 1, KeyAtFour, itsKeys);
    ASSERT_TRUE(IsamOK()) << IsamError();
    auto contents = Contents(true);
    EXPECT_EQ(contents.size(), 2u);
    EXPECT_EQ(contents["kept"], other);
    EXPECT_EQ(contents.count("long"), 0u);
    ExpectSound(true);
}

TEST_F(IsamRebuildTest, ChainWhoseFirstSectionIsTooShortIsDropped) {
    BTCreateDatabase(Base(), 64, 0, nullptr);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    RecRef damaged = BTAddVariableRec(db, Keyed(100, "long", 'L').data(), 100);
    std::vector<uint8_t> other = Keyed(150, "kept", 'K');
    BTAddVariableRec(db, other.data(), 150);
    BTCloseDatabase(db);
    // The first section claims 2 bytes: the record read from the chain starts with 2 zero bytes
    // and goes on with the second section's "LL...".
    auto data = ReadWholeFileBytes(Base() + ".DAT");
    data[size_t(damaged) * 64 + 58] = 2;
    data[size_t(damaged) * 64 + 59] = 0;
    WriteWholeFileBytes(Base() + ".DAT", data);

    BTRebuildVariableDatabase(Base(), 64, 1, KeyAtFour, itsKeys);
    ASSERT_TRUE(IsamOK()) << IsamError();
    auto contents = Contents(true);
    ASSERT_EQ(contents.size(), 1u);
    EXPECT_EQ(contents["kept"], other);
    ExpectSound(true);
}

TEST_F(IsamRebuildTest, ChainOfNoBytesIsCopiedAsAnEmptyRecord) {
    BTCreateDatabase(Base(), 64, 0, nullptr);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    std::vector<uint8_t> kept = Keyed(20, "kept", 'K');
    BTAddVariableRec(db, kept.data(), 20);
    RecRef emptied = BTAddVariableRec(db, Keyed(20, "gone", 'G').data(), 20);
    BTCloseDatabase(db);
    // A damaged file: the second record's only section counts no bytes.
    auto data = ReadWholeFileBytes(Base() + ".DAT");
    data[size_t(emptied) * 64 + 58] = data[size_t(emptied) * 64 + 59] = 0;
    WriteWholeFileBytes(Base() + ".DAT", data);

    BTRebuildVariableDatabase(Base(), 64, 0, nullptr, nullptr);
    ASSERT_TRUE(IsamOK()) << IsamError();
    auto rebuilt = ReadWholeFileBytes(Base() + ".DAT");
    ASSERT_EQ(rebuilt.size(), 3u * 64);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), rebuilt.begin() + 64));
    EXPECT_EQ(rebuilt[2 * 64 + 58] | rebuilt[2 * 64 + 59] << 8, 0);
}

TEST_F(IsamRebuildTest, DatabaseNeverClosedIsRecoveredByARebuild) {
    TKeyDescription keys[] = {{4, false}};
    BTCreateDatabase(Base(), 64, 1, keys);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    std::map<std::string, std::vector<uint8_t>> expected;
    for (int i = 0; i < 500; ++i) {
        std::string key = std::to_string(1000 + i);
        auto record = Keyed(20 + (i * 37) % 300, key, uint8_t(i));
        RecRef ref = BTAddVariableRec(db, record.data(), uint16_t(record.size()));
        BTAddKey(db, 1, K(key), ref);
        expected[key] = record;
    }
    // The process dies: nothing is written back, the files keep their dirty mark.
    auto data = ReadWholeFileBytes(Base() + ".DAT");
    auto index = ReadWholeFileBytes(Base() + ".IX");
    BTCloseDatabase(db);
    WriteWholeFileBytes(Base() + ".DAT", data);
    WriteWholeFileBytes(Base() + ".IX", index);
    BTOpenDatabase(db, Base(), false, false);
    EXPECT_EQ(IsamError(), kRebuildNeeded);

    BTRebuildVariableDatabase(Base(), 64, 1, KeyAtFour, keys);
    ASSERT_TRUE(IsamOK()) << IsamError();
    EXPECT_EQ(Contents(true), expected);
    ExpectSound(true);
}

} // namespace
} // namespace marvek::test
