// TPrePGNExportDialog: the export file, append or erase, comments, the tags, and Copy and Paste.
#include "pgn/PrePGNExportDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/Settings.h"

namespace marvek::gui {

namespace {

constexpr int kFileLabelWidth = 380;

// The result box's items, "1-0", "0-1", "Draw", "Unknown", against the result codes 1, 2, 3, 0.
int ResultIndex(int code) {
    return (code + 3) % 4;
}
int ResultCode(int index) {
    return (index + 1) % 4;
}

// The chosen name, with the extension a PGN export file carries.
QString WithPgnExtension(const QString& name) {
    if (name.endsWith(".pgn", Qt::CaseInsensitive)) return name;
    QFileInfo info(name);
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? name : name.left(name.size() - suffix.size() - 1);
    return stem + ".PGN";
}

QLineEdit* TagField(const char* name, int length, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString(name) + "Edit");
    field->setMaxLength(length);
    return field;
}

} // namespace

TPrePGNExportDialog::TPrePGNExportDialog(TKind kind, const QString& comment, QWidget* parent)
    : QDialog(parent) {
    setObjectName("PrePGNExportDialog");
    setWindowTitle("Export PGN");
    auto* layout = new QVBoxLayout(this);

    auto* target = new QHBoxLayout;
    target->addWidget(new QLabel("Export To:", this));
    itsFileLabel = new QLabel(this);
    itsFileLabel->setObjectName("FileLabel");
    itsFileLabel->setMinimumWidth(kFileLabelWidth);
    target->addWidget(itsFileLabel, 1);
    auto* choose = new QPushButton("PGN File...", this);
    choose->setObjectName("PgnFileButton");
    target->addWidget(choose);
    layout->addLayout(target);
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString chosen = ChooseFile(itsFileName);
        if (!chosen.isEmpty()) SetFileName(WithPgnExtension(chosen));
    });

    auto* options = new QHBoxLayout;
    itsAppend = new QRadioButton("Append", this);
    itsErase = new QRadioButton("Erase", this);
    itsErase->setObjectName("EraseButton");
    options->addWidget(itsAppend);
    options->addWidget(itsErase);
    options->addSpacing(24);
    itsComments = new QCheckBox("Export Comments", this);
    itsComments->setObjectName("CommentsBox");
    options->addWidget(itsComments);
    itsComments->setVisible(kind == kLine);
    options->addStretch();
    layout->addLayout(options);

    auto* middle = new QHBoxLayout;
    auto* tags = new QFormLayout;
    itsEvent = TagField("Event", kMaxTag, this);
    itsSite = TagField("Site", kMaxTag, this);
    itsDate = TagField("Date", 10, this);
    itsDate->setPlaceholderText("MM/DD/YYYY");
    itsRound = TagField("Round", 2, this);
    itsRound->setMaximumWidth(itsRound->fontMetrics().horizontalAdvance("000") + 16);
    itsWhite = TagField("White", kMaxTag, this);
    itsBlack = TagField("Black", kMaxTag, this);
    itsResult = new QComboBox(this);
    itsResult->setObjectName("ResultBox");
    itsResult->addItems({"1-0", "0-1", "Draw", "Unknown"});
    itsEco = TagField("ECO", 9, this);
    tags->addRow("Event", itsEvent);
    tags->addRow("Site", itsSite);
    tags->addRow("Date", itsDate);
    tags->addRow("Round", itsRound);
    tags->addRow("White", itsWhite);
    tags->addRow("Black", itsBlack);
    tags->addRow("Result", itsResult);
    tags->addRow("ECO", itsEco);
    middle->addLayout(tags, 3);

    // The position's comment, to copy a name or an event from; Copy and Paste act on the focused
    // field, so clicking them must leave the focus where it is.
    auto* right = new QVBoxLayout;
    itsComment = new QPlainTextEdit(comment, this);
    itsComment->setObjectName("CommentView");
    itsComment->setReadOnly(true);
    itsComment->setMinimumWidth(200);
    right->addWidget(itsComment, 1);
    auto* edit = new QHBoxLayout;
    auto* copy = new QPushButton("Copy", this);
    auto* paste = new QPushButton("Paste", this);
    for (QPushButton* button : {copy, paste}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        edit->addWidget(button);
    }
    edit->addStretch();
    right->addLayout(edit);
    middle->addLayout(right, 2);
    layout->addLayout(middle);
    connect(copy, &QPushButton::clicked, this, &TPrePGNExportDialog::CopyField);
    connect(paste, &QPushButton::clicked, this, &TPrePGNExportDialog::PasteField);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    itsEvent->setFocus();
}

