// PGN import throughput: a reproducible collection of games sharing their openings is imported into
// a fresh book, and the same file is made into an opening book by polyglot in the same run (same
// ply limit), compared as games per second. Then the file is imported a second time, when every
// move is already a candidate. The import keeps the book's records in memory (an eighth of the
// computer's memory at most) and writes them in key order at the end, so the page cache matters
// little to the first import; it does to the second, whose every position is read from the book.
// Run with the program's 31 page buffers and with 32768 (about 100 MB).
//
// MARVEK_BENCH_GAMES overrides the number of games (default 100,000 of 80 plies);
// MARVEK_BENCH_BUFFERS runs one page-buffer count alone; MARVEK_BENCH_ONCE leaves out the second
// import.

#include "CorpusBook.h"
#include "PgnCorpus.h"

#include "book/Book2.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace marvek;
using Clock = std::chrono::steady_clock;

constexpr int kPlies = 80;
const char* const kPolyglot = "/usr/games/polyglot";

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "import benchmark: %s\n", what.c_str());
    std::exit(1);
}

using TRun = bench::TImportRun;

TRun Import(const std::string& book, const std::string& pgn) {
    return bench::ImportCorpus(book, pgn, kPlies);
}

double RunPolyglot(const std::string& pgn, const std::string& bin) {
    std::string plies = std::to_string(kPlies);
    const char* argv[] = {kPolyglot,   "make-book", "-pgn",        pgn.c_str(), "-bin",
                          bin.c_str(), "-max-ply",  plies.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    auto start = Clock::now();
    if (posix_spawn(&pid, kPolyglot, &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        Die(std::string("cannot run ") + kPolyglot + " (install it with scripts/install-deps.sh --bench)");
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds = Seconds(start);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Die("polyglot make-book failed");
    return seconds;
}

} // namespace

int main() try {
    size_t games = 100'000;
    if (const char* n = std::getenv("MARVEK_BENCH_GAMES")) games = std::strtoull(n, nullptr, 10);
    if (games < 100) games = 100;
    auto folder =
        std::filesystem::temp_directory_path() / ("marvek-import-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string pgn = (folder / "corpus.pgn").string();
    {
        std::ofstream out(pgn, std::ios::binary);
        out << bench::MakeCorpus(games, kPlies, 20261210);
    }

    double polyglot = RunPolyglot(pgn, (folder / "polyglot.bin").string());
    double theirs = static_cast<double>(games) / polyglot;
    std::printf("import: %zu games of up to %d plies\n", games, kPlies);
    std::printf("  %-40s %10s %10s %8s\n", "", "Marvek", "polyglot", "ratio");
    std::vector<int> bufferCounts = {31, 32768};
    if (const char* b = std::getenv("MARVEK_BENCH_BUFFERS")) bufferCounts = {std::atoi(b)};
    for (int buffers : bufferCounts) {
        TStorageSession storage(buffers);
        std::string book = (folder / ("Bench" + std::to_string(buffers))).string();
        TBook2 creator;
        if (!creator.Create(book)) Die("cannot create the book");
        TRun first = Import(book, pgn);
        const bool once = std::getenv("MARVEK_BENCH_ONCE") != nullptr;
        TRun again = once ? first : Import(book, pgn);
        std::string label = std::to_string(buffers) + " page buffers, ";
        double ours = first.itsGames / first.itsSeconds;
        std::printf("  %-40s %10.0f %10.0f %8.2f\n", (label + "first import, games/s").c_str(), ours, theirs,
                    ours / theirs);
        std::printf("  %-40s %10.0f\n", (label + "first import, plies/s").c_str(),
                    first.itsGames * double(kPlies) / first.itsSeconds);
        if (!once)
            std::printf("  %-40s %10.0f %10.0f %8.2f\n", (label + "second import, games/s").c_str(),
                        again.itsGames / again.itsSeconds, theirs,
                        again.itsGames / again.itsSeconds / theirs);
        std::printf("  (%d positions in the book; %d games read)\n", first.itsPositions, first.itsGames);
    }
    std::filesystem::remove_all(folder);
    return 0;
} catch (const std::exception& error) {
    Die(error.what());
}
