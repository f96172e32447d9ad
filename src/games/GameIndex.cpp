// The key index database beside a game file, its keys and the control file of a PGN file.
#include "games/GameIndex.h"

#include <algorithm>
#include <cctype>

#include "platform/File.h"
#include "platform/FileSystem.h"

namespace marvek {

namespace {

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

// Where the extension starts: the last "." after the last "/", or the end.
std::size_t ExtensionStart(const std::string& path) {
    std::size_t dot = path.rfind('.');
    std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path.size();
    return dot;
}

} // namespace

void TGameIndex::SetExtensions() {
    BTSetExtensions("GMD", "GMX", "GM$");
}

bool TGameIndex::Create(const std::string& gameFile) {
    Close();
    itsCreated = false;
    const TKeyDescription keys[kKeyCount] = {{kNameKeyLength, true},
                                             {kNameKeyLength, true},
                                             {kEcoKeyLength, true},
                                             {kMovesKeyLength, true},
                                             {kDateKeyLength, true}};
    std::string base = BaseName(gameFile);
    SetExtensions();
    BTCreateDatabase(base, kSlotBytes, kKeyCount, keys);
    if (!IsamOK()) return false;
    itsCreated = true;
    return Open(gameFile, false);
}

bool TGameIndex::Open(const std::string& gameFile, bool readOnly) {
    Close();
    SetExtensions();
    BTOpenDatabase(itsDb, BaseName(gameFile), readOnly, false);
    if (!IsamOK()) itsDb = nullptr;
    return itsDb != nullptr;
}

void TGameIndex::Close() {
    if (itsDb != nullptr) BTCloseDatabase(itsDb);
    itsDb = nullptr;
}

bool TGameIndex::IsComplete() const {
    if (itsDb == nullptr) return false;
    for (int key = 1; key <= kKeyCount; ++key)
        if (!BTKeyAllowsDuplicates(itsDb, key)) return false;
    return true;
}

int TGameIndex::AddGame(uint32_t offset, std::string_view white, std::string_view black, std::string_view eco,
                        std::string_view moveString, std::string_view date) {
    const std::string keys[kKeyCount] = {NameKey(white), NameKey(black), EcoKey(eco), MovesKey(moveString),
                                         DateKey(date)};
    for (int keyNr = 1; keyNr <= kKeyCount; ++keyNr) {
        BTAddKey(itsDb, keyNr, MakeIsamKey(keys[keyNr - 1]), RecRef(offset));
        if (!IsamOK()) return keyNr;
    }
    return 0;
}

TGameFileKind TGameIndex::KindOf(const std::string& gameFile) {
    std::string extension = UpperCase(gameFile.substr(ExtensionStart(gameFile)));
    if (extension == ".PGN") return TGameFileKind::kPGN;
    if (extension == ".GM2") return TGameFileKind::kGM2;
    return TGameFileKind::kOther;
}

std::string TGameIndex::BaseName(const std::string& gameFile) {
    return gameFile.substr(0, ExtensionStart(gameFile));
}

std::string TGameIndex::ControlFileName(const std::string& gameFile) {
    return BaseName(gameFile) + ".2PC";
}

std::string TGameIndex::NameKey(std::string_view name) {
    std::string key;
    for (char c : name.substr(0, kNameKeyLength))
        if (c != ' ') key.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    return key;
}

std::string TGameIndex::EcoKey(std::string_view eco) {
    return std::string(eco.substr(0, kEcoKeyLength));
}

std::string TGameIndex::DateKey(std::string_view date) {
    std::string key;
    for (char c : date.substr(0, 10))
        if (c != '.') key.push_back(c);
    return key.size() == std::size_t(kDateKeyLength) ? key : std::string(kDateKeyLength, '?');
}

std::string TGameIndex::MovesKey(std::string_view moveString) {
    std::size_t end = moveString.find('\r');
    std::string key(moveString.substr(0, std::min<std::size_t>(end, kMovesKeyLength)));
    key.resize(kMovesKeyLength, '\0');
    return key;
}

std::string TGameIndex::MoveString(const TPackedMove* moves, int count) {
    std::string text;
    count = std::min(count, kMaxMoveStringPlies);
    text.reserve(std::size_t(count) * 2 + 2);
    for (int i = 0; i < count; ++i) {
        text.push_back(char(48 + moves[i].itsFrom));
        text.push_back(char(48 + moves[i].itsTo));
        if (moves[i].itsPromotion != 0) {
            text.push_back('/');
            text.push_back(char(48 + moves[i].itsPromotion));
        }
    }
    text += "\r\n";
    return text;
}

bool TGameIndex::IsIndexed(const std::string& pgnFile) {
    std::string base = BaseName(pgnFile);
    std::string control = ControlFileName(pgnFile);
    if (!FileExists(control) || !FileExists(base + ".GMD") || !FileExists(base + ".GMX")) return false;
    std::string bytes;
    if (ReadFileBytes(control, &bytes, 8) != 0 || bytes.size() != 4) return false;
    uint32_t stored = 0;
    for (int i = 3; i >= 0; --i) stored = stored << 8 | uint8_t(bytes[std::size_t(i)]);
    uint32_t stamp = 0;
    return FileStamp(pgnFile, &stamp) == 0 && stamp == stored;
}

int TGameIndex::WriteControlFile(const std::string& pgnFile, TControlStage* stage) {
    *stage = TControlStage::kOpen;
    uint32_t stamp = 0;
    int code = FileStamp(pgnFile, &stamp);
    TFile file;
    if (code == 0) code = file.Create(ControlFileName(pgnFile));
    if (code != 0) return code;
    *stage = TControlStage::kWrite;
    const uint8_t bytes[4] = {uint8_t(stamp), uint8_t(stamp >> 8), uint8_t(stamp >> 16),
                              uint8_t(stamp >> 24)};
    code = file.WriteAt(0, bytes, sizeof bytes);
    if (code != 0) return code;
    *stage = TControlStage::kClose;
    code = file.Close();
    if (code == 0) *stage = TControlStage::kNone;
    return code;
}

} // namespace marvek
