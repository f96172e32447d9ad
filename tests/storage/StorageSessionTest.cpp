// The storage session: the engine runs exactly as long as the session, and a session that cannot
// have the engine says why.

#include "IsamTestBase.h"
#include "platform/Errors.h"

namespace marvek::test {
namespace {

TEST_F(IsamTest, SessionEndClosesWhatIsStillOpen) {
    itsStorage.reset();
    {
        TStorageSession session;
        ASSERT_TRUE(BTEngineStarted());
        BTCreateDatabase(Base(), 32, 0, nullptr);
        IsamDatabase* db = nullptr;
        BTOpenDatabase(db, Base(), false, false);
        ASSERT_TRUE(IsamOK()) << IsamError();
        BTAddRec(db, Record(32, 7).data());
    }
    EXPECT_FALSE(BTEngineStarted());

    // Closed properly: a dirty mark left behind would ask for a rebuild here.
    TStorageSession again;
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, Base(), false, false);
    ASSERT_TRUE(IsamOK()) << IsamError();
    EXPECT_EQ(BTUsedRecCount(db), 1);
    BTCloseDatabase(db);
}

TEST_F(IsamTest, SessionThatCannotStartSaysWhyAndLeavesTheEngineAsItWas) {
    struct {
        bool otherSessionRuns;
        int pageBuffers;
        const char* message;
    } cases[] = {
        {true, kStoragePageBuffers, "the storage engine is already running"},
        {false, 7, "the storage engine cannot start with 7 page buffers"},
    };
    for (const auto& c : cases) {
        itsStorage.reset();
        if (c.otherSessionRuns) itsStorage.emplace();
        try {
            TStorageSession session(c.pageBuffers);
            ADD_FAILURE() << "started with " << c.pageBuffers;
        } catch (const EMarvekError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
        EXPECT_EQ(BTEngineStarted(), c.otherSessionRuns) << c.message;
    }
}

} // namespace
} // namespace marvek::test
