#pragma once

#include "app/DialogWithHelp.h"

// The question asked before New Book replaces a book of the same name: "This book already
// exists." with the file name, shortened in the middle to fit its line, and OK, Cancel and Help.

class QLabel;
class QPushButton;

namespace marvek::gui {

class TConfirmReplaceBookDialog : public TDialogWithHelp {
    Q_OBJECT

public:
    // The help context of the Help button.
    static constexpr int kHelpContext = 830;

    explicit TConfirmReplaceBookDialog(QWidget* parent = nullptr);

    // Asks about fileName; true when the user pressed OK.
    bool Run(const QString& fileName);

    // The file name as its line shows it (with "…" in the middle when it is too long).
    QString ShownFileName() const;
    QPushButton* HelpButton() const { return itsHelp; }

private:
    void SetFileName(const QString& fileName);

    QLabel* itsFileName = nullptr;
    QPushButton* itsHelp = nullptr;
};

} // namespace marvek::gui
