// The main window's dialogs: choosing books, the replace question, welcome, help, preferences and
// the about box.
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>

#include "app/AboutBox.h"
#include "app/ConfirmReplaceBookDialog.h"
#include "app/HelpWindow.h"
#include "app/MarvekMainForm.h"
#include "app/PreferencesDialog.h"
#include "app/WelcomeDialog.h"

namespace marvek::gui {

namespace {

const QString kBookFilter = QStringLiteral("Marvek books (*.2MD *.2md *.B8M *.b8m)");

} // namespace

std::optional<std::string> TMarvekMainForm::ChooseNewBook(const std::string& title, const std::string& folder,
                                                          const std::string& fileName) {
    QFileDialog dialog(this, QString::fromStdString(title), QString::fromStdString(folder));
    dialog.setObjectName("NewBookDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("2MD");
    dialog.setNameFilter(QStringLiteral("Marvek books (*.2MD *.2md)"));
    // The frame asks its own question before a book is replaced.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!fileName.empty()) dialog.selectFile(QString::fromStdString(fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<TOpenBookChoice> TMarvekMainForm::ChooseBookToOpen(const std::string& title,
                                                                 const std::string& folder) {
    QFileDialog dialog(this, QString::fromStdString(title), QString::fromStdString(folder), kBookFilter);
    dialog.setObjectName("OpenBookDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("2MD");
    // Qt's own dialog, so that it can carry the read-only box.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* readOnly = new QCheckBox(tr("Open as &read-only"), &dialog);
    readOnly->setObjectName("OpenReadOnlyCheckBox");
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(readOnly, grid->rowCount(), 0, 1, grid->columnCount());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return TOpenBookChoice{dialog.selectedFiles().first().toStdString(), readOnly->isChecked()};
}

bool TMarvekMainForm::ConfirmReplaceBook(const std::string& fileName) {
    TConfirmReplaceBookDialog dialog(this);
    return dialog.Run(QString::fromStdString(fileName));
}

TWelcomeResult TMarvekMainForm::ShowWelcome() {
    TWelcomeDialog dialog(this);
    return dialog.Run();
}

void TMarvekMainForm::ShowHelpContext(int context) {
    if (context == 0)
        THelpWindow::Instance().ShowContents();
    else
        THelpWindow::Instance().ShowContext(context);
}

void TMarvekMainForm::HowtoUseHelp1Click() {
    THelpWindow::Instance().ShowHowToUseHelp();
}

void TMarvekMainForm::SearchforHelpOn1Click() {
    THelpWindow::Instance().ShowSearch(QStringLiteral(" "));
}

bool TMarvekMainForm::RunPreferencesDialog() {
    TPreferencesDialog dialog(this);
    connect(&dialog, &TPreferencesDialog::HelpRequested, this,
            [this](int context) { ShowHelpContext(context); });
    return dialog.Execute();
}

void TMarvekMainForm::ShowAboutBox() {
    TAboutBox box(this);
    box.Run();
}

} // namespace marvek::gui
