// The jump-by-name dialog: its group with the one edit, and the buttons.
#include "bookwindow/JumpByNameDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/HelpWindow.h"
#include "app/StringTable.h"

namespace marvek::gui {

TJumpByNameDialog::TJumpByNameDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("JumpByNameDialog");
    setWindowTitle(QStringLiteral("Jump to Position"));
    setModal(true);
    auto* group = new QGroupBox(QStringLiteral("Jump to Name"));
    itsName = new QLineEdit;
    itsName->setObjectName("JumpNameEdit");
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
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [] { THelpWindow::Instance().ShowContext(kHelpContext); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TJumpByNameDialog::Execute() {
    itsName->clear();
    itsName->setFocus();
    return ExecDialog() == QDialog::Accepted;
}

std::string TJumpByNameDialog::Text() const {
    return itsName->text().toStdString();
}

} // namespace marvek::gui
