// TJumpByNameDialog: "Jump to Position" with one edit, for a name typed from memory.
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

namespace marvek::gui {

class TJumpByNameDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 4500;
    static constexpr int kMaxNameLength = 40;

    explicit TJumpByNameDialog(QWidget* parent = nullptr);

    // Opens with an empty edit that has the focus; true for OK.
    bool Execute();
    std::string Text() const;
    QLineEdit* NameEdit() const { return itsName; }

protected:
    // Runs the dialog; tests answer here instead of waiting for a user.
    virtual int ExecDialog() { return exec(); }

private:
    QLineEdit* itsName = nullptr;
};

} // namespace marvek::gui
