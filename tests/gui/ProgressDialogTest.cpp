// TProgressDialog: what a running operation shows, Stop and closing the dialog, and the
// program-wide busy flag.
#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ProgressDialog.h"

using marvek::gui::TProgressDialog;
using marvek::gui::TProgressNotifier;

TEST(ProgressDialog, ShowsTitleTextsCountersAndGaugeAsTheWorkReports) {
    TProgressDialog dialog;
    dialog.Start("Import PGN");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), "Import PGN");
    EXPECT_FALSE(dialog.Gauge()->isVisible());
    EXPECT_EQ(dialog.StopButton()->text(), "Stop");

    dialog.SetText(0, "Importing from...");
    dialog.SetText(2, "Kasparov - Karpov");
    dialog.SetCounter("Lines Read:", 1200);
    dialog.SetCounter("Games Imported:", 3);
    dialog.SetCounter("Lines Read:", 1500);
    dialog.SetPercent(42);
    // Redrawing is limited to ten times a second.
    QTest::qWait(120);
    EXPECT_FALSE(dialog.ProcessMessages());

    EXPECT_EQ(dialog.ShownText(0), "Importing from...");
    EXPECT_EQ(dialog.ShownText(1), "");
    EXPECT_EQ(dialog.ShownText(2), "Kasparov - Karpov");
    EXPECT_EQ(dialog.ShownCounter("Lines Read:"), "1500");
    EXPECT_EQ(dialog.ShownCounter("Games Imported:"), "3");
    EXPECT_TRUE(dialog.Gauge()->isVisible());
    EXPECT_EQ(dialog.Gauge()->value(), 42);

    // A long file name is shortened in the middle, keeping both ends.
    std::string longName = "/home/user/Marvek Files/Games/" + std::string(300, 'x') + "/final.pgn";
    dialog.SetText(1, longName);
    dialog.Finish();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.ShownText(1).startsWith("/home/user"));
    EXPECT_TRUE(dialog.ShownText(1).endsWith("final.pgn"));
    EXPECT_LT(dialog.ShownText(1).size(), 200);

    // Used again, it starts without the last operation's figures.
    dialog.Start("Exporting...");
    EXPECT_EQ(dialog.ShownCounter("Lines Read:"), "");
    EXPECT_EQ(dialog.ShownText(0), "");
    EXPECT_FALSE(dialog.Gauge()->isVisible());
    dialog.Finish();
}

TEST(ProgressDialog, StopButtonEscapeAndClosingEachStopTheWork) {
    enum class TWay { kButton, kEscape, kClose };
    for (TWay way : {TWay::kButton, TWay::kEscape, TWay::kClose}) {
        TProgressDialog dialog;
        dialog.Start("Finding Move Orders...");
        EXPECT_FALSE(dialog.ProcessMessages());
        switch (way) {
        case TWay::kButton: QTest::mouseClick(dialog.StopButton(), Qt::LeftButton); break;
        case TWay::kEscape: QTest::keyClick(&dialog, Qt::Key_Escape); break;
        case TWay::kClose: dialog.close(); break;
        }
        EXPECT_TRUE(dialog.ProcessMessages()) << int(way);
        // The dialog stays until the work has wound up.
        EXPECT_TRUE(dialog.isVisible()) << int(way);
        EXPECT_FALSE(dialog.StopButton()->isEnabled());
        dialog.Finish();
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(ProgressDialog, BusyFlagCoversEveryRunningDialogAndIsAnnounced) {
    QSignalSpy busy(&TProgressNotifier::Instance(), &TProgressNotifier::BusyChanged);
    ASSERT_FALSE(TProgressDialog::AnyRunning());
    {
        TProgressDialog first;
        TProgressDialog second;
        first.Start("Import PGN");
        EXPECT_TRUE(TProgressDialog::AnyRunning());
        second.Start("Converting");
        first.Finish();
        EXPECT_TRUE(TProgressDialog::AnyRunning());
        second.Finish();
        EXPECT_FALSE(TProgressDialog::AnyRunning());
        ASSERT_EQ(busy.count(), 2);
        EXPECT_TRUE(busy.at(0).at(0).toBool());
        EXPECT_FALSE(busy.at(1).at(0).toBool());

        // Work that ends by an exception may never call Finish: the dialog going away clears it.
        first.Start("Exporting...");
        EXPECT_TRUE(TProgressDialog::AnyRunning());
    }
    EXPECT_FALSE(TProgressDialog::AnyRunning());
    EXPECT_EQ(busy.count(), 4);
}
