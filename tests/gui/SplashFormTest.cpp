// The start-up picture: shown for its time, gone when the main window is activated.
#include "app/SplashForm.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include "Screenshot.h"
#include "app/AboutBox.h"

namespace marvek::gui {
namespace {

// Deletions the splash asked for happen at the next turn of the event loop.
void FlushDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(SplashFormTest, StaysForItsTimeAndGoesWhenFinishedWithoutAMainWindow) {
    QElapsedTimer clock;
    clock.start();
    TSplashForm::ShowSplash(60);
    EXPECT_GE(clock.elapsed(), 60);
    TSplashForm* splash = TSplashForm::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->VersionText(), "Version " + ProgramVersion());
    EXPECT_FALSE(ProgramVersion().isEmpty());
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    testsupport::SaveScreenshot(*splash, "splash");

    TSplashForm::Finish(nullptr);
    EXPECT_EQ(TSplashForm::Current(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    FlushDeletions();
}

TEST(SplashFormTest, ClosesWhenTheMainWindowIsFirstActivated) {
    QWidget mainWindow;
    TSplashForm::ShowSplash(0);
    TSplashForm::Finish(&mainWindow);
    EXPECT_NE(TSplashForm::Current(), nullptr);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&mainWindow, &activate);
    EXPECT_EQ(TSplashForm::Current(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    FlushDeletions();
    // Later activations find nothing to close.
    QCoreApplication::sendEvent(&mainWindow, &activate);
}

} // namespace
} // namespace marvek::gui
