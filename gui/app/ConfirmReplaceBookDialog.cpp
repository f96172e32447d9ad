// The replace-book question.
#include "app/ConfirmReplaceBookDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/HelpWindow.h"
#include "app/StringTable.h"

namespace marvek::gui {

namespace {

constexpr int kFileNameWidth = 340;

QString Message(int number) {
    return QString::fromStdString(LoadMessage(number));
}

} // namespace

TConfirmReplaceBookDialog::TConfirmReplaceBookDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Message(830));
    setModal(true);

    auto* icon = new QLabel;
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);

    auto* exists = new QLabel(Message(831));
    itsFileName = new QLabel;
    itsFileName->setFixedWidth(kFileNameWidth);
    QFont bold = itsFileName->font();
    bold.setBold(true);
    itsFileName->setFont(bold);
    auto* question = new QLabel(Message(832));

    auto* texts = new QVBoxLayout;
    texts->addWidget(exists);
    texts->addWidget(itsFileName);
    texts->addSpacing(6);
    texts->addWidget(question);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(10);
    top->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(Message(1900), QDialogButtonBox::AcceptRole);
    buttons->addButton(Message(1901), QDialogButtonBox::RejectRole);
    itsHelp = buttons->addButton(Message(1902), QDialogButtonBox::HelpRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        emit HelpRequested(kHelpContext);
        OpenHelp(kHelpContext);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

void TConfirmReplaceBookDialog::OpenHelp(int context) {
    THelpWindow::Instance().ShowContext(context);
}

void TConfirmReplaceBookDialog::SetFileName(const QString& fileName) {
    itsFileName->setToolTip(fileName);
    itsFileName->setText(itsFileName->fontMetrics().elidedText(fileName, Qt::ElideMiddle, kFileNameWidth));
}

bool TConfirmReplaceBookDialog::Run(const QString& fileName) {
    SetFileName(fileName);
    return ExecDialog() == QDialog::Accepted;
}

QString TConfirmReplaceBookDialog::ShownFileName() const {
    return itsFileName->text();
}

} // namespace marvek::gui
