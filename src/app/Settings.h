#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// The settings record: every preference, remembered path, dialog option and window position in
// one record of fixed layout, held in memory for the whole run and stored whole.
//
//   offset  bytes  content
//        0     23  the text "Marvek Preferences File" (no length byte)
//       23      1  26
//     24..    ...  the fields of SettingsFields.def, the training blocks, the engine start-up
//                  command lists and the game list columns
//     7032      4  end marker 0x0F0F0F0F; any other value means the record is not valid
//
// Integers are little-endian; a text is a length byte followed by at most N characters (N + 1
// bytes in all); a boolean is one byte. Bytes that no field covers keep whatever was read, and
// FactorySettings leaves them alone.

namespace marvek {

inline constexpr int32_t kMinInt32 = std::numeric_limits<int32_t>::min();
inline constexpr int32_t kMaxInt32 = std::numeric_limits<int32_t>::max();

class TSettings {
public:
    static constexpr size_t kSize = 7036;
    static constexpr size_t kEndMarkerOffset = 7032;
    static constexpr int32_t kEndMarker = 0x0F0F0F0F;
    static constexpr int kStartupCommandLines = 20;
    static constexpr size_t kStartupCommandLength = 80;
    static constexpr int kGameListColumns = 7;
    static constexpr int kTrainingModes = 3;

    // A zeroed record with the initial values, as the program has it before anything is loaded.
    TSettings();

    void InitialValues();
    // The factory values of every field; the piece letters and the text-export extension come
    // from the string table. Bytes no field covers are left as they are.
    void FactorySettings();
    bool IsValid() const { return Int32(kEndMarkerOffset) == kEndMarker; }

    const std::array<uint8_t, kSize>& Bytes() const { return itsBytes; }
    std::array<uint8_t, kSize>& Bytes() { return itsBytes; }

    // --- Access by offset, for the typed accessors below and for tables of fields.
    bool Boolean(size_t offset) const { return Byte(offset) != 0; }
    void SetBoolean(size_t offset, bool value) { SetByte(offset, value ? 1 : 0); }
    int Byte(size_t offset) const;
    void SetByte(size_t offset, int value);
    int Int16(size_t offset) const;
    void SetInt16(size_t offset, int value);
    int32_t Int32(size_t offset) const;
    void SetInt32(size_t offset, int32_t value);
    // A length above maxLength (a damaged record) reads as maxLength.
    std::string Text(size_t offset, size_t maxLength) const;
    // Cuts the value to maxLength bytes, never inside a UTF-8 character, and zeroes the rest of
    // the field.
    void SetText(size_t offset, size_t maxLength, std::string_view value);

    // --- Named fields: Name() and SetName(value) for each row of SettingsFields.def.
#define SETTING_BOOL(Name, offset, factory, initial)                                                         \
    bool Name() const {                                                                                      \
        return Boolean(offset);                                                                              \
    }                                                                                                        \
    void Set##Name(bool value) {                                                                             \
        SetBoolean(offset, value);                                                                           \
    }
#define SETTING_BYTE(Name, offset, factory, initial, low, high)                                              \
    int Name() const {                                                                                       \
        return Byte(offset);                                                                                 \
    }                                                                                                        \
    void Set##Name(int value) {                                                                              \
        SetByte(offset, value);                                                                              \
    }
#define SETTING_CHAR(Name, offset, factory, initial)                                                         \
    char Name() const {                                                                                      \
        return static_cast<char>(Byte(offset));                                                              \
    }                                                                                                        \
    void Set##Name(char value) {                                                                             \
        SetByte(offset, static_cast<uint8_t>(value));                                                        \
    }
#define SETTING_INT16(Name, offset, factory, initial, low, high)                                             \
    int Name() const {                                                                                       \
        return Int16(offset);                                                                                \
    }                                                                                                        \
    void Set##Name(int value) {                                                                              \
        SetInt16(offset, value);                                                                             \
    }
#define SETTING_INT32(Name, offset, factory, initial, low, high)                                             \
    int32_t Name() const {                                                                                   \
        return Int32(offset);                                                                                \
    }                                                                                                        \
    void Set##Name(int32_t value) {                                                                          \
        SetInt32(offset, value);                                                                             \
    }
