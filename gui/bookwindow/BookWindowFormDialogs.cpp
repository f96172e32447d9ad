// The book window's dialogs opened over its form, and what the commands ask of the child window.
#include "bookwindow/BookWindowFormDialogs.h"

#include <QApplication>
#include <QFileDialog>

#include "app/Settings.h"
#include "bookwindow/BookStatisticsDialog.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/BookWindowForm.h"
#include "bookwindow/JumpByNameDialog.h"
#include "bookwindow/JumpDialog.h"
#include "bookwindow/RenamePositionDialog.h"
#include "diagram/ChessDiagram2D.h"
#include "diagram/SetupPositionDialog.h"

namespace marvek::gui {

TBookWindowFormDialogs::TBookWindowFormDialogs(TBookWindowForm& form)
    : QObject(&form), itsForm(form), itsWindow(form.Window()) {
    setObjectName("BookWindowDialogs");
    itsWindow.SetDialogs(this);
    // The board comes up the way the preferences keep it.
    SetWhiteAtBottom(Settings().WhiteAtBottom());
}

TBookWindowFormDialogs::~TBookWindowFormDialogs() {
    if (itsWindow.Dialogs() == this) itsWindow.SetDialogs(nullptr);
}

bool TBookWindowFormDialogs::EditPositionName(const std::string& oldName, const TNameCheck& check,
                                              std::string& name) {
    // From the jump dialog's Rename... it comes up over that dialog.
    QWidget* over = QApplication::activeModalWidget();
    TRenamePositionDialog dialog(over != nullptr ? over : &itsForm);
    if (!dialog.Execute(oldName, check)) return false;
    name = dialog.Name();
    return true;
}

bool TBookWindowFormDialogs::ChooseJumpName(TJumpList& list) {
    TJumpDialog dialog(&itsForm);
    return dialog.Execute(list);
}

bool TBookWindowFormDialogs::AskJumpName(std::string& text) {
    TJumpByNameDialog dialog(&itsForm);
    if (!dialog.Execute()) return false;
    text = dialog.Text();
    return true;
}

bool TBookWindowFormDialogs::SetupPosition(TBook2& book, const TPackedPosition& board,
                                           TPackedPosition& result, std::string& name) {
    TSetupPositionDialog dialog(&itsForm);
    if (!dialog.Execute(&book, TChessPosition(board))) return false;
    result = dialog.Position().GetPosition();
    name = dialog.Name();
    return true;
}

std::optional<std::string> TBookWindowFormDialogs::ChooseBookFile(const std::string& title,
                                                                  const std::string& folder,
                                                                  const std::string& fileName) {
    QFileDialog dialog(&itsForm, QString::fromStdString(title), QString::fromStdString(folder));
    dialog.setObjectName("RenameBookDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("2MD");
    dialog.setNameFilter(QStringLiteral("Marvek books (*.2MD *.2md)"));
    // The window refuses an existing name itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QString::fromStdString(fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void TBookWindowFormDialogs::ShowBookStatistics(const TBookStatistics& statistics) {
    TBookStatisticsDialog dialog(&itsForm);
    dialog.Execute(statistics);
}

void TBookWindowFormDialogs::SetCaption(const std::string& caption) {
    // The child window of the main window's area carries the caption.
    QWidget* frame = itsForm.parentWidget() != nullptr ? itsForm.parentWidget() : &itsForm;
    frame->setWindowTitle(QString::fromStdString(caption));
}

void TBookWindowFormDialogs::CloseWindow() {
    // The main window takes the child away once the command has ended.
    QWidget* frame = itsForm.parentWidget() != nullptr ? itsForm.parentWidget() : &itsForm;
    frame->close();
}

bool TBookWindowFormDialogs::WhiteAtBottom() const {
    return itsForm.Board()->Diagram().GetWhiteIsAtBottom();
}

void TBookWindowFormDialogs::SetWhiteAtBottom(bool on) {
    itsForm.Board()->Diagram().SetWhiteIsAtBottom(on);
    itsForm.Board()->Redraw();
}

} // namespace marvek::gui
