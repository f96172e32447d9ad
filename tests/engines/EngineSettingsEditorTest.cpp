// The engine settings dialog's rules: the type switch keeps each type's lines, OK stores the rest.
#include <gtest/gtest.h>

#include "app/Settings.h"
#include "engines/EngineSettingsEditor.h"

namespace marvek {
namespace {

TSettings Factory() {
    TSettings settings;
    settings.FactorySettings();
    return settings;
}

TEST(EngineSettingsEditorTest, TypeSwitchStoresTheLeftTypesLinesAndStandsAfterCancel) {
    TSettings settings = Factory();
    settings.SetEngineKind(kWinboardEngineType);
    TEngineSettingsEditor editor(settings, "Crafty", "Ruffian");
    EXPECT_EQ(editor.StartupLines(), (std::vector<std::string>{"xboard", "new", "noise 25000", "log off"}));

    // The Winboard memo edited, then the switch to UCI: the edits are stored at once.
    editor.SwitchType(kUciEngineType, {"xboard", "post", std::string(100, 'x')});
    EXPECT_EQ(settings.EngineKind(), kUciEngineType);
    EXPECT_EQ(editor.StartupLines(), std::vector<std::string>{"uci"});
    EXPECT_EQ(settings.WinboardStartupCommand(1), "post");
    EXPECT_EQ(settings.WinboardStartupCommand(2), std::string(80, 'x'));
    EXPECT_EQ(settings.WinboardStartupCommand(3), "");

    // A file chosen for UCI, then Cancel (no Accept): the UCI path and memo stay as they were.
    const std::string uciPath = settings.UciEnginePath();
    editor.ChooseFile("/opt/engines/other");
    EXPECT_EQ(editor.Path(), "/opt/engines/other");
    EXPECT_EQ(settings.UciEnginePath(), uciPath);
    EXPECT_EQ(settings.UciStartupCommand(0), "uci");
}

TEST(EngineSettingsEditorTest, AcceptStoresEveryField) {
    TSettings settings = Factory();
    TEngineSettingsEditor editor(settings, "Crafty", "Ruffian");
    editor.SwitchType(kUciEngineType, editor.StartupLines());
    editor.ChooseFile("/usr/games/stockfish");
    TEngineSettingsAnswer answer;
    answer.itsType = kUciEngineType;
    answer.itsStartupLines = {"uci", "setoption name Threads value 1"};
    answer.itsSendStartupCommands = false;
    answer.itsWinsThreshold = "1 50";
    answer.itsClearAdvantageThreshold = "";
    answer.itsSlightAdvantageThreshold = "abc";
    answer.itsTablebaseFolder = "/tb";
    answer.itsWinboardNickname = "Fairy";
    answer.itsUciNickname = std::string(50, 'S');
    editor.Accept(answer);
    EXPECT_EQ(settings.EngineKind(), kUciEngineType);
    EXPECT_EQ(settings.UciEnginePath(), "/usr/games/stockfish");
    EXPECT_EQ(settings.UciStartupCommand(1), "setoption name Threads value 1");
    EXPECT_FALSE(settings.SendStartupCommands());
    EXPECT_EQ(settings.WinningThreshold(), 150);
    EXPECT_EQ(settings.ClearAdvantageThreshold(), 67);  // blank: the default
    EXPECT_EQ(settings.SlightAdvantageThreshold(), 34); // unreadable: the default
    EXPECT_EQ(settings.TablebaseFolder(), "/tb");
    EXPECT_EQ(settings.WinboardEngineName(), "Fairy");
    EXPECT_EQ(editor.UciNickname(), std::string(40, 'S'));
}

TEST(EngineSettingsEditorTest, ThresholdTexts) {
    const std::pair<std::string, int> cases[] = {{"133", 133}, {" 2 00 ", 200}, {"-40", -40},
                                                 {"", 67},     {"12a", 67},     {"99999999999", 67}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TEngineSettingsEditor::ReadThreshold(text, 67), expected) << text;
}

} // namespace
} // namespace marvek
