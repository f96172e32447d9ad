// TFENNamingInstructionsDialog: "Name Imported Positions", asked at the first game of an import
// that starts from a FEN position.
#pragma once

#include <QDialog>

#include "pgn/PGNHeader.h"
#include "pgn/PGNImporter.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace marvek::gui {

// Shows the first FEN game's players and FEN, and lets the user choose how the start positions
// are named; the preview shows the name that game would get.
class TFENNamingInstructionsDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxPrefix = 37;
    static constexpr int kMaxNumber = 900;

    TFENNamingInstructionsDialog(const TPGNHeader& firstFenGame, const TPGNImportOptions& options,
                                 QWidget* parent = nullptr);

    // The four naming choices written into the options (the rest stays).
    void Store(TPGNImportOptions& options) const;

    // The parts of the dialog, for tests.
    QButtonGroup* StyleGroup() const { return itsStyle; }
    QLineEdit* PrefixEdit() const { return itsPrefix; }
    QSpinBox* NumberBox() const { return itsNumber; }
    QCheckBox* KeepNamesBox() const { return itsKeepNames; }
    QString Preview() const;

private:
    void ChoiceChanged();

    TPGNHeader itsHeader;
    TPGNImportOptions itsOptions;
    QButtonGroup* itsStyle = nullptr;
    QLineEdit* itsPrefix = nullptr;
    QSpinBox* itsNumber = nullptr;
    QCheckBox* itsKeepNames = nullptr;
    QLabel* itsPreview = nullptr;
};

} // namespace marvek::gui
