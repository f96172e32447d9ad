// The PGN reader on its own: tokens, tags, movetext with variations and their depth limit,
// comment wrapping, NAGs, skipping to the next game, and damaged input. A recording variant
// stands in for the importer, so what the reader hands a variant is seen directly.

#include "pgn/PGNGameReader.h"
#include "chess/Square.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <random>

namespace marvek::test {
namespace {

using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

std::string MoveText(const TPackedMove& move) {
    return SquareName(move.itsFrom) + SquareName(move.itsTo);
}

// Records every action as a line of text: "e2e4" (with "/1" for a move inside a variation),
// "comment:line|line", "symbol:2", "rate:3", "end", and "game:White" when a game is finished.
class TRecordingReader : public TPGNGameReader {
public:
    explicit TRecordingReader(int depthLimit = 12, int32_t plyLimit = 999, bool parenthesisEndsWord = true)
        : TPGNGameReader(depthLimit, plyLimit, parenthesisEndsWord) {}

    // Every game of the file, in the order a variant's start operation drives the steps.
    std::vector<std::string> ReadAll(const std::string& path) {
        EXPECT_EQ(OpenInput(path), 0);
        while (!AtEndOfFile()) {
            SkipToNextGame();
            if (AtEndOfFile()) break;
            ReadTags();
            if (!SetUpStartPosition()) itsEvents.push_back("bad fen");
            ReadMovetext();
            itsEvents.push_back("game:" + Header().itsWhite);
            FinishGame();
        }
        CloseInput();
        return itsEvents;
    }

    // The tokens of a text as NextToken cuts it (the last one may be empty).
    std::vector<std::string> Tokens(const std::string& path) {
        EXPECT_EQ(OpenInput(path), 0);
        std::vector<std::string> tokens;
        for (int guard = 0; !AtEndOfFile() && guard < 100000; ++guard) {
            NextToken();
            tokens.emplace_back(Token());
        }
        CloseInput();
        return tokens;
    }

    std::vector<std::string> itsEvents;

protected:
    void MoveStored(const TPackedMove& move) override {
        itsEvents.push_back(MoveText(move) + (Depth() > 0 ? "/" + std::to_string(Depth()) : ""));
    }
    void CommentAction(const std::vector<std::string>& lines) override {
        std::string text = "comment:";
        for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "|" : "") + lines[i];
        itsEvents.push_back(text);
    }
    void SymbolAction(int symbol) override { itsEvents.push_back("symbol:" + std::to_string(symbol)); }
    void RateAction(int rate) override { itsEvents.push_back("rate:" + std::to_string(rate)); }
    void VariationEndAction() override { itsEvents.push_back("end"); }
};

class PGNGameReaderTest : public ::testing::Test {
protected:
    std::string File(const std::string& text) {
        std::string path = itsFolder / "games.pgn";
        WriteWholeFile(path, text);
        return path;
    }
    // The events of one game given as movetext (a White tag names it "W").
    std::vector<std::string> Game(const std::string& movetext, int depthLimit = 12, int32_t plyLimit = 999) {
        TRecordingReader reader(depthLimit, plyLimit);
        auto events = reader.ReadAll(File("[White \"W\"]\n\n" + movetext + "\n"));
        EXPECT_FALSE(events.empty());
        if (!events.empty() && events.back() == "game:W") events.pop_back();
        return events;
    }
    TScratchFolder itsFolder;
};

using Events = std::vector<std::string>;

TEST_F(PGNGameReaderTest, Tokens) {
    struct Case {
        const char* itsText;
        bool itsImporterRule;
        Events itsTokens;
    };
    const Case cases[] = {
        {"12. e4", true, {"12", "", "e4"}}, {"12...Nf6", true, {"12", "", "", "Nf6"}},
        {"e4)", true, {"e4", ")"}},         {"e4(d4", true, {"e4", "(", "d4"}},
        {"e4(d4", false, {"e4(d4"}},        {"{c};x", true, {"{", "c};x"}},
        {"a\r\nb", true, {"a", "b"}},       {"Nf3\tNc6", true, {"Nf3\tNc6"}},
    };
    for (const Case& c : cases) {
        TRecordingReader reader(12, 999, c.itsImporterRule);
        EXPECT_EQ(reader.Tokens(File(c.itsText)), c.itsTokens) << c.itsText;
    }
    // A word stops at 255 characters; the rest is the next token.
    TRecordingReader reader;
    Events tokens = reader.Tokens(File(std::string(300, 'x')));
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].size(), 255u);
    EXPECT_EQ(tokens[1].size(), 45u);
}

