// The book window's menus, buttons and keys, its popup menus, and the take-back menu.
#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>

#include "app/StringTable.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/BookWindowForm.h"
#include "bookwindow/BookWindowFormDialogs.h"
#include "bookwindow/CommentWindow.h"
#include "diagram/ChessDiagram2D.h"
#include "diagram/DiagramMenu.h"
#include "pgn/PGNCommands.h"

namespace marvek::gui {

namespace {

QString Text(int number) {
    return QString::fromStdString(LoadMessage(number));
}

struct TGoButton {
    const char* itsAction;
    int itsHintNr;
    QStyle::StandardPixmap itsIcon;
};

constexpr TGoButton kGoButtons[] = {
    {"BackToStartItem", 2190, QStyle::SP_MediaSkipBackward},
    {"LastBranchItem", 2191, QStyle::SP_MediaSeekBackward},
    {"BackOnePlyItem", 2192, QStyle::SP_ArrowBack},
    {"ForwardOnePlyItem", 2193, QStyle::SP_ArrowForward},
    {"NextBranchItem", 2194, QStyle::SP_MediaSeekForward},
};

// The Candidate menu's items that need a candidate, and the symbol items.
bool IsSymbolItem(const QString& name) {
    return name.startsWith("Symbol");
}

} // namespace

void TBookWindowForm::MakeCommands() {
    QHash<QString, QMenu*> menus;
#define BOOK_MENU(Menu, captionNr)                                                                           \
    {                                                                                                        \
        QMenu* menu = itsMenuBar->addMenu(Text(captionNr));                                                  \
        menu->setObjectName(#Menu "Menu");                                                                   \
        menus.insert(#Menu, menu);                                                                           \
    }
#define BOOK_COMMAND(Name, Menu, captionNr, Call)                                                            \
    {                                                                                                        \
        auto* action = new QAction(Text(captionNr), this);                                                   \
        action->setObjectName(#Name);                                                                        \
        action->setShortcut(QKeySequence(Text((captionNr) + 1)));                                            \
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);                                          \
        addAction(action);                                                                                   \
        menus.value(#Menu)->addAction(action);                                                               \
        itsActions.insert(#Name, action);                                                                    \
        connect(action, &QAction::triggered, this, [this] {                                                  \
            [[maybe_unused]] TBookWindow& window = itsWindow;                                                \
            [[maybe_unused]] TBookWindowForm& form = *this;                                                  \
            Run([&] { Call; });                                                                              \
        });                                                                                                  \
    }
#define BOOK_SEPARATOR(Menu) menus.value(#Menu)->addSeparator();
#include "bookwindow/BookWindowCommands.def"

    // The list's popup carries the Candidate menu's items.
    QMenu* candidate = menus.value("Candidate");
    itsCandidatePopup = new QMenu(this);
    itsCandidatePopup->setObjectName("CandidatePopupMenu");
    itsCandidatePopup->addActions(candidate->actions());
    connect(candidate, &QMenu::aboutToShow, this, [this] { UpdateCandidateItems(true); });
    connect(candidate, &QMenu::aboutToHide, this, [this] { UpdateCandidateItems(false); });

    MakeCommentMenu(menus.value("Commands"));

    itsBacksolvedPopup = new QMenu(this);
    itsBacksolvedPopup->setObjectName("BacksolvedRatePopupMenu");
    QAction* clear = itsBacksolvedPopup->addAction(Text(2200));
    clear->setObjectName("ClearBacksolvedRateItem");
    connect(clear, &QAction::triggered, this, [this] { Run([&] { itsWindow.ClearBacksolvedRate(); }); });

    // The window's own dialogs, and the board's mirror requests, which the window answers.
    new TBookWindowFormDialogs(*this);
    connect(itsBoard, &TChessDiagram2D::Notification, this, [this](int code) {
        if (code == kMirrorLeftToRight || code == kMirrorTopToBottom || code == kMirrorSideToMove)
            Run([&] { itsWindow.DiagramMirrorRequest(code); });
    });
}

// The comment window is shared and has no menu bar of its own: the book window offers the editing
// commands of its context menu that are not the Edit menu's, acting on that editor.
void TBookWindowForm::MakeCommentMenu(QMenu* commands) {
    itsCommentPopup = commands->addMenu(QStringLiteral("Comments"));
    itsCommentPopup->setObjectName("CommentPopupMenu");
    struct TItem {
        const char* itsName;
        const char* itsCaption;
        void (TCommentWindow::*itsCommand)();
    };
    static constexpr TItem kItems[] = {
        {"CommentSelectAllItem", "Select All", &TCommentWindow::SelectAll},
        {"CommentUndoItem", "Undo", &TCommentWindow::Undo},
        {nullptr, nullptr, nullptr},
        {"CommentBoldItem", "Bold", &TCommentWindow::ToggleBold},
        {"CommentItalicItem", "Italic", &TCommentWindow::ToggleItalic},
        {"CommentFontItem", "Font...", &TCommentWindow::ChooseFont},
    };
    for (const TItem& item : kItems) {
        if (item.itsName == nullptr) {
            itsCommentPopup->addSeparator();
            continue;
        }
        QAction* action = itsCommentPopup->addAction(QString::fromLatin1(item.itsCaption));
        action->setObjectName(item.itsName);
        itsActions.insert(item.itsName, action);
        const auto command = item.itsCommand;
        connect(action, &QAction::triggered, this, [this, command] {
            if (TCommentWindow* comments = CommentWindow()) Run([&] { (comments->*command)(); });
        });
    }
    Action("CommentBoldItem")->setCheckable(true);
    Action("CommentItalicItem")->setCheckable(true);
    connect(itsCommentPopup, &QMenu::aboutToShow, this, &TBookWindowForm::UpdateCommentItems);
}

// Enabled and checked as the comment window's own menu would be now.
void TBookWindowForm::UpdateCommentItems() {
    TCommentWindow* comments = CommentWindow();
    for (QAction* action : itsCommentPopup->actions())
        if (!action->isSeparator()) action->setEnabled(comments != nullptr);
    if (comments == nullptr) return;
    Action("CommentUndoItem")->setEnabled(comments->Editor()->document()->isUndoAvailable());
    Action("CommentBoldItem")->setChecked(comments->SelectionBold());
    Action("CommentItalicItem")->setChecked(comments->SelectionItalic());
}

void TBookWindowForm::MakeButtons(QWidget* parent, QHBoxLayout* layout) {
    layout->addStretch();
    for (const TGoButton& button : kGoButtons) {
        auto* tool = new QToolButton(parent);
        tool->setObjectName(QString(button.itsAction).replace("Item", "Button"));
        tool->setIcon(style()->standardIcon(button.itsIcon));
        tool->setIconSize(QSize(22, 22));
        tool->setAutoRaise(true);
        // Buttons for the mouse: the keyboard stays with the list, and the keys have their own commands.
        tool->setFocusPolicy(Qt::NoFocus);
        tool->setToolTip(Text(button.itsHintNr));
        const QString action = button.itsAction;
        // The actions are made later, from the table; look them up when clicked.
        connect(tool, &QToolButton::clicked, this, [this, action] {
            if (QAction* item = Action(action)) item->trigger();
        });
        layout->addWidget(tool);
        if (action == "BackOnePlyItem") {
            itsBackOnePlyButton = tool;
            tool->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(tool, &QToolButton::customContextMenuRequested, this,
                    [this, tool](const QPoint& at) { ShowTakeBackMenu(tool->mapToGlobal(at)); });
        }
    }
    layout->addStretch();
}

// Opening a candidate menu enables its items by the position; closed, they all stay on so that
// their keys always reach the window, which says why it refuses.
void TBookWindowForm::UpdateCandidateItems(bool fromMenu) {
    for (QAction* action : itsCandidatePopup->actions()) {
        if (action->isSeparator()) continue;
        bool enabled = true;
        if (fromMenu)
            enabled = IsSymbolItem(action->objectName()) ? itsWindow.SymbolItemsEnabled()
                                                         : itsWindow.CandidateItemsEnabled();
        action->setEnabled(enabled);
    }
}

std::unique_ptr<QMenu> TBookWindowForm::MakeTakeBackMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName("TakeBackMenu");
    std::vector<std::string> captions;
    Run([&] { captions = itsWindow.TakeBackMenu(); });
    for (int i = 0; i < int(captions.size()); ++i)
        menu->addAction(QString::fromStdString(captions[std::size_t(i)]))->setData(i);
    return menu;
}

void TBookWindowForm::ShowTakeBackMenu(const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu = MakeTakeBackMenu();
    if (menu->isEmpty()) return;
    QAction* chosen = ExecMenu(*menu, globalPos);
    if (chosen == nullptr) return;
    const int index = chosen->data().toInt();
    Run([&] { itsWindow.ChooseTakeBack(index); });
}

void TBookWindowForm::ShowBacksolvedPopup(const QPoint& globalPos) {
    // The menu triggers its "Clear" itself.
    ExecMenu(*itsBacksolvedPopup, globalPos);
}

QAction* TBookWindowForm::ExecMenu(QMenu& menu, const QPoint& globalPos) {
    return menu.exec(globalPos);
}

bool TBookWindowForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == itsCandidates && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Right || key == Qt::Key_Left) {
            Run([&] { key == Qt::Key_Right ? itsWindow.ForwardOnePly() : itsWindow.BackOnePly(); });
            return true;
        }
        // A move typed while the list has the keyboard goes into the move-entry pane.
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const QString text = keyEvent->text();
        if (!text.isEmpty() && text.front().isPrint() && !text.front().isSpace() &&
            !(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            itsMoveEntry->setFocus(Qt::OtherFocusReason);
            itsMoveEntry->insert(text);
            return true;
        }
    }
    if (watched == itsBacksolved && event->type() == QEvent::MouseButtonRelease) {
        ShowBacksolvedPopup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TBookWindowForm::ForwardToMainWindow(const char* actionName) {
    // The book window's File items are the main window's own commands.
    QWidget* main = window();
    if (main == nullptr) return;
    if (auto* action = main->findChild<QAction*>(actionName)) action->trigger();
}

TCommentWindow* TBookWindowForm::CommentWindow() const {
    // The one comment window is a child of the main window, whichever book window asks for it.
    QWidget* main = window();
    return main == nullptr ? nullptr : main->findChild<TCommentWindow*>();
}

void TBookWindowForm::ShowComments() {
    if (TCommentWindow* comments = CommentWindow()) {
        comments->show();
        comments->raise();
    }
}

void TBookWindowForm::InsertCommentParagraph(const std::string& text) {
    // Engine analysis goes into the one comment window, which holds this book window's comment.
    QWidget* main = window();
    if (main == nullptr) return;
    if (auto* comments = main->findChild<TCommentWindow*>()) comments->InsertParagraphAtStart(text);
}

void TBookWindowForm::EditFocusedPane(TPaneEdit edit) {
    auto* pane = qobject_cast<QLineEdit*>(focusWidget());
    if (pane != itsMoveEntry && pane != itsOpeningCode) return;
    if (edit == kCut)
        pane->cut();
    else if (edit == kCopy)
        pane->copy();
    else
        pane->paste();
}

} // namespace marvek::gui
