// TProgressDialog: the window a long operation reports to, with its Stop button; and the
// program-wide flag that one is running.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <map>
#include <string>
#include <vector>

#include "app/UserInterface.h"

class QFormLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace marvek::gui {

// What the main window refuses to close with while an operation runs.
inline constexpr char kStopRunningOperationFirst[] = "Please stop the running operation first.";

// Tells whoever cares (the main window's menus and toolbar) when the first operation starts and
// the last one ends.
class TProgressNotifier : public QObject {
    Q_OBJECT

public:
    static TProgressNotifier& Instance();

signals:
    void BusyChanged(bool busy);

private:
    TProgressNotifier() = default;
};

// Shows what the work reports: the title as the window's caption, the text lines, the named
// counters (each added when first set), a gauge once a percent is set, and Stop. The work runs on
// the user-interface thread and calls ProcessMessages() at fixed points; that is where the dialog
// is redrawn (at most ten times a second) and the user's clicks are handled.
//
// It is window-modal over its parent, so the rest of the program stays out of the way while the
// work runs inside ProcessMessages(); closing it counts as Stop.
class TProgressDialog : public QDialog, public TProgress {
    Q_OBJECT

public:
    explicit TProgressDialog(QWidget* parent = nullptr);
    ~TProgressDialog() override;
    TProgressDialog(const TProgressDialog&) = delete;
    TProgressDialog& operator=(const TProgressDialog&) = delete;

    // Shows the dialog and marks the program busy until Finish.
    void Start(const std::string& title) override;
    bool ProcessMessages() override;
    // Hides the dialog, after drawing the final figures.
    void Finish() override;

    // The button's caption; "Stop" (message 461) unless a dialog wants another, such as "Cancel".
    void SetStopCaption(const QString& caption);

    // True while any progress dialog is between Start and Finish.
    static bool AnyRunning();

    // What the dialog shows now, for tests.
    QString ShownText(int line) const;
    QString ShownCounter(const std::string& caption) const;
    QProgressBar* Gauge() const { return itsGauge; }
    QPushButton* StopButton() const { return itsStopButton; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape is Stop too.
    void reject() override;

private:
    void Stop();
    void Redraw();
    void SetBusy(bool busy);

    QVBoxLayout* itsTextLayout;
    QFormLayout* itsCounterLayout;
    QProgressBar* itsGauge;
    QPushButton* itsStopButton;
    std::vector<QLabel*> itsTextLabels;
    std::map<std::string, QLabel*> itsCounterLabels;
    QElapsedTimer itsSinceRedraw;
    bool itsBusy = false;
};

} // namespace marvek::gui
