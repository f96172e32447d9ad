#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <memory>

#include "app/MainFrame.h"
#include "engines/EngineBookLink.h"
#include "engines/EngineButton.h"

// The main window: a multiple-document frame with one child window per open book, the menus and
// speed buttons of MainFormCommands.def, the "Loading Book..." panel and the two timers. What a
// command does is TMainFrame's; this class draws, asks through dialogs and forwards.

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;

namespace marvek::gui {

class TBookWindowForm;
class TCommentWindow;
class TEngineSettingsDialog;
class TEngineWindow;
class TUCIEngineWindow;
class TWinboardEngineWindow;

class TMarvekMainForm : public QMainWindow, public TMainFrameView, public TEngineButtonHost {
    Q_OBJECT

public:
    // Creates the frame's core and runs its creation work (storage engine, settings, geometry).
    explicit TMarvekMainForm(QWidget* parent = nullptr);
    ~TMarvekMainForm() override;

    // The command line without the program name, used by the first activation.
    void SetArguments(const QStringList& arguments) { itsArguments = arguments; }
    TMainFrame& Frame() { return *itsFrame; }
    TEngineWindow* EngineWindow(TEngineProtocol protocol) const;
    TEngineButton& EngineButton() { return *itsEngineButton; }

    // A second start asked this instance to come to the front and open its books.
    void ActivationRequested(const QStringList& bookArguments);
    // Runs one command with the guard every command has: an exception ends the command, is shown,
    // and the program goes on.
    void Guarded(const std::function<void()>& command);

    // ---- TMainFrameView
    void AddBookWindow(TBookWindow& window, const std::string& caption) override;
    void RemoveBookWindow(TBookWindow& window) override;
    void ActivateBookWindow(TBookWindow& window) override;
    void ShowLoadingPanel(bool visible) override;
    void ProcessPendingEvents() override;
    std::optional<std::string> ChooseNewBook(const std::string& title, const std::string& folder,
                                             const std::string& fileName) override;
    std::optional<TOpenBookChoice> ChooseBookToOpen(const std::string& title,
                                                    const std::string& folder) override;
    bool ConfirmReplaceBook(const std::string& fileName) override;
    TWelcomeResult ShowWelcome() override;
    void ShowHelpContext(int context) override;
    void ShowCommentWindow() override;
    void HideCommentWindow() override;
    void SetShowHints(bool show) override;
    void UpdateMenuItems(bool haveBookWindows) override;
    void EnableTimers(bool enabled) override;
    TWindowGeometry MainWindowGeometry() const override;

    // ---- TEngineButtonHost
    TEngineProtocol ChosenProtocol() override;
    std::string EngineCommand(TEngineProtocol protocol) override;
    std::string TablebaseFolder() override;
    bool IsEngineWindowVisible(TEngineProtocol protocol) override;
    void ShowEngineWindow(TEngineProtocol protocol, bool visible) override;
    void ShowPlayButtons(bool visible) override;
    void AnalysisStarted() override;
    void ShowMessage(const std::string& text) override;
    void RunEngineSettingsDialog() override;

    // For tests and the window list: the action of a command by its name ("FileNewItem"), the
    // menu of a menu-bar heading ("File"), and the child of a book window.
    QAction* Action(const QString& name) const;
    QMenu* Menu(const QString& name) const;
    QMdiArea* MdiArea() const { return itsMdiArea; }
    QMdiSubWindow* SubWindowOf(const TBookWindow& window) const;
    QToolBar* SpeedBar() const { return itsSpeedBar; }
    QLabel* LoadingBookPanel() const { return itsLoadingBookPanel; }
    // The one comment window, every book window's comment buffer.
    TCommentWindow* CommentWindow() const { return itsCommentWindow; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Dialogs the tests answer themselves.
    virtual bool RunPreferencesDialog();
    virtual void ShowAboutBox();
    virtual bool ExecEngineSettingsDialog(TEngineSettingsDialog& dialog);

private:
#define MAIN_COMMAND(Name, Menu, captionNr) void Name##Click();
#include "app/MainFormCommands.def"

    void MakeMenus();
    void MakeSpeedButtons();
    void LoadMenuTexts();
    void ApplyGeometry(const TWindowGeometry& geometry);
    void FormActivate();
    // Disables every command while a long operation runs.
    void SetCommandsEnabled(bool enabled);
    void SubWindowActivated(QMdiSubWindow* subWindow);
    // MarvekMainFormEngines.cpp
    void MakeEngines();
    void ApplyEnginePreferences();
    void StopEngines();
    // The engine windows' places and nicknames into the settings, before they are saved.
    void SaveEngineWindows();

    std::unique_ptr<TMainFrame> itsFrame;
    QMdiArea* itsMdiArea = nullptr;
    QLabel* itsLoadingBookPanel = nullptr;
    QLabel* itsNoBookHint = nullptr;
    QToolBar* itsSpeedBar = nullptr;
    TCommentWindow* itsCommentWindow = nullptr;
    TUCIEngineWindow* itsUciWindow = nullptr;
    TWinboardEngineWindow* itsWinboardWindow = nullptr;
    std::unique_ptr<TEngineBookLink> itsEngineLink;
    std::unique_ptr<TEngineButton> itsEngineButton;
    QTimer* itsDelayedRefreshTimer = nullptr;
    QTimer* itsTrainingTimer = nullptr;
    QHash<QString, QAction*> itsActions;
    QHash<QString, QMenu*> itsMenus;
    QHash<const TBookWindow*, QMdiSubWindow*> itsSubWindows;
    QStringList itsArguments;
    bool itsShowHints = true;
    bool itsHaveBookWindows = false;
    // Set while the frame itself closes a child, so that the child's close is not sent back to it.
    bool itsRemovingChild = false;
};

} // namespace marvek::gui
