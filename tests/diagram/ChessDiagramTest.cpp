// The board diagram without a display: geometry, mouse, promotion, marks, menu and slides.
#include <algorithm>
#include <cctype>

#include <gtest/gtest.h>

#include "diagram/ChessDiagram.h"
#include "platform/Errors.h"
#include "support/ChessFixtures.h"

namespace marvek {
namespace {

constexpr TSquare kE2 = 14, kE4 = 34, kE7 = 64, kE8 = 74, kE1 = 4, kH2 = 17;

// ---------------------------------------------------------------------------------------------
// Geometry

TEST(DiagramGeometry, SizesAndCornerCells) {
    struct TCase {
        int itsSize, itsMargin;
        bool itsHints, itsFrame, itsWhiteAtBottom;
        int itsControl;
        TRect itsA1, itsH8;
        int itsPieceOffset;
    };
    const TCase cases[] = {
        // C = 24, H = 20, F = 5: 8 * 24 + 20 + 10.
        {0, 0, true, true, true, 222, {25, 173, 24, 24}, {193, 5, 24, 24}, 0},
        {0, 0, true, true, false, 222, {193, 5, 24, 24}, {25, 173, 24, 24}, 0},
        // C = 42, H = 20, F = 0.
        {1, 4, true, false, true, 356, {20, 294, 42, 42}, {314, 0, 42, 42}, 2},
        // C = 48, H = 0, F = 5.
        {2, 0, false, true, false, 394, {341, 5, 48, 48}, {5, 341, 48, 48}, 0},
        // C = 68, no hints, no frame.
        {3, 8, false, false, true, 544, {0, 476, 68, 68}, {476, 0, 68, 68}, 4},
    };
    for (const TCase& c : cases) {
        const TDiagramGeometry g(c.itsSize, c.itsMargin, c.itsHints, c.itsFrame, c.itsWhiteAtBottom);
        SCOPED_TRACE(testing::Message() << "size " << c.itsSize << " margin " << c.itsMargin);
        EXPECT_EQ(g.ControlSize(), c.itsControl);
        EXPECT_EQ(g.CellRect(kA1), c.itsA1);
        EXPECT_EQ(g.CellRect(kH8), c.itsH8);
        EXPECT_EQ(g.PieceOffset(), c.itsPieceOffset);
        EXPECT_EQ(g.PiecePoint(kA1),
                  (TPoint{c.itsA1.itsLeft + c.itsPieceOffset, c.itsA1.itsTop + c.itsPieceOffset}));
    }
}

TEST(DiagramGeometry, EveryCellMapsBackToItsSquareInEveryLayout) {
    for (int size = 0; size < 4; ++size) {
        for (int margin : kSquareMargins) {
            for (int flags = 0; flags < 8; ++flags) {
                const TDiagramGeometry g(size, margin, flags & 1, flags & 2, flags & 4);
                const TRect board = g.BoardRect();
                EXPECT_EQ(g.ControlSize(), board.Right() + g.FrameWidth());
                EXPECT_EQ(g.ControlSize(), board.Bottom() + g.FrameWidth() + g.HintMargin());
                for (int rank = 0; rank < 8; ++rank) {
                    for (int file = 0; file < 8; ++file) {
                        const TSquare s = MakeSquare(file, rank);
                        const TRect cell = g.CellRect(s);
                        ASSERT_EQ(g.SquareAt({cell.itsLeft, cell.itsTop}), s);
                        ASSERT_EQ(g.SquareAt({cell.Right() - 1, cell.Bottom() - 1}), s);
                    }
                }
            }
        }
    }
}

TEST(DiagramGeometry, PointsOffTheBoardGiveTheNearestEdgeSquare) {
    // Board from (25, 5) to (217, 197), cells of 24.
    struct TCase {
        TPoint itsPoint;
        bool itsWhiteAtBottom;
        TSquare itsSquare;
    };
    const TCase cases[] =
        {
            {{25, 5}, true, kA8},     {{216, 196}, true, kH1}, {{217, 197}, true, kH1},
            {{0, 0}, true, kA8},      {{-40, 100}, true, 40},  {{1000, 1000}, true, kH1},
            {{100, -9}, true, 73},    {{0, 0}, false, kH1},    {{1000, 1000}, false, kA8},
            {{100, 500}, false, kE8}, // below the board, fourth column from the left: e8 seen from Black
        };
    const TDiagramGeometry white(0, 0, true, true, true), black(0, 0, true, true, false);
    for (const TCase& c : cases) {
        const TDiagramGeometry& g = c.itsWhiteAtBottom ? white : black;
        EXPECT_EQ(g.SquareAt(c.itsPoint), c.itsSquare) << c.itsPoint.itsX << "," << c.itsPoint.itsY;
    }
}

TEST(DiagramGeometry, HintsReadFromTheSideAtTheBottom) {
    const TDiagramGeometry white(0, 0, true, true, true), black(0, 0, true, true, false);
    std::string digits, letters;
    for (const TDiagramLabel& l : black.Labels()) (std::isdigit(l.itsText) ? digits : letters) += l.itsText;
    EXPECT_EQ(digits, "12345678");  // top to bottom
    EXPECT_EQ(letters, "hgfedcba"); // left to right
    const std::vector<TDiagramLabel> labels = white.Labels();
    ASSERT_EQ(labels.size(), 16u);
    EXPECT_EQ(labels[0], (TDiagramLabel{'8', {kRankDigitX, 5, 15, 24}}));
    EXPECT_EQ(labels[7], (TDiagramLabel{'1', {kRankDigitX, 173, 15, 24}}));
    EXPECT_EQ(labels[8], (TDiagramLabel{'a', {25, 197, 24, 20}}));
    EXPECT_EQ(labels[15], (TDiagramLabel{'h', {193, 197, 24, 20}}));
    EXPECT_TRUE(TDiagramGeometry(0, 0, false, true, true).Labels().empty());
}

TEST(DiagramGeometry, LightSquaresAndBadSettings) {
    EXPECT_FALSE(IsLightSquare(kA1));
    EXPECT_TRUE(IsLightSquare(1));
    EXPECT_TRUE(IsLightSquare(kH1));
    EXPECT_TRUE(IsLightSquare(kA8));
    EXPECT_FALSE(IsLightSquare(kH8));
    EXPECT_THROW(TDiagramGeometry(4, 0, true, true, true), EInternalError);
    EXPECT_THROW(TDiagramGeometry(-1, 0, true, true, true), EInternalError);
    EXPECT_THROW(TDiagramGeometry(0, 5, true, true, true), EInternalError);
    TChessDiagram diagram;
    EXPECT_THROW(diagram.SetBoardSize(4), EInternalError);
    EXPECT_THROW(diagram.SetSquareMargin(2), EInternalError);
    EXPECT_THROW(diagram.SetPromotionPiece(6), EInternalError);
    EXPECT_EQ(diagram.BoardSize(), 1);
}

TEST(DiagramGeometry, FreePieceSizeFitsTheWindowAndYieldsToAChosenBoardSize) {
    struct TCase {
        int itsWidth, itsHeight, itsMargin;
        bool itsHints, itsFrame;
        int itsPieceSize;
    };
    const TCase cases[] = {
        {400, 400, 0, true, true, 46},   // (400 - 20 - 10) / 8
        {300, 900, 4, true, false, 31},  // the narrower side counts; the margin comes off each cell
        {544, 600, 8, false, false, 60}, // exactly a cell of 68
        {100, 100, 0, true, true, 24},   // never below the smallest pictures
    };
    for (const TCase& c : cases) {
        const int size = FittingPieceSize(c.itsWidth, c.itsHeight, c.itsMargin, c.itsHints, c.itsFrame);
        EXPECT_EQ(size, c.itsPieceSize) << c.itsWidth << "x" << c.itsHeight;
        const TDiagramGeometry g =
            TDiagramGeometry::WithPieceSize(size, c.itsMargin, c.itsHints, c.itsFrame, true);
        if (size > kMinimumFreePieceSize) EXPECT_LE(g.ControlSize(), std::min(c.itsWidth, c.itsHeight));
    }
    EXPECT_THROW(TDiagramGeometry::WithPieceSize(23, 0, true, true, true), EInternalError);

    TChessDiagram diagram;
    EXPECT_THROW(diagram.SetFreePieceSize(23), EInternalError);
    diagram.SetFreePieceSize(50);
    EXPECT_EQ(diagram.Geometry().PieceSize(), 50);
    EXPECT_EQ(diagram.Geometry().ControlSize(), 8 * 50 + 20 + 10);
    for (const TDiagramMenuItem& item : diagram.MenuItems())
        EXPECT_FALSE(item.itsChecked && item.itsCaption.ends_with("Board")) << item.itsCaption;
    diagram.ChooseMenuItem(kMenuHugeBoard);
    EXPECT_EQ(diagram.FreePieceSize(), 0);
    EXPECT_EQ(diagram.Geometry().PieceSize(), 60);
    EXPECT_TRUE(diagram.MenuItems()[kMenuHugeBoard].itsChecked);
}

// ---------------------------------------------------------------------------------------------
// Marks

TEST(DiagramMarks, PackedFourToAWordInBoardOrder) {
    TChessDiagram diagram;
    diagram.PutMarkOnSquare(kDotMark, kA1);
    diagram.PutMarkOnSquare(kCrossMark, 3);   // d1
    diagram.PutMarkOnSquare(kDotMark, kE1);   // index 4: next word
    diagram.PutMarkOnSquare(kCrossMark, kH8); // index 63: last nibble
    TPackedMarks expected{};
    expected[0] = 0x1002;
    expected[1] = 0x1000;
    expected[15] = 0x0002;
    EXPECT_EQ(diagram.PackedMarks(), expected);

    TChessDiagram copy;
    copy.SetPackedMarks(expected);
    EXPECT_EQ(copy.MarkOn(3), kCrossMark);
    EXPECT_EQ(copy.MarkOn(kE1), kDotMark);
    copy.RemoveMarksOnSquare(3);
    EXPECT_EQ(copy.MarkOn(3), kNoMark);
    EXPECT_TRUE(copy.ClearMarks());
    EXPECT_FALSE(copy.ClearMarks()); // nothing left, nothing to redraw
    EXPECT_THROW(copy.PutMarkOnSquare(3, kA1), EInternalError);
    EXPECT_THROW(copy.PutMarkOnSquare(kDotMark, 8), EInternalError);
}

TEST(DiagramMarks, SettingAPositionClearsMarksAndResetsThePendingMove) {
    TChessDiagram diagram;
    diagram.SetPosition(StartPosition());
    diagram.PutMarkOnSquare(kCrossMark, kE4);
    ASSERT_TRUE(diagram.SlideMove(TPackedMove{kE2, kE4, 5, 3}.ToUint32()));
    diagram.PutMarkOnSquare(kCrossMark, kE4);
    diagram.SetPosition(StartPosition());
    EXPECT_EQ(diagram.PackedMarks(), TPackedMarks{});
    EXPECT_FALSE(diagram.IsSliding());
    EXPECT_EQ(diagram.PendingMove(), (TPackedMove{kE2, 0, 0, kSymbolNone}));
}

// ---------------------------------------------------------------------------------------------
// Mouse

class MouseTest : public testing::Test {
protected:
    void SetUp() override {
        itsDiagram.SetBoardSize(0);
        itsDiagram.SetPosition(StartPosition());
    }
    TPoint CentreOf(TSquare square) const {
        const TRect cell = itsDiagram.Geometry().CellRect(square);
        return {cell.itsLeft + cell.itsWidth / 2, cell.itsTop + cell.itsHeight / 2};
    }
    TDiagramResponse Drag(TSquare from, TPoint to) {
        itsDiagram.Press(TMouseButton::kLeft, CentreOf(from));
        itsDiagram.Move(to);
        return itsDiagram.Release(TMouseButton::kLeft, to);
    }

