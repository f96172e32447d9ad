// The engine windows: a tool window over the main window that shows an engine's analysis, polls
// its pipe every 400 ms, and keeps its place in the settings.
#include "engines/EngineWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/CommandGuard.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "engines/EngineLoadingForm.h"
#include "engines/EngineSettings.h"
#include "engines/UciSession.h"
#include "engines/WinboardSession.h"

namespace marvek::gui {

namespace {

QString Text(int number) {
    return QString::fromStdString(LoadMessage(number));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void SetLabel(QLabel* label, const std::string& text) {
    const QString value = Q(text);
    if (label->text() != value) label->setText(value);
}

void SetMemo(QPlainTextEdit* memo, const std::string& text) {
    const QString value = Q(text);
    if (memo->toPlainText() != value) memo->setPlainText(value);
}

QLabel* Caption(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont small = label->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    label->setFont(small);
    return label;
}

QLabel* Value(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, int lines) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::StyledPanel);
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * lines + 10);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return memo;
}

} // namespace

QString RateSignText(const std::string& glyph) {
    // Many fonts lack the slight-advantage signs; the usual "+=" and "=+" read the same.
    if (glyph == "k") return QStringLiteral("+=");
    if (glyph == "o") return QStringLiteral("=+");
    return QString::fromStdString(RateSign(glyph));
}

TEngineWindow::TEngineWindow(TSettings& settings, std::unique_ptr<TEngineSession> session,
                             TEngineProtocol protocol, QWidget* parent)
    : QWidget(parent, Qt::Tool), itsSettings(settings), itsSession(std::move(session)) {
    itsRunner = std::make_unique<TEngineRunner>(*itsSession, protocol);
    // The keyboard stays with the book being walked through while the engine window comes up.
    setAttribute(Qt::WA_ShowWithoutActivating);
    itsLoadingForm = new TEngineLoadingForm(parent != nullptr ? parent : this);
    itsRunner->SetLoadingObserver([this](bool loading) { ShowLoading(loading); });
    MakeControls();
    LoadTexts();

    itsPollTimer = new QTimer(this);
    itsPollTimer->setObjectName("PollTimer");
    itsPollTimer->setInterval(kPollIntervalMs);
    connect(itsPollTimer, &QTimer::timeout, this, [this] { RunCommand([this] { PollTick(); }); });
    itsPollTimer->start();

    ApplyStoredBounds();
    Redraw();
}

TEngineWindow::~TEngineWindow() {
    // The engine goes with its window: "quit", and it is ended if it does not listen.
    itsRunner->StopEngine();
}

