// The 2D board's events: mouse to the board's rules, their answers to the picture, menu and slides.
#include "diagram/ChessDiagram2D.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "diagram/PieceArtwork.h"
#include "diagram/PromotionPieceDialog.h"

namespace marvek::gui {

namespace {

QPoint ToQPoint(TPoint point) {
    return {point.itsX, point.itsY};
}

std::optional<TMouseButton> BoardButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return TMouseButton::kLeft;
    case Qt::RightButton: return TMouseButton::kRight;
    case Qt::MiddleButton: return TMouseButton::kMiddle;
    default: return std::nullopt;
    }
}

TPoint BoardPoint(const QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    return {point.x(), point.y()};
}

bool IsBoardSizeItem(int index) {
    return index >= kMenuSmallBoard && index <= kMenuHugeBoard;
}

} // namespace

TChessDiagram2D::TChessDiagram2D(QWidget* parent) : QWidget(parent), itsGeometry(itsDiagram.Geometry()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    itsDiagram.SetPromotionChooser([this](bool white) { return TPromotionPieceDialog::Ask(this, white); });
    itsSlideTimer.setInterval(kSlideInterval);
    connect(&itsSlideTimer, &QTimer::timeout, this, &TChessDiagram2D::StepSlide);
    LayOut();
    DrawAll();
}

TChessDiagram2D::~TChessDiagram2D() = default;

// ---------------------------------------------------------------------------------------------
// Position and marks

void TChessDiagram2D::SetPosition(const TPackedPosition& position) {
    itsDiagram.SetPosition(position);
    itsFloatingPiece = kEmpty;
    itsFloatingAt.reset();
    EndSlideTimer();
    DrawAll();
}

void TChessDiagram2D::SetSquare(int piece, TSquare square) {
    itsDiagram.SetSquare(piece, square);
    DrawSquare(square);
}

void TChessDiagram2D::PutMarkOnSquare(int kind, TSquare square) {
    itsDiagram.PutMarkOnSquare(kind, square);
    DrawSquare(square);
}

void TChessDiagram2D::RemoveMarksOnSquare(TSquare square) {
    itsDiagram.RemoveMarksOnSquare(square);
    DrawSquare(square);
}

void TChessDiagram2D::ClearMarks() {
    if (itsDiagram.ClearMarks()) DrawAll();
}

void TChessDiagram2D::Redraw() {
    if (itsDiagram.Geometry() != itsGeometry) LayOut();
    DrawAll();
}

// ---------------------------------------------------------------------------------------------
// What the board answered

void TChessDiagram2D::Apply(const TDiagramResponse& response) {
    if (response.itsFloatingEnded && itsFloatingAt) {
        update(FloatingRect());
        itsFloatingAt.reset();
        itsFloatingPiece = kEmpty;
    }
    if (response.itsResize) LayOut();
    if (response.itsRedrawAll || response.itsResize) {
        DrawAll();
    } else {
        for (TSquare square : response.itsRepaint) DrawSquare(square);
    }
    if (response.itsFloatingAt) {
        if (itsFloatingAt) update(FloatingRect());
        itsFloatingPiece = response.itsFloatingPiece;
        itsFloatingAt = ToQPoint(*response.itsFloatingAt);
        update(FloatingRect());
    }
    if (response.itsContextMenuAt) {
        std::unique_ptr<QMenu> menu = MakeContextMenu();
        if (QAction* chosen = ExecContextMenu(*menu, mapToGlobal(ToQPoint(*response.itsContextMenuAt))))
            ChooseMenuItem(chosen->data().toInt());
    }
    if (response.itsNotification != kNoDiagramNotification) emit Notification(response.itsNotification);
}

void TChessDiagram2D::LayOut() {
    // A slide or drag runs in the old layout's pixels; the piece simply lands where it goes.
    if (itsDiagram.IsSliding()) Apply(itsDiagram.FinishSlide());
    const int margin = itsDiagram.SquareMargin();
    const bool hints = itsDiagram.GetShowAlgebraicHints(), frame = itsDiagram.GetShowFrame();
    if (itsFitToWindow)
        itsDiagram.SetFreePieceSize(FittingPieceSize(width(), height(), margin, hints, frame));
    const int oldSize = itsGeometry.ControlSize();
    itsGeometry = itsDiagram.Geometry();
    const int size = itsGeometry.ControlSize();
    if (itsFitToWindow) {
        const int smallest =
            TDiagramGeometry::WithPieceSize(kMinimumFreePieceSize, margin, hints, frame, true).ControlSize();
        setMinimumSize(smallest, smallest);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    } else {
        setFixedSize(size, size);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    updateGeometry();
    if (size != oldSize) emit SizeChanged();
}

QSize TChessDiagram2D::sizeHint() const {
    return {itsGeometry.ControlSize(), itsGeometry.ControlSize()};
}

QSize TChessDiagram2D::minimumSizeHint() const {
    return itsFitToWindow ? minimumSize() : sizeHint();
}

void TChessDiagram2D::SetFitToWindow(bool on) {
    if (on == itsFitToWindow) return;
    itsFitToWindow = on;
    if (!on) itsDiagram.SetFreePieceSize(0);
    LayOut();
    DrawAll();
}

void TChessDiagram2D::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!itsFitToWindow) return;
    const int fitting = FittingPieceSize(width(), height(), itsDiagram.SquareMargin(),
                                         itsDiagram.GetShowAlgebraicHints(), itsDiagram.GetShowFrame());
    if (fitting == itsDiagram.FreePieceSize()) return;
    LayOut();
    DrawAll();
}

