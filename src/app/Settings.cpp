#include "app/Settings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/MessageNumbers.h"
#include "app/StringTable.h"
#include "engines/EngineSettings.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/Folders.h"
#include "platform/SettingsStore.h"

namespace marvek {

namespace {

constexpr char kMarker[] = "Marvek Preferences File";
constexpr size_t kMarkerLength = sizeof kMarker - 1;
constexpr size_t kWinboardCommandsOffset = 3093;
constexpr size_t kUciCommandsOffset = 4713;
constexpr size_t kGameListColumnsOffset = 6556;

// Offsets of one training mode's settings; 0 where the mode has no such field.
struct TTrainingOffsets {
    size_t itsComputerPlays;
    size_t itsComputerMustPlayTop;
    size_t itsHumanMustPlayTop;
    size_t itsShowNotInBook;
    size_t itsShowNoMoreCandidates;
    size_t itsShowComplete;
    size_t itsHideInformation;
    size_t itsRewindTo;
    size_t itsInARowToComplete;
    size_t itsFirstTimeCredit;
};

constexpr TTrainingOffsets kTraining[TSettings::kTrainingModes] = {
    {2373, 2374, 2375, 2376, 2377, 0, 2378, 2379, 0, 0},
    {2380, 2381, 2382, 2383, 2384, 2385, 2386, 2387, 2388, 2392},
    {2396, 2397, 2398, 2399, 2400, 2401, 2402, 2403, 2404, 2408},
};

const TTrainingOffsets& Training(int mode) {
    MARVEK_ASSERT(mode >= 0 && mode < TSettings::kTrainingModes);
    return kTraining[mode];
}

size_t CompletionOffset(int mode, size_t TTrainingOffsets::*field) {
    size_t offset = Training(mode).*field;
    MARVEK_ASSERT(offset != 0);
    return offset;
}

size_t CommandOffset(size_t listOffset, int line) {
    MARVEK_ASSERT(line >= 0 && line < TSettings::kStartupCommandLines);
    return listOffset + static_cast<size_t>(line) * (TSettings::kStartupCommandLength + 1);
}

// --- Values the field table refers to.

std::string FilesPath(const char* rest) {
    return MarvekFilesFolder() + rest;
}

std::string ProgramPath(const char* rest) {
    return ProgramFolder() + rest;
}

// The engines a Linux system installs from its packages; none when they are missing.
std::string DefaultWinboardEnginePath() {
    return DefaultWinboardEngine();
}

std::string DefaultUciEnginePath() {
    return DefaultUciEngine();
}

char FirstLetter(int number) {
    std::string text = LoadMessage(number);
    return text.empty() ? ' ' : text.front();
}

// Length of the longest prefix of value within maxLength bytes that does not end inside a UTF-8
// character.
size_t CutLength(std::string_view value, size_t maxLength) {
    if (value.size() <= maxLength) return value.size();
    size_t length = maxLength;
    // Step back over continuation bytes (10xxxxxx) to the start of the character that was cut.
    size_t back = 0;
    while (length > 0 && back < 3 && (static_cast<uint8_t>(value[length]) & 0xC0) == 0x80) {
        --length;
        ++back;
    }
    if ((static_cast<uint8_t>(value[length]) & 0xC0) == 0x80) return maxLength; // not UTF-8 after all
    return length;
}

[[noreturn]] void RaiseStoreError(const char* what, int code) {
    throw EMarvekError(std::string(what) + " \"" + SettingsValuePath() + "\": " + std::strerror(code));
}

} // namespace

// --- Raw access

TSettings::TSettings() {
    InitialValues();
}

int TSettings::Byte(size_t offset) const {
    MARVEK_ASSERT(offset < kSize);
    return itsBytes[offset];
}

void TSettings::SetByte(size_t offset, int value) {
    MARVEK_ASSERT(offset < kSize && value >= 0 && value <= 255);
    itsBytes[offset] = static_cast<uint8_t>(value);
}

int TSettings::Int16(size_t offset) const {
    MARVEK_ASSERT(offset + 2 <= kSize);
    return static_cast<int16_t>(static_cast<uint16_t>(itsBytes[offset] | (itsBytes[offset + 1] << 8)));
}

void TSettings::SetInt16(size_t offset, int value) {
    MARVEK_ASSERT(offset + 2 <= kSize && value >= -32768 && value <= 32767);
    auto bits = static_cast<uint16_t>(value);
    itsBytes[offset] = static_cast<uint8_t>(bits);
    itsBytes[offset + 1] = static_cast<uint8_t>(bits >> 8);
}

int32_t TSettings::Int32(size_t offset) const {
    MARVEK_ASSERT(offset + 4 <= kSize);
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | itsBytes[offset + static_cast<size_t>(i)];
    return static_cast<int32_t>(bits);
}

void TSettings::SetInt32(size_t offset, int32_t value) {
    MARVEK_ASSERT(offset + 4 <= kSize);
    auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) itsBytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

std::string TSettings::Text(size_t offset, size_t maxLength) const {
    MARVEK_ASSERT(offset + 1 + maxLength <= kSize);
    size_t length = std::min<size_t>(itsBytes[offset], maxLength);
    return std::string(reinterpret_cast<const char*>(&itsBytes[offset + 1]), length);
}

void TSettings::SetText(size_t offset, size_t maxLength, std::string_view value) {
    MARVEK_ASSERT(offset + 1 + maxLength <= kSize && maxLength <= 255);
    size_t length = CutLength(value, maxLength);
    itsBytes[offset] = static_cast<uint8_t>(length);
    std::memcpy(&itsBytes[offset + 1], value.data(), length);
    std::fill(itsBytes.begin() + static_cast<std::ptrdiff_t>(offset + 1 + length),
              itsBytes.begin() + static_cast<std::ptrdiff_t>(offset + 1 + maxLength), 0);
}

// --- Initial and factory values

void TSettings::InitialValues() {
    itsBytes.fill(0);
    std::memcpy(itsBytes.data(), kMarker, kMarkerLength);
    itsBytes[kMarkerLength] = 26;

#define SETTING_BOOL(Name, offset, factory, initial) SetBoolean(offset, initial);
#define SETTING_BYTE(Name, offset, factory, initial, low, high) SetByte(offset, initial);
#define SETTING_CHAR(Name, offset, factory, initial) SetByte(offset, static_cast<uint8_t>(initial));
#define SETTING_INT16(Name, offset, factory, initial, low, high) SetInt16(offset, initial);
#define SETTING_INT32(Name, offset, factory, initial, low, high) SetInt32(offset, initial);
#define SETTING_TEXT(Name, offset, maxLength, factory, initial) SetText(offset, maxLength, initial);
#define SETTING_KEEP_BYTE(offset, factory, initial) SetByte(offset, initial);
#define SETTING_KEEP_INT32(offset, factory, initial) SetInt32(offset, initial);
#define SETTING_KEEP_TEXT(offset, maxLength, factory, initial) SetText(offset, maxLength, initial);
#include "app/SettingsFields.def"

    // The start-up commands, game list columns and training blocks start as they leave the
    // factory, and the end marker makes the initial record valid.
    ListAndTrainingDefaults();
}

void TSettings::FactorySettings() {
    std::memcpy(itsBytes.data(), kMarker, kMarkerLength);
    itsBytes[kMarkerLength] = 26;

#define SETTING_BOOL(Name, offset, factory, initial) SetBoolean(offset, factory);
#define SETTING_BYTE(Name, offset, factory, initial, low, high) SetByte(offset, factory);
#define SETTING_CHAR(Name, offset, factory, initial) SetByte(offset, static_cast<uint8_t>(factory));
#define SETTING_INT16(Name, offset, factory, initial, low, high) SetInt16(offset, factory);
#define SETTING_INT32(Name, offset, factory, initial, low, high) SetInt32(offset, factory);
#define SETTING_TEXT(Name, offset, maxLength, factory, initial) SetText(offset, maxLength, factory);
#define SETTING_KEEP_BYTE(offset, factory, initial) SetByte(offset, factory);
#define SETTING_KEEP_INT32(offset, factory, initial) SetInt32(offset, factory);
#define SETTING_KEEP_TEXT(offset, maxLength, factory, initial) SetText(offset, maxLength, factory);
#include "app/SettingsFields.def"

    ListAndTrainingDefaults();
}

void TSettings::ListAndTrainingDefaults() {
    static const char* const kWinboardCommands[] = {"xboard", "new", "noise 25000", "log off"};
    for (int line = 0; line < kStartupCommandLines; ++line) {
        SetWinboardStartupCommand(line, line < 4 ? kWinboardCommands[line] : "");
        SetUciStartupCommand(line, line == 0 ? "uci" : "");
    }
    for (int column = 0; column < kGameListColumns; ++column) SetGameListColumn(column, 0);
    for (int mode = 0; mode < kTrainingModes; ++mode) {
        SetTrainingComputerPlays(mode, 1);
        SetTrainingComputerMustPlayTop(mode, false);
        SetTrainingHumanMustPlayTop(mode, false);
        SetTrainingShowNotInBookMessage(mode, true);
        SetTrainingShowNoMoreCandidatesMessage(mode, true);
        SetTrainingHideInformation(mode, true);
        SetTrainingRewindTo(mode, 0);
        if (mode == 0) continue;
        SetTrainingShowCompleteMessage(mode, true);
        SetTrainingInARowToComplete(mode, 3);
        SetTrainingFirstTimeCredit(mode, 3);
    }
    SetInt32(kEndMarkerOffset, kEndMarker);
}

// --- Lists and training blocks

std::string TSettings::WinboardStartupCommand(int line) const {
    return Text(CommandOffset(kWinboardCommandsOffset, line), kStartupCommandLength);
}

void TSettings::SetWinboardStartupCommand(int line, std::string_view command) {
    SetText(CommandOffset(kWinboardCommandsOffset, line), kStartupCommandLength, command);
}

std::string TSettings::UciStartupCommand(int line) const {
    return Text(CommandOffset(kUciCommandsOffset, line), kStartupCommandLength);
}

void TSettings::SetUciStartupCommand(int line, std::string_view command) {
    SetText(CommandOffset(kUciCommandsOffset, line), kStartupCommandLength, command);
}

int32_t TSettings::GameListColumn(int column) const {
    MARVEK_ASSERT(column >= 0 && column < kGameListColumns);
    return Int32(kGameListColumnsOffset + 4 * static_cast<size_t>(column));
}

void TSettings::SetGameListColumn(int column, int32_t value) {
    MARVEK_ASSERT(column >= 0 && column < kGameListColumns);
    SetInt32(kGameListColumnsOffset + 4 * static_cast<size_t>(column), value);
}

int TSettings::TrainingComputerPlays(int mode) const {
    return Byte(Training(mode).itsComputerPlays);
}
void TSettings::SetTrainingComputerPlays(int mode, int value) {
    SetByte(Training(mode).itsComputerPlays, value);
}
bool TSettings::TrainingComputerMustPlayTop(int mode) const {
    return Boolean(Training(mode).itsComputerMustPlayTop);
}
void TSettings::SetTrainingComputerMustPlayTop(int mode, bool value) {
    SetBoolean(Training(mode).itsComputerMustPlayTop, value);
}
bool TSettings::TrainingHumanMustPlayTop(int mode) const {
    return Boolean(Training(mode).itsHumanMustPlayTop);
}
void TSettings::SetTrainingHumanMustPlayTop(int mode, bool value) {
    SetBoolean(Training(mode).itsHumanMustPlayTop, value);
}
bool TSettings::TrainingShowNotInBookMessage(int mode) const {
    return Boolean(Training(mode).itsShowNotInBook);
}
void TSettings::SetTrainingShowNotInBookMessage(int mode, bool value) {
    SetBoolean(Training(mode).itsShowNotInBook, value);
}
bool TSettings::TrainingShowNoMoreCandidatesMessage(int mode) const {
    return Boolean(Training(mode).itsShowNoMoreCandidates);
}
void TSettings::SetTrainingShowNoMoreCandidatesMessage(int mode, bool value) {
    SetBoolean(Training(mode).itsShowNoMoreCandidates, value);
}
bool TSettings::TrainingShowCompleteMessage(int mode) const {
    return Boolean(CompletionOffset(mode, &TTrainingOffsets::itsShowComplete));
}
void TSettings::SetTrainingShowCompleteMessage(int mode, bool value) {
    SetBoolean(CompletionOffset(mode, &TTrainingOffsets::itsShowComplete), value);
}
bool TSettings::TrainingHideInformation(int mode) const {
    return Boolean(Training(mode).itsHideInformation);
}
void TSettings::SetTrainingHideInformation(int mode, bool value) {
    SetBoolean(Training(mode).itsHideInformation, value);
}
int TSettings::TrainingRewindTo(int mode) const {
    return Byte(Training(mode).itsRewindTo);
}
void TSettings::SetTrainingRewindTo(int mode, int value) {
    SetByte(Training(mode).itsRewindTo, value);
}
int32_t TSettings::TrainingInARowToComplete(int mode) const {
    return Int32(CompletionOffset(mode, &TTrainingOffsets::itsInARowToComplete));
}
void TSettings::SetTrainingInARowToComplete(int mode, int32_t value) {
    SetInt32(CompletionOffset(mode, &TTrainingOffsets::itsInARowToComplete), value);
}
int32_t TSettings::TrainingFirstTimeCredit(int mode) const {
    return Int32(CompletionOffset(mode, &TTrainingOffsets::itsFirstTimeCredit));
}
void TSettings::SetTrainingFirstTimeCredit(int mode, int32_t value) {
    SetInt32(CompletionOffset(mode, &TTrainingOffsets::itsFirstTimeCredit), value);
}

// --- The global record and its store

TSettings& Settings() {
    static TSettings settings;
    return settings;
}

void LoadPreferences(TSettings& settings) {
    settings.SetInt32(TSettings::kEndMarkerOffset, 0);
    std::string stored;
    int code = ReadSettingsValue(&stored, TSettings::kSize);
    if (code != 0 && code != ENOENT) RaiseStoreError("Could not read the settings from", code);
    if (code == 0) std::memcpy(settings.Bytes().data(), stored.data(), stored.size());
    if (settings.IsValid()) return;
    settings.FactorySettings();
    SetLanguageOffset(0);
}

void LoadPreferences() {
    LoadPreferences(Settings());
}

void SavePreferences(const TSettings& settings) {
    TSettings valid = settings;
    if (!valid.IsValid()) valid.FactorySettings();
    std::string bytes(reinterpret_cast<const char*>(valid.Bytes().data()), TSettings::kSize);
    int code = WriteSettingsValue(bytes);
    if (code != 0) RaiseStoreError("Could not save the settings to", code);
}

void SavePreferences() {
    TSettings& settings = Settings();
    if (!settings.IsValid()) settings.FactorySettings();
    SavePreferences(settings);
}

void CompleteFolders(TSettings& settings) {
    if (settings.BooksFolder().empty()) {
        std::string data = WithTrailingSlash(InstallerDataFolder());
        if (!data.empty()) {
            settings.SetBooksFolder(data + "Books/");
            settings.SetGamesFolder(data + "Games/");
        }
    }
    if (settings.BooksFolder().empty()) settings.SetBooksFolder(DefaultBooksFolder());
    if (settings.GamesFolder().empty()) settings.SetGamesFolder(DefaultGamesFolder());
}

void LoadSettingsAtStart() {
    LoadPreferences();
    CompleteFolders(Settings());
    SetLanguageOffset(Settings().LanguageOffset());
}

// --- Fields by name

const std::vector<TSettingField>& SettingFields() {
    static const std::vector<TSettingField> fields = [] {
        using K = TSettingKind;
        using S = TSettings;
        std::vector<TSettingField> list;
        auto add = [&list](std::string name, K kind, size_t offset, size_t maxLength, int64_t low,
                           int64_t high) {
            list.push_back({std::move(name), kind, offset, maxLength, low, high});
        };
#define SETTING_BOOL(Name, offset, factory, initial) add(#Name, K::kBoolean, offset, 0, 0, 1);
#define SETTING_BYTE(Name, offset, factory, initial, low, high) add(#Name, K::kByte, offset, 0, low, high);
#define SETTING_CHAR(Name, offset, factory, initial) add(#Name, K::kChar, offset, 0, 0, 255);
#define SETTING_INT16(Name, offset, factory, initial, low, high) add(#Name, K::kInt16, offset, 0, low, high);
#define SETTING_INT32(Name, offset, factory, initial, low, high) add(#Name, K::kInt32, offset, 0, low, high);
#define SETTING_TEXT(Name, offset, maxLength, factory, initial) add(#Name, K::kText, offset, maxLength, 0, 0);
#include "app/SettingsFields.def"

        for (int line = 0; line < S::kStartupCommandLines; ++line) {
            std::string number = std::to_string(line + 1);
            add("WinboardStartupCommand" + number, K::kText, CommandOffset(kWinboardCommandsOffset, line),
                S::kStartupCommandLength, 0, 0);
            add("UciStartupCommand" + number, K::kText, CommandOffset(kUciCommandsOffset, line),
                S::kStartupCommandLength, 0, 0);
        }
        for (int column = 0; column < S::kGameListColumns; ++column)
            add("GameListColumn" + std::to_string(column + 1), K::kInt32,
                kGameListColumnsOffset + 4 * static_cast<size_t>(column), 0, kMinInt32, kMaxInt32);
        for (int mode = 0; mode < S::kTrainingModes; ++mode) {
            const TTrainingOffsets& at = kTraining[mode];
            std::string number = std::to_string(mode);
            add("TrainingComputerPlays" + number, K::kByte, at.itsComputerPlays, 0, 0, 3);
            add("TrainingComputerMustPlayTop" + number, K::kBoolean, at.itsComputerMustPlayTop, 0, 0, 1);
            add("TrainingHumanMustPlayTop" + number, K::kBoolean, at.itsHumanMustPlayTop, 0, 0, 1);
            add("TrainingShowNotInBookMessage" + number, K::kBoolean, at.itsShowNotInBook, 0, 0, 1);
            add("TrainingShowNoMoreCandidatesMessage" + number, K::kBoolean, at.itsShowNoMoreCandidates, 0, 0,
                1);
            if (mode > 0)
                add("TrainingShowCompleteMessage" + number, K::kBoolean, at.itsShowComplete, 0, 0, 1);
            add("TrainingHideInformation" + number, K::kBoolean, at.itsHideInformation, 0, 0, 1);
            add("TrainingRewindTo" + number, K::kByte, at.itsRewindTo, 0, 0, 2);
            if (mode == 0) continue;
            add("TrainingInARowToComplete" + number, K::kInt32, at.itsInARowToComplete, 0, 1, 99);
            add("TrainingFirstTimeCredit" + number, K::kInt32, at.itsFirstTimeCredit, 0, 1, 99);
        }
        std::stable_sort(list.begin(), list.end(), [](const TSettingField& a, const TSettingField& b) {
            return a.itsOffset < b.itsOffset;
        });
        return list;
    }();
    return fields;
}

const TSettingField* FindSettingField(std::string_view name) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const TSettingField& field : SettingFields()) {
        if (field.itsName.size() != name.size()) continue;
        if (std::equal(name.begin(), name.end(), field.itsName.begin(),
                       [&](char a, char b) { return lower(a) == lower(b); }))
            return &field;
    }
    return nullptr;
}

} // namespace marvek
