// The replace-book question.
#include "app/ConfirmReplaceBookDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/StringTable.h"

namespace marvek::gui {

namespace {

constexpr int kFileNameWidth = 340;

QString Message(int number) {
    return QString::fromStdString(LoadMessage(number));
}

} // namespace

TConfirmReplaceBookDialog::TConfirmReplaceBookDialog(QWidget* parent)
    : TDialogWithHelp(parent, kHelpContext) {
    setWindowTitle(Message(830));

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

    const TOkCancelHelp buttons = MakeButtons();
    itsHelp = buttons.itsHelp;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons.itsBox);
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
