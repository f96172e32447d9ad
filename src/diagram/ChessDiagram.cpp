// The board diagram's rules: mouse moves, promotion, the context menu and slides.
#include "diagram/ChessDiagram.h"

#include "platform/Errors.h"

namespace marvek {

void TChessDiagram::SetPosition(const TPackedPosition& position) {
    itsSlide.reset();
    itsPosition.SetPosition(position);
    itsMarks.Clear();
    // The from-square stays: only a press sets it, and the owner has read it by now.
    itsPendingMove.itsTo = 0;
    itsPendingMove.itsPromotion = 0;
    itsPendingMove.itsSymbol = kSymbolNone;
}

int TChessDiagram::PieceShownOn(TSquare square) const {
    if (itsDragging && square == itsPendingMove.itsFrom) return kEmpty;
    if (itsSlide && square == itsSlide->itsFrom) return kEmpty;
    return itsPosition.PieceOnSquare(square);
}

void TChessDiagram::SetPromotionPiece(int kind) {
    MARVEK_ASSERT(kind >= kWhiteKnight && kind <= kWhiteQueen);
    itsPromotionPiece = kind;
}

void TChessDiagram::SetBoardSize(int index) {
    MARVEK_ASSERT(index >= kSmallBoard && index <= kHugeBoard);
    itsBoardSize = index;
}

void TChessDiagram::SetSquareMargin(int margin) {
    MARVEK_ASSERT(IsSquareMargin(margin));
    itsSquareMargin = margin;
}

void TChessDiagram::SetFreePieceSize(int pieceSize) {
    MARVEK_ASSERT(pieceSize == 0 || pieceSize >= kMinimumFreePieceSize);
    itsFreePieceSize = pieceSize;
}

TDiagramGeometry TChessDiagram::Geometry() const {
    if (itsFreePieceSize != 0)
        return TDiagramGeometry::WithPieceSize(itsFreePieceSize, itsSquareMargin, itsShowHints, itsShowFrame,
                                               itsWhiteAtBottom);
    return TDiagramGeometry(itsBoardSize, itsSquareMargin, itsShowHints, itsShowFrame, itsWhiteAtBottom);
}

// ---------------------------------------------------------------------------------------------
// Mouse

TDiagramResponse TChessDiagram::Press(TMouseButton button, TPoint point) {
    TDiagramResponse response;
    if (itsDragging) return response;
    // A click lands on the board as the piece would after its slide, so the slide ends first.
    if (itsSlide) response = FinishSlide();
    const TDiagramGeometry geometry = Geometry();
    const TSquare square = geometry.SquareAt(point);
    if (button == TMouseButton::kRight) itsMenuSquare = square;
    if (!itsAcceptClicks) return response;
    itsPendingMove.itsFrom = std::uint8_t(square);
    if (button != TMouseButton::kLeft) return response;
    itsPendingMove.itsTo = std::uint8_t(square);
    itsPendingMove.itsPromotion = 0;
    const int piece = itsPosition.PieceOnSquare(square);
    if (piece == kEmpty) return response;
    itsDraggedPiece = piece;
    itsDragging = true;
    itsDragPoint = geometry.DragImagePoint(point);
    response.itsRepaint.push_back(square);
    response.itsFloatingPiece = piece;
    response.itsFloatingAt = itsDragPoint;
    return response;
}

TDiagramResponse TChessDiagram::Move(TPoint point) {
    TDiagramResponse response;
    if (!itsDragging) return response;
    itsDragPoint = Geometry().DragImagePoint(point);
    response.itsFloatingPiece = itsDraggedPiece;
    response.itsFloatingAt = itsDragPoint;
    return response;
}

int TChessDiagram::PromotionFor(int pawn) {
    const bool white = pawn == kWhitePawn;
    int kind = itsPromotionPiece;
    if (itsAskForPromotionPiece && itsPromotionChooser) {
        const int chosen = itsPromotionChooser(white);
        if (chosen >= kWhiteKnight && chosen <= kWhiteQueen) kind = chosen;
    }
    return PieceOfColour(kind, white);
}

TDiagramResponse TChessDiagram::Release(TMouseButton button, TPoint point) {
    TDiagramResponse response;
    response.itsSendMouseUp = true;
    if (button == TMouseButton::kLeft) {
        if (itsDragging) {
            itsDragging = false;
            const TDiagramGeometry geometry = Geometry();
            itsDragPoint = geometry.DragImagePoint(point);
            const TSquare to = geometry.SquareAt(geometry.ImageCentre(itsDragPoint));
            itsPendingMove.itsTo = std::uint8_t(to);
            if ((itsDraggedPiece == kWhitePawn && RankOf(to) == kEighthRank) ||
                (itsDraggedPiece == kBlackPawn && RankOf(to) == kFirstRank)) {
                itsPendingMove.itsPromotion = std::uint8_t(PromotionFor(itsDraggedPiece));
            }
            response.itsFloatingEnded = true;
            response.itsRepaint = {itsPendingMove.itsFrom, to};
        } else {
            itsPendingMove.itsFrom = 0;
            itsPendingMove.itsTo = 0;
        }
    } else if (button == TMouseButton::kRight && itsContextMenuEnabled && !itsDragging) {
        response.itsContextMenuAt = point;
    }
    return response;
}

// ---------------------------------------------------------------------------------------------
// Context menu

std::vector<TDiagramMenuItem> TChessDiagram::MenuItems() const {
    // A free piece size is none of the four sizes, so none is checked.
    return DiagramMenuItems(itsShowHints, itsWhiteAtBottom, itsFreePieceSize == 0 ? itsBoardSize : -1);
}

TDiagramResponse TChessDiagram::ChooseMenuItem(int index) {
    MARVEK_ASSERT(index >= 0 && index < kMenuItemCount && !IsDiagramMenuSeparator(index));
    itsLastMenuIndex = index;
    TDiagramResponse response;
    const bool onSquare = !IsOffBoard(itsMenuSquare);
    switch (index) {
    case kMenuRemoveMark:
    case kMenuDrawDot:
    case kMenuDrawX:
        if (onSquare) {
            itsMarks.SetMark(itsMenuSquare, index == kMenuDrawDot ? kDotMark
                                            : index == kMenuDrawX ? kCrossMark
                                                                  : kNoMark);
            response.itsRepaint.push_back(itsMenuSquare);
        }
        response.itsNotification = kDiagramMarksChanged;
        break;
    case kMenuRemoveAllMarks:
        response.itsRedrawAll = itsMarks.Clear();
        response.itsNotification = kDiagramMarksChanged;
        break;
    case kMenuShowHints:
        itsShowHints = !itsShowHints;
        response.itsResize = response.itsRedrawAll = true;
        response.itsNotification = kDiagramSettingsChanged;
        break;
    case kMenuWhiteAtBottom:
        itsWhiteAtBottom = !itsWhiteAtBottom;
        response.itsRedrawAll = true;
        response.itsNotification = kDiagramSettingsChanged;
        break;
    case kMenuSmallBoard:
    case kMenuMediumBoard:
    case kMenuLargeBoard:
    case kMenuHugeBoard:
        SetBoardSize(index - kMenuSmallBoard);
        itsFreePieceSize = 0;
        response.itsResize = response.itsRedrawAll = true;
        response.itsNotification = kDiagramSettingsChanged;
        break;
    case kMenuMirrorLeftToRight: response.itsNotification = kMirrorLeftToRight; break;
    case kMenuMirrorTopToBottom: response.itsNotification = kMirrorTopToBottom; break;
    case kMenuMirrorSideToMove: response.itsNotification = kMirrorSideToMove; break;
    }
    return response;
}

TDiagramMenuAction TChessDiagram::LastMenuAction() {
    const TDiagramMenuAction action{itsLastMenuIndex, itsMenuSquare};
    itsMenuSquare = kNoSquare;
    return action;
}

// ---------------------------------------------------------------------------------------------
// Slides

bool TChessDiagram::ApplyPendingPromotion() {
    const int promotion = itsPendingMove.itsPromotion;
    const TSquare to = itsPendingMove.itsTo;
    if (promotion == 0 || IsOffBoard(to)) return false;
    itsPosition.SetPieceOnSquare(promotion, to);
    return true;
}

bool TChessDiagram::SlideMove(std::uint32_t moveCode) {
    const TPackedMove move = TPackedMove::FromUint32(moveCode);
    if (IsOffBoard(move.itsFrom) || IsOffBoard(move.itsTo)) return false;
    if (itsSlide) FinishSlide();
    const int piece = itsPosition.PieceOnSquare(move.itsFrom);
    if (piece == kEmpty) return false;
    ApplyPendingPromotion();
    itsPendingMove = {move.itsFrom, move.itsTo, move.itsPromotion, kSymbolNone};
    itsMarks.Clear();
    itsLastMoveFrom = move.itsFrom;
    itsLastMoveTo = move.itsTo;
    const TDiagramGeometry geometry = Geometry();
    itsSlide.emplace(TRunningSlide{piece, move.itsFrom, move.itsTo,
                                   TSlide(geometry.PiecePoint(move.itsFrom), geometry.PiecePoint(move.itsTo),
                                          MinimumSlideSpeed(itsSlideSpeed))});
    return true;
}

TDiagramResponse TChessDiagram::SlideStep(int elapsedMs) {
    if (!itsSlide) return {};
    const TPoint point = itsSlide->itsSlide.Step(elapsedMs);
    if (itsSlide->itsSlide.Finished()) return EndSlide();
    TDiagramResponse response;
    response.itsFloatingPiece = itsSlide->itsPiece;
    response.itsFloatingAt = point;
    return response;
}

TDiagramResponse TChessDiagram::FinishSlide() {
    if (!itsSlide) return {};
    return EndSlide();
}

TDiagramResponse TChessDiagram::EndSlide() {
    const TRunningSlide slide = *itsSlide;
    itsSlide.reset();
    itsPosition.SetPieceOnSquare(kEmpty, slide.itsFrom);
    itsPosition.SetPieceOnSquare(slide.itsPiece, slide.itsTo);
    ApplyPendingPromotion();
    TDiagramResponse response;
    response.itsFloatingEnded = true;
    response.itsRepaint = {slide.itsFrom, slide.itsTo};
    return response;
}

} // namespace marvek
