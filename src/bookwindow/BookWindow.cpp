// The book window's hold on its book: creating, opening and closing the book and its training
// counts.
#include "bookwindow/BookWindow.h"

#include "book/Book2.h"
#include "book/BookTrainingDatabase.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessPosition.h"
#include "platform/Errors.h"
#include "platform/File.h"

#include <filesystem>

namespace marvek {

TBookWindow::TBookWindow() = default;

TBookWindow::~TBookWindow() {
    CloseBook();
}

std::string TBookWindow::CaptionFor(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

void TBookWindow::OpenBook(const std::string& path, bool isNew, bool safety, bool readOnly, bool rebuild) {
    CloseBook();
    try {
        itsBook = std::make_unique<TBook2>();
        if (isNew) {
            // The line saved with an earlier book of this name would be walked in the new one.
            RemoveFile(path + ".2B1");
            RemoveFile(path + ".2B2");
            // Create has shown what went wrong; this tells the frame the window holds no book.
            if (!itsBook->Create(path))
                throw EDatabaseProblem("The book \"" + path + "\" could not be created.");
            // A failure here is shown; opening the counts below makes the files afresh.
            TBookTrainingDatabase().CreateTrainingFiles(path);
        }
        itsBook->Open(path, readOnly, safety, rebuild, rebuild);
        if (!readOnly) {
            itsTraining = std::make_unique<TBookTrainingDatabase>();
            itsTraining->OpenTrainingFiles(path, false);
        }
        itsBookName = path;
        if (isNew) {
            // A new book holds its start position from the first moment, as an empty record.
            TPositionRecord start;
            start.SetPosition(StartPosition());
            TRichTextBuffer comment;
            itsBook->UpdateEverything(start, &comment);
        }
    } catch (...) {
        CloseBook();
        throw;
    }
}

void TBookWindow::CloseBook() {
    if (itsTraining != nullptr) itsTraining->CloseTrainingFiles();
    itsTraining.reset();
    if (itsBook != nullptr) itsBook->Close();
    itsBook.reset();
    itsBookName.clear();
}

bool TBookWindow::BookOpen() const {
    return itsBook != nullptr && itsBook->IsOpen();
}

bool TBookWindow::ReadOnly() const {
    return BookOpen() && itsBook->IsReadOnly();
}

int32_t TBookWindow::PositionCount() {
    return BookOpen() ? itsBook->PositionCount() : 0;
}

} // namespace marvek
