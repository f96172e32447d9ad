// The book window's named positions: naming with its questions, the jump commands at the ends
// of the names, the jump dialog with Rename... and a held Delete, jumping by name, mirroring the
// position by side to move, and the set-up dialog.

#include "bookwindow/BookWindow.h"

#include "book/Book2.h"
#include "bookwindow/BookWindowFixture.h"
#include "bookwindow/JumpList.h"
#include "bookwindow/RecordingBookDialogs.h"
#include "diagram/DiagramMenu.h"

#include <gtest/gtest.h>

namespace marvek::test {
namespace {

using testsupport::PositionAfter;

constexpr const char* kNoNames = "There are no named positions in this book.";
constexpr const char* kNoMore = "There are no more named positions.";
constexpr const char* kJumpProblem = "There was a problem jumping to the position.";
constexpr const char* kReadOnly = "This book was opened \"read only.\"";
constexpr const char* kDeleteQuestion = "Are you sure you want to delete this board name?";
constexpr const char* kOverwriteQuestion = "Overwrite the existing position that has this name?";

class BookWindowNamesTest : public BookWindowFixture {
protected:
    void SetUp() override {
        BookWindowFixture::SetUp();
        Window().SetDialogs(&itsDialogs);
    }
    // Three names whose key order differs from the order they are given in.
    void NameThree() {
        Book().UpdateBoardName(PositionAfter("d4"), "Charlie");
        Book().UpdateBoardName(PositionAfter("e4"), "Alpha");
        Book().UpdateBoardName(PositionAfter("e4 c5"), "Bravo");
    }
    TBook2& Book() { return Window().Book(); }
    std::string NameOf(const TPackedPosition& position) {
        std::string name;
        Book().GetNameForThisBoard(position, name);
        return name;
    }
    std::vector<std::string> Questions() const {
        std::vector<std::string> questions;
        for (const auto& shown : itsUi.itsShown)
            if (shown.itsKind == "question") questions.push_back(shown.itsText);
        return questions;
    }

