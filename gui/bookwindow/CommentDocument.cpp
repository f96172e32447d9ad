// Comments between the core's rich-text model and a QTextDocument, both ways.
#include "bookwindow/CommentDocument.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <cmath>

namespace marvek::gui {

namespace {

// Qt has no character set in its formats; the run's travels with it as a property of our own, so
// a symbol-font run keeps its set through editing.
constexpr int kCharsetProperty = QTextFormat::UserProperty + 1;

// Weights from DemiBold up show as bold, and so are kept as bold.
constexpr int kBoldFrom = QFont::DemiBold;

QString RunText(const std::string& text) {
    QString result = QString::fromStdString(text);
    // A line break within a paragraph; a plain "\n" would start a block.
    result.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    return result;
}

// The characters of a fragment as the model keeps them: line separators become "\n"; object
// placeholders, frame marks and control characters other than the tab carry no text.
std::string ModelText(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code == QChar::LineSeparator)
            result += QLatin1Char('\n');
        else if (code == QChar::ObjectReplacementCharacter || code == 0xFDD0 || code == 0xFDD1 ||
                 code == QChar::ParagraphSeparator || (code < 0x20 && code != '\t'))
            continue;
        else
            result += c;
    }
    return result.toStdString();
}

} // namespace

QTextCharFormat ToQtFormat(const TCharFormat& format) {
    QTextCharFormat result;
    result.setFontFamilies(QStringList{QString::fromStdString(format.itsFont)});
    result.setFontPointSize(format.itsSize / 2.0);
    result.setFontWeight(format.itsBold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(format.itsItalic);
    if (format.itsColour != kAutoColour) result.setForeground(QColor::fromRgb(format.itsColour & 0xFFFFFF));
    result.setProperty(kCharsetProperty, format.itsCharset);
    return result;
}

TCharFormat FromQtFormat(const QTextCharFormat& format, const TCharFormat& fallback) {
    TCharFormat result;
    const QStringList families = format.fontFamilies().toStringList();
    result.itsFont = !families.isEmpty() && !families.front().isEmpty() ? families.front().toStdString()
                                                                        : fallback.itsFont;
    result.itsCharset = format.hasProperty(kCharsetProperty) ? format.intProperty(kCharsetProperty) : 0;
    const double points = format.fontPointSize();
    result.itsSize = points > 0 ? int(std::lround(points * 2)) : fallback.itsSize;
    result.itsBold = format.fontWeight() >= kBoldFrom;
    result.itsItalic = format.fontItalic();
    const QBrush foreground = format.foreground();
    result.itsColour =
        foreground.style() == Qt::NoBrush ? kAutoColour : std::uint32_t(foreground.color().rgb() & 0xFFFFFF);
    return result;
}

void InsertRichText(QTextCursor& cursor, const TRichText& text, const TCharFormat& emptyFormat) {
    const QTextCharFormat empty = ToQtFormat(emptyFormat);
    bool first = true;
    for (const TParagraph& paragraph : text.Paragraphs()) {
        // The block's own character format is what typing at its start gets.
        const QTextCharFormat start =
            paragraph.itsRuns.empty() ? empty : ToQtFormat(paragraph.itsRuns[0].itsFormat);
        if (!first)
            cursor.insertBlock(QTextBlockFormat(), start);
        else if (cursor.atBlockStart() && cursor.block().length() == 1)
            cursor.setBlockCharFormat(start);
        first = false;
        for (const TTextRun& run : paragraph.itsRuns)
            cursor.insertText(RunText(run.itsText), ToQtFormat(run.itsFormat));
    }
}

void FillDocument(QTextDocument& document, const TRichText& text, const TCharFormat& emptyFormat) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.setBlockCharFormat(ToQtFormat(emptyFormat));
    cursor.setCharFormat(ToQtFormat(emptyFormat));
    InsertRichText(cursor, text, emptyFormat);
}

TRichText ReadDocument(const QTextDocument& document, const TCharFormat& fallback) {
    TRichText result;
    if (document.isEmpty()) return result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        result.AddParagraph();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const std::string text = ModelText(fragment.text());
            if (!text.empty()) result.AddText(text, FromQtFormat(fragment.charFormat(), fallback));
        }
    }
    return result;
}

} // namespace marvek::gui
