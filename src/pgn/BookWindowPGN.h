// The book window's PGN commands: importing a file or the clipboard's text into its book, and
// writing its line or its book's tree as a PGN game.
#pragma once

#include <string>

#include "pgn/PGNImporter.h"

// The dialogs (file choice, options, naming, progress) are the window's business; these functions
// do what follows the user's choices, so the command-line tool's tests and the desktop program
// see one behaviour.

namespace marvek {

class TBookWindow;
class TProgress;

// What the import dialogs chose.
struct TBookImportRequest {
    std::string itsFileName;
    // The name the final message gives for the file; the file name when empty.
    std::string itsShownName;
    TPGNImportOptions itsOptions;
    TNoveltyColours itsColours;
    TPlayerFilter itsFilter = TPlayerFilter::kNone;
    std::string itsPlayer;
    // Write the line up to the last game's first new move as the book's saved line, and walk
    // the window along it afterwards.
    bool itsWriteLine = false;

    // The options, the colours of added candidates and no filter, as the preferences hold them.
    static TBookImportRequest FromSettings(const std::string& fileName);
};

// True, with the window's message shown, when the window's book cannot take games (it is
// read-only), or when no book is open; the commands ask this before their dialogs.
bool BookWindowRefusesImport(TBookWindow& window);

// Imports a PGN file into the window's book. The window's record is saved first and its current
// position read again afterwards (the import may have added to it); the naming choices and the
// advanced sequential number go back to the preferences. The count of games is shown unless
// nothing could be read. A read-only book is refused with the window's message.
TPGNImportResult ImportIntoBookWindow(TBookWindow& window, const TBookImportRequest& request,
                                      TProgress* progress, TPGNImporter::TNamingQuestion namingQuestion = {});

// The clipboard's text imported through CLIPBRD.PGN in the program folder, with the novelty line
// written; the window then walks from the start of the last game that left the book to its first
// new move. With no game new to the book the window stays on its line. False when nothing was
// imported: no text, or the work file could not be written (which has been shown).
bool ImportClipboardIntoBookWindow(TBookWindow& window, const std::string& text,
                                   const TPGNImportOptions& options, const TNoveltyColours& colours,
                                   TProgress* progress, TPGNImporter::TNamingQuestion namingQuestion = {});

// The window's line, from its start to the position shown, appended to (or replacing) the PGN
// export file of the preferences with their tags, and with the positions' comments when the
// preferences say so. False when the file could not be written (shown to the user).
bool ExportBookWindowLine(TBookWindow& window);

// The book's tree below the window's position written as one game to the PGN export file.
bool ExportBookWindowTree(TBookWindow& window, TProgress* progress);

} // namespace marvek
