// TSetupPositionDialog: "Setup Position", where the user composes a position to start a line at.
#pragma once

#include <memory>
#include <string>

#include "app/DialogWithHelp.h"
#include "chess/ChessPosition.h"
#include "diagram/SetupPosition.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace marvek {
class TBook2;
}

namespace marvek::gui {

class TPieceSelector;
class TSetupDiagram;

// Draws a TSetupPosition and forwards what the user does to it: presses on the board and the
// palette, the name, the side to move, the castling rights, the en-passant letter and the buttons.
class TSetupPositionDialog : public TDialogWithHelp {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 9200;

    explicit TSetupPositionDialog(QWidget* parent = nullptr);
    ~TSetupPositionDialog() override;

    // Opens the dialog on the position, the book answering name look-ups (it may be null), the
    // board in the preference colours; true when the user chose OK.
    bool Execute(TBook2* book, const TChessPosition& position);
    // What OK composed, and the name entered.
    TChessPosition Position() const;
    std::string Name() const;

    // OK: closes only when the position passes and the name questions are answered Yes.
    void accept() override;

    // For tests and the book window: the parts of the dialog.
    TSetupDiagram* Diagram() const { return itsDiagram; }
    TPieceSelector* Selector() const { return itsSelector; }
    QLineEdit* NameEdit() const { return itsName; }
    QLineEdit* EnPassantEdit() const { return itsEnPassant; }
    const TSetupPosition* Setup() const { return itsSetup.get(); }

private:
    void BoardPressed(int x, int y);
    void PalettePressed(int x, int y);
    // Shows the core's board and values in every control.
    void ShowValues();

    std::unique_ptr<TSetupPosition> itsSetup;
    TSetupDiagram* itsDiagram = nullptr;
    TPieceSelector* itsSelector = nullptr;
    QLineEdit* itsName = nullptr;
    QLineEdit* itsEnPassant = nullptr;
    QCheckBox* itsWhiteToMove = nullptr;
    QCheckBox* itsRights[4] = {};
};

} // namespace marvek::gui
