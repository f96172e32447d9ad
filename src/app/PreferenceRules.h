#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/MessageNumbers.h"
#include "app/Settings.h"

// The checks and conversions the preferences dialog applies when it takes values into the
// settings record, shared by every front end that changes preferences.

namespace marvek {

// The five local piece letters as typed: king, queen, rook, bishop, knight. The result is 0 when
// they may be used, else the number of the message that refuses them (kMsgPieceLettersBlank when
// one is blank, else kMsgPieceLettersNotUnique when two are the same).
int PieceLettersProblem(const std::array<std::string, 5>& letters);

// Promotion piece codes: 2 knight, 3 bishop, 4 rook, 5 queen.
// The letter shown for a stored piece: the queen's for anything other than 2-5.
char PromotionLetter(int piece, char queen, char rook, char bishop, char knight);
// The piece of a typed letter: compared with queen, rook, bishop and knight in that order, the last
// match wins; no match means the queen.
int PromotionPieceFor(char letter, char queen, char rook, char bishop, char knight);

// The sliding-piece speed track bar has positions 0-15. The last stands for "no sliding" (0);
// any other position p stores p * 100 milliseconds, at least 50.
inline constexpr int kSlidingLastPosition = 15;
int SlidingSpeedForPosition(int position);
// A stored speed of 1-5000 shows at position speed / 100, anything else at the last position.
int SlidingPositionForSpeed(int32_t speed);

// What a front end gets back from setting a field by name.
struct TPreferenceResult {
    bool itsOk = true;
    int itsMessageNr = 0;   // a numbered message for the user (kMsgPieceLetters...), or 0
    std::string itsProblem; // otherwise what was wrong, in words
};

// Sets one field of SettingFields() (or "PieceLetters", the five letters king, queen, rook,
// bishop and knight in one text) from its text form, with the dialog's rules: letters checked as
// a set, the promotion piece by letter (or its code 2-5), a stop move below the start move raised
// to it, a trailing "/" on non-empty folder paths, and the numeric ranges of the dialog. Nothing
// changes when the result is not ok.
TPreferenceResult SetPreference(TSettings& settings, std::string_view name, std::string_view value);

// The text form of a field: booleans "yes" or "no", numbers in decimal, letters and texts as
// they are.
std::string PreferenceText(const TSettings& settings, const TSettingField& field);

} // namespace marvek
