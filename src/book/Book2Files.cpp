// The book's file set: create, open (with rebuilds), close, rename, delete, and growth into a
// further position file.

#include "book/Book2.h"

#include "app/MessageNumbers.h"
#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "book/KeyFilter.h"
#include "book/PositionRecord.h"
#include "book/RecordCache.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "storage/IsamErrors.h"

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace marvek {

namespace {

constexpr const char* kFileLetters = "MNOPQRSTUVWXYZ";

// Rebuilds take a position's key from its stored canonical position...
bool StoredPositionKey(const uint8_t* record, int length, int, TIsamKey& key) {
    constexpr size_t kAt = TPositionRecord::kPositionOffset;
    if (length < int(kAt) + kPositionKeyLength) return false;
    key = MakeIsamKey({reinterpret_cast<const char*>(record) + kAt, kPositionKeyLength});
    return true;
}

// ...and a name's key from the name stored in its record.
bool StoredNameKey(const uint8_t* record, int length, int, TIsamKey& key) {
    if (length < kNameSlotBytes) return false;
    int n = std::min<int>(record[38], kMaxNameLength);
    key = MakeIsamKey({reinterpret_cast<const char*>(record) + 39, static_cast<size_t>(n)});
    return true;
}

const TKeyDescription kPositionKeys[] = {{kPositionKeyLength, false}};
const TKeyDescription kNameKeys[] = {{kMaxNameLength, false}};

} // namespace

int64_t& PositionFileSizeLimit() {
    static int64_t limit = 1799999999;
    return limit;
}

TBook2::TBook2() : itsRecord(kBookRecordBytes) {}

TBook2::~TBook2() {
    Close();
}

std::string TBook2::Extension(int k, char kind) {
    MARVEK_ASSERT(k >= 0 && k <= kMaxPositionFiles);
    std::string ext = "2";
    ext += k == 0 ? 'J' : kFileLetters[k - 1];
    ext += kind;
    return ext;
}

std::string TBook2::CleanBookName(const std::string& name) {
    std::filesystem::path path(name);
    std::string file = path.filename().string();
    std::string upper = file;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    size_t cut = upper.rfind(".2MD");
    if (cut != std::string::npos && cut + 4 == upper.size()) file.erase(cut);
    file.erase(std::remove(file.begin(), file.end(), '.'), file.end());
    path.replace_filename(file);
    return path.string();
}

std::string TBook2::FileName(int k, char kind) const {
    return itsExpandedName + "." + Extension(k, kind);
}

void TBook2::SetExtensions(int k) {
    BTSetExtensions(Extension(k, 'D'), Extension(k, 'X'), Extension(k, '$'));
    BTSetRebuildExtensions("SAV", Extension(k, '@'));
}

bool TBook2::RebuildFile(const std::string& base, int k) {
    SetExtensions(k);
    if (k == 0)
        BTRebuildDatabase(base, kNameSlotBytes, 1, StoredNameKey, kNameKeys);
    else
        BTRebuildVariableDatabase(base, kPositionSlotBytes, 1, StoredPositionKey, kPositionKeys);
    return IsamOK();
}

void TBook2::RememberName(const std::string& name) {
    itsBaseName = name;
    itsExpandedName = ExpandedPath(name);
    itsFolder = std::filesystem::path(itsExpandedName).parent_path().string();
}

bool TBook2::DriveHasFreeSpace() const {
    return FreeBytes(itsFolder.empty() ? "." : itsFolder) > 0;
}

void TBook2::ClearReadOnlyAttributes() const {
    // Files copied from read-only media keep their attribute; on such media it stays.
    if (!DriveHasFreeSpace()) return;
    for (const std::string& file : MatchingFiles(itsExpandedName))
        if (marvek::IsReadOnly(file)) ClearReadOnly(file);
}

bool TBook2::CreatePositionFile(int k) {
    SetExtensions(k);
    BTCreateDatabase(itsExpandedName, kPositionSlotBytes, 1, kPositionKeys);
    if (IsamOK()) return true;
    itsErrorCode = IsamError();
    ShowInformation(0, kMsgCannotCreateMainFile);
    return false;
}

bool TBook2::Create(const std::string& name) {
    MARVEK_ASSERT(itsPositions[0] == nullptr);
    RememberName(name);
    ClearReadOnlyAttributes();
    // A book another program has open is not deleted under it.
    for (int k : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}) {
        TFile probe;
        if (probe.Open(FileName(k, 'D'), TFileMode::kReadOnly) == EWOULDBLOCK) {
            itsErrorCode = isam::kIoError;
            ShowInformation(0, k == 0 ? kMsgCannotCreateNameFile : kMsgCannotCreateMainFile);
            return false;
        }
    }
    // An old book of this name must not lend its later position files to the new one.
    for (int k = 1; k <= kMaxPositionFiles; ++k) {
        std::string data = FileName(k, 'D');
        if (FileExists(data)) {
            ClearReadOnly(data);
            RemoveFile(data);
        }
    }
    itsErrorCode = 0;
    if (!CreatePositionFile(1)) return false;
    itsFileCount = 0;
    SetExtensions(0);
    BTCreateDatabase(itsExpandedName, kNameSlotBytes, 1, kNameKeys);
    if (!IsamOK()) {
        itsErrorCode = IsamError();
        ShowInformation(0, kMsgCannotCreateNameFile);
        return false;
    }
    return true;
}

