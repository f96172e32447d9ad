// The rename dialog: one edit in its group and the OK that asks the book window first.
#include "bookwindow/RenamePositionDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/HelpWindow.h"
#include "app/StringTable.h"

namespace marvek::gui {

TRenamePositionDialog::TRenamePositionDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("RenamePositionDialog");
    setWindowTitle(QStringLiteral("Rename Position"));
    setModal(true);
    auto* group = new QGroupBox(QStringLiteral("Position Name"));
    itsName = new QLineEdit;
    itsName->setObjectName("PositionNameEdit");
    itsName->setMaxLength(kMaxNameLength);
    itsName->setMinimumWidth(itsName->fontMetrics().averageCharWidth() * 42);
    auto* inGroup = new QVBoxLayout(group);
    inGroup->addWidget(itsName);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok =
        buttons->addButton(QString::fromStdString(LoadMessage(1900)), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromStdString(LoadMessage(1901)), QDialogButtonBox::RejectRole);
    buttons->addButton(QString::fromStdString(LoadMessage(1902)), QDialogButtonBox::HelpRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &TRenamePositionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [] { THelpWindow::Instance().ShowContext(kHelpContext); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TRenamePositionDialog::Execute(const std::string& oldName, const TBookWindowDialogs::TNameCheck& check) {
    itsCheck = check;
    itsName->setText(QString::fromStdString(oldName));
    itsName->selectAll();
    itsName->setFocus();
    return ExecDialog() == QDialog::Accepted;
}

std::string TRenamePositionDialog::Name() const {
    return itsName->text().toStdString();
}

void TRenamePositionDialog::accept() {
    if (itsCheck && !itsCheck(Name())) return;
    QDialog::accept();
}

} // namespace marvek::gui
