// TChessDiagram2D: the book window's board, drawn from the board's rules and moved with the mouse.
#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "diagram/ChessDiagram.h"

class QAction;
class QMenu;
class QPainter;

namespace marvek::gui {

// Owns its TChessDiagram. Everything is drawn into an off-screen picture at the screen's pixel
// ratio and copied to the screen; a dragged or sliding piece floats above that picture. Settings
// may be changed on Diagram() directly; Redraw() then lays the board out and draws it again.
class TChessDiagram2D : public QWidget {
    Q_OBJECT

public:
    // Our own item after the board's menu items, and its caption.
    static constexpr int kFitMenuItem = kMenuItemCount;
    static constexpr const char* kFitCaption = "Fit Board to Window";
    // How often a slide moves its piece, in milliseconds.
    static constexpr int kSlideInterval = 15;

    explicit TChessDiagram2D(QWidget* parent = nullptr);
    ~TChessDiagram2D() override;

    TChessDiagram& Diagram() { return itsDiagram; }
    const TChessDiagram& Diagram() const { return itsDiagram; }

    // Position and marks
    // A running slide is dropped: its piece belongs to the position replaced.
    void SetPosition(const TPackedPosition& position);
    void SetSquare(int piece, TSquare square);
    void PutMarkOnSquare(int kind, TSquare square);
    void RemoveMarksOnSquare(TSquare square);
    void ClearMarks();
    // Lays the board out again if a setting changed its size, and draws every square.
    void Redraw();
    TPackedMove PendingMove() const { return itsDiagram.PendingMove(); }
    TDiagramMenuAction LastMenuAction() { return itsDiagram.LastMenuAction(); }

    // Slides run from a timer, so the window goes on working while a piece moves.
    bool SlideMove(std::uint32_t moveCode);
    bool IsSliding() const { return itsDiagram.IsSliding(); }
    void FinishSlide();

    // When on, the pieces grow with the widget instead of keeping one of the four board sizes.
    bool FitToWindow() const { return itsFitToWindow; }
    void SetFitToWindow(bool on);

    // Writes the board picture as a BMP file, or PNG when the name ends in ".png". On failure
    // returns false and says why in *error.
    bool SaveAsBitmap(const QString& path, QString* error = nullptr) const;

    // The context menu as it would open now; each action's data is its item index.
    std::unique_ptr<QMenu> MakeContextMenu();
    // Carries out a menu item (a board item or kFitMenuItem) as if chosen from the menu.
    void ChooseMenuItem(int index);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The mouse button was released over the board; after a left one PendingMove() says the move.
    void MouseUp(Qt::MouseButton button);
    // One of the board's notifications (marks changed, settings changed, the three mirrors).
    void Notification(int code);
    void SizeChanged();
    void SlideFinished();

protected:
    // Shows the menu modally and returns the action chosen, or none.
    virtual QAction* ExecContextMenu(QMenu& menu, const QPoint& globalPos);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Apply(const TDiagramResponse& response);
    void LayOut();
    void StepSlide();
    void EndSlideTimer();
    QRect FloatingRect() const;

    // Drawing into the picture (ChessDiagram2DDrawing.cpp)
    void DrawAll();
    void DrawSquare(TSquare square);
    void DrawSquare(QPainter& painter, TSquare square) const;
    void DrawHints(QPainter& painter) const;
    void DrawFrame(QPainter& painter) const;

    TChessDiagram itsDiagram;
    // The layout the picture was made for.
    TDiagramGeometry itsGeometry;
    QPixmap itsPicture;
    int itsFloatingPiece = kEmpty;
    std::optional<QPoint> itsFloatingAt;
    QTimer itsSlideTimer;
    QElapsedTimer itsSlideClock;
    bool itsFitToWindow = false;
};

} // namespace marvek::gui