    TRecordingBookDialogs itsDialogs;
};

TEST_F(BookWindowNamesTest, NextAndPreviousWalkTheNamesAndStopAtEitherEnd) {
    NameThree();
    Type("Nf3 d5");
    struct TStep {
        bool itsNext;
        const char* itsName; // where the line starts afterwards; nullptr: the end message, no move
        const char* itsLine;
    };
    // An empty JumpName and an unnamed line start begin before the first name.
    const TStep steps[] = {{true, "Alpha", "e4"}, {true, "Bravo", "e4 c5"},  {true, "Charlie", "d4"},
                           {true, nullptr, "d4"}, {false, "Bravo", "e4 c5"}, {false, "Alpha", "e4"},
                           {false, nullptr, "e4"}};
    for (const TStep& step : steps) {
        itsUi.itsShown.clear();
        step.itsNext ? Window().JumpToNext() : Window().JumpToPrevious();
        SCOPED_TRACE(std::string(step.itsNext ? "next to " : "previous to ") +
                     (step.itsName ? step.itsName : "-"));
        EXPECT_EQ(Window().CurrentPosition(), PositionAfter(step.itsLine));
        EXPECT_EQ(Window().PlyCount(), 0);
        if (step.itsName != nullptr) {
            EXPECT_EQ(Window().JumpName(), step.itsName);
            EXPECT_TRUE(Texts().empty());
        } else {
            EXPECT_EQ(Texts(), std::vector<std::string>{kNoMore});
        }
    }
}

TEST_F(BookWindowNamesTest, AnEmptyJumpNameStartsFromTheNameOfTheLineStart) {
    NameThree();
    Book().UpdateBoardName(StartPosition(), "Bravissimo"); // between Alpha and Bravo
    Type("e4 e5");
    Window().JumpToNext();
    EXPECT_EQ(Window().JumpName(), "Bravo");
    Window().SetJumpName("");
    Window().GoToStartingPosition();
    Window().JumpToPrevious();
    EXPECT_EQ(Window().JumpName(), "Alpha");
}

TEST_F(BookWindowNamesTest, ABookWithoutNamesSaysSoForEveryJump) {
    Type("e4");
    Window().JumpToNext();
    Window().JumpToPrevious();
    Window().JumpToPosition();
    EXPECT_EQ(Texts(), (std::vector<std::string>{kNoNames, kNoNames, kNoNames}));
    EXPECT_TRUE(itsDialogs.itsJumpListShown.empty());
    EXPECT_EQ(Window().PlyCount(), 1);
}

TEST_F(BookWindowNamesTest, NamingAsksBeforeDeletingOrTakingAName) {
    struct TCase {
        const char* itsTitle;
        const char* itsOldName; // the current position's name before
        std::deque<std::optional<std::string>> itsEntries;
        std::deque<TAnswer> itsAnswers;
        std::vector<std::string> itsQuestions;
        const char* itsNameAfter;
        bool itsOtherKeepsBravo;
    };
    const TCase cases[] = {
        {"a new name", "", {"Delta"}, {}, {}, "Delta", true},
        {"a new name for a named position", "Echo", {"Delta"}, {}, {}, "Delta", true},
        {"OK unchanged", "Echo", {"Echo"}, {}, {}, "Echo", true},
        {"cancelled", "Echo", {std::nullopt}, {}, {}, "Echo", true},
        {"a taken name, No then Cancel",
         "",
         {"Bravo", std::nullopt},
         {TAnswer::kNo},
         {kOverwriteQuestion},
         "",
         true},
        {"a taken name, Cancel then another",
         "",
         {"Bravo", "Delta"},
         {TAnswer::kCancel},
         {kOverwriteQuestion},
         "Delta",
         true},
        {"a taken name, Yes", "Echo", {"Bravo"}, {TAnswer::kYes}, {kOverwriteQuestion}, "Bravo", false},
        {"emptied, No then Cancel",
         "Echo",
         {"", std::nullopt},
         {TAnswer::kNo},
         {kDeleteQuestion},
         "Echo",
         true},
        {"emptied, Yes", "Echo", {""}, {TAnswer::kYes}, {kDeleteQuestion}, "", true},
        {"empty for an unnamed position", "", {""}, {}, {}, "", true},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.itsTitle);
        Book().UpdateBoardName(PositionAfter("e4 c5"), "Bravo");
        Window().GoToStartingPosition();
        Type("d4");
        std::string old;
        if (Book().GetNameForThisBoard(Window().CurrentPosition(), old)) Book().DeleteBoardName(old);
        if (*test.itsOldName != '\0') Book().UpdateBoardName(Window().CurrentPosition(), test.itsOldName);
        itsUi.itsShown.clear();
        itsUi.itsAnswers = test.itsAnswers;
        itsDialogs.itsNameEntries = test.itsEntries;
        itsDialogs.itsRenameOpenedWith.clear();

        Window().NameThisPosition();
        EXPECT_EQ(itsDialogs.itsRenameOpenedWith, std::vector<std::string>{test.itsOldName});
        EXPECT_EQ(Questions(), test.itsQuestions);
        EXPECT_EQ(NameOf(Window().CurrentPosition()), test.itsNameAfter);
        EXPECT_EQ(NameOf(PositionAfter("e4 c5")), test.itsOtherKeepsBravo ? "Bravo" : "");
    }
}

TEST_F(BookWindowNamesTest, AReadOnlyBookRefusesNamingAndSetUpButJumps) {
    NameThree();
    Reopen(true);
    Window().SetDialogs(&itsDialogs);
    itsDialogs.itsSetupResult = PositionAfter("g3");
    Window().NameThisPosition();
    Window().SetupPosition();
    EXPECT_EQ(Texts(), (std::vector<std::string>{kReadOnly, kReadOnly}));
    EXPECT_TRUE(itsDialogs.itsRenameOpenedWith.empty());
    EXPECT_FALSE(itsDialogs.itsSetupOpenedWith.has_value());
    Window().JumpToNext();
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("e4"));
}

