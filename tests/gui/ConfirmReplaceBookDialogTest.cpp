// The replace-book question: its texts, the shortened file name, the answers and Help.
#include "app/ConfirmReplaceBookDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

#include "AnsweredDialog.h"
#include "Screenshot.h"

namespace marvek::gui {
namespace {

// The replace question answered by the test, its help requests recorded.
class TAnsweredReplaceDialog : public testsupport::TAnsweredDialog<TConfirmReplaceBookDialog> {
public:
    std::vector<int> itsHelpContexts;

protected:
    void OpenHelp(int context) override { itsHelpContexts.push_back(context); }
};

TEST(ConfirmReplaceBookDialogTest, AsksWithTheNumberedTexts) {
    TAnsweredReplaceDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Caution");
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains("This book already exists."));
    EXPECT_TRUE(texts.contains("Are you sure you want to replace it?"));
    for (const char* button : {"OK", "Cancel", "Help"}) EXPECT_NE(dialog.Button(button), nullptr) << button;
}

TEST(ConfirmReplaceBookDialogTest, OkReplacesCancelKeepsAndHelpAsksForItsTopic) {
    TAnsweredReplaceDialog dialog;
    QSignalSpy helpRequests(&dialog, &TConfirmReplaceBookDialog::HelpRequested);
    dialog.itsAnswer = [](auto& self) {
        self.HelpButton()->click(); // leaves the question open
        EXPECT_EQ(self.result(), 0);
        self.Button("OK")->click();
    };
    EXPECT_TRUE(dialog.Run("Repertoire.2MD"));
    EXPECT_EQ(dialog.ShownFileName(), "Repertoire.2MD");
    EXPECT_EQ(dialog.itsHelpContexts, std::vector<int>{830});
    ASSERT_EQ(helpRequests.size(), 1);
    EXPECT_EQ(helpRequests[0][0].toInt(), 830);

    dialog.itsAnswer = [](auto& self) { self.Button("Cancel")->click(); };
    EXPECT_FALSE(dialog.Run("Repertoire.2MD"));
}

TEST(ConfirmReplaceBookDialogTest, ALongFileNameIsShortenedInTheMiddle) {
    TAnsweredReplaceDialog dialog;
    const QString longName = "/home/me/" + QString(40, 'x') + "/" + QString(60, 'y') + "/Repertoire.2MD";
    dialog.itsAnswer = [](auto& self) {
        testsupport::SaveScreenshot(self, "replace-book");
        self.reject();
    };
    EXPECT_FALSE(dialog.Run(longName));
    const QString shown = dialog.ShownFileName();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(".2MD")) << shown.toStdString();
    EXPECT_LT(shown.size(), longName.size());
}

} // namespace
} // namespace marvek::gui