    TChessDiagram itsDiagram;
};

TEST_F(MouseTest, DraggingAPieceMakesThePendingMove) {
    const TDiagramResponse press = itsDiagram.Press(TMouseButton::kLeft, CentreOf(kE2));
    EXPECT_TRUE(itsDiagram.IsDragging());
    EXPECT_EQ(itsDiagram.DraggedPiece(), kWhitePawn);
    EXPECT_EQ(press.itsRepaint, std::vector<TSquare>{kE2});
    EXPECT_EQ(itsDiagram.PieceShownOn(kE2), kEmpty); // lifted from the picture, not the position
    EXPECT_EQ(itsDiagram.GetPosition(), StartPosition());

    // The picture follows the mouse, centred on it, and stays on the board.
    const TDiagramResponse move = itsDiagram.Move({1000, CentreOf(kE4).itsY});
    EXPECT_EQ(move.itsFloatingPiece, kWhitePawn);
    EXPECT_EQ(move.itsFloatingAt, (TPoint{217 - 24, CentreOf(kE4).itsY - 12}));

    const TDiagramResponse release = itsDiagram.Release(TMouseButton::kLeft, CentreOf(kE4));
    EXPECT_FALSE(itsDiagram.IsDragging());
    EXPECT_TRUE(release.itsFloatingEnded);
    EXPECT_TRUE(release.itsSendMouseUp);
    EXPECT_EQ(itsDiagram.PendingMove(), (TPackedMove{kE2, kE4, 0, kSymbolNone}));
    EXPECT_EQ(itsDiagram.PieceShownOn(kE2), kWhitePawn);
}

TEST_F(MouseTest, ReleaseSquaresInBothOrientations) {
    struct TCase {
        bool itsWhiteAtBottom;
        TSquare itsFrom;
        TPoint itsRelease;
        TSquare itsTo;
    };
    const TCase cases[] = {
        {true, kE2, {133, 113}, kE4},  // the centre of e4's cell
        {true, kE2, {-50, 1000}, kA1}, // off the bottom-left corner
        {true, 6, {130, -30}, 74},     // g1 knight dragged off the top: e8
        {false, kE2, {133, 113}, 43},  // Black at bottom, the same pixels are d5
        {false, 63, {-50, 1000}, kH8}, // d7 pawn off the bottom-left: h8 seen from Black
    };
    for (const TCase& c : cases) {
        itsDiagram.SetWhiteIsAtBottom(c.itsWhiteAtBottom);
        Drag(c.itsFrom, c.itsRelease);
        EXPECT_EQ(itsDiagram.PendingMove(),
                  (TPackedMove{std::uint8_t(c.itsFrom), std::uint8_t(c.itsTo), 0, 1}))
            << int(c.itsFrom) << " to " << c.itsRelease.itsX << "," << c.itsRelease.itsY;
    }
}

TEST_F(MouseTest, ClicksWithoutADragMakeNoMove) {
    // An empty square: no drag, and the release leaves from and to equal.
    EXPECT_EQ(itsDiagram.Press(TMouseButton::kLeft, CentreOf(kE4)).itsRepaint.size(), 0u);
    EXPECT_FALSE(itsDiagram.IsDragging());
    EXPECT_TRUE(itsDiagram.Release(TMouseButton::kLeft, CentreOf(kE4)).itsSendMouseUp);
    EXPECT_EQ(itsDiagram.PendingMoveCode(), 0x01000000u);

    // With clicks refused a press stores nothing; the owner still hears of the mouse-up.
    itsDiagram.SetAcceptClicks(false);
    itsDiagram.Press(TMouseButton::kLeft, CentreOf(kE2));
    EXPECT_FALSE(itsDiagram.IsDragging());
    EXPECT_TRUE(itsDiagram.Release(TMouseButton::kLeft, CentreOf(kE4)).itsSendMouseUp);
    EXPECT_EQ(itsDiagram.PendingMoveCode(), 0x01000000u);
}

TEST_F(MouseTest, RightButtonOpensTheMenuWhenEnabled) {
    itsDiagram.Press(TMouseButton::kRight, CentreOf(kE4));
    EXPECT_EQ(itsDiagram.PendingMove().itsFrom, kE4);
    const TDiagramResponse up = itsDiagram.Release(TMouseButton::kRight, {120, 90});
    EXPECT_EQ(up.itsContextMenuAt, (TPoint{120, 90}));
    EXPECT_TRUE(up.itsSendMouseUp);

    itsDiagram.EnableContextMenu(false);
    itsDiagram.Press(TMouseButton::kRight, CentreOf(kE4));
    EXPECT_FALSE(itsDiagram.Release(TMouseButton::kRight, CentreOf(kE4)).itsContextMenuAt);

    // Not while a drag runs.
    itsDiagram.EnableContextMenu(true);
    itsDiagram.Press(TMouseButton::kLeft, CentreOf(kE2));
    EXPECT_FALSE(itsDiagram.Release(TMouseButton::kRight, CentreOf(kE4)).itsContextMenuAt);
    EXPECT_TRUE(itsDiagram.IsDragging());
}

TEST_F(MouseTest, PawnsReachingTheLastRankArePromoted) {
    struct TCase {
        const char* itsFen;
        TSquare itsFrom, itsTo;
        int itsDefault;
        bool itsAsk;
        int itsChosen; // what the promotion dialog answers
        int itsPromotion;
    };
    const char* whiteFen = "8/4P3/8/8/8/8/k3p2K/8 w - - 0 1";
    const char* blackFen = "8/4P3/8/8/8/8/k3p2K/8 b - - 0 1";
    const TCase cases[] = {
        {whiteFen, kE7, kE8, kWhiteQueen, false, 0, kWhiteQueen},
        {whiteFen, kE7, kE8, kWhiteKnight, false, 0, kWhiteKnight},
        {whiteFen, kE7, kE8, kWhiteQueen, true, kWhiteRook, kWhiteRook},
        {whiteFen, kE7, kE8, kWhiteBishop, true, 9, kWhiteBishop}, // a nonsense answer keeps the default
        {blackFen, 14, kE1, kWhiteQueen, false, 0, kBlackQueen},
        {blackFen, 14, kE1, kWhiteQueen, true, kWhiteBishop, kBlackBishop},
        {whiteFen, kE7, kE7, kWhiteQueen, true, kWhiteRook, 0}, // put back: no promotion
        {whiteFen, kH2, 77, kWhiteQueen, true, kWhiteRook, 0},  // a king on the last rank
    };
    for (const TCase& c : cases) {
        itsDiagram.SetPosition(testsupport::PackedFromFen(c.itsFen));
        itsDiagram.SetPromotionPiece(c.itsDefault);
        itsDiagram.SetAskForPromotionPiece(c.itsAsk);
        std::vector<bool> asked;
        itsDiagram.SetPromotionChooser([&](bool white) {
            asked.push_back(white);
            return c.itsChosen;
        });
        Drag(c.itsFrom, CentreOf(c.itsTo));
        const TPackedMove move = itsDiagram.PendingMove();
        SCOPED_TRACE(testing::Message() << c.itsFen << " " << int(c.itsFrom) << "-" << int(c.itsTo));
        EXPECT_EQ(move.itsTo, c.itsTo);
        EXPECT_EQ(move.itsPromotion, c.itsPromotion);
        const bool shouldAsk = c.itsAsk && c.itsPromotion != 0;
        EXPECT_EQ(asked, shouldAsk ? std::vector<bool>{c.itsFrom == kE7} : std::vector<bool>{});
    }
}

// ---------------------------------------------------------------------------------------------
// Context menu

TEST(DiagramMenu, ItemsInOrderWithTheCurrentSettingsChecked) {
    TChessDiagram diagram;
    diagram.SetBoardSize(2);
    std::vector<TDiagramMenuItem> items = diagram.MenuItems();
    ASSERT_EQ(items.size(), 16u);
    const char* captions[] = {"Remove Mark",
                              "Remove All Marks",
                              "Draw Dot",
                              "Draw X",
                              "",
                              "Show Algebraic Hints",
                              "White At Bottom",
                              "",
                              "Small Board",
                              "Medium Board",
                              "Large Board",
                              "Huge Board",
                              "",
                              "Mirror Position Left To Right",
                              "Mirror Position Top To Bottom",
                              "Mirror Position Side To Move"};
    std::vector<int> checked, separators;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(items[i].itsCaption, captions[i]);
        if (items[i].itsChecked) checked.push_back(i);
        if (items[i].itsSeparator) separators.push_back(i);
    }
    EXPECT_EQ(checked, (std::vector<int>{kMenuShowHints, kMenuWhiteAtBottom, kMenuLargeBoard}));
    EXPECT_EQ(separators, (std::vector<int>{4, 7, 12}));

