#include <gtest/gtest.h>

#include <string>

#include "app/MessageNumbers.h"
#include "app/PreferenceRules.h"
#include "app/Settings.h"

namespace marvek {
namespace {

TEST(PreferenceRules, PieceLetters) {
    struct TCase {
        std::array<std::string, 5> itsLetters;
        int itsProblem;
    };
    const TCase cases[] = {
        {{"K", "Q", "R", "B", "N"}, 0},
        {{"K", "D", "T", "L", "S"}, 0},
        {{"K", "Q", "R", "B", "B"}, kMsgPieceLettersNotUnique},
        {{"K", "Q", "K", "B", "N"}, kMsgPieceLettersNotUnique},
        {{"K", "", "R", "B", "N"}, kMsgPieceLettersBlank},
        {{"K", "Q", "R", "B", " "}, kMsgPieceLettersBlank},
        {{"", "", "R", "B", "N"}, kMsgPieceLettersBlank}, // blank is reported before equal
    };
    for (const TCase& c : cases)
        EXPECT_EQ(PieceLettersProblem(c.itsLetters), c.itsProblem)
            << c.itsLetters[0] << c.itsLetters[1] << c.itsLetters[2] << c.itsLetters[3] << c.itsLetters[4];
}

TEST(PreferenceRules, PromotionPieceByLetter) {
    EXPECT_EQ(PromotionPieceFor('Q', 'Q', 'R', 'B', 'N'), 5);
    EXPECT_EQ(PromotionPieceFor('R', 'Q', 'R', 'B', 'N'), 4);
    EXPECT_EQ(PromotionPieceFor('B', 'Q', 'R', 'B', 'N'), 3);
    EXPECT_EQ(PromotionPieceFor('N', 'Q', 'R', 'B', 'N'), 2);
    EXPECT_EQ(PromotionPieceFor('X', 'Q', 'R', 'B', 'N'), 5);
    EXPECT_EQ(PromotionPieceFor('S', 'D', 'T', 'S', 'S'), 2); // the last match wins
    EXPECT_EQ(PromotionLetter(2, 'D', 'T', 'L', 'S'), 'S');
    EXPECT_EQ(PromotionLetter(4, 'D', 'T', 'L', 'S'), 'T');
    EXPECT_EQ(PromotionLetter(6, 'D', 'T', 'L', 'S'), 'D');
}

TEST(PreferenceRules, SlidingPieceSpeedTrackBar) {
    EXPECT_EQ(SlidingSpeedForPosition(0), 50);
    EXPECT_EQ(SlidingSpeedForPosition(9), 900);
    EXPECT_EQ(SlidingSpeedForPosition(kSlidingLastPosition), 0);
    EXPECT_EQ(SlidingPositionForSpeed(900), 9);
    EXPECT_EQ(SlidingPositionForSpeed(50), 0);
    EXPECT_EQ(SlidingPositionForSpeed(0), kSlidingLastPosition);
    EXPECT_EQ(SlidingPositionForSpeed(5001), kSlidingLastPosition);
    EXPECT_EQ(SlidingPositionForSpeed(5000), kSlidingLastPosition);
}

TEST(PreferenceRules, SetPreferenceAcceptsWhatTheDialogAccepts) {
    struct TCase {
        const char* itsName;
        const char* itsValue;
        const char* itsShownName;
        const char* itsStored;
    };
    const TCase cases[] = {
        {"DatabaseSafety", "yes", "DatabaseSafety", "yes"},
        {"databasesafety", "off", "DatabaseSafety", "no"},
        {"SortCandidates", "2", "SortCandidates", "2"},
        {"VariationStartsMove", "+199", "VariationStartsMove", "199"},
        {"LanguageOffset", "-1000", "LanguageOffset", "-1000"},
        {"WhiteLetter", "B", "WhiteLetter", "B"},
        {"QueenLetter", "D", "QueenLetter", "D"},
        {"PromotionPiece", "R", "PromotionPiece", "4"},
        {"PromotionPiece", "x", "PromotionPiece", "5"},
        {"PromotionPiece", "3", "PromotionPiece", "3"},
        {"Analyst1Path", "/analysis", "Analyst1Path", "/analysis/"},
        {"Analyst2Path", "", "Analyst2Path", ""},
        {"BooksFolder", "/books/", "BooksFolder", "/books/"},
        {"TextExportExtension", "PGN", "TextExportExtension", "PGN"},
        {"WinboardStartupCommand20", "hard", "WinboardStartupCommand20", "hard"},
        {"TrainingInARowToComplete2", "99", "TrainingInARowToComplete2", "99"},
    };
    for (const TCase& c : cases) {
        TSettings settings;
        settings.FactorySettings();
        TPreferenceResult result = SetPreference(settings, c.itsName, c.itsValue);
        EXPECT_TRUE(result.itsOk) << c.itsName << " " << result.itsProblem;
        const TSettingField* field = FindSettingField(c.itsShownName);
        ASSERT_NE(field, nullptr) << c.itsShownName;
        EXPECT_EQ(PreferenceText(settings, *field), c.itsStored) << c.itsName << " " << c.itsValue;
    }
}

TEST(PreferenceRules, SetPreferenceRefusesAndChangesNothing) {
    struct TCase {
        const char* itsName;
        std::string itsValue;
        int itsMessageNr;
    };
    const TCase cases[] = {
        {"BishopLetter", "N", kMsgPieceLettersNotUnique},
        {"KingLetter", "", kMsgPieceLettersBlank},
        {"PieceLetters", "KQRBB", kMsgPieceLettersNotUnique},
        {"PieceLetters", "KQ BN", kMsgPieceLettersBlank},
        {"PieceLetters", "KQRB", 0},
        {"KingLetter", "KK", 0},
        {"WhiteLetter", " ", 0},
        {"SortCandidates", "3", 0},
        {"SortCandidates", "two", 0},
        {"TextExportStartMove", "0", 0},
        {"TabsLeftOfMoves", "100", 0},
        {"DiagramFontType", "10", 0},
        {"TrainingComputerPlays0", "4", 0},
        {"ShowHints", "maybe", 0},
        {"BooksFolder", std::string(71, 'b'), 0},
        {"PgnExportRound", "123", 0},
        {"TextExportBeforeMoves", "two\nlines", 0},
        {"NoSuchSetting", "1", 0},
    };
    for (const TCase& c : cases) {
        TSettings settings;
        settings.FactorySettings();
        TSettings before = settings;
        TPreferenceResult result = SetPreference(settings, c.itsName, c.itsValue);
        EXPECT_FALSE(result.itsOk) << c.itsName << " " << c.itsValue;
        EXPECT_EQ(result.itsMessageNr, c.itsMessageNr) << c.itsName << " " << c.itsValue;
        if (c.itsMessageNr == 0) {
            EXPECT_FALSE(result.itsProblem.empty()) << c.itsName;
        }
        EXPECT_EQ(settings.Bytes(), before.Bytes()) << c.itsName << " " << c.itsValue;
    }
}

TEST(PreferenceRules, LettersChangeAsASetAndTheStopMoveFollowsTheStart) {
    TSettings settings;
    settings.FactorySettings();
    EXPECT_TRUE(SetPreference(settings, "PieceLetters", "KDTLS").itsOk);
    EXPECT_EQ(settings.QueenLetter(), 'D');
    EXPECT_EQ(settings.KnightLetter(), 'S');
    // Swapping two letters is one step as a set.
    EXPECT_TRUE(SetPreference(settings, "PieceLetters", "KDTSL").itsOk);
    EXPECT_EQ(settings.BishopLetter(), 'S');

    ASSERT_TRUE(SetPreference(settings, "TextExportStartMove", "20").itsOk);
    ASSERT_TRUE(SetPreference(settings, "TextExportStopMove", "10").itsOk);
    EXPECT_EQ(settings.TextExportStopMove(), 20);
    ASSERT_TRUE(SetPreference(settings, "TextExportStartMove", "30").itsOk);
    EXPECT_EQ(settings.TextExportStopMove(), 30);
}

} // namespace
} // namespace marvek
