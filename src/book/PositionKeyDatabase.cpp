#include "book/PositionKeyDatabase.h"

#include "app/MessageNumbers.h"
#include "app/StringTable.h"
#include "book/PositionKey.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

namespace marvek {

namespace {

constexpr int kSlotBytes = 32;
constexpr int kPositionsKey = 1;

} // namespace

void TPositionKeyDatabase::UseExtensions() const {
    BTSetExtensions(itsExtensions.itsData, itsExtensions.itsIndex, itsExtensions.itsJournal);
}

bool TPositionKeyDatabase::Create(const std::string& path) const {
    UseExtensions();
    TKeyDescription keys[] = {{kPositionKeyLength, false}};
    BTCreateDatabase(path, kSlotBytes, 1, keys);
    return IsamOK();
}

bool TPositionKeyDatabase::Open(const std::string& path, bool journaled) {
    Close();
    UseExtensions();
    BTOpenDatabase(itsDatabase, path, false, journaled);
    if (IsamOK()) return true;
    itsDatabase = nullptr;
    return false;
}

void TPositionKeyDatabase::Close() {
    if (itsDatabase != nullptr) BTCloseDatabase(itsDatabase);
    itsDatabase = nullptr;
}

void TPositionKeyDatabase::RequireRoom(const std::string& path) {
    if (FreeBytes(path) < kMinimumFreeBytes) throw EDatabaseProblem(LoadMessage(kMsgNotEnoughDiskSpace));
}

int32_t TPositionKeyDatabase::Find(const TIsamKey& key, bool& found) {
    MARVEK_ASSERT(IsOpen());
    RecRef value = BTFindKey(itsDatabase, kPositionsKey, key);
    found = IsamOK();
    return found ? value : 0;
}

void TPositionKeyDatabase::Add(const TIsamKey& key, int32_t value) {
    MARVEK_ASSERT(IsOpen());
    BTAddKey(itsDatabase, kPositionsKey, key, value);
}

void TPositionKeyDatabase::Remove(const TIsamKey& key, int32_t value) {
    MARVEK_ASSERT(IsOpen());
    BTDeleteKey(itsDatabase, kPositionsKey, key, value);
}

void TPositionKeyDatabase::Clear() {
    MARVEK_ASSERT(IsOpen());
    BTClearIndex(itsDatabase, kPositionsKey);
}

int32_t TPositionKeyDatabase::Count() {
    MARVEK_ASSERT(IsOpen());
    return BTKeyEntryCount(itsDatabase, kPositionsKey);
}

} // namespace marvek
