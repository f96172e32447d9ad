// Searching game files: the query rules, the key walks, Stop and More Games, move orders in PGN
// and GM2 files, damaged files, the not-indexed question, and games copied to a PGN file.
#include "games/GameSearch.h"

#include <gtest/gtest.h>

#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"
#include "games/GameCopier.h"
#include "games/GameFileList.h"
#include "games/GameFixtures.h"
#include "games/GameList.h"
#include "games/PGN2GM2Converter.h"
#include "platform/FileSystem.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"
#include "support/SimplePgn.h"

namespace marvek::test {
namespace {

using testsupport::TRecordingProgress;
using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;

// The move string of a line of moves, without its line end.
std::string MoveOrder(const std::string& line) {
    TChessParser parser;
    parser.LoadPosition(StartPosition());
    std::vector<TPackedMove> moves;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(' ', at)) != std::string::npos) {
        std::size_t end = std::min(line.find(' ', at), line.size());
        parser.SetMoveText(line.substr(at, end - at));
        EXPECT_TRUE(parser.ParseMove()) << line.substr(at, end - at);
        moves.push_back(parser.GetChessMove());
        parser.ApplyMove();
        at = end;
    }
    std::string text = TGameIndex::MoveString(moves.data(), int(moves.size()));
    return text.substr(0, text.size() - 2);
}

std::string PgnGame(const std::string& white, const std::string& date, const std::string& result,
                    const std::string& moves) {
    return "[Event \"E\"]\n[Site \"S\"]\n[Date \"" + date + "\"]\n[White \"" + white +
           "\"]\n[Black \"X\"]\n[Result \"" + result + "\"]\n\n" + moves + " " + result + "\n\n";
}

// Twenty plies of knights going out and back, and the same line leaving it at ply 16.
const std::string kKnights =
    "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8";
const std::string kKnightsAside =
    "Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Nd5 Nf3 Nf6 Ng1 Ng8";

class GameSearchTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(itsList.Create(itsFolder / "$SEARCH$.$$$")); }

    // A PGN file, indexed, added to the list.
    std::string AddPgn(const std::string& name, const std::string& text, bool index = true) {
        testsupport::WriteWholeFile(itsFolder / name, text);
        if (index) {
            TPGN2GM2Converter converter(nullptr, 0);
            EXPECT_TRUE(converter.BuildIndex(itsFolder / name));
        }
        itsFiles.Add(itsFolder / name);
        return itsFolder / name;
    }

    // A GM2 file of records (White, Date, Result, moves) with the index the old tools made.
    std::string AddGm2(const std::string& name, const std::vector<std::array<std::string, 4>>& games) {
        std::string path = itsFolder / name;
        std::string text;
        TGameIndex index;
        EXPECT_TRUE(index.Create(path));
        for (const auto& [white, date, result, moves] : games) {
            uint32_t offset = uint32_t(text.size());
            text += GM2Record({"Site", date, "1", white, "X", result, "A00", moves});
            EXPECT_EQ(index.AddGame(offset, white, "X", "A00", moves, date), 0);
        }
        testsupport::WriteWholeFile(path, text);
        itsFiles.Add(path);
        return path;
    }

    TSearchOutcome Search(TSearchCriteria criteria, bool resume = false) {
        EXPECT_EQ(criteria.Apply(), std::nullopt);
        return itsSearch.Run(criteria, resume);
    }

    std::vector<std::string> Whites() {
        std::vector<std::string> whites;
        for (int64_t i = 0; i < itsList.Count(); ++i) {
            TGameListEntry entry;
            EXPECT_TRUE(itsList.Entry(i, entry));
            whites.push_back(entry.itsWhite);
        }
        return whites;
    }

    TScratchFolder itsFolder;
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
    TGameFileList itsFiles;
    TGameList itsList;
    TGameSearch itsSearch{itsFiles, itsList};
};

