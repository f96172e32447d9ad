// Starts the desktop program: one instance per user unless "multi" is given, the splash, the
// main window.
#include <QApplication>
#include <QStringList>

#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/MarvekMainForm.h"
#include "app/QtUserInterface.h"
#include "app/SingleInstance.h"
#include "app/SplashForm.h"
#include "app/UserInterface.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marvek"));
    QApplication::setApplicationDisplayName(QStringLiteral("Marvek"));
    QApplication::setApplicationVersion(marvek::gui::ProgramVersion());
    QApplication::setDesktopFileName(QStringLiteral("marvek"));
    QApplication::setWindowIcon(marvek::gui::MarvekIcon());

    // A second start hands its books to the running instance and ends before showing anything.
    const QStringList commandLine = QApplication::arguments();
    marvek::gui::TSingleInstance instance;
    if (!marvek::gui::TSingleInstance::AllowsSecondInstance(commandLine)) {
        if (instance.HandOver(commandLine)) return 0;
        instance.Listen();
    }
    QStringList arguments = commandLine;
    arguments.removeFirst();

    marvek::gui::InitHelpResources();
    marvek::gui::TQtUserInterface userInterface;
    marvek::SetUserInterface(&userInterface);
    QObject::connect(&userInterface, &marvek::gui::TQtUserInterface::HelpRequested,
                     [](int context) { marvek::gui::THelpWindow::Instance().ShowContext(context); });

    marvek::gui::TSplashForm::ShowSplash();
    int status = 0;
    {
        marvek::gui::TMarvekMainForm form;
        form.SetArguments(arguments);
        userInterface.SetParentWindow(&form);
        QObject::connect(&instance, &marvek::gui::TSingleInstance::ActivationRequested, &form,
                         &marvek::gui::TMarvekMainForm::ActivationRequested);
        form.show();
        marvek::gui::TSplashForm::Finish(&form);
        status = QApplication::exec();
    }
    marvek::SetUserInterface(nullptr);
    return status;
}
