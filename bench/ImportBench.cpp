// PGN import throughput, side by side with polyglot's make-book on the same file (same ply limit),
// as games per second, with the peak resident memory of each run beside it (polyglot's of its own
// process). Four figures:
//   1. a first import of 100,000 generated games that share their openings into a fresh book;
//   2. a second import of the same file, when every move is already a candidate;
//   3. 5,000 other games added to that book, as a weekly bulletin is;
//   4. a million games into a fresh book under a 1 GB import memory budget, whose peak must stay
//      within the budget and a fifth more.
// The generated files are kept beside the benchmark (bench/corpus/), so later runs skip making them.
//
// MARVEK_BENCH_GAMES overrides the number of games of 1-3 (default 100,000 of 80 plies);
// MARVEK_BENCH_NEW the number of games added (default 5,000); MARVEK_BENCH_BUFFERS runs 1-3 with
// another page-buffer count than the program's 31; MARVEK_BENCH_BUDGET_MB sets their import memory
// budget (default: the program's own); MARVEK_BENCH_MILLION=0 leaves out figure 4 (a few minutes),
// MARVEK_BENCH_MILLION=N runs it with N games.

#include "CorpusBook.h"
#include "PeerRun.h"
#include "PgnCorpus.h"

#include "book/Book2.h"
#include "storage/Isam.h"
#include "storage/StorageSession.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace marvek;

constexpr int kPlies = 80;
const char* const kPolyglot = "/usr/games/polyglot";

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
    const bench::TImportRun import = bench::ImportCorpus(book, pgn, kPlies, budget);
    TRun run;
    run.itsSeconds = import.itsSeconds;
    run.itsGames = import.itsGames;
    run.itsPositions = import.itsPositions;
    // The book is closed by now, as it is after an import in the program.
    run.itsPeakMegabytes = PeakMegabytes();
    return run;
}

TRun RunPolyglot(const std::string& pgn, const std::string& bin) {
    const bench::TPeerRun peer = bench::RunPeer(
        kPolyglot, {"make-book", "-pgn", pgn, "-bin", bin, "-max-ply", std::to_string(kPlies)});
    if (!peer.itsStarted)
        Die(std::string("cannot run ") + kPolyglot + " (install it with scripts/install-deps.sh --bench)");
    if (peer.itsExitStatus != 0) Die("polyglot make-book failed");
    TRun run;
    run.itsSeconds = peer.itsSeconds;
    run.itsPeakMegabytes = peer.itsPeakMegabytes;
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

// The generated file of that many games and seed, made once and kept beside the benchmark.
std::string CorpusFile(size_t games, uint64_t seed) {
    std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "corpus";
    std::filesystem::create_directories(folder);
    std::filesystem::path pgn =
        folder / ("games-" + std::to_string(games) + "-" + std::to_string(seed) + ".pgn");
    if (!std::filesystem::exists(pgn)) {
        std::filesystem::path part = pgn;
        part += ".part";
        {
            std::ofstream out(part, std::ios::binary);
            out << bench::MakeCorpus(games, kPlies, seed);
            if (!out) Die("cannot write " + part.string());
        }
        std::filesystem::rename(part, pgn);
    }
    return pgn.string();
}

void Header() {
    std::printf("  %-44s %9s %10s %9s %10s %6s\n", "games/s and peak memory", "Marvek", "", "polyglot", "",
                "ratio");
}

// Figures 1-3: a first import, the same games again, and other games added.
void RunHundredThousand(const std::filesystem::path& folder, size_t budget) {
    size_t games = std::max<size_t>(100, EnvCount("MARVEK_BENCH_GAMES", 100'000));
    size_t added = std::max<size_t>(100, EnvCount("MARVEK_BENCH_NEW", 5'000));
    std::string pgn = CorpusFile(games, 20261210);
    std::string bulletin = CorpusFile(added, 20261211);
    TRun polyglot = RunPolyglot(pgn, (folder / "polyglot.bin").string());
    TRun polyglotAdded = RunPolyglot(bulletin, (folder / "polyglot-added.bin").string());
    int buffers = static_cast<int>(EnvCount("MARVEK_BENCH_BUFFERS", kStoragePageBuffers));
    std::printf("import: %zu games of up to %d plies, then %zu other games added; %d page buffers%s\n", games,
                kPlies, added, buffers,
                budget != 0 ? (", budget " + std::to_string(budget >> 20) + " MB").c_str() : "");
    Header();
    TStorageSession storage(buffers);
    std::string book = (folder / "Bench").string();
    TBook2 creator;
    if (!creator.Create(book)) Die("cannot create the book");
    TRun first = Import(book, pgn, budget);
    Row("1. first import", games, first, polyglot);
    TRun again = Import(book, pgn, budget);
    Row("2. second import of the same games", games, again, polyglot);
    TRun more = Import(book, bulletin, budget);
    Row("3. " + std::to_string(added) + " other games added", added, more, polyglotAdded);
    std::printf(
        "  (%d positions in the book, %d after the added games; targets: 1. >= 1, 2. >= 1, 3. >= 0.33)\n",
        first.itsPositions, more.itsPositions);
}

// Figure 4: a million games into a fresh book under a 1 GB budget.
void RunMillion(const std::filesystem::path& folder, size_t games) {
    constexpr size_t kBudgetMegabytes = 1024;
    std::string pgn = CorpusFile(games, 20261210);
    TRun polyglot = RunPolyglot(pgn, (folder / "polyglot-million.bin").string());
    std::printf("import: %zu games of up to %d plies into a fresh book, budget %zu MB\n", games, kPlies,
                kBudgetMegabytes);
    Header();
    TStorageSession storage;
    std::string book = (folder / "Million").string();
    TBook2 creator;
    if (!creator.Create(book)) Die("cannot create the book");
    TRun run = Import(book, pgn, kBudgetMegabytes << 20);
    Row("4. first import under the budget", games, run, polyglot);
    double limit = kBudgetMegabytes * 1.2;
    std::printf("  (%d positions; peak %.0f MB, %s the budget + 20 %% = %.0f MB; target: ratio >= 0.5)\n",
                run.itsPositions, run.itsPeakMegabytes, run.itsPeakMegabytes <= limit ? "within" : "OVER",
                limit);
}

} // namespace

int main() try {
    size_t budget = EnvCount("MARVEK_BENCH_BUDGET_MB", 0) << 20;
    size_t million = EnvCount("MARVEK_BENCH_MILLION", 1'000'000);
    auto folder =
        std::filesystem::temp_directory_path() / ("marvek-import-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    RunHundredThousand(folder, budget);
    std::filesystem::remove_all(folder);
    if (million != 0) {
        std::filesystem::create_directories(folder);
        RunMillion(folder, million);
        std::filesystem::remove_all(folder);
    }
    return 0;
} catch (const std::exception& error) {
    Die(error.what());
}
