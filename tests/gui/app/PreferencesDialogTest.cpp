// Tests of TPreferencesDialog offscreen: its controls, OK and Cancel, and the standard dialogs'
// answers given through its seams.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "app/PreferencesDialog.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::gui {
namespace {

using testsupport::TRecordingUserInterface;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;

std::string Bytes(const TSettings& settings) {
    return std::string(reinterpret_cast<const char*>(settings.Bytes().data()), TSettings::kSize);
}

// Answers the font, colour and folder dialogs from a script instead of opening them.
class TScriptedPreferencesDialog : public TPreferencesDialog {
public:
    using TPreferencesDialog::TPreferencesDialog;

    std::deque<TFontDescription> itsFonts;
    std::deque<int32_t> itsColours;
    std::deque<QString> itsFolders;
    QStringList itsTitles;

protected:
    std::optional<TFontDescription> ChooseFont(const TFontDescription&, const QString& title) override {
        itsTitles << title;
        return Next(itsFonts);
    }
    std::optional<int32_t> ChooseColour(int32_t, const QString& title) override {
        itsTitles << title;
        return Next(itsColours);
    }
    std::optional<QString> ChooseFolder(const QString&, const QString& title) override {
        itsTitles << title;
        return Next(itsFolders);
    }

private:
    template <typename T>
    static std::optional<T> Next(std::deque<T>& script) {
        if (script.empty()) return std::nullopt; // the user cancelled
        T answer = script.front();
        script.pop_front();
        return answer;
    }
};

class PreferencesDialogTest : public ::testing::Test {
protected:
    TScratchFolder itsScratch;
    TScopedEnvironment itsHome{"HOME", itsScratch / "home"};
    TScopedEnvironment itsConfig{"XDG_CONFIG_HOME", itsScratch / "config"};
    TRecordingUserInterface itsUser;
    TSettings itsSettings;
    TScriptedPreferencesDialog itsDialog{itsSettings};

    void SetUp() override {
        itsSettings.FactorySettings();
        itsSettings.SetBooksFolder("/books/");
        itsDialog.LoadControls();
    }