    diagram.SetShowAlgebraicHints(false);
    diagram.SetWhiteIsAtBottom(false);
    items = diagram.MenuItems();
    EXPECT_FALSE(items[kMenuShowHints].itsChecked);
    EXPECT_FALSE(items[kMenuWhiteAtBottom].itsChecked);
}

TEST(DiagramMenu, ActionsChangeTheBoardAndNotifyTheOwner) {
    struct TCase {
        int itsItem;
        int itsNotification;
        int itsMarkOnE4; // after the item, with a dot there before
        bool itsHints, itsWhiteAtBottom;
        int itsBoardSize;
        bool itsResize;
    };
    const TCase cases[] = {
        {kMenuRemoveMark, kDiagramMarksChanged, kNoMark, true, true, 1, false},
        {kMenuRemoveAllMarks, kDiagramMarksChanged, kNoMark, true, true, 1, false},
        {kMenuDrawDot, kDiagramMarksChanged, kDotMark, true, true, 1, false},
        {kMenuDrawX, kDiagramMarksChanged, kCrossMark, true, true, 1, false},
        {kMenuShowHints, kDiagramSettingsChanged, kDotMark, false, true, 1, true},
        {kMenuWhiteAtBottom, kDiagramSettingsChanged, kDotMark, true, false, 1, false},
        {kMenuSmallBoard, kDiagramSettingsChanged, kDotMark, true, true, 0, true},
        {kMenuHugeBoard, kDiagramSettingsChanged, kDotMark, true, true, 3, true},
        {kMenuMirrorLeftToRight, kMirrorLeftToRight, kDotMark, true, true, 1, false},
        {kMenuMirrorTopToBottom, kMirrorTopToBottom, kDotMark, true, true, 1, false},
        {kMenuMirrorSideToMove, kMirrorSideToMove, kDotMark, true, true, 1, false},
    };
    for (const TCase& c : cases) {
        TChessDiagram diagram;
        diagram.SetPosition(StartPosition());
        diagram.PutMarkOnSquare(kDotMark, kE4);
        diagram.PutMarkOnSquare(kCrossMark, kH8);
        const TPoint e4 = {diagram.Geometry().CellRect(kE4).itsLeft + 1,
                           diagram.Geometry().CellRect(kE4).itsTop + 1};
        diagram.Press(TMouseButton::kRight, e4);
        diagram.Release(TMouseButton::kRight, e4);
        const TDiagramResponse outcome = diagram.ChooseMenuItem(c.itsItem);
        SCOPED_TRACE(DiagramMenuCaption(c.itsItem));
        EXPECT_EQ(outcome.itsNotification, c.itsNotification);
        EXPECT_EQ(diagram.MarkOn(kE4), c.itsMarkOnE4);
        EXPECT_EQ(diagram.MarkOn(kH8), c.itsItem == kMenuRemoveAllMarks ? kNoMark : kCrossMark);
        EXPECT_EQ(diagram.GetShowAlgebraicHints(), c.itsHints);
        EXPECT_EQ(diagram.GetWhiteIsAtBottom(), c.itsWhiteAtBottom);
        EXPECT_EQ(diagram.BoardSize(), c.itsBoardSize);
        EXPECT_EQ(outcome.itsResize, c.itsResize);
        EXPECT_EQ(diagram.GetPosition(), StartPosition());

        const TDiagramMenuAction action = diagram.LastMenuAction();
        EXPECT_EQ(action.itsIndex, c.itsItem);
        EXPECT_EQ(action.itsSquare, kE4);
        EXPECT_EQ(diagram.LastMenuAction().itsSquare, kNoSquare); // read once
    }
}

TEST(DiagramMenu, SeparatorsAndUnknownItemsAreProgramErrors) {
    TChessDiagram diagram;
    EXPECT_THROW(diagram.ChooseMenuItem(4), EInternalError);
    EXPECT_THROW(diagram.ChooseMenuItem(kMenuItemCount), EInternalError);
    // A mark item after the square was read and forgotten changes no mark but still notifies.
    EXPECT_EQ(diagram.ChooseMenuItem(kMenuDrawDot).itsNotification, kDiagramMarksChanged);
    EXPECT_EQ(diagram.PackedMarks(), TPackedMarks{});
}

// ---------------------------------------------------------------------------------------------
// Slides

TEST(DiagramSlide, SpeedSettings) {
    const std::pair<int, int> settings[] = {{0, 400},     {-3, 400}, {5001, 400},
                                            {5000, 5000}, {30, 30},  {400, 400}};
    for (auto [given, kept] : settings) EXPECT_EQ(SlideSpeedSetting(given), kept) << given;
    EXPECT_EQ(MinimumSlideSpeed(30), 50);
    EXPECT_EQ(MinimumSlideSpeed(50), 50);
    EXPECT_EQ(MinimumSlideSpeed(51), 51);
    TChessDiagram diagram;
    EXPECT_EQ(diagram.SlideSpeed(), 400);
    diagram.SetSlideSpeed(9000);
    EXPECT_EQ(diagram.SlideSpeed(), 400);
}

TEST(DiagramSlide, StepsMoveByElapsedTimeWithinLimitsAndEndOnTheTarget) {
    struct TCase {
        TPoint itsTarget;
        int itsSpeed;
        std::vector<int> itsElapsed;
        std::vector<TPoint> itsPoints;
    };
    const TCase cases[] = {
        {{100, 0}, 400, {100, 100, 100}, {{40, 0}, {80, 0}, {100, 0}}},
        {{0, 200}, 400, {1000, 1000, 1000, 1000}, {{0, 60}, {0, 120}, {0, 180}, {0, 200}}}, // at most 60
        {{3, 0}, 400, {0, 1, 2}, {{1, 0}, {2, 0}, {3, 0}}},                                 // at least 1
        {{30, 40}, 500, {20, 80}, {{6, 8}, {30, 40}}},                                      // along the line
    };
    for (const TCase& c : cases) {
        TSlide slide({0, 0}, c.itsTarget, c.itsSpeed);
        for (std::size_t i = 0; i < c.itsElapsed.size(); ++i) {
            EXPECT_FALSE(slide.Finished());
            EXPECT_EQ(slide.Step(c.itsElapsed[i]), c.itsPoints[i]) << "step " << i;
        }
        EXPECT_TRUE(slide.Finished());
    }
}

TEST(DiagramSlide, SlideMoveLiftsThePieceAndSetsItOnTheTarget) {
    TChessDiagram diagram;
    diagram.SetBoardSize(0);
    diagram.SetPosition(StartPosition());
    diagram.PutMarkOnSquare(kDotMark, kE4);
    EXPECT_FALSE(diagram.SlideMove(TPackedMove{kE4, 44, 0, 1}.ToUint32())); // nothing on e4
    EXPECT_EQ(diagram.MarkOn(kE4), kDotMark);

    ASSERT_TRUE(diagram.SlideMove(TPackedMove{kE2, kE4, 0, 5}.ToUint32()));
    EXPECT_TRUE(diagram.IsSliding());
    EXPECT_EQ(diagram.PendingMove(), (TPackedMove{kE2, kE4, 0, kSymbolNone}));
    EXPECT_EQ(diagram.LastMoveFrom(), kE2);
    EXPECT_EQ(diagram.LastMoveTo(), kE4);
    EXPECT_EQ(diagram.MarkOn(kE4), kNoMark);
    EXPECT_EQ(diagram.PieceShownOn(kE2), kEmpty);

    // e2 to e4 is 48 pixels up; the default 400 px/s goes 20 pixels in 50 ms.
    const TPoint start = diagram.Geometry().PiecePoint(kE2);
    TDiagramResponse step = diagram.SlideStep(50);
    EXPECT_EQ(step.itsFloatingPiece, kWhitePawn);
    EXPECT_EQ(step.itsFloatingAt, (TPoint{start.itsX, start.itsY - 20}));
    step = diagram.SlideStep(50);
    step = diagram.SlideStep(50);
    EXPECT_TRUE(step.itsFloatingEnded);
    EXPECT_EQ(step.itsRepaint, (std::vector<TSquare>{kE2, kE4}));
    EXPECT_FALSE(diagram.IsSliding());
    EXPECT_EQ(diagram.GetPosition().Piece(kE2), kEmpty);
    EXPECT_EQ(diagram.GetPosition().Piece(kE4), kWhitePawn);
}

TEST(DiagramSlide, SlowSpeedsAreRaisedAndPromotionsApplied) {
    TChessDiagram diagram;
    diagram.SetBoardSize(0);
    diagram.SetSlideSpeed(10);
    diagram.SetPosition(testsupport::PackedFromFen("8/4P3/8/8/8/8/k3p2K/8 w - - 0 1"));
    ASSERT_TRUE(diagram.SlideMove(TPackedMove{kE7, kE8, kWhiteKnight, 1}.ToUint32()));
    const TPoint start = diagram.Geometry().PiecePoint(kE7);
    EXPECT_EQ(diagram.SlideStep(100).itsFloatingAt, (TPoint{start.itsX, start.itsY - 5})); // 50 px/s
    diagram.FinishSlide();
    EXPECT_EQ(diagram.GetPosition().Piece(kE8), kWhiteKnight);
    EXPECT_EQ(diagram.GetPosition().Piece(kE7), kEmpty);

    // A second slide first finishes the one running.
    diagram.SetPosition(testsupport::PackedFromFen("8/4P3/8/8/8/8/k3p2K/8 b - - 0 1"));
    ASSERT_TRUE(diagram.SlideMove(TPackedMove{14, kE1, kBlackRook, 1}.ToUint32()));
    ASSERT_TRUE(diagram.SlideMove(TPackedMove{kH2, 27, 0, 1}.ToUint32()));
    EXPECT_EQ(diagram.GetPosition().Piece(kE1), kBlackRook);
    EXPECT_EQ(diagram.PieceShownOn(kH2), kEmpty);
}

} // namespace
} // namespace marvek
