// The set-up dialog's behaviour: pressing squares and the palette, the three buttons, the flags
// OK builds, the positions it refuses and the name questions against a real book.
#include "diagram/SetupPosition.h"

#include <gtest/gtest.h>

#include "book/Book2.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::test {
namespace {

using testsupport::PackedFromFen;
using testsupport::PositionAfter;
using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;

TSquare Sq(const char* name) {
    return SquareFromName(name);
}

TEST(SetupPositionTest, APressEmptiesAnOccupiedSquareWhateverIsSelectedAndASecondPlaces) {
    TSetupPosition setup(nullptr, StartPosition());
    EXPECT_EQ(setup.SelectedPiece(), kWhitePawn);
    setup.SelectPiece(kBlackQueen);
    setup.PressSquare(Sq("e2")); // a white pawn stands there
    EXPECT_EQ(setup.PieceOn(Sq("e2")), kEmpty);
    setup.PressSquare(Sq("e2"));
    EXPECT_EQ(setup.PieceOn(Sq("e2")), kBlackQueen);
    setup.PressSquare(Sq("e4"));
    EXPECT_EQ(setup.PieceOn(Sq("e4")), kBlackQueen);
}

TEST(SetupPositionTest, PointsAreClampedToTheBoardWithWhiteAtTheBottom) {
    struct TCase {
        int itsX, itsY;
        const char* itsSquare;
    };
    const TCase cases[] = {
        {0, 0, "a8"},     {37, 37, "a8"},   {38, 38, "b7"},   {303, 303, "h1"},
        {-50, 400, "a1"}, {1000, -5, "h8"}, {152, 151, "e5"}, {285, 285, "h1"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(SquareName(TSetupPosition::SquareAtPoint(c.itsX, c.itsY)), c.itsSquare)
            << c.itsX << "," << c.itsY;
    }
    TSetupPosition setup(nullptr, StartPosition());
    EXPECT_EQ(setup.PressPoint(-10, -10), Sq("a8"));
    EXPECT_EQ(setup.PieceOn(Sq("a8")), kEmpty);
    EXPECT_EQ(TSetupPosition::SquareLeft(Sq("b7")), 38);
    EXPECT_EQ(TSetupPosition::SquareTop(Sq("b7")), 38);
}

TEST(SetupPositionTest, ThePaletteSelectsThePieceUnderThePoint) {
    struct TCase {
        int itsX, itsY, itsPiece;
    };
    const TCase cases[] = {
        {0, 0, kWhitePawn},    {40, 10, kWhiteKnight}, {227, 37, kWhiteKing}, {0, 38, kBlackPawn},
        {227, 75, kBlackKing}, {228, 10, kEmpty},      {-1, 10, kEmpty},      {10, 76, kEmpty},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TSetupPosition::PalettePieceAt(c.itsX, c.itsY), c.itsPiece) << c.itsX << "," << c.itsY;

    TSetupPosition setup(nullptr, StartPosition());
    setup.PressPalette(160, 50);
    EXPECT_EQ(setup.SelectedPiece(), kBlackQueen);
    setup.PressPalette(500, 50); // outside: the selection stays
    EXPECT_EQ(setup.SelectedPiece(), kBlackQueen);
}

TEST(SetupPositionTest, TheEnPassantLetterGivesThePawnsSquareWhenACaptureIsPossible) {
    // White to move after ...e7-e5 beside the pawn on d5; Black to move after d2-d4 beside e4.
    const TPackedPosition white = PackedFromFen("4k3/8/8/3Pp3/8/8/8/4K3 w - -");
    const TPackedPosition black = PackedFromFen("4k3/8/8/8/3Pp3/8/8/4K3 b - -");
    struct TCase {
        const TPackedPosition* itsBoard;
        const char* itsLetter;
        TSquare itsSquare;
    };
    const TCase cases[] = {
        {&white, "e", Sq("e5")},     {&white, "E", Sq("e5")},
        {&white, "5", kNoEnPassant}, {&white, "", kNoEnPassant},
        {&white, "i", kNoEnPassant}, {&white, "d", kNoEnPassant}, // nobody can take the d-pawn
        {&black, "d", Sq("d4")},     {&black, "e", kNoEnPassant},
    };
    for (const TCase& c : cases) {
        TSetupPosition setup(nullptr, *c.itsBoard);
        setup.SetEnPassantLetter(c.itsLetter);
        EXPECT_EQ(setup.BuildResult().EnPassantSquare(), c.itsSquare) << c.itsLetter;
    }
}

TEST(SetupPositionTest, TheControlsFlagsMakeTheResultAndCastlingThePiecesForbidIsDropped) {
    const TPackedPosition afterE4 = PositionAfter("e4");
    TSetupPosition setup(nullptr, afterE4);
    EXPECT_FALSE(setup.WhiteToMove());
    EXPECT_TRUE(setup.CastlingRight(kBlackQueenSide));
    EXPECT_EQ(setup.EnPassantLetter(), ""); // nobody could take the e-pawn

    setup.SetWhiteToMove(true);
    setup.PressSquare(Sq("h1")); // the king-side rook goes
    setup.SetCastlingRight(kBlackQueenSide, false);
    const TPackedPosition result = setup.BuildResult();
    EXPECT_TRUE(result.WhiteToMove());
    EXPECT_EQ(result.Flags() & kCastlingRights, kWhiteQueenSide | kBlackKingSide);
    EXPECT_EQ(result.Piece(Sq("e4")), kWhitePawn);
    EXPECT_EQ(result.Piece(Sq("h1")), kEmpty);
}

TEST(SetupPositionTest, ClearEmptiesTheBoardAndCastlingButKeepsSideToMoveAndEnPassant) {
    TSetupPosition setup(nullptr, StartPosition());
    setup.SetWhiteToMove(false);
    setup.SetEnPassantLetter("c");
    setup.Clear();
    for (int square = 0; square <= 77; ++square) EXPECT_EQ(setup.PieceOn(square), kEmpty) << square;
    for (std::uint16_t right : {kWhiteKingSide, kWhiteQueenSide, kBlackKingSide, kBlackQueenSide})
        EXPECT_FALSE(setup.CastlingRight(right));
    EXPECT_FALSE(setup.WhiteToMove());
    EXPECT_EQ(setup.EnPassantLetter(), "c");
}

TEST(SetupPositionTest, OkRefusesPositionsWithoutOneKingEachOrWithTheOtherSideInCheck) {
    struct TCase {
        const char* itsFen;
        const char* itsProblem;
    };
    const TCase cases[] = {
        {"8/8/8/8/8/8/8/8 w - -", TSetupPosition::kKingsProblem},
        {"4k3/8/8/8/8/8/8/8 w - -", TSetupPosition::kKingsProblem},
        {"4k3/8/8/8/8/8/8/3KK3 w - -", TSetupPosition::kKingsProblem},
        {"4k3/8/8/8/8/8/4R3/4K3 w - -", TSetupPosition::kCheckProblem}, // Black, not to move, in check
        {"4k3/8/8/8/8/8/3p4/4K3 b - -", TSetupPosition::kCheckProblem}, // a pawn gives the check
        {"4k3/8/8/8/8/8/4R3/4K3 b - -", ""},                            // the side to move in check
    };
    for (const TCase& c : cases) {
        TRecordingUserInterface ui;
        ui.itsAnswers = {TAnswer::kYes};
        TSetupPosition setup(nullptr, PackedFromFen(c.itsFen));
        EXPECT_EQ(setup.PositionProblem(), c.itsProblem) << c.itsFen;
        const bool expectAccepted = std::string(c.itsProblem).empty();
        EXPECT_EQ(setup.Accept(), expectAccepted) << c.itsFen;
        ASSERT_EQ(ui.Texts().size(), 1u) << c.itsFen;
        EXPECT_EQ(ui.Texts()[0], expectAccepted ? TSetupPosition::kNoNameQuestion : c.itsProblem);
    }
}

TEST(SetupPositionTest, ClearThenOkWithoutANameAsksAndOnlyYesCloses) {
    TRecordingUserInterface ui;
    TSetupPosition setup(nullptr, StartPosition());
    setup.Clear();
    setup.SelectPiece(kWhiteKing);
    setup.PressSquare(Sq("g1"));
    setup.SelectPiece(kBlackKing);
    setup.PressSquare(Sq("g8"));
    ui.itsAnswers = {TAnswer::kCancel, TAnswer::kNo, TAnswer::kYes};
    EXPECT_FALSE(setup.Accept());
    EXPECT_FALSE(setup.Accept());
    EXPECT_TRUE(setup.Accept());
    ASSERT_EQ(ui.itsShown.size(), 3u);
    for (const auto& shown : ui.itsShown) EXPECT_EQ(shown.itsText, TSetupPosition::kNoNameQuestion);
    EXPECT_EQ(setup.Result(), PackedFromFen("6k1/8/8/8/8/8/8/6K1 w - -"));
}

TEST(SetupPositionTest, NamesLongerThanTheEditAllowsAreCut) {
    TSetupPosition setup(nullptr, StartPosition());
    setup.SetName(std::string(45, 'x'));
    EXPECT_EQ(setup.Name(), std::string(40, 'x'));
    // Never inside a character: "é" is two bytes and would straddle the limit.
    setup.SetName(std::string(39, 'x') + "\xC3\xA9" + "y");
    EXPECT_EQ(setup.Name(), std::string(39, 'x'));
}

class SetupPositionBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(itsBook.Create(itsFolder / "Book"));
        itsBook.Open(itsFolder / "Book", false, false);
        itsBook.UpdateBoardName(StartPosition(), "Initial");
        itsBook.UpdateBoardName(itsAfterE4, "King's Pawn");
    }
    void TearDown() override { itsBook.Close(); }

