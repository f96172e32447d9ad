// The import's look-ahead: the keys its collector gathers, game by game and batch by batch, are
// those of the positions the importer looks up.

#include "pgn/ImportLookAhead.h"

#include "book/PositionKey.h"
#include "chess/ChessParser.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace marvek::test {
namespace {

using testsupport::TScratchFolder;

const char* const kGames = R"([White "First"]

1. e4 e5 (1... c5 2. Nf3) 2. Nf3 *

[White "Second"]
[FEN "4k3/8/8/8/8/8/8/4K2R w K - 0 1"]

1. O-O Kd7 *
)";

// The key of the position a line of moves ("e4 c5 Nf3") leads to from `fen` (empty: the start).
TIsamKey KeyAfter(const std::string& moves, const std::string& fen = "") {
    TChessParser parser;
    TPackedPosition start = StartPosition();
    if (!fen.empty()) {
        TChessPosition position;
        EXPECT_TRUE(position.FromFEN(fen, start));
    }
    parser.LoadPosition(start);
    std::istringstream in(moves);
    for (std::string move; in >> move;) {
        parser.SetMoveText(move);
        EXPECT_TRUE(parser.ParseMove()) << move;
        parser.ApplyMove();
    }
    return PositionKey(parser.CurrentPosition());
}

std::vector<TIsamKey> Sorted(std::vector<TIsamKey> keys) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

TEST(ImportLookAheadTest, CollectsThePositionsTheImportLooksUp) {
    TScratchFolder folder;
    std::string path = folder / "games.pgn";
    testsupport::WriteWholeFile(path, kGames);
    const std::string fen = "4k3/8/8/8/8/8/8/4K2R w K - 0 1";
    struct TCase {
        int32_t itsPlyLimit;
        TPlayerFilter itsFilter;
        std::vector<TIsamKey> itsKeys;
    };
    const TCase cases[] = {
        // Before every move, main line and variation; the variation's end; each game's end.
        {80,
         TPlayerFilter::kNone,
         {KeyAfter(""), KeyAfter("e4"), KeyAfter("e4 c5"), KeyAfter("e4 c5 Nf3"), KeyAfter("e4 e5"),
          KeyAfter("e4 e5 Nf3"), KeyAfter("", fen), KeyAfter("O-O", fen), KeyAfter("O-O Kd7", fen)}},
        // Reading stops at the ply limit, before the variation.
        {2,
         TPlayerFilter::kNone,
         {KeyAfter(""), KeyAfter("e4"), KeyAfter("e4 e5"), KeyAfter("", fen), KeyAfter("O-O", fen),
          KeyAfter("O-O Kd7", fen)}},
        // A game the player filter passes over is not read.
        {80, TPlayerFilter::kWhite, {KeyAfter("", fen), KeyAfter("O-O", fen), KeyAfter("O-O Kd7", fen)}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        TKeyCollector collector(c.itsPlyLimit, c.itsFilter, "SECOND");
        ASSERT_EQ(collector.OpenInput(path), 0);
        TLookAheadBatch batch;
        ASSERT_TRUE(collector.ReadBatch(batch, 10, 1000));
        EXPECT_EQ(batch.itsStart, 0);
        EXPECT_EQ(batch.itsGames, 2);
        EXPECT_EQ(batch.itsKeys, Sorted(c.itsKeys));
        EXPECT_FALSE(collector.ReadBatch(batch, 10, 1000));
    }
}

TEST(ImportLookAheadTest, HandsOnBatchesThatStartWhereTheirGamesDo) {
    TScratchFolder folder;
    std::string path = folder / "games.pgn";
    std::string text;
    for (int i = 0; i < 100; ++i) text += kGames;
    testsupport::WriteWholeFile(path, text);
    TImportLookAhead lookAhead(80, TPlayerFilter::kNone, "", 64, 100000);
    ASSERT_TRUE(lookAhead.Start(path));
    // Each batch starts at a game's "[", after the games of the batches before it.
    int32_t games = 0;
    TLookAheadBatch batch;
    int64_t gameBytes = int64_t(std::string(kGames).find("[White \"Second\""));
    int64_t pairBytes = int64_t(std::string(kGames).size());
    while (lookAhead.TakeBatch(games / 2 * pairBytes + games % 2 * gameBytes, batch)) {
        EXPECT_GT(batch.itsGames, 0);
        EXPECT_EQ(batch.itsKeys.empty(), false);
        games += batch.itsGames;
    }
    EXPECT_EQ(games, 200);
    // An import that is not where the batch starts is told so.
    TImportLookAhead lost(80, TPlayerFilter::kNone, "", 64, 100000);
    ASSERT_TRUE(lost.Start(path));
    EXPECT_FALSE(lost.TakeBatch(1, batch));
    EXPECT_FALSE(TImportLookAhead(80, TPlayerFilter::kNone, "", 64, 1).Start(folder / "none.pgn"));
}

} // namespace
} // namespace marvek::test