TEST(SearchCriteria, OKAppliesTheRulesOrRefuses) {
    struct TCase {
        std::array<std::string, 8> itsTyped; // White, Black, ECO and Year From and To
        std::array<std::string, 8> itsStored;
        std::string itsRefusal;
    } const cases[] = {
        {{"kas", "", "  ", "", "b9", "", "1990", ""},
         {"KAS", "KAS" + std::string(27, 'Z'), "", "", "b9", "b9Z", "19900101", "1990????"}},
        {{"", "m", "", "", "B20", "B99", "", "1995"},
         {"", "M" + std::string(29, 'Z'), "", "", "B20", "B99", "", "1995????"}},
        {{"", "", "", "", "", "", "199", ""}, {}, "The starting year must be four digits."},
        {{"", "", "", "", "", "", "1995", "1990"}, {}, "The starting year is greater than the ending year."},
        {{"B", "a", "", "", "", "", "", ""},
         {},
         "The starting white player name is greater than the ending name."},
        {{"", "", "Z", "Y", "", "", "", ""},
         {},
         "The starting black player name is greater than the ending name."},
    };
    for (const TCase& c : cases) {
        TSearchCriteria criteria;
        std::string* fields[] = {&criteria.itsWhiteFrom, &criteria.itsWhiteTo, &criteria.itsBlackFrom,
                                 &criteria.itsBlackTo,   &criteria.itsEcoFrom, &criteria.itsEcoTo,
                                 &criteria.itsYearFrom,  &criteria.itsYearTo};
        for (int i = 0; i < 8; ++i) *fields[i] = c.itsTyped[std::size_t(i)];
        std::optional<std::string> refusal = criteria.Apply();
        EXPECT_EQ(refusal.value_or(""), c.itsRefusal);
        if (refusal) continue;
        for (int i = 0; i < 8; ++i) EXPECT_EQ(*fields[i], c.itsStored[std::size_t(i)]) << i;
    }
    TSearchCriteria toFile;
    toFile.itsDestination = TGameDestination::kListAndPGNFile;
    EXPECT_EQ(toFile.Apply(), "You must choose a name for the PGN file.");
}

TEST_F(GameSearchTest, TheCommandOffersTheGameFilesWhenThereAreNone) {
    itsUi.itsAnswers = {TAnswer::kYes, TAnswer::kNo};
    EXPECT_EQ(itsSearch.StartCommand(), TGameSearch::TCommandStep::kShowGameFiles);
    EXPECT_EQ(itsSearch.StartCommand(), TGameSearch::TCommandStep::kNothing);
    EXPECT_EQ(itsUi.Texts().at(0), "No game files are selected.  Select them now?");
    itsFiles.Add("/a.pgn");
    EXPECT_EQ(itsSearch.StartCommand(), TGameSearch::TCommandStep::kShowQuery);
}

TEST_F(GameSearchTest, ALowerCasePrefixFindsEveryWhiteNameStartingWithIt) {
    AddPgn("a.pgn", PgnGame("Tal, M", "1960.01.01", "1-0", "1. e4") +
                        PgnGame("Smyslov", "1960.01.01", "1-0", "1. e4") +
                        PgnGame("Taimanov", "1960.01.01", "0-1", "1. d4") +
                        PgnGame("Tartakower", "1930.01.01", "*", "1. c4") +
                        PgnGame("Tz", "1930", "*", "1. c4"));
    TSearchCriteria criteria;
    criteria.itsWhiteFrom = "ta";
    EXPECT_EQ(TGameSearch::KeyToWalk(criteria), kWhiteKey);
    TSearchOutcome outcome = Search(criteria);
    EXPECT_EQ(Whites(), (std::vector<std::string>{"Taimanov", "Tal, M", "Tartakower"}));
    EXPECT_EQ(outcome.itsAddedToList, 3);
    EXPECT_EQ(itsList.Statistics(), "1-0-1-1");
    EXPECT_EQ(outcome.itsMessage, "");
    EXPECT_FALSE(itsSearch.CanResume());

    // A name typed in full, space and all, is keyed like the index keys it.
    itsList.Clear();
    TSearchCriteria fullName;
    fullName.itsWhiteFrom = "tal, m";
    Search(fullName);
    EXPECT_EQ(Whites(), (std::vector<std::string>{"Tal, M"}));
}

