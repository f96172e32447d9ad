#include <gtest/gtest.h>

#include <string>

#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "support/RecordingUserInterface.h"

namespace marvek {
namespace {

using testsupport::TRecordingUserInterface;

class StringTableTest : public ::testing::Test {
protected:
    void TearDown() override { SetLanguageOffset(0); }
};

TEST_F(StringTableTest, BuiltInTableIsWellFormed) {
    EXPECT_TRUE(StringTableProblems(BuiltInStringTable()).empty());
    EXPECT_EQ(StringTableProblems("# comment\n\n12\tx\n12\ty\nno tab\n-3\tneg\n").size(), 3u);
}

TEST_F(StringTableTest, TextsAreKeptExactly) {
    struct TCase {
        int itsNumber;
        const char* itsText;
    };
    const TCase cases[] = {
        {16, "There are no named positions in this book."},
        {182, "Not enough disk space."},
        {196, "CBook.DeleteBoardName() - BTFindKey had an IsamError. (1)"},
        {374, "K"},
        {426, "TXT"},
        {430, "There was not enough RAM memory to start Marvek's database engine. (1)"},
        {453, "Piece letters cannot be left blank."},
        {454, "Each piece letter must be unique."},
        {632, "Could not find the engine in %s. (%d)"},
        {716, "Linares double border w/ algebraic hints"},
        {777, "Merida double border w/ algebraic hints"},
        {832, "Are you sure you want to replace it?"},
        {1028, "Alt+F4"},
        {1066, ""}, // a menu item without a shortcut is an empty entry, not a missing one
        {1704, "Loading Book..."},
        {1902, "Help"},
    };
    for (const TCase& c : cases) {
        const std::string* text = FindString(c.itsNumber);
        ASSERT_NE(text, nullptr) << c.itsNumber;
        EXPECT_EQ(*text, c.itsText) << c.itsNumber;
        EXPECT_EQ(LoadMessage(c.itsNumber), c.itsText) << c.itsNumber;
    }
    // Every menu, menu item (caption and shortcut) and toolbar hint the main window asks for.
    for (int n : {1000, 1050, 1200, 1350, 1400}) EXPECT_NE(FindString(n), nullptr) << n;
    for (int n :
         {1001, 1003, 1005, 1027, 1051, 1053, 1055, 1065, 1351, 1353, 1355, 1357, 1401, 1403, 1405, 1407}) {
        EXPECT_NE(FindString(n), nullptr) << n;
        EXPECT_NE(FindString(n + 1), nullptr) << n + 1;
    }
    for (int n = 1700; n <= 1704; ++n) EXPECT_NE(FindString(n), nullptr) << n;
}

TEST_F(StringTableTest, MissingEntriesShowTheirFallback) {
    EXPECT_EQ(FindString(473), nullptr);
    EXPECT_EQ(LoadMessage(473), "Could not load message 473");
    EXPECT_EQ(LoadMessage(99999), "Could not load message 99999");
}

TEST_F(StringTableTest, TheLanguageOffsetMovesEveryLookup) {
    SetLanguageOffset(1);
    EXPECT_EQ(LoadMessage(453), "Each piece letter must be unique."); // 454
    EXPECT_EQ(LoadMessage(472), "Could not load message 473");
    SetLanguageOffset(-1);
    EXPECT_EQ(LoadMessage(1901), "OK");
}

TEST_F(StringTableTest, ShowInformationShowsTheTextOfBothNumbers) {
    TRecordingUserInterface ui;
    ShowInformation(830, 182);
    ShowInformation(0, 473);
    SetLanguageOffset(1);
    ShowInformation(0, 453);
    ASSERT_EQ(ui.itsShown.size(), 3u);
    EXPECT_EQ(ui.itsShown[0].itsKind, "information");
    EXPECT_EQ(ui.itsShown[0].itsTitle, "Caution");
    EXPECT_EQ(ui.itsShown[0].itsText, "Not enough disk space.");
    EXPECT_EQ(ui.itsShown[1].itsTitle, "");
    EXPECT_EQ(ui.itsShown[1].itsText, "Could not load message 473");
    EXPECT_EQ(ui.itsShown[2].itsText, "Each piece letter must be unique.");
}

} // namespace
} // namespace marvek
