#pragma once

#include <QWidget>

// The child window of one open book. Today it shows the book's name and how many positions it
// holds; the board, the candidates and the line come with the full book window.

class QLabel;

namespace marvek {
class TBookWindow;
}

namespace marvek::gui {

class TBookWindowForm : public QWidget {
    Q_OBJECT

public:
    explicit TBookWindowForm(TBookWindow& window, QWidget* parent = nullptr);

    TBookWindow& Window() { return itsWindow; }
    // Shows the book's state again.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TBookWindow& itsWindow;
    QLabel* itsName = nullptr;
    QLabel* itsDetails = nullptr;
};

} // namespace marvek::gui
