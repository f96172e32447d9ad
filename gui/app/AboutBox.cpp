// The about box.
#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/DialogButtons.h"

namespace marvek::gui {

QString ProgramVersion() {
    return QStringLiteral(MARVEK_VERSION);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Marvek"));
    setModal(true);

    auto* knight = new QLabel(QString(QChar(0x265E)));
    QFont figurine(QStringLiteral("DejaVu Sans"));
    figurine.setPixelSize(64);
    knight->setFont(figurine);
    knight->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto addText = [this](const QString& text) {
        auto* label = new QLabel(text);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        itsTexts << label;
        return label;
    };
    QLabel* name = addText(QStringLiteral("Marvek"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
    nameFont.setBold(true);
    name->setFont(nameFont);
    addText(tr("Version %1").arg(ProgramVersion()));
    addText(tr("An opening-book manager for chess players: your repertoire as a tree of positions, "
               "with candidate moves, assessments and comments."));
    addText(tr("This program uses Qt version %1.").arg(QString::fromLatin1(qVersion())));
    addText(tr("The chess figurines are drawn with the DejaVu fonts. DejaVu fonts are based on the "
               "Bitstream Vera fonts, copyright Bitstream, Inc.; the DejaVu changes are in the public "
               "domain."));

    auto* texts = new QVBoxLayout;
    for (QLabel* label : itsTexts) texts->addWidget(label);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(knight);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    QDialogButtonBox* buttons = MakeOkRow(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedWidth(440);
}

void TAboutBox::Run() {
    ExecDialog();
}

QStringList TAboutBox::Texts() const {
    QStringList result;
    for (const QLabel* label : itsTexts) result << label->text();
    return result;
}

} // namespace marvek::gui
