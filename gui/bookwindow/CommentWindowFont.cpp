// The comment window's "Font..." command: the dialog with a colour beside the font, and applying
// what was chosen to the selection.
#include "bookwindow/CommentWindow.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "bookwindow/CommentDocument.h"

namespace marvek::gui {

namespace {

// Symbol fonts keep their bytes as they are; the record marks their runs with character set 2.
int CharsetOf(const QString& family) {
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Symbol) ? 2 : 0;
}

// The family's plainest style of the font's weight and slant, so that the dialog selects it rather
// than the first style it lists (a family with "Book" and condensed styles would show one of those).
QFont WithStyleName(QFont font) {
    QString best;
    for (const QString& style : QFontDatabase::styles(font.family())) {
        if (QFontDatabase::bold(font.family(), style) != font.bold() ||
            QFontDatabase::italic(font.family(), style) != font.italic())
            continue;
        if (best.isEmpty() || style.size() < best.size()) best = style;
    }
    if (!best.isEmpty()) font.setStyleName(best);
    return font;
}

QIcon Swatch(const QColor& colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace

void TCommentWindow::ChooseFont() {
    // The dialog is preset from the selection's first character, or from what is typed next.
    const QTextCursor cursor = itsEditor->textCursor();
    QTextCharFormat at = itsEditor->currentCharFormat();
    if (cursor.hasSelection()) {
        QTextCursor first(itsEditor->document());
        first.setPosition(cursor.selectionStart() + 1);
        at = first.charFormat();
    }
    const TCharFormat current = FromQtFormat(at, itsDefaultFormat);
    TCommentFont initial;
    initial.itsFont = QFont(QString::fromStdString(current.itsFont));
    initial.itsFont.setPointSizeF(current.itsSize / 2.0);
    initial.itsFont.setBold(current.itsBold);
    initial.itsFont.setItalic(current.itsItalic);
    if (current.itsColour != kAutoColour) initial.itsColour = QColor::fromRgb(current.itsColour);

    const std::optional<TCommentFont> chosen = AskFont(initial);
    if (!chosen) return;
    TCharFormat format = current;
    format.itsFont = chosen->itsFont.family().toStdString();
    format.itsCharset = CharsetOf(chosen->itsFont.family());
    if (chosen->itsFont.pointSizeF() > 0) format.itsSize = qRound(chosen->itsFont.pointSizeF() * 2);
    format.itsBold = chosen->itsFont.weight() >= QFont::DemiBold;
    format.itsItalic = chosen->itsFont.italic();
    QTextCharFormat merged = ToQtFormat(format);
    if (chosen->itsColour.isValid())
        merged.setForeground(chosen->itsColour);
    else
        merged.clearForeground();
    MergeFormat(merged);
}

std::optional<TCommentFont> TCommentWindow::AskFont(const TCommentFont& initial) {
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* fonts = new QFontDialog(&dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts->setCurrentFont(WithStyleName(initial.itsFont));
    // Underline and strike-out are not kept in comments, so they are not offered.
    for (QCheckBox* box : fonts->findChildren<QCheckBox*>()) box->setEnabled(false);

    QColor colour = initial.itsColour;
    auto* colourButton = new QPushButton(QStringLiteral("Colour..."), &dialog);
    colourButton->setIcon(Swatch(colour.isValid() ? colour : palette().color(QPalette::Text)));
    connect(colourButton, &QPushButton::clicked, &dialog, [&] {
        const QColor picked =
            QColorDialog::getColor(colour.isValid() ? colour : palette().color(QPalette::Text), &dialog);
        if (!picked.isValid()) return;
        colour = picked;
        colourButton->setIcon(Swatch(colour));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(colourButton);
    row->addStretch();
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(row);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return TCommentFont{fonts->currentFont(), colour};
}

} // namespace marvek::gui
