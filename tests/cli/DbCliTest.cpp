#include <gtest/gtest.h>

#include <vector>

#include "platform/File.h"
#include "storage/IsamFixture.h"
#include "support/FileHelpers.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

using testsupport::RunCli;
using testsupport::SampleFixedDatabase;
using testsupport::SampleVariableDatabase;
using testsupport::TFixtureDatabase;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

class DbCli : public ::testing::Test {
protected:
    std::string Write(const TFixtureDatabase& db) {
        std::string base = itsFolder / "book";
        db.Write(base);
        return base;
    }

    TScratchFolder itsFolder;
};

TEST_F(DbCli, VerifyPrintsWhatItFoundAndSound) {
    std::string base = Write(SampleFixedDatabase());
    auto r = RunCli({"db", "verify", base});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(
        r.itsOut,
        "data file: " + base +
            ".DAT (2272 bytes)\n"
            "FreeHead: 3\n"
            "FreeCount: 2\n"
            "HighSlot: 70\n"
            "SlotBytes: 32\n"
            "IndexCount: 2\n"
            "DirtyMark: 0\n"
            "index file: " +
            base +
            ".IX (9050 bytes)\n"
            "key 1: entries 63, depth 2, pages 4, free pages 1, key length 8, duplicates no, root page 3\n"
            "key 2: entries 6, depth 1, pages 2, free pages 1, key length 3, duplicates yes, root page 1\n"
            "records: 68, free slots: 2\n"
            "sound\n");
    EXPECT_EQ(r.itsErr, "");
}

TEST_F(DbCli, VerifyListsOneLinePerFault) {
    TFixtureDatabase db = SampleFixedDatabase();
    db.itsDirtyMark = 1;
    db.itsKeys[0].itsEntryCount = 60;
    std::string base = Write(db);
    auto r = RunCli({"db", "verify", base});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_NE(r.itsOut.find("DirtyMark: 1\n"), std::string::npos) << r.itsOut;
    std::string tail =
        "records: 68, free slots: 2\n"
        "fault: data file: DirtyMark is set: the database was not closed properly and needs a rebuild\n"
        "fault: key 1: EntryCount is 60, but the tree holds 63 entries\n"
        "2 faults\n";
    ASSERT_GE(r.itsOut.size(), tail.size());
    EXPECT_EQ(r.itsOut.substr(r.itsOut.size() - tail.size()), tail) << r.itsOut;
}

TEST_F(DbCli, VerifyVariableRecordsAndOtherExtensions) {
    std::string base = Write(SampleVariableDatabase());
    // The same bytes under other extensions.
    ASSERT_EQ(RenameFile(base + ".DAT", base + ".BKP"), 0);
    ASSERT_EQ(RenameFile(base + ".IX", base + ".BKI"), 0);

    auto r = RunCli({"db", "verify", base, "--variable", "--data-ext", "BKP", "--index-ext", "BKI"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsOut << r.itsErr;
    EXPECT_NE(r.itsOut.find("records: 6 in 16 sections, free slots: 1\nsound\n"), std::string::npos)
        << r.itsOut;

    r = RunCli({"db", "verify", base, "--variable"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsErr, "cannot verify: data file " + base + ".DAT does not exist\n");
    EXPECT_EQ(r.itsOut, "");
}

TEST_F(DbCli, VerifyJson) {
    std::string base = Write(SampleFixedDatabase());
    auto r = RunCli({"db", "verify", base, "--json"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    for (const char* part :
         {"\"sound\":true", "\"faults\":[]", "\"HighSlot\":70", "\"depth\":2", "\"records\":68"}) {
        EXPECT_NE(r.itsOut.find(part), std::string::npos) << part << " in " << r.itsOut;
    }

    TFixtureDatabase db = SampleFixedDatabase();
    db.itsFreeCount = 4;
    Write(db);
    r = RunCli({"db", "verify", base, "--json"});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_NE(r.itsOut.find("\"faults\":[\"data file: FreeCount is 4, but the free chain holds 2 slots\"]"),
              std::string::npos)
        << r.itsOut;
    EXPECT_NE(r.itsOut.find("\"sound\":false"), std::string::npos) << r.itsOut;
}

TEST_F(DbCli, AHeldDatabaseCannotBeVerified) {
    std::string base = Write(SampleFixedDatabase());
    TFile holder;
    ASSERT_EQ(holder.Open(base + ".DAT", TFileMode::kReadWrite), 0);
    auto r = RunCli({"db", "verify", base});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsErr, "cannot verify: data file " + base + ".DAT is in use by another process\n");
}

TEST_F(DbCli, StatPrintsTheHeadersAlone) {
    TFixtureDatabase db = SampleFixedDatabase();
    db.itsKeys[0].itsEntryCount = 60; // stat does not walk, so this goes unnoticed
    std::string base = Write(db);
    auto r = RunCli({"db", "stat", base});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_EQ(r.itsOut,
              "data file: " + base +
                  ".DAT (2272 bytes)\n"
                  "FreeHead: 3\n"
                  "FreeCount: 2\n"
                  "HighSlot: 70\n"
                  "SlotBytes: 32\n"
                  "IndexCount: 2\n"
                  "DirtyMark: 0\n"
                  "index file: " +
                  base +
                  ".IX (9050 bytes)\n"
                  "key 1: entries 60, pages 4, free pages 1, key length 8, duplicates no, root page 3\n"
                  "key 2: entries 6, pages 2, free pages 1, key length 3, duplicates yes, root page 1\n");

    r = RunCli({"db", "stat", base, "--json"});
    EXPECT_EQ(r.itsExitStatus, 0) << r.itsErr;
    EXPECT_NE(r.itsOut.find("\"header\":{\"DirtyMark\":0,\"FreeCount\":2"), std::string::npos) << r.itsOut;
    EXPECT_EQ(r.itsOut.find("\"sound\""), std::string::npos) << r.itsOut;

    WriteWholeFile(base + ".DAT", "short");
    r = RunCli({"db", "stat", base});
    EXPECT_EQ(r.itsExitStatus, 1);
    EXPECT_EQ(r.itsErr, "cannot read: data file: holds 5 bytes, fewer than the 21 of its header\n");
}

TEST_F(DbCli, BadArgumentsAreUsageErrors) {
    std::string base = Write(SampleFixedDatabase());
    const std::vector<std::vector<std::string>> cases = {
        {"db"},
        {"db", "verify"},
        {"db", "stat"},
        {"db", "check", base},
        {"db", "verify", base, "--data-ext", "DATA"},
        {"db", "verify", base, "--index-ext", "a/b"},
        {"db", "stat", base, "--variable"},
    };
    for (const auto& args : cases) {
        auto r = RunCli(args);
        EXPECT_EQ(r.itsExitStatus, 2) << args.back() << ": " << r.itsOut << r.itsErr;
    }
}

} // namespace
} // namespace marvek