void TEngineWindow::MakeControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);

    // The sign and the line, the line the engine thought before under it.
    auto* lineRow = new QHBoxLayout;
    itsRateSign = new QLabel(this);
    itsRateSign->setObjectName("RateSign");
    itsRateSign->setAlignment(Qt::AlignCenter);
    QFont big = itsRateSign->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    itsRateSign->setFont(big);
    itsRateSign->setMinimumWidth(itsRateSign->fontMetrics().horizontalAdvance(QStringLiteral("+\u2212")) + 8);
    lineRow->addWidget(itsRateSign, 0, Qt::AlignTop);
    auto* memos = new QVBoxLayout;
    itsLine = Memo(this, "LineMemo", 3);
    itsPreviousLine = Memo(this, "PreviousLineMemo", 2);
    itsPreviousLine->setForegroundRole(QPalette::PlaceholderText);
    memos->addWidget(itsLine);
    memos->addWidget(itsPreviousLine);
    lineRow->addLayout(memos, 1);
    layout->addLayout(lineRow);

    // Search statistics: a caption over each number.
    auto* stats = new QGridLayout;
    stats->setHorizontalSpacing(14);
    stats->setVerticalSpacing(0);
    itsNodesCaption = Caption(this);
    itsSecondsCaption = Caption(this);
    itsNodesPerSecondCaption = Caption(this);
    itsDepthCaption = Caption(this);
    itsNodes = Value(this, "NodesLabel");
    itsSeconds = Value(this, "SecondsLabel");
    itsNodesPerSecond = Value(this, "NodesPerSecondLabel");
    itsDepth = Value(this, "DepthLabel");
    const std::pair<QLabel*, QLabel*> columns[] = {{itsDepthCaption, itsDepth},
                                                   {itsNodesCaption, itsNodes},
                                                   {itsNodesPerSecondCaption, itsNodesPerSecond},
                                                   {itsSecondsCaption, itsSeconds}};
    int column = 0;
    for (const auto& [caption, value] : columns) {
        stats->addWidget(caption, 0, column);
        stats->addWidget(value, 1, column);
        ++column;
    }
    stats->setColumnStretch(column, 1);
    layout->addLayout(stats);

    // Who the engine is.
    auto* about = new QGridLayout;
    about->setHorizontalSpacing(8);
    about->setVerticalSpacing(2);
    itsProgramNameCaption = Caption(this);
    itsProgramName = Value(this, "ProgramNameLabel");
    itsAuthorCaption = Caption(this);
    itsAuthor = Value(this, "AuthorLabel");
    itsVersionCaption = Caption(this);
    itsVersion = Value(this, "VersionLabel");
    itsNicknameCaption = Caption(this);
    itsNickname = new QLineEdit(this);
    itsNickname->setObjectName("NicknameEdit");
    itsNickname->setMaxLength(40);
    connect(itsNickname, &QLineEdit::textEdited, this,
            [this](const QString& text) { itsSession->SetEngineNickname(text.toStdString()); });
    itsConnected = Value(this, "ConnectedLabel");
    about->addWidget(itsProgramNameCaption, 0, 0);
    about->addWidget(itsProgramName, 0, 1);
    about->addWidget(itsVersionCaption, 0, 2);
    about->addWidget(itsVersion, 0, 3);
    about->addWidget(itsAuthorCaption, 1, 0);
    about->addWidget(itsAuthor, 1, 1, 1, 3);
    about->addWidget(itsNicknameCaption, 2, 0);
    about->addWidget(itsNickname, 2, 1);
    about->addWidget(itsConnected, 2, 2, 1, 2, Qt::AlignRight);
    about->setColumnStretch(1, 1);
    layout->addLayout(about);

    // Lines a Winboard engine wrote that meant nothing to us: kept, not shown.
    itsIterations = Value(this, "IterationsLabel");
    itsIterations->hide();
    layout->addWidget(itsIterations);

    auto* buttons = new QHBoxLayout;
    itsAppendNodeCount = new QCheckBox(this);
    itsAppendNodeCount->setObjectName("AppendNodeCountBox");
    connect(itsAppendNodeCount, &QCheckBox::toggled, this, [this](bool on) {
        if (IsUci())
            itsSettings.SetUciAppendNodeCount(on);
        else
            itsSettings.SetWinboardAppendNodeCount(on);
        emit AppendNodeCountChanged(on);
    });
    buttons->addWidget(itsAppendNodeCount);
    buttons->addStretch(1);
    itsResetButton = new QPushButton(this);
    itsResetButton->setObjectName("ResetButton");
    connect(itsResetButton, &QPushButton::clicked, this, [this] {
        RunCommand([this] {
            itsRunner->ResetEngine();
            Redraw();
        });
    });
    buttons->addWidget(itsResetButton);
    itsHideButton = new QPushButton(this);
    itsHideButton->setObjectName("HideButton");
    connect(itsHideButton, &QPushButton::clicked, this, &QWidget::hide);
    buttons->addWidget(itsHideButton);
    layout->addLayout(buttons);

    // Talking to the engine by hand.
    auto* command = new QHBoxLayout;
    itsCommandEdit = new QLineEdit(this);
    itsCommandEdit->setObjectName("CommandEdit");
    itsSendButton = new QPushButton(this);
    itsSendButton->setObjectName("SendButton");
    auto send = [this] {
        RunCommand([this] {
            const std::string text = itsCommandEdit->text().toStdString();
            if (!text.empty() && itsRunner->IsEngineRunning()) itsRunner->SendLine(text);
        });
    };
    connect(itsSendButton, &QPushButton::clicked, this, send);
    connect(itsCommandEdit, &QLineEdit::returnPressed, this, send);
    command->addWidget(itsCommandEdit, 1);
    command->addWidget(itsSendButton);
    layout->addLayout(command);
    ShowCommandLine(false);
}

void TEngineWindow::LoadTexts() {
    itsNodesCaption->setText(Text(621));
    itsNodesPerSecondCaption->setText(Text(622));
    itsSecondsCaption->setText(Text(623));
    itsDepthCaption->setText(Text(624));
    itsNodes->setToolTip(Text(621));
    itsNodesPerSecond->setToolTip(Text(622));
    itsSeconds->setToolTip(Text(623));
    itsDepth->setToolTip(Text(624));
    itsHideButton->setText(Text(648));
    itsSendButton->setText(Text(650));
    itsProgramNameCaption->setText(Text(649));
    itsAuthorCaption->setText(Text(1724));
    itsNicknameCaption->setText(Text(1725));
    itsAppendNodeCount->setText(Text(652));
    itsResetButton->setText(Text(1723));
    itsVersionCaption->setText(Text(651));
    itsResetButton->setVisible(IsUci());
    itsVersionCaption->setVisible(!IsUci());
    itsVersion->setVisible(!IsUci());
}

void TEngineWindow::ShowCommandLine(bool visible) {
    itsCommandEdit->setVisible(visible);
    itsSendButton->setVisible(visible);
}

void TEngineWindow::ApplySettings() {
    itsSession->SetOptions(EngineOptionsFromSettings(itsSettings, IsUci()));
    // The best line is written with the user's piece letters, as typed moves are read.
    itsSession->SetEnginePieceLetters(itsSettings.KingLetter(), itsSettings.QueenLetter(),
                                      itsSettings.RookLetter(), itsSettings.BishopLetter(),
                                      itsSettings.KnightLetter());
    const QSignalBlocker blocker(itsAppendNodeCount);
    const bool append = IsUci() ? itsSettings.UciAppendNodeCount() : itsSettings.WinboardAppendNodeCount();
    itsAppendNodeCount->setChecked(append);
    emit AppendNodeCountChanged(append);
    Redraw();
}

