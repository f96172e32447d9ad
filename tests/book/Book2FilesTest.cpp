// The book's file set and its named positions.

#include "book/Book2.h"
#include "book/BookVerifier.h"
#include "book/PositionKey.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessPosition.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"
#include "support/SimplePgn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace marvek::test {
namespace {

using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;

class Book2Test : public ::testing::Test {
protected:
    void TearDown() override {
        itsBook.Close();
        PositionFileSizeLimit() = 1799999999;
        FreeSpaceSeam().Reset();
    }
    std::string Name(const std::string& name = "Book") const { return itsFolder / name; }
    bool Exists(const std::string& name, const std::string& ext) const {
        return FileExists(Name(name) + "." + ext);
    }

    TScratchFolder itsFolder;
    // Stops the engine before the folder goes, after the books have closed.
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
    TBook2 itsBook;
};

TEST_F(Book2Test, FileNamesFollowTheLettersMToV) {
    EXPECT_EQ(TBook2::Extension(1, 'D'), "2MD");
    EXPECT_EQ(TBook2::Extension(2, 'X'), "2NX");
    EXPECT_EQ(TBook2::Extension(10, '$'), "2V$");
    EXPECT_EQ(TBook2::Extension(0, '@'), "2J@");
    EXPECT_EQ(TBook2::CleanBookName("/a.b/My.Book.2MD"), "/a.b/MyBook");
    EXPECT_EQ(TBook2::CleanBookName("plain"), "plain");
}

TEST_F(Book2Test, CreateOverAnOldBookDropsItsLaterPositionFiles) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, false);
    PositionFileSizeLimit() = -1;
    itsBook.EnsureRoom();
    itsBook.EnsureRoom();
    EXPECT_EQ(itsBook.PositionFileCount(), 3);
    itsBook.Close();
    EXPECT_TRUE(Exists("Book", "2OD"));

    ASSERT_TRUE(itsBook.Create(Name()));
    EXPECT_FALSE(Exists("Book", "2ND"));
    EXPECT_FALSE(Exists("Book", "2OD"));
    itsBook.Open(Name(), false, false);
    EXPECT_EQ(itsBook.PositionFileCount(), 1);
    EXPECT_EQ(itsBook.PositionCount(), 0);
    EXPECT_EQ(itsBook.NameCount(), 0);
}

TEST_F(Book2Test, ABookInUseIsNotCreatedOver) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, false);
    itsBook.UpdateBoardName(StartPosition(), "Kept");
    TBook2 second;
    EXPECT_FALSE(second.Create(Name()));
    EXPECT_EQ(itsUi.Texts().back(), "There was a problem creating the main file for this book.");
    EXPECT_TRUE(itsBook.ThisBoardNameExists("Kept"));
}

TEST_F(Book2Test, TenPositionFilesAtMost) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, false);
    PositionFileSizeLimit() = -1;
    for (int i = 0; i < 12; ++i) itsBook.EnsureRoom();
    EXPECT_EQ(itsBook.PositionFileCount(), 10);
    EXPECT_FALSE(Exists("Book", "2WD"));
    itsBook.Close();
    itsBook.Open(Name(), false, false);
    EXPECT_EQ(itsBook.PositionFileCount(), 10);
}

TEST_F(Book2Test, RenameRemovesDotsAndKeepsTheBookOpen) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, false);
    itsBook.UpdateBoardName(StartPosition(), "Start");
    ASSERT_TRUE(itsBook.Rename(Name("My.Book.2MD")));
    for (const char* ext : {"2MD", "2MX", "2JD", "2JX"}) {
        EXPECT_TRUE(Exists("MyBook", ext)) << ext;
        EXPECT_FALSE(Exists("Book", ext)) << ext;
    }
    EXPECT_TRUE(itsBook.IsOpen());
    EXPECT_EQ(itsBook.BaseName(), Name("MyBook"));
    EXPECT_TRUE(itsBook.ThisBoardNameExists("Start"));
}

TEST_F(Book2Test, DeleteRemovesEveryFile) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, true); // journaled: the "$" files exist
    EXPECT_TRUE(Exists("Book", "2M$"));
    ASSERT_TRUE(itsBook.Delete());
    EXPECT_TRUE(std::filesystem::is_empty(itsFolder.Path()));
}

