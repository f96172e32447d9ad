// TQtUserInterface: what each box shows and how its buttons answer; the hourglass; the icon and
// the desktop files.
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "app/QtUserInterface.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

using marvek::TAnswer;
using marvek::TBoxKind;
using marvek::TButtons;
using marvek::gui::TQtUserInterface;

namespace {

struct TSeenBox {
    QMessageBox::Icon itsIcon;
    QString itsTitle;
    QString itsText;
    Qt::TextFormat itsFormat;
    QMessageBox::StandardButtons itsButtons;
    QMessageBox::StandardButton itsDefault;
    QMessageBox::StandardButton itsEscape;
    Qt::CursorShape itsCursor; // the override cursor while the box ran; ArrowCursor when none
};

// Answers boxes from a script instead of running them, and notes what each showed.
class TAnsweringUserInterface : public TQtUserInterface {
public:
    std::deque<QMessageBox::StandardButton> itsAnswers;
    std::vector<TSeenBox> itsSeen;

protected:
    QMessageBox::StandardButton RunBox(QMessageBox& box) override {
        const QCursor* cursor = QApplication::overrideCursor();
        itsSeen.push_back({box.icon(), box.windowTitle(), box.text(), box.textFormat(), box.standardButtons(),
                           box.standardButton(box.defaultButton()), box.standardButton(box.escapeButton()),
                           cursor != nullptr ? cursor->shape() : Qt::ArrowCursor});
        if (itsAnswers.empty()) return box.standardButton(box.escapeButton());
        QMessageBox::StandardButton answer = itsAnswers.front();
        itsAnswers.pop_front();
        return answer;
    }
};

} // namespace

TEST(QtUserInterface, InformationBoxShowsOnlyTheTextAsPlainTextWithLineBreaks) {
    TAnsweringUserInterface ui;
    ui.ShowInformationBox("A Title Nobody Sees", "First line.\rSecond <b>line</b>.\r\nThird.", 0);

    ASSERT_EQ(ui.itsSeen.size(), 1u);
    const TSeenBox& box = ui.itsSeen[0];
    EXPECT_EQ(box.itsIcon, QMessageBox::Information);
    EXPECT_EQ(box.itsTitle, QGuiApplication::applicationDisplayName());
    EXPECT_EQ(box.itsText, "First line.\nSecond <b>line</b>.\nThird.");
    EXPECT_EQ(box.itsFormat, Qt::PlainText);
    EXPECT_EQ(box.itsButtons, QMessageBox::Ok);
}

TEST(QtUserInterface, HelpButtonAsksForTheContextAndTheBoxComesBack) {
    TAnsweringUserInterface ui;
    QSignalSpy help(&ui, &TQtUserInterface::HelpRequested);
    ui.itsAnswers = {QMessageBox::Help, QMessageBox::Help, QMessageBox::Ok};
    ui.ShowInformationBox("", "This book is damaged.", 6003);

    ASSERT_EQ(ui.itsSeen.size(), 3u);
    EXPECT_EQ(ui.itsSeen[0].itsButtons, QMessageBox::Ok | QMessageBox::Help);
    ASSERT_EQ(help.count(), 2);
    EXPECT_EQ(help.at(0).at(0).toInt(), 6003);
}

TEST(QtUserInterface, QuestionsOfferTheirButtonsAndMapTheAnswer) {
    struct TCase {
        TButtons itsButtons;
        TBoxKind itsKind;
        int itsHelp;
        QMessageBox::StandardButton itsPressed; // NoButton: closed without a button
        QMessageBox::Icon itsIcon;
        QMessageBox::StandardButtons itsOffered;
        QMessageBox::StandardButton itsEscape;
        TAnswer itsAnswer;
    };
    const auto yesNo = QMessageBox::Yes | QMessageBox::No;
    const TCase cases[] = {
        {TButtons::kYesNo, TBoxKind::kConfirmation, 0, QMessageBox::Yes, QMessageBox::Question, yesNo,
         QMessageBox::No, TAnswer::kYes},
        {TButtons::kYesNo, TBoxKind::kWarning, 0, QMessageBox::No, QMessageBox::Warning, yesNo,
         QMessageBox::No, TAnswer::kNo},
        {TButtons::kYesNo, TBoxKind::kConfirmation, 0, QMessageBox::NoButton, QMessageBox::Question, yesNo,
         QMessageBox::No, TAnswer::kNo},
        {TButtons::kYesNoCancel, TBoxKind::kConfirmation, 6003, QMessageBox::Cancel, QMessageBox::Question,
         yesNo | QMessageBox::Cancel | QMessageBox::Help, QMessageBox::Cancel, TAnswer::kCancel},
        {TButtons::kYesNoCancel, TBoxKind::kWarning, 0, QMessageBox::NoButton, QMessageBox::Warning,
         yesNo | QMessageBox::Cancel, QMessageBox::Cancel, TAnswer::kCancel},
    };
    for (const TCase& c : cases) {
        TAnsweringUserInterface ui;
        ui.itsAnswers = {c.itsPressed};
        EXPECT_EQ(ui.Ask("Do you want to rebuild the book now?", c.itsButtons, c.itsKind, c.itsHelp),
                  c.itsAnswer);
        ASSERT_EQ(ui.itsSeen.size(), 1u);
        EXPECT_EQ(ui.itsSeen[0].itsIcon, c.itsIcon);
        EXPECT_EQ(ui.itsSeen[0].itsButtons, c.itsOffered);
        EXPECT_EQ(ui.itsSeen[0].itsDefault, QMessageBox::Yes);
        EXPECT_EQ(ui.itsSeen[0].itsEscape, c.itsEscape);
    }
}

