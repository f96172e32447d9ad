// TPreferencesDialog: builds the four pages and moves values between the controls and the editor.
#include "app/PreferencesDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/CommandGuard.h"
#include "app/PreferenceRules.h"
#include "app/StringTable.h"

namespace marvek::gui {

namespace {

using V = TPreferenceValues;

QString Caption(int number) {
    return QString::fromStdString(LoadMessage(number));
}

// "Comment Font..." names its button; the dialog it opens is titled without the dots.
QString DialogTitle(int caption) {
    QString title = Caption(caption);
    if (title.endsWith(QStringLiteral("..."))) title.chop(3);
    return title;
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QColor FromColourValue(int32_t colour) {
    uint32_t value = static_cast<uint32_t>(colour);
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int32_t ToColourValue(const QColor& colour) {
    return colour.red() + 256 * colour.green() + 65536 * colour.blue();
}

QGroupBox* Group(int caption, QLayout* layout) {
    auto* group = new QGroupBox(Caption(caption));
    group->setLayout(layout);
    return group;
}

QFormLayout* Form() {
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    return form;
}

QPushButton* Button(const char* name, int caption) {
    auto* button = new QPushButton(Caption(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

constexpr int kLetterWidth = 32;

// Caption numbers of the dialog.
enum : int {
    kCaptionPreferences = 700,
    kCaptionGeneral = 701,
    kCaptionScreen = 702,
    kCaptionExport = 703,
    kCaptionAdvanced = 704,
    kCaptionOK = 1900,
    kCaptionCancel = 1901,
    kCaptionHelp = 1902,
};

} // namespace

TPreferencesDialog::TPreferencesDialog(QWidget* parent) : TPreferencesDialog(Settings(), parent) {}

TPreferencesDialog::TPreferencesDialog(TSettings& settings, QWidget* parent)
    : QDialog(parent), itsSettings(settings) {
    setObjectName(QStringLiteral("PreferencesDialog"));
    setWindowTitle(Caption(kCaptionPreferences));

    itsPages = new QTabWidget;
    itsPages->setObjectName(QStringLiteral("PageControl"));
    itsPages->addTab(BuildGeneralPage(), Caption(kCaptionGeneral));
    itsPages->addTab(BuildScreenPage(), Caption(kCaptionScreen));
    itsPages->addTab(BuildExportPage(), Caption(kCaptionExport));
    itsPages->addTab(BuildAdvancedPage(), Caption(kCaptionAdvanced));

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = Button("OKButton", kCaptionOK);
    ok->setDefault(true);
    QPushButton* cancel = Button("CancelButton", kCaptionCancel);
    QPushButton* help = Button("HelpButton", kCaptionHelp);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    buttons->addButton(help, QDialogButtonBox::HelpRole);
    connect(ok, &QPushButton::clicked, this, &TPreferencesDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &TPreferencesDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { emit HelpRequested(kHelpContext); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(itsPages);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TPreferencesDialog::Execute() {
    LoadControls();
    return exec() == QDialog::Accepted;
}

void TPreferencesDialog::LoadControls() {
    itsEditor.Load(itsSettings);
    ShowValues();
}

void TPreferencesDialog::accept() {
    TakeValues();
    RunCommand([this] { itsEditor.Apply(itsSettings); });
    QDialog::accept();
}

// --- Pages

QWidget* TPreferencesDialog::BuildGeneralPage() {
    QFormLayout* letters = Form();
    AddLetter(letters, "KingLetterEditor", 706, &V::itsKingLetter);
    AddLetter(letters, "QueenLetterEditor", 707, &V::itsQueenLetter);
    AddLetter(letters, "RookLetterEditor", 708, &V::itsRookLetter);
    AddLetter(letters, "BishopLetterEditor", 709, &V::itsBishopLetter);
    AddLetter(letters, "KnightLetterEditor", 710, &V::itsKnightLetter);
    AddLetter(letters, "PromotionPieceEditor", 711, &V::itsPromotionLetter);

    QFormLayout* sides = Form();
    AddLetter(sides, "WhiteLetterEditor", 717, &V::itsWhiteLetter);
    AddLetter(sides, "BlackLetterEditor", 718, &V::itsBlackLetter);

    auto* left = new QVBoxLayout;
    left->addWidget(Group(705, letters));
    left->addWidget(Group(778, sides));
    left->addStretch();

    auto* backsolve = new QVBoxLayout;
    backsolve->addWidget(
        AddCheck("BacksolveNumericAssessmentsCheckBox", 720, &V::itsBacksolveNumericAssessments));
    backsolve->addWidget(AddCheck("BacksolveInformantRatesCheckBox", 721, &V::itsBacksolveInformantRates));
    backsolve->addWidget(AddCheck("BacksolveAccumulationsCheckBox", 722, &V::itsBacksolveAccumulations));
    backsolve->addWidget(
        AddCheck("BacksolveFavorUnclearOverEqualityCheckBox", 723, &V::itsBacksolveFavorUnclear));
    backsolve->addWidget(AddCheck("BacksolveAlwaysSolveCheckBox", 724, &V::itsBacksolveAlwaysSolve));

    QFormLayout* other = Form();
    other->addRow(AddCheck("DatabaseSafetyCheckBox", 725, &V::itsDatabaseSafety));
    other->addRow(AddCheck("AskForPromotionPieceCheckBox", 726, &V::itsAskForPromotionPiece));
    AddCombo(other, "SortCandidatesByComboBox", 727, &V::itsSortCandidatesBy, {728, 729, 730});
    AddSpin(other, "VariationStartsMoveSpinEdit", 732, &V::itsVariationStartsMove, "VariationStartsMove");

    auto* right = new QVBoxLayout;
    right->addWidget(Group(719, backsolve));
    right->addLayout(other);
    right->addStretch();

    // Position 0 slides fastest, each step is 100 ms slower, and the last one does not slide.
    itsSlidingPieceSpeedTrackBar = new QSlider(Qt::Horizontal);
    itsSlidingPieceSpeedTrackBar->setObjectName(QStringLiteral("SlidingPieceSpeedTrackBar"));
    itsSlidingPieceSpeedTrackBar->setRange(0, kSlidingLastPosition);
    itsSlidingPieceSpeedTrackBar->setPageStep(1);
    itsSlidingPieceSpeedTrackBar->setTickPosition(QSlider::TicksBelow);
    itsSlidingPieceSpeedTrackBar->setTickInterval(1);
    auto* marks = new QHBoxLayout;
    marks->addWidget(new QLabel(Caption(771)));
    marks->addStretch(12);
    marks->addWidget(new QLabel(Caption(770)));
    marks->addStretch(1);
    marks->addWidget(new QLabel(Caption(772)));
    auto* sliding = new QVBoxLayout;
    sliding->addWidget(itsSlidingPieceSpeedTrackBar);
    sliding->addLayout(marks);

    auto* grid = new QGridLayout;
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    grid->addWidget(Group(731, sliding), 1, 0, 1, 2);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("GeneralPage"));
    page->setLayout(grid);
    return page;
}

QWidget* TPreferencesDialog::BuildScreenPage() {
    auto* fonts = new QGridLayout;
    struct TFontRow {
        const char* itsName;
        int itsCaption;
        TFontDescription V::*itsFont;
        QLabel** itsSample;
    };
    const TFontRow fontRows[] = {
        {"CommentFontButton", 733, &V::itsCommentFont, &itsCommentFontSample},
        {"CandidateFontButton", 734, &V::itsCandidateFont, &itsCandidateFontSample},
    };
    int row = 0;
    for (const TFontRow& r : fontRows) {
        QPushButton* button = Button(r.itsName, r.itsCaption);
        auto* sample = new QLabel;
        sample->setObjectName(
            QString::fromLatin1(r.itsName).replace(QStringLiteral("Button"), QStringLiteral("Sample")));
        *r.itsSample = sample;
        fonts->addWidget(button, row, 0);
        fonts->addWidget(sample, row, 1);
        connect(button, &QPushButton::clicked, this,
                [this, r] { FontButtonClick(r.itsFont, *r.itsSample, r.itsCaption); });
        ++row;
    }
    fonts->setColumnStretch(1, 1);

    auto* colours = new QGridLayout;
    row = 0;
    for (bool light : {true, false}) {
        QPushButton* button = Button(light ? "LightSquaresButton" : "DarkSquaresButton", light ? 735 : 736);
        auto* swatch = new QLabel;
        swatch->setObjectName(light ? QStringLiteral("LightSquaresSwatch")
                                    : QStringLiteral("DarkSquaresSwatch"));
        swatch->setFixedSize(48, 24);
        swatch->setFrameShape(QFrame::Box);
        swatch->setAutoFillBackground(true);
        (light ? itsLightSquareSwatch : itsDarkSquareSwatch) = swatch;
        colours->addWidget(button, row, 0);
        colours->addWidget(swatch, row, 1);
        connect(button, &QPushButton::clicked, this, [this, light] { SquareColourButtonClick(light); });
        ++row;
    }
    colours->setColumnStretch(2, 1);

    // The two heights are offered but not kept: the window remembers its own panes.
    QFormLayout* heights = Form();
    for (auto [name, caption] :
         {std::pair{"CommentAreaHeightSpinEdit", 743}, {"CandidateAreaHeightSpinEdit", 744}}) {
        auto* spin = new QSpinBox;
        spin->setObjectName(QString::fromLatin1(name));
        spin->setRange(50, 999);
        heights->addRow(Caption(caption), spin);
    }

    auto* left = new QVBoxLayout;
    left->addWidget(Group(780, fonts));
    left->addWidget(Group(781, colours));
    left->addLayout(heights);
    left->addStretch();

    QFormLayout* numbers = Form();
    AddSpin(numbers, "KingFigurineNumberSpinEdit", 706, &V::itsKingFigurine, "KingFigurine");
    AddSpin(numbers, "QueenFigurineNumberSpinEdit", 707, &V::itsQueenFigurine, "QueenFigurine");
    AddSpin(numbers, "RookFigurineNumberSpinEdit", 708, &V::itsRookFigurine, "RookFigurine");
    AddSpin(numbers, "BishopFigurineNumberSpinEdit", 709, &V::itsBishopFigurine, "BishopFigurine");
    AddSpin(numbers, "KnightFigurineNumberSpinEdit", 710, &V::itsKnightFigurine, "KnightFigurine");
    auto* figurines = new QVBoxLayout;
    figurines->addWidget(AddCheck("UseFigurinesCheckBox", 740, &V::itsUseFigurines));
    auto* numbersCaption = new QLabel(Caption(737));
    figurines->addWidget(numbersCaption);
    figurines->addLayout(numbers);

    auto* right = new QVBoxLayout;
    right->addWidget(Group(779, figurines));
    right->addWidget(AddCheck("IndicateCapturesCheckBox", 738, &V::itsIndicateCaptures));
    right->addWidget(AddCheck("IndicateChecksCheckBox", 739, &V::itsIndicateChecks));
    right->addWidget(AddCheck("ShowAlgebraicHintsCheckBox", 741, &V::itsShowAlgebraicHints));
    right->addWidget(AddCheck("ShowFloatingHintsCheckBox", 742, &V::itsShowFloatingHints));
    right->addStretch();

    auto* layout = new QHBoxLayout;
    layout->addLayout(left, 1);
    layout->addLayout(right);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ScreenPage"));
    page->setLayout(layout);
    return page;
}

QWidget* TPreferencesDialog::BuildExportPage() {
    QFormLayout* kinds = Form();
    AddCombo(kinds, "ExportCommentsComboBox", 745, &V::itsExportComments, {746, 747, 748});
    AddCombo(kinds, "ExportMovesComboBox", 749, &V::itsExportMoves, {750, 751});
    AddCombo(kinds, "ExportMoveNumbersComboBox", 752, &V::itsExportMoveNumbers, {753, 754, 755});
    AddCombo(kinds, "DiagramFontComboBox", 764, &V::itsDiagramFont,
             {712, 713, 714, 715, 716, 773, 774, 775, 776, 777});
    kinds->addRow(AddCheck("ExportStartWithWhiteMoveCheckBox", 756, &V::itsExportStartWithWhiteMove));
    kinds->addRow(AddCheck("FramesAroundDiagramsCheckBox", 757, &V::itsFramesAroundDiagrams));

    QFormLayout* numbers = Form();
    AddSpin(numbers, "StartExportAtMoveNumberSpinEdit", 758, &V::itsStartExportAtMove, "TextExportStartMove");
    AddSpin(numbers, "StopExportAtMoveNumberSpinEdit", 759, &V::itsStopExportAtMove, "TextExportStopMove");
    AddSpin(numbers, "TabsLeftOfMovesSpinEdit", 760, &V::itsTabsLeftOfMoves, "TabsLeftOfMoves");
    AddSpin(numbers, "ReturnsAfterMovesSpinEdit", 761, &V::itsReturnsAfterMoves, "ReturnsAfterMoves");
    AddSpin(numbers, "TabsLeftOfDiagramSpinEdit", 762, &V::itsTabsLeftOfDiagram, "TabsLeftOfDiagram");
    AddSpin(numbers, "ReturnsAfterDiagramSpinEdit", 763, &V::itsReturnsAfterDiagram, "ReturnsAfterDiagram");

    auto* text = new QHBoxLayout;
    text->addLayout(kinds);
    text->addSpacing(16);
    text->addLayout(numbers);
    auto* layout = new QVBoxLayout;
    layout->addWidget(Group(782, text));
    layout->addStretch();
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ExportPage"));
    page->setLayout(layout);
    return page;
}

QWidget* TPreferencesDialog::BuildAdvancedPage() {
    auto* folders = new QFormLayout;
    folders->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    AddFolder(folders, "BookPathEditor", 765, &V::itsBookPath, 70);
    AddFolder(folders, "Analyst1PathEditor", 766, &V::itsAnalyst1Path, 200);
    AddFolder(folders, "Analyst2PathEditor", 767, &V::itsAnalyst2Path, 200);

    auto* layout = new QVBoxLayout;
    layout->addWidget(Group(783, folders));
    layout->addWidget(AddCheck("FactorySettings", 768, &V::itsFactorySettings));
    layout->addStretch();
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("AdvancedPage"));
    page->setLayout(layout);
    return page;
}

// --- Making controls

QLineEdit* TPreferencesDialog::AddLetter(QFormLayout* form, const char* name, int caption,
                                         std::string TPreferenceValues::*value) {
    // One printable character; an empty box is refused on OK with its message.
    auto* editor = new QLineEdit;
    editor->setObjectName(QString::fromLatin1(name));
    editor->setMaxLength(1);
    editor->setFixedWidth(kLetterWidth);
    editor->setAlignment(Qt::AlignCenter);
    editor->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[!-~]")), editor));
    form->addRow(Caption(caption), editor);
    itsTexts.emplace_back(editor, value);
    return editor;
}

QCheckBox* TPreferencesDialog::AddCheck(const char* name, int caption, bool TPreferenceValues::*value) {
    auto* box = new QCheckBox(Caption(caption));
    box->setObjectName(QString::fromLatin1(name));
    itsChecks.emplace_back(box, value);
    return box;
}

QSpinBox* TPreferencesDialog::AddSpin(QFormLayout* form, const char* name, int caption,
                                      int TPreferenceValues::*value, const char* field) {
    auto* spin = new QSpinBox;
    spin->setObjectName(QString::fromLatin1(name));
    if (const TSettingField* found = FindSettingField(field))
        spin->setRange(static_cast<int>(found->itsLow), static_cast<int>(found->itsHigh));
    form->addRow(Caption(caption), spin);
    itsSpins.emplace_back(spin, value);
    return spin;
}

QComboBox* TPreferencesDialog::AddCombo(QFormLayout* form, const char* name, int caption,
                                        int TPreferenceValues::*value, const std::vector<int>& items) {
    auto* combo = new QComboBox;
    combo->setObjectName(QString::fromLatin1(name));
    for (int item : items) combo->addItem(Caption(item));
    form->addRow(Caption(caption), combo);
    itsCombos.emplace_back(combo, value);
    return combo;
}

QLineEdit* TPreferencesDialog::AddFolder(QFormLayout* form, const char* name, int caption,
                                         std::string TPreferenceValues::*value, int maxLength) {
    auto* editor = new QLineEdit;
    editor->setObjectName(QString::fromLatin1(name));
    editor->setMaxLength(maxLength);
    editor->setMinimumWidth(320);
    QString browseName =
        QString::fromLatin1(name).replace(QStringLiteral("Editor"), QStringLiteral("BrowseButton"));
    QPushButton* browse = Button(browseName.toLatin1().constData(), 784);
    connect(browse, &QPushButton::clicked, this,
            [this, editor, caption] { BrowseButtonClick(editor, caption); });
    auto* row = new QHBoxLayout;
    row->addWidget(editor, 1);
    row->addWidget(browse);
    form->addRow(Caption(caption), row);
    itsTexts.emplace_back(editor, value);
    return editor;
}

// --- Values both ways

void TPreferencesDialog::ShowValues() {
    const TPreferenceValues& values = itsEditor.Values();
    for (auto [editor, value] : itsTexts) editor->setText(FromStd(values.*value));
    for (auto [box, value] : itsChecks) box->setChecked(values.*value);
    for (auto [spin, value] : itsSpins) spin->setValue(values.*value);
    for (auto [combo, value] : itsCombos) combo->setCurrentIndex(values.*value);
    itsSlidingPieceSpeedTrackBar->setValue(values.itsSlidingPosition);
    ShowFont(itsCommentFontSample, values.itsCommentFont);
    ShowFont(itsCandidateFontSample, values.itsCandidateFont);
    ShowColour(itsLightSquareSwatch, values.itsLightSquareColour);
    ShowColour(itsDarkSquareSwatch, values.itsDarkSquareColour);
}

void TPreferencesDialog::TakeValues() {
    TPreferenceValues& values = itsEditor.Values();
    for (auto [editor, value] : itsTexts) values.*value = editor->text().toStdString();
    for (auto [box, value] : itsChecks) values.*value = box->isChecked();
    for (auto [spin, value] : itsSpins) values.*value = spin->value();
    for (auto [combo, value] : itsCombos) values.*value = std::max(0, combo->currentIndex());
    values.itsSlidingPosition = itsSlidingPieceSpeedTrackBar->value();
    // Fonts and square colours are already in the editor: they change only through their buttons.
}

void TPreferencesDialog::ShowFont(QLabel* sample, const TFontDescription& font) {
    QFont shown = sample->font();
    shown.setFamily(FromStd(font.itsName));
    shown.setBold(font.itsStyle & kFontBold);
    shown.setItalic(font.itsStyle & kFontItalic);
    shown.setUnderline(font.itsStyle & kFontUnderline);
    shown.setStrikeOut(font.itsStyle & kFontStrikeOut);
    sample->setFont(shown);
    sample->setText(QStringLiteral("%1, %2").arg(FromStd(font.itsName)).arg(font.itsSize));
    QPalette palette = sample->palette();
    palette.setColor(QPalette::WindowText, FromColourValue(font.itsColour));
    sample->setPalette(palette);
}

void TPreferencesDialog::ShowColour(QLabel* swatch, int32_t colour) {
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, FromColourValue(colour));
    swatch->setPalette(palette);
}

// --- Buttons

void TPreferencesDialog::FontButtonClick(TFontDescription TPreferenceValues::*font, QLabel* sample,
                                         int caption) {
    TFontDescription& current = itsEditor.Values().*font;
    if (std::optional<TFontDescription> chosen = ChooseFont(current, DialogTitle(caption))) {
        current = *chosen;
        ShowFont(sample, current);
    }
}

void TPreferencesDialog::SquareColourButtonClick(bool light) {
    const TPreferenceValues& values = itsEditor.Values();
    int32_t current = light ? values.itsLightSquareColour : values.itsDarkSquareColour;
    std::optional<int32_t> chosen = ChooseColour(current, DialogTitle(light ? 735 : 736));
    if (!chosen) return;
    if (light) {
        itsEditor.ChooseLightSquareColour(itsSettings, *chosen);
        ShowColour(itsLightSquareSwatch, *chosen);
    } else {
        itsEditor.ChooseDarkSquareColour(itsSettings, *chosen);
        ShowColour(itsDarkSquareSwatch, *chosen);
    }
}

void TPreferencesDialog::BrowseButtonClick(QLineEdit* editor, int caption) {
    if (std::optional<QString> folder = ChooseFolder(editor->text(), Caption(caption))) {
        QString path = *folder;
        if (!path.isEmpty() && !path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
        editor->setText(path);
    }
}

// --- The standard dialogs

std::optional<TFontDescription> TPreferencesDialog::ChooseFont(const TFontDescription& current,
                                                               const QString& title) {
    QFont initial(FromStd(current.itsName), current.itsSize);
    initial.setBold(current.itsStyle & kFontBold);
    initial.setItalic(current.itsStyle & kFontItalic);
    initial.setUnderline(current.itsStyle & kFontUnderline);
    initial.setStrikeOut(current.itsStyle & kFontStrikeOut);
    bool ok = false;
    QFont font = QFontDialog::getFont(&ok, initial, this, title);
    if (!ok) return std::nullopt;
    TFontDescription chosen = current; // the colour stays: the font dialog has none
    chosen.itsName = font.family().toStdString();
    if (font.pointSize() > 0) chosen.itsSize = font.pointSize();
    chosen.itsStyle = (font.bold() ? kFontBold : 0) | (font.italic() ? kFontItalic : 0) |
                      (font.underline() ? kFontUnderline : 0) | (font.strikeOut() ? kFontStrikeOut : 0);
    return chosen;
}

std::optional<int32_t> TPreferencesDialog::ChooseColour(int32_t current, const QString& title) {
    QColor colour = QColorDialog::getColor(FromColourValue(current), this, title);
    if (!colour.isValid()) return std::nullopt;
    return ToColourValue(colour);
}

std::optional<QString> TPreferencesDialog::ChooseFolder(const QString& current, const QString& title) {
    QString folder = QFileDialog::getExistingDirectory(this, title, current);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

} // namespace marvek::gui
