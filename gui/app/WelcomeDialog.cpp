// The welcome message.
#include "app/WelcomeDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/StringTable.h"

namespace marvek::gui {

TWelcomeDialog::TWelcomeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Welcome to Marvek"));
    setModal(true);

    itsText = new QLabel(
        tr("<h2>Welcome to Marvek</h2>"
           "<p>Marvek keeps your opening repertoire in books: every position once, with the moves you "
           "play or meet there, your symbols, colour marks, assessments and comments, however the "
           "position was reached.</p>"
           "<p><b>Three first steps</b></p>"
           "<ol>"
           "<li>Make a book with <b>File &gt; New Book...</b> (Ctrl+N).</li>"
           "<li>Fill it from your games: today PGN files are imported with the command-line tool, "
           "<tt>marvek-cli book import BOOK games.pgn</tt>.</li>"
           "<li>Open it with <b>File &gt; Open Book...</b> (Ctrl+O). Books left open are opened again "
           "at the next start.</li>"
           "</ol>"
           "<p>The help file tells more: press <b>Help File</b>, or F1 at any time.</p>"));
    itsText->setWordWrap(true);
    itsText->setTextFormat(Qt::RichText);

    itsDontShowAgain = new QCheckBox(tr("Don't show this message again."));

    auto* buttons = new QDialogButtonBox;
    itsHelpFile = buttons->addButton(tr("&Help File"), QDialogButtonBox::ActionRole);
    QPushButton* ok =
        buttons->addButton(QString::fromStdString(LoadMessage(1900)), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(itsHelpFile, &QPushButton::clicked, this, [this] {
        itsHelpFilePressed = true;
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(itsText);
    layout->addWidget(itsDontShowAgain);
    layout->addWidget(buttons);
    setFixedWidth(480);
}

TWelcomeResult TWelcomeDialog::Run() {
    itsHelpFilePressed = false;
    ExecDialog();
    TWelcomeResult result;
    result.itsHelpFilePressed = itsHelpFilePressed;
    result.itsDontShowAgain = itsDontShowAgain->isChecked();
    return result;
}

QString TWelcomeDialog::Text() const {
    return itsText->text();
}

} // namespace marvek::gui
