// The benchmarks' book of the generated corpus: a PGN file imported into a book the way the
// program's own import does it, with the ply limit and no header comments or names.
#pragma once

#include "book/Book2.h"
#include "book/RichTextBuffer.h"
#include "pgn/PGNImporter.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace marvek::bench {

struct TImportRun {
    double itsSeconds = 0;
    int32_t itsGames = 0;
    int32_t itsPositions = 0;
};

// Imports pgn into the existing book, keeping the first plies of every game.
inline TImportRun ImportCorpus(const std::string& book, const std::string& pgn, int plies) {
    TBook2 b;
    b.Open(book, false, false);
    TPGNImportOptions options;
    options.itsPlyLimit = plies;
    options.itsHeaderInComment = false; // polyglot keeps no comments either
    options.itsNamingStyle = TNamingStyle::kNone;
    TPGNImporter importer(options, nullptr);
    TRichTextBuffer comment;
    const auto start = std::chrono::steady_clock::now();
    TPGNImportResult result =
        importer.Import(b, comment, "", TPlayerFilter::kNone, false, TNoveltyColours(), pgn);
    TImportRun run;
    run.itsSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.itsGames = result.itsGamesRead;
    run.itsPositions = b.PositionCount();
    return run;
}

} // namespace marvek::bench
