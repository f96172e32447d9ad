// The set-up dialog: its controls, kept in step with the core's values.
#include "diagram/SetupPositionDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "diagram/PieceSelector.h"
#include "diagram/SetupDiagram.h"

namespace marvek::gui {

namespace {

// A colour of the settings record: red + 256 * green + 65536 * blue.
QColor FromColourValue(int32_t colour) {
    const uint32_t value = static_cast<uint32_t>(colour);
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

constexpr std::uint16_t kRightOfBox[4] = {kWhiteKingSide, kWhiteQueenSide, kBlackKingSide, kBlackQueenSide};

} // namespace

TSetupPositionDialog::TSetupPositionDialog(QWidget* parent)
    : TDialogWithHelp(parent, kHelpContext),
      itsSetup(std::make_unique<TSetupPosition>(nullptr, StartPosition())) {
    setWindowTitle(QStringLiteral("Setup Position"));

    itsDiagram = new TSetupDiagram;
    itsSelector = new TPieceSelector;
    connect(itsDiagram, &TSetupDiagram::Pressed, this, &TSetupPositionDialog::BoardPressed);
    connect(itsSelector, &TPieceSelector::Pressed, this, &TSetupPositionDialog::PalettePressed);

    auto* nameLabel = new QLabel(QStringLiteral("Position Name:"));
    itsName = new QLineEdit;
    itsName->setMaxLength(TSetupPosition::kMaxNameLength);
    nameLabel->setBuddy(itsName);
    connect(itsName, &QLineEdit::textChanged, this,
            [this](const QString& text) { itsSetup->SetName(text.toStdString()); });

    itsWhiteToMove = new QCheckBox(QStringLiteral("White To Move"));
    connect(itsWhiteToMove, &QCheckBox::toggled, this, [this](bool on) { itsSetup->SetWhiteToMove(on); });
    const char* const captions[4] = {"White can play O-O", "White can play O-O-O", "Black can play O-O",
                                     "Black can play O-O-O"};
    for (int k = 0; k < 4; ++k) {
        itsRights[k] = new QCheckBox(QString::fromLatin1(captions[k]));
        connect(itsRights[k], &QCheckBox::toggled, this,
                [this, k](bool on) { itsSetup->SetCastlingRight(kRightOfBox[k], on); });
    }

    auto* epLabel = new QLabel(QStringLiteral("ep"));
    itsEnPassant = new QLineEdit;
    itsEnPassant->setMaxLength(1);
    itsEnPassant->setToolTip(QStringLiteral("En Passant File Letter"));
    itsEnPassant->setFixedWidth(itsEnPassant->fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 12);
    epLabel->setBuddy(itsEnPassant);
    connect(itsEnPassant, &QLineEdit::textChanged, this,
            [this](const QString& text) { itsSetup->SetEnPassantLetter(text.toStdString()); });

    auto* clear = new QPushButton(QStringLiteral("Clear"));
    auto* start = new QPushButton(QStringLiteral("Start"));
    auto* current = new QPushButton(QStringLiteral("Current"));
    for (QPushButton* button : {clear, start, current}) button->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, [this] {
        itsSetup->Clear();
        ShowValues();
    });
    connect(start, &QPushButton::clicked, this, [this] {
        itsSetup->Start();
        ShowValues();
    });
    connect(current, &QPushButton::clicked, this, [this] {
        itsSetup->Current();
        ShowValues();
    });

    // The board with the palette under it on the left, the position's values on the right.
    auto* left = new QVBoxLayout;
    left->addWidget(itsDiagram);
    left->addSpacing(8);
    left->addWidget(itsSelector, 0, Qt::AlignLeft);

    auto* right = new QVBoxLayout;
    right->addWidget(nameLabel);
    right->addWidget(itsName);
    right->addSpacing(10);
    right->addWidget(itsWhiteToMove);
    for (QCheckBox* box : itsRights) right->addWidget(box);
    auto* epRow = new QHBoxLayout;
    epRow->addWidget(epLabel);
    epRow->addWidget(itsEnPassant);
    epRow->addStretch();
    right->addSpacing(6);
    right->addLayout(epRow);
    right->addStretch();
    for (QPushButton* button : {clear, start, current}) right->addWidget(button);

    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addSpacing(12);
    top->addLayout(right, 1);

    const TOkCancelHelp buttons = MakeButtons();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons.itsBox);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ShowValues();
}

TSetupPositionDialog::~TSetupPositionDialog() = default;

bool TSetupPositionDialog::Execute(TBook2* book, const TChessPosition& position) {
    itsSetup = std::make_unique<TSetupPosition>(book, position.GetPosition());
    itsDiagram->SetColours(FromColourValue(Settings().LightSquareColour()),
                           FromColourValue(Settings().DarkSquareColour()));
    ShowValues();
    itsName->setFocus();
    return ExecDialog() == QDialog::Accepted;
}

TChessPosition TSetupPositionDialog::Position() const {
    return TChessPosition(itsSetup->Result());
}

std::string TSetupPositionDialog::Name() const {
    return itsSetup->Name();
}

void TSetupPositionDialog::accept() {
    if (itsSetup->Accept()) QDialog::accept();
}

void TSetupPositionDialog::BoardPressed(int x, int y) {
    itsSetup->PressPoint(x, y);
    itsDiagram->SetPosition(itsSetup->Board());
}

void TSetupPositionDialog::PalettePressed(int x, int y) {
    itsSetup->PressPalette(x, y);
    itsSelector->SetSelectedPiece(itsSetup->SelectedPiece());
}

void TSetupPositionDialog::ShowValues() {
    // The controls would write the same values back; keep them quiet while they are filled.
    const TSetupPosition& setup = *itsSetup;
    const std::string name = setup.Name();
    const std::string ep = setup.EnPassantLetter();
    const bool whiteToMove = setup.WhiteToMove();
    bool rights[4];
    for (int k = 0; k < 4; ++k) rights[k] = setup.CastlingRight(kRightOfBox[k]);
    {
        const QSignalBlocker blockName(itsName), blockEp(itsEnPassant), blockSide(itsWhiteToMove);
        itsName->setText(QString::fromStdString(name));
        itsEnPassant->setText(QString::fromStdString(ep));
        itsWhiteToMove->setChecked(whiteToMove);
        for (int k = 0; k < 4; ++k) {
            const QSignalBlocker blockRight(itsRights[k]);
            itsRights[k]->setChecked(rights[k]);
        }
    }
    itsDiagram->SetPosition(setup.Board());
    itsSelector->SetSelectedPiece(setup.SelectedPiece());
}

} // namespace marvek::gui
