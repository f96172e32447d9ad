#include "PgnCommands.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "Arguments.h"
#include "app/ConsoleUserInterface.h"
#include "app/Settings.h"
#include "book/Book2.h"
#include "book/RichTextBuffer.h"
#include "pgn/ClipboardWorkFile.h"
#include "pgn/PGNImporter.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"

namespace marvek::cli {

namespace {

// The console progress line with the import's speed beside its counters; the file name and the
// players are left out so that the line fits a terminal.
class TImportProgress : public TConsoleProgress {
public:
    void Start(const std::string& title) override {
        TConsoleProgress::Start(title);
        itsStart = TickCount();
    }
    void SetText(int, const std::string&) override {}
    void SetCounter(const std::string& caption, int64_t value) override {
        TConsoleProgress::SetCounter(caption, value);
        if (caption != "Games Imported:") return;
        int64_t elapsed = TickCount() - itsStart;
        if (elapsed > 0) TConsoleProgress::SetCounter("Games/s:", value * 1000 / elapsed);
    }

private:
    int64_t itsStart = 0;
};

struct TImportArguments {
    std::string itsBook;
    std::string itsFile;
    std::optional<int32_t> itsPlies;
    bool itsHeader = false;
    bool itsNoHeader = false;
    std::optional<std::string> itsMarks;
    std::string itsWhite;
    std::string itsBlack;
    std::optional<std::string> itsNaming;
    bool itsWriteLine = false;
};

TNoveltyColours MarksArgument(const std::string& text) {
    TNoveltyColours colours{false, false, false};
    if (text == "none") return colours;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = std::min(text.find(',', start), text.size());
        std::string word = text.substr(start, end - start);
        if (word == "green")
            colours.itsGreen = true;
        else if (word == "yellow")
            colours.itsYellow = true;
        else if (word == "red")
            colours.itsRed = true;
        else
            throw CLI::ValidationError("--mark",
                                       "expected green, yellow and red separated by commas, or none");
        start = end + 1;
    }
    return colours;
}

TNamingStyle NamingArgument(const std::string& text) {
    static const char* const kNames[] = {"none", "sequential", "white", "black", "white-black", "fen"};
    for (int i = 0; i < 6; ++i)
        if (text == kNames[i] || text == std::to_string(i)) return TNamingStyle(i);
    throw CLI::ValidationError("--naming", "expected none, sequential, white, black, white-black or fen");
}

void RunImport(const TImportArguments& a, int& result) {
    TPGNImportOptions options = TPGNImportOptions::FromSettings(Settings());
    if (a.itsPlies) options.itsPlyLimit = *a.itsPlies;
    if (a.itsHeader) options.itsHeaderInComment = true;
    if (a.itsNoHeader) options.itsHeaderInComment = false;
    if (a.itsNaming) options.itsNamingStyle = NamingArgument(*a.itsNaming);
    TNoveltyColours colours{Settings().MarkNewCandidatesGreen(), Settings().MarkNewCandidatesYellow(),
                            Settings().MarkNewCandidatesRed()};
    if (a.itsMarks) colours = MarksArgument(*a.itsMarks);
    TPlayerFilter filter = !a.itsWhite.empty()   ? TPlayerFilter::kWhite
                           : !a.itsBlack.empty() ? TPlayerFilter::kBlack
                                                 : TPlayerFilter::kNone;
    std::string player = !a.itsWhite.empty() ? a.itsWhite : a.itsBlack;

    std::string base = BookArgument(a.itsBook);
    if (!FileExists(base + ".2MD"))
        throw EMarvekError("no book at " + base + " (its file " + base + ".2MD is missing)");
    // "-" reads the games from standard input; the importer reads a file, so the text goes to the
    // program folder's PGN work file first.
    const bool fromInput = a.itsFile == "-";
    std::string pgnFile = a.itsFile;
    if (fromInput) {
        std::ostringstream text;
        text << std::cin.rdbuf();
        pgnFile = WriteClipboardWorkFile(text.str());
        if (pgnFile.empty()) throw EMarvekError("could not write the standard input to a work file");
    }
    const std::string shownName = fromInput ? std::string("standard input") : a.itsFile;
    if (!FileExists(pgnFile)) throw EMarvekError("no PGN file at " + a.itsFile);

    TStorageSession storage;
    TBook2 book;
    book.Open(base, FreeBytes(base + ".2MD") == 0, false);
    if (book.IsReadOnly()) throw EMarvekError("the book " + base + " is read-only");
    TRichTextBuffer comment;
    TImportProgress progress;
    TPGNImporter importer(options, &progress);
    TPGNImportResult outcome =
        importer.Import(book, comment, player, filter, a.itsWriteLine, colours, pgnFile);

    // Names taken by a sequential naming advance the number the next import starts from.
    if (importer.Options().itsSequentialNumber != options.itsSequentialNumber) {
        Settings().SetPgnImportNextSequentialNumber(importer.Options().itsSequentialNumber);
        SavePreferences();
    }
    if (outcome.itsGamesFound == 0 && outcome.itsReadError == 0 && !outcome.itsStopped) {
        std::cerr << "no game was found in " << shownName << '\n';
        result = 1;
        return;
    }
    std::string message = TPGNImporter::ImportMessage(outcome.itsGamesRead, shownName, book.BaseName());
    message.erase(std::remove(message.begin(), message.end(), '\r'), message.end());
    std::cout << message << '\n';
    if (outcome.itsBadFenGames > 0)
        std::cerr << outcome.itsBadFenGames << (outcome.itsBadFenGames == 1 ? " game was" : " games were")
                  << " skipped: the FEN tag is not a position that can be played\n";
    result = 0;
    if (outcome.itsReadError != 0) {
        std::cerr << "reading " << shownName << " failed: " << std::strerror(outcome.itsReadError)
                  << "; the games before the failure are in the book\n";
        result = 1;
    } else if (outcome.itsStopped) {
        std::cerr << "stopped; the games read so far are in the book\n";
        result = 130;
    }
}

} // namespace

void AddPgnCommands(CLI::App& app, int& result) {
    CLI::App* book = app.get_subcommand("book");
    auto a = std::make_shared<TImportArguments>();
    auto* cmd = book->add_subcommand("import", "Import the games of a PGN file into a book");
    cmd->add_option("BOOK", a->itsBook, "Path of the book")->required();
    cmd->add_option("FILE", a->itsFile, "The PGN file, or - for standard input")->required();
    cmd->add_option("--plies", a->itsPlies, "Main-line plies to import per game (default: the settings)")
        ->check(CLI::Range(0, std::numeric_limits<int32_t>::max()));
    auto* header =
        cmd->add_flag("--header-comment", a->itsHeader, "Put the game header in the last position's comment");
    cmd->add_flag("--no-header-comment", a->itsNoHeader, "Leave the game header out")->excludes(header);
    cmd->add_option("--mark", a->itsMarks,
                    "Marks of added candidates: green, yellow, red separated by commas, or none");
    auto* white = cmd->add_option("--white", a->itsWhite, "Import only the games this player had White in");
    cmd->add_option("--black", a->itsBlack, "Import only the games this player had Black in")
        ->excludes(white);
    cmd->add_option(
        "--naming", a->itsNaming,
        "How positions from FEN tags are named: none, sequential, white, black, white-black, fen");
    cmd->add_flag("--write-line", a->itsWriteLine,
                  "Save the line up to the first new move as the book's line, for the book window");
    cmd->callback([a, &result] { RunImport(*a, result); });
}

} // namespace marvek::cli
