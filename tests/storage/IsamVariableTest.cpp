// Variable-length records: section layout, rewriting, reading limits, damaged chains.

#include "IsamTestBase.h"
#include "storage/Verifier.h"

#include <map>
#include <random>

#include <limits>
#include <numeric>

namespace marvek::test {
namespace {

using namespace isam;

class IsamVariableTest : public IsamTest {
protected:
    void SetUp() override {
        IsamTest::SetUp();
        BTCreateDatabase(Base(), 64, 0, nullptr);
        BTOpenDatabase(itsDb, Base(), false, false);
        ASSERT_TRUE(IsamOK());
    }
    void TearDown() override {
        if (itsDb != nullptr) BTCloseDatabase(itsDb);
        IsamTest::TearDown();
    }
    static std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
        std::vector<uint8_t> r(n);
        std::iota(r.begin(), r.end(), seed);
        if (n >= 4) r[0] = r[1] = r[2] = r[3] = 0;
        return r;
    }
    std::vector<uint8_t> Get(RecRef ref, uint16_t capacity = kMaxVariableRead) {
        std::vector<uint8_t> out(65535 + 64);
        uint16_t n = BTGetVariableRec(itsDb, ref, out.data(), capacity);
        out.resize(n);
        return out;
    }
    std::vector<uint8_t> Slot(RecRef ref) {
        std::vector<uint8_t> s(64);
        BTGetRec(itsDb, ref, s.data());
        return s;
    }
    IsamDatabase* itsDb = nullptr;
};

TEST_F(IsamVariableTest, RecordLengthsTakeTheirSectionCounts) {
    struct {
        size_t length;
        int sections;
    } cases[] = {{0, 1}, {58, 1}, {59, 2}, {115, 2}, {116, 3}, {65535, 1 + (65535 - 58 + 56) / 57}};
    for (const auto& c : cases) {
        int32_t before = BTSlotCount(itsDb);
        auto record = Bytes(c.length, 9);
        RecRef ref = BTAddVariableRec(itsDb, record.data(), static_cast<uint16_t>(c.length));
        ASSERT_TRUE(IsamOK()) << IsamError();
        EXPECT_EQ(BTSlotCount(itsDb) - before, c.sections) << c.length;
        // Sections are written last first, so the first section takes the highest slot.
        EXPECT_EQ(ref, BTSlotCount(itsDb) - 1);
        auto read = Get(ref);
        size_t expected = std::min<size_t>(c.length, kMaxVariableRead);
        EXPECT_EQ(read, std::vector<uint8_t>(record.begin(), record.begin() + long(expected))) << c.length;
    }
}

TEST_F(IsamVariableTest, ReferencesOutsideTheFileAreRefused) {
    // A damaged index can hold any number as a reference, the smallest int included.
    BTAddVariableRec(itsDb, Bytes(100, 1).data(), 100);
    for (RecRef ref : {RecRef(-1), std::numeric_limits<RecRef>::min(), BTSlotCount(itsDb),
                       std::numeric_limits<RecRef>::max()}) {
        EXPECT_TRUE(Get(ref).empty()) << ref;
        EXPECT_FALSE(IsamOK()) << ref;
    }
}

TEST_F(IsamVariableTest, SectionsCarryCountLinkAndMarker) {
    auto record = Bytes(116, 1);
    record[0] = 0;
    RecRef ref = BTAddVariableRec(itsDb, record.data(), 116);
    auto first = Slot(ref);
    EXPECT_EQ(first[0], 0); // the record's own first byte
    EXPECT_EQ(first[58] | first[59] << 8, 58);
    int32_t link = first[60] | first[61] << 8;
    auto second = Slot(link);
    EXPECT_EQ(second[0], 1);
    EXPECT_EQ(second[58] | second[59] << 8, 57);
    auto third = Slot(second[60] | second[61] << 8);
    EXPECT_EQ(third[0], 1);
    EXPECT_EQ(third[58] | third[59] << 8, 1);
    EXPECT_EQ(third[60] | third[61] << 8, 0);

    auto empty = Slot(BTAddVariableRec(itsDb, nullptr, 0));
    EXPECT_EQ(empty[58] | empty[59] << 8, 0);
    EXPECT_EQ(empty[60] | empty[61] << 8, 0);
}

TEST_F(IsamVariableTest, ShorterRewriteFreesTheContinuationsForReuse) {
    RecRef ref = BTAddVariableRec(itsDb, Bytes(116, 3).data(), 116);
    ASSERT_EQ(ref, 3); // continuations in slots 2 and 1, written last first
    auto shorter = Bytes(20, 5);
    BTPutVariableRec(itsDb, ref, shorter.data(), 20);
    EXPECT_TRUE(IsamOK());
    EXPECT_EQ(Get(ref), shorter);
    EXPECT_EQ(BTUsedRecCount(itsDb), 1);
    auto r = Record(64, 1);
    // The chain ran 3 -> 2 -> 1 and was freed in that order: last freed, first reused.
    EXPECT_EQ(BTAddRec(itsDb, r.data()), 1);
    EXPECT_EQ(BTAddRec(itsDb, r.data()), 2);

    auto longer = Bytes(300, 7);
    BTPutVariableRec(itsDb, ref, longer.data(), 300);
    EXPECT_EQ(Get(ref), longer);
    BTRemoveVariableRec(itsDb, ref);
    EXPECT_EQ(BTUsedRecCount(itsDb), 2);
    BTPutVariableRec(itsDb, 0, longer.data(), 300);
    EXPECT_EQ(IsamError(), kPutRecZero);
}

TEST_F(IsamVariableTest, ReadingStopsAtTheCapacity) {
    auto record = Bytes(200, 2);
    RecRef ref = BTAddVariableRec(itsDb, record.data(), 200);
    auto part = Get(ref, 100);
    EXPECT_EQ(part, std::vector<uint8_t>(record.begin(), record.begin() + 100));
}

TEST_F(IsamVariableTest, DamagedChainsReportInsteadOfRunningAway) {
    auto record = Bytes(200, 2);
    RecRef ref = BTAddVariableRec(itsDb, record.data(), 200);
    auto first = Slot(ref);
    int32_t link = first[60] | first[61] << 8;

    auto loop = Slot(link); // a continuation pointing at itself
    loop[60] = static_cast<uint8_t>(link);
    loop[61] = 0;
    BTPutRec(itsDb, link, loop.data());
    Get(ref);
    EXPECT_EQ(IsamError(), kVariableReadFailed);

    first[60] = 200; // past the end of the file
    BTPutRec(itsDb, ref, first.data());
    Get(ref);
    EXPECT_EQ(IsamError(), kShortRead);

    first[58] = 200; // more bytes than a section holds
    BTPutRec(itsDb, ref, first.data());
    Get(ref);
    EXPECT_EQ(IsamError(), kVariableReadFailed);
}

} // namespace
} // namespace marvek::test