void TEngineWindow::SetNickname(const std::string& nickname) {
    itsSession->SetEngineNickname(nickname);
    Redraw();
}

void TEngineWindow::Redraw() {
    const TEngineDisplay& display = itsSession->Display();
    const QString title = display.itsCaption.empty() ? Text(IsUci() ? 1726 : 1727) : Q(display.itsCaption);
    if (windowTitle() != title) setWindowTitle(title);
    const QString sign = RateSignText(display.itsRateGlyph);
    if (itsRateSign->text() != sign) itsRateSign->setText(sign);
    SetMemo(itsLine, display.itsLine);
    SetMemo(itsPreviousLine, display.itsPreviousLine);
    SetLabel(itsNodes, display.itsNodes);
    SetLabel(itsSeconds, display.itsSeconds);
    SetLabel(itsNodesPerSecond, display.itsNodesPerSecond);
    SetLabel(itsDepth, display.itsDepth);
    SetLabel(itsProgramName, display.itsProgramName);
    SetLabel(itsAuthor, display.itsAuthor);
    SetLabel(itsVersion, display.itsVersion);
    SetLabel(itsConnected, display.itsConnected);
    SetLabel(itsIterations, display.itsIterations);
    if (!itsNickname->hasFocus() && itsNickname->text() != Q(display.itsNickname))
        itsNickname->setText(Q(display.itsNickname));
}

void TEngineWindow::PollTick() {
    if (!itsRunner->IsEngineRunning()) return;
    itsRunner->Poll();
    Redraw();
}

void TEngineWindow::ShowLoading(bool loading) {
    if (loading) {
        Redraw();
        itsLoadingForm->ShowLoading(itsRunner->Path(), LoadMessage(IsUci() ? 1726 : 1727));
    } else {
        itsLoadingForm->hide();
        Redraw();
    }
}

// ---- Place on the screen

void TEngineWindow::ApplyStoredBounds() {
    // Left and top are the frame's, as move() takes them; width and height the window's own.
    itsPlacing = true;
    if (IsUci()) {
        move(itsSettings.UciWindowLeft(), itsSettings.UciWindowTop());
        resize(itsSettings.UciWindowWidth(), itsSettings.UciWindowHeight());
    } else {
        move(itsSettings.WinboardWindowLeft(), itsSettings.WinboardWindowTop());
        resize(itsSettings.WinboardWindowWidth(), itsSettings.WinboardWindowHeight());
    }
    itsPlacing = false;
}

void TEngineWindow::StoreBounds() {
    if (itsPlacing || !itsBoundsApplied) return;
    const QRect bounds(pos(), size());
    if (IsUci()) {
        itsSettings.SetUciWindowLeft(bounds.left());
        itsSettings.SetUciWindowTop(bounds.top());
        itsSettings.SetUciWindowWidth(bounds.width());
        itsSettings.SetUciWindowHeight(bounds.height());
    } else {
        itsSettings.SetWinboardWindowLeft(bounds.left());
        itsSettings.SetWinboardWindowTop(bounds.top());
        itsSettings.SetWinboardWindowWidth(bounds.width());
        itsSettings.SetWinboardWindowHeight(bounds.height());
    }
}

void TEngineWindow::showEvent(QShowEvent* event) {
    if (!itsBoundsApplied) {
        // The stored place the first time the window shows; the texts of the language in use.
        LoadTexts();
        ApplyStoredBounds();
        itsBoundsApplied = true;
    }
    Redraw();
    QWidget::showEvent(event);
}

void TEngineWindow::hideEvent(QHideEvent* event) {
    StoreBounds();
    QWidget::hideEvent(event);
}

void TEngineWindow::resizeEvent(QResizeEvent* event) {
    if (isVisible()) StoreBounds();
    QWidget::resizeEvent(event);
}

void TEngineWindow::moveEvent(QMoveEvent* event) {
    if (isVisible()) StoreBounds();
    QWidget::moveEvent(event);
}

void TEngineWindow::closeEvent(QCloseEvent* event) {
    // Closing the window ends its engine; Hide Window is the way to keep it running unseen.
    itsRunner->StopEngine();
    Redraw();
    QWidget::closeEvent(event);
    emit Closed();
}

// ---- The two kinds

TUCIEngineWindow::TUCIEngineWindow(TSettings& settings, QWidget* parent)
    : TEngineWindow(settings,
                    std::make_unique<TUciSession>(EngineOptionsFromSettings(settings, true), nullptr),
                    TEngineProtocol::kUci, parent) {
    setObjectName("UCIEngineWindow");
    ApplySettings();
}

TWinboardEngineWindow::TWinboardEngineWindow(TSettings& settings, QWidget* parent)
    : TEngineWindow(settings,
                    std::make_unique<TWinboardSession>(EngineOptionsFromSettings(settings, false), nullptr),
                    TEngineProtocol::kWinboard, parent) {
    setObjectName("WinboardEngineWindow");
    ApplySettings();
}

} // namespace marvek::gui
