// TPrePGNImportDialog: "Import PGN", the choices made before games are imported into a book;
// TPrePGNClipboardImportDialog, the same for the clipboard's games.
#pragma once

#include <QDialog>
#include <QString>

#include "pgn/BookWindowPGN.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace marvek {
class TSettings;
}

namespace marvek::gui {

// The ply limit, the header comment and the novelty colours come from the preferences and go back
// there on OK. A file import also offers a player filter, which is not kept.
class TPrePGNImportDialog : public QDialog {
    Q_OBJECT

public:
    // An empty file name makes the clipboard's dialog: no file line, no player filter.
    explicit TPrePGNImportDialog(const QString& fileName, QWidget* parent = nullptr);

    void Load(const TSettings& settings);
    void Store(TSettings& settings) const;
    // What the dialog shows, as the import takes it (the file, the options, colours and filter);
    // the naming options come from the preferences.
    TBookImportRequest Request() const;

    // The parts of the dialog, for tests.
    QSpinBox* PliesBox() const { return itsPlies; }
    QCheckBox* HeaderBox() const { return itsHeader; }
    QCheckBox* ColourBox(int colour) const { return itsColours[colour]; }
    QLineEdit* PlayerEdit() const { return itsPlayer; }
    QButtonGroup* FilterGroup() const { return itsFilter; }

private:
    void EnableFilter();

    QString itsFileName;
    QSpinBox* itsPlies = nullptr;
    QCheckBox* itsHeader = nullptr;
    QCheckBox* itsColours[3] = {}; // green, yellow, red
    QGroupBox* itsPlayerBox = nullptr;
    QLineEdit* itsPlayer = nullptr;
    QButtonGroup* itsFilter = nullptr;
};

class TPrePGNClipboardImportDialog : public TPrePGNImportDialog {
    Q_OBJECT

public:
    explicit TPrePGNClipboardImportDialog(QWidget* parent = nullptr)
        : TPrePGNImportDialog(QString(), parent) {}
};

} // namespace marvek::gui
