// Game-file throughput: indexing the reproducible 100,000-game collection beside pgn-extract reading
// the same file (-r), then a search for one player and one for an opening move order beside
// pgn-extract finding that player's games (-Tw), all in games per second of the file.
//
// MARVEK_BENCH_GAMES overrides the number of games (default 100,000 of 80 plies).

#include "PeerRun.h"
#include "PgnCorpus.h"

#include "app/UserInterface.h"
#include "games/GameFileList.h"
#include "games/GameIndex.h"
#include "games/GameList.h"
#include "games/GameSearch.h"
#include "games/PGN2GM2Converter.h"
#include "storage/StorageSession.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace marvek;
using Clock = std::chrono::steady_clock;

constexpr int kPlies = 80;
const char* const kPgnExtract = "/usr/games/pgn-extract";

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "games benchmark: %s\n", what.c_str());
    std::exit(1);
}

double RunPgnExtract(std::vector<std::string> args) {
    const bench::TPeerRun run = bench::RunPeer(kPgnExtract, std::move(args));
    if (!run.itsStarted) Die(std::string("cannot run ") + kPgnExtract);
    if (!run.Exited()) Die("pgn-extract failed");
    return run.itsSeconds;
}

struct TSearchRun {
    double itsSeconds = 0;
    int64_t itsFound = 0;
};

TSearchRun Search(TGameFileList& files, const std::string& folder, TSearchCriteria criteria) {
    TGameList list;
    if (!list.Create(folder + "/$SEARCH$.$$$")) Die("cannot create the game list");
    TGameSearch search(files, list);
    if (criteria.Apply()) Die("criteria refused");
    auto start = Clock::now();
    TSearchOutcome outcome = search.Run(criteria, false, false);
    return {Seconds(start), outcome.itsAddedToList};
}

} // namespace

int main() try {
    size_t games = 100'000;
    if (const char* n = std::getenv("MARVEK_BENCH_GAMES")) games = std::strtoull(n, nullptr, 10);
    if (games < 100) games = 100;
    auto folder =
        std::filesystem::temp_directory_path() / ("marvek-games-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string pgn = (folder / "corpus.pgn").string();
    {
        std::ofstream out(pgn, std::ios::binary);
        out << bench::MakeCorpus(games, kPlies, 20261210);
    }
    double n = double(games);
    TStorageSession storage;

    auto start = Clock::now();
    TPGN2GM2Converter converter(nullptr, 0);
    if (!converter.BuildIndex(pgn)) Die("indexing failed");
    double index = Seconds(start);
    double read = RunPgnExtract({"-s", "-r", pgn});
    std::printf("games: %zu games of up to %d plies\n", games, kPlies);
    std::printf("  %-40s %10s %12s %8s\n", "", "Marvek", "pgn-extract", "ratio");
    std::printf("  %-40s %10.0f %12.0f %8.2f\n", "index the file (-r), games/s", n / index, n / read,
                read / index);

    TGameFileList files;
    files.Add(pgn);
    TSearchCriteria player;
    // One player of the 97 White names: about a hundredth of the games.
    player.itsWhiteFrom = "Player 17";
    TSearchRun found = Search(files, folder.string(), player);
    double scan = RunPgnExtract({"-s", "-TwPlayer 17", "-o", (folder / "found.pgn").string(), pgn});
    std::printf("  %-40s %10.0f %12.0f %8.2f\n", "White \"Player 17\" (-Tw), games/s", n / found.itsSeconds,
                n / scan, scan / found.itsSeconds);

    // The move order most games of the collection open with.
    TChessParser parser;
    parser.LoadPosition(StartPosition());
    std::vector<TPackedMove> moves(TChessParser::kMaxLegalMoves);
    std::vector<TPackedMove> line;
    for (int ply = 0; ply < 4; ++ply) {
        parser.GenerateMoves(moves.data());
        line.push_back(moves[0]);
        parser.SetMoveText(parser.NotationFor(moves[0]));
        parser.ParseMove();
        parser.ApplyMove();
    }
    TSearchCriteria order;
    order.itsMoveOrderSearch = true;
    std::string text = TGameIndex::MoveString(line.data(), int(line.size()));
    order.itsMoveOrders = {text.substr(0, text.size() - 2)};
    TSearchRun opening = Search(files, folder.string(), order);
    std::printf("  %-40s %10.0f\n", "one move order of 4 plies, games/s", n / opening.itsSeconds);
    std::printf("  (player: %lld games found; move order: %lld games found)\n", (long long)found.itsFound,
                (long long)opening.itsFound);
    std::filesystem::remove_all(folder);
    return 0;
} catch (const std::exception& error) {
    Die(error.what());
}