void TBook2::OpenDatabase(IsamDatabase*& db, int k, int failMessage) {
    SetExtensions(k);
    BTOpenDatabase(db, itsExpandedName, itsReadOnly, itsSafeSave);
    // Records are read into buffers of the book's slot sizes: a file of other slots is damaged.
    if (IsamOK() && BTRecLength(db) == (k == 0 ? kNameSlotBytes : kPositionSlotBytes)) return;
    if (db != nullptr) BTCloseDatabase(db);
    db = nullptr;
    itsErrorCode = kBookOpenFailed;
    throw EDatabaseProblem(LoadMessage(failMessage));
}

void TBook2::Open(const std::string& name, bool readOnly, bool safeSave, bool rebuildNames,
                  bool rebuildPositions) {
    Close();
    if (!FileExists(name + ".2MD"))
        throw EDatabaseProblem(
            "Database file does not exist.  Folder or file name may have illegal characters.");
    RememberName(name);
    itsReadOnly = readOnly;
    itsSafeSave = safeSave;
    itsErrorCode = 0;
    ClearReadOnlyAttributes();
    if (rebuildPositions) {
        for (int k = 1; k <= kMaxPositionFiles && FileExists(FileName(k, 'D')); ++k)
            RebuildFile(itsExpandedName, k);
    }
    if (rebuildNames) RebuildFile(itsExpandedName, 0);
    try {
        for (int k = 1; k <= kMaxPositionFiles && FileExists(FileName(k, 'D')); ++k) {
            OpenDatabase(itsPositions[static_cast<size_t>(k - 1)], k, kMsgCannotOpenMainDatabase);
            itsFileCount = k;
        }
        MARVEK_ASSERT(itsFileCount >= 1);
        OpenDatabase(itsNames, 0, kMsgCannotOpenNameDatabase);
    } catch (...) {
        Close();
        throw;
    }
}

void TBook2::Close() {
    if (itsBulk.itsCache != nullptr) {
        // What a bulk update still keeps is written; a failure has been shown where it happened.
        try {
            if (itsFileCount > 0) WriteCachedRecords();
        } catch (...) {
            // Close runs from the destructor too, which must not throw.
        }
        DropCache();
    }
    for (int k = 1; k <= kMaxPositionFiles; ++k) {
        IsamDatabase*& db = itsPositions[static_cast<size_t>(k - 1)];
        if (db == nullptr) continue;
        BTCloseDatabase(db);
        if (!IsamOK() && itsErrorCode == 0) ShowInformation(0, kMsgCannotCloseMainFile);
        db = nullptr;
    }
    itsFileCount = 0;
    if (itsNames != nullptr) {
        BTCloseDatabase(itsNames);
        if (!IsamOK() && itsErrorCode == 0) ShowInformation(0, kMsgCannotCloseNameFile);
        itsNames = nullptr;
    }
}

