// The candidate list: display texts, sorting, the candidate limit and the candidate edits.
#include "bookwindow/BookWindowFixture.h"

#include "book/RichTextBuffer.h"

namespace marvek::test {
namespace {

using testsupport::PackedFromFen;
using testsupport::PositionAfter;

class BookWindowCandidatesTest : public BookWindowFixture {
protected:
    TPackedMove MoveAt(const TPackedPosition& position, const std::string& text) {
        TChessParser parser;
        parser.LoadPosition(position);
        parser.SetMoveText(text);
        EXPECT_TRUE(parser.ParseMove()) << text;
        return parser.GetChessMove();
    }
    // Writes a target position with its backsolved rate, count and numeric assessment.
    void WriteTarget(const std::string& line, int rate, int count, int assessment) {
        TPositionRecord record;
        record.SetPosition(PositionAfter(line));
        record.SetBacksolvedRate(rate);
        record.SetBacksolvedCount(count);
        record.SetAssessment(assessment);
        Window().Book().UpdateEverything(record, nullptr);
    }
    // Adds these candidates (move text, symbol) to the record of the position after `line`.
    void WriteCandidates(const std::string& line, const std::vector<std::pair<std::string, int>>& moves) {
        TPositionRecord record;
        record.SetPosition(PositionAfter(line));
        Window().Book().FillInEverything(record, nullptr);
        for (const auto& [text, symbol] : moves) {
            TPackedMove move = MoveAt(record.Position(), text);
            move.itsSymbol = std::uint8_t(symbol);
            record.AddCandidate(move);
        }
        Window().Book().UpdateEverything(record, nullptr);
    }
};

TEST_F(BookWindowCandidatesTest, DisplayTextsShowTheTargets) {
    WriteCandidates("", {{"e4", kSymbolNone},
                         {"d4", kSymbolGood},
                         {"c4", kSymbolInteresting},
                         {"Nf3", kSymbolNone},
                         {"g3", kSymbolNone}});
    WriteTarget("e4", 0, 0, 15);
    WriteTarget("d4", kRateNone, 1, kNoAssessment);
    WriteTarget("c4", kRateSpecial, 50000, 0);
    WriteTarget("g3", 11, 65535, -40);
    Window().Activate();
    EXPECT_EQ(itsView.itsCandidates,
              (std::vector<std::string>{"e4,i0Z+15C,", "d4!, 1Z C,", "c4!?,g>50000Z+0C,", "Nf3, 1Z C,",
                                        "g3, >65535Z-40C,"}));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"No target position after",
                                                 "An unsupported Informant code was discovered."}));

    // A stored move that is not legal here leaves the record when the position is loaded.
    TPositionRecord start;
    start.SetPosition(StartPosition());
    Window().Book().FillInEverything(start, nullptr);
    start.AddCandidate({14, 44, 0, kSymbolNone}); // e2-e5
    Window().Book().UpdateEverything(start, nullptr);
    itsUi.itsShown.clear();
    Window().Activate();
    EXPECT_EQ(Texts().back(), "GBSIFC() has an illegal move!");
    EXPECT_EQ(itsView.itsCandidates.size(), 5u);

    // Colour marks follow the assessment.
    Window().SetHighlightedCandidate(0);
    for (int colour : {2, 0, 1}) Window().ToggleCandidateMark(colour);
    EXPECT_EQ(itsView.itsCandidates[0], "e4,i0Z+15Cabc,");
    Window().ToggleCandidateMark(1);
    EXPECT_EQ(itsView.itsCandidates[0], "e4,i0Z+15Cac,");
    EXPECT_EQ(itsView.itsHighlighted, 0);
}