namespace marvek::test {
namespace {

TEST_F(IsamVariableTest, RandomAddPutRemoveKeepEveryRecordIntact) {
    std::mt19937 random(77);
    std::map<RecRef, std::vector<uint8_t>> model;
    std::uniform_int_distribution<int> length(4, 700), kind(0, 9); // records start with 4 zero bytes
    for (int step = 0; step < 4000; ++step) {
        int k = kind(random);
        auto record = Bytes(size_t(length(random)), uint8_t(step));
        if (k < 4 || model.empty()) {
            RecRef ref = BTAddVariableRec(itsDb, record.data(), uint16_t(record.size()));
            ASSERT_TRUE(IsamOK());
            ASSERT_EQ(model.count(ref), 0u);
            model[ref] = record;
        } else {
            auto it = model.begin();
            std::advance(it, std::uniform_int_distribution<size_t>(0, model.size() - 1)(random));
            if (k < 8) {
                BTPutVariableRec(itsDb, it->first, record.data(), uint16_t(record.size()));
                it->second = record;
            } else {
                BTRemoveVariableRec(itsDb, it->first);
                model.erase(it);
            }
            ASSERT_TRUE(IsamOK());
        }
    }
    for (const auto& [ref, record] : model) ASSERT_EQ(Get(ref), record) << ref;
    BTCloseDatabase(itsDb);
    TVerifyOptions options{Base()};
    options.itsVariable = true;
    TVerifyReport report = VerifyDatabase(options);
    EXPECT_TRUE(report.Sound()) << (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults[0]);
    EXPECT_EQ(report.itsRecords, int64_t(model.size()));
}

TEST_F(IsamVariableTest, ReadAheadReadsWhatIsThereAndForgetsItOnAWrite) {
    std::map<RecRef, std::vector<uint8_t>> model;
    for (int i = 0; i < 60; ++i) {
        auto record = Bytes(size_t(4 + (i * 37) % 300), uint8_t(i));
        model[BTAddVariableRec(itsDb, record.data(), uint16_t(record.size()))] = record;
    }
    ASSERT_TRUE(IsamOK());
    // A few slots at a time, and (with the larger size) a record's whole window of slots at once:
    // in the order of the file, backwards, and after writes in between.
    for (size_t bytes : {size_t(200), size_t(4096)}) {
        SCOPED_TRACE(bytes);
        BTSetReadAhead(itsDb, bytes);
        for (const auto& [ref, record] : model) ASSERT_EQ(Get(ref), record) << ref;
        for (auto it = model.rbegin(); it != model.rend(); ++it) ASSERT_EQ(Get(it->first), it->second);
        for (auto& [ref, record] : model) {
            record = Bytes(record.size(), uint8_t(ref + bytes));
            BTPutVariableRec(itsDb, ref, record.data(), uint16_t(record.size()));
            ASSERT_EQ(Get(ref), record) << ref;
        }
        for (const auto& [ref, record] : model) ASSERT_EQ(Get(ref), record) << ref;
        // Past the end of the file it fails as a direct read does.
        Get(BTSlotCount(itsDb) + 5);
        EXPECT_FALSE(IsamOK());
    }
    BTSetReadAhead(itsDb, 0);
    for (const auto& [ref, record] : model) ASSERT_EQ(Get(ref), record) << ref;
}

} // namespace
} // namespace marvek::test