TEST_F(Book2Test, ReadOnlyMediaRefusesRenameAndDelete) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, false);
    FreeSpaceSeam().Set(itsFolder.Path(), 0);
    EXPECT_FALSE(itsBook.Rename(Name("Other")));
    EXPECT_FALSE(itsBook.Delete());
    EXPECT_TRUE(itsBook.IsOpen());
    EXPECT_TRUE(Exists("Book", "2MD"));
}

TEST_F(Book2Test, ReadOnlyFilesAreMadeWritableUnlessTheMediaIsReadOnly) {
    ASSERT_TRUE(itsBook.Create(Name()));
    SetReadOnly(Name() + ".2MD");
    FreeSpaceSeam().Set(itsFolder.Path(), 0);
    itsBook.Open(Name(), true, false);
    EXPECT_TRUE(IsReadOnly(Name() + ".2MD"));
    itsBook.Close();
    FreeSpaceSeam().Reset();
    itsBook.Open(Name(), false, false);
    EXPECT_FALSE(IsReadOnly(Name() + ".2MD"));
}

TEST_F(Book2Test, OpenFailuresRaiseTheirMessages) {
    EXPECT_THROW(itsBook.Open(Name("Missing"), false, false), EDatabaseProblem);
    ASSERT_TRUE(itsBook.Create(Name()));

    // Another user holds the book.
    TBook2 other;
    other.Open(Name(), false, false);
    try {
        itsBook.Open(Name(), false, false);
        FAIL() << "opened a book another user holds";
    } catch (const EDatabaseProblem& e) {
        EXPECT_STREQ(e.what(), "There was a problem opening the main database.");
        EXPECT_EQ(e.HelpContext(), 5010);
    }
    EXPECT_EQ(itsBook.ErrorCode(), kBookOpenFailed);
    EXPECT_FALSE(itsBook.IsOpen());
    other.Close();

    // A book not closed properly opens after a rebuild.
    std::filesystem::remove(Name() + ".2JX");
    EXPECT_THROW(itsBook.Open(Name(), false, false), EDatabaseProblem);
    itsBook.Open(Name(), false, false, true, true);
    EXPECT_TRUE(itsBook.IsOpen());
    EXPECT_TRUE(itsUi.itsShown.empty()); // closing after the failed opens said nothing
}

TEST_F(Book2Test, NamesMoveBetweenPositions) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, false);
    TPackedPosition a = StartPosition();
    TPackedPosition b = testsupport::PackedFromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -");
    itsBook.UpdateBoardName(a, "Alpha");
    itsBook.UpdateBoardName(a, "Beta"); // a second name replaces the first
    EXPECT_FALSE(itsBook.ThisBoardNameExists("Alpha"));
    itsBook.UpdateBoardName(b, "Beta"); // the name moves to the other position
    std::string name;
    EXPECT_FALSE(itsBook.GetNameForThisBoard(a, name));
    ASSERT_TRUE(itsBook.GetNameForThisBoard(b, name));
    EXPECT_EQ(name, "Beta");

    itsBook.UpdateBoardName(a, "Gamma");
    EXPECT_TRUE(itsBook.RenameBoard("Gamma", "Beta")); // b loses Beta
    EXPECT_FALSE(itsBook.GetNameForThisBoard(b, name));
    TPackedPosition found;
    ASSERT_TRUE(itsBook.GetBoardForThisName("Beta", found));
    EXPECT_EQ(found, a);
    EXPECT_EQ(itsBook.NameCount(), 1);

    EXPECT_FALSE(itsBook.RenameBoard("Nobody", "X"));
    EXPECT_EQ(itsUi.Texts().back(), "CBook.RenameBoard() called with bad key.");
    EXPECT_FALSE(itsBook.DeleteBoardName("Nobody"));

    // Renamed names survive a rebuild of the names index.
    itsBook.Close();
    itsBook.Open(Name(), false, false, true, false);
    ASSERT_TRUE(itsBook.GetBoardForThisName("Beta", found));
    EXPECT_EQ(found, a);
}

