// The jump dialog: the list of names beside its buttons, and the held Delete's timer.
#include "bookwindow/JumpDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/CommandGuard.h"
#include "app/HelpWindow.h"
#include "app/StringTable.h"
#include "bookwindow/JumpList.h"
#include "platform/Clock.h"

namespace marvek::gui {

TJumpDialog::TJumpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("JumpDialog");
    setWindowTitle(QStringLiteral("Jump to Position"));
    setModal(true);
    itsList = new QListWidget;
    itsList->setObjectName("JumpList");
    itsList->setMinimumSize(itsList->fontMetrics().averageCharWidth() * 44, 240);
    connect(itsList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!itsShowing && itsJumps != nullptr) itsJumps->Highlight(row);
    });
    connect(itsList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    itsRename = new QPushButton(QStringLiteral("Rename..."));
    itsDelete = new QPushButton(QStringLiteral("Delete"));
    auto* ok = new QPushButton(QString::fromStdString(LoadMessage(1900)));
    auto* cancel = new QPushButton(QString::fromStdString(LoadMessage(1901)));
    auto* help = new QPushButton(QString::fromStdString(LoadMessage(1902)));
    for (QPushButton* button : {itsRename, itsDelete, cancel, help}) button->setAutoDefault(false);
    ok->setDefault(true);
    connect(itsRename, &QPushButton::clicked, this, [this] {
        RunCommand([this] { itsJumps->Rename(); });
        ShowList();
    });
    connect(itsDelete, &QPushButton::pressed, this, &TJumpDialog::DeletePressed);
    connect(itsDelete, &QPushButton::released, this, &TJumpDialog::DeleteReleased);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { THelpWindow::Instance().ShowContext(kHelpContext); });

    itsTimer = new QTimer(this);
    itsTimer->setInterval(int(THeldRepeat::kTimerInterval));
    connect(itsTimer, &QTimer::timeout, this, &TJumpDialog::Tick);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {itsRename, itsDelete}) buttons->addWidget(button);
    buttons->addSpacing(16);
    for (QPushButton* button : {ok, cancel, help}) buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(itsList, 1);
    layout->addLayout(buttons);
}

bool TJumpDialog::Execute(TJumpList& list) {
    itsJumps = &list;
    ShowList();
    itsList->setFocus();
    const bool ok = ExecDialog() == QDialog::Accepted;
    itsTimer->stop();
    itsJumps = nullptr;
    return ok && list.Highlighted() >= 0;
}

std::int64_t TJumpDialog::Now() const {
    return TickCount();
}

void TJumpDialog::ShowList() {
    itsShowing = true;
    itsList->clear();
    for (const std::string& name : itsJumps->Names()) itsList->addItem(QString::fromStdString(name));
    itsList->setCurrentRow(itsJumps->Highlighted());
    if (QListWidgetItem* item = itsList->currentItem()) itsList->scrollToItem(item);
    itsShowing = false;
}

void TJumpDialog::DeletePressed() {
    RunCommand([this] { itsJumps->DeletePressed(Now()); });
    ShowList();
    if (itsJumps->DeleteHeld()) itsTimer->start();
}

void TJumpDialog::DeleteReleased() {
    itsTimer->stop();
    if (itsJumps != nullptr) itsJumps->DeleteReleased();
}

void TJumpDialog::Tick() {
    if (itsJumps == nullptr) return;
    const std::size_t before = itsJumps->Names().size();
    RunCommand([this] { itsJumps->DeleteTick(Now()); });
    if (itsJumps->Names().size() != before) ShowList();
    if (!itsJumps->DeleteHeld()) itsTimer->stop();
}

} // namespace marvek::gui
