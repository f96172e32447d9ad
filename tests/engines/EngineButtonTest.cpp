// The main window's engine button with real stockfish: start, hide-and-stop, show, settings restart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/EngineButton.h"
#include "engines/UciSession.h"
#include "engines/WinboardSession.h"
#include "support/RecordingUserInterface.h"

namespace marvek {
namespace {

class TFakeHost : public TEngineButtonHost {
public:
    TEngineProtocol ChosenProtocol() override { return TEngineProtocol::kUci; }
    std::string EngineCommand(TEngineProtocol) override { return "/usr/games/stockfish"; }
    std::string TablebaseFolder() override { return {}; }
    bool IsEngineWindowVisible(TEngineProtocol) override { return itsWindowVisible; }
    void ShowEngineWindow(TEngineProtocol, bool visible) override { itsWindowVisible = visible; }
    void ShowPlayButtons(bool visible) override { itsPlayButtons = visible; }
    void AnalysisStarted() override { ++itsStarts; }
    void ShowMessage(const std::string& text) override { itsMessages.push_back(text); }
    void RunEngineSettingsDialog() override { ++itsDialogs; }

    bool itsWindowVisible = false;
    bool itsPlayButtons = false;
    int itsStarts = 0;
    int itsDialogs = 0;
    std::vector<std::string> itsMessages;
};

TEST(EngineButtonTest, LeftClickStartsShowsAndStopsOtherClickRestarts) {
    testsupport::TRecordingUserInterface ui;
    TEngineOptions options;
    options.itsStartupCommands = {"uci"};
    TUciSession uciSession(options, nullptr);
    TWinboardSession winboardSession(options, nullptr);
    TEngineRunner uci(uciSession, TEngineProtocol::kUci);
    TEngineRunner winboard(winboardSession, TEngineProtocol::kWinboard);
    TFakeHost host;
    TEngineButton button(host, uci, winboard);

    button.LeftClick();
    ASSERT_TRUE(uci.IsEngineRunning());
    EXPECT_TRUE(host.itsWindowVisible && host.itsPlayButtons);
    EXPECT_EQ(host.itsStarts, 1);

    host.itsWindowVisible = false; // the window was hidden: a click shows it again, the engine goes on
    button.LeftClick();
    EXPECT_TRUE(uci.IsEngineRunning() && host.itsWindowVisible && host.itsPlayButtons);

    button.LeftClick(); // the window shows: the engine stops
    EXPECT_FALSE(uci.IsEngineRunning() || host.itsWindowVisible || host.itsPlayButtons);

    button.OtherClick(); // settings, then started again
    EXPECT_EQ(host.itsDialogs, 1);
    EXPECT_TRUE(uci.IsEngineRunning());
    EXPECT_EQ(host.itsStarts, 2);
    button.OtherClick(); // a running engine is stopped and started afresh
    EXPECT_TRUE(uci.IsEngineRunning());
    EXPECT_EQ(host.itsStarts, 3);
    uci.StopEngine();
    EXPECT_TRUE(host.itsMessages.empty());
}

} // namespace
} // namespace marvek
