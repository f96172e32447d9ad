#include "ExportCommands.h"

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "Arguments.h"
#include "app/ConsoleUserInterface.h"
#include "app/Settings.h"
#include "book/Book2.h"
#include "pgn/BookToPGNExporter.h"
#include "pgn/LineExporter.h"
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
    bool itsComments = false;
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

// Writes the moves of --line from --fen (or the start position) as one game.
void RunExportLine(const CLI::App& cmd, const TExportOptions& o, int& result) {
    TPackedPosition start = o.itsFen.empty() ? StartPosition() : ReadFenArgument(o.itsFen);
    TSettings settings = Settings();
    ApplyTags(cmd, o, settings);

    TStorageSession storage;
    TBook2 book;
    std::string base = BookArgument(o.itsBook);
    if (!FileExists(base + ".2MD"))
        throw EMarvekError("no book at " + base + " (its file " + base + ".2MD is missing)");
    book.Open(base, true, false);

    // Moves are read in the user's letters and written in English ones, as PGN wants.
    TChessParser reader;
    UseSettingsLetters(reader);
    reader.LoadPosition(start);
    TChessParser writer;
    std::vector<std::string> startComment =
        o.itsComments ? TLineExporter::CommentLines(book, start) : std::vector<std::string>();
    std::vector<TLineExporter::TPly> plies;
    std::istringstream moves(o.itsLine);
    std::string move;
    while (moves >> move) {
        bool legal = false;
        if (IsCoordinateMove(move)) {
            legal = !reader.CoordinateToNotation(move).empty();
        } else {
            reader.SetMoveText(move);
            legal = reader.ParseMove();
        }
        if (!legal) throw EMarvekError("illegal move: " + move);
        writer.LoadPosition(reader.CurrentPosition());
        std::string text = writer.NotationFor(reader.GetChessMove());
        reader.ApplyMove();
        plies.push_back({text, o.itsComments ? TLineExporter::CommentLines(book, reader.CurrentPosition())
                                             : std::vector<std::string>()});
    }
    book.Close();

    TLineExporter exporter(settings);
    if (!exporter.Export(o.itsFile, start, startComment, plies)) {
        result = 1;
        return;
    }
    std::cout << "exported " << plies.size() << (plies.size() == 1 ? " ply to " : " plies to ") << o.itsFile
              << '\n';
    result = 0;
}

void AddExportLineCommand(CLI::App& book, int& result) {
    auto o = std::make_shared<TExportOptions>();
    auto* cmd =
        book.add_subcommand("export-line", "Write a line of moves as one PGN game (appended to the file)");
    cmd->add_option("BOOK", o->itsBook, "Path of the book (for the comments)")->required();
    cmd->add_option("FILE", o->itsFile, "The PGN file")->required();
    cmd->add_option("--line", o->itsLine, "The moves, such as \"e4 e5 Nf3\"");
    cmd->add_option("--fen", o->itsFen, "The line starts from this position (FEN or startpos)");
    cmd->add_flag("--comments", o->itsComments, "Write the positions' comments");
    cmd->add_flag("--erase", o->itsErase, "Replace the file instead of appending to it");
    cmd->add_option("--event", o->itsEvent, "Tag Event");
    cmd->add_option("--site", o->itsSite, "Tag Site");
    cmd->add_option("--white", o->itsWhite, "Tag White");
    cmd->add_option("--black", o->itsBlack, "Tag Black");
    cmd->add_option("--date", o->itsDate, "Tag Date, MM/DD/YYYY or YYYY.MM.DD");
    cmd->add_option("--round", o->itsRound, "Tag Round");
    cmd->add_option("--result", o->itsResult, "Tag Result and the game's end")
        ->check(CLI::IsMember({"1-0", "0-1", "1/2-1/2", "*"}));
    cmd->add_option("--eco", o->itsEco, "Tag ECO");
    cmd->callback([o, cmd, &result] { RunExportLine(*cmd, *o, result); });
}

} // namespace

void AddExportCommands(CLI::App& app, int& result) {
    CLI::App* book = app.get_subcommand("book");
    AddExportLineCommand(*book, result);
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
