#include "BookCommands.h"

#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "Arguments.h"
#include "book/Book2.h"
#include "book/BookVerifier.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/Notation.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"

namespace marvek::cli {

namespace {

struct TBookOptions {
    std::string itsBook;
    std::string itsFen;
    std::string itsLine;
    std::string itsName;
    bool itsJson = false;
};

void AddPositionOptions(CLI::App* cmd, TBookOptions& o) {
    auto* fen = cmd->add_option("--fen", o.itsFen, "The position as FEN, or startpos");
    cmd->add_option("--line", o.itsLine,
                    "The position after these moves from the start, such as \"e4 e5 Nf3\"")
        ->excludes(fen);
}

enum class TAccess { kRead, kWrite };

// The storage engine and one book, open for the length of a subcommand.
class TOpenBook {
public:
    TOpenBook(const std::string& path, TAccess access) {
        std::string base = BookArgument(path);
        if (!FileExists(base + ".2MD"))
            throw EMarvekError("no book at " + base + " (its file " + base + ".2MD is missing)");
        // Books on read-only media are opened read-only, as the program does.
        itsBook.Open(base, access == TAccess::kRead || FreeBytes(base + ".2MD") == 0, false);
        if (access == TAccess::kWrite && itsBook.IsReadOnly()) throw EMarvekError("the book is read-only");
    }

