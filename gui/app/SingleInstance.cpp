// TSingleInstance: the per-user socket, the hand-over request and its listener.
#include "app/SingleInstance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace marvek::gui {

namespace {

constexpr char kServerName[] = "Marvek 2000 Vantro";
constexpr char kGreeting[] = "Marvek activate";
constexpr char kAnswer[] = "ok\n";
constexpr int kMostBooks = 9;
// Far above any real request; a client past these is not one of ours.
constexpr qsizetype kLongestLine = 16 * 1024;
constexpr int kMostLines = 2 + kMostBooks;
// A client that connects and then says nothing is not kept for long.
constexpr int kSilentClientMs = 5000;
// How long Listen waits to learn whether the socket it found has a live instance behind it.
constexpr int kLivenessMs = 500;

// What one connection has sent so far.
struct TPendingRequest {
    QByteArray itsBuffer;
    QStringList itsBooks;
    int itsLines = 0;
    bool itsGreeted = false;
    bool itsDone = false;
};

enum class TReadOutcome { kNeedMore, kComplete, kGarbage };

TReadOutcome ConsumeLines(TPendingRequest& request) {
    for (;;) {
        qsizetype end = request.itsBuffer.indexOf('\n');
        if (end < 0)
            return request.itsBuffer.size() > kLongestLine ? TReadOutcome::kGarbage : TReadOutcome::kNeedMore;
        if (end > kLongestLine || ++request.itsLines > kMostLines) return TReadOutcome::kGarbage;
        QByteArray line = request.itsBuffer.left(end);
        request.itsBuffer.remove(0, end + 1);

        if (!request.itsGreeted) {
            if (line != kGreeting) return TReadOutcome::kGarbage;
            request.itsGreeted = true;
        } else if (line == "end") {
            return TReadOutcome::kComplete;
        } else if (line.startsWith("book ")) {
            QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(5)));
            if (!QDir::isAbsolutePath(path)) return TReadOutcome::kGarbage;
            request.itsBooks << path;
        } else {
            return TReadOutcome::kGarbage;
        }
    }
}

bool OwnedByUs(const QString& path) {
    return QFileInfo(path).ownerId() == ::geteuid();
}

bool SomeoneListensOn(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path);
    bool live = probe.waitForConnected(kLivenessMs);
    probe.abort();
    return live;
}

} // namespace

TSingleInstance::TSingleInstance(QObject* parent) : QObject(parent), itsServer(new QLocalServer(this)) {
    connect(itsServer, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::AllowsSecondInstance(const QStringList& arguments) {
    for (const QString& argument : arguments)
        if (argument.compare(QLatin1String("multi"), Qt::CaseInsensitive) == 0) return true;
    return false;
}

QStringList TSingleInstance::BookArguments(const QStringList& arguments, const QString& currentFolder) {
    QStringList books;
    QDir folder(currentFolder);
    for (qsizetype i = 1; i < arguments.size() && i <= kMostBooks; ++i) {
        const QString& argument = arguments[i];
        if (argument.contains(QLatin1String(".2MD"), Qt::CaseInsensitive))
            books << QDir::cleanPath(folder.absoluteFilePath(argument));
    }
    return books;
}

QString TSingleInstance::ServerPath() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("%1-%2").arg(QLatin1String(kServerName)).arg(::geteuid()));
}

void TSingleInstance::BringToFront(QWidget* window) {
    if (window == nullptr) return;
    if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

QByteArray TSingleInstance::EncodeRequest(const QStringList& books) {
    QByteArray request = QByteArray(kGreeting) + '\n';
    for (const QString& book : books) request += "book " + book.toUtf8().toPercentEncoding("/") + '\n';
    request += "end\n";
    return request;
}

bool TSingleInstance::HandOver(const QStringList& arguments, int timeoutMs) {
    const QString path = ServerPath();
    // Someone else's socket under our name is not an instance of ours to hand anything to.
    if (!QFileInfo::exists(path) || !OwnedByUs(path)) return false;

    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) return false;

    socket.write(EncodeRequest(BookArguments(arguments, QDir::currentPath())));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) return false;

    // Only an answer counts: an instance that hangs must not keep the user from starting anew.
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime()))) break;
        answer += socket.readAll();
    }
    socket.abort();
    return answer == kAnswer;
}

bool TSingleInstance::Listen() {
    if (itsServer->isListening()) return true;
    const QString path = ServerPath();
    if (!itsServer->listen(path)) {
        if (itsServer->serverError() != QAbstractSocket::AddressInUseError) return false;
        // A crashed instance leaves its socket file behind; only a live one may keep it.
        if (!OwnedByUs(path) || SomeoneListensOn(path)) return false;
        QLocalServer::removeServer(path);
        if (!itsServer->listen(path)) return false;
    }
    // In the shared temporary folder the socket must not let other users knock.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

bool TSingleInstance::IsListening() const {
    return itsServer->isListening();
}

void TSingleInstance::Accept() {
    while (QLocalSocket* socket = itsServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kSilentClientMs, socket, [socket] { socket->abort(); });

        auto request = std::make_shared<TPendingRequest>();
        auto read = [this, socket, request] {
            if (request->itsDone) {
                socket->readAll();
                return;
            }
            request->itsBuffer += socket->readAll();
            switch (ConsumeLines(*request)) {
            case TReadOutcome::kNeedMore: return;
            case TReadOutcome::kGarbage:
                request->itsDone = true;
                socket->abort();
                return;
            case TReadOutcome::kComplete:
                request->itsDone = true;
                // Answer before acting, so the new start can end while the books open here.
                socket->write(kAnswer);
                socket->flush();
                socket->disconnectFromServer();
                emit ActivationRequested(request->itsBooks);
                return;
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0) read();
    }
}

} // namespace marvek::gui