#define SETTING_TEXT(Name, offset, maxLength, factory, initial)                                              \
    std::string Name() const {                                                                               \
        return Text(offset, maxLength);                                                                      \
    }                                                                                                        \
    void Set##Name(std::string_view value) {                                                                 \
        SetText(offset, maxLength, value);                                                                   \
    }
#include "app/SettingsFields.def"

    // --- Engine start-up commands, lines 0-19 of at most 80 characters each.
    std::string WinboardStartupCommand(int line) const;
    void SetWinboardStartupCommand(int line, std::string_view command);
    std::string UciStartupCommand(int line) const;
    void SetUciStartupCommand(int line, std::string_view command);

    // --- Game list window column settings 0-6.
    int32_t GameListColumn(int column) const;
    void SetGameListColumn(int column, int32_t value);

    // --- Training settings of modes 0 (Random), 1 (Random Coverage), 2 (Sequential Coverage).
    // The completion fields (ShowComplete, InARowToComplete, FirstTimeCredit) exist for modes 1
    // and 2 only; asking for them in mode 0 is an internal error.
    int TrainingComputerPlays(int mode) const;
    void SetTrainingComputerPlays(int mode, int value);
    bool TrainingComputerMustPlayTop(int mode) const;
    void SetTrainingComputerMustPlayTop(int mode, bool value);
    bool TrainingHumanMustPlayTop(int mode) const;
    void SetTrainingHumanMustPlayTop(int mode, bool value);
    bool TrainingShowNotInBookMessage(int mode) const;
    void SetTrainingShowNotInBookMessage(int mode, bool value);
    bool TrainingShowNoMoreCandidatesMessage(int mode) const;
    void SetTrainingShowNoMoreCandidatesMessage(int mode, bool value);
    bool TrainingShowCompleteMessage(int mode) const;
    void SetTrainingShowCompleteMessage(int mode, bool value);
    bool TrainingHideInformation(int mode) const;
    void SetTrainingHideInformation(int mode, bool value);
    int TrainingRewindTo(int mode) const;
    void SetTrainingRewindTo(int mode, int value);
    int32_t TrainingInARowToComplete(int mode) const;
    void SetTrainingInARowToComplete(int mode, int32_t value);
    int32_t TrainingFirstTimeCredit(int mode) const;
    void SetTrainingFirstTimeCredit(int mode, int32_t value);

private:
    // The start-up command lists, game list columns, training blocks and end marker, whose
    // initial and factory values are the same.
    void ListAndTrainingDefaults();

    std::array<uint8_t, kSize> itsBytes{};
};

// The program's one settings record.
TSettings& Settings();

// Reads the stored record into settings. A missing record, or one without the end marker (too
// short, another layout), gives the factory values and puts the language offset back to 0. A
// store that exists but cannot be read raises EMarvekError.
void LoadPreferences(TSettings& settings);
void LoadPreferences();
// Writes the whole record (the factory values first when it is not valid). A failure raises
// EMarvekError and leaves the stored record as it was.
void SavePreferences(const TSettings& settings);
void SavePreferences();

// What the program does with its settings at start: LoadPreferences, then empty books and games
// folders from the installer's data folder or the defaults under "~/Marvek Files/", then the
// language offset from the record.
void LoadSettingsAtStart();
void CompleteFolders(TSettings& settings);

// --- The fields by name, for tools that list and set them.
enum class TSettingKind { kBoolean, kByte, kChar, kInt16, kInt32, kText };

struct TSettingField {
    std::string itsName;
    TSettingKind itsKind;
    size_t itsOffset;
    size_t itsMaxLength; // texts only
    int64_t itsLow;      // the range a user may set (numbers only)
    int64_t itsHigh;
};

// Every named field in offset order; the list entries carry their number in the name
// ("WinboardStartupCommand1" to "20", "GameListColumn1" to "7") and training fields their mode
// ("TrainingComputerPlays0" to "2"). Reserved bytes are not listed.
const std::vector<TSettingField>& SettingFields();
const TSettingField* FindSettingField(std::string_view name); // letter case ignored

} // namespace marvek
