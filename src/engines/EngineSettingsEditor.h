// TEngineSettingsEditor: what the engine settings dialog does with the preferences — the working
// paths, the engine type switch that keeps each type's startup lines, and OK.
#pragma once

#include <string>
#include <vector>

namespace marvek {

class TSettings;

// Engine type setting values.
inline constexpr int kWinboardEngineType = 0;
inline constexpr int kUciEngineType = 1;

// What the dialog's fields hold when OK is pressed.
struct TEngineSettingsAnswer {
    int itsType = kWinboardEngineType;
    std::vector<std::string> itsStartupLines; // the memo, one line each
    bool itsSendStartupCommands = true;
    std::string itsWinsThreshold; // as typed
    std::string itsClearAdvantageThreshold;
    std::string itsSlightAdvantageThreshold;
    std::string itsTablebaseFolder;
    std::string itsWinboardNickname;
    std::string itsUciNickname;
};

class TEngineSettingsEditor {
public:
    // Opening the dialog: the working paths are copies; the nicknames are the engine windows'.
    TEngineSettingsEditor(TSettings& settings, std::string winboardNickname, std::string uciNickname);

    int Type() const;
    // The engine file of the selected type (the working copy).
    const std::string& Path() const;
    // The non-empty startup lines of the selected type, for the memo.
    std::vector<std::string> StartupLines() const;
    const std::string& WinboardNickname() const { return itsWinboardNickname; }
    const std::string& UciNickname() const { return itsUciNickname; }

    // The type switch: the memo goes into the lines of the type being left, and the new type is
    // the setting at once; both stand even when the dialog is cancelled.
    void SwitchType(int newType, const std::vector<std::string>& memo);
    // A file chosen with "Select Engine...": the working path of the selected type.
    void ChooseFile(const std::string& path);
    // OK: everything into the settings. The nicknames are then the caller's to pass to the windows.
    void Accept(const TEngineSettingsAnswer& answer);

    // A threshold as typed: spaces removed; empty or unreadable gives the default.
    static int ReadThreshold(const std::string& text, int defaultValue);

private:
    void StoreLines(int type, const std::vector<std::string>& memo);

    TSettings& itsSettings;
    std::string itsWinboardPath;
    std::string itsUciPath;
    std::string itsWinboardNickname;
    std::string itsUciNickname;
};

} // namespace marvek
