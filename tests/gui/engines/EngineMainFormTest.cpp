// The main window's engine button over real engines with a book open: the engine analyses the
// book's position and its window and the play buttons show; the settings dialog restarts the
// engine; closing the program leaves no engine behind.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/MarvekMainForm.h"
#include "app/Settings.h"
#include "book/Book2.h"
#include "engines/EngineSettingsDialog.h"
#include "engines/EngineWindow.h"
#include "gui/Screenshot.h"
#include "storage/StorageSession.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::gui {
namespace {

class TEngineTestMainForm : public TMarvekMainForm {
public:
    TWelcomeResult ShowWelcome() override { return {}; }
    std::optional<TOpenBookChoice> ChooseBookToOpen(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    int itsSettingsDialogs = 0;

protected:
    bool ExecEngineSettingsDialog(TEngineSettingsDialog&) override {
        ++itsSettingsDialogs;
        return false;
    }
};

// Lets the poll timer run until the engine window shows a line, for at most five seconds.
bool WaitForLine(TEngineWindow& window) {
    for (int i = 0; i < 50; ++i) {
        const QString line = window.LineMemo()->toPlainText();
        if (!line.isEmpty() && line != "...waiting") return true;
        QTest::qWait(100);
    }
    return false;
}

TEST(EngineMainFormTest, EngineButtonStartsShowsRestartsAndStopsTheEngine) {
    struct TCase {
        int itsKind;
        const char* itsPath;
        TEngineProtocol itsProtocol;
        const char* itsScreenshot;
    };
    const TCase cases[] = {{1, "/usr/games/stockfish", TEngineProtocol::kUci, "UCIEngineWindow"},
                           {0, "/usr/games/fairymax", TEngineProtocol::kWinboard, "WinboardEngineWindow"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsPath);
        if (::access(c.itsPath, X_OK) != 0) continue;
        testsupport::TScratchFolder folder;
        testsupport::TScopedEnvironment home("MARVEK_HOME", folder.Path() + "home");
        testsupport::TScopedEnvironment config("XDG_CONFIG_HOME", folder.Path() + "config");
        testsupport::TRecordingUserInterface ui;
        const std::string book = folder.Path() + "Book";
        {
            TStorageSession storage;
            TBook2 created;
            ASSERT_TRUE(created.Create(book));
        }
        pid_t engine = 0;
        {
            TEngineTestMainForm form;
            form.SetArguments({QString::fromStdString(book + ".2MD")});
            form.resize(900, 640);
            form.show();
            QTest::qWait(0);
            QCoreApplication::processEvents();
            Settings().SetEngineKind(c.itsKind);
            (c.itsKind == 1 ? Settings().SetUciEnginePath(c.itsPath)
                            : Settings().SetWinboardEnginePath(c.itsPath));
            TEngineWindow* window = form.EngineWindow(c.itsProtocol);
            EXPECT_FALSE(form.Action("PlayEngineMoveSpeedButton")->isVisible());

            // The engine analyses the open book's position.
            form.Action("WinboardEngineSpeedButton")->trigger();
            ASSERT_TRUE(window->Runner().IsEngineRunning()) << ui.Texts().size();
            EXPECT_TRUE(window->isVisible());
            EXPECT_TRUE(form.Action("PlayEngineMoveSpeedButton")->isVisible());
            EXPECT_EQ(window->ConnectedLabel()->text(), "Connected");
            EXPECT_TRUE(WaitForLine(*window));
            EXPECT_EQ(window->LineMemo()->toPlainText().left(2), "1.");
            EXPECT_FALSE(window->DepthLabel()->text().isEmpty());
            testsupport::SaveScreenshot(*window, c.itsScreenshot);

            // The settings (cancelled here), then the engine started again.
            const pid_t first = window->Runner().Pid();
            form.Action("EngineSettingsItem")->trigger();
            EXPECT_EQ(form.itsSettingsDialogs, 1);
            ASSERT_TRUE(window->Runner().IsEngineRunning());
            EXPECT_NE(window->Runner().Pid(), first);
            EXPECT_NE(::kill(first, 0), 0);

            // The middle button on the engine button opens the settings as well.
            QToolButton* button = nullptr;
            for (QToolButton* candidate : form.findChildren<QToolButton*>())
                if (candidate->defaultAction() == form.Action("WinboardEngineSpeedButton"))
                    button = candidate;
            ASSERT_NE(button, nullptr);
            QTest::mouseClick(button, Qt::MiddleButton);
            EXPECT_EQ(form.itsSettingsDialogs, 2);
            ASSERT_TRUE(window->Runner().IsEngineRunning());

            // Hidden, the engine runs on; closing the program ends it.
            QTest::mouseClick(window->HideButton(), Qt::LeftButton);
            EXPECT_TRUE(window->Runner().IsEngineRunning());
            engine = window->Runner().Pid();
            form.close();
            EXPECT_FALSE(window->Runner().IsEngineRunning());
        }
        EXPECT_NE(::kill(engine, 0), 0);
        EXPECT_TRUE(ui.itsShown.empty());
    }
}

} // namespace
} // namespace marvek::gui