TEST_F(GameSearchTest, AYearAloneTakesEveryDayOfItQuestionMarksIncluded) {
    AddPgn("a.pgn", PgnGame("A", "1989.12.31", "*", "1. e4") + PgnGame("B", "1990.01.01", "*", "1. e4") +
                        PgnGame("C", "1990.??.??", "*", "1. e4") + PgnGame("D", "1990.12.31", "*", "1. e4") +
                        PgnGame("E", "1991.01.01", "*", "1. e4") + PgnGame("F", "1990", "*", "1. e4"));
    TSearchCriteria criteria;
    criteria.itsYearFrom = "1990";
    EXPECT_EQ(TGameSearch::KeyToWalk(criteria), kDateKey);
    Search(criteria);
    EXPECT_EQ(Whites(), (std::vector<std::string>{"B", "D", "C"}));
}

TEST_F(GameSearchTest, WithoutTheDrawBoxDecisiveAndUnfinishedGamesAreFound) {
    AddPgn("a.pgn", PgnGame("A", "1990", "1-0", "1. e4") + PgnGame("B", "1990", "1/2-1/2", "1. e4") +
                        PgnGame("C", "1990", "0-1", "1. e4") + PgnGame("D", "1990", "*", "1. e4"));
    TSearchCriteria criteria;
    criteria.itsDraws = false;
    Search(criteria);
    EXPECT_EQ(Whites(), (std::vector<std::string>{"A", "C", "D"}));
    EXPECT_EQ(itsList.Statistics(), "1-0-1-1");
}

