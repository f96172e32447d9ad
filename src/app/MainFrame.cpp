// The main window's behaviour: start-up, the book commands, the timers' ticks, the preferences
// and the orderly shutdown.
#include "app/MainFrame.h"

#include "app/MessageNumbers.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "book/Book2.h"
#include "bookwindow/BookWindow.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace marvek {

namespace {

// Help topics the frame asks for.
constexpr int kHelpWelcome = 6259;
constexpr int kHelpRebuildBook = 6003;

constexpr const char* kOpenBooksFile = "MARVEK.INI";
constexpr const char* kOpenBooksSection = "OpenBooks";
// Only this many books come back at start, and only this many arguments are looked at.
constexpr int kMaxBooksAtStart = 9;
constexpr const char* kBookExtension = ".2MD";
// The game window's scratch book lives in the program folder and is never opened by hand.
constexpr const char* kGameWindowBook = "$GAME$";

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string FolderOf(const std::string& path) {
    return WithTrailingSlash(std::filesystem::path(path).parent_path().string());
}

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// The extension of a file name as the open dialog's filter sees it: from its last '.', upper-cased.
std::string ExtensionOf(const std::string& path) {
    std::string name = FileNameOf(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : Upper(name.substr(dot));
}

void ShowBookProblem(const EDatabaseProblem& problem) {
    UserInterface().ShowInformationBox("", problem.what(), problem.HelpContext());
}

void ShowWriteFailure(const std::string& what, const std::string& path, int error) {
    UserInterface().ShowMessage("The " + what + " could not be written to \"" + path +
                                "\": " + std::strerror(error) + ".");
}

// Restores the panel shown while a book opens, also when opening raises.
class TLoadingPanel {
public:
    explicit TLoadingPanel(TMainFrameView& view) : itsView(view) { itsView.ShowLoadingPanel(true); }
    ~TLoadingPanel() { itsView.ShowLoadingPanel(false); }
    TLoadingPanel(const TLoadingPanel&) = delete;
    TLoadingPanel& operator=(const TLoadingPanel&) = delete;

private:
    TMainFrameView& itsView;
};

} // namespace

TMainFrame::TMainFrame(TMainFrameView& view, TSettings& settings) : itsView(view), itsSettings(settings) {}

TMainFrame::~TMainFrame() {
    Destroy();
}

// ---- Life

void TMainFrame::Create() {
    try {
        itsStorage = std::make_unique<TStorageSession>();
        if (!itsStorage->SectionBufferReserved()) ShowInformation(0, kMsgEngineNoMemory2);
    } catch (const EMarvekError&) {
        ShowInformation(0, kMsgEngineNoMemory1);
    }
    itsView.EnableTimers(false);
    try {
        LoadPreferences(itsSettings);
    } catch (const EMarvekError& failure) {
        // The program still runs on the factory values; the stored record is left for the user.
        UserInterface().ShowMessage(failure.what());
        itsSettings.FactorySettings();
    }
    CompleteFolders(itsSettings);
    SetLanguageOffset(itsSettings.LanguageOffset());
}

TWindowGeometry TMainFrame::InitialGeometry() const {
    TWindowGeometry geometry;
    geometry.itsLeft = itsSettings.MainWindowLeft();
    geometry.itsTop = itsSettings.MainWindowTop();
    geometry.itsWidth = itsSettings.MainWindowWidth();
    geometry.itsHeight = itsSettings.MainWindowHeight();
    int state = itsSettings.MainWindowState();
    geometry.itsState = state <= 2 ? static_cast<TWindowState>(state) : TWindowState::kNormal;
    return geometry;
}

void TMainFrame::FirstActivation(const std::vector<std::string>& arguments) {
    if (itsActivated) return;
    itsActivated = true;
    if (itsSettings.ShowWelcomeMessage()) {
        TWelcomeResult welcome = itsView.ShowWelcome();
        if (welcome.itsHelpFilePressed) itsView.ShowHelpContext(kHelpWelcome);
        if (welcome.itsDontShowAgain) itsSettings.SetShowWelcomeMessage(false);
    }
    itsView.SetShowHints(itsSettings.ShowHints());
    ReopenBooks();
    itsGameFiles.Read();
    OpenBooksFromArguments(arguments);
    ApplyPreferences();
    if (itsWindows.empty()) OpenBook();
}

void TMainFrame::Shutdown() {
    if (itsShutDown) return;
    itsShutDown = true;
    itsView.EnableTimers(false);
    WriteOpenBooks();
    WriteGameFiles();
    while (!itsWindows.empty()) DestroyBookWindow(*itsWindows.back());
    SavePreferences();
}

void TMainFrame::Destroy() {
    // Books close before the engine stops under them.
    itsActive = nullptr;
    itsWindows.clear();
    itsStorage.reset();
}

void TMainFrame::ReopenBooks() {
    TIniFile ini(ProgramFolder() + kOpenBooksFile);
    for (int n = 1; n <= kMaxBooksAtStart; ++n) {
        std::string key = "Book" + std::to_string(n);
        std::string path = ini.ReadString(kOpenBooksSection, key, "");
        if (path.empty() || !FileExists(path + kBookExtension)) continue;
        bool readOnly = ini.ReadBool(kOpenBooksSection, key + "ReadOnly", false);
        if (FreeBytes(path) == 0) readOnly = true;
        if (TBookWindow* open = FindBookWindow(path)) {
            Activate(*open);
            continue;
        }
        OpenBookWindowGuarded(path, false, readOnly, false);
    }
}

void TMainFrame::OpenBooksFromArguments(const std::vector<std::string>& arguments) {
    size_t count = std::min<size_t>(arguments.size(), kMaxBooksAtStart);
    for (size_t i = 0; i < count; ++i) {
        const std::string& argument = arguments[i];
        size_t at = argument.find(kBookExtension);
        if (at == std::string::npos || !FileExists(argument)) continue;
        // Recorded at shutdown and read back from another folder: the path must not depend on this one.
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(argument.substr(0, at), error);
        std::string path = error ? argument.substr(0, at) : absolute.lexically_normal().string();
        // A book already open (recorded at the last shutdown, or handed over twice) keeps its window.
        if (TBookWindow* open = FindBookWindow(path)) {
            Activate(*open);
            continue;
        }
        OpenBookWindowGuarded(path, false, FreeBytes(path) == 0, false);
    }
}

void TMainFrame::WriteOpenBooks() {
    TIniFile ini(ProgramFolder() + kOpenBooksFile);
    int error = ini.EraseSection(kOpenBooksSection);
    int n = 1;
    for (const auto& window : itsWindows) {
        if (error != 0) break;
        std::string key = "Book" + std::to_string(n++);
        error = ini.WriteString(kOpenBooksSection, key, window->BookName());
        if (error == 0) error = ini.WriteBool(kOpenBooksSection, key + "ReadOnly", window->ReadOnly());
    }
    if (error != 0) ShowWriteFailure("list of open books", ini.Path(), error);
}

void TMainFrame::WriteGameFiles() {
    int error = itsGameFiles.Write();
    if (error != 0) ShowWriteFailure("list of game files", TGameFileList::IniPath(), error);
}

// ---- Commands

void TMainFrame::NewBook() {
    std::optional<std::string> chosen =
        itsView.ChooseNewBook(LoadMessage(kMsgNewChessBook), itsSettings.BooksFolder(), "");
    if (!chosen || chosen->empty()) return;
    std::string folder = FolderOf(*chosen);
    itsSettings.SetBooksFolder(folder);
    std::string file = *chosen;
    if (ExtensionOf(file) == kBookExtension)
        file.replace(file.size() - 4, 4, kBookExtension);
    else
        file += kBookExtension;
    // The book made is the name without its dots, so that is the file a replacement would lose.
    std::string path = TBook2::CleanBookName(file);
    if (FileNameOf(path).empty()) {
        UserInterface().ShowMessage("A book name needs more than dots.");
        return;
    }
    if (FileExists(path + kBookExtension) && !itsView.ConfirmReplaceBook(path + kBookExtension)) return;
    OpenBookWindowGuarded(path, true, false, false);
    itsView.ShowCommentWindow();
}

void TMainFrame::OpenBook() {
    std::optional<TOpenBookChoice> choice =
        itsView.ChooseBookToOpen(LoadMessage(kMsgOpenChessBook), itsSettings.BooksFolder());
    if (!choice || choice->itsPath.empty()) return;
    const std::string& file = choice->itsPath;
    if (!FileExists(file)) {
        ShowInformation(0, kMsgFileDoesNotExist);
        return;
    }
    if (file.find(kGameWindowBook) != std::string::npos) {
        UserInterface().ShowMessage(
            "This file is a temporary file used by the Marvek program.  It cannot be opened.\r"
            "Ebooks are usually kept in the " +
            DefaultBooksFolder() + " folder.");
        return;
    }
    std::string extension = ExtensionOf(file);
    if (extension == kBookExtension) itsSettings.SetBooksFolder(FolderOf(file));
    if (extension == ".B8M") {
        ConvertOldBook(file);
        return;
    }
    std::string name = FileNameOf(file);
    std::string path = FolderOf(file) + name.substr(0, name.find('.'));
    if (TBookWindow* open = FindBookWindow(path)) {
        Activate(*open);
        return;
    }
    bool readOnly = choice->itsReadOnly || FreeBytes(file) == 0;
    if (!OpenBookWindowGuarded(path, false, readOnly, false)) {
        TAnswer answer =
            UserInterface().Ask("This book is damaged and should be rebuilt. Click Help for more "
                                "information.\rDo you want to rebuild the book now?",
                                TButtons::kYesNoCancel, TBoxKind::kConfirmation, kHelpRebuildBook);
        if (answer == TAnswer::kYes) {
            if (OpenBookWindowGuarded(path, false, false, true))
                UserInterface().ShowMessage("The book was rebuilt successfully.");
            else
                UserInterface().ShowMessage("The book could not be rebuilt.");
        }
    }
    itsView.ShowCommentWindow();
}

void TMainFrame::ConvertOldBook(const std::string&) {
    // The question is asked as it will be; the conversion itself comes with the old-format import.
    bool yes =
        UserInterface().AskYesNo("This book is in an older format. Create a new format book from it? \r"
                                 "(The original book will not be changed.)");
    if (yes) UserInterface().ShowMessage("Converting books of the older format is not available yet.");
}

void TMainFrame::CloseBook() {
    if (itsActive != nullptr) CloseBookWindow(*itsActive);
}

void TMainFrame::CloseBookWindow(TBookWindow& window) {
    DestroyBookWindow(window);
    if (itsWindows.empty()) itsView.HideCommentWindow();
}

void TMainFrame::PreferencesClosed(bool ok) {
    // Factory settings empty the books and games folders; New and Open book need them at once.
    if (ok) CompleteFolders(itsSettings);
    if (ok) ApplyPreferences();
    SavePreferences();
}

void TMainFrame::ApplyPreferences() {
    for (const auto& window : itsWindows) window->ApplyPreferences();
    itsView.SetShowHints(itsSettings.ShowHints());
}

void TMainFrame::SavePreferences() {
    TWindowGeometry geometry = itsView.MainWindowGeometry();
    itsSettings.SetMainWindowState(static_cast<int>(geometry.itsState));
    // A maximised or minimised window's bounds are not the ones to come back to.
    if (geometry.itsState == TWindowState::kNormal) {
        itsSettings.SetMainWindowLeft(geometry.itsLeft);
        itsSettings.SetMainWindowTop(geometry.itsTop);
        itsSettings.SetMainWindowWidth(geometry.itsWidth);
        itsSettings.SetMainWindowHeight(geometry.itsHeight);
    }
    try {
        marvek::SavePreferences(itsSettings);
    } catch (const EMarvekError& failure) {
        UserInterface().ShowMessage(failure.what());
    }
}

// ---- Timers

void TMainFrame::DelayedRefreshTimerTimer() {
    if (itsActive != nullptr) itsActive->DelayedRefresh();
}

void TMainFrame::TrainingTimerTimer() {
    if (itsActive != nullptr) itsActive->TrainingStep();
}

// ---- Book windows

TBookWindow& TMainFrame::OpenBookWindow(const std::string& path, bool create, bool readOnly, bool rebuild) {
    TWaitCursor wait;
    TLoadingPanel panel(itsView);
    itsView.ProcessPendingEvents();
    itsWindows.push_back(std::make_unique<TBookWindow>());
    TBookWindow& window = *itsWindows.back();
    try {
        itsView.AddBookWindow(window, TBookWindow::CaptionFor(path));
        itsActive = &window;
        itsView.UpdateMenuItems(true);
        window.OpenBook(path, create, itsSettings.DatabaseSafety(), readOnly, rebuild);
        window.Refresh();
    } catch (...) {
        DestroyBookWindow(window);
        throw;
    }
    return window;
}

bool TMainFrame::OpenBookWindowGuarded(const std::string& path, bool create, bool readOnly, bool rebuild) {
    try {
        OpenBookWindow(path, create, readOnly, rebuild);
        return true;
    } catch (const EDatabaseProblem& problem) {
        ShowBookProblem(problem);
        return false;
    }
}

void TMainFrame::DestroyBookWindow(TBookWindow& window) {
    auto found = std::find_if(itsWindows.begin(), itsWindows.end(),
                              [&window](const auto& held) { return held.get() == &window; });
    MARVEK_ASSERT(found != itsWindows.end());
    itsView.RemoveBookWindow(window);
    std::unique_ptr<TBookWindow> closing = std::move(*found);
    itsWindows.erase(found);
    // The view reports the window it activates next; until it does, the newest one stands in.
    if (itsActive == &window) itsActive = itsWindows.empty() ? nullptr : itsWindows.back().get();
    closing.reset();
    itsView.UpdateMenuItems(!itsWindows.empty());
}

void TMainFrame::Activate(TBookWindow& window) {
    itsView.ActivateBookWindow(window);
    itsActive = &window;
}

void TMainFrame::BookWindowActivated(TBookWindow* window) {
    auto found = std::find_if(itsWindows.begin(), itsWindows.end(),
                              [window](const auto& held) { return held.get() == window; });
    itsActive = found != itsWindows.end() ? window : nullptr;
}

TBookWindow* TMainFrame::FindBookWindow(const std::string& path) const {
    std::string wanted = Upper(std::filesystem::path(path).lexically_normal().string());
    for (const auto& window : itsWindows)
        if (Upper(std::filesystem::path(window->BookName()).lexically_normal().string()) == wanted)
            return window.get();
    return nullptr;
}

} // namespace marvek
