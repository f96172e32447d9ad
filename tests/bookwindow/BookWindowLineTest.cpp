// The book window's line: typed and board moves, the Go commands, the saved line, the past-moves
// grid and the multiple take-back menu.
#include "bookwindow/BookWindowFixture.h"

#include "bookwindow/TakeBackEntry.h"
#include "platform/File.h"
#include "support/FileHelpers.h"

namespace marvek::test {
namespace {

using testsupport::PackedFromFen;
using testsupport::PositionAfter;

using BookWindowLineTest = BookWindowFixture;

TEST_F(BookWindowLineTest, TypedMovesBuildTheBookAndTheLine) {
    Type("e4 e7e5 Ng1f3 Nc6"); // bare coordinates and a from-square are read too
    EXPECT_EQ(Window().PlyCount(), 4);
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("e4 e5 Nf3 Nc6"));
    EXPECT_EQ(Window().LineMoveText(3), "Nf3,");
    // Each position reached knows its arrival and holds the move played from it.
    EXPECT_EQ(Window().CurrentRecord().TakeBackCount(), 1);
    Window().BackToStart();
    EXPECT_EQ(Window().PlyCount(), 0);
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    EXPECT_EQ(itsView.itsHighlighted, 0);
    EXPECT_EQ(Window().PositionCount(), 5);

    // Symbols are taken from the typed text; a second move becomes a second candidate.
    Type("d4!?");
    Window().BackOnePly();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "d4!?"}));
    EXPECT_EQ(itsView.itsHighlighted, 1) << "the move taken back is highlighted";
    EXPECT_TRUE(Texts().empty());

    // Nonsense and short texts beep and change nothing.
    Type("x Ke2 Qh5");
    EXPECT_EQ(itsUi.itsBeeps, 3);
    EXPECT_EQ(Window().PlyCount(), 0);
}

TEST_F(BookWindowLineTest, BoardMovesPlayOrPutThePieceBack) {
    Window().BoardMove({14, 34, 0, kSymbolNone}); // e2-e4
    EXPECT_EQ(Window().PlyCount(), 1);
    EXPECT_EQ(Window().LineMoveText(1), "e4,");
    Window().BoardMove({60, 60, 0, kSymbolNone}); // onto its own square
    Window().BoardMove({0, 77, 0, kSymbolNone});  // no such move
    EXPECT_EQ(itsView.itsPutBacks, 2);
    Window().BoardMove({60, 40, 0, kSymbolNone}); // a7-a5
    EXPECT_EQ(Window().PlyCount(), 2);
    EXPECT_EQ(itsView.itsDiagram, PositionAfter("e4 a5"));
    Window().BackOnePly();
    EXPECT_EQ(Moves(), std::vector<std::string>{"a5"});
}

TEST_F(BookWindowLineTest, GoCommandsAtTheLineStart) {
    Window().BackOnePly();
    Window().BackToStart();
    EXPECT_EQ(itsUi.itsBeeps, 2);
    Window().BackToLastBranch();
    Window().NextBranch();
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "There are no moves to take back.  This button goes back to the last branch.",
                           "There are no candidates.  This button goes to the next branch."}));
    Window().ForwardOnePly();
    EXPECT_EQ(itsUi.itsBeeps, 3);
}

TEST_F(BookWindowLineTest, LastBranchStopsWhereTheBookBranches) {
    Type("e4 e5 Nf3 Nc6 Bb5");
    Window().BackToStart();
    Type("e4 c5");
    Window().BackToStart();
    Type("e4 e5 Nf3 Nc6 Bb5");
    Window().BackToLastBranch();
    // After 1.e4 Black has two replies; every later position one.
    EXPECT_EQ(Window().PlyCount(), 1);
    EXPECT_EQ(itsView.itsHighlighted, 0);
    EXPECT_EQ(Moves()[std::size_t(itsView.itsHighlighted)], "e5");

    Window().NextBranch();
    EXPECT_EQ(Window().PlyCount(), 5) << "single candidates are followed to the end";
}

TEST_F(BookWindowLineTest, NextBranchStopsOnARepeatedBoard) {
    Type("Nf3 Nf6 Ng1 Ng8");
    Window().BackToStart();
    Window().NextBranch();
    // Ng8 returns to the line start, which is not among plies 1..3; Nf3 again repeats ply 1.
    EXPECT_EQ(Window().PlyCount(), 5);
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("Nf3"));
}

TEST_F(BookWindowLineTest, ALineOfFiveHundredPliesTakesNoMore) {
    for (int i = 0; i < 125; ++i) Type("Nf3 Nf6 Ng1 Ng8");
    ASSERT_EQ(Window().PlyCount(), TBookWindow::kMaxPlies);
    const TPackedPosition before = Window().CurrentPosition();
    Type("Nf3");
    Window().BoardMove({6, 25, 0, kSymbolNone});
    Window().ForwardOnePly();
    Window().NextBranch();
    EXPECT_EQ(Window().PlyCount(), TBookWindow::kMaxPlies);
    EXPECT_EQ(Window().CurrentPosition(), before);
    EXPECT_EQ(itsView.itsPutBacks, 1);
    EXPECT_EQ(Texts(), std::vector<std::string>(4, "No more moves can be played."));
}

