#pragma once

#include <QDialog>

#include "app/MainFrame.h"

// The welcome message shown at start until the user turns it off: three first steps, a button that
// opens the help file's welcome topic, and the box that stops the message.

class QCheckBox;
class QLabel;
class QPushButton;

namespace marvek::gui {

class TWelcomeDialog : public QDialog {
    Q_OBJECT

public:
    explicit TWelcomeDialog(QWidget* parent = nullptr);

    // Shows the message modally; what the user pressed and ticked. "&Help File" closes the
    // message as OK does.
    TWelcomeResult Run();

    QString Text() const;
    QCheckBox* DontShowAgainBox() const { return itsDontShowAgain; }
    QPushButton* HelpFileButton() const { return itsHelpFile; }

protected:
    // Runs the dialog; tests answer here instead of waiting for a user.
    virtual int ExecDialog() { return exec(); }

private:
    QLabel* itsText = nullptr;
    QCheckBox* itsDontShowAgain = nullptr;
    QPushButton* itsHelpFile = nullptr;
    bool itsHelpFilePressed = false;
};

} // namespace marvek::gui
