// TNameEditDialog: a position's name in one edit, in a titled group above OK, Cancel and Help.
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

namespace marvek::gui {

// The common frame of the rename and jump-by-name dialogs; each adds how it opens and what it gives.
class TNameEditDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 4500;
    static constexpr int kMaxNameLength = 40;

    struct TCaptions {
        const char* itsObjectName;
        const char* itsTitle;
        const char* itsGroupTitle;
        const char* itsEditName;
    };

    QLineEdit* NameEdit() const { return itsName; }

protected:
    TNameEditDialog(QWidget* parent, const TCaptions& captions);

    std::string EditText() const;
    // Runs the dialog; tests answer here instead of waiting for a user.
    virtual int ExecDialog() { return exec(); }

private:
    QLineEdit* itsName = nullptr;
};

} // namespace marvek::gui
