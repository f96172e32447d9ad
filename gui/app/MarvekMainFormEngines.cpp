// The main window's engines: the two engine windows, the engine button and the play buttons, and
// the link through which the book windows reach the running engines.
#include <QAction>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>

#include <functional>

#include "app/HelpWindow.h"
#include "app/MarvekMainForm.h"
#include "app/Settings.h"
#include "app/UserInterface.h"
#include "bookwindow/BookWindow.h"
#include "engines/EngineSettingsDialog.h"
#include "engines/EngineWindow.h"

namespace marvek::gui {

namespace {

// A tool button answers only the left button; the middle and any extra buttons of a mouse open the
// engine settings here, as the right button does through the context menu.
class TOtherButtonFilter : public QObject {
public:
    TOtherButtonFilter(QObject* parent, std::function<void()> click)
        : QObject(parent), itsClick(std::move(click)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
            return QObject::eventFilter(watched, event);
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton)
            return QObject::eventFilter(watched, event);
        if (event->type() == QEvent::MouseButtonRelease) itsClick();
        return true;
    }

private:
    std::function<void()> itsClick;
};

} // namespace

void TMarvekMainForm::MakeEngines() {
    // Made after the settings are loaded: their place and startup commands come from them.
    itsUciWindow = new TUCIEngineWindow(Settings(), this);
    itsWinboardWindow = new TWinboardEngineWindow(Settings(), this);
    itsEngineLink = std::make_unique<TEngineBookLink>(&itsUciWindow->Runner(), &itsWinboardWindow->Runner());
    itsEngineButton =
        std::make_unique<TEngineButton>(*this, itsUciWindow->Runner(), itsWinboardWindow->Runner());
    for (TEngineWindow* window :
         {static_cast<TEngineWindow*>(itsUciWindow), static_cast<TEngineWindow*>(itsWinboardWindow)}) {
        connect(window, &TEngineWindow::AppendNodeCountChanged, this, [this, window](bool append) {
            itsEngineLink->SetAppendNodeCount(window->Protocol(), append);
        });
        connect(window, &TEngineWindow::Closed, this,
                [this] { ShowPlayButtons(itsEngineLink->AnyRunning()); });
    }
    ApplyEnginePreferences();

    // The engine button: the left button starts, shows or stops; any other opens the settings.
    connect(Action("WinboardEngineSpeedButton"), &QAction::triggered, this,
            [this] { Guarded([this] { itsEngineButton->LeftClick(); }); });
    if (QWidget* button = itsSpeedBar->widgetForAction(Action("WinboardEngineSpeedButton"))) {
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this,
                [this] { Guarded([this] { itsEngineButton->OtherClick(); }); });
        button->installEventFilter(
            new TOtherButtonFilter(button, [this] { Guarded([this] { itsEngineButton->OtherClick(); }); }));
    }
    connect(Action("PlayEngineMoveSpeedButton"), &QAction::triggered, this,
            [this] { Guarded([this] { PlayEngineMoveItemClick(); }); });
    connect(Action("PlayEngineLineSpeedButton"), &QAction::triggered, this,
            [this] { Guarded([this] { PlayBestLineItemClick(); }); });
    ShowPlayButtons(false);
}

TEngineWindow* TMarvekMainForm::EngineWindow(TEngineProtocol protocol) const {
    if (protocol == TEngineProtocol::kUci) return itsUciWindow;
    return itsWinboardWindow;
}

void TMarvekMainForm::ApplyEnginePreferences() {
    itsUciWindow->ApplySettings();
    itsWinboardWindow->ApplySettings();
}

void TMarvekMainForm::SaveEngineWindows() {
    if (itsUciWindow == nullptr) return;
    itsUciWindow->StoreBounds();
    itsWinboardWindow->StoreBounds();
    Settings().SetUciEngineName(itsUciWindow->Session().EngineNickname());
    Settings().SetWinboardEngineName(itsWinboardWindow->Session().EngineNickname());
}

void TMarvekMainForm::StopEngines() {
    for (TEngineWindow* window :
         {static_cast<TEngineWindow*>(itsUciWindow), static_cast<TEngineWindow*>(itsWinboardWindow)}) {
        if (window == nullptr) continue;
        window->Runner().StopEngine();
        window->hide();
    }
}

// ---- Commands

void TMarvekMainForm::AnalysisEngineItemClick() {
    itsEngineButton->LeftClick();
}

void TMarvekMainForm::EngineSettingsItemClick() {
    itsEngineButton->OtherClick();
}

void TMarvekMainForm::PlayEngineMoveItemClick() {
    if (TBookWindow* active = itsFrame->ActiveBookWindow()) active->PlayEnginesMove();
}

void TMarvekMainForm::PlayBestLineItemClick() {
    if (TBookWindow* active = itsFrame->ActiveBookWindow()) active->PlayBestLine();
}

// ---- TEngineButtonHost

TEngineProtocol TMarvekMainForm::ChosenProtocol() {
    return Settings().EngineKind() == kUciEngineType ? TEngineProtocol::kUci : TEngineProtocol::kWinboard;
}

std::string TMarvekMainForm::EngineCommand(TEngineProtocol protocol) {
    return protocol == TEngineProtocol::kUci ? Settings().UciEnginePath() : Settings().WinboardEnginePath();
}

std::string TMarvekMainForm::TablebaseFolder() {
    return Settings().TablebaseFolder();
}

bool TMarvekMainForm::IsEngineWindowVisible(TEngineProtocol protocol) {
    return EngineWindow(protocol)->isVisible();
}

void TMarvekMainForm::ShowEngineWindow(TEngineProtocol protocol, bool visible) {
    TEngineWindow* window = EngineWindow(protocol);
    if (!visible) {
        window->hide();
        return;
    }
    window->show();
    window->raise();
}

void TMarvekMainForm::ShowPlayButtons(bool visible) {
    for (const char* name : {"PlayEngineMoveSpeedButton", "PlayEngineLineSpeedButton"})
        Action(name)->setVisible(visible);
    for (const char* name : {"PlayEngineMoveItem", "PlayBestLineItem"}) Action(name)->setEnabled(visible);
}

void TMarvekMainForm::AnalysisStarted() {
    // The active book window's delayed refresh sends its position to the engines that run.
    if (TBookWindow* active = itsFrame->ActiveBookWindow()) active->DelayedRefresh();
}

void TMarvekMainForm::ShowMessage(const std::string& text) {
    UserInterface().ShowMessage(text);
}

void TMarvekMainForm::RunEngineSettingsDialog() {
    TEngineSettingsDialog dialog(Settings(), itsWinboardWindow->Session().EngineNickname(),
                                 itsUciWindow->Session().EngineNickname(), this);
    connect(&dialog, &TEngineSettingsDialog::HelpRequested, this,
            [] { THelpWindow::Instance().ShowSearch(QStringLiteral("Engine")); });
    const bool ok = ExecEngineSettingsDialog(dialog);
    ApplyEnginePreferences();
    if (ok) {
        itsWinboardWindow->SetNickname(dialog.Editor().WinboardNickname());
        itsUciWindow->SetNickname(dialog.Editor().UciNickname());
    }
}

bool TMarvekMainForm::ExecEngineSettingsDialog(TEngineSettingsDialog& dialog) {
    return dialog.Execute();
}

} // namespace marvek::gui
