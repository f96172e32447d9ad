// The about box: its texts, and that it returns on OK.
#include "app/AboutBox.h"

#include <QPushButton>
#include <gtest/gtest.h>

#include "Screenshot.h"

namespace marvek::gui {
namespace {

// Presses OK instead of waiting for a user.
class TAnsweredAboutBox : public TAboutBox {
public:
    int itsRuns = 0;

protected:
    int ExecDialog() override {
        ++itsRuns;
        testsupport::SaveScreenshot(*this, "about");
        for (QPushButton* button : findChildren<QPushButton*>())
            if (button->text() == "OK") button->click();
        return result();
    }
};

TEST(AboutBoxTest, NamesTheProgramItsVersionQtAndTheFonts) {
    TAnsweredAboutBox box;
    EXPECT_TRUE(box.isModal());
    const QStringList texts = box.Texts();
    ASSERT_EQ(texts.size(), 5);
    EXPECT_EQ(texts[0], "Marvek");
    EXPECT_EQ(texts[1], "Version " + ProgramVersion());
    EXPECT_EQ(texts[3], QString("This program uses Qt version %1.").arg(qVersion()));
    EXPECT_TRUE(texts[4].contains("DejaVu"));
    box.Run();
    EXPECT_EQ(box.itsRuns, 1);
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

} // namespace
} // namespace marvek::gui
