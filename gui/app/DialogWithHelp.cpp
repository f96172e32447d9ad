// A dialog with OK, Cancel and Help: the row of buttons and the way to the help window.
#include "app/DialogWithHelp.h"

#include "app/HelpWindow.h"

namespace marvek::gui {

TDialogWithHelp::TDialogWithHelp(QWidget* parent, int helpContext)
    : QDialog(parent), itsHelpContext(helpContext) {
    setModal(true);
}

TOkCancelHelp TDialogWithHelp::MakeButtons() {
    return MakeOkCancelHelp(*this, [this] {
        emit HelpRequested(itsHelpContext);
        OpenHelp(itsHelpContext);
    });
}

void TDialogWithHelp::OpenHelp(int context) {
    THelpWindow::Instance().ShowContext(context);
}

} // namespace marvek::gui
