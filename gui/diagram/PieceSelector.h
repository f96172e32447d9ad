// TPieceSelector: the palette of the twelve pieces beside the set-up board.
#pragma once

#include <QWidget>

namespace marvek::gui {

// Two rows of six 38-pixel cells, the white pieces above the black ones; the selected piece sits
// on a red cell. A press is handed on as the point pressed.
class TPieceSelector : public QWidget {
    Q_OBJECT

public:
    explicit TPieceSelector(QWidget* parent = nullptr);

    int SelectedPiece() const { return itsSelected; }
    void SetSelectedPiece(int piece);
    // The cell of a piece code 1..12, in the widget's pixels.
    static QRect CellOf(int piece);

signals:
    void Pressed(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int itsSelected = 1;
};

} // namespace marvek::gui
