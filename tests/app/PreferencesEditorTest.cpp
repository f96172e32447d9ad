// Tests of TPreferencesEditor: what the preferences dialog's OK button does with the record.
#include <gtest/gtest.h>

#include <string>

#include "app/MessageNumbers.h"
#include "app/PreferenceRules.h"
#include "app/PreferencesEditor.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "platform/SettingsStore.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

using testsupport::ReadWholeFile;
using testsupport::TRecordingUserInterface;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;

std::string Bytes(const TSettings& settings) {
    return std::string(reinterpret_cast<const char*>(settings.Bytes().data()), TSettings::kSize);
}

// Every test gets its own home, program folder and settings store, and a user who is recorded.
class PreferencesEditorTest : public ::testing::Test {
protected:
    TScratchFolder itsScratch;
    TScopedEnvironment itsHome{"HOME", itsScratch / "home"};
    TScopedEnvironment itsProgram{"MARVEK_HOME", itsScratch / "program"};
    TScopedEnvironment itsConfig{"XDG_CONFIG_HOME", itsScratch / "config"};
    TRecordingUserInterface itsUser;
    TSettings itsSettings;
    TPreferencesEditor itsEditor;

    void SetUp() override {
        itsSettings.FactorySettings();
        itsEditor.Load(itsSettings);
    }
    void TearDown() override { SetLanguageOffset(0); }

    TPreferenceValues& Values() { return itsEditor.Values(); }
    std::string Letters() const {
        const TSettings& s = itsSettings;
        return {s.KingLetter(), s.QueenLetter(), s.RookLetter(), s.BishopLetter(), s.KnightLetter()};
    }
};

TEST_F(PreferencesEditorTest, LoadingAndApplyingLeavesTheRecordAsItWas) {
    // A record far from the factory values, in every form the dialog shows differently.
    TSettings& s = itsSettings;
    s.SetQueenLetter('D');
    s.SetRookLetter('T');
    s.SetBishopLetter('L');
    s.SetKnightLetter('S');
    s.SetWhiteLetter('w');
    s.SetPromotionPiece(3);
    s.SetSlidingPieceSpeed(1400);
    s.SetSortCandidates(2);
    s.SetDatabaseSafety(true);
    s.SetCommentFontName("DejaVu Serif");
    s.SetCommentFontStyle(kFontBold | kFontStrikeOut);
    s.SetCandidateFontColour(0x00FF00);
    s.SetTextExportStartMove(12);
    s.SetTextExportStopMove(40);
    s.SetDiagramFontType(3);
    s.SetBooksFolder("/books/here/");
    s.SetAnalyst1Path("/analysis/");
    const std::string before = Bytes(s);

    itsEditor.Load(s);
    EXPECT_EQ(Values().itsPromotionLetter, "L");
    EXPECT_EQ(Values().itsSlidingPosition, 14);
    EXPECT_EQ(Values().itsCommentFont, (TFontDescription{"DejaVu Serif", 12, kFontBold | kFontStrikeOut, 0}));
    EXPECT_TRUE(itsEditor.Apply(s));
    EXPECT_EQ(Bytes(s), before);
    EXPECT_TRUE(itsUser.itsShown.empty());
}

TEST_F(PreferencesEditorTest, EveryValueIsTaken) {
    TPreferenceValues& v = Values();
    v.itsQueenLetter = "D";
    v.itsPromotionLetter = "D"; // read with the new letters: the queen
    v.itsBlackLetter = "S";
    v.itsAskForPromotionPiece = false;
    v.itsVariationStartsMove = 199;
    v.itsCandidateFont = {"DejaVu Sans", 30, kFontItalic, 0x123456};
    v.itsKnightFigurine = 7;
    v.itsUseFigurines = true;
    v.itsExportMoveNumbers = 0;
    v.itsReturnsAfterDiagram = 99;
    v.itsBookPath = std::string(80, 'b');
    v.itsAnalyst1Path = "/first";
    v.itsAnalyst2Path = "";
    EXPECT_TRUE(itsEditor.Apply(itsSettings));

    const TSettings& s = itsSettings;
    EXPECT_EQ(Letters(), "KDRBN");
    EXPECT_EQ(s.PromotionPiece(), 5);
    EXPECT_EQ(s.BlackLetter(), 'S');
    EXPECT_FALSE(s.AskForPromotionPiece());
    EXPECT_EQ(s.VariationStartsMove(), 199);
    EXPECT_EQ(s.CandidateFontName(), "DejaVu Sans");
    EXPECT_EQ(s.CandidateFontSize(), 30);
    EXPECT_EQ(s.CandidateFontStyle(), kFontItalic);
    EXPECT_EQ(s.CandidateFontColour(), 0x123456);
    EXPECT_EQ(s.KnightFigurine(), 7);
    EXPECT_TRUE(s.UseFigurines());
    EXPECT_EQ(s.TextExportMoveNumbers(), 0);
    EXPECT_EQ(s.ReturnsAfterDiagram(), 99);
    EXPECT_EQ(s.BooksFolder(), std::string(70, 'b'));
    EXPECT_EQ(s.Analyst1Path(), "/first/");
    EXPECT_EQ(s.Analyst2Path(), "");
}

