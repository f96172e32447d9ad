// The book window's commands on its book as a whole: renaming and deleting the book, its
// statistics for About This Book, and the board's orientation kept in the preferences.
#include "bookwindow/BookWindow.h"

#include "app/Settings.h"
#include "app/UserInterface.h"
#include "book/Book2.h"
#include "book/BookTrainingDatabase.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <filesystem>

namespace marvek {

namespace {

constexpr const char* kReadOnlyText = "This book was opened \"read only.\"";
constexpr const char* kBookExtension = ".2MD";

} // namespace

void TBookWindow::RenameBook() {
    if (!BookOpen()) return;
    // Nothing of a book opened read-only is changed, its files' names included.
    if (ReadOnly()) {
        Tell(kReadOnlyText);
        return;
    }
    const std::filesystem::path oldPath(itsBookName);
    std::string folder = oldPath.parent_path().string();
    if (!folder.empty()) folder = WithTrailingSlash(folder);
    const std::optional<std::string> chosen =
        UsedDialogs().ChooseBookFile("Rename Ebook", folder, oldPath.filename().string() + kBookExtension);
    if (!chosen) return;
    // The book stays in its folder, whatever folder the dialog ended in.
    const std::string stem = TBook2::CleanBookName(std::filesystem::path(*chosen).filename().string());
    if (stem.empty()) return;
    const std::string newPath = (oldPath.parent_path() / stem).string();
    if (FileExists(newPath + kBookExtension)) {
        Tell("This ebook file name already exists.");
        return;
    }
    SaveCurrentRecord();
    if (!itsBook->Rename(newPath)) {
        Tell("There was a problem renaming the ebook.");
        return;
    }
    const bool trainingRenamed =
        itsTraining == nullptr || itsTraining->RenameTrainingFiles(stem + kBookExtension);
    // The book's files carry the new name from here on, so the window follows them even when
    // the training files kept the old one.
    RemoveFile(LineMovesFile(itsBookName));
    RemoveFile(LineStartFile(itsBookName));
    itsBookName = newPath;
    UsedDialogs().SetCaption(Caption());
    if (!trainingRenamed) Tell("There was a problem renaming the ebook training files.");
}

void TBookWindow::DeleteBook() {
    if (!BookOpen()) return;
    if (ReadOnly()) {
        Tell(kReadOnlyText);
        return;
    }
    const TAnswer answer = UserInterface().Ask("This will permanently delete this ebook. (" + itsBookName +
                                                   ")\rAre you sure you want to do this?",
                                               TButtons::kYesNoCancel, TBoxKind::kConfirmation, 0);
    if (answer != TAnswer::kYes) return;
    View().StopDelayedRefresh();
    // Without a book the closing window saves neither the record nor the line.
    itsRecordDirty = false;
    itsBook->Delete();
    itsBook.reset();
    if (itsTraining != nullptr) itsTraining->DeleteTrainingFiles();
    itsTraining.reset();
    RemoveFile(LineMovesFile(itsBookName));
    RemoveFile(LineStartFile(itsBookName));
    UsedDialogs().CloseWindow();
}

TBookStatistics TBookWindow::Statistics() {
    TBookStatistics statistics;
    if (!BookOpen()) return statistics;
    statistics.itsPath = itsBook->ExpandedName() + kBookExtension;
    statistics.itsPositions = itsBook->PositionCount();
    statistics.itsNamedPositions = itsBook->NameCount();
    FileSize(statistics.itsPath, &statistics.itsMainFileSize);
    statistics.itsReadOnly = itsBook->IsReadOnly();
    statistics.itsDatabaseSafety = itsBook->IsSafeSave();
    if (itsTraining != nullptr && itsTraining->IsOpen())
        statistics.itsTrainingPositions = itsTraining->BoardCount();
    return statistics;
}

void TBookWindow::AboutThisBook() {
    if (!BookOpen()) return;
    UsedDialogs().ShowBookStatistics(Statistics());
}

void TBookWindow::ToggleWhiteAtBottom() {
    const bool whiteAtBottom =
        !(itsDialogs != nullptr ? itsDialogs->WhiteAtBottom() : Settings().WhiteAtBottom());
    Settings().SetWhiteAtBottom(whiteAtBottom);
    UsedDialogs().SetWhiteAtBottom(whiteAtBottom);
}

} // namespace marvek
