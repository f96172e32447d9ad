// TPGNCommands: file choice, dialogs and progress of the book window's PGN commands; dropping a
// PGN file on the window.
#include "pgn/PGNCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/CommandGuard.h"
#include "app/ProgressDialog.h"
#include "app/Settings.h"
#include "book/CommentBuffer.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/BookWindowForm.h"
#include "pgn/BookWindowPGN.h"
#include "pgn/FENNamingInstructionsDialog.h"
#include "pgn/PrePGNExportDialog.h"
#include "pgn/PrePGNImportDialog.h"

namespace marvek::gui {

namespace {

// The folder setting keeps 200 characters.
constexpr int kMaxFolder = 200;

} // namespace

TPGNCommands::TPGNCommands(TBookWindow& window, QWidget* parent) : itsWindow(window), itsParent(parent) {}

QString TPGNCommands::ChooseImportFile(const QString& folder) {
    return QFileDialog::getOpenFileName(itsParent, "Import Games", folder,
                                        "PGN Files (*.pgn *.PGN);;All Files (*)");
}

bool TPGNCommands::RunDialog(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

bool TPGNCommands::AskNaming(const TPGNHeader& header, TPGNImportOptions& options) {
    TFENNamingInstructionsDialog dialog(header, options, itsParent);
    if (!RunDialog(dialog)) return false;
    dialog.Store(options);
    return true;
}

QString TPGNCommands::CurrentComment() const {
    QStringList lines;
    for (const std::string& line : itsWindow.Comment().PlainTextLines())
        lines << QString::fromStdString(line);
    return lines.join('\n');
}

void TPGNCommands::ImportGames() {
    if (BookWindowRefusesImport(itsWindow)) return;
    const QString file = ChooseImportFile(QString::fromStdString(Settings().GamesFolder()));
    if (file.isEmpty()) return;
    QString folder = QFileInfo(file).absolutePath() + "/";
    if (folder.size() <= kMaxFolder) Settings().SetGamesFolder(folder.toStdString());
    ImportFile(file);
}

void TPGNCommands::ImportFile(const QString& fileName) {
    if (BookWindowRefusesImport(itsWindow)) return;
    TPrePGNImportDialog dialog(fileName, itsParent);
    dialog.Load(Settings());
    if (!RunDialog(dialog)) return;
    dialog.Store(Settings());
    TProgressDialog progress(itsParent);
    ImportIntoBookWindow(
        itsWindow, dialog.Request(), &progress,
        [this](const TPGNHeader& header, TPGNImportOptions& options) { return AskNaming(header, options); });
}

void TPGNCommands::GrabClipboard() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty() || BookWindowRefusesImport(itsWindow)) return;
    TPrePGNClipboardImportDialog dialog(itsParent);
    dialog.Load(Settings());
    if (!RunDialog(dialog)) return;
    dialog.Store(Settings());
    const TBookImportRequest request = dialog.Request();
    TProgressDialog progress(itsParent);
    ImportClipboardIntoBookWindow(
        itsWindow, text.toStdString(), request.itsOptions, request.itsColours, &progress,
        [this](const TPGNHeader& header, TPGNImportOptions& options) { return AskNaming(header, options); });
}

void TPGNCommands::ExportLine() {
    if (!itsWindow.BookOpen()) return;
    TPrePGNExportDialog dialog(TPrePGNExportDialog::kLine, CurrentComment(), itsParent);
    dialog.Load(Settings());
    if (!RunDialog(dialog)) return;
    dialog.Store(Settings());
    ExportBookWindowLine(itsWindow);
}

void TPGNCommands::ExportTree() {
    if (!itsWindow.BookOpen()) return;
    TPrePGNExportDialog dialog(TPrePGNExportDialog::kTree, CurrentComment(), itsParent);
    dialog.Load(Settings());
    if (!RunDialog(dialog)) return;
    dialog.Store(Settings());
    TProgressDialog progress(itsParent);
    progress.SetStopCaption("Cancel");
    ExportBookWindowTree(itsWindow, &progress);
}

// ---- Dropping a PGN file

TPGNDropFilter::TPGNDropFilter(TBookWindowForm& form) : QObject(&form), itsForm(form) {
    setObjectName("PGNDropFilter");
    itsImport = [this](const QString& file) {
        TBookWindowForm& form = itsForm;
        RunCommand([&form, &file] { TPGNCommands(form.Window(), &form).ImportFile(file); });
    };
}

QString TPGNDropFilter::DroppedPgnFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && url.toLocalFile().endsWith(".pgn", Qt::CaseInsensitive))
            return url.toLocalFile();
    return {};
}

bool TPGNDropFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &itsForm) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!DroppedPgnFile(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString file = DroppedPgnFile(drop->mimeData());
        if (!file.isEmpty()) {
            drop->acceptProposedAction();
            // The dialogs wait for the user; the program that dragged the file must not.
            QTimer::singleShot(0, this, [this, file] {
                if (itsImport) itsImport(file);
            });
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void InstallPGNDrop(TBookWindowForm& form) {
    form.setAcceptDrops(true);
    form.installEventFilter(new TPGNDropFilter(form));
}

} // namespace marvek::gui
