// TPrePGNImportDialog: the ply limit, header comment, novelty colours and player filter of an
// import.
#include "pgn/PrePGNImportDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

#include "app/Settings.h"

namespace marvek::gui {

namespace {

constexpr int kFileLabelWidth = 360;
constexpr int kMaxPlayerName = 80;

} // namespace

TPrePGNImportDialog::TPrePGNImportDialog(const QString& fileName, QWidget* parent)
    : QDialog(parent), itsFileName(fileName) {
    setObjectName(fileName.isEmpty() ? "PrePGNClipboardImportDialog" : "PrePGNImportDialog");
    setWindowTitle("Import PGN");
    auto* layout = new QVBoxLayout(this);

    if (!fileName.isEmpty()) {
        layout->addWidget(new QLabel("Importing from...", this));
        auto* file = new QLabel(this);
        file->setObjectName("FileLabel");
        file->setToolTip(fileName);
        file->setText(file->fontMetrics().elidedText(fileName, Qt::ElideMiddle, kFileLabelWidth));
        file->setMinimumWidth(kFileLabelWidth);
        layout->addWidget(file);
    }

    auto* plies = new QHBoxLayout;
    itsPlies = new QSpinBox(this);
    itsPlies->setObjectName("PliesBox");
    itsPlies->setRange(0, std::numeric_limits<int32_t>::max());
    plies->addWidget(new QLabel("Number of plies to import", this));
    plies->addWidget(itsPlies);
    plies->addStretch();
    layout->addLayout(plies);

    itsHeader = new QCheckBox("Put the game header in the last position's comment", this);
    itsHeader->setObjectName("HeaderBox");
    layout->addWidget(itsHeader);

    auto* novelties = new QGroupBox("Highlight Novelties", this);
    auto* colours = new QHBoxLayout(novelties);
    const char* const captions[] = {"Green", "Yellow", "Red"};
    for (int i = 0; i < 3; ++i) {
        itsColours[i] = new QCheckBox(captions[i], novelties);
        itsColours[i]->setObjectName(QString(captions[i]) + "Box");
        colours->addWidget(itsColours[i]);
    }
    colours->addStretch();
    layout->addWidget(novelties);

    if (!fileName.isEmpty()) {
        // Whose games: all, or one player's with White or with Black.
        itsPlayerBox = new QGroupBox("Import Only Games By This Player Name", this);
        auto* player = new QVBoxLayout(itsPlayerBox);
        itsPlayer = new QLineEdit(itsPlayerBox);
        itsPlayer->setObjectName("PlayerEdit");
        itsPlayer->setMaxLength(kMaxPlayerName);
        player->addWidget(itsPlayer);
        itsFilter = new QButtonGroup(this);
        auto* radios = new QHBoxLayout;
        const char* const filters[] = {"All Games", "Only Games by White", "Only Games by Black"};
        for (int i = 0; i < 3; ++i) {
            auto* radio = new QRadioButton(filters[i], itsPlayerBox);
            itsFilter->addButton(radio, i);
            radios->addWidget(radio);
        }
        itsFilter->button(0)->setChecked(true);
        player->addLayout(radios);
        layout->addWidget(itsPlayerBox);
        connect(itsPlayer, &QLineEdit::textChanged, this, &TPrePGNImportDialog::EnableFilter);
        EnableFilter();
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TPrePGNImportDialog::EnableFilter() {
    // The choice of colour means something only once a name is given.
    const bool named = !itsPlayer->text().trimmed().isEmpty();
    for (QAbstractButton* radio : itsFilter->buttons()) radio->setEnabled(named);
}

void TPrePGNImportDialog::Load(const TSettings& settings) {
    itsPlies->setValue(settings.PgnImportPlies());
    itsHeader->setChecked(settings.PgnImportHeaderInComment());
    itsColours[0]->setChecked(settings.MarkNewCandidatesGreen());
    itsColours[1]->setChecked(settings.MarkNewCandidatesYellow());
    itsColours[2]->setChecked(settings.MarkNewCandidatesRed());
}

void TPrePGNImportDialog::Store(TSettings& settings) const {
    settings.SetPgnImportPlies(itsPlies->value());
    settings.SetPgnImportHeaderInComment(itsHeader->isChecked());
    settings.SetMarkNewCandidatesGreen(itsColours[0]->isChecked());
    settings.SetMarkNewCandidatesYellow(itsColours[1]->isChecked());
    settings.SetMarkNewCandidatesRed(itsColours[2]->isChecked());
}

TBookImportRequest TPrePGNImportDialog::Request() const {
    TBookImportRequest request = TBookImportRequest::FromSettings(itsFileName.toStdString());
    request.itsOptions.itsPlyLimit = itsPlies->value();
    request.itsOptions.itsHeaderInComment = itsHeader->isChecked();
    request.itsColours = {itsColours[0]->isChecked(), itsColours[1]->isChecked(), itsColours[2]->isChecked()};
    if (itsPlayer != nullptr) {
        const QString player = itsPlayer->text().trimmed();
        const int filter = itsFilter->checkedId();
        if (!player.isEmpty() && filter > 0) {
            request.itsPlayer = player.toStdString();
            request.itsFilter = TPlayerFilter(filter);
        }
    }
    return request;
}

} // namespace marvek::gui
