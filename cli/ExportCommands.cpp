#include "ExportCommands.h"

#include <iostream>
#include <memory>
#include <string>

#include "Arguments.h"
#include "app/ConsoleUserInterface.h"
#include "app/Settings.h"
#include "book/Book2.h"
#include "pgn/BookToPGNExporter.h"
#include "pgn/PGNHeader.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"

namespace marvek::cli {

namespace {

struct TExportOptions {
    std::string itsBook;
    std::string itsFile;
    std::string itsFen;
    std::string itsLine;
    bool itsErase = false;
    std::string itsEvent, itsSite, itsWhite, itsBlack, itsDate, itsRound, itsResult, itsEco;
};

// Tag options that are given replace the stored export tags for this run only; the stored
// settings are not written back.
void ApplyTags(const CLI::App& cmd, const TExportOptions& o, TSettings& settings) {
    auto given = [&cmd](const char* name) { return cmd.count(name) > 0; };
    if (given("--event")) settings.SetPgnExportEvent(o.itsEvent);
    if (given("--site")) settings.SetPgnExportSite(o.itsSite);
    if (given("--white")) settings.SetPgnExportWhite(o.itsWhite);
    if (given("--black")) settings.SetPgnExportBlack(o.itsBlack);
    if (given("--date")) settings.SetPgnExportDate(o.itsDate);
    if (given("--round")) settings.SetPgnExportRound(o.itsRound);
    if (given("--eco")) settings.SetPgnExportEco(o.itsEco);
    if (given("--result")) settings.SetPgnExportResult(ResultCode(o.itsResult));
    settings.SetPgnExportErase(o.itsErase);
}

} // namespace

void AddExportCommands(CLI::App& app, int& result) {
    CLI::App* book = app.get_subcommand("book");
    auto o = std::make_shared<TExportOptions>();
    auto* cmd = book->add_subcommand(
        "export", "Write the book's tree below a position as one PGN game (appended to the file)");
    cmd->add_option("BOOK", o->itsBook, "Path of the book")->required();
    cmd->add_option("FILE", o->itsFile, "The PGN file")->required();
    auto* fen = cmd->add_option("--fen", o->itsFen, "Start from this position (FEN or startpos)");
    cmd->add_option("--line", o->itsLine, "Start from the position after these moves, such as \"e4 e5\"")
        ->excludes(fen);
    cmd->add_flag("--erase", o->itsErase, "Replace the file instead of appending to it");
    cmd->add_option("--event", o->itsEvent, "Tag Event (at most 65 characters)");
    cmd->add_option("--site", o->itsSite, "Tag Site (at most 65 characters)");
    cmd->add_option("--white", o->itsWhite, "Tag White (at most 65 characters)");
    cmd->add_option("--black", o->itsBlack, "Tag Black (at most 65 characters)");
    cmd->add_option("--date", o->itsDate, "Tag Date, YYYY.MM.DD")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                if (text.size() != 10 || text[4] != '.' || text[7] != '.') return "the date is YYYY.MM.DD";
                return {};
            },
            "YYYY.MM.DD"));
    cmd->add_option("--round", o->itsRound, "Tag Round (at most 2 characters)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return text.size() > 2 ? "a round has at most 2 characters" : std::string();
            },
            "ROUND"));
    cmd->add_option("--result", o->itsResult, "Tag Result and the game's end")
        ->check(CLI::IsMember({"1-0", "0-1", "1/2-1/2", "*"}));
    cmd->add_option("--eco", o->itsEco, "Tag ECO (at most 9 characters)");
    cmd->callback([o, cmd, &result] {
        TPackedPosition start = PositionArgument(o->itsFen, o->itsLine);
        TSettings settings = Settings();
        ApplyTags(*cmd, *o, settings);

        TStorageSession storage;
        TBook2 book;
        std::string base = BookArgument(o->itsBook);
        if (!FileExists(base + ".2MD"))
            throw EMarvekError("no book at " + base + " (its file " + base + ".2MD is missing)");
        book.Open(base, true, false);

        TBookToPGNExporter exporter(settings);
        TConsoleProgress progress;
        bool written = exporter.Export(book, start, o->itsFile, &progress);
        std::string bookName = book.ExpandedName();
        book.Close();
        if (!written) {
            result = 1;
            return;
        }
        using TOutcome = TBookToPGNExporter::TOutcome;
        const int count = exporter.PositionsProcessed();
        std::cout << "exported " << count << (count == 1 ? " position from " : " positions from ") << bookName
                  << " to " << o->itsFile;
        switch (exporter.Outcome()) {
        case TOutcome::kComplete: std::cout << '\n'; break;
        case TOutcome::kStopped: std::cout << " (stopped)\n"; break;
        default: std::cout << " (incomplete)\n"; break;
        }
        result = exporter.Outcome() == TOutcome::kComplete ? 0 : 1;
    });
}

} // namespace marvek::cli
