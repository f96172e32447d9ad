// The book window's PGN commands after the user's choices: import, clipboard import, line and
// tree export.
#include "pgn/BookWindowPGN.h"

#include <vector>

#include "app/Settings.h"
#include "app/UserInterface.h"
#include "book/Book2.h"
#include "book/RichTextBuffer.h"
#include "bookwindow/BookWindow.h"
#include "pgn/BookToPGNExporter.h"
#include "pgn/ClipboardWorkFile.h"
#include "pgn/LineExporter.h"

namespace marvek {

bool BookWindowRefusesImport(TBookWindow& window) {
    if (!window.BookOpen()) return true;
    if (!window.ReadOnly()) return false;
    UserInterface().ShowMessage("This book was opened \"read only.\"");
    return true;
}

TBookImportRequest TBookImportRequest::FromSettings(const std::string& fileName) {
    const TSettings& settings = Settings();
    TBookImportRequest request;
    request.itsFileName = fileName;
    request.itsOptions = TPGNImportOptions::FromSettings(settings);
    request.itsColours = {settings.MarkNewCandidatesGreen(), settings.MarkNewCandidatesYellow(),
                          settings.MarkNewCandidatesRed()};
    return request;
}

TPGNImportResult ImportIntoBookWindow(TBookWindow& window, const TBookImportRequest& request,
                                      TProgress* progress, TPGNImporter::TNamingQuestion namingQuestion) {
    if (BookWindowRefusesImport(window)) return {};
    // What the window holds unsaved must be in the book before the import adds to it, and the
    // line on disk is what the window comes back to when no game brings a new line.
    window.SaveCurrentRecord();
    if (request.itsWriteLine) window.SaveLine();

    // The importer reads and writes comments through a buffer of its own: the comment window
    // would redraw every position of every game.
    TRichTextBuffer comment;
    TPGNImporter importer(request.itsOptions, progress);
    importer.SetNamingQuestion(std::move(namingQuestion));
    TPGNImportResult result;
    try {
        result = importer.Import(window.Book(), comment, request.itsPlayer, request.itsFilter,
                                 request.itsWriteLine, request.itsColours, request.itsFileName);
    } catch (...) {
        // Whatever was imported before the failure is in the book; the window shows it.
        importer.Options().StoreNaming(Settings());
        window.LoadCurrentPosition();
        window.RefreshPosition();
        throw;
    }
    importer.Options().StoreNaming(Settings());

    const std::string shown = request.itsShownName.empty() ? request.itsFileName : request.itsShownName;
    UserInterface().ShowMessage(TPGNImporter::ImportMessage(result.itsGamesRead, shown, window.Caption()));

    if (request.itsWriteLine) window.RestoreLine();
    window.LoadCurrentPosition();
    window.RefreshPosition();
    window.DrawBoard();
    return result;
}

bool ImportClipboardIntoBookWindow(TBookWindow& window, const std::string& text,
                                   const TPGNImportOptions& options, const TNoveltyColours& colours,
                                   TProgress* progress, TPGNImporter::TNamingQuestion namingQuestion) {
    if (text.empty() || BookWindowRefusesImport(window)) return false;
    TBookImportRequest request;
    request.itsFileName = WriteClipboardWorkFile(ClipboardPgnText(text));
    if (request.itsFileName.empty()) return false;
    request.itsOptions = options;
    request.itsColours = colours;
    request.itsWriteLine = true;
    ImportIntoBookWindow(window, request, progress, std::move(namingQuestion));
    return true;
}

bool ExportBookWindowLine(TBookWindow& window) {
    if (!window.BookOpen()) return false;
    // The comment being edited belongs to the line too.
    window.SaveCurrentRecord();
    const TSettings& settings = Settings();
    const bool comments = settings.PgnExportComments();
    const TPieceLetters local(settings.KingLetter(), settings.QueenLetter(), settings.RookLetter(),
                              settings.BishopLetter(), settings.KnightLetter());
    TBook2& book = window.Book();

    std::vector<TLineExporter::TPly> plies;
    for (int ply = 1; ply <= window.PlyCount(); ++ply)
        plies.push_back({TLineExporter::PgnMove(window.LineMoveText(ply), local),
                         comments ? TLineExporter::CommentLines(book, window.LineBoard(ply))
                                  : std::vector<std::string>()});
    const std::vector<std::string> startComment =
        comments ? TLineExporter::CommentLines(book, window.LineBoard(0)) : std::vector<std::string>();

    TLineExporter exporter(settings);
    return exporter.Export(settings.PgnExportFile(), window.LineBoard(0), startComment, plies);
}

bool ExportBookWindowTree(TBookWindow& window, TProgress* progress) {
    if (!window.BookOpen()) return false;
    window.SaveCurrentRecord();
    TBookToPGNExporter exporter(Settings());
    return exporter.Export(window.Book(), window.CurrentPosition(), Settings().PgnExportFile(), progress);
}

} // namespace marvek
