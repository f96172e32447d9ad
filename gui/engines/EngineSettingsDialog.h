// TEngineSettingsDialog: which engine runs and how it is started; TEngineSettingsEditor holds the
// rules, this dialog draws and forwards.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "engines/EngineSettingsEditor.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace marvek {
class TSettings;
}

namespace marvek::gui {

class TEngineSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // The nicknames are those the engine windows show now.
    TEngineSettingsDialog(TSettings& settings, const std::string& winboardNickname,
                          const std::string& uciNickname, QWidget* parent = nullptr);

    // Runs the dialog; true for OK (the settings are then stored).
    bool Execute();
    // The nicknames after OK, for the engine windows.
    const TEngineSettingsEditor& Editor() const { return itsEditor; }

    QRadioButton* WinboardButton() const { return itsWinboard; }
    QRadioButton* UciButton() const { return itsUci; }
    QLabel* PathLabel() const { return itsPath; }
    QPushButton* SelectEngineButton() const { return itsSelectEngine; }
    QPlainTextEdit* StartupMemo() const { return itsStartupMemo; }
    QCheckBox* SendStartupBox() const { return itsSendStartup; }
    QLineEdit* ThresholdEdit(int index) const { return itsThresholds[index]; }
    QLineEdit* TablebaseEdit() const { return itsTablebase; }
    QLineEdit* WinboardNicknameEdit() const { return itsWinboardNickname; }
    QLineEdit* UciNicknameEdit() const { return itsUciNickname; }

    // OK as the button does it.
    void AcceptFields();
    // What "Select Engine..." does with a chosen file.
    void SelectEngine();

signals:
    void HelpRequested();

protected:
    // Seams for tests: the modal run, and the file dialog (the chosen file, or nothing).
    virtual int ExecDialog() { return exec(); }
    virtual std::optional<std::string> ChooseEngineFile(const QString& startFolder);
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fill();
    void TypeChosen(int type);
    void ShowPath();

    TSettings& itsSettings;
    TEngineSettingsEditor itsEditor;
    QRadioButton* itsWinboard = nullptr;
    QRadioButton* itsUci = nullptr;
    QLabel* itsPath = nullptr;
    QPushButton* itsSelectEngine = nullptr;
    QPlainTextEdit* itsStartupMemo = nullptr;
    QCheckBox* itsSendStartup = nullptr;
    QLineEdit* itsThresholds[3] = {};
    QLineEdit* itsTablebase = nullptr;
    QLineEdit* itsWinboardNickname = nullptr;
    QLineEdit* itsUciNickname = nullptr;
    bool itsFilling = false;
};

} // namespace marvek::gui
