// The main window: menus, speed buttons, child windows, timers, and the view side of TMainFrame.
#include "app/MarvekMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "app/CommandGuard.h"
#include "app/ProgressDialog.h"
#include "app/Settings.h"
#include "app/SingleInstance.h"
#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/BookWindowForm.h"
#include "bookwindow/CommentWindow.h"

namespace marvek::gui {

namespace {

QString Text(int number) {
    return QString::fromStdString(LoadMessage(number));
}

// The delayed refresh waits this long after a change of position (the book window starts it).
constexpr int kDelayedRefreshMs = 400;

struct TSpeedButton {
    const char* itsName;
    int itsHintNr;
    QStyle::StandardPixmap itsIcon;
};

constexpr TSpeedButton kSpeedButtons[] = {
    {"OpenBookSpeedButton", 1700, QStyle::SP_DialogOpenButton},
    {"CloseBookSpeedButton", 1701, QStyle::SP_DialogCloseButton},
    {"ExitSpeedButton", 1702, QStyle::SP_DialogCancelButton},
    {"HelpSpeedButton", 1703, QStyle::SP_DialogHelpButton},
    {"WinboardEngineSpeedButton", 1720, QStyle::SP_ComputerIcon},
    {"PlayEngineMoveSpeedButton", 1721, QStyle::SP_MediaPlay},
    {"PlayEngineLineSpeedButton", 1722, QStyle::SP_MediaSeekForward},
};

} // namespace

TMarvekMainForm::TMarvekMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MarvekMainForm");
    setWindowTitle(QStringLiteral("Marvek"));

    itsMdiArea = new QMdiArea(this);
    itsMdiArea->setObjectName("MdiArea");
    itsMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    itsMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(itsMdiArea);
    connect(itsMdiArea, &QMdiArea::subWindowActivated, this, &TMarvekMainForm::SubWindowActivated);

    itsNoBookHint = new QLabel(itsMdiArea);
    itsNoBookHint->setObjectName("NoBookHint");
    itsNoBookHint->setAlignment(Qt::AlignCenter);
    itsNoBookHint->setTextFormat(Qt::PlainText);
    itsNoBookHint->setStyleSheet(QStringLiteral("color: palette(light); font-size: 13pt;"));
    itsMdiArea->installEventFilter(this);

    itsLoadingBookPanel = new QLabel(itsMdiArea);
    itsLoadingBookPanel->setObjectName("LoadingBookPanel");
    itsLoadingBookPanel->setAlignment(Qt::AlignCenter);
    itsLoadingBookPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    itsLoadingBookPanel->setLineWidth(2);
    itsLoadingBookPanel->setAutoFillBackground(true);
    itsLoadingBookPanel->setMargin(16);
    itsLoadingBookPanel->hide();

    itsDelayedRefreshTimer = new QTimer(this);
    itsDelayedRefreshTimer->setObjectName("DelayedRefreshTimer");
    itsDelayedRefreshTimer->setInterval(kDelayedRefreshMs);
    connect(itsDelayedRefreshTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { itsFrame->DelayedRefreshTimerTimer(); }); });
    itsTrainingTimer = new QTimer(this);
    itsTrainingTimer->setObjectName("TrainingTimer");
    connect(itsTrainingTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { itsFrame->TrainingTimerTimer(); }); });

    MakeMenus();
    MakeSpeedButtons();
    // One long operation at a time: its progress dialog holds the program until it ends.
    connect(&TProgressNotifier::Instance(), &TProgressNotifier::BusyChanged, this,
            [this](bool busy) { SetCommandsEnabled(!busy); });

    itsFrame = std::make_unique<TMainFrame>(*this, Settings());
    Guarded([this] { itsFrame->Create(); });
    // Made after the settings are loaded: its place and font come from them.
    itsCommentWindow = new TCommentWindow(Settings(), this);
    itsCommentWindow->SetFocusLostHandler([this] {
        Guarded([this] {
            if (TBookWindow* active = itsFrame->ActiveBookWindow()) active->CommentFocusLost();
        });
    });
    MakeEngines();
    LoadMenuTexts();
    itsLoadingBookPanel->setText(Text(1704));
    ApplyGeometry(itsFrame->InitialGeometry());
    UpdateMenuItems(false);
}

TMarvekMainForm::~TMarvekMainForm() {
    StopEngines();
    // Children first: their book windows belong to the frame.
    for (QMdiSubWindow* subWindow : itsSubWindows) delete subWindow;
    itsSubWindows.clear();
    if (itsFrame) itsFrame->Destroy();
}

void TMarvekMainForm::Guarded(const std::function<void()>& command) {
    RunCommand(command);
}

