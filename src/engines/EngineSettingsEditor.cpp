// The engine settings dialog's rules over the preferences record.
#include "engines/EngineSettingsEditor.h"

#include <charconv>

#include "app/Settings.h"

namespace marvek {

TEngineSettingsEditor::TEngineSettingsEditor(TSettings& settings, std::string winboardNickname,
                                             std::string uciNickname)
    : itsSettings(settings), itsWinboardPath(settings.WinboardEnginePath()),
      itsUciPath(settings.UciEnginePath()), itsWinboardNickname(std::move(winboardNickname)),
      itsUciNickname(std::move(uciNickname)) {}

int TEngineSettingsEditor::Type() const {
    return itsSettings.EngineKind() == kUciEngineType ? kUciEngineType : kWinboardEngineType;
}

const std::string& TEngineSettingsEditor::Path() const {
    return Type() == kUciEngineType ? itsUciPath : itsWinboardPath;
}

std::vector<std::string> TEngineSettingsEditor::StartupLines() const {
    std::vector<std::string> lines;
    for (int line = 0; line < TSettings::kStartupCommandLines; ++line) {
        std::string text = Type() == kUciEngineType ? itsSettings.UciStartupCommand(line)
                                                    : itsSettings.WinboardStartupCommand(line);
        if (!text.empty()) lines.push_back(std::move(text));
    }
    return lines;
}

void TEngineSettingsEditor::StoreLines(int type, const std::vector<std::string>& memo) {
    for (int line = 0; line < TSettings::kStartupCommandLines; ++line) {
        // Each line is cut to its field; lines the memo does not have become empty.
        const std::string text = std::size_t(line) < memo.size()
                                     ? memo[std::size_t(line)].substr(0, TSettings::kStartupCommandLength)
                                     : std::string();
        if (type == kUciEngineType)
            itsSettings.SetUciStartupCommand(line, text);
        else
            itsSettings.SetWinboardStartupCommand(line, text);
    }
}

void TEngineSettingsEditor::SwitchType(int newType, const std::vector<std::string>& memo) {
    StoreLines(Type(), memo);
    itsSettings.SetEngineKind(newType == kUciEngineType ? kUciEngineType : kWinboardEngineType);
}

void TEngineSettingsEditor::ChooseFile(const std::string& path) {
    (Type() == kUciEngineType ? itsUciPath : itsWinboardPath) = path;
}

int TEngineSettingsEditor::ReadThreshold(const std::string& text, int defaultValue) {
    std::string digits;
    for (char c : text)
        if (c != ' ') digits += c;
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto [at, error] = std::from_chars(digits.data(), end, value);
    return digits.empty() || error != std::errc() || at != end ? defaultValue : value;
}

void TEngineSettingsEditor::Accept(const TEngineSettingsAnswer& answer) {
    itsSettings.SetEngineKind(answer.itsType == kUciEngineType ? kUciEngineType : kWinboardEngineType);
    StoreLines(Type(), answer.itsStartupLines);
    itsSettings.SetWinboardEnginePath(itsWinboardPath);
    itsSettings.SetUciEnginePath(itsUciPath);
    itsSettings.SetTablebaseFolder(answer.itsTablebaseFolder);
    itsSettings.SetSendStartupCommands(answer.itsSendStartupCommands);
    itsSettings.SetWinningThreshold(ReadThreshold(answer.itsWinsThreshold, 133));
    itsSettings.SetClearAdvantageThreshold(ReadThreshold(answer.itsClearAdvantageThreshold, 67));
    itsSettings.SetSlightAdvantageThreshold(ReadThreshold(answer.itsSlightAdvantageThreshold, 34));
    itsSettings.SetWinboardEngineName(answer.itsWinboardNickname);
    itsSettings.SetUciEngineName(answer.itsUciNickname);
    itsWinboardNickname = itsSettings.WinboardEngineName();
    itsUciNickname = itsSettings.UciEngineName();
}

} // namespace marvek
