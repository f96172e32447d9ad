// The candidate list's line drawing: move, rate sign, count, assessment, "G" and the mark boxes,
// each at its distance from the line's right edge.
#include "bookwindow/CandidateDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "bookwindow/CandidateLine.h"

namespace marvek::gui {

namespace {

// Distances from the right edge, in pixels.
constexpr int kInGameFromRight = 135;
constexpr int kMarksFromRight = 108;
constexpr int kMarkWidth = 8;
constexpr int kRateFromRight = 100;
constexpr int kCountFromRight = 50;
constexpr int kAssessmentFromRight = 40;

const QColor kMarkColours[3] = {QColor(0, 128, 0), QColor(255, 255, 0), QColor(255, 0, 0)};

} // namespace

QString RateSign(char rateCharacter) {
    // 'i'..'q' run from White winning to Black winning; 'g' is the further sign.
    static const char16_t* const kSigns[] = {u"+\u2212",  u"\u00B1", u"\u2A72", u"=",      u"\u221E",
                                             u"=/\u221E", u"\u2A71", u"\u2213", u"\u2212+"};
    if (rateCharacter >= 'i' && rateCharacter <= 'q') return QString::fromUtf16(kSigns[rateCharacter - 'i']);
    if (rateCharacter == 'g') return QStringLiteral("\u25CB");
    return QString();
}

TCandidateDelegate::TCandidateDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QFont TCandidateDelegate::SmallFont(const QFont& font) {
    QFont small = font;
    if (font.pointSizeF() > 0)
        small.setPointSizeF(std::max(6.0, font.pointSizeF() / 2));
    else
        small.setPixelSize(std::max(8, font.pixelSize() / 2));
    return small;
}

int TCandidateDelegate::LineHeight(const QFont& font) {
    return QFontMetrics(font).height() * 10 / 8;
}

QString TCandidateDelegate::MoveText(const QString& move) const {
    static const char16_t kFigurines[] = u"\u2654\u2655\u2656\u2657\u2658";
    QString text = move;
    if (itsUseFigurines)
        for (QChar& c : text) {
            const qsizetype piece = itsPieceLetters.indexOf(c);
            if (piece >= 0 && piece < 5) c = QChar(kFigurines[piece]);
        }
    return itsBlackToMove ? QStringLiteral("...") + text : text;
}

TCandidatePaintParts TCandidateDelegate::Layout(const QRect& rect, const QString& text,
                                                const QFont& font) const {
    const TCandidateLine line = ParseCandidateLine(text.toStdString());
    TCandidatePaintParts parts;
    const int right = rect.right() + 1;
    const int halfHeight = rect.height() / 2;
    parts.itsMove = MoveText(QString::fromStdString(line.itsMove));
    // The move may run up to the "G", or up to the mark boxes when there is none.
    const int moveEnd = right - (line.itsInGame ? kInGameFromRight : kMarksFromRight);
    parts.itsMoveRect =
        QRect(rect.left() + 4, rect.top() + 2, std::max(0, moveEnd - rect.left() - 4), rect.height() - 2);
    parts.itsRate = RateSign(line.itsRate);
    if (!parts.itsRate.isEmpty())
        parts.itsRateRect =
            QRect(right - kRateFromRight, rect.top(), kRateFromRight - kCountFromRight, rect.height());
    parts.itsCount = QString::fromStdString(line.itsCount);
    if (!parts.itsCount.isEmpty())
        parts.itsCountRect = QRect(right - kCountFromRight, rect.top(), kCountFromRight, halfHeight);
    parts.itsAssessment = QString::fromStdString(line.itsAssessment).replace('-', QChar(0x2212));
    if (!parts.itsAssessment.isEmpty())
        parts.itsAssessmentRect = QRect(right - kAssessmentFromRight - 8, rect.top() + halfHeight,
                                        kAssessmentFromRight + 6, rect.height() - halfHeight);
    if (line.itsInGame)
        parts.itsInGameRect =
            QRect(right - kInGameFromRight, rect.top(), kInGameFromRight - kMarksFromRight, rect.height());
    const bool marks[3] = {line.itsGreen, line.itsYellow, line.itsRed};
    const int third = rect.height() / 3;
    for (int i = 0; i < 3; ++i)
        if (marks[i])
            parts.itsMarkRects[std::size_t(i)] =
                QRect(right - kMarksFromRight, rect.top() + i * third, kMarkWidth, third);
    (void)font;
    return parts;
}

void TCandidateDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    if (itsHidden) return;

    const TCandidatePaintParts parts =
        Layout(option.rect, index.data(Qt::DisplayRole).toString(), option.font);
    const bool selected = option.state & QStyle::State_Selected;
    const QColor ink = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    painter->save();
    painter->setPen(ink);
    painter->setFont(option.font);
    painter->drawText(parts.itsMoveRect, Qt::AlignLeft | Qt::AlignTop, parts.itsMove);
    if (!parts.itsInGameRect.isNull())
        painter->drawText(parts.itsInGameRect, Qt::AlignLeft | Qt::AlignVCenter, "G");
    if (!parts.itsRateRect.isNull())
        painter->drawText(parts.itsRateRect, Qt::AlignLeft | Qt::AlignVCenter, parts.itsRate);
    const QFont small = SmallFont(option.font);
    painter->setFont(small);
    if (!parts.itsCountRect.isNull())
        painter->drawText(parts.itsCountRect, Qt::AlignLeft | Qt::AlignVCenter, parts.itsCount);
    if (!parts.itsAssessmentRect.isNull())
        painter->drawText(parts.itsAssessmentRect, Qt::AlignRight | Qt::AlignVCenter, parts.itsAssessment);
    for (int i = 0; i < 3; ++i)
        if (!parts.itsMarkRects[std::size_t(i)].isNull())
            painter->fillRect(parts.itsMarkRects[std::size_t(i)], kMarkColours[i]);
    painter->restore();
}

QSize TCandidateDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(LineHeight(option.font));
    return size;
}

} // namespace marvek::gui
