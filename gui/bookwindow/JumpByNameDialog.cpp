// The jump-by-name dialog: it opens empty.
#include "bookwindow/JumpByNameDialog.h"

#include <QLineEdit>

namespace marvek::gui {

TJumpByNameDialog::TJumpByNameDialog(QWidget* parent)
    : TNameEditDialog(parent, {"JumpByNameDialog", "Jump to Position", "Jump to Name", "JumpNameEdit"}) {}

bool TJumpByNameDialog::Execute() {
    NameEdit()->clear();
    NameEdit()->setFocus();
    return ExecDialog() == QDialog::Accepted;
}

} // namespace marvek::gui
