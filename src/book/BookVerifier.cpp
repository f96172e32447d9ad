#include "book/BookVerifier.h"

#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessPosition.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "storage/Verifier.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace marvek {

namespace {

std::string Str(int64_t n) {
    return std::to_string(n);
}

void VerifyStorage(TBookVerifyReport& report, const std::string& base, int k, bool variable) {
    TVerifyOptions options;
    options.itsBase = base;
    options.itsDataExt = TBook2::Extension(k, 'D');
    options.itsIndexExt = TBook2::Extension(k, 'X');
    options.itsJournalExt = TBook2::Extension(k, '$');
    options.itsVariable = variable;
    TVerifyReport storage = VerifyDatabase(options);
    std::string what = k == 0 ? "names file" : "position file " + Str(k);
    if (!storage.Opened()) {
        report.itsFaults.push_back(what + ": " + storage.itsOpenError);
        return;
    }
    for (const std::string& fault : storage.itsFaults) report.itsFaults.push_back(what + ": " + fault);
}

// Walks a key index from its first entry; f gets each key and reference. Reading records in
// between does not move the index's cursor.
template <typename F>
void ForEachEntry(IsamDatabase* db, F f) {
    TIsamKey key = MakeIsamKey("");
    RecRef ref = BTFindAtLeast(db, 1, key);
    while (IsamOK()) {
        f(key, ref);
        BTNextEntry(db, 1, key, ref);
    }
}

// The layout every stored position record has, whatever its contents.
std::string CheckPositionRecord(const TIsamKey& key, const uint8_t* r, size_t length) {
    using R = TPositionRecord;
    auto word = [r](size_t offset) { return size_t(r[offset] | r[offset + 1] << 8); };
    if (length < R::kHeaderSize) return "holds " + Str(int64_t(length)) + " bytes, fewer than a record's 53";
    if (r[0] != 0 || r[1] != 0 || r[2] != 0 || r[3] != 0) return "does not start with four zero bytes";
    size_t stated = word(R::kLengthOffset);
    if (stated != length)
        return "says it holds " + Str(int64_t(stated)) + " bytes but holds " + Str(int64_t(length));
    if (key[0] != kPositionKeyLength ||
        std::memcmp(key.data() + 1, r + R::kPositionOffset, kPositionKeyLength) != 0)
        return "is stored under a key that is not its position";
    TPackedPosition position;
    std::memcpy(position.itsBytes.data(), r + R::kPositionOffset, position.itsBytes.size());
    try {
        if (TChessPosition(position).CanonicalTransform().Any())
            return "its position is not in canonical form";
    } catch (const EMarvekError&) {
        // A board without the king of the side to move has no canonical form to compare with.
        return "its position has no king of the side to move";
    }
    size_t openingCode = r[R::kOpeningLengthOffset], candidates = r[R::kCandidateCountOffset],
           takeBacks = r[R::kTakeBackCountOffset];
    size_t marks = word(R::kScriptLengthOffset), comment = word(R::kCommentLengthOffset);
    if (openingCode > 11) return "has an opening code of " + Str(int64_t(openingCode)) + " characters";
    if (candidates > 30 || takeBacks > 30) return "has more than 30 candidates or take-back entries";
    if (comment > 60000) return "has a comment of more than 60000 bytes";
    size_t total = R::kHeaderSize + openingCode + R::kCandidateSize * candidates +
                   TTakeBack::kStoredSize * takeBacks + comment + marks;
    if (total != length)
        return "its parts add up to " + Str(int64_t(total)) + " bytes, not " + Str(int64_t(length));
    return {};
}

} // namespace

TRecordCheck PositionRecordCheck() {
    return [](const uint8_t* data, size_t length) -> std::string {
        try {
            TPositionRecord record;
            TRichTextBuffer comment;
            record.Unpack(data, length, TPositionRecord::StoredPosition(data, length), &comment);
        } catch (const std::exception& e) {
            return std::string("does not read back as a position record (") + e.what() + ")";
        }
        return {};
    };
}

TBookVerifyReport VerifyBook(const std::string& base, const TRecordCheck& check) {
    TBookVerifyReport report;
    if (!FileExists(base + ".2MD")) {
        report.itsOpenError = "no book at " + base + " (its file " + base + ".2MD is missing)";
        return report;
    }
    int files = 0;
    while (files < kMaxPositionFiles && FileExists(base + "." + TBook2::Extension(files + 1, 'D'))) ++files;
    for (int k = 1; k <= files; ++k) VerifyStorage(report, base, k, true);
    VerifyStorage(report, base, 0, false);
    if (!report.itsFaults.empty()) {
        // Damaged storage is reported as it is; reading records through it could only add noise.
        report.itsOpened = true;
        return report;
    }

    report.itsOpened = true;
    report.itsPositionFiles = files;
    std::vector<uint8_t> record(kMaxVariableRead);
    for (int k = 1; k <= files; ++k) {
        std::string what = "position file " + Str(k);
        TBook2::SetExtensions(k);
        IsamDatabase* db = nullptr;
        BTOpenDatabase(db, base, true, false);
        if (db == nullptr) {
            report.itsFaults.push_back(what + ": cannot be opened (error " + Str(IsamError()) + ")");
            continue;
        }
        ForEachEntry(db, [&](const TIsamKey& key, RecRef ref) {
            ++report.itsPositions;
            std::string where = what + ": record " + Str(ref);
            uint16_t length = BTGetVariableRec(db, ref, record.data());
            if (!IsamOK()) {
                report.itsFaults.push_back(where + ": cannot be read (error " + Str(IsamError()) + ")");
                return;
            }
            std::string fault = CheckPositionRecord(key, record.data(), length);
            if (fault.empty() && check) fault = check(record.data(), length);
            if (!fault.empty()) report.itsFaults.push_back(where + ": " + fault);
        });
        BTCloseDatabase(db);
    }

    TBook2::SetExtensions(0);
    IsamDatabase* names = nullptr;
    BTOpenDatabase(names, base, true, false);
    if (names == nullptr) {
        report.itsFaults.push_back("names file: cannot be opened (error " + Str(IsamError()) + ")");
        return report;
    }
    if (BTRecLength(names) != kNameSlotBytes) {
        // Its records could not be read into a name's slot.
        report.itsFaults.push_back("names file: its slots hold " + Str(BTRecLength(names)) + " bytes, not " +
                                   Str(kNameSlotBytes));
        BTCloseDatabase(names);
        return report;
    }
    ForEachEntry(names, [&](const TIsamKey& key, RecRef ref) {
        ++report.itsNames;
        std::array<uint8_t, kNameSlotBytes> slot{};
        BTGetRec(names, ref, slot.data());
        std::string stored(reinterpret_cast<const char*>(slot.data()) + 39,
                           std::min<size_t>(slot[38], kMaxNameLength));
        if (!IsamOK())
            report.itsFaults.push_back("names file: record " + Str(ref) + " cannot be read");
        else if (stored != IsamKeyBytes(key))
            report.itsFaults.push_back("names file: the name \"" + std::string(IsamKeyBytes(key)) +
                                       "\" leads to record " + Str(ref) + ", which holds the name \"" +
                                       stored + "\"");
    });
    BTCloseDatabase(names);
    return report;
}

} // namespace marvek
