// TNameEditDialog: a position's name in one edit, in a titled group above OK, Cancel and Help.
#pragma once

#include <string>

#include "app/DialogWithHelp.h"

class QLineEdit;

namespace marvek::gui {

// The common frame of the rename and jump-by-name dialogs; each adds how it opens and what it gives.
class TNameEditDialog : public TDialogWithHelp {
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

private:
    QLineEdit* itsName = nullptr;
};

} // namespace marvek::gui
