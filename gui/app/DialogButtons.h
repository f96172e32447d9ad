// MakeOkCancelHelp and MakeOkRow: the rows of buttons that our dialogs end with.
#pragma once

#include <functional>

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace marvek::gui {

struct TOkCancelHelp {
    QDialogButtonBox* itsBox = nullptr;
    QPushButton* itsOk = nullptr;
    QPushButton* itsHelp = nullptr;
};

// Captions come from the string table. OK is the default button and calls the dialog's accept()
// (an override included), Cancel its reject(), and Help calls showHelp. The box has no parent
// yet: the caller places it in its layout, so the tab order follows the layout.
TOkCancelHelp MakeOkCancelHelp(QDialog& dialog, std::function<void()> showHelp);

// A lone OK, the default button, that accepts the dialog; for boxes that only tell. Placed like
// the row above.
QDialogButtonBox* MakeOkRow(QDialog& dialog);

} // namespace marvek::gui
