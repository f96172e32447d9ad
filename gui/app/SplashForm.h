#pragma once

#include <QWidget>

// The picture shown while the program starts: the name, the version and a corner of a board, on a
// frameless window in the middle of the screen, with the hourglass cursor until it goes.

namespace marvek::gui {

class TSplashForm : public QWidget {
    Q_OBJECT

public:
    explicit TSplashForm(QWidget* parent = nullptr);
    ~TSplashForm() override;

    // Shows the splash, lets it be drawn and returns once minimumMs have passed (events are
    // processed meanwhile). The splash stays on screen until Finish.
    static void ShowSplash(int minimumMs = 1300);
    // The splash closes itself when mainWindow is first activated (at once when it already is
    // active, or when mainWindow is nullptr).
    static void Finish(QWidget* mainWindow);
    // The splash on screen; nullptr before ShowSplash and once it has closed.
    static TSplashForm* Current();

    QString VersionText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Hides the splash, gives the cursor back and lets the splash be deleted.
    void Dismiss();

    QWidget* itsMainWindow = nullptr;
    bool itsCursorSet = false;
};

} // namespace marvek::gui