// ---- Menus and speed buttons

void TMarvekMainForm::MakeMenus() {
#define MAIN_MENU(Menu, captionNr)                                                                           \
    {                                                                                                        \
        QMenu* menu = menuBar()->addMenu(QString());                                                         \
        menu->setObjectName(#Menu);                                                                          \
        itsMenus.insert(#Menu, menu);                                                                        \
    }
#define MAIN_COMMAND(Name, Menu, captionNr)                                                                  \
    {                                                                                                        \
        QAction* action = itsMenus.value(#Menu)->addAction(QString());                                       \
        action->setObjectName(#Name);                                                                        \
        itsActions.insert(#Name, action);                                                                    \
        connect(action, &QAction::triggered, this, [this] { Guarded([this] { Name##Click(); }); });          \
    }
#define MAIN_SEPARATOR(Menu) itsMenus.value(#Menu)->addSeparator();
#include "app/MainFormCommands.def"
}

void TMarvekMainForm::MakeSpeedButtons() {
    itsSpeedBar = addToolBar(QString());
    itsSpeedBar->setObjectName("SpeedBar");
    itsSpeedBar->setMovable(false);
    itsSpeedBar->setIconSize(QSize(24, 24));
    // The hint beside each icon, so a newcomer reads what each button does.
    itsSpeedBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const TSpeedButton& button : kSpeedButtons) {
        QAction* action = itsSpeedBar->addAction(style()->standardIcon(button.itsIcon), QString());
        action->setObjectName(button.itsName);
        itsActions.insert(button.itsName, action);
    }
    connect(Action("OpenBookSpeedButton"), &QAction::triggered, this,
            [this] { Guarded([this] { FileOpenItemClick(); }); });
    connect(Action("CloseBookSpeedButton"), &QAction::triggered, this,
            [this] { Guarded([this] { FileCloseItemClick(); }); });
    connect(Action("ExitSpeedButton"), &QAction::triggered, this,
            [this] { Guarded([this] { FileExitItemClick(); }); });
    connect(Action("HelpSpeedButton"), &QAction::triggered, this,
            [this] { Guarded([this] { Contents1Click(); }); });
}

void TMarvekMainForm::LoadMenuTexts() {
#define MAIN_MENU(Menu, captionNr) itsMenus.value(#Menu)->setTitle(Text(captionNr));
#define MAIN_COMMAND(Name, Menu, captionNr)                                                                  \
    itsActions.value(#Name)->setText(Text(captionNr));                                                       \
    itsActions.value(#Name)->setShortcut(QKeySequence::fromString(Text(captionNr + 1)));
#include "app/MainFormCommands.def"
    for (const TSpeedButton& button : kSpeedButtons) {
        QAction* action = Action(button.itsName);
        action->setText(Text(button.itsHintNr));
    }
    SetShowHints(itsShowHints);
    // What to do when no book is open, in the menus' own words.
    const QString file = QString(Text(1000)).remove('&');
    itsNoBookHint->setText(
        tr("No book is open.\n\n%1 > %2 (%3) makes a new book.\n%1 > %4 (%5) opens a book.")
            .arg(file, QString(Text(1001)).remove('&'), Text(1002), QString(Text(1003)).remove('&'),
                 Text(1004)));
}

QAction* TMarvekMainForm::Action(const QString& name) const {
    return itsActions.value(name);
}

QMenu* TMarvekMainForm::Menu(const QString& name) const {
    return itsMenus.value(name);
}

void TMarvekMainForm::SetShowHints(bool show) {
    itsShowHints = show;
    for (const TSpeedButton& button : kSpeedButtons) {
        QAction* action = Action(button.itsName);
        action->setToolTip(show ? Text(button.itsHintNr) : QString());
        action->setStatusTip(show ? Text(button.itsHintNr) : QString());
    }
}

void TMarvekMainForm::UpdateMenuItems(bool haveBookWindows) {
    itsHaveBookWindows = haveBookWindows;
    itsNoBookHint->setVisible(!haveBookWindows);
    for (const char* name : {"FileCloseItem", "CloseBookSpeedButton", "WindowCascadeItem", "WindowTileItem",
                             "WindowArrangeItem", "WindowMinimizeItem"})
        Action(name)->setEnabled(haveBookWindows);
    // The book windows bring their own editing commands.
    for (const char* name : {"CutItem", "CopyItem", "PasteItem"}) Action(name)->setEnabled(false);
}

void TMarvekMainForm::SetCommandsEnabled(bool enabled) {
    menuBar()->setEnabled(enabled);
    itsSpeedBar->setEnabled(enabled);
    itsMdiArea->setEnabled(enabled);
}

// ---- Geometry

void TMarvekMainForm::ApplyGeometry(const TWindowGeometry& geometry) {
    if (geometry.itsWidth > 0 && geometry.itsHeight > 0)
        setGeometry(geometry.itsLeft, geometry.itsTop, geometry.itsWidth, geometry.itsHeight);
    switch (geometry.itsState) {
    case TWindowState::kMaximized: setWindowState(Qt::WindowMaximized); break;
    case TWindowState::kMinimized: setWindowState(Qt::WindowMinimized); break;
    case TWindowState::kNormal: setWindowState(Qt::WindowNoState); break;
    }
}

TWindowGeometry TMarvekMainForm::MainWindowGeometry() const {
    TWindowGeometry geometry;
    const QRect bounds = geometry.itsState == TWindowState::kNormal ? this->geometry() : normalGeometry();
    geometry.itsLeft = bounds.left();
    geometry.itsTop = bounds.top();
    geometry.itsWidth = bounds.width();
    geometry.itsHeight = bounds.height();
    if (windowState() & Qt::WindowMinimized)
        geometry.itsState = TWindowState::kMinimized;
    else if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        geometry.itsState = TWindowState::kMaximized;
    return geometry;
}

// ---- Start and end

void TMarvekMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The first activation's work runs once the window is on the screen, from the event loop.
    if (!itsFrame->FirstActivationDone()) QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TMarvekMainForm::FormActivate() {
    if (itsFrame->FirstActivationDone()) return;
    LoadMenuTexts();
    std::vector<std::string> arguments;
    for (const QString& argument : itsArguments) arguments.push_back(argument.toStdString());
    Guarded([&] { itsFrame->FirstActivation(arguments); });
    ApplyEnginePreferences();
}

void TMarvekMainForm::ActivationRequested(const QStringList& bookArguments) {
    TSingleInstance::BringToFront(this);
    std::vector<std::string> arguments;
    for (const QString& argument : bookArguments) arguments.push_back(argument.toStdString());
    Guarded([&] { itsFrame->OpenBooksFromArguments(arguments); });
}

void TMarvekMainForm::closeEvent(QCloseEvent* event) {
    if (TProgressDialog::AnyRunning()) {
        UserInterface().ShowMessage(kStopRunningOperationFirst);
        event->ignore();
        return;
    }
    SaveEngineWindows();
    Guarded([this] { itsFrame->Shutdown(); });
    // No engine outlives the program.
    StopEngines();
    event->accept();
}

void TMarvekMainForm::EnableTimers(bool enabled) {
    if (enabled) {
        itsDelayedRefreshTimer->start();
        itsTrainingTimer->start();
    } else {
        itsDelayedRefreshTimer->stop();
        itsTrainingTimer->stop();
    }
}

// ---- Book windows

void TMarvekMainForm::AddBookWindow(TBookWindow& window, const std::string& caption) {
    window.SetCommentBuffer(itsCommentWindow);
    // The window sends each position to the running engines after its delayed refresh.
    window.SetEngineLink(itsEngineLink.get());
    auto* form = new TBookWindowForm(window);
    QMdiSubWindow* subWindow = itsMdiArea->addSubWindow(form);
    subWindow->setAttribute(Qt::WA_DeleteOnClose, false);
    subWindow->setWindowTitle(QString::fromStdString(caption));
    subWindow->setWindowIcon(windowIcon());
    subWindow->installEventFilter(this);
    itsSubWindows.insert(&window, subWindow);
    subWindow->show();
    itsMdiArea->setActiveSubWindow(subWindow);
    // A new book has the keyboard in its candidate list (its commands' shortcuts work from there),
    // also when the main window gets the focus only later.
    form->CandidateList()->setFocus();
    // The active window is known to the frame before the book opens into it.
    itsFrame->BookWindowActivated(&window);
}

void TMarvekMainForm::RemoveBookWindow(TBookWindow& window) {
    QMdiSubWindow* subWindow = itsSubWindows.take(&window);
    if (subWindow == nullptr) return;
    itsRemovingChild = true;
    itsMdiArea->removeSubWindow(subWindow);
    itsRemovingChild = false;
    subWindow->removeEventFilter(this);
    // The form must not outlive its book window, which the frame destroys next.
    delete subWindow;
    SubWindowActivated(itsMdiArea->activeSubWindow());
}

void TMarvekMainForm::ActivateBookWindow(TBookWindow& window) {
    QMdiSubWindow* subWindow = SubWindowOf(window);
    if (subWindow == nullptr) return;
    if (subWindow->isMinimized()) subWindow->showNormal();
    itsMdiArea->setActiveSubWindow(subWindow);
    subWindow->raise();
}

QMdiSubWindow* TMarvekMainForm::SubWindowOf(const TBookWindow& window) const {
    return itsSubWindows.value(&window);
}

void TMarvekMainForm::SubWindowActivated(QMdiSubWindow* subWindow) {
    if (!itsFrame) return;
    TBookWindow* active = nullptr;
    for (auto it = itsSubWindows.cbegin(); it != itsSubWindows.cend(); ++it)
        if (it.value() == subWindow) active = const_cast<TBookWindow*>(it.key());
    // Qt reports no active child while the main window itself is inactive; the frame keeps the
    // last one then, as the active child of an inactive frame is still the one commands act on.
    if (active == nullptr && subWindow == nullptr && !itsSubWindows.isEmpty()) {
        const QList<QMdiSubWindow*> order = itsMdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
        for (auto it = order.crbegin(); it != order.crend() && active == nullptr; ++it)
            for (auto sub = itsSubWindows.cbegin(); sub != itsSubWindows.cend(); ++sub)
                if (sub.value() == *it) active = const_cast<TBookWindow*>(sub.key());
    }
    itsFrame->BookWindowActivated(active);
}

bool TMarvekMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == itsMdiArea && event->type() == QEvent::Resize)
        itsNoBookHint->setGeometry(itsMdiArea->rect());
    if (event->type() == QEvent::Close && !itsRemovingChild) {
        for (auto it = itsSubWindows.cbegin(); it != itsSubWindows.cend(); ++it) {
            if (it.value() != watched) continue;
            // The frame closes the book and then takes the child away itself.
            event->ignore();
            TBookWindow* window = const_cast<TBookWindow*>(it.key());
            QTimer::singleShot(0, this, [this, window] {
                if (itsSubWindows.contains(window)) Guarded([&] { itsFrame->CloseBookWindow(*window); });
            });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMarvekMainForm::ShowCommentWindow() {
    itsCommentWindow->show();
    itsCommentWindow->raise();
}

void TMarvekMainForm::HideCommentWindow() {
    itsCommentWindow->Clear();
    itsCommentWindow->hide();
}

void TMarvekMainForm::ShowLoadingPanel(bool visible) {
    if (visible) {
        itsLoadingBookPanel->adjustSize();
        const QSize size = itsLoadingBookPanel->size().expandedTo(QSize(220, 60));
        itsLoadingBookPanel->resize(size);
        itsLoadingBookPanel->move((itsMdiArea->width() - size.width()) / 2,
                                  (itsMdiArea->height() - size.height()) / 2);
        itsLoadingBookPanel->raise();
        itsLoadingBookPanel->show();
    } else {
        itsLoadingBookPanel->hide();
    }
}

void TMarvekMainForm::ProcessPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- Commands

void TMarvekMainForm::FileNewItemClick() {
    itsFrame->NewBook();
}

void TMarvekMainForm::FileOpenItemClick() {
    itsFrame->OpenBook();
}

void TMarvekMainForm::FileCloseItemClick() {
    itsFrame->CloseBook();
}

void TMarvekMainForm::FileExitItemClick() {
    close();
}

void TMarvekMainForm::CutItemClick() {}
void TMarvekMainForm::CopyItemClick() {}
void TMarvekMainForm::PasteItemClick() {}

void TMarvekMainForm::EditPreferencesItemClick() {
    const bool ok = RunPreferencesDialog();
    itsFrame->PreferencesClosed(ok);
    if (ok) {
        itsCommentWindow->ApplyPreferences();
        ApplyEnginePreferences();
    }
}

void TMarvekMainForm::WindowCascadeItemClick() {
    itsMdiArea->cascadeSubWindows();
}

void TMarvekMainForm::WindowTileItemClick() {
    itsMdiArea->tileSubWindows();
}

void TMarvekMainForm::WindowArrangeItemClick() {
    // Minimised children in a row along the bottom of the area, left to right.
    int left = 0;
    for (QMdiSubWindow* subWindow : itsMdiArea->subWindowList()) {
        if (!subWindow->isMinimized()) continue;
        const QSize size = subWindow->size();
        if (left > 0 && left + size.width() > itsMdiArea->viewport()->width()) left = 0;
        subWindow->move(left, itsMdiArea->viewport()->height() - size.height());
        left += size.width();
    }
}

void TMarvekMainForm::WindowMinimizeItemClick() {
    const QList<QMdiSubWindow*> children = itsMdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = children.crbegin(); it != children.crend(); ++it) (*it)->showMinimized();
}

void TMarvekMainForm::Contents1Click() {
    ShowHelpContext(0);
}

void TMarvekMainForm::About1Click() {
    ShowAboutBox();
}

} // namespace marvek::gui
