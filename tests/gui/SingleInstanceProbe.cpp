// A small program that starts the way the desktop program does, for the single-instance tests: it
// hands over to a running instance and ends, or listens and writes one line to the file named by
// MARVEK_PROBE_LOG for its start and for every request, until it is terminated.
#include <csignal>

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include "app/SingleInstance.h"

namespace {

volatile std::sig_atomic_t gTerminated = 0;

void OnTerminate(int) {
    gTerminated = 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    marvek::gui::TSingleInstance instance;
    if (!marvek::gui::TSingleInstance::AllowsSecondInstance(arguments) && instance.HandOver(arguments))
        return 0;

    QFile log(qEnvironmentVariable("MARVEK_PROBE_LOG"));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return 2;
    auto writeLine = [&log](const QString& line) {
        log.write(line.toUtf8() + '\n');
        log.flush();
    };
    QObject::connect(&instance, &marvek::gui::TSingleInstance::ActivationRequested,
                     [&writeLine](const QStringList& books) { writeLine("request " + books.join('|')); });

    // A terminated probe ends through the event loop, so its server closes as the program's would.
    std::signal(SIGTERM, OnTerminate);
    QTimer terminationCheck;
    QObject::connect(&terminationCheck, &QTimer::timeout, [] {
        if (gTerminated) QCoreApplication::quit();
    });
    terminationCheck.start(20);

    writeLine(instance.Listen() ? "listening" : "not listening");
    return application.exec();
}