TEST_F(BookWindowNamesTest, TheJumpDialogListsRenamesDeletesAndJumps) {
    NameThree();
    Window().SetJumpName("Bravo");
    // Rename Bravo to Zulu (it stays in place), then delete Alpha, then OK on what is highlighted.
    itsDialogs.itsNameEntries = {"Zulu"};
    itsDialogs.itsJumpAnswer = [](TJumpList& list) {
        list.Rename();
        list.Highlight(0);
        list.DeleteHighlighted();
        EXPECT_EQ(list.Names(), (std::vector<std::string>{"Zulu", "Charlie"}));
        EXPECT_EQ(list.HighlightedName(), "Zulu");
        return true;
    };
    Window().JumpToPosition();
    EXPECT_EQ(itsDialogs.itsJumpListShown, (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
    EXPECT_EQ(itsDialogs.itsJumpHighlightShown, 1);
    EXPECT_EQ(itsDialogs.itsRenameOpenedWith, std::vector<std::string>{"Bravo"});
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("e4 c5"));
    EXPECT_EQ(Window().JumpName(), "Zulu");
    EXPECT_FALSE(Book().ThisBoardNameExists("Alpha"));
    EXPECT_EQ(Book().NameCount(), 2);

    // An unknown JumpName highlights the first; Rename... needs a highlight; an empty new name
    // deletes after the question; Cancel jumps nowhere.
    Window().SetJumpName("Nothing");
    itsUi.itsAnswers = {TAnswer::kYes};
    itsDialogs.itsNameEntries = {""};
    itsDialogs.itsJumpAnswer = [](TJumpList& list) {
        list.Highlight(-1);
        list.Rename();
        list.Highlight(0); // Charlie, before Zulu
        list.Rename();
        EXPECT_EQ(list.Names(), std::vector<std::string>{"Zulu"});
        EXPECT_EQ(list.Highlighted(), 0);
        return false;
    };
    itsUi.itsShown.clear();
    Window().JumpToPosition();
    EXPECT_EQ(itsDialogs.itsJumpHighlightShown, 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"No position name is highlighted.", kDeleteQuestion}));
    EXPECT_FALSE(Book().ThisBoardNameExists("Charlie"));
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("e4 c5"));
}

TEST(HeldRepeat, EachDelayIsTwoThirdsOfTheOneBefore) {
    THeldRepeat repeat;
    repeat.Press(1000);
    std::vector<std::int64_t> due;
    for (std::int64_t now = 1000; now <= 4000; ++now)
        if (repeat.Due(now)) due.push_back(now - 1000);
    // 900, 600, 400, 266, 177, 118, 78, 52, 34, 22, 14, 9, 6, 4, 2, 1, then every millisecond.
    ASSERT_GE(due.size(), 8u);
    EXPECT_EQ(std::vector<std::int64_t>(due.begin(), due.begin() + 8),
              (std::vector<std::int64_t>{900, 1500, 1900, 2166, 2343, 2461, 2539, 2591}));
    repeat.Release();
    EXPECT_FALSE(repeat.Due(1000000));
}

TEST_F(BookWindowNamesTest, AHeldDeleteDeletesFasterUntilReleasedOrEmpty) {
    const char* lines[] = {"a3", "a4", "b3", "b4", "c3", "c4", "d3", "d4", "e3"};
    for (const char* line : lines) Book().UpdateBoardName(PositionAfter(line), line);
    struct TRun {
        std::int64_t itsReleaseAt; // 0: held to the end
        std::vector<std::int64_t> itsDeletedAt;
    };
    // The 100 ms timer sees each delay at its next tick: 900, 600, 400, 300 (266), 200 (177), ...
    const TRun runs[] = {{1600, {0, 900, 1500}}, {0, {0, 900, 1500, 1900, 2200, 2400}}};
    for (const TRun& run : runs) {
        TJumpList list(Book(), itsDialogs);
        list.Highlight(0);
        std::vector<std::int64_t> deletedAt;
        std::size_t count = list.Names().size();
        list.DeletePressed(0);
        for (std::int64_t now = 0; now <= 6000; now += THeldRepeat::kTimerInterval) {
            if (run.itsReleaseAt != 0 && now == run.itsReleaseAt) list.DeleteReleased();
            if (now > 0) list.DeleteTick(now);
            for (; count > list.Names().size(); --count) deletedAt.push_back(now);
        }
        EXPECT_EQ(deletedAt, run.itsDeletedAt);
        EXPECT_EQ(Book().NameCount(), int(list.Names().size()));
        EXPECT_FALSE(list.DeleteHeld());
    }
    EXPECT_EQ(Book().NameCount(), 0);
}

