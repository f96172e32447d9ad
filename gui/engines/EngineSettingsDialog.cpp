// The engine settings dialog: engine type, engine file, startup commands, thresholds, tablebase
// folder and nicknames.
#include "engines/EngineSettingsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "app/StringTable.h"
#include "engines/EngineSession.h"
#include "engines/EngineWindow.h"

namespace marvek::gui {

namespace {

QString Text(int number) {
    return QString::fromStdString(LoadMessage(number));
}

QStringList MemoLines(const QPlainTextEdit* memo) {
    QStringList lines = memo->toPlainText().split('\n');
    // The memo's last line break starts no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

std::vector<std::string> ToStrings(const QStringList& lines) {
    std::vector<std::string> strings;
    for (const QString& line : lines) strings.push_back(line.toStdString());
    return strings;
}

} // namespace

TEngineSettingsDialog::TEngineSettingsDialog(TSettings& settings, const std::string& winboardNickname,
                                             const std::string& uciNickname, QWidget* parent)
    : QDialog(parent), itsSettings(settings), itsEditor(settings, winboardNickname, uciNickname) {
    setObjectName("EngineSettingsDialog");
    setWindowTitle(Text(560));
    auto* layout = new QVBoxLayout(this);

    // Engine type and file.
    auto* typeBox = new QGroupBox(Text(563), this);
    auto* typeLayout = new QGridLayout(typeBox);
    itsWinboard = new QRadioButton(Text(1729), typeBox);
    itsWinboard->setObjectName("WinboardButton");
    itsUci = new QRadioButton(Text(1739), typeBox);
    itsUci->setObjectName("UciButton");
    auto* group = new QButtonGroup(this);
    group->addButton(itsWinboard, kWinboardEngineType);
    group->addButton(itsUci, kUciEngineType);
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !itsFilling) TypeChosen(id);
    });
    typeLayout->addWidget(itsWinboard, 0, 0);
    typeLayout->addWidget(itsUci, 0, 1);
    typeLayout->setColumnStretch(2, 1);
    auto* fileCaption = new QLabel(Text(567), typeBox);
    itsPath = new QLabel(typeBox);
    itsPath->setObjectName("EnginePathLabel");
    itsPath->setTextFormat(Qt::PlainText);
    itsPath->setMinimumWidth(240);
    itsPath->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    itsSelectEngine = new QPushButton(Text(566), typeBox);
    itsSelectEngine->setObjectName("SelectEngineButton");
    connect(itsSelectEngine, &QPushButton::clicked, this, &TEngineSettingsDialog::SelectEngine);
    typeLayout->addWidget(fileCaption, 1, 0);
    typeLayout->addWidget(itsPath, 1, 1, 1, 2);
    typeLayout->addWidget(itsSelectEngine, 1, 3);
    layout->addWidget(typeBox);

    // Startup commands.
    auto* startupCaption = new QLabel(Text(561), this);
    itsStartupMemo = new QPlainTextEdit(this);
    itsStartupMemo->setObjectName("StartupMemo");
    itsStartupMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    itsStartupMemo->setFixedHeight(itsStartupMemo->fontMetrics().lineSpacing() * 5 + 12);
    itsSendStartup = new QCheckBox(Text(562), this);
    itsSendStartup->setObjectName("SendStartupBox");
    layout->addWidget(startupCaption);
    layout->addWidget(itsStartupMemo);
    layout->addWidget(itsSendStartup);

    // Thresholds beside the signs they decide between, and the tablebase folder.
    auto* middle = new QHBoxLayout;
    auto* thresholdBox = new QGroupBox(Text(1740), this);
    auto* thresholds = new QGridLayout(thresholdBox);
    const char* glyphs[3][2] = {{"i", "q"}, {"j", "p"}, {"k", "o"}};
    for (int i = 0; i < 3; ++i) {
        itsThresholds[i] = new QLineEdit(thresholdBox);
        itsThresholds[i]->setObjectName(QStringLiteral("ThresholdEdit%1").arg(i));
        itsThresholds[i]->setMaxLength(5);
        itsThresholds[i]->setFixedWidth(
            itsThresholds[i]->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
        auto* signs = new QLabel(
            RateSignText(glyphs[i][0]) + QStringLiteral("  ") + RateSignText(glyphs[i][1]), thresholdBox);
        thresholds->addWidget(signs, i, 0);
        thresholds->addWidget(itsThresholds[i], i, 1);
    }
    middle->addWidget(thresholdBox);

    auto* nicknameBox = new QGroupBox(Text(565), this);
    auto* nicknames = new QGridLayout(nicknameBox);
    itsWinboardNickname = new QLineEdit(nicknameBox);
    itsWinboardNickname->setObjectName("WinboardNicknameEdit");
    itsWinboardNickname->setMaxLength(40);
    itsUciNickname = new QLineEdit(nicknameBox);
    itsUciNickname->setObjectName("UciNicknameEdit");
    itsUciNickname->setMaxLength(40);
    nicknames->addWidget(new QLabel(Text(1729), nicknameBox), 0, 0);
    nicknames->addWidget(itsWinboardNickname, 0, 1);
    nicknames->addWidget(new QLabel(Text(1739), nicknameBox), 1, 0);
    nicknames->addWidget(itsUciNickname, 1, 1);
    nicknames->setRowStretch(2, 1);
    middle->addWidget(nicknameBox, 1);
    layout->addLayout(middle);

    auto* tablebaseRow = new QHBoxLayout;
    itsTablebase = new QLineEdit(this);
    itsTablebase->setObjectName("TablebaseEdit");
    itsTablebase->setMaxLength(200);
    tablebaseRow->addWidget(new QLabel(Text(564), this));
    tablebaseRow->addWidget(itsTablebase, 1);
    layout->addLayout(tablebaseRow);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(Text(1900), QDialogButtonBox::AcceptRole);
    ok->setObjectName("OkButton");
    ok->setDefault(true);
    buttons->addButton(Text(1901), QDialogButtonBox::RejectRole)->setObjectName("CancelButton");
    QPushButton* help = buttons->addButton(Text(1902), QDialogButtonBox::HelpRole);
    help->setObjectName("HelpButton");
    connect(ok, &QPushButton::clicked, this, [this] {
        AcceptFields();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, &TEngineSettingsDialog::HelpRequested);
    layout->addWidget(buttons);

    Fill();
}

void TEngineSettingsDialog::Fill() {
    itsFilling = true;
    (itsEditor.Type() == kUciEngineType ? itsUci : itsWinboard)->setChecked(true);
    itsFilling = false;
    ShowPath();
    itsStartupMemo->setPlainText(QString::fromStdString([&] {
        std::string text;
        for (const std::string& line : itsEditor.StartupLines()) text += line + "\n";
        return text;
    }()));
    itsSendStartup->setChecked(itsSettings.SendStartupCommands());
    itsThresholds[0]->setText(QString::number(itsSettings.WinningThreshold()));
    itsThresholds[1]->setText(QString::number(itsSettings.ClearAdvantageThreshold()));
    itsThresholds[2]->setText(QString::number(itsSettings.SlightAdvantageThreshold()));
    itsTablebase->setText(QString::fromStdString(itsSettings.TablebaseFolder()));
    itsWinboardNickname->setText(QString::fromStdString(itsEditor.WinboardNickname()));
    itsUciNickname->setText(QString::fromStdString(itsEditor.UciNickname()));
}

void TEngineSettingsDialog::ShowPath() {
    const QString path = QString::fromStdString(itsEditor.Path());
    // Shortened in the middle so both the folder's start and the file name stay in sight.
    itsPath->setText(
        itsPath->fontMetrics().elidedText(path, Qt::ElideMiddle, std::max(80, itsPath->width())));
    itsPath->setToolTip(path);
}

void TEngineSettingsDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ShowPath();
}