TEST_F(GameSearchTest, MoreGamesGoesOnAfterTheLastListedGame) {
    std::string text;
    for (char c = 'A'; c <= 'F'; ++c) text += PgnGame(std::string(1, c), "1990", "1-0", "1. e4");
    AddPgn("a.pgn", text);
    AddPgn("b.pgn", PgnGame("G", "1990", "1-0", "1. e4"));
    TRecordingProgress progress;
    progress.itsStopAt = 3;
    itsSearch.SetProgress(&progress);
    TSearchOutcome first = Search(TSearchCriteria());
    EXPECT_TRUE(first.itsStopped);
    EXPECT_EQ(first.itsMessage, "The search was interrupted.");
    EXPECT_EQ(Whites(), (std::vector<std::string>{"A", "B"}));
    ASSERT_TRUE(itsSearch.CanResume());

    progress.itsStopAt = 0;
    TSearchOutcome more = Search(TSearchCriteria(), true);
    EXPECT_FALSE(more.itsStopped);
    EXPECT_EQ(Whites(), (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G"}));
    // Resuming never asks to clear the list.
    EXPECT_TRUE(itsUi.itsShown.empty());

    // A new search asks; No keeps the list and adds to it.
    itsUi.itsAnswers = {TAnswer::kNo};
    Search(TSearchCriteria());
    EXPECT_EQ(itsUi.Texts(), (std::vector<std::string>{"Clear the list first?"}));
    EXPECT_EQ(itsList.Count(), 14);

    // Checking or unchecking a file drops the resume point.
    progress.itsCalls = 0;
    progress.itsStopAt = 3; // the first call shows "Clearing the List..."
    itsUi.itsAnswers = {TAnswer::kYes};
    Search(TSearchCriteria());
    EXPECT_TRUE(itsSearch.CanResume());
    itsFiles.SetChecked(1, false);
    EXPECT_FALSE(itsSearch.CanResume());
}

TEST_F(GameSearchTest, MoveOrdersAreMatchedOnThirtyCharactersInPGNAndWholeInGM2) {
    std::string moves = MoveOrder(kKnights);
    std::string aside = MoveOrder(kKnightsAside);
    std::string sicilian = MoveOrder("e4 c5 Nf3 d6");
    AddPgn("a.pgn", PgnGame("P1", "1990", "*",
                            "1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. Nf3 Nf6 6. Ng1 Ng8 "
                            "7. Nf3 Nf6 8. Ng1 Nd5 9. Nf3 Nf6 10. Ng1 Ng8") +
                        PgnGame("P2", "1990", "*", "1. e4 c5 2. Nf3 d6") +
                        PgnGame("P3", "1990", "*", "1. e4 c5 2. Nc3"));
    AddGm2("b.gm2", {{{"G1", "1990.01.01", "1-0", moves + "\r"}},
                     {{"G2", "1990.01.01", "1-0", aside + "\r"}},
                     {{"G3", "1990.01.01", "1-0", sicilian + "\r"}}});
    TSearchCriteria criteria;
    criteria.itsMoveOrderSearch = true;
    criteria.itsMoveOrders = {MoveOrder("e4 c5 Nf3")};
    EXPECT_EQ(TGameSearch::KeyToWalk(criteria), kMovesKey);
    Search(criteria);
    EXPECT_EQ(Whites(), (std::vector<std::string>{"P2", "G3"}));

    itsUi.itsAnswers = {TAnswer::kYes};
    criteria.itsMoveOrders = {moves.substr(0, 40)};
    Search(criteria);
    EXPECT_EQ(Whites(), (std::vector<std::string>{"P1", "G1"}));
}

TEST_F(GameSearchTest, DamagedFilesGiveTheirMessages) {
    std::string header = "[Event \"Long\"]\n[White \"Long\"]\n";
    for (int i = 0; i < 60; ++i) header += "[Annotator \"Someone who writes a great deal\"]\n";
    AddPgn("a.pgn", PgnGame("A", "1990", "*", "1. e4") + header + "\n1. d4 *\n");
    std::string gm2 = AddGm2("b.gm2", {{{"G", "1990.01.01", "1-0", MoveOrder("e4") + "\r"}}});
    testsupport::WriteWholeFile(TGameIndex::BaseName(gm2) + ".GMX", "not an index");
    AddGm2("c.gm2", {{{"H", "1990.01.01", "1-0", MoveOrder("e4") + std::string(3000, '!')}}});
    TSearchCriteria criteria;
    criteria.itsDestination = TGameDestination::kListAndPGNFile;
    criteria.itsPGNFile = itsFolder / "out.pgn";
    TSearchOutcome outcome = Search(criteria);
    EXPECT_EQ(itsUi.Texts(),
              (std::vector<std::string>{"Bad PGN Header", "There Was A Problem Opening The Game File.",
                                        "Programmer Message: Overran buffer while parsing moves."}));
    EXPECT_EQ(Whites(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(outcome.itsAddedToPGN, 1);
}

TEST_F(GameSearchTest, AFileNotIndexedIsIndexedSkippedOrEndsTheSearch) {
    std::string a = AddPgn("a.pgn", PgnGame("A", "1990", "*", "1. e4"), false);
    AddPgn("b.pgn", PgnGame("B", "1990", "*", "1. e4"), false);
    itsFiles.Add(itsFolder / "gone.pgn");
    itsSearch.SetIndexBuilder(
        [](const std::string& file) { return TPGN2GM2Converter(nullptr, 0).BuildIndex(file); });
    itsUi.itsAnswers = {TAnswer::kYes, TAnswer::kNo};
    TSearchOutcome outcome = Search(TSearchCriteria());
    EXPECT_EQ(Whites(), (std::vector<std::string>{"A"}));
    EXPECT_TRUE(TGameIndex::IsIndexed(a));
    EXPECT_EQ(itsUi.Texts(),
              (std::vector<std::string>{a + " is not indexed. Create indexes now?",
                                        itsFolder / "b.pgn" + " is not indexed. Create indexes now?",
                                        "This file was skipped: " + itsFolder / "b.pgn",
                                        "This PGN file does not exist.\r" + itsFolder / "gone.pgn"}));
    itsUi.itsShown.clear();
    itsUi.itsAnswers = {TAnswer::kYes, TAnswer::kCancel};
    outcome = Search(TSearchCriteria());
    EXPECT_TRUE(outcome.itsStopped);
    EXPECT_EQ(itsList.Count(), 1);
}

TEST_F(GameSearchTest, FoundGamesAreCopiedToAPGNFileThatOtherProgramsRead) {
    AddPgn("a.pgn", PgnGame("A", "1990.05.06", "1-0", "1. e4 {a comment} e5 (1... c5) 2. Nf3") +
                        "[White \"No Event\"]\n\n1. d4 *\n\n" + PgnGame("C", "1990", "0-1", "1. c4"));
    // A long game (the lines break before column 78), a promotion and an illegal move.
    std::string longGame = MoveOrder(kKnights + " " + kKnights + " e4 d5 exd5 c6 dxc6 Qb6 cxb7 Qc6 bxa8=Q");
    AddGm2("b.gm2", {{{"G1", "1991.02.03", "1-0", longGame + "\r"}},
                     {{"G2", "1991.02.03", "1/2-1/2", MoveOrder("e4 e5") + "dT" + MoveOrder("d4") + "\r"}}});
    TSearchCriteria criteria;
    criteria.itsDestination = TGameDestination::kPGNFile;
    criteria.itsPGNFile = itsFolder / "out.pgn";
    TSearchOutcome shown;
    itsSearch.SetShowResults([&shown](const TSearchOutcome& o) { shown = o; });
    TSearchOutcome outcome = Search(criteria);
    EXPECT_EQ(outcome.itsAddedToPGN, 5);
    EXPECT_EQ(outcome.itsAddedToList, 0);
    EXPECT_EQ(outcome.itsIllegalGames, 1);
    EXPECT_EQ(shown.itsAddedToPGN, 5);
    EXPECT_EQ(itsUi.Texts(), (std::vector<std::string>{"1 games had illegal moves."}));
    EXPECT_EQ(itsList.Count(), 0);

    std::string out = testsupport::ReadWholeFile(itsFolder / "out.pgn");
    // The game without an Event tag runs on into the next game, which copies the two as one.
    EXPECT_NE(out.find("[White \"No Event\"]\n\n1. d4 *\n\n[Event \"E\"]"), std::string::npos);
    EXPECT_NE(
        out.find("[Event \"?\"]\n[Site \"Site\"]\n[Date \"1991.02.03\"]\n[Round \"1\"]\n[White \"G1\"]\n"),
        std::string::npos);
    EXPECT_NE(out.find("bxa8=Q 1-0\n\n"), std::string::npos);
    EXPECT_NE(out.find("\n1. e4 e5 1/2-1/2\n\n"), std::string::npos);
    std::size_t lineStart = 0;
    for (std::size_t end; (end = out.find('\n', lineStart)) != std::string::npos; lineStart = end + 1)
        EXPECT_LE(end - lineStart, TGameCopier::kLineWidth) << out.substr(lineStart, end - lineStart);

    // Five copies, six games: the one without an Event tag is in the file twice.
    auto games = testsupport::ReadMainLines(out);
    ASSERT_EQ(games.size(), 6u);
    EXPECT_EQ(games[4].itsMoves.size(), 49u);
    TPGN2GM2Converter reader(nullptr, 0);
    EXPECT_EQ(reader.Convert(itsFolder / "out.pgn").itsGamesConverted, 6);
    if (FileExists("/usr/games/pgn-extract")) {
        auto check = testsupport::RunProgram("/usr/games/pgn-extract", {"-s", "-r", itsFolder / "out.pgn"});
        EXPECT_EQ(check.itsExitStatus, 0) << check.itsErr;
        EXPECT_EQ(check.itsErr.find("Failed"), std::string::npos) << check.itsErr;
    }
}

} // namespace
} // namespace marvek::test
