// TDialogWithHelp: a modal dialog that ends with OK, Cancel and Help, Help opening the dialog's topic.
#pragma once

#include <QDialog>

#include "app/DialogButtons.h"

namespace marvek::gui {

class TDialogWithHelp : public QDialog {
    Q_OBJECT

signals:
    void HelpRequested(int context);

protected:
    TDialogWithHelp(QWidget* parent, int helpContext);

    // The OK, Cancel and Help row for the dialog's layout; Help announces the topic, then opens it.
    TOkCancelHelp MakeButtons();
    // Runs the dialog; tests answer here instead of waiting for a user.
    virtual int ExecDialog() { return exec(); }
    // The Help button: the help window on the dialog's topic.
    virtual void OpenHelp(int context);

private:
    int itsHelpContext;
};

} // namespace marvek::gui