TEST(BetterRateTest, FollowsTheSideToMove) {
    struct TCase {
        int a, b;
        bool white, favorUnclear;
        int result;
    };
    const TCase cases[] = {
        {3, 4, true, true, 4},    {4, 3, false, true, 4},  {3, 4, true, false, 3},  {5, 9, true, false, 9},
        {7, 10, true, false, 10}, {2, 10, true, false, 2}, {5, 2, true, false, 2},  {5, 11, true, false, 5},
        {0, 3, false, false, 3},  {6, 3, false, false, 6}, {1, 4, false, false, 4}, {3, 4, false, false, 3},
        {2, 5, false, false, 5},  {4, 5, false, false, 4}, {0, 9, false, false, 9}, {1, 10, false, false, 10},
        {4, 10, false, false, 4}, {2, 8, false, false, 8}, {6, 1, false, false, 6}, {3, 11, false, false, 3},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TBookWindow::BetterRate(c.a, c.b, c.white, c.favorUnclear), c.result)
            << c.a << " " << c.b << (c.white ? " White" : " Black") << (c.favorUnclear ? " unclear" : "");
}

TEST_F(BookWindowCandidatesTest, SortingByAssessmentPutsMissingOnesLastForWhiteFirstForBlack) {
    Settings().SetSortCandidates(TBookWindow::kSortByAssessment);
    WriteCandidates("",
                    {{"e4", kSymbolNone}, {"d4", kSymbolNone}, {"c4", kSymbolNone}, {"Nf3", kSymbolNone}});
    WriteTarget("e4", kRateNone, 1, 20);
    WriteTarget("d4", kRateNone, 1, kNoAssessment);
    WriteTarget("c4", kRateNone, 1, -5);
    WriteTarget("Nf3", kRateNone, 1, 30);
    WriteCandidates("e4", {{"e5", kSymbolNone}, {"c5", kSymbolNone}, {"e6", kSymbolNone}});
    WriteTarget("e4 e5", kRateNone, 1, 20);
    WriteTarget("e4 c5", kRateNone, 1, kNoAssessment);
    WriteTarget("e4 e6", kRateNone, 1, -5);
    Window().Activate();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"Nf3", "e4", "c4", "d4"}));
    Window().SetHighlightedCandidate(1);
    Window().ForwardOnePly();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"c5", "e6", "e5"}));

    // Moving up re-sorts at once, so the order shown stays.
    Window().SetHighlightedCandidate(2);
    Window().MoveCandidateUp();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"c5", "e6", "e5"}));
    EXPECT_EQ(itsView.itsHighlighted, 1);
}

TEST_F(BookWindowCandidatesTest, SortingByRateUsesTheRuleAndThenTheCount) {
    Settings().SetSortCandidates(TBookWindow::kSortByRate);
    WriteCandidates("",
                    {{"e4", kSymbolNone}, {"d4", kSymbolNone}, {"c4", kSymbolNone}, {"Nf3", kSymbolNone}});
    WriteTarget("e4", 3, 5, kNoAssessment);
    WriteTarget("d4", 1, 2, kNoAssessment);
    WriteTarget("c4", 3, 9, kNoAssessment);
    WriteTarget("Nf3", 6, 40, kNoAssessment);
    Window().Activate();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"d4", "c4", "e4", "Nf3"}));
}

TEST_F(BookWindowCandidatesTest, ThirtyCandidatesAreTheMostButTheMoveIsStillPlayed) {
    const TPackedPosition busy =
        PackedFromFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    TChessParser parser;
    parser.LoadPosition(busy);
    std::vector<TPackedMove> moves(100);
    moves.resize(std::size_t(parser.GenerateMoves(moves.data(), 100)));
    ASSERT_GT(moves.size(), 31u);
    TPositionRecord record;
    record.SetPosition(busy);
    for (std::size_t i = 0; i < 30; ++i) record.AddCandidate(moves[i]);
    Window().Book().UpdateEverything(record, nullptr);

    Window().SetLineStart(busy);
    ASSERT_EQ(Window().CurrentRecord().CandidateCount(), 30);
    Window().BoardMove(moves[30]);
    EXPECT_EQ(Texts().back(), "No more candidates can be added.");
    EXPECT_EQ(Window().PlyCount(), 1);
    Window().BackOnePly();
    EXPECT_EQ(Window().CurrentRecord().CandidateCount(), 30);
    EXPECT_EQ(Window().CurrentRecord().FindCandidate(moves[30]), -1);
}

