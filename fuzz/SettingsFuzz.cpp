// The settings record as loaded from any stored bytes: every field reads, the folders complete
// and the record saves.

#include "FuzzSupport.h"

#include "app/PreferenceRules.h"
#include "app/Settings.h"
#include "pgn/PGNImporter.h"
#include "platform/SettingsStore.h"

using namespace marvek;

MARVEK_FUZZ_ENTRY(const uint8_t* data, size_t size) {
    (void)fuzz::ScratchFolder(); // the settings store lives there
    if (WriteSettingsValue(std::string(fuzz::AsText(data, size))) != 0)
        fuzz::Fail("cannot write the settings");
    TSettings settings;
    LoadPreferences(settings);
    CompleteFolders(settings);
    for (const TSettingField& field : SettingFields()) (void)PreferenceText(settings, field);
    for (int line = 0; line < TSettings::kStartupCommandLines; ++line) {
        (void)settings.WinboardStartupCommand(line);
        (void)settings.UciStartupCommand(line);
    }
    (void)TPGNImportOptions::FromSettings(settings);
    SavePreferences(settings);
    TSettings again;
    LoadPreferences(again);
    if (!again.IsValid()) fuzz::Fail("a saved record does not load as valid");
    return 0;
}
