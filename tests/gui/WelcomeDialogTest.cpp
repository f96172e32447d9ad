// The welcome message: its texts and what Run() reports for each way of closing it.
#include "app/WelcomeDialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

#include "AnsweredDialog.h"
#include "Screenshot.h"

namespace marvek::gui {
namespace {

// Answers with the given action instead of waiting for a user.
using TAnsweredWelcomeDialog = testsupport::TAnsweredDialog<TWelcomeDialog>;

TEST(WelcomeDialogTest, ShowsTheFirstStepsAndItsTwoChoices) {
    TAnsweredWelcomeDialog dialog;
    EXPECT_TRUE(dialog.isModal());
    EXPECT_TRUE(dialog.Text().contains("Three first steps"));
    EXPECT_TRUE(dialog.Text().contains("New Book"));
    EXPECT_EQ(dialog.DontShowAgainBox()->text(), "Don't show this message again.");
    EXPECT_EQ(dialog.HelpFileButton()->text(), "&Help File");
    EXPECT_NE(dialog.Button("OK"), nullptr);
    testsupport::SaveScreenshot(dialog, "welcome");
}

TEST(WelcomeDialogTest, RunReportsTheButtonAndTheBox) {
    const struct {
        bool itsTick;
        bool itsHelpFile;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tick " << c.itsTick << ", help file " << c.itsHelpFile);
        TAnsweredWelcomeDialog dialog;
        dialog.itsAnswer = [&c](TAnsweredWelcomeDialog& self) {
            self.DontShowAgainBox()->setChecked(c.itsTick);
            (c.itsHelpFile ? self.HelpFileButton() : self.Button("OK"))->click();
        };
        const TWelcomeResult result = dialog.Run();
        EXPECT_EQ(result.itsHelpFilePressed, c.itsHelpFile);
        EXPECT_EQ(result.itsDontShowAgain, c.itsTick);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
}

} // namespace
} // namespace marvek::gui
