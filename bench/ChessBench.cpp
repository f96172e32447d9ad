// Chess rules throughput: reading SAN and playing it (the hot path of every PGN import), and
// LegalMoves. The SAN figure is printed beside pgn-extract's validating pass (-r) over the same
// file, in plies per second, as a ratio.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "PeerRun.h"
#include "chess/ChessParser.h"
#include "support/FileHelpers.h"
#include "support/SimplePgn.h"

namespace {

using namespace marvek;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kTargetPlies = 3'000'000;
const char* const kPgnExtract = "/usr/games/pgn-extract";

struct TCorpus {
    std::string itsText;                            // eco.pgn repeated to about kTargetPlies plies
    std::vector<testsupport::TSimpleGame> itsGames; // its main lines
    std::size_t itsPlies = 0;
};

const TCorpus& Corpus() {
    static const TCorpus corpus = [] {
        TCorpus c;
        const std::string eco = testsupport::ReadWholeFile(MARVEK_ECO_PGN);
        std::size_t ecoPlies = 0;
        for (const auto& g : testsupport::ReadMainLines(eco)) ecoPlies += g.itsMoves.size();
        if (ecoPlies == 0) {
            std::cerr << "cannot read " << MARVEK_ECO_PGN << "\n";
            std::exit(1);
        }
        const std::size_t copies = (kTargetPlies + ecoPlies - 1) / ecoPlies;
        for (std::size_t i = 0; i < copies; ++i) c.itsText += eco + "\n";
        c.itsGames = testsupport::ReadMainLines(c.itsText);
        for (const auto& g : c.itsGames) c.itsPlies += g.itsMoves.size();
        return c;
    }();
    return corpus;
}

// Reads and plays every main line; returns the plies played.
std::size_t PlayAll(const std::vector<testsupport::TSimpleGame>& games) {
    TChessParser parser;
    const TPackedPosition start = StartPosition();
    std::size_t plies = 0;
    for (const auto& game : games) {
        parser.LoadPosition(start);
        for (const std::string& move : game.itsMoves) {
            parser.SetMoveText(move);
            if (!parser.ParseMove()) break;
            parser.ApplyMove();
            ++plies;
        }
    }
    return plies;
}

void BM_SanReadAndPlay(benchmark::State& state) {
    const TCorpus& corpus = Corpus();
    std::size_t plies = 0;
    for (auto _ : state) plies += PlayAll(corpus.itsGames);
    state.SetItemsProcessed(std::int64_t(plies));
    state.counters["plies/s"] = benchmark::Counter(double(plies), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SanReadAndPlay)->Unit(benchmark::kMillisecond);

// Positions along the eco main lines, each asked for its legal-move list.
void BM_LegalMoves(benchmark::State& state) {
    static const std::vector<TPackedPosition> positions = [] {
        std::vector<TPackedPosition> result;
        const std::string eco = testsupport::ReadWholeFile(MARVEK_ECO_PGN);
        TChessParser parser;
        for (const auto& game : testsupport::ReadMainLines(eco)) {
            parser.LoadPosition(StartPosition());
            for (const std::string& move : game.itsMoves) {
                parser.SetMoveText(move);
                if (!parser.ParseMove()) break;
                parser.ApplyMove();
                result.push_back(parser.CurrentPosition());
            }
        }
        return result;
    }();
    TChessParser parser;
    std::size_t calls = 0;
    std::size_t index = 0;
    for (auto _ : state) {
        parser.LoadPosition(positions[index]);
        benchmark::DoNotOptimize(parser.LegalMoves());
        index = (index + 1) % positions.size();
        ++calls;
    }
    state.counters["calls/s"] = benchmark::Counter(double(calls), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LegalMoves);

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall time of one pgn-extract -r run over `path`, or a negative value when it cannot run.
double TimePgnExtract(const std::string& path) {
    const bench::TPeerRun run = bench::RunPeer(kPgnExtract, {"-r", "-s", path});
    return run.Exited() ? run.itsSeconds : -1;
}

void CompareWithPgnExtract() {
    const TCorpus& corpus = Corpus();
    const std::string path = (std::filesystem::temp_directory_path() / "marvek-bench-eco.pgn").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << corpus.itsText;
    }
    constexpr int kRuns = 5;
    std::vector<double> ours, oursWithReading, theirs;
    for (int run = 0; run < kRuns; ++run) {
        auto start = Clock::now();
        benchmark::DoNotOptimize(PlayAll(corpus.itsGames));
        ours.push_back(Seconds(Clock::now() - start));

        start = Clock::now();
        const std::string text = testsupport::ReadWholeFile(path);
        benchmark::DoNotOptimize(PlayAll(testsupport::ReadMainLines(text)));
        oursWithReading.push_back(Seconds(Clock::now() - start));

        theirs.push_back(TimePgnExtract(path));
    }
    std::filesystem::remove(path);

    const double plies = double(corpus.itsPlies);
    const double oursRate = plies / Median(ours);
    const double readingRate = plies / Median(oursWithReading);
    std::printf("\nSAN read + play over %zu games, %.0f plies (eco.pgn x %zu), median of %d runs:\n",
                corpus.itsGames.size(), plies, corpus.itsGames.size() / 2014, kRuns);
    std::printf("  marvek SetMoveText+ParseMove+ApplyMove   %12.0f plies/s\n", oursRate);
    std::printf("  marvek incl. reading the file (test tokenizer) %6.0f plies/s\n", readingRate);
    if (Median(theirs) <= 0) {
        std::printf("  pgn-extract -r: not available (%s)\n", kPgnExtract);
        return;
    }
    const double theirRate = plies / Median(theirs);
    std::printf("  pgn-extract -r (whole process)           %12.0f plies/s\n", theirRate);
    std::printf("  ratio marvek / pgn-extract: %.2f (incl. reading: %.2f)\n", oursRate / theirRate,
                readingRate / theirRate);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CompareWithPgnExtract();
    return 0;
}
