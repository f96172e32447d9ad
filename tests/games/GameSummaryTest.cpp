// Reading game headers at their offsets: GM2 records with their line ends and promotions, PGN tags.
#include "games/GameSummary.h"

#include <gtest/gtest.h>

#include "games/GameFixtures.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

namespace marvek::test {
namespace {

using testsupport::TScratchFolder;

TEST(GM2Records, AnyRunOfLineEndsSeparatesTheLines) {
    TScratchFolder folder;
    // e4, then h7-h8 promoting to a queen, then h2-h1 promoting to a black knight.
    std::string moves = std::string(">R") + "s}/5" + "A7/8";
    for (const std::string& end :
         {std::string("\r\n"), std::string("\n"), std::string("\r"), std::string("\r\n\r\n")}) {
        SCOPED_TRACE(testing::PrintToString(end));
        std::string prefix = "junk" + end;
        std::string record = GM2Record(
            {"Wijk aan Zee", "1999.01.20", "12", "Kasparov, G", "Topalov, V", "(1-0)", "B07", moves}, end);
        testsupport::WriteWholeFile(folder / "a.gm2", prefix + record + "next record" + end);
        TFile file;
        ASSERT_EQ(file.Open(folder / "a.gm2", TFileMode::kReadShared), 0);
        TGameSummary summary;
        std::string moveLine;
        ASSERT_EQ(ReadGM2Summary(file, int64_t(prefix.size()), summary, &moveLine), TSummaryStatus::kRead);
        EXPECT_EQ(summary.itsSite, "Wijk aan Zee");
        EXPECT_EQ(summary.itsDate, "19990120");
        EXPECT_EQ(summary.itsRound, "12");
        EXPECT_EQ(summary.itsWhite, "Kasparov, G");
        EXPECT_EQ(summary.itsBlack, "Topalov, V");
        EXPECT_EQ(summary.itsResult, "(1-0)");
        EXPECT_EQ(summary.itsECO, "B07");
        // Only a carriage return ends a move line as far as the search is concerned.
        EXPECT_EQ(moveLine, end == "\n" ? moves + "\nnext record\n" : moves + "\r");
        std::vector<TPackedMove> read = ReadGM2Moves(moveLine, false);
        ASSERT_EQ(read.size(), 3u);
        EXPECT_EQ(read[0], (TPackedMove{14, 34, 0, kSymbolNone}));
        EXPECT_EQ(read[1], (TPackedMove{67, 77, 5, kSymbolNone}));
        EXPECT_EQ(read[2], (TPackedMove{17, 7, 8, kSymbolNone}));
    }
}

TEST(GM2Records, WidthsAreCutAndWritingStopsAtAPairThatIsNoSquare) {
    TGM2Record record;
    ASSERT_TRUE(SplitGM2Record(
        GM2Record({std::string(40, 'S'), "1.2.3", "123", "W", "B", "1/2-1/2", "A00B", ">R?!dT"}), record));
    EXPECT_EQ(record.itsSite.size(), 40u);
    EXPECT_TRUE(record.itsMoveLineEnded);
    EXPECT_EQ(ReadGM2Moves(record.itsMoveLine, false).size(), 3u);
    EXPECT_EQ(ReadGM2Moves(record.itsMoveLine, true).size(), 1u);
    EXPECT_FALSE(SplitGM2Record("one\ntwo\n", record));
}

TEST(PGNSummaries, TagsAreCutToTheirWidthsAndALongHeaderIsBad) {
    TScratchFolder folder;
    std::string game = "[Event \"" + std::string(40, 'E') +
                       "\"]\r\n[Date \"1990.??.??\"]\n[Result \"\"]\n"
                       "[Round \"123\"]\n[ECO \"B90x\"]\n[White \"Tal\"]\n\n1. e4 *\n";
    std::string longHeader = "[Event \"Long\"]\n";
    for (int i = 0; i < 100; ++i) longHeader += "[Annotator \"Someone who writes a lot\"]\n";
    testsupport::WriteWholeFile(folder / "a.pgn", game + longHeader + "\n1. e4 *\n");
    TFile file;
    ASSERT_EQ(file.Open(folder / "a.pgn", TFileMode::kReadShared), 0);
    TGameSummary summary;
    ASSERT_EQ(ReadPGNSummary(file, 0, summary), TSummaryStatus::kRead);
    EXPECT_EQ(summary.itsEvent, std::string(30, 'E'));
    EXPECT_EQ(summary.itsDate, "1990????");
    EXPECT_EQ(summary.itsResult, "*");
    EXPECT_EQ(summary.itsRound, "12");
    EXPECT_EQ(summary.itsECO, "B90");
    EXPECT_EQ(summary.itsWhite, "Tal");
    EXPECT_EQ(ReadPGNSummary(file, int64_t(game.size()), summary), TSummaryStatus::kBadHeader);
}

} // namespace
} // namespace marvek::test
