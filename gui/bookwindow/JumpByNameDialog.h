// TJumpByNameDialog: "Jump to Position" with one edit, for a name typed from memory.
#pragma once

#include <string>

#include "bookwindow/NameEditDialog.h"

namespace marvek::gui {

class TJumpByNameDialog : public TNameEditDialog {
    Q_OBJECT

public:
    explicit TJumpByNameDialog(QWidget* parent = nullptr);

    // Opens with an empty edit that has the focus; true for OK.
    bool Execute();
    std::string Text() const { return EditText(); }
};

} // namespace marvek::gui
