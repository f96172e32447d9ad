// The rename dialog: it opens on the old name, and its OK asks the book window first.
#include "bookwindow/RenamePositionDialog.h"

#include <QLineEdit>

namespace marvek::gui {

TRenamePositionDialog::TRenamePositionDialog(QWidget* parent)
    : TNameEditDialog(parent,
                      {"RenamePositionDialog", "Rename Position", "Position Name", "PositionNameEdit"}) {}

bool TRenamePositionDialog::Execute(const std::string& oldName, const TBookWindowDialogs::TNameCheck& check) {
    itsCheck = check;
    NameEdit()->setText(QString::fromStdString(oldName));
    NameEdit()->selectAll();
    NameEdit()->setFocus();
    return ExecDialog() == QDialog::Accepted;
}

void TRenamePositionDialog::accept() {
    if (itsCheck && !itsCheck(Name())) return;
    QDialog::accept();
}

} // namespace marvek::gui
