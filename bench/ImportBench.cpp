// PGN import throughput: a reproducible collection of games sharing their openings is imported into
// a fresh book, and the same file is made into an opening book by polyglot in the same run (same
// ply limit), compared as games per second. Then the file is imported a second time, when every
// move is already a candidate, and then a few thousand other games sharing the openings are added
// to the big book, as a weekly bulletin is. Beside each figure stands the peak resident memory of
// that run alone (polyglot's of its own process).
//
// Runs with the program's 31 page buffers and with 32768 (about 100 MB).
// MARVEK_BENCH_GAMES overrides the number of games (default 100,000 of 80 plies);
// MARVEK_BENCH_NEW the number of games added (default 5,000); MARVEK_BENCH_BUFFERS runs one
// page-buffer count alone; MARVEK_BENCH_ONCE leaves out the second import and the added games;
// MARVEK_BENCH_BUDGET_MB sets the import's memory budget (default: the program's own).
// A million-game import under a 1 GB budget (a few minutes):
//   MARVEK_BENCH_GAMES=1000000 MARVEK_BENCH_BUDGET_MB=1024 MARVEK_BENCH_ONCE=1 MARVEK_BENCH_BUFFERS=31

#include "PgnCorpus.h"

#include "book/Book2.h"
#include "book/RichTextBuffer.h"
#include "pgn/PGNImporter.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
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

// The peak resident memory is measured per run: the kernel forgets this process's peak on request.
void ForgetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024;
    return 0;
}

struct TRun {
    double itsSeconds = 0;
    int32_t itsGames = 0;
    int32_t itsPositions = 0;
    double itsPeakMegabytes = 0;
};

TRun Import(const std::string& book, const std::string& pgn, size_t budget) {
    ForgetPeakMemory();
    TBook2 b;
    b.Open(book, false, false);
    TPGNImportOptions options;
    options.itsPlyLimit = kPlies;
    options.itsHeaderInComment = false; // polyglot keeps no comments either
    options.itsNamingStyle = TNamingStyle::kNone;
    TPGNImporter importer(options, nullptr);
    TRichTextBuffer comment;
    const auto start = Clock::now();
    // The import's own estimate of the positions it will look up, as it gives it for itself.
    if (budget != 0) b.BeginBulkUpdate(budget, nullptr, std::filesystem::file_size(pgn) / 10);
    TPGNImportResult result =
        importer.Import(b, comment, "", TPlayerFilter::kNone, false, TNoveltyColours(), pgn);
    if (budget != 0) b.EndBulkUpdate();
    TRun run;
    run.itsSeconds = Seconds(start);
    run.itsGames = result.itsGamesRead;
    run.itsPositions = b.PositionCount();
    b.Close();
    run.itsPeakMegabytes = PeakMegabytes();
    return run;
}

TRun RunPolyglot(const std::string& pgn, const std::string& bin) {
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
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    TRun run;
    run.itsSeconds = Seconds(start);
    run.itsPeakMegabytes = double(usage.ru_maxrss) / 1024;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Die("polyglot make-book failed");
    return run;
}

size_t EnvCount(const char* name, size_t otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::strtoull(value, nullptr, 10) : otherwise;
}

void Row(const std::string& label, size_t games, const TRun& ours, const TRun& theirs) {
    double mine = double(games) / ours.itsSeconds;
    double peer = double(games) / theirs.itsSeconds;
    std::printf("  %-44s %9.0f %7.0f MB %9.0f %7.0f MB %6.2f\n", label.c_str(), mine, ours.itsPeakMegabytes,
                peer, theirs.itsPeakMegabytes, mine / peer);
}

std::string WriteCorpus(const std::filesystem::path& folder, const char* name, size_t games, uint64_t seed) {
    std::string pgn = (folder / name).string();
    std::ofstream out(pgn, std::ios::binary);
    out << bench::MakeCorpus(games, kPlies, seed);
    return pgn;
}

} // namespace

int main() try {
    size_t games = std::max<size_t>(100, EnvCount("MARVEK_BENCH_GAMES", 100'000));
    size_t added = std::max<size_t>(100, EnvCount("MARVEK_BENCH_NEW", 5'000));
    size_t budget = EnvCount("MARVEK_BENCH_BUDGET_MB", 0) << 20;
    const bool once = std::getenv("MARVEK_BENCH_ONCE") != nullptr;
    auto folder =
        std::filesystem::temp_directory_path() / ("marvek-import-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string pgn = WriteCorpus(folder, "corpus.pgn", games, 20261210);
    std::string bulletin = once ? std::string() : WriteCorpus(folder, "bulletin.pgn", added, 20261211);

    TRun polyglot = RunPolyglot(pgn, (folder / "polyglot.bin").string());
    TRun polyglotAdded = once ? TRun() : RunPolyglot(bulletin, (folder / "polyglot-added.bin").string());
    std::printf("import: %zu games of up to %d plies, then %zu other games added%s\n", games, kPlies, added,
                budget != 0 ? (", budget " + std::to_string(budget >> 20) + " MB").c_str() : "");
    std::printf("  %-44s %9s %10s %9s %10s %6s\n", "games/s and peak memory", "Marvek", "", "polyglot", "",
                "ratio");
    std::vector<int> bufferCounts = {31, 32768};
    if (const char* b = std::getenv("MARVEK_BENCH_BUFFERS")) bufferCounts = {std::atoi(b)};
    for (int buffers : bufferCounts) {
        TStorageSession storage(buffers);
        std::string book = (folder / ("Bench" + std::to_string(buffers))).string();
        TBook2 creator;
        if (!creator.Create(book)) Die("cannot create the book");
        std::string label = std::to_string(buffers) + " page buffers, ";
        TRun first = Import(book, pgn, budget);
        Row(label + "first import", games, first, polyglot);
        if (!once) {
            TRun again = Import(book, pgn, budget);
            Row(label + "second import", games, again, polyglot);
            TRun more = Import(book, bulletin, budget);
            Row(label + std::to_string(added) + " games added", added, more, polyglotAdded);
            std::printf("  (%d positions in the book, %d after the added games)\n", first.itsPositions,
                        more.itsPositions);
        } else {
            std::printf("  (%d positions in the book)\n", first.itsPositions);
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
} catch (const std::exception& error) {
    Die(error.what());
}
