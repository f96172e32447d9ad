// The five keys of a game, the move string, the control file and the indexed test.
#include "games/GameIndex.h"

#include <gtest/gtest.h>

#include "games/PGN2GM2Converter.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::test {
namespace {

using testsupport::TScratchFolder;

std::string Squares(int from, int to) {
    return {char(48 + from), char(48 + to)};
}

TEST(GameKeys, NamesEcoAndDatesTakeTheirIndexedForm) {
    struct TCase {
        std::string_view itsValue;
        std::string itsName, itsEco, itsDate;
    } const cases[] = {
        {"Kasparov, Garry", "KASPAROV,GARRY", "Kas", "????????"},
        {" kasparov ,garry ", "KASPAROV,GARRY", " ka", "????????"},
        {"1990.05.17", "1990.05.17", "199", "19900517"},
        {"1990.??.??", "1990.??.??", "199", "1990????"},
        {"1990", "1990", "199", "????????"},
        {"????.??.??", "????.??.??", "???", "????????"},
        {"19900517", "19900517", "199", "19900517"},
        // Only the first 30 characters count, before the spaces go.
        {"Abcdefghij Klmnopqrst Uvwxyzabcd Efg", "ABCDEFGHIJKLMNOPQRSTUVWXYZAB", "Abc", "????????"},
        {"", "", "", "????????"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.itsValue));
        EXPECT_EQ(TGameIndex::NameKey(c.itsValue), c.itsName);
        EXPECT_EQ(TGameIndex::EcoKey(c.itsValue), c.itsEco);
        EXPECT_EQ(TGameIndex::DateKey(c.itsValue), c.itsDate);
    }
}

TEST(GameKeys, MoveStringsCarryPromotionsAndKeysArePaddedWithZero) {
    // e4 e5, then a white pawn on a7 taking b8 and becoming a queen (5), a black one a knight (8).
    const TPackedMove moves[] = {{14, 34, 0, 1}, {64, 44, 0, 1}, {60, 71, kWhiteQueen, 1}, {11, 0, 8, 1}};
    std::string text = TGameIndex::MoveString(moves, 4);
    EXPECT_EQ(text, Squares(14, 34) + Squares(64, 44) + Squares(60, 71) + "/5" + Squares(11, 0) + "/8\r\n");
    EXPECT_EQ(TGameIndex::MovesKey(text), text.substr(0, text.size() - 2) + std::string(18, '\0'));
    EXPECT_EQ(TGameIndex::MovesKey("\r\n"), std::string(30, '\0'));
    std::vector<TPackedMove> many(20, TPackedMove{14, 34, 0, 1});
    std::string longer = TGameIndex::MoveString(many.data(), 20);
    EXPECT_EQ(longer.size(), 42u);
    EXPECT_EQ(TGameIndex::MovesKey(longer), longer.substr(0, 30));
}

TEST(GameKeys, KindsAndNamesComeFromTheExtension) {
    EXPECT_EQ(TGameIndex::KindOf("/a.b/games.Pgn"), TGameFileKind::kPGN);
    EXPECT_EQ(TGameIndex::KindOf("old.GM2"), TGameFileKind::kGM2);
    EXPECT_EQ(TGameIndex::KindOf("/a.pgn/games"), TGameFileKind::kOther);
    EXPECT_EQ(TGameIndex::ControlFileName("/x.y/Games.pgn"), "/x.y/Games.2PC");
}

TEST(GameIndexControl, AStampedIndexHoldsUntilThePGNFileChanges) {
    TScratchFolder folder;
    TStorageSession storage;
    testsupport::TRecordingUserInterface ui;
    std::string pgn = folder / "games.pgn";
    testsupport::WriteWholeFile(pgn, "[White \"A\"]\n\n1. e4 *\n");
    EXPECT_FALSE(TGameIndex::IsIndexed(pgn));
    TPGN2GM2Converter converter(nullptr, 0);
    ASSERT_TRUE(converter.BuildIndex(pgn));
    EXPECT_TRUE(TGameIndex::IsIndexed(pgn));
    EXPECT_EQ(testsupport::FileSizeOf(folder / "games.2PC"), 4);
    for (const char* gone : {".GMX", ".2PC"}) {
        std::string saved = testsupport::ReadWholeFile(folder / ("games" + std::string(gone)));
        RemoveFile(folder / ("games" + std::string(gone)));
        EXPECT_FALSE(TGameIndex::IsIndexed(pgn)) << gone;
        testsupport::WriteWholeFile(folder / ("games" + std::string(gone)), saved);
    }
    EXPECT_TRUE(TGameIndex::IsIndexed(pgn));
    // Appending a game makes the file unindexed.
    testsupport::WriteWholeFile(pgn, "[White \"A\"]\n\n1. e4 *\n\n[White \"B\"]\n\n1. d4 *\n");
    EXPECT_FALSE(TGameIndex::IsIndexed(pgn));
    EXPECT_TRUE(ui.itsShown.empty());
}

} // namespace
} // namespace marvek::test
