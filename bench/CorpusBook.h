// The benchmarks' book of the generated corpus: a PGN file imported into a book the way the
// program's own import does it, with the ply limit and no header comments or names.
#pragma once

#include "book/Book2.h"
#include "book/RichTextBuffer.h"
#include "pgn/PGNImporter.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace marvek::bench {

struct TImportRun {
    double itsSeconds = 0;
    int32_t itsGames = 0;
    int32_t itsPositions = 0;
};

// Imports pgn into the existing book, keeping the first plies of every game; a budget other than 0
// gives the import that much memory for its bulk update.
inline TImportRun ImportCorpus(const std::string& book, const std::string& pgn, int plies,
                               size_t budget = 0) {
    TBook2 b;
    b.Open(book, false, false);
    TPGNImportOptions options;
    options.itsPlyLimit = plies;
    options.itsHeaderInComment = false; // polyglot keeps no comments either
    options.itsNamingStyle = TNamingStyle::kNone;
    TPGNImporter importer(options, nullptr);
    TRichTextBuffer comment;
    const auto start = std::chrono::steady_clock::now();
    // The import's own estimate of the positions it will look up, as it gives it for itself.
    if (budget != 0) b.BeginBulkUpdate(budget, nullptr, std::filesystem::file_size(pgn) / 10);
    TPGNImportResult result =
        importer.Import(b, comment, "", TPlayerFilter::kNone, false, TNoveltyColours(), pgn);
    if (budget != 0) b.EndBulkUpdate();
    TImportRun run;
    run.itsSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.itsGames = result.itsGamesRead;
    run.itsPositions = b.PositionCount();
    return run;
}

} // namespace marvek::bench
