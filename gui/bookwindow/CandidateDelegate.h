// TCandidateDelegate: draws one line of the book window's candidate list from its display text.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>
#include <array>

namespace marvek::gui {

// The rate character of a display text as the sign a chess player reads ("" for none).
QString RateSign(char rateCharacter);

// Where each part of a line goes. A rectangle is empty when its part is not drawn.
struct TCandidatePaintParts {
    QString itsMove;
    QRect itsMoveRect;
    QString itsRate;
    QRect itsRateRect;
    QString itsCount;
    QRect itsCountRect;
    QString itsAssessment;
    QRect itsAssessmentRect;
    QRect itsInGameRect;
    // Green, yellow and red boxes stacked from the top.
    std::array<QRect, 3> itsMarkRects;
};

class TCandidateDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit TCandidateDelegate(QObject* parent = nullptr);

    // What the lines depend on beyond their texts; the list is repainted by its owner after.
    void SetBlackToMove(bool on) { itsBlackToMove = on; }
    void SetUseFigurines(bool on) { itsUseFigurines = on; }
    // The user's king, queen, rook, bishop and knight letters, replaced by figurines when asked.
    void SetPieceLetters(const QString& letters) { itsPieceLetters = letters; }
    // While training the list shows nothing.
    void SetHidden(bool on) { itsHidden = on; }

    TCandidatePaintParts Layout(const QRect& rect, const QString& text, const QFont& font) const;
    // The move text as drawn: "..." before it when Black is to move, figurines when asked.
    QString MoveText(const QString& move) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QFont SmallFont(const QFont& font);
    // Line height: the list font's height times 10 / 8.
    static int LineHeight(const QFont& font);

private:
    bool itsBlackToMove = false;
    bool itsUseFigurines = false;
    bool itsHidden = false;
    QString itsPieceLetters = QStringLiteral("KQRBN");
};

} // namespace marvek::gui
