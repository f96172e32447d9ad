// The engine windows offscreen: they draw what their session's display says, keep their place in
// the settings, and the settings dialog follows the type switch rules.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/Settings.h"
#include "engines/EngineSettingsDialog.h"
#include "engines/EngineWindow.h"
#include "engines/UciSession.h"
#include "engines/WinboardSession.h"
#include "gui/AnsweredDialog.h"
#include "gui/Screenshot.h"
#include "support/RecordingUserInterface.h"

namespace marvek::gui {
namespace {

const std::string kAfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3";

TSettings FactorySettings() {
    TSettings settings;
    settings.FactorySettings();
    return settings;
}

TEST(EngineWindowTest, UciWindowShowsWhatTheSessionSays) {
    testsupport::TRecordingUserInterface ui;
    TSettings settings = FactorySettings();
    TUCIEngineWindow window(settings);
    EXPECT_EQ(window.PollTimer()->interval(), 400);
    EXPECT_TRUE(window.PollTimer()->isActive());
    EXPECT_EQ(window.NicknameEdit()->text(), "Ruffian");

    TEngineSession& session = window.Session();
    session.HandleLine("id name Fish 16", 0);
    session.HandleLine("id author The Fish Team", 0);
    session.SetEnginePosition(kAfterE4, 1, false, 0);
    session.HandleLine("info depth 12 score cp -35 nodes 123456 nps 98000 pv e7e5 g1f3", 100);
    session.HandleLine("info depth 13 score cp -40 nodes 200000 nps 99000 pv c7c5 g1f3", 200);
    window.Redraw();
    window.show();
    EXPECT_EQ(window.windowTitle(), "+40");
    EXPECT_EQ(window.RateSign()->text(), "+="); // White slightly better
    EXPECT_EQ(window.LineMemo()->toPlainText(), "1...c5 2.Nf3");
    EXPECT_EQ(window.PreviousLineMemo()->toPlainText(), "1...e5 2.Nf3 [35/123456]");
    EXPECT_EQ(window.NodesLabel()->text(), "200,000");
    EXPECT_EQ(window.DepthLabel()->text(), "13");
    EXPECT_EQ(window.NodesPerSecondLabel()->text(), "99,000");
    EXPECT_EQ(window.ProgramNameLabel()->text(), "Fish 16");
    EXPECT_EQ(window.AuthorLabel()->text(), "The Fish Team");
    EXPECT_EQ(window.ConnectedLabel()->text(), "Disconnected");
    EXPECT_EQ(window.NodesLabel()->toolTip(), "Nodes");
    EXPECT_EQ(window.HideButton()->text(), "Hide Window");
    EXPECT_EQ(window.AppendNodeCountBox()->text(), "Append Node Count");
    EXPECT_TRUE(window.ResetButton()->isVisible());
    EXPECT_FALSE(window.VersionLabel()->isVisible());
    EXPECT_FALSE(window.CommandEdit()->isVisible()); // hidden until wanted
    testsupport::SaveScreenshot(window, "UCIEngineWindowOffscreen");

    // A nickname typed into the window is the one the book window's analysis names.
    QTest::keyClicks(window.NicknameEdit(), "X");
    EXPECT_EQ(session.EngineNickname(), "RuffianX");
    // The box is bound to its setting.
    window.AppendNodeCountBox()->setChecked(true);
    EXPECT_TRUE(settings.UciAppendNodeCount());
    QTest::mouseClick(window.HideButton(), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

TEST(EngineWindowTest, WinboardWindowShowsVersionAndMateCaption) {
    testsupport::TRecordingUserInterface ui;
    TSettings settings = FactorySettings();
    TWinboardEngineWindow window(settings);
    window.show();
    TEngineSession& session = window.Session();
    session.HandleLine("version Fairy-Max 5.0b, Copyright H.G. Muller", 0);
    session.SetEnginePosition("6k1/5ppp/8/8/8/8/8/R5K1 w - -", 0, false, 0);
    session.HandleLine(" 3 32765 0 1234 a1a8", 100);
    window.Redraw();
    EXPECT_TRUE(window.VersionLabel()->isVisible());
    EXPECT_FALSE(window.ResetButton()->isVisible());
    EXPECT_EQ(window.ProgramNameLabel()->text(), "Fairy-Max");
    EXPECT_EQ(window.VersionLabel()->text(), "5.0b");
    EXPECT_EQ(window.NicknameEdit()->text(), "[Fairy-Max]");
    EXPECT_EQ(window.windowTitle().toStdString().rfind("Mate in", 0), 0u)
        << window.windowTitle().toStdString();
    EXPECT_EQ(window.LineMemo()->toPlainText().left(5), "1.Ra8");
}

TEST(EngineWindowTest, WindowTakesItsStoredPlaceAndKeepsItsNewOne) {
    testsupport::TRecordingUserInterface ui;
    TSettings settings = FactorySettings();
    settings.SetWinboardWindowLeft(50);
    settings.SetWinboardWindowTop(60);
    TWinboardEngineWindow window(settings);
    window.show();
    EXPECT_EQ(window.pos(), QPoint(50, 60));
    window.move(120, 130);
    window.hide();
    EXPECT_EQ(settings.WinboardWindowLeft(), 120);
    EXPECT_EQ(settings.WinboardWindowTop(), 130);
    EXPECT_EQ(settings.UciWindowLeft(), 371); // the other window's place is its own
}

TEST(EngineSettingsDialogTest, TypeSwitchFillsPathAndMemoAndCancelKeepsTheType) {
    TSettings settings = FactorySettings();
    settings.SetEngineKind(kWinboardEngineType);
    settings.SetWinboardEnginePath("/usr/games/fairymax");
    settings.SetUciEnginePath("/usr/games/stockfish");
    testsupport::TAnsweredDialog<TEngineSettingsDialog> dialog(settings, "Fairy", "Fish");
    dialog.itsAnswer = [](TEngineSettingsDialog& shown) {
        shown.resize(520, shown.sizeHint().height());
        shown.show();
        EXPECT_TRUE(shown.WinboardButton()->isChecked());
        EXPECT_EQ(shown.PathLabel()->toolTip(), "/usr/games/fairymax");
        EXPECT_EQ(shown.StartupMemo()->toPlainText(), "xboard\nnew\nnoise 25000\nlog off\n");
        EXPECT_EQ(shown.WinboardNicknameEdit()->text(), "Fairy");
        testsupport::SaveScreenshot(shown, "EngineSettingsDialog");
        shown.StartupMemo()->setPlainText("xboard\npost\n");
        shown.UciButton()->click();
        EXPECT_EQ(shown.PathLabel()->toolTip(), "/usr/games/stockfish");
        EXPECT_EQ(shown.StartupMemo()->toPlainText(), "uci\n");
        shown.StartupMemo()->setPlainText("uci\nsetoption name Hash value 16\n");
        shown.reject();
    };
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(settings.EngineKind(), kUciEngineType);
    EXPECT_EQ(settings.WinboardStartupCommand(1), "post");
    EXPECT_EQ(settings.UciStartupCommand(1), "");
}

// The file dialog answered by the test.
class TChoosingSettingsDialog : public TEngineSettingsDialog {
public:
    using TEngineSettingsDialog::TEngineSettingsDialog;
    QString itsStartFolder;

protected:
    std::optional<std::string> ChooseEngineFile(const QString& startFolder) override {
        itsStartFolder = startFolder;
        return "/opt/engines/fish";
    }
};

TEST(EngineSettingsDialogTest, OkStoresTheFields) {
    TSettings settings = FactorySettings();
    settings.SetEngineKind(kUciEngineType);
    settings.SetUciEnginePath("/usr/games/stockfish");
    TChoosingSettingsDialog dialog(settings, "Fairy", "Fish");
    dialog.SelectEngine();
    EXPECT_EQ(dialog.itsStartFolder, "/usr/games");
    dialog.ThresholdEdit(0)->clear();
    dialog.ThresholdEdit(2)->setText("4 0");
    dialog.UciNicknameEdit()->setText("Fishy");
    dialog.SendStartupBox()->setChecked(false);
    dialog.AcceptFields();
    EXPECT_EQ(settings.UciEnginePath(), "/opt/engines/fish");
    EXPECT_EQ(settings.WinningThreshold(), 133);
    EXPECT_EQ(settings.SlightAdvantageThreshold(), 40);
    EXPECT_EQ(settings.UciEngineName(), "Fishy");
    EXPECT_EQ(dialog.Editor().UciNickname(), "Fishy");
    EXPECT_FALSE(settings.SendStartupCommands());
}

} // namespace
} // namespace marvek::gui
