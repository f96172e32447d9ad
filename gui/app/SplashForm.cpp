// The start-up picture.
#include "app/SplashForm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "app/AboutBox.h"

namespace marvek::gui {

namespace {

TSplashForm* theSplash = nullptr;

// How long the picture stays over a main window that is not activated.
constexpr int kLongestWaitMs = 1500;

// A splash nobody finished (a start that failed early) goes when the application does.
void DeleteSplash() {
    delete theSplash;
    theSplash = nullptr;
}

// The board colours the program starts with, so the picture looks like the program.
const QColor kLightSquare(255, 255, 128);
const QColor kDarkSquare(0, 128, 0);

} // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(480, 280);
    // Told apart from the main window by window lists and test drivers.
    setWindowTitle(QStringLiteral("Marvek starting"));
}

TSplashForm::~TSplashForm() {
    if (itsCursorSet) QGuiApplication::restoreOverrideCursor();
    if (itsMainWindow) itsMainWindow->removeEventFilter(this);
    if (theSplash == this) theSplash = nullptr;
}

QString TSplashForm::VersionText() const {
    return tr("Version %1").arg(ProgramVersion());
}

void TSplashForm::ShowSplash(int minimumMs) {
    QElapsedTimer clock;
    clock.start();
    if (!theSplash) {
        theSplash = new TSplashForm;
        static const bool cleanupAdded = (qAddPostRoutine(DeleteSplash), true);
        (void)cleanupAdded;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            theSplash->move(screen->availableGeometry().center() - theSplash->rect().center());
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        theSplash->itsCursorSet = true;
    }
    theSplash->show();
    theSplash->repaint();
    QCoreApplication::processEvents();
    const qint64 remaining = minimumMs - clock.elapsed();
    if (remaining > 0) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(remaining), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void TSplashForm::Finish(QWidget* mainWindow) {
    if (!theSplash) return;
    if (!mainWindow || mainWindow->isActiveWindow()) {
        theSplash->Dismiss();
        return;
    }
    theSplash->itsMainWindow = mainWindow;
    mainWindow->installEventFilter(theSplash);
    // Without a window manager the main window may never be activated; the picture goes anyway.
    QTimer::singleShot(kLongestWaitMs, theSplash, &TSplashForm::Dismiss);
}

TSplashForm* TSplashForm::Current() {
    return theSplash;
}

bool TSplashForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == itsMainWindow && event->type() == QEvent::WindowActivate) Dismiss();
    return false;
}

void TSplashForm::Dismiss() {
    if (itsMainWindow) itsMainWindow->removeEventFilter(this);
    itsMainWindow = nullptr;
    if (itsCursorSet) QGuiApplication::restoreOverrideCursor();
    itsCursorSet = false;
    hide();
    if (theSplash == this) theSplash = nullptr;
    deleteLater();
}

void TSplashForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();

    QLinearGradient background(area.topLeft(), area.bottomRight());
    background.setColorAt(0, QColor(22, 52, 34));
    background.setColorAt(1, QColor(8, 24, 16));
    painter.fillRect(area, background);

    // A corner of a board, four squares by four, with a knight of each colour on it.
    const int square = 44;
    const QPoint origin(int(area.width()) - 4 * square - 28, 50);
    for (int rank = 0; rank < 4; ++rank)
        for (int file = 0; file < 4; ++file)
            painter.fillRect(origin.x() + file * square, origin.y() + rank * square, square, square,
                             (rank + file) % 2 == 0 ? kLightSquare : kDarkSquare);
    painter.setPen(QPen(QColor(230, 220, 160), 2));
    painter.drawRect(QRect(origin, QSize(4 * square, 4 * square)));
    QFont pieces(QStringLiteral("DejaVu Sans"));
    pieces.setPixelSize(square - 6);
    painter.setFont(pieces);
    auto drawPiece = [&](int file, int rank, QChar glyph, const QColor& colour) {
        const QRect cell(origin.x() + file * square, origin.y() + rank * square, square, square);
        painter.setPen(colour);
        painter.drawText(cell, Qt::AlignCenter, QString(glyph));
    };
    // Solid glyphs, filled in the piece's colour, read well on both square colours.
    drawPiece(1, 2, QChar(0x265E), Qt::white);
    drawPiece(1, 2, QChar(0x2658), Qt::black);
    drawPiece(2, 1, QChar(0x265E), Qt::black);

    painter.setPen(QColor(240, 232, 190));
    QFont name(QStringLiteral("DejaVu Serif"));
    name.setPixelSize(56);
    name.setBold(true);
    painter.setFont(name);
    painter.drawText(QRectF(28, 60, 240, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Marvek"));

    QFont line(QStringLiteral("DejaVu Sans"));
    line.setPixelSize(15);
    painter.setFont(line);
    painter.setPen(QColor(200, 214, 190));
    painter.drawText(QRectF(30, 135, 240, 44), Qt::AlignLeft | Qt::TextWordWrap,
                     tr("Opening books for chess players"));
    line.setPixelSize(13);
    painter.setFont(line);
    painter.drawText(QRectF(30, 236, 240, 20), Qt::AlignLeft, VersionText());

    painter.setPen(QPen(QColor(230, 220, 160), 1));
    painter.drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace marvek::gui
