// TFENNamingInstructionsDialog: the naming style of positions set up by FEN, with its preview.
#include "pgn/FENNamingInstructionsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace marvek::gui {

namespace {

QLabel* ValueLabel(const std::string& text, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TFENNamingInstructionsDialog::TFENNamingInstructionsDialog(const TPGNHeader& firstFenGame,
                                                           const TPGNImportOptions& options, QWidget* parent)
    : QDialog(parent), itsHeader(firstFenGame), itsOptions(options) {
    setObjectName("FENNamingInstructionsDialog");
    setWindowTitle("Name Imported Positions");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("This file contains endgames and/or tactical puzzles.", this));
    layout->addWidget(new QLabel("The starting positions should be named.", this));

    auto* game = new QFormLayout;
    game->addRow("White:", ValueLabel(firstFenGame.itsWhite, this));
    game->addRow("Black:", ValueLabel(firstFenGame.itsBlack, this));
    game->addRow("FEN:", ValueLabel(firstFenGame.itsFEN, this));
    layout->addLayout(game);

    auto* styles = new QGroupBox(this);
    auto* column = new QVBoxLayout(styles);
    itsStyle = new QButtonGroup(this);
    const char* const captions[] = {"Do Not Name Them",          "Create Sequential Names",
                                    "Use White Player Names",    "Use Black Player Names",
                                    "Use White and Black Names", "Use FEN Notation"};
    for (int i = 0; i < 6; ++i) {
        auto* radio = new QRadioButton(captions[i], styles);
        itsStyle->addButton(radio, i);
        column->addWidget(radio);
    }
    layout->addWidget(styles);

    auto* sequence = new QFormLayout;
    itsPrefix = new QLineEdit(QString::fromStdString(options.itsSequentialName.substr(0, kMaxPrefix)), this);
    itsPrefix->setObjectName("PrefixEdit");
    itsPrefix->setMaxLength(kMaxPrefix);
    itsNumber = new QSpinBox(this);
    itsNumber->setObjectName("NumberBox");
    itsNumber->setRange(0, kMaxNumber);
    itsNumber->setValue(options.itsSequentialNumber);
    sequence->addRow("Sequential Position Name", itsPrefix);
    sequence->addRow("Start With Number", itsNumber);
    layout->addLayout(sequence);

    itsKeepNames = new QCheckBox("Do Not Overwrite Existing Names", this);
    itsKeepNames->setChecked(options.itsDoNotOverwriteNames);
    layout->addWidget(itsKeepNames);

    itsPreview = new QLabel(this);
    itsPreview->setObjectName("PreviewLabel");
    itsPreview->setFrameShape(QFrame::StyledPanel);
    itsPreview->setMinimumWidth(320);
    layout->addWidget(itsPreview);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    itsStyle->button(int(options.itsNamingStyle))->setChecked(true);
    connect(itsStyle, &QButtonGroup::idClicked, this, &TFENNamingInstructionsDialog::ChoiceChanged);
    connect(itsPrefix, &QLineEdit::textChanged, this, &TFENNamingInstructionsDialog::ChoiceChanged);
    connect(itsNumber, &QSpinBox::valueChanged, this, &TFENNamingInstructionsDialog::ChoiceChanged);
    ChoiceChanged();
}

void TFENNamingInstructionsDialog::Store(TPGNImportOptions& options) const {
    options.itsNamingStyle = TNamingStyle(itsStyle->checkedId());
    options.itsSequentialName = itsPrefix->text().toStdString();
    options.itsSequentialNumber = itsNumber->value();
    options.itsDoNotOverwriteNames = itsKeepNames->isChecked();
}

QString TFENNamingInstructionsDialog::Preview() const {
    return itsPreview->text();
}

void TFENNamingInstructionsDialog::ChoiceChanged() {
    const bool sequential = itsStyle->checkedId() == int(TNamingStyle::kSequential);
    itsPrefix->setEnabled(sequential);
    itsNumber->setEnabled(sequential);
    TPGNImportOptions options = itsOptions;
    Store(options);
    itsPreview->setText(
        QString::fromStdString(TPGNImporter::PositionName(options, itsHeader, options.itsSequentialNumber)));
}

} // namespace marvek::gui