TEST_F(Book2Test, NamesAreExactPositionsAndStepInKeyOrder) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, false);
    TPackedPosition start = StartPosition();
    TChessPosition twin;
    twin.SetPosition(start);
    twin.SwapSides(); // colours reversed and the other side to move: Black to move here
    itsBook.UpdateBoardName(twin.GetPosition(), "Twin");
    std::string name;
    EXPECT_FALSE(itsBook.GetNameForThisBoard(start, name));

    TPackedPosition other = testsupport::PackedFromFen("4k3/8/8/8/8/8/8/4K3 w - -");
    itsBook.UpdateBoardName(other, std::string(50, 'z')); // cut to 41
    EXPECT_TRUE(itsBook.ThisBoardNameExists(std::string(41, 'z')));
    std::string walk;
    std::vector<std::string> order;
    while (itsBook.NextBoardName(walk)) order.push_back(walk);
    EXPECT_EQ(order, (std::vector<std::string>{"Twin", std::string(41, 'z')}));
    walk = std::string(41, 'z');
    ASSERT_TRUE(itsBook.PreviousBoardName(walk));
    EXPECT_EQ(walk, "Twin");
    EXPECT_FALSE(itsBook.PreviousBoardName(walk));
}

TEST_F(Book2Test, VerifyListsAStoredBoardWithoutKingsAsAFault) {
    ASSERT_TRUE(itsBook.Create(Name()));
    itsBook.Open(Name(), false, false);
    // Without castling rights, so that the canonical form depends on where the king stands.
    const TPackedPosition kings = testsupport::PackedFromFen("4k3/8/8/3p4/8/8/8/4K3 w - -");
    TPositionRecord record;
    record.SetPosition(kings);
    TRichTextBuffer comment;
    comment.AppendLine("start");
    itsBook.UpdateEverything(record, &comment);
    ASSERT_TRUE(itsBook.IsInBook(kings));
    itsBook.Close();

    // Damage the record and its key alike: the stored board loses its kings, so it has no
    // canonical form to be compared with.
    TIsamKey key = PositionKey(kings);
    std::string stored(reinterpret_cast<const char*>(key.data()) + 1, kPositionKeyLength);
    TPackedPosition kingless;
    std::memcpy(kingless.itsBytes.data(), stored.data(), stored.size());
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file) {
            int square = MakeSquare(file, rank);
            if (kingless.Piece(square) == kWhiteKing || kingless.Piece(square) == kBlackKing)
                kingless.SetPiece(kEmpty, square);
        }
    std::string damaged(reinterpret_cast<const char*>(kingless.itsBytes.data()), kPositionKeyLength);
    for (const char* ext : {"2MD", "2MX"}) {
        std::string bytes = testsupport::ReadWholeFile(Name() + "." + ext);
        size_t at = bytes.find(stored);
        ASSERT_NE(at, std::string::npos) << ext;
        bytes.replace(at, stored.size(), damaged);
        testsupport::WriteWholeFile(Name() + "." + ext, bytes);
    }

    TBookVerifyReport report = VerifyBook(Name());
    ASSERT_EQ(report.itsFaults.size(), 1u);
    EXPECT_NE(report.itsFaults[0].find("has no king of the side to move"), std::string::npos)
        << report.itsFaults[0];
}

TEST_F(Book2Test, ANamesFileOfOtherSlotsIsDamaged) {
    // Names are read into 80-byte slots; a names file that says its slots are larger is refused
    // on opening and reported by the verifier, never read into them.
    ASSERT_TRUE(itsBook.Create(Name()));
    BTSetExtensions("2JD", "2JX", "2J$");
    const TKeyDescription keys[] = {{kMaxNameLength, false}};
    BTCreateDatabase(Name(), 2 * kNameSlotBytes, 1, keys);
    ASSERT_TRUE(IsamOK());
    EXPECT_THROW(itsBook.Open(Name(), false, false), EDatabaseProblem);
    EXPECT_FALSE(itsBook.IsOpen());
    TBookVerifyReport report = VerifyBook(Name());
    ASSERT_EQ(report.itsFaults.size(), 1u);
    EXPECT_EQ(report.itsFaults[0], "names file: its slots hold 160 bytes, not 80");
}

} // namespace
} // namespace marvek::test
