#include "book/PositionTagger.h"

#include "app/UserInterface.h"
#include "book/PositionKey.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace marvek {

namespace {

std::string PlacedPath(const std::string& basePath) {
    if (!basePath.empty() && basePath.front() == '/') return ExpandedPath(basePath);
    return ExpandedPath(TPositionTagger::TemporaryFolder() + basePath);
}

} // namespace

std::string TPositionTagger::TemporaryFolder() {
    std::string folder = ProgramFolder() + "Temp/";
    CreateFolder(folder);
    return folder;
}

TPositionTagger::~TPositionTagger() {
    if (itsExpandedPath.empty()) return;
    CloseTagFile();
    // Scratch files also go when the client closed the tagger before letting it go. A file that
    // cannot be deleted is an internal error; a destructor cannot throw, so it is shown the way a
    // command that ended with one is.
    if (DeleteMatching(itsExpandedPath) != 0)
        UserInterface().ShowError(EInternalError(__FILE__, __LINE__).what());
}

void TPositionTagger::OpenTagFile(const std::string& basePath) {
    // Without a name the files could not be told apart from others in the folder, nor removed.
    MARVEK_ASSERT(!basePath.empty() && basePath.back() != '/');
    CloseTagFile();
    std::string placed = PlacedPath(basePath);
    // Scratch files of an earlier name would outlive the tagger, which removes only its last.
    if (!itsExpandedPath.empty() && itsExpandedPath != placed) DeleteMatching(itsExpandedPath);
    itsBasePath = basePath;
    itsExpandedPath = placed;
    if (!itsDatabase.Create(itsExpandedPath)) {
        UserInterface().ShowMessage("Problem creating temporary file " + itsExpandedPath);
        return;
    }
    if (!itsDatabase.Open(itsExpandedPath, false))
        throw EDatabaseProblem("The temporary file could not be opened. Error=" +
                               std::to_string(IsamError()));
}

void TPositionTagger::CloseTagFile() {
    itsDatabase.Close();
}

void TPositionTagger::AddBoard(const TPackedPosition& position, int32_t value) {
    MARVEK_ASSERT(IsOpen());
    TPositionKeyDatabase::RequireRoom(itsExpandedPath);
    TIsamKey key = PositionKey(position);
    bool found = false;
    itsDatabase.Find(key, found);
    if (found) return;
    MARVEK_ASSERT(IsamError() == kIsamKeyNotFound);
    itsDatabase.Add(key, value);
    if (!IsamOK()) throw EDatabaseProblem("Problem with BTAddKey() in TPositionTagger.AddBoard()");
}

bool TPositionTagger::BoardIsTagged(const TPackedPosition& position) {
    MARVEK_ASSERT(IsOpen());
    bool found = false;
    itsDatabase.Find(PositionKey(position), found);
    return found;
}

void TPositionTagger::EmptyTagFile() {
    MARVEK_ASSERT(IsOpen());
    itsDatabase.Clear();
    if (!IsamOK()) UserInterface().ShowMessage("Problem emptying temporary file.");
}

} // namespace marvek
