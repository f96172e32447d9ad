// Walking a big book: the generated 100,000-game corpus is imported into a book, and random walks
// from the starting position go through the book window's controller (no view): play a random
// candidate, now and then go back a ply, until a random depth or a position without candidates.
// Every step is timed alone; median and 99th percentile are printed as fractions of a 60 Hz frame
// (16.7 ms), since a step must never hold up the drawing of the window.
//
// MARVEK_BENCH_GAMES overrides the number of games (default 100,000 of 80 plies);
// MARVEK_BENCH_WALKS the number of walks (default 10,000).

#include "CorpusBook.h"
#include "PgnCorpus.h"

#include "book/Book2.h"
#include "bookwindow/BookWindow.h"
#include "storage/StorageSession.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace marvek;
using Clock = std::chrono::steady_clock;

constexpr int kPlies = 80;
constexpr double kFrameMs = 1000.0 / 60.0;

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "navigation benchmark: %s\n", what.c_str());
    std::exit(1);
}

double Percentile(std::vector<double>& values, double fraction) {
    const auto at = std::size_t(fraction * double(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(at), values.end());
    return values[at];
}

} // namespace

int main() try {
    size_t games = 100'000;
    if (const char* n = std::getenv("MARVEK_BENCH_GAMES")) games = std::strtoull(n, nullptr, 10);
    if (games < 100) games = 100;
    int walks = 10'000;
    if (const char* n = std::getenv("MARVEK_BENCH_WALKS")) walks = std::max(1, std::atoi(n));
    auto folder =
        std::filesystem::temp_directory_path() / ("marvek-navigation-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string pgn = (folder / "corpus.pgn").string();
    {
        std::ofstream out(pgn, std::ios::binary);
        out << bench::MakeCorpus(games, kPlies, 20261210);
    }

    TStorageSession storage;
    const std::string book = (folder / "Walk").string();
    {
        TBook2 creator;
        if (!creator.Create(book)) Die("cannot create the book");
    }
    const bench::TImportRun import = bench::ImportCorpus(book, pgn, kPlies);

    std::vector<double> forward, back;
    {
        TBookWindow window;
        window.OpenBook(book, false, false, false);
        std::mt19937_64 random(20261211);
        for (int walk = 0; walk < walks; ++walk) {
            window.GoToStartingPosition();
            const int depth = std::uniform_int_distribution<int>(1, kPlies)(random);
            for (int step = 0; step < 4 * depth && window.PlyCount() < depth; ++step) {
                const int count = window.CurrentRecord().CandidateCount();
                const bool goBack = window.PlyCount() > 0 && (count == 0 || random() % 5 == 0);
                if (!goBack && count == 0) break;
                const auto start = Clock::now();
                if (goBack) {
                    window.BackOnePly();
                } else {
                    window.SetHighlightedCandidate(std::uniform_int_distribution<int>(0, count - 1)(random));
                    window.ForwardOnePly();
                }
                const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                (goBack ? back : forward).push_back(ms);
            }
        }
    }

    std::printf("navigation: %d walks in a book of %d positions (%d games of up to %d plies)\n", walks,
                import.itsPositions, import.itsGames, kPlies);
    std::printf("  %-22s %8s %12s %12s %12s %12s\n", "", "steps", "median ms", "p99 ms", "median/frame",
                "p99/frame");
    std::vector<double> all = forward;
    all.insert(all.end(), back.begin(), back.end());
    for (auto [label, values] : {std::pair{"play a candidate", &forward}, std::pair{"back one ply", &back},
                                 std::pair{"every step", &all}}) {
        if (values->empty()) continue;
        const double median = Percentile(*values, 0.5), p99 = Percentile(*values, 0.99);
        std::printf("  %-22s %8zu %12.4f %12.4f %12.4f %12.4f\n", label, values->size(), median, p99,
                    median / kFrameMs, p99 / kFrameMs);
    }
    std::filesystem::remove_all(folder);
    return 0;
} catch (const std::exception& error) {
    Die(error.what());
}