TEST_F(PGNGameReaderTest, TagLines) {
    struct Case {
        const char* itsLine;
        std::string TPGNHeader::*itsField;
        std::string itsValue;
    };
    const std::string eighty(80, 'v');
    const Case cases[] = {
        {"[Event \"Ch \"]", &TPGNHeader::itsEvent, "Ch "},
        {"[Site \"Rome\"]", &TPGNHeader::itsSite, "Rome"},
        {"[Date \"1999.01.02\"]", &TPGNHeader::itsDate, "1999.01.02"},
        {"[Round \"3\"]", &TPGNHeader::itsRound, "3"},
        {"[White \"Kasparov, G\"]", &TPGNHeader::itsWhite, "Kasparov, G"},
        {"[Black \"Karpov\"]\r", &TPGNHeader::itsBlack, "Karpov"},
        {"[Result \"1-0\"]", &TPGNHeader::itsResultText, "1-0"},
        {"[ECO \"B20\"]", &TPGNHeader::itsECO, "B20"},
        {"[White \"no closing quote]", &TPGNHeader::itsWhite, "no closing quote]"},
        {"[White \"a \\\"b\\\" c\"]", &TPGNHeader::itsWhite, "a \\"}, // escapes are not read
        {"[white \"lower case\"]", &TPGNHeader::itsWhite, "?"},
        {"[Whites \"x\"]", &TPGNHeader::itsWhite, "?"},
        {"[White  \"two spaces\"]", &TPGNHeader::itsWhite, "two spaces"},
        {"[SetUp \"1\"]", &TPGNHeader::itsFEN, ""},
    };
    for (const Case& c : cases) {
        TRecordingReader reader;
        ASSERT_EQ(reader.OpenInput(File(std::string(c.itsLine) + "\n")), 0);
        reader.ReadTags();
        EXPECT_EQ(reader.Header().*c.itsField, c.itsValue) << c.itsLine;
        EXPECT_EQ(reader.LineCount(), 2) << c.itsLine;
    }
    TRecordingReader reader;
    ASSERT_EQ(reader.OpenInput(File("[Event \"" + eighty + "xyz\"]\n")), 0);
    reader.ReadTags();
    EXPECT_EQ(reader.Header().itsEvent, eighty);
}

TEST_F(PGNGameReaderTest, ResultCodesAndRates) {
    const std::pair<const char*, int> cases[] = {
        {"1-0", 1},    {"(1-0)", 1}, {"0-1", 2},       {"(0-1)", 2}, {"1/2-1/2", 3},   {"draw", 3},
        {"(draw)", 3}, {"1/2", 3},   {"(1/2-1/2)", 3}, {"(1/2)", 3}, {"\xAB-\xAB", 3}, {"(\xAB-\xAB)", 3},
        {"*", 0},      {"Draw", 0},  {"1-0 ", 0},      {"", 0},
    };
    for (auto [value, code] : cases) {
        TRecordingReader reader;
        ASSERT_EQ(reader.OpenInput(File("[Result \"" + std::string(value) + "\"]\n")), 0);
        reader.ReadTags();
        EXPECT_EQ(reader.Header().itsResult, code) << value;
        EXPECT_EQ(reader.Header().itsResultText, value);
    }
    // The rate the result gives the end of the game.
    EXPECT_EQ(ResultRate(kResultUnknown), 9);
    EXPECT_EQ(ResultRate(kResultWhiteWins), 0);
    EXPECT_EQ(ResultRate(kResultBlackWins), 8);
    EXPECT_EQ(ResultRate(kResultDraw), 3);
}

