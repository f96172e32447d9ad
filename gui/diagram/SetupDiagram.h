// TSetupDiagram: the fixed board of the position set-up dialog.
#pragma once

#include <QColor>
#include <QWidget>

#include "chess/ChessPosition.h"

namespace marvek::gui {

// Eight by eight squares of 38 pixels, White always at the bottom, in the preference colours.
// It only draws; a press is handed on as the point pressed, and the dialog's owner decides.
class TSetupDiagram : public QWidget {
    Q_OBJECT

public:
    explicit TSetupDiagram(QWidget* parent = nullptr);

    void SetPosition(const TPackedPosition& position);
    const TPackedPosition& Position() const { return itsPosition; }
    void SetColours(const QColor& light, const QColor& dark);
    QColor LightColour() const { return itsLight; }
    QColor DarkColour() const { return itsDark; }

signals:
    // (x, y) in pixels from the board's top-left corner.
    void Pressed(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TPackedPosition itsPosition;
    QColor itsLight{255, 255, 255};
    QColor itsDark{0, 128, 0};
};

} // namespace marvek::gui