TEST_F(PreferencesEditorTest, BadPieceLettersAreRefusedAndTheRestIsTaken) {
    struct TCase {
        const char* itsLetters;
        int itsMessage;
    };
    const TCase cases[] = {
        {"KQRBB", kMsgPieceLettersNotUnique},
        {"KQ BN", kMsgPieceLettersBlank},
        {"KQRB", kMsgPieceLettersBlank}, // the knight's box left empty
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsLetters);
        itsUser.itsShown.clear();
        itsSettings.FactorySettings();
        itsEditor.Load(itsSettings);
        std::string typed = c.itsLetters;
        TPreferenceValues& v = Values();
        std::string* boxes[] = {&v.itsKingLetter, &v.itsQueenLetter, &v.itsRookLetter, &v.itsBishopLetter,
                                &v.itsKnightLetter};
        for (size_t i = 0; i < 5; ++i) *boxes[i] = i < typed.size() ? typed.substr(i, 1) : "";
        v.itsSortCandidatesBy = 2;
        v.itsDatabaseSafety = true;
        v.itsWhiteLetter = "H";

        EXPECT_TRUE(itsEditor.Apply(itsSettings));
        EXPECT_EQ(Letters(), "KQRBN");
        ASSERT_EQ(itsUser.itsShown.size(), 1u);
        EXPECT_EQ(itsUser.itsShown[0].itsKind, "information");
        EXPECT_EQ(itsUser.itsShown[0].itsText, LoadMessage(c.itsMessage));
        EXPECT_EQ(itsSettings.SortCandidates(), 2);
        EXPECT_TRUE(itsSettings.DatabaseSafety());
        EXPECT_EQ(itsSettings.WhiteLetter(), 'H');
    }
    EXPECT_EQ(LoadMessage(kMsgPieceLettersNotUnique), "Each piece letter must be unique.");
}

TEST_F(PreferencesEditorTest, TrackBarPositionsAndMoveRange) {
    struct TCase {
        int itsPosition;
        int32_t itsSpeed;
    };
    const TCase cases[] = {{0, 50}, {1, 100}, {7, 700}, {kSlidingLastPosition, 0}};
    for (const TCase& c : cases) {
        Values().itsSlidingPosition = c.itsPosition;
        itsEditor.Apply(itsSettings);
        EXPECT_EQ(itsSettings.SlidingPieceSpeed(), c.itsSpeed) << "position " << c.itsPosition;
    }

    Values().itsStartExportAtMove = 20;
    Values().itsStopExportAtMove = 10;
    itsEditor.Apply(itsSettings);
    EXPECT_EQ(itsSettings.TextExportStartMove(), 20);
    EXPECT_EQ(itsSettings.TextExportStopMove(), 20);
}

TEST_F(PreferencesEditorTest, AChosenSquareColourStaysWhenTheDialogIsCancelled) {
    const int32_t dark = itsSettings.DarkSquareColour();
    itsEditor.ChooseLightSquareColour(itsSettings, 0x00C0FF);
    EXPECT_EQ(itsSettings.LightSquareColour(), 0x00C0FF);
    EXPECT_EQ(Values().itsLightSquareColour, 0x00C0FF);
    // Cancel: nothing else happens to the record, and a later session starts from the new colour.
    TPreferencesEditor next;
    next.Load(itsSettings);
    EXPECT_EQ(next.Values().itsLightSquareColour, 0x00C0FF);
    EXPECT_EQ(itsSettings.DarkSquareColour(), dark);
}

TEST_F(PreferencesEditorTest, FactorySettingsOnYes) {
    itsSettings.SetSortCandidates(1);
    itsSettings.SetLanguageOffset(1000);
    SavePreferences(itsSettings);
    itsEditor.Load(itsSettings);
    Values().itsFactorySettings = true;
    Values().itsVariationStartsMove = 42; // not taken

    itsUser.itsAnswers.push_back(TAnswer::kYes);
    EXPECT_TRUE(itsEditor.Apply(itsSettings));
    ASSERT_EQ(itsUser.itsShown.size(), 1u);
    EXPECT_EQ(itsUser.itsShown[0].itsKind, "question");
    EXPECT_EQ(itsUser.itsShown[0].itsHelpContext, 1959);
    EXPECT_EQ(itsUser.itsShown[0].itsText, "Are you sure you want factory settings?");

    TSettings factory;
    factory.FactorySettings();
    EXPECT_EQ(Bytes(itsSettings), Bytes(factory));
    EXPECT_EQ(ReadWholeFile(SettingsValuePath()), Bytes(factory));
    EXPECT_FALSE(itsEditor.Values().itsFactorySettings);
}

TEST_F(PreferencesEditorTest, FactorySettingsOnNoTakesTheDialog) {
    SavePreferences(itsSettings);
    const std::string stored = ReadWholeFile(SettingsValuePath());
    Values().itsFactorySettings = true;
    Values().itsVariationStartsMove = 42;

    itsUser.itsAnswers.push_back(TAnswer::kNo);
    EXPECT_TRUE(itsEditor.Apply(itsSettings));
    EXPECT_EQ(itsUser.Texts(), std::vector<std::string>{"Are you sure you want factory settings?"});
    EXPECT_EQ(itsSettings.VariationStartsMove(), 42);
    // The dialog changes only the record in memory; the main window saves it.
    EXPECT_EQ(ReadWholeFile(SettingsValuePath()), stored);
}

} // namespace
} // namespace marvek
