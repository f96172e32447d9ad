// TRenamePositionDialog: "Rename Position", where a position's name is given, changed or cleared.
#pragma once

#include <string>

#include "bookwindow/BookWindowDialogs.h"
#include "bookwindow/NameEditDialog.h"

namespace marvek::gui {

// OK asks the book window's check (which may ask its questions) and closes only when it agrees.
class TRenamePositionDialog : public TNameEditDialog {
    Q_OBJECT

public:
    explicit TRenamePositionDialog(QWidget* parent = nullptr);

    // Opens with oldName in the edit, all selected; true for OK.
    bool Execute(const std::string& oldName, const TBookWindowDialogs::TNameCheck& check);
    std::string Name() const { return EditText(); }

    void accept() override;

private:
    TBookWindowDialogs::TNameCheck itsCheck;
};

} // namespace marvek::gui
