// The board diagram's state and rules: position, orientation, marks, the user's move by mouse,
// the context menu and piece slides. The widget draws what this says and forwards its mouse here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "chess/ChessPosition.h"
#include "chess/Square.h"
#include "diagram/DiagramGeometry.h"
#include "diagram/DiagramMarks.h"
#include "diagram/DiagramMenu.h"
#include "diagram/DiagramSlide.h"

namespace marvek {

enum class TMouseButton { kLeft, kRight, kMiddle };

// 0xRRGGBB.
using TDiagramColour = std::uint32_t;
inline constexpr TDiagramColour kDefaultLightColour = 0xFFFFFF;
inline constexpr TDiagramColour kDefaultDarkColour = 0x008000;

// What the widget has to do after the board handled an event.
struct TDiagramResponse {
    // Cells to draw again from PieceShownOn and MarkOn.
    std::vector<TSquare> itsRepaint;
    bool itsRedrawAll = false;
    // The control's size changed: lay it out again at Geometry().ControlSize().
    bool itsResize = false;
    // A piece picture floating over the board (dragged or sliding), top-left at itsFloatingAt.
    int itsFloatingPiece = kEmpty;
    std::optional<TPoint> itsFloatingAt;
    // Take the floating picture away (restore what it covered) before drawing anything else.
    bool itsFloatingEnded = false;
    std::optional<TPoint> itsContextMenuAt;
    // Pass the mouse-up on to the owner, who reads PendingMove() after a left-button one.
    bool itsSendMouseUp = false;
    // One of the kDiagram... / kMirror... codes for the owner, or kNoDiagramNotification.
    int itsNotification = kNoDiagramNotification;
};

struct TDiagramMenuAction {
    int itsIndex = -1;
    TSquare itsSquare = kNoSquare;
};

class TChessDiagram {
public:
    // The promotion dialog: asked for the kind (2 knight .. 5 queen) of a pawn of that colour.
    using TPromotionChooser = std::function<int(bool white)>;

    TChessDiagram() = default;

    // Position
    // Shows a position: marks cleared, the pending move's to-square and promotion reset. A running
    // slide is abandoned, since its piece belongs to the position being replaced.
    void SetPosition(const TPackedPosition& position);
    const TPackedPosition& GetPosition() const { return itsPosition.GetPosition(); }
    // The owner repaints the square after this.
    void SetSquare(int piece, TSquare square) { itsPosition.SetPieceOnSquare(piece, square); }
    // The piece to draw on a square: none on the square a drag or slide has lifted it from.
    int PieceShownOn(TSquare square) const;

    // Properties
    bool GetWhiteIsAtBottom() const { return itsWhiteAtBottom; }
    void SetWhiteIsAtBottom(bool on) { itsWhiteAtBottom = on; }
    bool GetShowAlgebraicHints() const { return itsShowHints; }
    void SetShowAlgebraicHints(bool on) { itsShowHints = on; }
    bool GetShowFrame() const { return itsShowFrame; }
    void SetShowFrame(bool on) { itsShowFrame = on; }
    bool GetAcceptClicks() const { return itsAcceptClicks; }
    void SetAcceptClicks(bool on) { itsAcceptClicks = on; }
    bool ContextMenuEnabled() const { return itsContextMenuEnabled; }
    void EnableContextMenu(bool on) { itsContextMenuEnabled = on; }

    // Settings from the preferences
    // The kind a white pawn becomes, 2 (knight) .. 5 (queen); anything else is a program error.
    int PromotionPiece() const { return itsPromotionPiece; }
    void SetPromotionPiece(int kind);
    bool AskForPromotionPiece() const { return itsAskForPromotionPiece; }
    void SetAskForPromotionPiece(bool on) { itsAskForPromotionPiece = on; }
    // Asked when a pawn is dropped on its last rank while asking is on.
    void SetPromotionChooser(TPromotionChooser chooser) { itsPromotionChooser = std::move(chooser); }
    int SlideSpeed() const { return itsSlideSpeed; }
    void SetSlideSpeed(int pixelsPerSecond) { itsSlideSpeed = SlideSpeedSetting(pixelsPerSecond); }
    // Size index 0..3 (24, 38, 48, 60 pixel pieces); margin 0, 4 or 8. Other values are program errors.
    int BoardSize() const { return itsBoardSize; }
    void SetBoardSize(int index);
    int SquareMargin() const { return itsSquareMargin; }
    void SetSquareMargin(int margin);
    // A piece size of the caller's choosing (a board fitted to its window) in place of the board
    // size; 0 goes back to the board size. Choosing a board size from the menu sets it to 0.
    int FreePieceSize() const { return itsFreePieceSize; }
    void SetFreePieceSize(int pieceSize);
    TDiagramColour LightColour() const { return itsLightColour; }
    void SetLightColour(TDiagramColour colour) { itsLightColour = colour; }
    TDiagramColour DarkColour() const { return itsDarkColour; }
    void SetDarkColour(TDiagramColour colour) { itsDarkColour = colour; }

