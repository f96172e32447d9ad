#include "book/BookTrainingDatabase.h"

#include <limits>
#include <string>

#include "app/MessageNumbers.h"
#include "app/UserInterface.h"
#include "book/PositionKey.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace marvek {

namespace {

// The journal exists once the database has been opened, the message file only after a rebuild.
struct TTrainingFile {
    const char* itsExtension;
    bool itsOptional;
};
constexpr TTrainingFile kTrainingFiles[] = {{TBookTrainingDatabase::kDataExtension, false},
                                            {TBookTrainingDatabase::kIndexExtension, false},
                                            {TBookTrainingDatabase::kJournalExtension, true},
                                            {TBookTrainingDatabase::kMessageExtension, true}};

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The base name a book's training files take when the book's data file gets newName.
std::string TrainingBaseName(const std::string& newName) {
    size_t slash = newName.find_last_of('/');
    std::string name = slash == std::string::npos ? newName : newName.substr(slash + 1);
    size_t cut = name.find(".2MD");
    if (cut != std::string::npos) name.resize(cut);
    std::erase(name, '.');
    return name;
}

} // namespace

void TBookTrainingDatabase::RecordPath(const std::string& basePath) {
    itsBasePath = basePath;
    itsExpandedPath = ExpandedPath(basePath);
}

std::string TBookTrainingDatabase::FileName(const char* extension) const {
    return itsExpandedPath + "." + extension;
}

bool TBookTrainingDatabase::CreateTrainingFiles(const std::string& basePath) {
    CloseTrainingFiles();
    RecordPath(basePath);
    std::string data = FileName(kDataExtension);
    if (FileExists(data)) {
        ClearReadOnly(data);
        RemoveFile(data);
    }
    if (itsDatabase.Create(itsExpandedPath)) return true;
    itsCreateError = IsamError();
    ShowInformation(0, kMsgCannotCreateTrainingFiles);
    return false;
}

void TBookTrainingDatabase::OpenTrainingFiles(const std::string& basePath, bool reset) {
    CloseTrainingFiles();
    RecordPath(basePath);
    if (reset) DeleteTrainingFiles();
    if (!FileExists(FileName(kDataExtension))) CreateTrainingFiles(basePath);
    if (!itsDatabase.Open(itsExpandedPath, true))
        throw EDatabaseProblem("The training database could not be opened. Error=" +
                               std::to_string(IsamError()));
}

void TBookTrainingDatabase::CloseTrainingFiles() {
    itsDatabase.Close();
}

bool TBookTrainingDatabase::RenameTrainingFiles(const std::string& newBookFileName) {
    if (FreeBytes(itsExpandedPath) == 0) return false;
    std::string newName = TrainingBaseName(newBookFileName);
    // A name that leaves nothing would give hidden files named only by their extension.
    if (newName.empty()) return false;
    CloseTrainingFiles();
    MARVEK_ASSERT(FileExists(FileName(kDataExtension)));
    std::string newBase = WithTrailingSlash(FolderOf(itsExpandedPath)) + newName;
    bool allRenamed = true;
    for (const TTrainingFile& file : kTrainingFiles) {
        std::string from = FileName(file.itsExtension);
        if (file.itsOptional && !FileExists(from)) continue;
        if (RenameFile(from, newBase + "." + file.itsExtension) != 0) allRenamed = false;
    }
    OpenTrainingFiles(newBase, false);
    return allRenamed;
}

bool TBookTrainingDatabase::DeleteTrainingFiles() {
    CloseTrainingFiles();
    bool allDeleted = true;
    for (const TTrainingFile& file : kTrainingFiles) {
        std::string path = FileName(file.itsExtension);
        if (file.itsOptional && !FileExists(path)) continue;
        if (RemoveFile(path) != 0) allDeleted = false;
    }
    return allDeleted;
}

int32_t TBookTrainingDatabase::Lookup(const TIsamKey& key, bool& found) {
    int32_t count = itsDatabase.Find(key, found);
    MARVEK_ASSERT(found || IsamError() == kIsamKeyNotFound);
    return count;
}

void TBookTrainingDatabase::ChangeCount(const TPackedPosition& position, bool addOne, int32_t count,
                                        const char* operation) {
    MARVEK_ASSERT(IsOpen());
    TPositionKeyDatabase::RequireRoom(itsExpandedPath);
    TIsamKey key = PositionKey(position);
    bool found = false;
    int32_t old = Lookup(key, found);
    if (addOne) count = old < std::numeric_limits<int32_t>::max() ? old + 1 : old;
    std::string where = std::string(" in TBookTrainingDatabase.") + operation + "()";
    if (found) {
        itsDatabase.Remove(key, old);
        if (!IsamOK()) throw EDatabaseProblem("Problem with BTDeleteKey()" + where);
    }
    itsDatabase.Add(key, count);
    if (!IsamOK()) {
        std::string message = "Problem with BTAddKey()" + where;
        // The journal undid the failed addition, but the deletion before it stands; putting the
        // old entry back keeps the count from being lost.
        if (found) itsDatabase.Add(key, old);
        throw EDatabaseProblem(message);
    }
}

void TBookTrainingDatabase::AddOneSuccessToBoard(const TPackedPosition& position) {
    ChangeCount(position, true, 0, "AddOneSuccessToBoard");
}

void TBookTrainingDatabase::SetThisBoardsSuccessTo(const TPackedPosition& position, int32_t count) {
    ChangeCount(position, false, count, "SetThisBoardsSuccessTo");
}

void TBookTrainingDatabase::RemoveBoard(const TPackedPosition& position) {
    MARVEK_ASSERT(IsOpen());
    TIsamKey key = PositionKey(position);
    bool found = false;
    int32_t count = Lookup(key, found);
    if (!found) return;
    itsDatabase.Remove(key, count);
    if (!IsamOK())
        throw EDatabaseProblem("Problem with BTDeleteKey() in TBookTrainingDatabase.RemoveBoard()");
}

bool TBookTrainingDatabase::BoardHasEntry(const TPackedPosition& position) {
    MARVEK_ASSERT(IsOpen());
    bool found = false;
    Lookup(PositionKey(position), found);
    return found;
}

int32_t TBookTrainingDatabase::SuccessesForBoard(const TPackedPosition& position) {
    if (!IsOpen()) return -1;
    bool found = false;
    return Lookup(PositionKey(position), found);
}

int32_t TBookTrainingDatabase::BoardCount() {
    MARVEK_ASSERT(IsOpen());
    return itsDatabase.Count();
}

void TBookTrainingDatabase::EmptyTrainingDatabase() {
    MARVEK_ASSERT(IsOpen());
    itsDatabase.Clear();
    if (!IsamOK()) UserInterface().ShowMessage("Problem emptying training database.");
}

} // namespace marvek
