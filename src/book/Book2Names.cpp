// Named positions: one 80-byte record per name (4 zero bytes, the position as given, the name as
// a length-prefixed text), indexed by the name. A position has at most one name and a name
// belongs to one position. Failures are reported by message and never raise.

#include "book/Book2.h"

#include "app/MessageNumbers.h"
#include "app/UserInterface.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstring>

namespace marvek {

namespace {

constexpr int kNameOffset = 38;
constexpr int kPositionOffset = 4;

std::string Cut(const std::string& name) {
    return name.substr(0, kMaxNameLength);
}

TIsamKey NameKey(const std::string& name) {
    return MakeIsamKey(Cut(name));
}

// A failed storage call reports its message; a missing key is not a failure.
bool Failed(int message) {
    if (IsamOK() || IsamError() == kIsamKeyNotFound) return false;
    ShowInformation(0, message);
    return true;
}

} // namespace

void TBook2::UpdateBoardName(const TPackedPosition& position, const std::string& name) {
    if (itsReadOnly || itsNames == nullptr) return;
    MARVEK_ASSERT(!name.empty());
    RecRef found = BTFindKey(itsNames, 1, NameKey(name));
    if (Failed(kMsgUpdateNameFindKeyFailed)) return;
    if (IsamOK() && found != 0) MARVEK_ASSERT(DeleteBoardName(name));
    std::string earlier;
    while (GetNameForThisBoard(position, earlier)) MARVEK_ASSERT(DeleteBoardName(earlier));

    std::array<uint8_t, kNameSlotBytes> record{};
    std::memcpy(record.data() + kPositionOffset, position.itsBytes.data(), position.itsBytes.size());
    std::string cut = Cut(name);
    record[kNameOffset] = static_cast<uint8_t>(cut.size());
    std::memcpy(record.data() + kNameOffset + 1, cut.data(), cut.size());
    RecRef ref = BTAddRec(itsNames, record.data());
    if (!IsamOK()) {
        ShowInformation(0, kMsgUpdateNameAddRecordFailed);
        return;
    }
    BTAddKey(itsNames, 1, NameKey(name), ref);
    if (!IsamOK()) ShowInformation(0, kMsgUpdateNameAddKeyFailed);
}

bool TBook2::DeleteBoardName(const std::string& name) {
    if (itsNames == nullptr) return false;
    TIsamKey key = NameKey(name);
    RecRef ref = BTFindKey(itsNames, 1, key);
    if (Failed(kMsgDeleteNameFindKeyFailed) || !IsamOK()) return false;
    BTDeleteKey(itsNames, 1, key, ref);
    if (!IsamOK()) {
        ShowInformation(0, kMsgDeleteNameDeleteKeyFailed);
        return false;
    }
    BTDeleteRec(itsNames, ref);
    if (!IsamOK()) {
        ShowInformation(0, kMsgDeleteNameDeleteRecordFailed);
        return false;
    }
    return true;
}

bool TBook2::ThisBoardNameExists(const std::string& name) {
    if (itsNames == nullptr) return false;
    bool exists = BTKeyExists(itsNames, 1, NameKey(name), 0);
    if (!IsamOK()) ShowInformation(0, kMsgNameExistsKeyExistsFailed);
    return exists;
}

bool TBook2::RenameBoard(const std::string& oldName, const std::string& newName) {
    if (itsReadOnly || itsNames == nullptr) return false;
    MARVEK_ASSERT(!newName.empty());
    TIsamKey oldKey = NameKey(oldName);
    RecRef ref = BTFindKey(itsNames, 1, oldKey);
    if (Failed(kMsgRenameNameFindKeyFailed)) return false;
    if (!IsamOK()) {
        ShowInformation(0, kMsgRenameNameBadKey);
        return false;
    }
    BTDeleteKey(itsNames, 1, oldKey, ref);
    if (!IsamOK()) {
        ShowInformation(0, kMsgRenameNameDeleteKeyFailed);
        return false;
    }
    // A position already called newName loses that name first.
    DeleteBoardName(newName);
    BTAddKey(itsNames, 1, NameKey(newName), ref);
    if (!IsamOK()) {
        ShowInformation(0, kMsgRenameNameAddKeyFailed);
        return false;
    }
    // The record keeps its name too, so that a rebuild of the names index finds the new one.
    std::array<uint8_t, kNameSlotBytes> record{};
    BTGetRec(itsNames, ref, record.data());
    if (IsamOK()) {
        std::string cut = Cut(newName);
        std::fill(record.begin() + kNameOffset, record.end(), 0);
        record[kNameOffset] = static_cast<uint8_t>(cut.size());
        std::memcpy(record.data() + kNameOffset + 1, cut.data(), cut.size());
        BTPutRec(itsNames, ref, record.data());
    }
    return true;
}

bool TBook2::GetNameForThisBoard(const TPackedPosition& position, std::string& name) {
    if (itsNames == nullptr) return false;
    TIsamKey key = MakeIsamKey("");
    RecRef ref = BTFindAtLeast(itsNames, 1, key);
    std::array<uint8_t, kNameSlotBytes> record{};
    for (bool first = true; IsamOK(); first = false) {
        BTGetRec(itsNames, ref, record.data());
        if (!IsamOK()) {
            ShowInformation(0, first ? kMsgNameForBoardGetRecordFailed1 : kMsgNameForBoardGetRecordFailed2);
            return false;
        }
        if (std::memcmp(record.data() + kPositionOffset, position.itsBytes.data(),
                        position.itsBytes.size()) == 0) {
            name = std::string(IsamKeyBytes(key));
            return true;
        }
        BTNextEntry(itsNames, 1, key, ref);
    }
    return false;
}

bool TBook2::GetBoardForThisName(const std::string& name, TPackedPosition& position) {
    if (itsNames == nullptr) return false;
    RecRef ref = BTFindKey(itsNames, 1, NameKey(name));
    if (Failed(kMsgBoardForNameFindKeyFailed) || !IsamOK()) return false;
    std::array<uint8_t, kNameSlotBytes> record{};
    BTGetRec(itsNames, ref, record.data());
    if (!IsamOK()) {
        ShowInformation(0, kMsgBoardForNameGetRecordFailed);
        return false;
    }
    std::memcpy(position.itsBytes.data(), record.data() + kPositionOffset, position.itsBytes.size());
    return true;
}

bool TBook2::NextBoardName(std::string& name) {
    if (itsNames == nullptr) return false;
    TIsamKey key = NameKey(name);
    BTFindFollowing(itsNames, 1, key);
    if (!IsamOK()) return false;
    name = std::string(IsamKeyBytes(key));
    return true;
}

bool TBook2::PreviousBoardName(std::string& name) {
    if (itsNames == nullptr) return false;
    TIsamKey key = NameKey(name);
    BTFindPreceding(itsNames, 1, key);
    if (!IsamOK()) return false;
    name = std::string(IsamKeyBytes(key));
    return true;
}

} // namespace marvek