    template <typename T>
    T* Control(const char* name) {
        T* control = itsDialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void Type(const char* name, const char* text) {
        Control<QLineEdit>(name)->setText(QString::fromUtf8(text));
    }
    void Click(const char* name) { Control<QPushButton>(name)->click(); }
};

TEST_F(PreferencesDialogTest, EveryControlHasItsNameAndCaptions) {
    const char* const lineEdits[] = {"KingLetterEditor",   "QueenLetterEditor",    "RookLetterEditor",
                                     "BishopLetterEditor", "KnightLetterEditor",   "WhiteLetterEditor",
                                     "BlackLetterEditor",  "PromotionPieceEditor", "BookPathEditor",
                                     "Analyst1PathEditor", "Analyst2PathEditor"};
    const char* const checkBoxes[] = {"BacksolveNumericAssessmentsCheckBox",
                                      "BacksolveInformantRatesCheckBox",
                                      "BacksolveAccumulationsCheckBox",
                                      "BacksolveFavorUnclearOverEqualityCheckBox",
                                      "BacksolveAlwaysSolveCheckBox",
                                      "DatabaseSafetyCheckBox",
                                      "AskForPromotionPieceCheckBox",
                                      "IndicateCapturesCheckBox",
                                      "IndicateChecksCheckBox",
                                      "UseFigurinesCheckBox",
                                      "ShowAlgebraicHintsCheckBox",
                                      "ShowFloatingHintsCheckBox",
                                      "ExportStartWithWhiteMoveCheckBox",
                                      "FramesAroundDiagramsCheckBox",
                                      "FactorySettings"};
    const char* const spinEdits[] = {
        "VariationStartsMoveSpinEdit",     "KingFigurineNumberSpinEdit",     "QueenFigurineNumberSpinEdit",
        "RookFigurineNumberSpinEdit",      "BishopFigurineNumberSpinEdit",   "KnightFigurineNumberSpinEdit",
        "StartExportAtMoveNumberSpinEdit", "StopExportAtMoveNumberSpinEdit", "TabsLeftOfMovesSpinEdit",
        "ReturnsAfterMovesSpinEdit",       "TabsLeftOfDiagramSpinEdit",      "ReturnsAfterDiagramSpinEdit",
        "CommentAreaHeightSpinEdit",       "CandidateAreaHeightSpinEdit"};
    const char* const comboBoxes[] = {"SortCandidatesByComboBox", "ExportCommentsComboBox",
                                      "ExportMovesComboBox", "ExportMoveNumbersComboBox",
                                      "DiagramFontComboBox"};
    for (const char* name : lineEdits) Control<QLineEdit>(name);
    for (const char* name : checkBoxes) Control<QCheckBox>(name);
    for (const char* name : spinEdits) Control<QSpinBox>(name);
    for (const char* name : comboBoxes) Control<QComboBox>(name);
    Control<QSlider>("SlidingPieceSpeedTrackBar");

    EXPECT_EQ(itsDialog.windowTitle(), "Preferences");
    auto* pages = Control<QTabWidget>("PageControl");
    ASSERT_EQ(pages->count(), 4);
    EXPECT_EQ(pages->tabText(0) + pages->tabText(1) + pages->tabText(2) + pages->tabText(3),
              "GeneralScreenExportAdvanced");
    EXPECT_EQ(Control<QPushButton>("OKButton")->text(), "OK");
    EXPECT_EQ(Control<QPushButton>("CancelButton")->text(), "Cancel");
    EXPECT_EQ(Control<QCheckBox>("FactorySettings")->text(), "Set all preferences to factory settings");
    auto* diagramFonts = Control<QComboBox>("DiagramFontComboBox");
    ASSERT_EQ(diagramFonts->count(), 10);
    EXPECT_EQ(diagramFonts->itemText(5), "TASC");
    EXPECT_EQ(diagramFonts->itemText(9), "Merida double border w/ algebraic hints");

    QSignalSpy help(&itsDialog, &TPreferencesDialog::HelpRequested);
    Click("HelpButton");
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help[0][0].toInt(), 700);
}

TEST_F(PreferencesDialogTest, ControlsShowTheRecord) {
    itsSettings.SetQueenLetter('D');
    itsSettings.SetPromotionPiece(5);
    itsSettings.SetSlidingPieceSpeed(0);
    itsSettings.SetTextExportMoves(0);
    itsSettings.SetTabsLeftOfDiagram(9);
    itsSettings.SetCommentFontName("DejaVu Sans");
    itsDialog.LoadControls();

    EXPECT_EQ(Control<QLineEdit>("QueenLetterEditor")->text(), "D");
    EXPECT_EQ(Control<QLineEdit>("PromotionPieceEditor")->text(), "D");
    EXPECT_EQ(Control<QSlider>("SlidingPieceSpeedTrackBar")->value(), 15);
    EXPECT_EQ(Control<QComboBox>("ExportMovesComboBox")->currentText(), "In Columns");
    EXPECT_EQ(Control<QSpinBox>("TabsLeftOfDiagramSpinEdit")->value(), 9);
    EXPECT_EQ(Control<QLineEdit>("BookPathEditor")->text(), "/books/");
    EXPECT_EQ(Control<QLabel>("CommentFontSample")->text(), "DejaVu Sans, 12");
    EXPECT_FALSE(Control<QCheckBox>("FactorySettings")->isChecked());
}

TEST_F(PreferencesDialogTest, OKTakesEveryControlIntoTheRecord) {
    Type("QueenLetterEditor", "D");
    Type("PromotionPieceEditor", "D");
    Type("WhiteLetterEditor", "H");
    Control<QCheckBox>("BacksolveAlwaysSolveCheckBox")->setChecked(true);
    Control<QComboBox>("SortCandidatesByComboBox")->setCurrentIndex(2);
    Control<QSlider>("SlidingPieceSpeedTrackBar")->setValue(0);
    Control<QSpinBox>("KnightFigurineNumberSpinEdit")->setValue(65);
    Control<QComboBox>("DiagramFontComboBox")->setCurrentIndex(5);
    Control<QSpinBox>("StartExportAtMoveNumberSpinEdit")->setValue(20);
    Control<QSpinBox>("StopExportAtMoveNumberSpinEdit")->setValue(10);
    Control<QSpinBox>("CommentAreaHeightSpinEdit")->setValue(300); // offered, never stored
    itsDialog.itsFonts.push_back({"DejaVu Sans Mono", 14, kFontBold | kFontItalic, 0});
    Click("CandidateFontButton");
    itsDialog.itsFolders.push_back("/analysis");
    Click("Analyst1PathBrowseButton");
    EXPECT_EQ(Control<QLineEdit>("Analyst1PathEditor")->text(), "/analysis/");
    TSettings unchanged = itsSettings;
    EXPECT_EQ(Bytes(itsSettings), Bytes(unchanged)) << "nothing is taken before OK";

    Click("OKButton");
    EXPECT_EQ(itsDialog.result(), QDialog::Accepted);
    EXPECT_TRUE(itsUser.itsShown.empty());
    const TSettings& s = itsSettings;
    EXPECT_EQ(s.QueenLetter(), 'D');
    EXPECT_EQ(s.PromotionPiece(), 5);
    EXPECT_EQ(s.WhiteLetter(), 'H');
    EXPECT_TRUE(s.BacksolveAlwaysSolve());
    EXPECT_EQ(s.SortCandidates(), 2);
    EXPECT_EQ(s.SlidingPieceSpeed(), 50);
    EXPECT_EQ(s.KnightFigurine(), 65);
    EXPECT_EQ(s.DiagramFontType(), 5);
    EXPECT_EQ(s.TextExportStopMove(), 20);
    EXPECT_EQ(s.CandidateFontName(), "DejaVu Sans Mono");
    EXPECT_EQ(s.CandidateFontSize(), 14);
    EXPECT_EQ(s.CandidateFontStyle(), kFontBold | kFontItalic);
    EXPECT_EQ(s.Analyst1Path(), "/analysis/");
    EXPECT_EQ(itsDialog.itsTitles, (QStringList{"Candidate Font", "Analyst 1 Path"}));
}

TEST_F(PreferencesDialogTest, RefusedLettersAreToldAndTheRestIsTaken) {
    Type("KnightLetterEditor", "B");
    Control<QCheckBox>("DatabaseSafetyCheckBox")->setChecked(true);
    Click("OKButton");
    EXPECT_EQ(itsUser.Texts(), std::vector<std::string>{"Each piece letter must be unique."});
    EXPECT_EQ(itsSettings.KnightLetter(), 'N');
    EXPECT_TRUE(itsSettings.DatabaseSafety());
}

TEST_F(PreferencesDialogTest, ExecuteReturnsTrueOnOK) {
    QTimer::singleShot(0, &itsDialog, [this] {
        Control<QSpinBox>("VariationStartsMoveSpinEdit")->setValue(7);
        Click("OKButton");
    });
    EXPECT_TRUE(itsDialog.Execute());
    EXPECT_EQ(itsSettings.VariationStartsMove(), 7);
}

TEST_F(PreferencesDialogTest, CancelKeepsTheRecordButAChosenSquareColour) {
    const std::string before = Bytes(itsSettings);
    QTimer::singleShot(0, &itsDialog, [this] {
        itsDialog.itsColours.push_back(0x336699);
        Click("LightSquaresButton");
        Click("DarkSquaresButton"); // the colour dialog cancelled
        Control<QCheckBox>("DatabaseSafetyCheckBox")->setChecked(true);
        Type("BookPathEditor", "/elsewhere/");
        Click("CancelButton");
    });
    EXPECT_FALSE(itsDialog.Execute());

    TSettings expected;
    expected.Bytes() = itsSettings.Bytes();
    EXPECT_EQ(itsSettings.LightSquareColour(), 0x336699);
    expected.SetLightSquareColour(TSettings().LightSquareColour());
    EXPECT_EQ(Bytes(expected), before);
    EXPECT_EQ(itsDialog.itsTitles, (QStringList{"Light Squares", "Dark Squares"}));
}

// Lays out each page and, when MARVEK_SCREENSHOT_DIR names a folder, saves it there for a look.
TEST_F(PreferencesDialogTest, EveryPageLaysOut) {
    auto* pages = Control<QTabWidget>("PageControl");
    QByteArray folder = qgetenv("MARVEK_SCREENSHOT_DIR");
    itsDialog.show();
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QPixmap shot = itsDialog.grab();
        EXPECT_GE(shot.width(), 400);
        if (!folder.isEmpty())
            shot.save(QString::fromLocal8Bit(folder) + QStringLiteral("/preferences-%1.png").arg(page));
    }
    itsDialog.hide();
}

} // namespace
} // namespace marvek::gui
