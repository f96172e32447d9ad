#pragma once

#include <QDialog>
#include <functional>

// The small modal question of which piece a pawn becomes: the four pieces of the moving side as
// pictures, chosen with the mouse, the arrow keys and Enter, or a piece letter.

class QToolButton;

namespace marvek::gui {

class TPromotionPieceDialog : public QDialog {
    Q_OBJECT

public:
    // The piece kinds without colour, as the board's promotion setting counts them.
    static constexpr int kKnight = 2;
    static constexpr int kBishop = 3;
    static constexpr int kRook = 4;
    static constexpr int kQueen = 5;

    explicit TPromotionPieceDialog(bool white, QWidget* parent = nullptr);

    // Asks modally for the piece of a promotion by the given side; the kind 2..5 (the caller adds 6
    // for Black). The question cannot be declined: Escape or closing the window gives the queen.
    static int Ask(QWidget* parent, bool white);

    // Runs this dialog and returns the kind chosen.
    int Run();

    // While set, Ask and Run hand the dialog to this function instead of waiting for a user, so a
    // board's promotion can be answered without a modal loop.
    static void SetAnswerHook(std::function<void(TPromotionPieceDialog&)> hook);

    int Choice() const { return itsChoice; }
    int Current() const { return kKinds[itsCurrent]; }
    QToolButton* PieceButton(int kind) const;

    // The kinds in the order their buttons stand, strongest first.
    static constexpr int kKinds[4] = {kQueen, kRook, kBishop, kKnight};

public slots:
    void reject() override;

protected:
    // Runs the dialog; tests answer here instead of waiting for a user.
    virtual int ExecDialog();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Handles a key for the dialog or any of its buttons; whether it was used.
    bool HandleKey(int key, const QString& text);
    void Choose(int kind);
    void MakeCurrent(int index);
    static int KindOfLetter(QChar letter);

    QToolButton* itsButtons[4] = {};
    int itsCurrent = 0;
    int itsChoice = kQueen;
};

} // namespace marvek::gui
