// TPreferencesDialog: the four pages of preferences, drawn over a TPreferencesEditor.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/PreferencesEditor.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace marvek::gui {

class TPreferencesDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 700;

    // Edits the program's settings record, or the one given.
    explicit TPreferencesDialog(QWidget* parent = nullptr);
    explicit TPreferencesDialog(TSettings& settings, QWidget* parent = nullptr);

    // Fills the controls from the record, shows the dialog and on OK takes them into the record.
    // True when OK was pressed; the caller then applies and saves the preferences.
    bool Execute();

    // The first step of Execute, for callers (and tests) that show the dialog themselves.
    void LoadControls();
    // OK: the controls go into the record (the user may be asked or told something), then the
    // dialog closes.
    void accept() override;

    const TPreferencesEditor& Editor() const { return itsEditor; }

signals:
    void HelpRequested(int context);

protected:
    // The standard dialogs, behind seams so that a test can answer without a modal window. Each
    // gives nothing when the user cancels.
    virtual std::optional<TFontDescription> ChooseFont(const TFontDescription& current, const QString& title);
    virtual std::optional<int32_t> ChooseColour(int32_t current, const QString& title);
    virtual std::optional<QString> ChooseFolder(const QString& current, const QString& title);

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildScreenPage();
    QWidget* BuildExportPage();
    QWidget* BuildAdvancedPage();

    // Each control is made with its name and caption and remembered with the value it shows.
    QLineEdit* AddLetter(QFormLayout* form, const char* name, int caption,
                         std::string TPreferenceValues::*value);
    QCheckBox* AddCheck(const char* name, int caption, bool TPreferenceValues::*value);
    QSpinBox* AddSpin(QFormLayout* form, const char* name, int caption, int TPreferenceValues::*value,
                      const char* field);
    QComboBox* AddCombo(QFormLayout* form, const char* name, int caption, int TPreferenceValues::*value,
                        const std::vector<int>& items);
    QLineEdit* AddFolder(QFormLayout* form, const char* name, int caption,
                         std::string TPreferenceValues::*value, int maxLength);

    void ShowValues();
    void TakeValues();
    void ShowFont(QLabel* sample, const TFontDescription& font);
    void ShowColour(QLabel* swatch, int32_t colour);

    void FontButtonClick(TFontDescription TPreferenceValues::*font, QLabel* sample, int caption);
    void SquareColourButtonClick(bool light);
    void BrowseButtonClick(QLineEdit* editor, int caption);

    TSettings& itsSettings;
    TPreferencesEditor itsEditor;

    std::vector<std::pair<QLineEdit*, std::string TPreferenceValues::*>> itsTexts;
    std::vector<std::pair<QCheckBox*, bool TPreferenceValues::*>> itsChecks;
    std::vector<std::pair<QSpinBox*, int TPreferenceValues::*>> itsSpins;
    std::vector<std::pair<QComboBox*, int TPreferenceValues::*>> itsCombos;
    QSlider* itsSlidingPieceSpeedTrackBar = nullptr;
    QLabel* itsCommentFontSample = nullptr;
    QLabel* itsCandidateFontSample = nullptr;
    QLabel* itsLightSquareSwatch = nullptr;
    QLabel* itsDarkSquareSwatch = nullptr;
    QTabWidget* itsPages = nullptr;
};

} // namespace marvek::gui
