#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One open book as its window holds it. Today the window holds the book and its training counts
// and answers what the main window asks (its path, its caption, whether it is read-only, how many
// positions it has); walking and building the book on the board come with the full book window.

namespace marvek {

class TBook2;
class TBookTrainingDatabase;

class TBookWindow {
public:
    TBookWindow();
    // Closes the book (and its training counts) when it is still open.
    ~TBookWindow();
    TBookWindow(const TBookWindow&) = delete;
    TBookWindow& operator=(const TBookWindow&) = delete;

    // Opens the book at path (folder and name, no extension, no '.') into this window. A new book
    // replaces any book of that name: its saved line is deleted and its book and training files
    // are created empty, with the start position written. The training counts are opened unless
    // the book is read-only. rebuild asks the book to rebuild its names and position files first.
    // Raises EDatabaseProblem when the book cannot be created or opened; the window then holds no
    // book.
    void OpenBook(const std::string& path, bool isNew, bool safety, bool readOnly, bool rebuild = false);
    // Closes the book; nothing happens when none is open.
    void CloseBook();

    // What the main window's timers and commands call on the active book window. They do nothing
    // until walking and training arrive.
    void Refresh() {}
    void DelayedRefresh() {}
    void TrainingStep() {}
    void ApplyPreferences() {}

    bool BookOpen() const;
    // The path the book was opened with (no extension).
    const std::string& BookName() const { return itsBookName; }
    // The file-name part of the path: the window's caption.
    std::string Caption() const { return CaptionFor(itsBookName); }
    // The caption of a window for the book at path, known before the book is open.
    static std::string CaptionFor(const std::string& path);
    bool ReadOnly() const;
    // Positions in the book; 0 when no book is open.
    int32_t PositionCount();

    TBook2& Book() { return *itsBook; }

private:
    std::unique_ptr<TBook2> itsBook;
    std::unique_ptr<TBookTrainingDatabase> itsTraining;
    std::string itsBookName;
};

} // namespace marvek
