// The name dialogs' frame: the group with the one edit, and the buttons.
#include "bookwindow/NameEditDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace marvek::gui {

TNameEditDialog::TNameEditDialog(QWidget* parent, const TCaptions& captions)
    : TDialogWithHelp(parent, kHelpContext) {
    setObjectName(captions.itsObjectName);
    setWindowTitle(QString::fromUtf8(captions.itsTitle));
    auto* group = new QGroupBox(QString::fromUtf8(captions.itsGroupTitle));
    itsName = new QLineEdit;
    itsName->setObjectName(captions.itsEditName);
    itsName->setMaxLength(kMaxNameLength);
    itsName->setMinimumWidth(itsName->fontMetrics().averageCharWidth() * 42);
    auto* inGroup = new QVBoxLayout(group);
    inGroup->addWidget(itsName);

    const TOkCancelHelp buttons = MakeButtons();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons.itsBox);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::string TNameEditDialog::EditText() const {
    return itsName->text().toStdString();
}

} // namespace marvek::gui
