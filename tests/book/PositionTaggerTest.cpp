// The position tagger: a scratch set of positions on disk whose files go with the tagger.

#include "book/PositionTagger.h"

#include "book/PositionKey.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "storage/IsamTestBase.h"
#include "support/ChessFixtures.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

#include <functional>

namespace marvek::test {
namespace {

using marvek::testsupport::PackedFromFen;
using marvek::testsupport::TRecordingUserInterface;

class PositionTaggerTest : public IsamTest {
protected:
    void TearDown() override {
        FreeSpaceSeam().Reset();
        IsamTest::TearDown();
    }

    // The value stored with a position, read from the files once the tagger has closed them.
    int32_t StoredValue(const std::string& base, const TPackedPosition& position) {
        BTSetExtensions(TPositionTagger::kDataExtension, TPositionTagger::kIndexExtension,
                        TPositionTagger::kJournalExtension);
        IsamDatabase* db = nullptr;
        BTOpenDatabase(db, base, true, false);
        EXPECT_TRUE(IsamOK()) << IsamError();
        RecRef value = BTFindKey(db, 1, PositionKey(position));
        if (!IsamOK()) value = -1;
        EXPECT_EQ(BTKeyEntryCount(db, 1), 1);
        BTCloseDatabase(db);
        return value;
    }

    const TPackedPosition itsE4 = PackedFromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    const TPackedPosition itsE4Reversed =
        PackedFromFen("rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const TPackedPosition itsD4 = PackedFromFen("rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1");
};

TEST_F(PositionTaggerTest, TaggingTwiceKeepsOneEntryWithTheFirstValue) {
    TPositionTagger tagger;
    tagger.OpenTagFile(Base("Tags"));
    ASSERT_TRUE(tagger.IsOpen());
    EXPECT_FALSE(tagger.BoardIsTagged(itsE4));
    tagger.AddBoard(itsE4, 1);
    tagger.AddBoard(itsE4Reversed, 5);
    EXPECT_TRUE(tagger.BoardIsTagged(itsE4));
    EXPECT_TRUE(tagger.BoardIsTagged(itsE4Reversed));
    EXPECT_FALSE(tagger.BoardIsTagged(itsD4));
    tagger.CloseTagFile();
    EXPECT_EQ(StoredValue(Base("Tags"), itsE4), 1);
}

TEST_F(PositionTaggerTest, OpeningStartsAnEmptySetAndEmptyingClearsIt) {
    TPositionTagger tagger;
    tagger.OpenTagFile(Base("Tags"));
    tagger.AddBoard(itsE4, 1);
    tagger.CloseTagFile();
    tagger.OpenTagFile(Base("Tags"));
    EXPECT_FALSE(tagger.BoardIsTagged(itsE4));
    // Moving to another name leaves nothing behind under the first.
    tagger.OpenTagFile(Base("Other"));
    EXPECT_TRUE(MatchingFiles(Base("Tags")).empty());

    tagger.AddBoard(itsE4, 1);
    tagger.AddBoard(itsD4, 1);
    tagger.EmptyTagFile();
    EXPECT_FALSE(tagger.BoardIsTagged(itsE4));
    EXPECT_FALSE(tagger.BoardIsTagged(itsD4));
    tagger.AddBoard(itsD4, 1);
    EXPECT_TRUE(tagger.BoardIsTagged(itsD4));
}

// The files vanish with the tagger, whether or not it was closed first, and with them any other
// file of the same base name.
TEST_F(PositionTaggerTest, ARelativeNameLivesInTheTemporaryFolderAndVanishesWithTheTagger) {
    marvek::testsupport::TScopedEnvironment home("MARVEK_HOME", itsFolder.Path());
    for (bool closeFirst : {false, true}) {
        SCOPED_TRACE(closeFirst);
        std::string base = itsFolder / "Temp/Book2PGN";
        {
            TPositionTagger tagger;
            tagger.OpenTagFile("Book2PGN");
            EXPECT_EQ(tagger.ExpandedBasePath(), base);
            tagger.AddBoard(itsE4, 1);
            WriteWholeFileBytes(base + ".OLD", {'x'});
            EXPECT_EQ(MatchingFiles(base),
                      (std::vector<std::string>{base + ".$$$", base + ".$$I", base + ".OLD"}));
            if (closeFirst) tagger.CloseTagFile();
        }
        EXPECT_TRUE(MatchingFiles(base).empty());
    }
}

TEST_F(PositionTaggerTest, WhileClosedEveryOperationIsAnInternalError) {
    TPositionTagger tagger;
    const TPackedPosition e4 = itsE4;
    std::vector<std::function<void(TPositionTagger&)>> calls = {
        [&](TPositionTagger& t) { t.AddBoard(e4, 1); },
        [&](TPositionTagger& t) { t.BoardIsTagged(e4); },
        [&](TPositionTagger& t) { t.EmptyTagFile(); },
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_THROW(calls[i](tagger), EInternalError);
    }
}

TEST_F(PositionTaggerTest, TooLittleFreeSpaceRefusesATag) {
    TPositionTagger tagger;
    tagger.OpenTagFile(Base("Tags"));
    FreeSpaceSeam().Set(itsFolder.Path(), 39999);
    try {
        tagger.AddBoard(itsE4, 1);
        ADD_FAILURE() << "no exception";
    } catch (const EDatabaseProblem& problem) {
        EXPECT_STREQ(problem.what(), "Not enough disk space.");
        EXPECT_EQ(problem.HelpContext(), 5010);
    }
    EXPECT_FALSE(tagger.BoardIsTagged(itsE4));
}

TEST_F(PositionTaggerTest, AFailedCreationIsShownAndAFailedOpenThrows) {
    TRecordingUserInterface ui;
    TPositionTagger tagger;
    std::string missing = Base("no such folder/Tags");
    tagger.OpenTagFile(missing);
    EXPECT_FALSE(tagger.IsOpen());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Problem creating temporary file " + missing});

    // The files can be made, but the engine is not there to open them.
    BTStopEngine();
    try {
        tagger.OpenTagFile(Base("Tags"));
        ADD_FAILURE() << "no exception";
    } catch (const EDatabaseProblem& problem) {
        EXPECT_STREQ(problem.what(), "The temporary file could not be opened. Error=10455");
        EXPECT_EQ(problem.HelpContext(), 5010);
    }
    EXPECT_FALSE(tagger.IsOpen());
}

} // namespace
} // namespace marvek::test