    TDiagramGeometry Geometry() const;

    // Marks
    int MarkOn(TSquare square) const { return itsMarks.Mark(square); }
    void PutMarkOnSquare(int kind, TSquare square) { itsMarks.SetMark(square, kind); }
    void RemoveMarksOnSquare(TSquare square) { itsMarks.SetMark(square, kNoMark); }
    // Whether any mark was set, that is whether the board needs redrawing.
    bool ClearMarks() { return itsMarks.Clear(); }
    const TPackedMarks& PackedMarks() const { return itsMarks.Packed(); }
    void SetPackedMarks(const TPackedMarks& marks) { itsMarks.SetPacked(marks); }

    // The user's move: from, to, promotion piece code (black ones +6), evaluation symbol none.
    TPackedMove PendingMove() const { return itsPendingMove; }
    std::uint32_t PendingMoveCode() const { return itsPendingMove.ToUint32(); }
    TSquare LastMoveFrom() const { return itsLastMoveFrom; }
    TSquare LastMoveTo() const { return itsLastMoveTo; }
    int DraggedPiece() const { return itsDraggedPiece; }
    bool IsDragging() const { return itsDragging; }

    // Mouse, in the control's pixels
    TDiagramResponse Press(TMouseButton button, TPoint point);
    TDiagramResponse Move(TPoint point);
    TDiagramResponse Release(TMouseButton button, TPoint point);

    // Context menu
    std::vector<TDiagramMenuItem> MenuItems() const;
    // Carries out an item (not a separator) for the square the menu was opened on.
    TDiagramResponse ChooseMenuItem(int index);
    // The item last chosen and the square it was for; the square is forgotten (kNoSquare) after.
    TDiagramMenuAction LastMenuAction();

    // Slides
    // When the from-square holds a piece: finishes a running slide, applies a pending promotion,
    // makes the move pending, clears the marks and starts sliding its piece. Returns whether it
    // did; the widget then redraws and steps the slide from its timer.
    bool SlideMove(std::uint32_t moveCode);
    bool IsSliding() const { return itsSlide.has_value(); }
    // One timer reading; when the piece arrives it is set on its square.
    TDiagramResponse SlideStep(int elapsedMs);
    TDiagramResponse FinishSlide();
    // Puts the pending promotion piece on the pending to-square, if there is one.
    bool ApplyPendingPromotion();

private:
    TDiagramResponse EndSlide();
    int PromotionFor(int pawn);

    TChessPosition itsPosition{TPackedPosition{}};
    bool itsWhiteAtBottom = true;
    bool itsShowHints = true;
    bool itsShowFrame = true;
    bool itsAcceptClicks = true;
    bool itsContextMenuEnabled = true;
    TPackedMove itsPendingMove{0, 0, 0, kSymbolNone};
    int itsDraggedPiece = kEmpty;
    bool itsDragging = false;
    TPoint itsDragPoint;
    TSquare itsLastMoveFrom = 0;
    TSquare itsLastMoveTo = 0;
    int itsPromotionPiece = kWhiteQueen;
    bool itsAskForPromotionPiece = false;
    TPromotionChooser itsPromotionChooser;
    int itsSlideSpeed = kDefaultSlideSpeed;
    TSquareMarks itsMarks;
    int itsBoardSize = 1;
    int itsFreePieceSize = 0;
    int itsSquareMargin = 0;
    TDiagramColour itsLightColour = kDefaultLightColour;
    TDiagramColour itsDarkColour = kDefaultDarkColour;
    TSquare itsMenuSquare = kNoSquare;
    int itsLastMenuIndex = -1;

    struct TRunningSlide {
        int itsPiece;
        TSquare itsFrom;
        TSquare itsTo;
        TSlide itsSlide;
    };
    std::optional<TRunningSlide> itsSlide;
};

} // namespace marvek
