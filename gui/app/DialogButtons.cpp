// The rows of buttons at the foot of a dialog.
#include "app/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "app/StringTable.h"

namespace marvek::gui {

namespace {

QString Caption(int number) {
    return QString::fromStdString(LoadMessage(number));
}

} // namespace

TOkCancelHelp MakeOkCancelHelp(QDialog& dialog, std::function<void()> showHelp) {
    TOkCancelHelp row;
    row.itsBox = new QDialogButtonBox;
    row.itsOk = row.itsBox->addButton(Caption(1900), QDialogButtonBox::AcceptRole);
    row.itsBox->addButton(Caption(1901), QDialogButtonBox::RejectRole);
    row.itsHelp = row.itsBox->addButton(Caption(1902), QDialogButtonBox::HelpRole);
    row.itsOk->setDefault(true);
    // Through the pointer to the virtual member, so a dialog's own accept() is the one called.
    QObject::connect(row.itsBox, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(row.itsBox, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(row.itsBox, &QDialogButtonBox::helpRequested, &dialog, std::move(showHelp));
    return row;
}

QDialogButtonBox* MakeOkRow(QDialog& dialog) {
    auto* box = new QDialogButtonBox;
    box->addButton(Caption(1900), QDialogButtonBox::AcceptRole)->setDefault(true);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    return box;
}

} // namespace marvek::gui
