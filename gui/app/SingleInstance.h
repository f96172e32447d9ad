// TSingleInstance: one running program per user; a second start hands its books to the first.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QWidget;

namespace marvek::gui {

// A per-user local socket named after the program. The first instance listens on it; a later
// start (without "multi") connects, asks the first to come to the front, passes along the books
// named on its command line and ends without showing anything.
//
// The request is a few lines of text: a greeting, one "book" line per book (the absolute path,
// percent-encoded so that no name can break a line) and "end"; the listener answers "ok". Anything
// else that reaches the socket is dropped without a word.
class TSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // True when any argument is "multi" in any letter case.
    static bool AllowsSecondInstance(const QStringList& arguments);
    // The arguments that name books: of the first nine after the program (arguments as
    // QCoreApplication::arguments() gives them), those holding ".2MD" in any letter case, made
    // absolute against currentFolder.
    static QStringList BookArguments(const QStringList& arguments, const QString& currentFolder);
    // The socket: in XDG_RUNTIME_DIR when there is one, else in the temporary folder; the user
    // id in the name keeps two users of one machine apart.
    static QString ServerPath();
    // What answering a request does to the main window: restored when minimised, then raised
    // and activated.
    static void BringToFront(QWidget* window);
    // The bytes of a request for these books.
    static QByteArray EncodeRequest(const QStringList& books);

    // Asks a running instance to come to the front and open the books among arguments (which
    // start with the program, as QCoreApplication::arguments() gives them). True when one
    // answered; false when none runs, or none answered within timeoutMs.
    bool HandOver(const QStringList& arguments, int timeoutMs = 2000);
    // Starts listening. A socket left behind by a crashed instance is cleared; a live instance
    // keeps its socket, and then this one does not listen (false).
    bool Listen();
    bool IsListening() const;

signals:
    // A later start asked this instance to come to the front and open these books (absolute
    // paths, possibly none).
    void ActivationRequested(QStringList bookArguments);

private:
    void Accept();

    QLocalServer* itsServer;
};

} // namespace marvek::gui