void TBook2::EnsureRoom() {
    MARVEK_ASSERT(itsFileCount >= 1);
    IsamDatabase* last = itsPositions[static_cast<size_t>(itsFileCount - 1)];
    int64_t used = static_cast<int64_t>(BTUsedRecCount(last)) * BTRecLength(last);
    if (used <= PositionFileSizeLimit() || itsFileCount >= kMaxPositionFiles) return;
    int k = itsFileCount + 1;
    if (!CreatePositionFile(k)) return;
    itsFileCount = k;
    OpenDatabase(itsPositions[static_cast<size_t>(k - 1)], k, kMsgCannotOpenMainDatabase);
}

int32_t TBook2::PositionCount() {
    WriteCachedRecords();
    int32_t count = 0;
    for (int k = 0; k < itsFileCount; ++k) count += BTKeyEntryCount(itsPositions[static_cast<size_t>(k)], 1);
    return count;
}

int32_t TBook2::NameCount() {
    return itsNames == nullptr ? 0 : BTKeyEntryCount(itsNames, 1);
}

bool TBook2::Rename(const std::string& newName) {
    if (!DriveHasFreeSpace()) return false;
    int files = std::max(itsFileCount, 1);
    Close();
    std::string stem = std::filesystem::path(CleanBookName(newName)).filename().string();
    std::string target = (std::filesystem::path(itsFolder) / stem).string();
    bool ok = true;
    std::vector<std::pair<std::string, std::string>> moved;
    auto move = [&](int k, char kind, bool required) {
        std::string from = FileName(k, kind);
        if (!ok || (!required && !FileExists(from))) return;
        std::string to = target + "." + Extension(k, kind);
        if (RenameFile(from, to) != 0)
            ok = false;
        else
            moved.emplace_back(from, to);
    };
    for (int k = 1; k <= kMaxPositionFiles; ++k) {
        if (k > files && !FileExists(FileName(k, 'D'))) break;
        for (char kind : {'D', 'X'}) move(k, kind, true);
        for (char kind : {'$', '@'}) move(k, kind, false);
    }
    for (char kind : {'D', 'X'}) move(0, kind, true);
    for (char kind : {'$', '@'}) move(0, kind, false);
    if (!ok) {
        // Half a book under each name would open under neither: the moved files go back.
        for (auto file = moved.rbegin(); file != moved.rend(); ++file) RenameFile(file->second, file->first);
        const std::string old = itsExpandedName;
        Open(old, itsReadOnly, itsSafeSave);
        return false;
    }
    Open(target, itsReadOnly, itsSafeSave);
    return true;
}

bool TBook2::Delete() {
    if (!DriveHasFreeSpace()) return false;
    int files = std::max(itsFileCount, 1);
    Close();
    bool ok = true;
    auto remove = [&](int k, char kind, bool required) {
        std::string file = FileName(k, kind);
        if (!required && !FileExists(file)) return;
        if (RemoveFile(file) != 0) ok = false;
    };
    for (int k = 1; k <= kMaxPositionFiles; ++k) {
        if (k > files && !FileExists(FileName(k, 'D'))) break;
        for (char kind : {'D', 'X'}) remove(k, kind, true);
        for (char kind : {'$', '@'}) remove(k, kind, false);
    }
    for (char kind : {'D', 'X'}) remove(0, kind, true);
    for (char kind : {'$', '@'}) remove(0, kind, false);
    return ok;
}

} // namespace marvek
