#include "PrefsCommands.h"

#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "app/PreferenceRules.h"
#include "app/Settings.h"
#include "app/UserInterface.h"
#include "platform/Errors.h"
#include "platform/SettingsStore.h"

namespace marvek::cli {

namespace {

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A relative path typed on the command line means one below the current folder.
std::string AbsoluteIfPath(const TSettingField* field, const std::string& value) {
    if (field == nullptr || field->itsKind != TSettingKind::kText || value.empty() || value.front() == '/')
        return value;
    const std::string& name = field->itsName;
    if (!EndsWith(name, "Folder") && !EndsWith(name, "Path") && !EndsWith(name, "File")) return value;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(value, error);
    if (error) return value;
    return absolute.lexically_normal().string();
}

nlohmann::ordered_json JsonValue(const TSettings& settings, const TSettingField& field) {
    switch (field.itsKind) {
    case TSettingKind::kBoolean: return settings.Boolean(field.itsOffset);
    case TSettingKind::kByte: return settings.Byte(field.itsOffset);
    case TSettingKind::kInt16: return settings.Int16(field.itsOffset);
    case TSettingKind::kInt32: return settings.Int32(field.itsOffset);
    case TSettingKind::kChar:
    case TSettingKind::kText: return PreferenceText(settings, field);
    }
    return nullptr;
}

void ShowPreferences(bool json) {
    const TSettings& settings = Settings();
    if (json) {
        nlohmann::ordered_json out = nlohmann::ordered_json::object();
        for (const TSettingField& field : SettingFields()) out[field.itsName] = JsonValue(settings, field);
        // A damaged record may hold bytes that are not UTF-8; they must not stop the listing.
        std::cout << out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
        return;
    }
    for (const TSettingField& field : SettingFields())
        std::cout << field.itsName << '\t' << PreferenceText(settings, field) << '\n';
}

} // namespace

void AddPrefsCommands(CLI::App& app, int& result) {
    auto* prefs = app.add_subcommand("prefs", "Show or change the settings");
    prefs->require_subcommand(1);

    // prefs show [--json]
    {
        auto* cmd = prefs->add_subcommand("show", "List every setting with its value");
        auto json = std::make_shared<bool>(false);
        cmd->add_flag("--json", *json, "Print a JSON object");
        cmd->callback([json, &result] {
            ShowPreferences(*json);
            result = 0;
        });
    }

    // prefs factory
    {
        auto* cmd = prefs->add_subcommand("factory", "Replace every setting by its factory value");
        cmd->callback([&result] {
            if (int code = DeleteSettingsValue(); code != 0)
                throw EMarvekError("Could not delete the settings \"" + SettingsValuePath() +
                                   "\": " + std::strerror(code));
            LoadPreferences();
            SavePreferences();
            std::cout << "factory settings saved to " << SettingsValuePath() << '\n';
            result = 0;
        });
    }

    // prefs set NAME VALUE
    {
        auto* cmd =
            prefs->add_subcommand("set", "Change one setting (checked as the preferences dialog does)");
        auto name = std::make_shared<std::string>();
        auto value = std::make_shared<std::string>();
        cmd->add_option("NAME", *name, "A name as prefs show lists it, or PieceLetters")->required();
        cmd->add_option("VALUE", *value, "The new value")->required();
        cmd->callback([name, value, &result] {
            const TSettingField* field = FindSettingField(*name);
            TPreferenceResult outcome = SetPreference(Settings(), *name, AbsoluteIfPath(field, *value));
            if (!outcome.itsOk) {
                if (outcome.itsMessageNr != 0) {
                    ShowInformation(0, outcome.itsMessageNr);
                } else {
                    std::cerr << outcome.itsProblem << '\n';
                }
                result = 1;
                return;
            }
            SavePreferences();
            if (field != nullptr) {
                std::cout << field->itsName << '\t' << PreferenceText(Settings(), *field) << '\n';
            } else {
                const TSettings& s = Settings();
                std::cout << "PieceLetters\t" << s.KingLetter() << s.QueenLetter() << s.RookLetter()
                          << s.BishopLetter() << s.KnightLetter() << '\n';
            }
            result = 0;
        });
    }
}

} // namespace marvek::cli