TEST_F(BookWindowCandidatesTest, MovingAndDeletingCandidates) {
    for (const char* move : {"e4", "d4", "c4"}) {
        Type(move);
        Window().BackOnePly();
    }
    Window().SetHighlightedCandidate(-1);
    Window().DeleteCandidate();
    Window().MoveCandidateUp();
    Window().ToggleCandidateMark(0);
    Window().SetHighlightedCandidate(0);
    Window().MoveCandidateUp();
    Window().SetHighlightedCandidate(2);
    Window().MoveCandidateDown();
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"No candidate is highlighted.", "No candidate is highlighted.",
                                        "No candidate is highlighted.", "Candidate is already at the top.",
                                        "Candidate is already at the bottom."}));

    Window().MoveCandidateUp();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "c4", "d4"}));
    EXPECT_EQ(itsView.itsHighlighted, 1);
    Window().SetHighlightedCandidate(2);
    Window().DeleteCandidate();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "c4"}));
    EXPECT_EQ(itsView.itsHighlighted, 1) << "the new last one";
    Window().SetHighlightedCandidate(0);
    Window().DeleteCandidate();
    Window().DeleteCandidate();
    EXPECT_TRUE(Moves().empty());
    EXPECT_EQ(itsView.itsHighlighted, -1);
    EXPECT_FALSE(Window().CandidateItemsEnabled());

    // What was edited is written when the position is left.
    Type("Nf3");
    Window().BackOnePly();
    EXPECT_EQ(Moves(), std::vector<std::string>{"Nf3"});
}

TEST_F(BookWindowCandidatesTest, ASymbolWithNoCandidateHighlightedMarksTheLastMovePlayed) {
    Type("e4 e5");
    Window().SetEvaluationSymbol(kSymbolGood); // nothing highlighted here: no candidates
    EXPECT_EQ(Window().LineMoveText(2), "e5!,");
    EXPECT_EQ(itsView.itsGrid[0][1], "e5!");
    Window().BackOnePly();
    EXPECT_EQ(itsView.itsCandidates[0].substr(0, 4), "e5!,");

    // A highlighted candidate takes the symbol itself.
    Window().SetEvaluationSymbol(kSymbolBlunder);
    EXPECT_EQ(itsView.itsCandidates[0].substr(0, 5), "e5??,");
    EXPECT_EQ(itsView.itsHighlighted, 0);
    Window().BackToStart();
    Window().ForwardOnePly();
    EXPECT_EQ(itsView.itsCandidates[0].substr(0, 5), "e5??,");
}

TEST_F(BookWindowCandidatesTest, AssessmentsOfThePositionAreKept) {
    Type("e4");
    Window().BackOnePly();
    Window().SetOwnRate(4);
    EXPECT_EQ(itsView.itsOwnRate, 4);
    Window().SetCertainty(1);
    Window().EditOpeningCode("C20 King's pawn");
    EXPECT_EQ(Window().OpeningCodePane(), "C20 King'");
    Window().ForwardOnePly();
    Window().BackOnePly();
    EXPECT_EQ(Window().CurrentRecord().InformantRate(), 4);
    EXPECT_EQ(Window().CurrentRecord().Certainty(), 1);
    EXPECT_EQ(Window().CurrentRecord().OpeningCode(), "C20 King'");
    Window().ClearBacksolvedRate();
    EXPECT_EQ(itsView.itsBacksolved, 'r');
    EXPECT_EQ(TBookWindow::AssessmentText(0), "0");
    EXPECT_EQ(TBookWindow::AssessmentText(12), "+12");
    EXPECT_EQ(TBookWindow::AssessmentText(kNoAssessment), "");

    // Without an engine the engine commands say so.
    Window().GrabEngineAnalysis();
    Window().CopyEngineAnalysis();
    Window().PlayEnginesMove();
    Window().PlayBestLine();
    EXPECT_EQ(Texts(), std::vector<std::string>(4, "No engine is connected."));
}

} // namespace
} // namespace marvek::test