    TScratchFolder itsFolder;
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
    TBook2 itsBook;
    TPackedPosition itsAfterE4 = PositionAfter("e4");
};

TEST_F(SetupPositionBookTest, OpeningStartAndCurrentShowTheBooksNames) {
    TSetupPosition setup(&itsBook, itsAfterE4);
    EXPECT_EQ(setup.Name(), "King's Pawn");
    setup.PressSquare(Sq("e4"));
    setup.Start();
    EXPECT_EQ(setup.Name(), "Initial");
    EXPECT_EQ(setup.Board(), StartPosition());
    EXPECT_TRUE(setup.WhiteToMove());
    EXPECT_TRUE(setup.CastlingRight(kWhiteKingSide) && setup.CastlingRight(kBlackQueenSide));
    setup.Current();
    EXPECT_EQ(setup.Name(), "King's Pawn");
    EXPECT_EQ(setup.PieceOn(Sq("e4")), kWhitePawn);
    EXPECT_FALSE(setup.WhiteToMove());

    TSetupPosition unnamed(&itsBook, PositionAfter("d4"));
    EXPECT_EQ(unnamed.Name(), "");
    unnamed.Start();
    EXPECT_EQ(unnamed.Name(), "Initial");
}

TEST_F(SetupPositionBookTest, ANameTheBookHoldsAsksBeforeOverwriting) {
    TSetupPosition setup(&itsBook, PositionAfter("d4"));
    setup.SetName("Initial");
    itsUi.itsAnswers = {TAnswer::kNo, TAnswer::kYes};
    EXPECT_FALSE(setup.Accept());
    EXPECT_TRUE(setup.Accept());
    EXPECT_EQ(itsUi.Texts(), (std::vector<std::string>{TSetupPosition::kOverwriteQuestion,
                                                       TSetupPosition::kOverwriteQuestion}));
    EXPECT_EQ(setup.Result(), PositionAfter("d4"));

    // A new name is taken without a question.
    setup.SetName("Queen's Pawn");
    EXPECT_TRUE(setup.Accept());
    EXPECT_EQ(itsUi.Texts().size(), 2u);
}

} // namespace
} // namespace marvek::test
