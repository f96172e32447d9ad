// TRenamePositionDialog: "Rename Position", where a position's name is given, changed or cleared.
#pragma once

#include <QDialog>
#include <string>

#include "bookwindow/BookWindowDialogs.h"

class QLineEdit;

namespace marvek::gui {

// OK asks the book window's check (which may ask its questions) and closes only when it agrees.
class TRenamePositionDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 4500;
    static constexpr int kMaxNameLength = 40;

    explicit TRenamePositionDialog(QWidget* parent = nullptr);

    // Opens with oldName in the edit, all selected; true for OK.
    bool Execute(const std::string& oldName, const TBookWindowDialogs::TNameCheck& check);
    std::string Name() const;
    QLineEdit* NameEdit() const { return itsName; }

    void accept() override;

protected:
    // Runs the dialog; tests answer here instead of waiting for a user.
    virtual int ExecDialog() { return exec(); }

private:
    QLineEdit* itsName = nullptr;
    TBookWindowDialogs::TNameCheck itsCheck;
};

} // namespace marvek::gui