TEST_F(PGNGameReaderTest, MovetextForms) {
    struct Case {
        const char* itsMovetext;
        Events itsEvents;
    };
    const Case cases[] = {
        {"1.e4 e5 2.Nf3", {"e2e4", "e7e5", "g1f3"}},
        {"1. e4 e5 2. Nf3", {"e2e4", "e7e5", "g1f3"}},
        {"1. e4 1... e5 2 Nf3 1-0", {"e2e4", "e7e5", "g1f3"}},
        // Lower-case piece letters, null moves and illegal moves are passed over.
        {"1. e4 nc6 -- Ke3 e5", {"e2e4", "e7e5"}},
        {"1. d4 Nf6 2. c4 e6 3. Nc3 Bb4 4. Qc2 O-O 5. a3 Bxc3+ 6. bxc3",
         {"d2d4", "g8f6", "c2c4", "e7e6", "b1c3", "f8b4", "d1c2", "e8g8", "a2a3", "b4c3", "b2c3"}},
        {"1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. 0-0 o-o",
         {"e2e4", "e7e5", "g1f3", "g8f6", "f1c4", "f8c5", "e1g1", "e8g8"}},
        {"e4 d5 exd5 e5 dxe6ep", {"e2e4", "d7d5", "e4d5", "e7e5", "d5e6"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Game(c.itsMovetext), c.itsEvents) << c.itsMovetext;
}

TEST_F(PGNGameReaderTest, PromotionTokensUpToSevenCharacters) {
    const char* setUp = "[FEN \"3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1\"]\n\n";
    TRecordingReader reader;
    EXPECT_EQ(reader.ReadAll(File(std::string(setUp) + "1. e8=Q+ *\n")), (Events{"e7e8", "game:?"}));
    TRecordingReader capture;
    EXPECT_EQ(capture.ReadAll(File(std::string(setUp) + "1. exd8=Q+ *\n")), (Events{"e7d8", "game:?"}));
    // Nine characters are no move, so the black reply then has no legal reading either.
    TRecordingReader tooLong;
    EXPECT_EQ(tooLong.ReadAll(File(std::string(setUp) + "1. exd8=Q+!? Kg7 2. Kf2 *\n")),
              (Events{"e1f2", "game:?"}));
}

TEST_F(PGNGameReaderTest, Variations) {
    struct Case {
        const char* itsMovetext;
        Events itsEvents;
    };
    const Case cases[] = {
        {"1. e4 (1. d4) e5", {"e2e4", "d2d4/1", "end", "e7e5"}},
        // A parenthesis glued to a move closes the variation after the move.
        {"1. e4 e5 2. Nf3 (2. Nc3 Nc6) Nc6", {"e2e4", "e7e5", "g1f3", "b1c3/1", "b8c6/1", "end", "b8c6"}},
        {"1. e4 (1. d4 d5 (1... Nf6 2. c4) 2. c4) e5",
         {"e2e4", "d2d4/1", "d7d5/1", "g8f6/2", "c2c4/2", "end", "c2c4/1", "end", "e7e5"}},
        {"1. e4 (1. d4) (1. c4) e5", {"e2e4", "d2d4/1", "end", "c2c4/1", "end", "e7e5"}},
        // An unbalanced ")" leaves the depth at 0.
        {"1. e4 ) e5 2. Nf3", {"e2e4", "end", "e7e5", "g1f3"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Game(c.itsMovetext), c.itsEvents) << c.itsMovetext;
}

TEST_F(PGNGameReaderTest, VariationsBelowTheDepthLimitLoseTheirMoves) {
    // Thirteen nested variations; the limit is 12.
    std::string movetext = "1. e4 e5 2. Nf3";
    for (int i = 0; i < 13; ++i) movetext += " (2. Nc3";
    movetext += " Nf6";
    for (int i = 0; i < 13; ++i) movetext += ")";
    movetext += " Nc6 3. Bb5";
    Events events = Game(movetext, 12);
    // Each level is an alternative to the 2. Nc3 of the level above and plays it again; the 13th
    // level and its Nf6 are not read.
    int nc3 = 0;
    for (const std::string& e : events) nc3 += e.starts_with("b1c3") ? 1 : 0;
    EXPECT_EQ(nc3, 12);
    EXPECT_EQ(std::count(events.begin(), events.end(), "b1c3/12"), 1);
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.starts_with("g8f6"); }),
              0);
    EXPECT_EQ(std::count(events.begin(), events.end(), "end"), 13);
    EXPECT_EQ(std::vector<std::string>(events.end() - 2, events.end()), (Events{"b8c6", "f1b5"}));

    // With the importer's limit of 120, 121 levels behave the same way, and the main line goes on.
    std::string deep = "1. e4";
    for (int i = 0; i < 121; ++i) deep += " (1. d4)";
    for (int i = 0; i < 121; ++i) deep += " (";
    deep += "1. c4";
    for (int i = 0; i < 121; ++i) deep += ")";
    deep += " e5";
    events = Game(deep, 120);
    EXPECT_EQ(std::count(events.begin(), events.end(), "c2c4/121"), 0);
    EXPECT_EQ(events.back(), "e7e5");
}

TEST_F(PGNGameReaderTest, CommentsAreWrappedAt73WithParagraphs) {
    const std::string words = "one two three four five six seven eight nine ten eleven twelve thirteen "
                              "fourteen fifteen";
    struct Case {
        std::string itsComment;
        std::string itsEvent;
    };
    const Case cases[] = {
        {"{short comment}", "comment:short comment"},
        {"{a\nb}", "comment:a b"},
        {"{para one\n\npara two}", "comment:para one ||para two"},
        {"{a\r\n  \r\nb}", "comment:a   ||b"},
        {"{" + words + "}",
         "comment:one two three four five six seven eight nine ten eleven twelve thirteen |fourteen fifteen"},
        {"{" + std::string(100, 'x') + " y}", "comment:|" + std::string(100, 'x') + " |y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Game("1. e4 " + c.itsComment), (Events{"e2e4", c.itsEvent})) << c.itsComment;
    EXPECT_EQ(Game("1. e4 {} e5"), (Events{"e2e4", "e7e5"}));
    // A comment never closed runs to the end of the file.
    EXPECT_EQ(Game("1. e4 {open\n\n[Event \"x\"]\n1. d4"),
              (Events{"e2e4", "comment:open ||[Event \"x\"] 1. d4 "}));
}

TEST_F(PGNGameReaderTest, Nags) {
    const std::pair<const char*, const char*> cases[] = {
        {"$1", "symbol:2"}, {"$2", "symbol:5"},   {"$3", "symbol:4"}, {"$4", "symbol:7"},  {"$5", "symbol:3"},
        {"$6", "symbol:6"}, {"$0", "symbol:1"},   {"$9", "symbol:1"}, {"$-3", "symbol:1"}, {"$10", "rate:3"},
        {"$11", "rate:3"},  {"$12", "rate:3"},    {"$13", "rate:4"},  {"$14", "rate:2"},   {"$15", "rate:6"},
        {"$16", "rate:1"},  {"$17", "rate:7"},    {"$18", "rate:0"},  {"$19", "rate:8"},   {"$20", "rate:0"},
        {"$21", "rate:8"},  {"$44", "rate:5"},    {"$47", "rate:5"},  {"$22", "rate:9"},   {"$43", "rate:9"},
        {"$140", "rate:9"}, {"$99999999999", ""}, {"$x", ""},         {"$", ""},           {"$1x", ""},
    };
    for (auto [nag, event] : cases) {
        Events expected{"e2e4"};
        if (*event) expected.push_back(event);
        expected.push_back("e7e5");
        EXPECT_EQ(Game(std::string("1. e4 ") + nag + " e5"), expected) << nag;
    }
}

TEST_F(PGNGameReaderTest, GamesAreFoundAtLineStartsOutsideComments) {
    const std::string text =
        "Some text before the first game [Event \"not here\"]\n"
        "{\n[White \"in a comment\"]\n}\n"
        "[White \"First\"]\n[Result \"1-0\"]\n\n1. e4 e5 ; rest of line [White \"no\"] Nc6\n"
        "2. Nf3 1-0\n\n"
        "[White \"Second\"]\n1. d4 *\n";
    TRecordingReader reader;
    EXPECT_EQ(reader.ReadAll(File(text)),
              (Events{"e2e4", "e7e5", "g1f3", "game:First", "d2d4", "game:Second"}));
    EXPECT_EQ(reader.LineCount(), 13);
    EXPECT_EQ(reader.PercentRead(), 100);
}

TEST_F(PGNGameReaderTest, PlyLimitEndsTheGameAndSkipsItsRest) {
    const std::string text = "[White \"A\"]\n1. e4 (1. d4) e5 (1... c5) 2. Nf3 (2. Nc3) Nc6 *\n"
                             "[White \"B\"]\n1. c4 e5 2. g3 *\n";
    TRecordingReader reader(12, 2);
    EXPECT_EQ(reader.ReadAll(File(text)),
              (Events{"e2e4", "d2d4/1", "end", "e7e5", "game:A", "c2c4", "e7e5", "game:B"}));
}

TEST_F(PGNGameReaderTest, FenGames) {
    const std::string text = "[White \"A\"]\n[FEN \"8/8/8/8/8/4k3/8/4K3 b - - 0 1\"]\n\n1... Kd3 *\n"
                             "[White \"B\"]\n[FEN \"not a fen\"]\n\n1. e4 *\n"
                             "[White \"C\"]\n[FEN \"8/8/8/8/8/8/8/4K3 w - - 0 1\"]\n\n1. Kd2 *\n";
    TRecordingReader reader;
    EXPECT_EQ(reader.ReadAll(File(text)),
              (Events{"e3d3", "game:A", "bad fen", "e2e4", "game:B", "bad fen", "game:C"}));
}

// ---------------------------------------------------------------------------------------------
// Damaged input: the reader ends, and what stood before the damage was read.

TEST_F(PGNGameReaderTest, DamagedInputEndsInOrder) {
    const std::string good = "[White \"Good\"]\n\n1. e4 e5 2. Nf3 *\n\n";
    std::mt19937 random(7);
    std::string garbage(200000, '\0');
    for (char& c : garbage) c = char(random() & 0xFF);
    std::string nested;
    for (int i = 0; i < 20000; ++i) nested += "(1. d4 ";
    const std::pair<const char*, std::string> damages[] = {
        {"binary garbage", garbage},
        {"truncated game", "[White \"Cut\"]\n\n1. e4 e5 2. Nf"},
        {"open braces", "[White \"Brace\"]\n\n1. e4 {{{ e5 2. Nf3"},
        {"unbalanced parentheses", "[White \"Paren\"]\n\n1. e4 (((( e5 ))))))) 2. Nf3 ((\n"},
        {"long tokens",
         "[White \"" + std::string(10000, 'w') + "\"]\n\n1. " + std::string(10000, 'e') + " e4 *\n"},
        {"deep nesting", "[White \"Deep\"]\n\n1. e4 " + nested + "\n"},
        {"long tag line", "[Event \"" + std::string(100000, 'e')},
    };
    for (const auto& [what, damage] : damages) {
        TRecordingReader reader;
        Events events = reader.ReadAll(File(good + "[Event \"damaged\"]\n" + damage + "\n\n" + good));
        ASSERT_GE(events.size(), 4u) << what;
        EXPECT_EQ(Events(events.begin(), events.begin() + 4), (Events{"e2e4", "e7e5", "g1f3", "game:Good"}))
            << what;
        EXPECT_EQ(reader.ReadError(), 0);
    }
}

TEST_F(PGNGameReaderTest, AnUnbalancedParenthesisDoesNotReachTheNextGame) {
    TRecordingReader reader;
    EXPECT_EQ(reader.ReadAll(File("[White \"A\"]\n1. e4 (1. d4 *\n[White \"B\"]\n1. c4 *\n")),
              (Events{"e2e4", "d2d4/1", "game:A", "c2c4", "game:B"}));
}

TEST_F(PGNGameReaderTest, AReadErrorEndsTheFile) {
    TRecordingReader reader;
    // A folder opens but cannot be read.
    ASSERT_EQ(reader.OpenInput(itsFolder.Path()), 0);
    EXPECT_TRUE(reader.AtEndOfFile());
    EXPECT_NE(reader.ReadError(), 0);
    EXPECT_NE(reader.OpenInput(itsFolder / "missing.pgn"), 0);
}

} // namespace
} // namespace marvek::test
