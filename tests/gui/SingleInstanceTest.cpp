// TSingleInstance: real program starts meeting over the per-user socket, and a listener that
// shrugs off stray clients.
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "app/SingleInstance.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

using marvek::gui::TSingleInstance;
using marvek::testsupport::ReadWholeFile;
using marvek::testsupport::TScopedEnvironment;
using marvek::testsupport::TScratchFolder;

namespace {

const QString kSocketName = QStringLiteral("Marvek 2000 Vantro-%1").arg(::geteuid());

// Starts of the probe program that share one private runtime folder, so tests running side by
// side never meet. Each start logs to its own file.
class TProbeStarts {
public:
    TProbeStarts() {
        QDir().mkpath(Folder("run"));
        QDir().mkpath(Folder("work"));
    }
    ~TProbeStarts() {
        for (auto& process : itsProcesses) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QString Folder(const QString& name) const {
        return QString::fromStdString(itsScratch / name.toStdString());
    }
    QString SocketPath() const { return Folder("run") + "/" + kSocketName; }

    QProcess& Start(const QString& name, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", Folder("run"));
        environment.insert("TMPDIR", Folder("run"));
        environment.insert("MARVEK_PROBE_LOG", LogPath(name));
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(Folder("work"));
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(MARVEK_INSTANCE_PROBE_PATH, arguments);
        EXPECT_TRUE(process->waitForStarted(5000)) << name.toStdString();
        itsProcesses.push_back(std::move(process));
        return *itsProcesses.back();
    }

    // Polls the probe's log until it holds the line.
    bool WaitForLine(const QString& name, const QString& line, int timeoutMs = 10000) const {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            if (Lines(name).contains(line)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    QStringList Lines(const QString& name) const {
        QString text = QString::fromStdString(ReadWholeFile(LogPath(name).toStdString()));
        return text.split('\n', Qt::SkipEmptyParts);
    }

private:
    QString LogPath(const QString& name) const { return Folder(name + ".log"); }

    TScratchFolder itsScratch;
    std::vector<std::unique_ptr<QProcess>> itsProcesses;
};

// A second start that handed over ends at once, with status 0 and without ever listening.
void ExpectHandedOver(QProcess& process) {
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

} // namespace

TEST(SingleInstance, SecondStartHandsItsBooksToTheFirstAndEnds) {
    TProbeStarts starts;
    starts.Start("first", {});
    ASSERT_TRUE(starts.WaitForLine("first", "listening"));

    QProcess& second = starts.Start("second", {"sub/Main Line.2MD", "notes.txt", "/books/Other.2md"});
    ExpectHandedOver(second);
    EXPECT_TRUE(starts.Lines("second").isEmpty());

    QString expected = "request " + starts.Folder("work") + "/sub/Main Line.2MD|/books/Other.2md";
    EXPECT_TRUE(starts.WaitForLine("first", expected)) << starts.Lines("first").join("\n").toStdString();

    // A start without books still brings the first one to the front.
    ExpectHandedOver(starts.Start("third", {}));
    EXPECT_TRUE(starts.WaitForLine("first", "request "));
}

TEST(SingleInstance, MultiRunsBesideTheFirstWhichKeepsReceivingRequests) {
    TProbeStarts starts;
    starts.Start("first", {});
    ASSERT_TRUE(starts.WaitForLine("first", "listening"));

    QProcess& beside = starts.Start("beside", {"a.2MD", "MuLtI"});
    ASSERT_TRUE(starts.WaitForLine("beside", "not listening"));
    EXPECT_EQ(beside.state(), QProcess::Running);

    // The extra instance ending must not take the first one's socket with it.
    beside.terminate();
    ASSERT_TRUE(beside.waitForFinished(10000));
    EXPECT_EQ(beside.exitCode(), 0);

    ExpectHandedOver(starts.Start("later", {"b.2MD"}));
    EXPECT_TRUE(starts.WaitForLine("first", "request " + starts.Folder("work") + "/b.2MD"));
}

TEST(SingleInstance, SocketLeftByAKilledInstanceDoesNotBlockTheNextStart) {
    TProbeStarts starts;
    QProcess& crashed = starts.Start("crashed", {});
    ASSERT_TRUE(starts.WaitForLine("crashed", "listening"));
    crashed.kill();
    ASSERT_TRUE(crashed.waitForFinished(5000));
    ASSERT_TRUE(QFileInfo::exists(starts.SocketPath()));

    starts.Start("next", {});
    ASSERT_TRUE(starts.WaitForLine("next", "listening"));
    ExpectHandedOver(starts.Start("later", {"c.2MD"}));
    EXPECT_TRUE(starts.WaitForLine("next", "request " + starts.Folder("work") + "/c.2MD"));
}

TEST(SingleInstance, ListenerDropsStrayClientsAndStillServesARealRequest) {
    TScratchFolder scratch;
    TScopedEnvironment runtime("XDG_RUNTIME_DIR", scratch.Path());
    TSingleInstance instance;
    ASSERT_TRUE(instance.Listen());
    QSignalSpy requests(&instance, &TSingleInstance::ActivationRequested);

    const QByteArray strays[] = {
        "hello\n",
        QByteArray("\x00\xff\xfe\x01\n", 5),
        "Marvek activate\nbook relative/path.2MD\nend\n",
        "Marvek activate\nopen everything\nend\n",
        "Marvek activate\n" + QByteArray(20000, 'x'),
        "Marvek activate\n" + QByteArray("book /a.2MD\n").repeated(10) + "end\n",
    };
    for (const QByteArray& stray : strays) {
        QLocalSocket client;
        client.connectToServer(TSingleInstance::ServerPath());
        ASSERT_TRUE(client.waitForConnected(2000));
        client.write(stray);
        EXPECT_TRUE(QTest::qWaitFor([&] { return client.state() == QLocalSocket::UnconnectedState; }, 5000))
            << stray.left(40).toStdString();
        EXPECT_EQ(requests.count(), 0);
    }

    // Names with blanks, a line break or non-ASCII letters arrive intact.
    QStringList books = {"/b/Main Line.2MD", "/b/odd\nname.2MD", "/b/Kasparov–Karpow.2MD"};
    QLocalSocket client;
    client.connectToServer(TSingleInstance::ServerPath());
    ASSERT_TRUE(client.waitForConnected(2000));
    client.write(TSingleInstance::EncodeRequest(books));
    ASSERT_TRUE(requests.wait(5000));
    EXPECT_EQ(requests.at(0).at(0).toStringList(), books);
    EXPECT_TRUE(QTest::qWaitFor([&] { return client.bytesAvailable() >= 3; }, 5000));
    EXPECT_EQ(client.readAll(), "ok\n");
}

TEST(SingleInstance, MultiInAnyLetterCaseAllowsASecondInstance) {
    struct TCase {
        QStringList itsArguments;
        bool itsAllowed;
    };
    const TCase cases[] = {
        {{"marvek"}, false},         {{"marvek", "multi"}, true},     {{"marvek", "a.2MD", "MULTI"}, true},
        {{"marvek", "MuLtI"}, true}, {{"marvek", "multiple"}, false}, {{"marvek", "--multi"}, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TSingleInstance::AllowsSecondInstance(c.itsArguments), c.itsAllowed)
            << c.itsArguments.join(' ').toStdString();
}

TEST(SingleInstance, BookArgumentsAreTheFirstNineNamingBooksMadeAbsolute) {
    QStringList arguments = {"marvek", "a.2MD", "notes.txt", "/x/C.2md", "../d/e.2MD", "multi"};
    EXPECT_EQ(TSingleInstance::BookArguments(arguments, "/home/u/w"),
              QStringList({"/home/u/w/a.2MD", "/x/C.2md", "/home/u/d/e.2MD"}));

    QStringList many = {"marvek"};
    for (int i = 1; i <= 10; ++i) many << QString("/b/%1.2MD").arg(i);
    QStringList books = TSingleInstance::BookArguments(many, "/");
    ASSERT_EQ(books.size(), 9);
    EXPECT_EQ(books.last(), "/b/9.2MD");
}

TEST(SingleInstance, SocketIsPerUserInTheRuntimeFolderElseTheTemporaryFolder) {
    TScratchFolder scratch;
    QString folder = QString::fromStdString(scratch.Path());
    {
        TScopedEnvironment runtime("XDG_RUNTIME_DIR", scratch.Path());
        EXPECT_EQ(TSingleInstance::ServerPath(), folder + kSocketName);
    }
    TScopedEnvironment noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    TScopedEnvironment temporary("TMPDIR", scratch / "tmp");
    QDir().mkpath(folder + "tmp");
    EXPECT_EQ(TSingleInstance::ServerPath(), folder + "tmp/" + kSocketName);
}

TEST(SingleInstance, BringingToFrontRestoresAMinimisedWindow) {
    QWidget window;
    window.showMaximized();
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    TSingleInstance::BringToFront(&window);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isMaximized());
    EXPECT_TRUE(window.isVisible());
}
