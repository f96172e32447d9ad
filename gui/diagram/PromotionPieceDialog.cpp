// The promotion question.
#include "diagram/PromotionPieceDialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>

#include "app/Settings.h"
#include "diagram/PieceArtwork.h"

namespace marvek::gui {

namespace {

constexpr int kPictureSize = 48;

std::function<void(TPromotionPieceDialog&)>& AnswerHook() {
    static std::function<void(TPromotionPieceDialog&)> hook;
    return hook;
}

} // namespace

TPromotionPieceDialog::TPromotionPieceDialog(bool white, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Promotion"));
    setModal(true);
    const QString names[4] = {tr("Queen"), tr("Rook"), tr("Bishop"), tr("Knight")};
    auto* layout = new QHBoxLayout(this);
    for (int i = 0; i < 4; ++i) {
        auto* button = new QToolButton(this);
        const int kind = kKinds[i];
        button->setIcon(QIcon(PiecePixmap(white ? kind : kind + 6, kPictureSize, devicePixelRatioF())));
        button->setIconSize(QSize(kPictureSize, kPictureSize));
        button->setText(names[i]);
        button->setToolTip(names[i]);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        // Checked marks the piece Enter would take, so the keyboard choice is visible.
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, [this, kind] { Choose(kind); });
        layout->addWidget(button);
        itsButtons[i] = button;
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);
    MakeCurrent(0);
}

int TPromotionPieceDialog::Ask(QWidget* parent, bool white) {
    TPromotionPieceDialog dialog(white, parent);
    return dialog.Run();
}

int TPromotionPieceDialog::Run() {
    itsChoice = kQueen;
    MakeCurrent(0);
    ExecDialog();
    return itsChoice;
}

void TPromotionPieceDialog::SetAnswerHook(std::function<void(TPromotionPieceDialog&)> hook) {
    AnswerHook() = std::move(hook);
}

int TPromotionPieceDialog::ExecDialog() {
    if (AnswerHook()) {
        AnswerHook()(*this);
        return result();
    }
    return exec();
}

QToolButton* TPromotionPieceDialog::PieceButton(int kind) const {
    for (int i = 0; i < 4; ++i)
        if (kKinds[i] == kind) return itsButtons[i];
    return nullptr;
}

void TPromotionPieceDialog::reject() {
    // A pawn on the last rank must become something; the queen is what players nearly always want.
    Choose(kQueen);
}

bool TPromotionPieceDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (HandleKey(key->key(), key->text())) return true;
    } else if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < 4; ++i)
            if (watched == itsButtons[i]) MakeCurrent(i);
    }
    return QDialog::eventFilter(watched, event);
}

void TPromotionPieceDialog::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event->key(), event->text())) QDialog::keyPressEvent(event);
}

bool TPromotionPieceDialog::HandleKey(int key, const QString& text) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up: MakeCurrent((itsCurrent + 3) % 4); return true;
    case Qt::Key_Right:
    case Qt::Key_Down: MakeCurrent((itsCurrent + 1) % 4); return true;
    case Qt::Key_Home: MakeCurrent(0); return true;
    case Qt::Key_End: MakeCurrent(3); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: Choose(Current()); return true;
    case Qt::Key_Escape: reject(); return true;
    default: break;
    }
    if (text.size() == 1) {
        if (const int kind = KindOfLetter(text.at(0))) {
            Choose(kind);
            return true;
        }
    }
    return false;
}

int TPromotionPieceDialog::KindOfLetter(QChar letter) {
    const QChar upper = letter.toUpper();
    const TSettings& settings = Settings();
    // The user's own letters come first: in some languages a local letter is another piece's
    // English one.
    const struct {
        char itsLocal;
        char itsEnglish;
        int itsKind;
    } letters[] = {{settings.QueenLetter(), 'Q', kQueen},
                   {settings.RookLetter(), 'R', kRook},
                   {settings.BishopLetter(), 'B', kBishop},
                   {settings.KnightLetter(), 'N', kKnight}};
    for (const auto& l : letters)
        if (l.itsLocal != 0 && QChar::fromLatin1(l.itsLocal).toUpper() == upper) return l.itsKind;
    for (const auto& l : letters)
        if (QChar::fromLatin1(l.itsEnglish) == upper) return l.itsKind;
    return 0;
}

void TPromotionPieceDialog::Choose(int kind) {
    itsChoice = kind;
    for (int i = 0; i < 4; ++i)
        if (kKinds[i] == kind) MakeCurrent(i);
    accept();
}

void TPromotionPieceDialog::MakeCurrent(int index) {
    itsCurrent = index;
    itsButtons[index]->setChecked(true);
    if (isVisible()) itsButtons[index]->setFocus();
}

} // namespace marvek::gui