TEST_F(BookWindowNamesTest, JumpToNameJumpsOnlySavesForANumberOrComplains) {
    NameThree();
    struct TCase {
        const char* itsText;
        const char* itsLine; // the position afterwards
        std::vector<std::string> itsTexts;
    };
    const TCase cases[] = {
        {"Bravo", "e4 c5", {}}, {"42", "g3", {}}, {"-7", "g3", {}}, {"Nowhere", "g3", {kJumpProblem}}};
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.itsText);
        Window().GoToStartingPosition();
        Type("g3");
        Window().SetOwnRate(2);
        Window().SetJumpName("Alpha");
        itsUi.itsShown.clear();
        itsDialogs.itsJumpText = test.itsText;
        Window().JumpToName();
        EXPECT_EQ(Window().CurrentPosition(), PositionAfter(test.itsLine));
        EXPECT_EQ(Texts(), test.itsTexts);
        EXPECT_EQ(Window().JumpName(), "Alpha");
        // A jump and a number save the record; a text that is neither leaves it unsaved.
        EXPECT_EQ(Window().RecordDirty(), !test.itsTexts.empty());
    }
}

TEST_F(BookWindowNamesTest, TheMirroredPositionShowsTheValuesSeenFromTheOtherSide) {
    Type("e4");
    Window().SaveCurrentRecord();
    TPositionRecord record = Window().CurrentRecord();
    record.SetInformantRate(2); // White slightly better
    record.SetBacksolvedRate(1);
    record.SetAssessment(35);
    Book().UpdateEverything(record, nullptr);
    Window().Refresh();
    ASSERT_EQ(itsView.itsAssessment, "+35");

    Window().MirrorPositionSideToMove();
    TChessPosition mirrored(PositionAfter("e4"));
    mirrored.SwapSides();
    EXPECT_EQ(Window().CurrentPosition(), mirrored.GetPosition());
    EXPECT_EQ(Window().PlyCount(), 0);
    EXPECT_EQ(itsView.itsOwnRate, 6);
    EXPECT_EQ(itsView.itsBacksolved, RateFontCharacter(7));
    EXPECT_EQ(itsView.itsAssessment, "-35");
    EXPECT_EQ(Window().CurrentRecord().InformantRate(), 6);
    EXPECT_FALSE(Window().RecordDirty());

    // The board's own requests: only side to move mirrors; twice gives the position back.
    Window().DiagramMirrorRequest(kMirrorLeftToRight);
    Window().DiagramMirrorRequest(kMirrorTopToBottom);
    EXPECT_EQ(Texts(),
              std::vector<std::string>(2, "The Vantro version supports mirroring by side to move only."));
    EXPECT_EQ(Window().CurrentPosition(), mirrored.GetPosition());
    Window().DiagramMirrorRequest(kMirrorSideToMove);
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("e4"));
    EXPECT_EQ(itsView.itsOwnRate, 2);
    EXPECT_EQ(itsView.itsAssessment, "+35");
}

TEST_F(BookWindowNamesTest, SetUpStartsANamedLineAtTheComposedPositionAndStoresIt) {
    Type("e4 e5");
    const TPackedPosition composed = PositionAfter("d4 d5 c4");
    itsDialogs.itsSetupName = "Spanish";
    itsDialogs.itsSetupResult = std::nullopt;
    Window().SetupPosition();
    EXPECT_EQ(itsDialogs.itsSetupOpenedWith, PositionAfter("e4 e5"));
    EXPECT_EQ(Window().PlyCount(), 2);

    itsDialogs.itsSetupResult = composed;
    Window().SetupPosition();
    EXPECT_EQ(Window().CurrentPosition(), composed);
    EXPECT_EQ(Window().PlyCount(), 0);
    EXPECT_EQ(Window().LineBoard(0), composed);
    EXPECT_TRUE(Book().IsInBook(composed));
    EXPECT_EQ(NameOf(composed), "Spanish");
    EXPECT_FALSE(Window().RecordDirty());
}

} // namespace
} // namespace marvek::test
