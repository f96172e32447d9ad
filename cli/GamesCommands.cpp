// The "games" commands of marvek-cli: indexing PGN files, searching game files, the game-file list.
#include "GamesCommands.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/ConsoleUserInterface.h"
#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"
#include "games/GameFileList.h"
#include "games/GameIndex.h"
#include "games/GameList.h"
#include "games/GameSearch.h"
#include "games/PGN2GM2Converter.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"

namespace marvek::cli {

namespace {

// Paths are kept absolute in the list, so that it means the same from any folder.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

// Indexes a PGN file with the progress line; prints what it did. False when a message ended it.
bool IndexFile(const std::string& file, int& result) {
    TConsoleProgress progress;
    TPGN2GM2Converter converter(&progress, 0);
    TConversionResult outcome;
    bool built = converter.BuildIndex(file, &outcome);
    if (outcome.itsRan)
        std::cout << outcome.itsGamesConverted << " games converted in " << outcome.itsSeconds << " seconds"
                  << (outcome.itsStopped ? " (stopped)" : "") << '\n';
    result = !built ? 1 : outcome.itsStopped ? 130 : 0;
    return built;
}

void RunStatus(const std::string& file, int& result) {
    if (!FileExists(file)) throw EMarvekError("no game file at " + file);
    bool indexed = TGameIndex::KindOf(file) == TGameFileKind::kPGN && TGameIndex::IsIndexed(file);
    std::cout << "file: " << file << '\n';
    std::cout << "indexed: " << (indexed ? "yes" : "no") << '\n';
    TStorageSession storage;
    TGameIndex index;
    if (index.Open(file, true))
        std::cout << "games: " << BTKeyEntryCount(index.Database(), kWhiteKey) << '\n';
    uint32_t stamp = 0;
    if (FileStamp(file, &stamp) == 0) std::cout << "stamp: " << stamp << '\n';
    std::string control;
    if (ReadFileBytes(TGameIndex::ControlFileName(file), &control, 8) == 0 && control.size() == 4) {
        uint32_t stored = 0;
        for (int i = 3; i >= 0; --i) stored = stored << 8 | uint8_t(control[std::size_t(i)]);
        std::cout << "indexed stamp: " << stored << '\n';
    }
    result = 0;
}

struct TSearchArguments {
    std::vector<std::string> itsFiles;
    std::string itsWhite, itsBlack, itsEco, itsYear, itsResults, itsMoves, itsPGN;
    bool itsJson = false;
    bool itsYes = false;
};

void SplitRange(const std::string& text, std::string& from, std::string& to) {
    std::size_t dots = text.find("..");
    from = text.substr(0, dots);
    to = dots == std::string::npos ? std::string() : text.substr(dots + 2);
}

// "e4 c5 Nf3" as the move string the Moves key holds, without its line end.
std::string MoveOrderArgument(const std::string& line) {
    TChessParser parser;
    parser.SetPieceLetters(kEnglishLetters);
    parser.LoadPosition(StartPosition());
    std::vector<TPackedMove> moves;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(' ', at)) != std::string::npos) {
        std::size_t end = std::min(line.find(' ', at), line.size());
        std::string word = line.substr(at, end - at);
        at = end;
        parser.SetMoveText(word);
        if (!parser.ParseMove())
            throw CLI::ValidationError("--moves", "the move " + word + " is not legal there");
        moves.push_back(parser.GetChessMove());
        parser.ApplyMove();
    }
    std::string text = TGameIndex::MoveString(moves.data(), int(moves.size()));
    return text.substr(0, text.size() - 2);
}