TEST(QtUserInterface, ErrorsAreCriticalAndMessagesPlain) {
    TAnsweringUserInterface ui;
    ui.ShowError("Assertion failure\rBook2Records.cpp, line 12");
    ui.ShowMessage("The book was rebuilt successfully.");
    ASSERT_EQ(ui.itsSeen.size(), 2u);
    EXPECT_EQ(ui.itsSeen[0].itsIcon, QMessageBox::Critical);
    EXPECT_EQ(ui.itsSeen[0].itsText, "Assertion failure\nBook2Records.cpp, line 12");
    EXPECT_EQ(ui.itsSeen[1].itsIcon, QMessageBox::NoIcon);
    EXPECT_EQ(ui.itsSeen[1].itsButtons, QMessageBox::Ok);
}

TEST(QtUserInterface, WaitCursorNestsAndGivesWayToBoxes) {
    QApplication::setOverrideCursor(Qt::CrossCursor); // somebody else's cursor, never to be taken
    {
        TAnsweringUserInterface ui;
        ui.SetWaitCursor(true);
        ui.SetWaitCursor(true);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

        ui.ShowMessage("While busy.");
        EXPECT_EQ(ui.itsSeen.at(0).itsCursor, Qt::ArrowCursor);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

        ui.SetWaitCursor(false);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        ui.SetWaitCursor(false);
        ui.SetWaitCursor(false);
        EXPECT_EQ(ui.WaitDepth(), 0);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);

        // An hourglass still up when the interface goes is taken down with it.
        ui.SetWaitCursor(true);
    }
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtUserInterface, RealBoxIsAnsweredByItsButton) {
    TQtUserInterface ui;
    QString seenText;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seenText = box->text();
            box->button(QMessageBox::No)->click();
        }
    });
    clicker.start(10);
    EXPECT_EQ(ui.Ask("Replace it?", TButtons::kYesNoCancel, TBoxKind::kWarning, 0), TAnswer::kNo);
    EXPECT_EQ(seenText, "Replace it?");
}

TEST(QtUserInterface, IconDrawsAtEverySizeADesktopAsksFor) {
    QIcon icon = marvek::gui::MarvekIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 48, 256}) {
        QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.width(), size);
        // Drawn, not blank: some pixel in the middle row is opaque.
        bool drawn = false;
        for (int x = 0; x < size && !drawn; ++x) drawn = qAlpha(image.pixel(x, size / 2)) == 255;
        EXPECT_TRUE(drawn) << size;
    }
}

TEST(QtUserInterface, DesktopEntryAndBookTypeAreValid) {
    const QString folder = MARVEK_DESKTOP_FOLDER;
    QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    QString mimeUpdater = QStandardPaths::findExecutable("update-mime-database");
    if (validator.isEmpty() && mimeUpdater.isEmpty())
        GTEST_SKIP() << "no desktop-file-utils, no shared-mime-info";

    if (!validator.isEmpty()) {
        QProcess validate;
        validate.start(validator, {folder + "/marvek.desktop"});
        ASSERT_TRUE(validate.waitForFinished(10000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    }
    if (!mimeUpdater.isEmpty()) {
        // The type file compiles into a database of its own that maps both spellings to the type.
        marvek::testsupport::TScratchFolder scratch;
        QString mime = QString::fromStdString(scratch / "mime");
        QDir().mkpath(mime + "/packages");
        QFile::copy(folder + "/marvek-mime.xml", mime + "/packages/marvek-mime.xml");
        QProcess update;
        update.start(mimeUpdater, {mime});
        ASSERT_TRUE(update.waitForFinished(10000));
        EXPECT_EQ(update.exitCode(), 0) << update.readAllStandardError().toStdString();
        std::string globs = marvek::testsupport::ReadWholeFile((mime + "/globs2").toStdString());
        EXPECT_NE(globs.find("application/x-marvek-book:*.2md"), std::string::npos) << globs;
        std::string type =
            marvek::testsupport::ReadWholeFile((mime + "/application/x-marvek-book.xml").toStdString());
        EXPECT_NE(type.find("<comment>Marvek opening book</comment>"), std::string::npos) << type;
    }
}
