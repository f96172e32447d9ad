// TProgressDialog: labels and counters drawn from the work's progress state, Stop, and the
// program-wide busy flag.
#include "app/ProgressDialog.h"
#include "app/MessageNumbers.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/StringTable.h"

namespace marvek::gui {

namespace {

// Redrawing is what costs; the event loop itself is cheap enough to run at every call.
constexpr qint64 kRedrawIntervalMs = 100;
// Long texts (file names above all) are shortened in the middle to this width.
constexpr int kTextWidth = 360;

int gRunningDialogs = 0;

} // namespace

TProgressNotifier& TProgressNotifier::Instance() {
    static TProgressNotifier notifier;
    return notifier;
}

TProgressDialog::TProgressDialog(QWidget* parent)
    : QDialog(parent), itsTextLayout(new QVBoxLayout), itsCounterLayout(new QFormLayout),
      itsGauge(new QProgressBar),
      itsStopButton(new QPushButton(QString::fromStdString(LoadMessage(kMsgStop)))) {
    // Window-modal keeps the user's clicks away from the window whose work is running, while the
    // other windows of the program stay as they are.
    if (parent != nullptr) setWindowModality(Qt::WindowModal);

    itsCounterLayout->setLabelAlignment(Qt::AlignLeft);
    itsGauge->setRange(0, 100);
    itsGauge->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(itsStopButton);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(itsTextLayout);
    layout->addLayout(itsCounterLayout);
    layout->addWidget(itsGauge);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(itsStopButton, &QPushButton::clicked, this, &TProgressDialog::Stop);
}

TProgressDialog::~TProgressDialog() {
    SetBusy(false);
}

void TProgressDialog::SetStopCaption(const QString& caption) {
    itsStopButton->setText(caption);
}

bool TProgressDialog::AnyRunning() {
    return gRunningDialogs > 0;
}

void TProgressDialog::SetBusy(bool busy) {
    if (busy == itsBusy) return;
    itsBusy = busy;
    bool wasRunning = gRunningDialogs > 0;
    gRunningDialogs += busy ? 1 : -1;
    if (wasRunning != (gRunningDialogs > 0))
        emit TProgressNotifier::Instance().BusyChanged(gRunningDialogs > 0);
}

void TProgressDialog::Start(const std::string& title) {
    TProgress::Start(title);
    // A dialog used again starts without the last operation's labels.
    for (QLabel* label : itsTextLabels) delete label;
    itsTextLabels.clear();
    while (itsCounterLayout->rowCount() > 0) itsCounterLayout->removeRow(0);
    itsCounterLabels.clear();
    itsGauge->hide();
    itsStopButton->setEnabled(true);

    setWindowTitle(QString::fromStdString(title));
    SetBusy(true);
    Redraw();
    show();
    raise();
    itsSinceRedraw.start();
}

bool TProgressDialog::ProcessMessages() {
    if (!itsSinceRedraw.isValid() || itsSinceRedraw.elapsed() >= kRedrawIntervalMs) {
        Redraw();
        itsSinceRedraw.restart();
    }
    QCoreApplication::processEvents();
    return State().StopRequested();
}

void TProgressDialog::Finish() {
    if (State().Running()) Redraw();
    TProgress::Finish();
    hide();
    SetBusy(false);
}

QString TProgressDialog::ShownText(int line) const {
    if (line < 0 || std::size_t(line) >= itsTextLabels.size()) return {};
    return itsTextLabels[std::size_t(line)]->text();
}

QString TProgressDialog::ShownCounter(const std::string& caption) const {
    auto found = itsCounterLabels.find(caption);
    return found == itsCounterLabels.end() ? QString() : found->second->text();
}

void TProgressDialog::Redraw() {
    const TProgressState& state = State();

    const std::vector<std::string>& texts = state.Texts();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i == itsTextLabels.size()) {
            auto* label = new QLabel;
            label->setMinimumWidth(kTextWidth);
            itsTextLayout->addWidget(label);
            itsTextLabels.push_back(label);
        }
        QString text = QString::fromStdString(texts[i]);
        QLabel* label = itsTextLabels[i];
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, kTextWidth));
        label->setToolTip(text);
    }

    for (const auto& [caption, value] : state.Counters()) {
        QLabel*& label = itsCounterLabels[caption];
        if (label == nullptr) {
            label = new QLabel;
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            itsCounterLayout->addRow(QString::fromStdString(caption), label);
        }
        label->setText(QString::number(value));
    }

    if (state.Percent() >= 0) {
        itsGauge->setValue(state.Percent());
        itsGauge->show();
    }
}

void TProgressDialog::Stop() {
    if (!State().Running()) return;
    MutableState().RequestStop();
    itsStopButton->setEnabled(false);
}

void TProgressDialog::closeEvent(QCloseEvent* event) {
    // The work closes the dialog when it has stopped; the user's close only asks it to.
    if (State().Running()) {
        Stop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TProgressDialog::reject() {
    if (State().Running()) {
        Stop();
        return;
    }
    QDialog::reject();
}

} // namespace marvek::gui
