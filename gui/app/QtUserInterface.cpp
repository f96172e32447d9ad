// TQtUserInterface: message boxes, beep and the hourglass; the program's icon from its resources.
#include "app/QtUserInterface.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>

// The icon lives in a resource of this static library, which the linker keeps only when asked.
static void InitDesktopResources() {
    Q_INIT_RESOURCE(desktop);
}

namespace marvek::gui {

namespace {

// The hourglass belongs to the work, not to a box the user must answer: an arrow while it shows.
class TArrowWhileAsking {
public:
    explicit TArrowWhileAsking(bool waiting) : itsWaiting(waiting) {
        if (itsWaiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~TArrowWhileAsking() {
        if (itsWaiting) QApplication::restoreOverrideCursor();
    }
    TArrowWhileAsking(const TArrowWhileAsking&) = delete;
    TArrowWhileAsking& operator=(const TArrowWhileAsking&) = delete;

private:
    bool itsWaiting;
};

} // namespace

QIcon MarvekIcon() {
    static const bool initialised = (InitDesktopResources(), true);
    (void)initialised;
    return QIcon(QStringLiteral(":/marvek/marvek.svg"));
}

QString BoxText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

TQtUserInterface::TQtUserInterface(QObject* parent) : QObject(parent) {}

TQtUserInterface::~TQtUserInterface() {
    if (itsWaitDepth > 0) QApplication::restoreOverrideCursor();
}

QMessageBox::StandardButton TQtUserInterface::RunBox(QMessageBox& box) {
    return QMessageBox::StandardButton(box.exec());
}

QMessageBox::StandardButton TQtUserInterface::Show(QMessageBox::Icon icon, const std::string& text,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::StandardButton safeButton, int helpContext) {
    if (helpContext != 0) buttons |= QMessageBox::Help;
    QWidget* parent = itsParentWindow ? itsParentWindow.data() : QApplication::activeWindow();
    QMessageBox box(icon, QGuiApplication::applicationDisplayName(), BoxText(text), buttons, parent);
    // The core's texts are never markup, whatever characters they hold.
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(safeButton);
    box.setDefaultButton(buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);

    TArrowWhileAsking arrow(itsWaitDepth > 0);
    for (;;) {
        QMessageBox::StandardButton pressed = RunBox(box);
        if (pressed != QMessageBox::Help || helpContext == 0) return pressed;
        emit HelpRequested(helpContext);
    }
}

void TQtUserInterface::ShowInformationBox(const std::string&, const std::string& text, int helpContext) {
    Show(QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok, helpContext);
}

void TQtUserInterface::ShowMessage(const std::string& text) {
    Show(QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok, 0);
}

void TQtUserInterface::ShowError(const std::string& text) {
    Show(QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok, 0);
}

TAnswer TQtUserInterface::Ask(const std::string& text, TButtons buttons, TBoxKind kind, int helpContext) {
    bool withCancel = buttons == TButtons::kYesNoCancel;
    QMessageBox::StandardButtons shown = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) shown |= QMessageBox::Cancel;
    QMessageBox::StandardButton safe = withCancel ? QMessageBox::Cancel : QMessageBox::No;
    QMessageBox::Icon icon = kind == TBoxKind::kWarning ? QMessageBox::Warning : QMessageBox::Question;

    switch (Show(icon, text, shown, safe, helpContext)) {
    case QMessageBox::Yes: return TAnswer::kYes;
    case QMessageBox::No: return TAnswer::kNo;
    default: return withCancel ? TAnswer::kCancel : TAnswer::kNo;
    }
}

void TQtUserInterface::Beep() {
    QApplication::beep();
}

void TQtUserInterface::SetWaitCursor(bool busy) {
    if (busy) {
        if (itsWaitDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (itsWaitDepth > 0) {
        if (--itsWaitDepth == 0) QApplication::restoreOverrideCursor();
    }
}

} // namespace marvek::gui
