#include "app/PreferenceRules.h"

#include <charconv>

namespace marvek {

namespace {

bool IsBlank(std::string_view letter) {
    return letter.find_first_not_of(" \t") == std::string_view::npos;
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

bool ParseBoolean(std::string_view text, bool* value) {
    std::string word = Lowered(text);
    if (word == "yes" || word == "true" || word == "on" || word == "1") {
        *value = true;
        return true;
    }
    if (word == "no" || word == "false" || word == "off" || word == "0") {
        *value = false;
        return true;
    }
    return false;
}

bool ParseNumber(std::string_view text, int64_t* value) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

TPreferenceResult Refused(std::string problem) {
    return {false, 0, std::move(problem)};
}

TPreferenceResult RefusedByMessage(int messageNr) {
    return {false, messageNr, {}};
}

// Folders that the program extends with file names keep a trailing "/".
bool IsFolderPath(std::string_view name) {
    return name == "BooksFolder" || name == "GamesFolder" || name == "Analyst1Path" || name == "Analyst2Path";
}

bool IsChessLetter(const TSettingField& field) {
    return field.itsName == "KingLetter" || field.itsName == "QueenLetter" || field.itsName == "RookLetter" ||
           field.itsName == "BishopLetter" || field.itsName == "KnightLetter";
}

std::array<std::string, 5> CurrentLetters(const TSettings& settings) {
    return {std::string(1, settings.KingLetter()), std::string(1, settings.QueenLetter()),
            std::string(1, settings.RookLetter()), std::string(1, settings.BishopLetter()),
            std::string(1, settings.KnightLetter())};
}

TPreferenceResult SetLetters(TSettings& settings, const std::array<std::string, 5>& letters) {
    if (int problem = PieceLettersProblem(letters)) return RefusedByMessage(problem);
    for (const std::string& letter : letters)
        if (letter.size() != 1) return Refused("a piece letter is one character");
    settings.SetKingLetter(letters[0][0]);
    settings.SetQueenLetter(letters[1][0]);
    settings.SetRookLetter(letters[2][0]);
    settings.SetBishopLetter(letters[3][0]);
    settings.SetKnightLetter(letters[4][0]);
    return {};
}

} // namespace

int PieceLettersProblem(const std::array<std::string, 5>& letters) {
    for (const std::string& letter : letters)
        if (IsBlank(letter)) return kMsgPieceLettersBlank;
    for (size_t i = 0; i < letters.size(); ++i)
        for (size_t j = i + 1; j < letters.size(); ++j)
            if (letters[i] == letters[j]) return kMsgPieceLettersNotUnique;
    return 0;
}

char PromotionLetter(int piece, char queen, char rook, char bishop, char knight) {
    switch (piece) {
    case 2: return knight;
    case 3: return bishop;
    case 4: return rook;
    default: return queen;
    }
}

int PromotionPieceFor(char letter, char queen, char rook, char bishop, char knight) {
    int piece = 5;
    bool matched = false;
    const std::pair<char, int> order[] = {{queen, 5}, {rook, 4}, {bishop, 3}, {knight, 2}};
    for (const auto& [candidate, code] : order) {
        if (letter == candidate) {
            piece = code;
            matched = true;
        }
    }
    return matched ? piece : 5;
}

int SlidingSpeedForPosition(int position) {
    if (position >= kSlidingLastPosition) return 0;
    return position * 100 < 50 ? 50 : position * 100;
}

int SlidingPositionForSpeed(int32_t speed) {
    if (speed < 1 || speed > 5000) return kSlidingLastPosition;
    return speed / 100 > kSlidingLastPosition ? kSlidingLastPosition : speed / 100;
}

std::string PreferenceText(const TSettings& settings, const TSettingField& field) {
    switch (field.itsKind) {
    case TSettingKind::kBoolean: return settings.Boolean(field.itsOffset) ? "yes" : "no";
    case TSettingKind::kByte: return std::to_string(settings.Byte(field.itsOffset));
    case TSettingKind::kChar: return std::string(1, static_cast<char>(settings.Byte(field.itsOffset)));
    case TSettingKind::kInt16: return std::to_string(settings.Int16(field.itsOffset));
    case TSettingKind::kInt32: return std::to_string(settings.Int32(field.itsOffset));
    case TSettingKind::kText: return settings.Text(field.itsOffset, field.itsMaxLength);
    }
    return {};
}

TPreferenceResult SetPreference(TSettings& settings, std::string_view name, std::string_view value) {
    if (Lowered(name) == "pieceletters") {
        if (value.size() != 5)
            return Refused("PieceLetters takes five letters: king, queen, rook, bishop, knight");
        std::array<std::string, 5> letters;
        for (size_t i = 0; i < 5; ++i) letters[i] = std::string(1, value[i]);
        return SetLetters(settings, letters);
    }

    const TSettingField* found = FindSettingField(name);
    if (found == nullptr) return Refused("no such setting: " + std::string(name));
    const TSettingField& field = *found;

    if (IsChessLetter(field)) {
        std::array<std::string, 5> letters = CurrentLetters(settings);
        const char* const names[] = {"KingLetter", "QueenLetter", "RookLetter", "BishopLetter",
                                     "KnightLetter"};
        for (size_t i = 0; i < 5; ++i)
            if (field.itsName == names[i]) letters[i] = std::string(value);
        return SetLetters(settings, letters);
    }

    if (field.itsName == "PromotionPiece" && value.size() == 1 && !(value[0] >= '0' && value[0] <= '9')) {
        settings.SetPromotionPiece(PromotionPieceFor(value[0], settings.QueenLetter(), settings.RookLetter(),
                                                     settings.BishopLetter(), settings.KnightLetter()));
        return {};
    }

    switch (field.itsKind) {
    case TSettingKind::kBoolean: {
        bool flag = false;
        if (!ParseBoolean(value, &flag)) return Refused(field.itsName + " takes yes or no");
        settings.SetBoolean(field.itsOffset, flag);
        return {};
    }
    case TSettingKind::kChar:
        if (value.size() != 1 || IsBlank(value) || static_cast<unsigned char>(value[0]) < 32)
            return Refused(field.itsName + " takes one character");
        settings.SetByte(field.itsOffset, static_cast<unsigned char>(value[0]));
        return {};
    case TSettingKind::kText: {
        std::string text(value);
        if (IsFolderPath(field.itsName)) {
            if (!text.empty() && text.back() != '/') text += '/';
        }
        if (text.find_first_of("\r\n") != std::string::npos)
            return Refused(field.itsName + " takes one line");
        if (text.size() > field.itsMaxLength)
            return Refused(field.itsName + " holds at most " + std::to_string(field.itsMaxLength) +
                           " characters");
        settings.SetText(field.itsOffset, field.itsMaxLength, text);
        return {};
    }
    case TSettingKind::kByte:
    case TSettingKind::kInt16:
    case TSettingKind::kInt32: break;
    }

    int64_t number = 0;
    if (!ParseNumber(value, &number) || number < field.itsLow || number > field.itsHigh)
        return Refused(field.itsName + " takes a whole number from " + std::to_string(field.itsLow) + " to " +
                       std::to_string(field.itsHigh));
    if (field.itsKind == TSettingKind::kByte) settings.SetByte(field.itsOffset, static_cast<int>(number));
    if (field.itsKind == TSettingKind::kInt16) settings.SetInt16(field.itsOffset, static_cast<int>(number));
    if (field.itsKind == TSettingKind::kInt32)
        settings.SetInt32(field.itsOffset, static_cast<int32_t>(number));

    // The stop move is never below the start move.
    bool exportRange = field.itsName == "TextExportStartMove" || field.itsName == "TextExportStopMove";
    if (exportRange && settings.TextExportStopMove() < settings.TextExportStartMove())
        settings.SetTextExportStopMove(settings.TextExportStartMove());
    return {};
}

} // namespace marvek