QLineEdit* TPrePGNExportDialog::Field(const QString& tag) const {
    return findChild<QLineEdit*>(tag + "Edit");
}

void TPrePGNExportDialog::SetFileName(const QString& fileName) {
    itsFileName = fileName;
    itsFileLabel->setToolTip(fileName);
    itsFileLabel->setText(itsFileLabel->fontMetrics().elidedText(fileName, Qt::ElideMiddle, kFileLabelWidth));
}

QString TPrePGNExportDialog::ChooseFile(const QString& current) {
    return QFileDialog::getSaveFileName(this, "PGN File", QFileInfo(current).absolutePath(),
                                        "PGN Files (*.pgn *.PGN)");
}

void TPrePGNExportDialog::Load(const TSettings& settings) {
    auto text = [](const std::string& value) { return QString::fromStdString(value); };
    SetFileName(text(settings.PgnExportFile()));
    (settings.PgnExportErase() ? itsErase : itsAppend)->setChecked(true);
    itsComments->setChecked(settings.PgnExportComments());
    itsEvent->setText(text(settings.PgnExportEvent()));
    itsSite->setText(text(settings.PgnExportSite()));
    itsDate->setText(text(settings.PgnExportDate()));
    itsRound->setText(text(settings.PgnExportRound()));
    itsWhite->setText(text(settings.PgnExportWhite()));
    itsBlack->setText(text(settings.PgnExportBlack()));
    itsResult->setCurrentIndex(ResultIndex(settings.PgnExportResult()));
    itsEco->setText(text(settings.PgnExportEco()));
}

void TPrePGNExportDialog::Store(TSettings& settings) const {
    auto text = [](const QLineEdit* field) { return field->text().toStdString(); };
    settings.SetPgnExportFile(itsFileName.toStdString());
    settings.SetPgnExportErase(itsErase->isChecked());
    settings.SetPgnExportComments(itsComments->isChecked());
    settings.SetPgnExportEvent(text(itsEvent));
    settings.SetPgnExportSite(text(itsSite));
    settings.SetPgnExportDate(text(itsDate));
    settings.SetPgnExportRound(text(itsRound));
    settings.SetPgnExportWhite(text(itsWhite));
    settings.SetPgnExportBlack(text(itsBlack));
    settings.SetPgnExportResult(ResultCode(itsResult->currentIndex()));
    settings.SetPgnExportEco(text(itsEco));
}

QLineEdit* TPrePGNExportDialog::FocusedField() const {
    return qobject_cast<QLineEdit*>(focusWidget());
}

void TPrePGNExportDialog::CopyField() {
    if (QLineEdit* field = FocusedField()) {
        // The whole value when nothing is selected: what the user means by copying a field.
        const QString text = field->hasSelectedText() ? field->selectedText() : field->text();
        QApplication::clipboard()->setText(text);
    } else if (focusWidget() == itsComment) {
        const QString selected = itsComment->textCursor().selectedText();
        QApplication::clipboard()->setText(selected.isEmpty() ? itsComment->toPlainText() : selected);
    }
}

void TPrePGNExportDialog::PasteField() {
    if (QLineEdit* field = FocusedField()) field->paste();
}

} // namespace marvek::gui