namespace marvek::test {
namespace {

// A game window holding one game, and one running engine with a scripted analysis.
class TFakeLinks : public TBookGameLink, public TBookEngineLink {
public:
    bool GameHasMove(int ply, const TPackedMove& move) override {
        return ply <= int(itsGame.size()) && itsGame[std::size_t(ply - 1)].SameMove(move);
    }
    bool AnyRunning() override { return true; }
    std::vector<std::string> BestMoves() override { return {"d4"}; }
    std::vector<TEngineAnalysis> Analyses() override { return itsAnalyses; }
    std::string BestLine() override { return "d5 c4 e6"; }
    void SendPosition(const std::string& text, int plies, bool white) override {
        itsSent = text + " " + std::to_string(plies) + (white ? " w" : " b");
    }

    std::vector<TPackedMove> itsGame;
    std::vector<TEngineAnalysis> itsAnalyses;
    std::string itsSent;
};

class TCommentRecordingView : public TRecordingBookView {
public:
    void InsertCommentParagraph(const std::string& text) override { itsInserted.push_back(text); }
    void CopyToClipboard(const std::string& text) override { itsClipboard = text; }
    std::vector<std::string> itsInserted;
    std::string itsClipboard;
};

TEST(BookWindowLinksTest, InGameIndicatorAndEngineCommands) {
    testsupport::TScratchFolder folder;
    TStorageSession storage;
    testsupport::TRecordingUserInterface ui;
    TCommentRecordingView view;
    TFakeLinks links;
    TBookWindow window;
    window.SetView(&view);
    window.SetGameLink(&links);
    window.SetEngineLink(&links);
    window.OpenBook(folder / "Book", true, false, false);

    // The engine's move and line are played as typed moves.
    window.PlayEnginesMove();
    window.PlayBestLine();
    EXPECT_EQ(window.CurrentPosition(), testsupport::PositionAfter("d4 d5 c4 e6"));
    window.DelayedRefresh();
    // The full FEN, castling rights included.
    EXPECT_EQ(links.itsSent, "rnbqkbnr/ppp2ppp/4p3/3p4/2PP4/8/PP2PPPP/RNBQKBNR w KQkq - 4 w");

    // "G" marks the candidates that continue the game along the line.
    links.itsGame = {{13, 33, 0, kSymbolNone}, {63, 43, 0, kSymbolNone}}; // d4 d5
    window.BackToStart();
    EXPECT_EQ(view.itsCandidates, std::vector<std::string>{"d4, 1Z C,G"});
    window.ForwardOnePly();
    window.ForwardOnePly();
    EXPECT_EQ(view.itsCandidates, std::vector<std::string>{"c4, 1Z C,"});

    // A usable score becomes the assessment; a mate score does not.
    links.itsAnalyses = {{25, "c4 e6", "Fish", true, 1234}, {10000, "c4", "Fairy", false, 0}};
    window.GrabEngineAnalysis();
    EXPECT_EQ(view.itsInserted, (std::vector<std::string>{"pv c4 e6 +25 Fish 1234", "pv c4 +10000 Fairy"}));
    EXPECT_EQ(window.CurrentRecord().Assessment(), 25);
    EXPECT_EQ(view.itsAssessment, "+25");
    window.CopyEngineAnalysis();
    EXPECT_EQ(view.itsClipboard, "pv c4 +10000 Fairy");
    EXPECT_TRUE(ui.itsShown.empty());
}

} // namespace
} // namespace marvek::test
