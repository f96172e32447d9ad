// The engine against an independent writer of the file format: the same operations give the same
// data file byte for byte, and the engine reads files it did not write.

#include "IsamTestBase.h"
#include "storage/IsamFixture.h"
#include "storage/Verifier.h"

namespace marvek::test {
namespace {

using testsupport::SampleFixedDatabase;
using testsupport::SampleRecord;
using testsupport::SampleVariableDatabase;

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST_F(IsamTest, SameOperationsWriteTheSameDataFile) {
    // The same key indexes as the samples, so the headers agree; only the data file is compared.
    TKeyDescription fixedKeys[] = {{8, false}, {3, true}};
    BTCreateDatabase(Base("fixed"), 32, 2, fixedKeys);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base("fixed"), false, false);
    for (int i = 1; i <= 70; ++i) {
        std::string record = SampleRecord(12, i);
        record.resize(32, '\0');
        BTAddRec(db, record.data());
    }
    BTDeleteRec(db, 7);
    BTDeleteRec(db, 3);
    BTCloseDatabase(db);
    EXPECT_EQ(ReadWholeFileBytes(Base("fixed") + ".DAT"), Bytes(SampleFixedDatabase().DataBytes()));

    TKeyDescription variableKeys[] = {{4, false}};
    BTCreateDatabase(Base("variable"), 32, 1, variableKeys);
    BTOpenDatabase(db, Base("variable"), false, false);
    std::vector<RecRef> refs;
    int seed = 0;
    for (size_t length : {4, 26, 27, 51, 52, 200}) {
        std::string record = SampleRecord(length, ++seed);
        refs.push_back(BTAddVariableRec(db, record.data(), uint16_t(record.size())));
    }
    BTRemoveVariableRec(db, refs[4]);
    std::string record = SampleRecord(30, ++seed);
    BTAddVariableRec(db, record.data(), uint16_t(record.size()));
    BTCloseDatabase(db);
    EXPECT_TRUE(IsamOK());
    EXPECT_EQ(ReadWholeFileBytes(Base("variable") + ".DAT"), Bytes(SampleVariableDatabase().DataBytes()));
}

TEST_F(IsamTest, EngineReadsFilesItDidNotWrite) {
    SampleFixedDatabase().Write(Base());
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    ASSERT_TRUE(IsamOK()) << IsamError();
    for (int i = 0; i < 63; ++i)
        EXPECT_EQ(BTFindKey(db, 1, K("k" + std::to_string(1000 + i).substr(1))), 8 + i);
    EXPECT_EQ(BTFindKey(db, 2, K("ab")), 5);
    // Changing it keeps it sound: a new key, a deleted one, a record on the freed slot 3.
    BTAddKey(db, 1, K("k999"), 1);
    BTDeleteKey(db, 1, K("k000"), 0);
    EXPECT_EQ(BTAddRec(db, Record(32, 1).data()), 3);
    BTCloseDatabase(db);
    EXPECT_TRUE(IsamOK());
    TVerifyReport report = VerifyDatabase({Base()});
    EXPECT_TRUE(report.Sound()) << (report.itsFaults.empty() ? "" : report.itsFaults[0]);
}

} // namespace
} // namespace marvek::test