void RunSearch(const TSearchArguments& a, int& result) {
    if (a.itsYes) {
        if (auto* console = dynamic_cast<TConsoleUserInterface*>(&UserInterface()))
            console->SetPolicy(TAnswerPolicy::kYes);
    }
    TSearchCriteria criteria;
    SplitRange(a.itsWhite, criteria.itsWhiteFrom, criteria.itsWhiteTo);
    SplitRange(a.itsBlack, criteria.itsBlackFrom, criteria.itsBlackTo);
    SplitRange(a.itsEco, criteria.itsEcoFrom, criteria.itsEcoTo);
    SplitRange(a.itsYear, criteria.itsYearFrom, criteria.itsYearTo);
    if (!a.itsResults.empty()) {
        criteria.itsWhiteWins = a.itsResults.find("1-0") != std::string::npos;
        criteria.itsBlackWins = a.itsResults.find("0-1") != std::string::npos;
        criteria.itsDraws = a.itsResults.find("draw") != std::string::npos;
    }
    if (!a.itsMoves.empty()) {
        criteria.itsMoveOrderSearch = true;
        criteria.itsMoveOrders.push_back(MoveOrderArgument(a.itsMoves));
    }
    if (!a.itsPGN.empty()) {
        criteria.itsDestination = TGameDestination::kListAndPGNFile;
        criteria.itsPGNFile = a.itsPGN;
    }
    if (auto refusal = criteria.Apply()) throw EMarvekError(*refusal);

    TGameFileList files;
    if (a.itsFiles.empty()) {
        files.Read();
        if (files.Empty())
            throw EMarvekError("No game files are selected.  Add them with \"games add FILE\".");
    }
    for (const std::string& file : a.itsFiles) files.Add(AbsolutePath(file));

    TStorageSession storage;
    TGameList list;
    std::string listPath =
        (std::filesystem::temp_directory_path() / ("marvek-search-" + std::to_string(getpid()) + ".$$$"))
            .string();
    if (!list.Create(listPath)) {
        result = 1;
        return;
    }
    TConsoleProgress progress;
    TGameSearch search(files, list);
    search.SetProgress(&progress);
    search.SetIndexBuilder([](const std::string& file) {
        int status = 0;
        return IndexFile(file, status);
    });
    TSearchOutcome outcome = search.Run(criteria, false, true);

    nlohmann::json games = nlohmann::json::array();
    for (int64_t i = 0; i < list.Count(); ++i) {
        TGameListEntry e;
        if (!list.Entry(i, e)) continue;
        const std::string& file = files.Name(std::size_t(e.itsFileIndex));
        if (a.itsJson) {
            games.push_back({{"eco", e.itsECO},
                             {"white", e.itsWhite},
                             {"black", e.itsBlack},
                             {"result", e.itsResult},
                             {"year", e.itsYear},
                             {"site", e.itsSite},
                             {"file", file},
                             {"offset", e.itsOffset}});
        } else {
            std::cout << e.itsECO << '\t' << e.itsWhite << '\t' << e.itsBlack << '\t' << e.itsResult << '\t'
                      << e.itsYear << '\t' << e.itsSite << '\t' << file << '\t' << e.itsOffset << '\n';
        }
    }
    if (a.itsJson) {
        nlohmann::json out = {{"games", games},
                              {"statistics",
                               {{"white_wins", list.Results(TGameList::kWhiteWins)},
                                {"draws", list.Results(TGameList::kDraws)},
                                {"black_wins", list.Results(TGameList::kBlackWins)},
                                {"unfinished", list.Results(TGameList::kUnfinished)}}},
                              {"added_to_pgn", outcome.itsAddedToPGN},
                              {"illegal_games", outcome.itsIllegalGames},
                              {"stopped", outcome.itsStopped}};
        std::cout << out.dump(2) << '\n';
    } else {
        std::cout << "Games in this List: " << list.Count() << '\n';
        std::cout << "Statistics Win-Draw-Loss: " << list.Statistics() << '\n';
        if (outcome.itsPGNWritten) std::cout << "Games Added To PGN File: " << outcome.itsAddedToPGN << '\n';
    }
    if (!outcome.itsMessage.empty()) std::cerr << outcome.itsMessage << '\n';
    result = outcome.itsStopped ? 130 : 0;
}

