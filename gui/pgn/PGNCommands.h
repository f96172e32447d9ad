// TPGNCommands: the book window's PGN commands on the Qt side; TPGNDropFilter: a PGN file dropped
// on a book window.
#pragma once

#include <QDialog>
#include <QObject>
#include <QString>
#include <functional>

#include "pgn/PGNImporter.h"

class QMimeData;

namespace marvek {
class TBookWindow;
}

namespace marvek::gui {

class TBookWindowForm;
class TProgressDialog;

// Asks what the commands need (a file, the dialogs' choices), shows the progress, and leaves the
// work to the core (pgn/BookWindowPGN.h). Made for one command and dropped afterwards. Tests
// answer the file choice and the dialogs through the two virtual methods.
class TPGNCommands {
public:
    // parent: the book window's form, over which the dialogs open.
    TPGNCommands(TBookWindow& window, QWidget* parent);
    virtual ~TPGNCommands() = default;
    TPGNCommands(const TPGNCommands&) = delete;
    TPGNCommands& operator=(const TPGNCommands&) = delete;

    // PGN menu "Import Games...": a PGN file from the folder last used, then ImportFile.
    void ImportGames();
    // The import dialog for the file, the import with its progress, the count of games.
    void ImportFile(const QString& fileName);
    // PGN menu "Export Line As A Game..." and the book's tree below the position shown.
    void ExportLine();
    void ExportTree();
    // Edit menu "Grab PGN from Clipboard...": nothing happens when the clipboard holds no text.
    void GrabClipboard();

protected:
    // The open-file dialog; an empty answer ends the command.
    virtual QString ChooseImportFile(const QString& folder);
    // Runs a dialog modally; true for OK.
    virtual bool RunDialog(QDialog& dialog);

private:
    // The naming question of an import, asked through RunDialog.
    bool AskNaming(const TPGNHeader& header, TPGNImportOptions& options);
    QString CurrentComment() const;

    TBookWindow& itsWindow;
    QWidget* itsParent;
};

// Installed on a book window's form: a drag carrying a local ".pgn" file is accepted, and its drop
// opens the import dialog for that file once the drop has finished.
class TPGNDropFilter : public QObject {
    Q_OBJECT

public:
    explicit TPGNDropFilter(TBookWindowForm& form);

    // The first PGN file among a drag's URLs; empty for none.
    static QString DroppedPgnFile(const QMimeData* data);

    // What a drop does with its file; the import by default, tests look instead.
    std::function<void(const QString&)> itsImport;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TBookWindowForm& itsForm;
};

// Lets the form take PGN files dropped on it.
void InstallPGNDrop(TBookWindowForm& form);

} // namespace marvek::gui