void TChessDiagram2D::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The background and the hints take the window's colours.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) DrawAll();
}

// ---------------------------------------------------------------------------------------------
// Mouse and menu

void TChessDiagram2D::mousePressEvent(QMouseEvent* event) {
    const std::optional<TMouseButton> button = BoardButton(event->button());
    if (!button) return;
    Apply(itsDiagram.Press(*button, BoardPoint(event)));
    EndSlideTimer();
}

void TChessDiagram2D::mouseMoveEvent(QMouseEvent* event) {
    Apply(itsDiagram.Move(BoardPoint(event)));
}

void TChessDiagram2D::mouseReleaseEvent(QMouseEvent* event) {
    const std::optional<TMouseButton> button = BoardButton(event->button());
    if (!button) return;
    const TDiagramResponse response = itsDiagram.Release(*button, BoardPoint(event));
    Apply(response);
    if (response.itsSendMouseUp) emit MouseUp(event->button());
}

std::unique_ptr<QMenu> TChessDiagram2D::MakeContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const std::vector<TDiagramMenuItem> items = itsDiagram.MenuItems();
    for (int index = 0; index < int(items.size()); ++index) {
        const TDiagramMenuItem& item = items[index];
        if (item.itsSeparator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.itsCaption.data(), item.itsCaption.size()));
        action->setData(index);
        const bool toggles = index == kMenuShowHints || index == kMenuWhiteAtBottom || IsBoardSizeItem(index);
        action->setCheckable(toggles);
        action->setChecked(item.itsChecked);
    }
    menu->addSeparator();
    QAction* fit = menu->addAction(QString::fromLatin1(kFitCaption));
    fit->setData(kFitMenuItem);
    fit->setCheckable(true);
    fit->setChecked(itsFitToWindow);
    return menu;
}

QAction* TChessDiagram2D::ExecContextMenu(QMenu& menu, const QPoint& globalPos) {
    return menu.exec(globalPos);
}

void TChessDiagram2D::ChooseMenuItem(int index) {
    if (index == kFitMenuItem) {
        SetFitToWindow(!itsFitToWindow);
        emit Notification(kDiagramSettingsChanged);
        return;
    }
    // Choosing one of the four sizes leaves the fitted size, which the board has already dropped.
    if (IsBoardSizeItem(index)) itsFitToWindow = false;
    Apply(itsDiagram.ChooseMenuItem(index));
}

// ---------------------------------------------------------------------------------------------
// Slides

bool TChessDiagram2D::SlideMove(std::uint32_t moveCode) {
    if (!itsDiagram.SlideMove(moveCode)) return false;
    // The piece leaves its square now; the first timer reading moves it on.
    const TSquare from = itsDiagram.LastMoveFrom();
    DrawAll();
    TDiagramResponse lifted;
    lifted.itsFloatingPiece = itsDiagram.GetPosition().Piece(from);
    lifted.itsFloatingAt = itsGeometry.PiecePoint(from);
    Apply(lifted);
    itsSlideClock.start();
    itsSlideTimer.start();
    return true;
}

void TChessDiagram2D::StepSlide() {
    Apply(itsDiagram.SlideStep(int(itsSlideClock.restart())));
    EndSlideTimer();
}

void TChessDiagram2D::FinishSlide() {
    Apply(itsDiagram.FinishSlide());
    EndSlideTimer();
}

void TChessDiagram2D::EndSlideTimer() {
    if (!itsSlideTimer.isActive() || itsDiagram.IsSliding()) return;
    itsSlideTimer.stop();
    emit SlideFinished();
}

void TChessDiagram2D::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FinishSlide();
}

// ---------------------------------------------------------------------------------------------
// Showing the picture

QRect TChessDiagram2D::FloatingRect() const {
    if (!itsFloatingAt) return {};
    return {*itsFloatingAt, QSize(itsGeometry.PieceSize(), itsGeometry.PieceSize())};
}

void TChessDiagram2D::paintEvent(QPaintEvent* event) {
    // Moved to a screen with another pixel ratio: draw sharp for that one.
    if (!qFuzzyCompare(itsPicture.devicePixelRatio(), devicePixelRatioF())) DrawAll();
    QPainter painter(this);
    const QRect shown(0, 0, itsGeometry.ControlSize(), itsGeometry.ControlSize());
    for (const QRect& area : event->region()) {
        if (!shown.contains(area)) painter.fillRect(area, palette().window());
    }
    painter.drawPixmap(0, 0, itsPicture);
    if (itsFloatingAt && itsFloatingPiece != kEmpty)
        painter.drawPixmap(*itsFloatingAt,
                           PiecePixmap(itsFloatingPiece, itsGeometry.PieceSize(), devicePixelRatioF()));
}

} // namespace marvek::gui