void RunList(int& result) {
    TGameFileList files;
    files.Read();
    for (const TGameFileList::TEntry& entry : files.Entries())
        std::cout << (entry.itsChecked ? "[x] " : "[ ] ") << entry.itsName << '\n';
    result = 0;
}

void SaveList(const TGameFileList& files) {
    if (int error = files.Write(); error != 0)
        throw EMarvekError("The list of game files could not be written to " + TGameFileList::IniPath() +
                           ": " + std::strerror(error) + ".");
}

void RunListChange(const std::string& what, const std::string& file, const std::string& state, int& result) {
    TGameFileList files;
    files.Read();
    std::string name = AbsolutePath(file);
    std::size_t at = files.Find(name);
    if (what == "add") {
        if (TGameIndex::KindOf(name) == TGameFileKind::kOther)
            throw EMarvekError("Game files are PGN (.pgn) or GM2 (.gm2) files: " + file);
        if (at == files.Count()) files.Add(name);
    } else if (at == files.Count()) {
        throw EMarvekError("The file " + name + " is not in the list of game files.");
    } else if (what == "remove") {
        files.Remove({at});
    } else {
        files.SetChecked(at, state == "on");
    }
    SaveList(files);
    result = 0;
}

} // namespace

void AddGamesCommands(CLI::App& app, int& result) {
    CLI::App* games = app.add_subcommand("games", "Game files: indexes, searches and the list of game files");
    games->require_subcommand(1);

    auto file = std::make_shared<std::string>();
    auto* index = games->add_subcommand("index", "Build the index of a PGN file");
    index->add_option("FILE", *file, "The PGN file")->required();
    index->callback([file, &result] {
        if (TGameIndex::KindOf(*file) != TGameFileKind::kPGN)
            throw EMarvekError("Only PGN files (.pgn) are indexed: " + *file);
        TStorageSession storage;
        IndexFile(*file, result);
    });

    auto* status = games->add_subcommand("status", "Whether a game file is indexed, its games and stamps");
    status->add_option("FILE", *file, "The game file")->required();
    status->callback([file, &result] { RunStatus(*file, result); });

    auto a = std::make_shared<TSearchArguments>();
    auto* search =
        games->add_subcommand("search", "Search game files (default: the checked files of the list)");
    search->add_option("FILE", a->itsFiles, "Game files to search");
    search->add_option("--white", a->itsWhite,
                       "White player FROM[..TO] (a prefix finds every name it starts)");
    search->add_option("--black", a->itsBlack, "Black player FROM[..TO]");
    search->add_option("--eco", a->itsEco, "Opening code FROM[..TO]");
    search->add_option("--year", a->itsYear, "Year FROM[..TO]");
    search->add_option("--result", a->itsResults, "Results to find: 1-0, 0-1, draw, separated by commas");
    search->add_option("--moves", a->itsMoves, "Opening move order, such as \"e4 c5 Nf3\"");
    search->add_option("--pgn", a->itsPGN, "Append the games found to this PGN file");
    search->add_flag("--json", a->itsJson, "Machine-readable output");
    search->add_flag("--yes", a->itsYes, "Index files that need it without asking");
    search->callback([a, &result] { RunSearch(*a, result); });

    games->add_subcommand("list", "Show the list of game files")->callback([&result] { RunList(result); });
    auto* add = games->add_subcommand("add", "Add a game file to the list, checked");
    add->add_option("FILE", *file, "The game file")->required();
    add->callback([file, &result] { RunListChange("add", *file, "", result); });
    auto* remove = games->add_subcommand("remove", "Remove a game file from the list");
    remove->add_option("FILE", *file, "The game file")->required();
    remove->callback([file, &result] { RunListChange("remove", *file, "", result); });
    auto state = std::make_shared<std::string>();
    auto* check =
        games->add_subcommand("check", "Check or uncheck a game file (only checked files are searched)");
    check->add_option("FILE", *file, "The game file")->required();
    check->add_option("STATE", *state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    check->callback([file, state, &result] { RunListChange("check", *file, *state, result); });
}

} // namespace marvek::cli