    TBook2& operator*() { return itsBook; }
    TBook2* operator->() { return &itsBook; }

private:
    TStorageSession itsStorage; // started first, stopped after the book is closed
    TBook2 itsBook;
};

const char* const kRateNames[] = {
    "White wins",   "White clearly better",  "White slightly better", "equal",      "unclear",
    "compensation", "Black slightly better", "Black clearly better",  "Black wins", "none",
    "special"};

std::string RateText(int rate) {
    if (rate >= 0 && rate <= 10) return std::to_string(rate) + " (" + kRateNames[rate] + ")";
    return std::to_string(rate) + " (unsupported)";
}

std::string AssessmentText(int assessment) {
    return assessment == kNoAssessment ? std::string("none") : std::to_string(assessment);
}

std::string MarksText(const TCandidate& c) {
    std::string marks;
    for (auto [on, word] : {std::pair{c.itsGreen, "green"}, {c.itsYellow, "yellow"}, {c.itsRed, "red"}})
        if (on) marks += (marks.empty() ? "" : ",") + std::string(word);
    return marks.empty() ? "-" : marks;
}

// A take-back entry as the move that led here: "e2e4".
std::string TakeBackText(const TTakeBack& t) {
    return SquareName(t.itsFrom) + SquareName(t.itsTo);
}

struct TShownCandidate {
    std::string itsMove;
    const TCandidate* itsCandidate;
    bool itsTargetInBook = false;
    int itsRate = 9;
    int itsCount = 0;
    int16_t itsAssessment = kNoAssessment;
};

void ShowRecord(TBook2& book, const TPackedPosition& position, bool json, int& result) {
    std::string fen = TChessPosition(position).ToFEN();
    if (!book.IsInBook(position)) {
        std::cerr << "not in the book: " << fen << '\n';
        result = 1;
        return;
    }
    TPositionRecord record;
    record.SetPosition(position);
    TRichTextBuffer comment;
    book.FillInEverything(record, &comment);

    TChessParser parser;
    UseSettingsLetters(parser);
    std::vector<TShownCandidate> shown;
    for (int i = 0; i < record.CandidateCount(); ++i) {
        TShownCandidate c{{}, &record.Candidate(i)};
        parser.LoadPosition(position);
        c.itsMove = parser.NotationFor(c.itsCandidate->itsMove);
        parser.SetMoveText(c.itsMove);
        if (!c.itsMove.empty() && parser.ParseMove()) {
            parser.ApplyMove();
            RecRef ref = 0;
            c.itsTargetInBook = book.GetPositionCodeForThisBoard(parser.CurrentPosition(), c.itsRate, ref,
                                                                 c.itsCount, c.itsAssessment);
        }
        shown.push_back(c);
    }
    std::string name;
    book.GetNameForThisBoard(position, name);
    std::vector<std::string> takeBacks;
    for (int i = 0; i < record.TakeBackCount(); ++i) takeBacks.push_back(TakeBackText(record.TakeBack(i)));
    std::vector<std::string> lines = comment.PlainTextLines();

    if (json) {
        nlohmann::json candidates = nlohmann::json::array();
        for (const TShownCandidate& c : shown) {
            nlohmann::json entry = {{"move", c.itsMove},
                                    {"symbol", std::string(SymbolText(c.itsCandidate->itsMove.itsSymbol))},
                                    {"green", c.itsCandidate->itsGreen},
                                    {"yellow", c.itsCandidate->itsYellow},
                                    {"red", c.itsCandidate->itsRed}};
            if (c.itsTargetInBook)
                entry["target"] = {
                    {"rate", c.itsRate}, {"count", c.itsCount}, {"assessment", c.itsAssessment}};
            candidates.push_back(entry);
        }
        nlohmann::json out = {{"fen", fen},
                              {"name", name},
                              {"candidates", candidates},
                              {"informantRate", record.InformantRate()},
                              {"backsolvedRate", record.BacksolvedRate()},
                              {"backsolvedCount", record.BacksolvedCount()},
                              {"assessment", record.Assessment()},
                              {"certainty", record.Certainty()},
                              {"openingCode", record.OpeningCode()},
                              {"takeBacks", takeBacks},
                              {"marks", record.ScriptList()},
                              {"comment", lines}};
        std::cout << out.dump() << '\n';
        result = 0;
        return;
    }
    std::cout << "position: " << fen << '\n';
    if (!name.empty()) std::cout << "name: " << name << '\n';
    std::cout << "candidates: " << shown.size() << '\n';
    for (const TShownCandidate& c : shown) {
        std::cout << "  " << c.itsMove << SymbolText(c.itsCandidate->itsMove.itsSymbol) << "\tmarks "
                  << MarksText(*c.itsCandidate) << '\t';
        if (c.itsTargetInBook)
            std::cout << "rate " << RateText(c.itsRate) << ", count " << c.itsCount << ", assessment "
                      << AssessmentText(c.itsAssessment);
        else
            std::cout << "not in the book";
        std::cout << '\n';
    }
    auto joined = [](const std::vector<std::string>& parts) {
        std::string text;
        for (const std::string& part : parts) text += (text.empty() ? "" : " ") + part;
        return text;
    };
    std::cout << "Informant rate: " << RateText(record.InformantRate()) << '\n'
              << "backsolved rate: " << RateText(record.BacksolvedRate()) << ", count "
              << record.BacksolvedCount() << '\n'
              << "assessment: " << AssessmentText(record.Assessment()) << '\n'
              << "certainty: " << record.Certainty() << '\n'
              << "opening code: " << record.OpeningCode() << '\n'
              << "reached by: " << joined(takeBacks) << '\n'
              << "marks: " << joined(record.ScriptList()) << '\n'
              << "comment:\n";
    for (const std::string& line : lines) std::cout << "  " << line << '\n';
    result = 0;
}

void AddCreateCommand(CLI::App* book, int& result) {
    auto o = std::make_shared<TBookOptions>();
    auto* cmd =
        book->add_subcommand("create", "Create an empty book (an existing one of that name is replaced)");
    cmd->add_option("BOOK", o->itsBook, "Path of the book, without extension")->required();
    cmd->callback([o, &result] {
        TStorageSession storage;
        TBook2 book;
        std::string name = TBook2::CleanBookName(BookArgument(o->itsBook));
        if (!book.Create(name)) throw EMarvekError("the book " + name + " could not be created");
        std::cout << "created " << name << ".2MD\n";
        result = 0;
    });
}

void AddShowCommand(CLI::App* book, int& result) {
    auto o = std::make_shared<TBookOptions>();
    auto* cmd = book->add_subcommand("show", "The record of a position as the book window shows it");
    cmd->add_option("BOOK", o->itsBook, "Path of the book")->required();
    AddPositionOptions(cmd, *o);
    cmd->add_flag("--json", o->itsJson, "Machine-readable output");
    cmd->callback([o, &result] {
        TPackedPosition position = PositionArgument(o->itsFen, o->itsLine);
        TOpenBook book(o->itsBook, TAccess::kRead);
        ShowRecord(*book, position, o->itsJson, result);
    });
}

void ShowStats(TBook2& book, bool json) {
    nlohmann::json files = nlohmann::json::array();
    // The position files in order, then the names file (number 0).
    for (int n = 1; n <= book.PositionFileCount() + 1; ++n) {
        int k = n <= book.PositionFileCount() ? n : 0;
        for (char kind : {'D', 'X'}) {
            std::string file = book.ExpandedName() + "." + TBook2::Extension(k, kind);
            int64_t size = 0;
            FileSize(file, &size);
            files.push_back({{"file", file}, {"bytes", size}});
        }
    }
    bool readOnly = FreeBytes(book.ExpandedName() + ".2MD") == 0 || IsReadOnly(book.ExpandedName() + ".2MD");
    if (json) {
        nlohmann::json out = {{"book", book.ExpandedName()}, {"positions", book.PositionCount()},
                              {"names", book.NameCount()},   {"positionFiles", book.PositionFileCount()},
                              {"readOnly", readOnly},        {"files", files}};
        std::cout << out.dump() << '\n';
        return;
    }
    std::cout << "book: " << book.ExpandedName() << '\n'
              << "positions: " << book.PositionCount() << '\n'
              << "named positions: " << book.NameCount() << '\n'
              << "position files: " << book.PositionFileCount() << '\n'
              << "read-only: " << (readOnly ? "yes" : "no") << '\n';
    for (const auto& f : files)
        std::cout << f["file"].get<std::string>() << '\t' << f["bytes"].get<int64_t>() << '\n';
}

void AddStatsCommand(CLI::App* book, int& result) {
    auto o = std::make_shared<TBookOptions>();
    auto* cmd = book->add_subcommand("stats", "Positions, named positions and files of a book");
    cmd->add_option("BOOK", o->itsBook, "Path of the book")->required();
    cmd->add_flag("--json", o->itsJson, "Machine-readable output");
    cmd->callback([o, &result] {
        TOpenBook book(o->itsBook, TAccess::kRead);
        ShowStats(*book, o->itsJson);
        result = 0;
    });
}

void AddNamesCommand(CLI::App* book, int& result) {
    auto o = std::make_shared<TBookOptions>();
    auto* cmd = book->add_subcommand("names", "The named positions of a book, in name order, with their FEN");
    cmd->add_option("BOOK", o->itsBook, "Path of the book")->required();
    cmd->add_flag("--json", o->itsJson, "Machine-readable output");
    cmd->callback([o, &result] {
        TOpenBook book(o->itsBook, TAccess::kRead);
        nlohmann::json out = nlohmann::json::array();
        std::string name;
        while (book->NextBoardName(name)) {
            TPackedPosition position;
            std::string fen;
            if (book->GetBoardForThisName(name, position)) {
                TChessPosition p;
                p.SetPosition(position);
                fen = p.ToFEN();
            }
            if (o->itsJson)
                out.push_back({{"name", name}, {"fen", fen}});
            else
                std::cout << name << '\t' << fen << '\n';
        }
        if (o->itsJson) std::cout << out.dump() << '\n';
        result = 0;
    });
}

void AddNameCommand(CLI::App* book, int& result) {
    auto o = std::make_shared<TBookOptions>();
    auto* cmd = book->add_subcommand(
        "name", "Give a position a name (its earlier name, and the name's earlier position, let go)");
    cmd->add_option("BOOK", o->itsBook, "Path of the book")->required();
    cmd->add_option("NAME", o->itsName, "The name (at most 41 characters)")->required();
    AddPositionOptions(cmd, *o);
    cmd->callback([o, &result] {
        if (o->itsFen.empty() && o->itsLine.empty())
            throw CLI::ValidationError("--fen or --line", "name which position");
        TPackedPosition position = PositionArgument(o->itsFen, o->itsLine);
        TOpenBook book(o->itsBook, TAccess::kWrite);
        book->UpdateBoardName(position, o->itsName);
        result = book->ThisBoardNameExists(o->itsName.substr(0, kMaxNameLength)) ? 0 : 1;
    });
}

void AddUnnameCommand(CLI::App* book, int& result) {
    auto o = std::make_shared<TBookOptions>();
    auto* cmd = book->add_subcommand("unname", "Remove a name");
    cmd->add_option("BOOK", o->itsBook, "Path of the book")->required();
    cmd->add_option("NAME", o->itsName, "The name")->required();
    cmd->callback([o, &result] {
        TOpenBook book(o->itsBook, TAccess::kWrite);
        if (!book->DeleteBoardName(o->itsName)) {
            std::cerr << "no position is named " << o->itsName << '\n';
            result = 1;
            return;
        }
        result = 0;
    });
}

void AddVerifyCommand(CLI::App* book, int& result) {
    auto o = std::make_shared<TBookOptions>();
    auto* cmd = book->add_subcommand("verify", "Check every file and record of a book without changing it");
    cmd->add_option("BOOK", o->itsBook, "Path of the book")->required();
    cmd->callback([o, &result] {
        TStorageSession storage;
        TBookVerifyReport report = VerifyBook(BookArgument(o->itsBook));
        if (!report.itsOpened) throw EMarvekError("cannot verify: " + report.itsOpenError);
        std::cout << "position files: " << report.itsPositionFiles << '\n'
                  << "positions: " << report.itsPositions << '\n'
                  << "named positions: " << report.itsNames << '\n';
        for (const std::string& fault : report.itsFaults) std::cout << "fault: " << fault << '\n';
        if (report.Sound())
            std::cout << "sound\n";
        else
            std::cout << report.itsFaults.size() << (report.itsFaults.size() == 1 ? " fault\n" : " faults\n");
        result = report.Sound() ? 0 : 1;
    });
}

void AddRebuildCommand(CLI::App* book, int& result) {
    auto o = std::make_shared<TBookOptions>();
    auto* cmd = book->add_subcommand("rebuild", "Rebuild every database of a book from its records");
    cmd->add_option("BOOK", o->itsBook, "Path of the book")->required();
    cmd->callback([o, &result] {
        TStorageSession storage;
        TBook2 book;
        std::string base = BookArgument(o->itsBook);
        if (!FileExists(base + ".2MD")) throw EMarvekError("no book at " + base);
        book.Open(base, false, false, true, true);
        std::cout << "rebuilt " << book.ExpandedName() << ": " << book.PositionCount() << " positions, "
                  << book.NameCount() << " named positions\n";
        result = 0;
    });
}

} // namespace

void AddBookCommands(CLI::App& app, int& result) {
    CLI::App* book = app.add_subcommand("book", "Books: create, inspect, name positions, rebuild");
    book->require_subcommand(1);
    AddCreateCommand(book, result);
    AddShowCommand(book, result);
    AddStatsCommand(book, result);
    AddNamesCommand(book, result);
    AddNameCommand(book, result);
    AddUnnameCommand(book, result);
    AddVerifyCommand(book, result);
    AddRebuildCommand(book, result);
}

} // namespace marvek::cli
