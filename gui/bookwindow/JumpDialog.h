// TJumpDialog: "Jump to Position", the book's names to choose from, rename and delete.
#pragma once

#include <QDialog>
#include <cstdint>

class QListWidget;
class QPushButton;
class QTimer;

namespace marvek {
class TJumpList;
}

namespace marvek::gui {

// Draws a TJumpList and forwards the user's choices to it. Delete acts on the press and, while
// the button stays down, again on the 100 ms timer as the list's repeat comes due.
class TJumpDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 4500;

    explicit TJumpDialog(QWidget* parent = nullptr);

    // True when OK was chosen with a name highlighted (the list says which).
    bool Execute(TJumpList& list);

    QListWidget* List() const { return itsList; }
    QPushButton* RenameButton() const { return itsRename; }
    QPushButton* DeleteButton() const { return itsDelete; }
    QTimer* RepeatTimer() const { return itsTimer; }

protected:
    // Runs the dialog; tests answer here instead of waiting for a user.
    virtual int ExecDialog() { return exec(); }
    // The millisecond clock of the held Delete.
    virtual std::int64_t Now() const;

private:
    void ShowList();
    void DeletePressed();
    void DeleteReleased();
    void Tick();

    TJumpList* itsJumps = nullptr;
    QListWidget* itsList = nullptr;
    QPushButton* itsRename = nullptr;
    QPushButton* itsDelete = nullptr;
    QTimer* itsTimer = nullptr;
    bool itsShowing = false;
};

} // namespace marvek::gui