void TEngineSettingsDialog::TypeChosen(int type) {
    itsEditor.SwitchType(type, ToStrings(MemoLines(itsStartupMemo)));
    ShowPath();
    QString text;
    for (const std::string& line : itsEditor.StartupLines()) text += QString::fromStdString(line) + "\n";
    itsStartupMemo->setPlainText(text);
}

std::optional<std::string> TEngineSettingsDialog::ChooseEngineFile(const QString& startFolder) {
    QFileDialog dialog(this, Text(569), startFolder);
    dialog.setObjectName("SelectEngineDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Engines are programs: only executable files are offered (Qt's own dialog can filter so).
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    const QString filter = Text(568).section('|', 0, 0);
    dialog.setNameFilter(filter + QStringLiteral(" (*)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void TEngineSettingsDialog::SelectEngine() {
    const QString current = QString::fromStdString(itsEditor.Path());
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    if (const auto chosen = ChooseEngineFile(folder)) {
        itsEditor.ChooseFile(*chosen);
        ShowPath();
    }
}

void TEngineSettingsDialog::AcceptFields() {
    TEngineSettingsAnswer answer;
    answer.itsType = itsUci->isChecked() ? kUciEngineType : kWinboardEngineType;
    answer.itsStartupLines = ToStrings(MemoLines(itsStartupMemo));
    answer.itsSendStartupCommands = itsSendStartup->isChecked();
    answer.itsWinsThreshold = itsThresholds[0]->text().toStdString();
    answer.itsClearAdvantageThreshold = itsThresholds[1]->text().toStdString();
    answer.itsSlightAdvantageThreshold = itsThresholds[2]->text().toStdString();
    answer.itsTablebaseFolder = itsTablebase->text().toStdString();
    answer.itsWinboardNickname = itsWinboardNickname->text().toStdString();
    answer.itsUciNickname = itsUciNickname->text().toStdString();
    itsEditor.Accept(answer);
}

bool TEngineSettingsDialog::Execute() {
    return ExecDialog() == QDialog::Accepted;
}

} // namespace marvek::gui
