#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "games/GameFileList.h"
#include "storage/StorageSession.h"

// The main window's behaviour: start-up (loading the settings, re-opening the books of the last
// run and those named on the command line), the book commands New, Open and Close with every
// question and message they can give, the timers' ticks, applying and saving the preferences, and
// the orderly shutdown that records the open books and the game-file list. The main form draws
// and forwards; everything it asks the user beyond the standard boxes of TUserInterface goes
// through TMainFrameView.

namespace marvek {

class TBookWindow;
class TSettings;

// A window's place on the screen as the settings record keeps it.
enum class TWindowState { kNormal = 0, kMinimized = 1, kMaximized = 2 };

struct TWindowGeometry {
    int32_t itsLeft = 0;
    int32_t itsTop = 0;
    int32_t itsWidth = 0;
    int32_t itsHeight = 0;
    TWindowState itsState = TWindowState::kNormal;
};

// What the user chose in the open-book dialog.
struct TOpenBookChoice {
    std::string itsPath; // the chosen file, with its extension
    bool itsReadOnly = false;
};

// What the user did in the welcome dialog.
struct TWelcomeResult {
    bool itsHelpFilePressed = false;
    bool itsDontShowAgain = false;
};

class TMainFrameView {
public:
    virtual ~TMainFrameView() = default;

    // Book windows. The frame owns them; the view shows one child window for each.
    // A new child window, captioned, shown and made active.
    virtual void AddBookWindow(TBookWindow& window, const std::string& caption) = 0;
    // Takes the window's child away (the frame then destroys the window).
    virtual void RemoveBookWindow(TBookWindow& window) = 0;
    // Brings the window's child to the front, restored when minimised, and makes it active.
    virtual void ActivateBookWindow(TBookWindow& window) = 0;

    // The "Loading Book..." panel, shown while a book opens.
    virtual void ShowLoadingPanel(bool visible) = 0;
    // Lets the window system draw what is pending (the panel) before long work.
    virtual void ProcessPendingEvents() = 0;

    // The save dialog of New book: title, starting folder, proposed file name; the chosen file
    // (".2MD" is forced by the frame) or nothing when cancelled.
    virtual std::optional<std::string> ChooseNewBook(const std::string& title, const std::string& folder,
                                                     const std::string& fileName) = 0;
    // The open dialog of Open book ("*.2MD;*.B8M", its read-only box unticked).
    virtual std::optional<TOpenBookChoice> ChooseBookToOpen(const std::string& title,
                                                            const std::string& folder) = 0;
    // The "This book already exists." dialog; true for OK.
    virtual bool ConfirmReplaceBook(const std::string& fileName) = 0;
    // The welcome dialog, modal.
    virtual TWelcomeResult ShowWelcome() = 0;

    virtual void ShowHelpContext(int context) = 0;
    virtual void ShowCommentWindow() = 0;
    // Clears and hides the comment window.
    virtual void HideCommentWindow() = 0;
    virtual void SetShowHints(bool show) = 0;
    // Enables the commands that need a book window (close, cascade, tile, arrange, minimise all).
    virtual void UpdateMenuItems(bool haveBookWindows) = 0;
    // Starts or stops both timers (DelayedRefreshTimer, TrainingTimer).
    virtual void EnableTimers(bool enabled) = 0;

    // The main window's place now, for saving.
    virtual TWindowGeometry MainWindowGeometry() const = 0;
};

class TMainFrame {
public:
    // The frame works on the program's settings record; the view outlives the frame.
    TMainFrame(TMainFrameView& view, TSettings& settings);
    ~TMainFrame();
    TMainFrame(const TMainFrame&) = delete;
    TMainFrame& operator=(const TMainFrame&) = delete;

    // ---- Life
    // The work done when the main window is created: the storage engine started (messages 430
    // and 431 when it cannot be, and start-up goes on), the timers disabled, the settings loaded,
    // empty books and games folders completed, the language offset set.
    void Create();
    // Where the main window goes at start, from the settings.
    TWindowGeometry InitialGeometry() const;
    // The first activation's work (the view sets the menu texts first): the welcome dialog, the
    // hints, the books of MARVEK.INI, the game-file list of GAMES.INI, the books named among
    // arguments (the command line without the program), ApplyPreferences, and Open book when no
    // book window is open. Runs once; later calls do nothing.
    void FirstActivation(const std::vector<std::string>& arguments);
    bool FirstActivationDone() const { return itsActivated; }
    // Shutdown: timers stopped, MARVEK.INI "OpenBooks" and GAMES.INI "GameFiles" rewritten, every
    // book window closed last to first, the preferences saved. Runs once.
    void Shutdown();
    // Stops the storage engine (the window's destruction).
    void Destroy();

    // ---- Commands
    void NewBook();
    void OpenBook();
    // Closes the active book window; the comment window is cleared and hidden when none remains.
    void CloseBook();
    // A book window's own close (its child window closed by the user).
    void CloseBookWindow(TBookWindow& window);
    // Opens the ".2MD" files among arguments (at most nine looked at), as at start-up: used for
    // the command line and for the arguments a second start hands over.
    void OpenBooksFromArguments(const std::vector<std::string>& arguments);
    // The preferences dialog was closed: OK applies the preferences; the settings are saved in
    // either case.
    void PreferencesClosed(bool ok);
    void ApplyPreferences();
    // Copies the main window's geometry into the settings record (its bounds only when its state
    // is normal) and writes the record.
    void SavePreferences();

    // ---- Timers
    void DelayedRefreshTimerTimer();
    void TrainingTimerTimer();

    // ---- Book windows
    // Opens one book in a new book window (OpenBookWindow of the frame): the path has no
    // extension. Raises what opening raises, with the half-opened window closed again.
    TBookWindow& OpenBookWindow(const std::string& path, bool create, bool readOnly, bool rebuild);
    // The view reports which book window is active (nullptr for none).
    void BookWindowActivated(TBookWindow* window);
    TBookWindow* ActiveBookWindow() const { return itsActive; }
    // In child order (the order they were opened).
    const std::vector<std::unique_ptr<TBookWindow>>& BookWindows() const { return itsWindows; }
    // The window that shows the book at path (no extension; compared without regard to letter
    // case), or nullptr.
    TBookWindow* FindBookWindow(const std::string& path) const;

    // The game-file list read at start and written at shutdown: file names and check marks.
    TGameFileList& GameFiles() { return itsGameFiles; }

private:
    // OpenBookWindow with a book error shown (message and help context) and the window closed;
    // false when that happened.
    bool OpenBookWindowGuarded(const std::string& path, bool create, bool readOnly, bool rebuild);
    void ReopenBooks();
    void WriteOpenBooks();
    void WriteGameFiles();
    void ConvertOldBook(const std::string& path);
    void DestroyBookWindow(TBookWindow& window);
    // Brings a window that is open already to the front.
    void Activate(TBookWindow& window);

    TMainFrameView& itsView;
    TSettings& itsSettings;
    std::unique_ptr<TStorageSession> itsStorage;
    std::vector<std::unique_ptr<TBookWindow>> itsWindows;
    TBookWindow* itsActive = nullptr;
    TGameFileList itsGameFiles;
    bool itsActivated = false;
    bool itsShutDown = false;
};

} // namespace marvek