TEST_F(BookWindowLineTest, TheLineIsSavedOnCloseAndWalkedAgainOnOpen) {
    Type("e4 e5 Nf3");
    Reopen();
    EXPECT_EQ(Window().PlyCount(), 3);
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("e4 e5 Nf3"));
    EXPECT_EQ(testsupport::FileSizeOf(Path() + ".2B1"), 12);
    EXPECT_EQ(testsupport::FileSizeOf(Path() + ".2B2"), 34);

    // A saved move that is no longer a candidate ends the walk there.
    Window().BackOnePly();
    Window().DeleteCandidate();
    itsWindow.reset();
    std::string codes = testsupport::ReadWholeFile(Path() + ".2B1");
    ASSERT_EQ(codes.size(), 8u);
    codes += std::string("\x06\x19\x00\x01", 4); // Ng1-f3
    testsupport::WriteWholeFile(Path() + ".2B1", codes);
    OpenWindow(false, false);
    EXPECT_EQ(Window().PlyCount(), 2);
    EXPECT_TRUE(Texts().empty());

    // A damaged line start is reported and used; one without kings cannot be.
    const TPackedPosition pawnOnA8 = PackedFromFen("Pnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQk - 0 1");
    const TPackedPosition noKings{};
    for (const TPackedPosition& start : {pawnOnA8, noKings}) {
        const bool usable = start == pawnOnA8;
        itsWindow.reset();
        itsUi.itsShown.clear();
        testsupport::WriteWholeFile(Path() + ".2B2",
                                    std::string(start.itsBytes.begin(), start.itsBytes.end()));
        OpenWindow(false, false);
        EXPECT_EQ(Texts(), std::vector<std::string>{"Corrupt position"});
        EXPECT_EQ(Window().PlyCount(), 0);
        EXPECT_EQ(Window().CurrentPosition(), usable ? pawnOnA8 : StartPosition());
    }
}

TEST_F(BookWindowLineTest, TheGridNumbersMovesFromTheLineStart) {
    struct TCase {
        const char* itsStartFen;
        const char* itsMoves;
        std::vector<TGridRow> itsRows;
        int itsRow, itsColumn;
    };
    const TCase cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "",
         {{"", ""}, {"", ""}, {"", ""}},
         -1,
         0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "e4 e5 Nf3",
         {{"1.e4", "e5"}, {"2.Nf3", ""}, {"", ""}},
         1,
         0},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
         "e5 Nf3 Nc6 Bb5 a6 Ba4",
         {{"1. ...", "e5"}, {"2.Nf3", "Nc6"}, {"3.Bb5", "a6"}, {"4.Ba4", ""}},
         3,
         0},
    };
    for (const TCase& c : cases) {
        Window().SetLineStart(PackedFromFen(c.itsStartFen));
        Type(c.itsMoves);
        Window().DelayedRefresh();
        EXPECT_EQ(itsView.itsGrid, c.itsRows) << c.itsMoves;
        EXPECT_EQ(itsView.itsGridRow, c.itsRow) << c.itsMoves;
        EXPECT_EQ(itsView.itsGridColumn, c.itsColumn) << c.itsMoves;
        EXPECT_EQ(itsView.itsGridTop, std::max(0, c.itsRow - 2)) << c.itsMoves;
    }
    // A click on "3.Bb5" of the Black start shows the position where Bb5 is to be played.
    Window().GridClicked(2, 0);
    EXPECT_EQ(Window().PlyCount(), 3);
    EXPECT_EQ(Moves()[std::size_t(itsView.itsHighlighted)], "Bb5");
    Window().GridClicked(0, 0);
    EXPECT_EQ(Window().PlyCount(), 0);
}

TEST_F(BookWindowLineTest, TheTakeBackMenuGoesBackOrStartsAgainAtThePredecessor) {
    Type("e4 e5 Nf3");
    Window().BackToStart();
    Type("Nf3 e5 e4");
    EXPECT_TRUE(itsView.itsTransposition);
    EXPECT_EQ(Window().TakeBackMenu(), (std::vector<std::string>{"Ng1-f3", " e2-e4"}));

    // The move actually played: back one ply.
    Window().ChooseTakeBack(1);
    EXPECT_EQ(Window().PlyCount(), 2);
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("Nf3 e5"));

    // Any other: the line starts again before that move.
    Window().ForwardOnePly();
    Window().ChooseTakeBack(0);
    EXPECT_EQ(Window().PlyCount(), 0);
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("e4 e5"));
    EXPECT_EQ(Window().LineBoard(0), PositionAfter("e4 e5"));
}

TEST_F(BookWindowLineTest, TrainingWritesNothingAndKeepsTheCandidatesClosed) {
    Type("e4");
    Window().BackOnePly();
    Window().SetTrainingActive(true);
    Window().SetOwnRate(1);
    Window().CandidateClicked(0);
    EXPECT_EQ(Texts(), std::vector<std::string>{
                           "You cannot use the candidates while training. (That would be cheating!)"});
    Type("d4"); // not in the book: refused
    EXPECT_EQ(Window().PlyCount(), 0);
    Window().ForwardOnePly();
    Window().BackOnePly();
    EXPECT_FALSE(Window().RecordDirty());
    EXPECT_EQ(Window().CurrentRecord().InformantRate(), kRateNone);
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
}

TEST(TakeBackEntryTest, EntriesUndoTheirMoves) {
    struct TCase {
        const char* itsFen;
        const char* itsMove;
    };
    const TCase cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "O-O-O"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6"},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b8=N"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "Nf3"},
    };
    for (const TCase& c : cases) {
        TChessParser parser = testsupport::ParserAt(c.itsFen);
        const TPackedPosition before = parser.CurrentPosition();
        parser.SetMoveText(c.itsMove);
        ASSERT_TRUE(parser.ParseMove()) << c.itsMove;
        const TPackedMove move = parser.GetChessMove();
        parser.ApplyMove();
        const TTakeBack entry = MakeTakeBack(before, move, parser.SecondarySquares());
        EXPECT_EQ(PositionBeforeMove(parser.CurrentPosition(), entry), before) << c.itsMove;
    }
}

} // namespace
} // namespace marvek::test
