// The storage engine and the verifiers on damaged books. An input holds the four files of a book
// of one position file, each as a 32-bit little-endian length and its bytes: the position file's
// data and index, then the names file's data and index (a length past the end takes what is left).
// Each input is verified, opened and walked key by key, changed a little, rebuilt and verified
// again: a database its rebuild reports sound must pass the storage verifier.

#include "FuzzSupport.h"

#include "book/Book2.h"
#include "book/BookVerifier.h"
#include "book/PositionKey.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "storage/Verifier.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace marvek;

namespace {

// Reads every key of a database and the record it leads to.
void WalkDatabase(const std::string& base, int k) {
    TBook2::SetExtensions(k);
    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, base, true, false);
    if (db == nullptr) return;
    std::vector<uint8_t> record(std::max<size_t>(kMaxVariableRead, kNameSlotBytes));
    TIsamKey key = MakeIsamKey("");
    RecRef ref = BTFindAtLeast(db, 1, key);
    while (IsamOK()) {
        if (k == 0) {
            BTGetRec(db, ref, record.data());
        } else {
            uint16_t length = BTGetVariableRec(db, ref, record.data());
            if (IsamOK()) {
                try {
                    TPositionRecord position;
                    TRichTextBuffer comment;
                    position.Unpack(record.data(), length,
                                    TPositionRecord::StoredPosition(record.data(), length), &comment);
                } catch (const EMarvekError&) {
                    // A damaged record is refused; that is all a reader may do with it.
                }
            }
        }
        (void)BTFindKey(db, 1, key);
        BTNextEntry(db, 1, key, ref);
    }
    (void)BTUsedRecCount(db);
    (void)BTKeyEntryCount(db, 1);
    BTCloseDatabase(db);
}

// Opens the book as the program does and changes it a little: a record and a name.
void ChangeBook(const std::string& base) {
    TBook2 book;
    try {
        book.Open(base, false, false);
        std::string name;
        while (book.NextBoardName(name)) {
            TPackedPosition position;
            (void)book.GetBoardForThisName(name, position);
        }
        TPositionRecord record;
        record.SetPosition(StartPosition());
        TRichTextBuffer comment;
        book.FillInEverything(record, &comment);
        comment.AppendLine("fuzz");
        book.UpdateEverything(record, &comment);
        book.UpdateBoardName(StartPosition(), "Fuzz");
        (void)book.PositionCount();
        book.Close();
    } catch (const EMarvekError&) {
        // The book layer's answer to a damaged database, or to a damaged record (an internal
        // error, which the program's command loop shows and goes on from).
    }
}

void CheckSound(const std::string& base, int k) {
    TVerifyOptions options;
    options.itsBase = base;
    options.itsDataExt = TBook2::Extension(k, 'D');
    options.itsIndexExt = TBook2::Extension(k, 'X');
    options.itsJournalExt = TBook2::Extension(k, '$');
    options.itsVariable = k != 0;
    TVerifyReport report = VerifyDatabase(options);
    if (!report.Sound())
        fuzz::Fail("file " + std::to_string(k) + " does not verify after a rebuild that reported success: " +
                   (report.itsFaults.empty() ? report.itsOpenError : report.itsFaults.front()));
}

} // namespace

MARVEK_FUZZ_ENTRY(const uint8_t* data, size_t size) {
    fuzz::StartEngineOnce();
    std::string base = fuzz::ScratchFolder() + "StorageBook";
    for (const char* ext : {"2MD", "2MX", "2JD", "2JX", "2M$", "2J$", "2M@", "2J@", "SAV", "2ND"})
        RemoveFile(base + "." + ext);
    const char* files[] = {"2MD", "2MX", "2JD", "2JX"};
    size_t at = 0;
    for (const char* ext : files) {
        uint32_t length = 0;
        if (size - at >= 4) {
            std::memcpy(&length, data + at, 4);
            at += 4;
        } else {
            at = size;
        }
        size_t take = std::min<size_t>(length, size - at);
        fuzz::WriteScratchFile(std::string("StorageBook.") + ext,
                               {reinterpret_cast<const char*>(data) + at, take});
        at += take;
    }

    (void)VerifyBook(base);
    WalkDatabase(base, 1);
    WalkDatabase(base, 0);
    ChangeBook(base);
    (void)VerifyBook(base);

    bool positionsRebuilt = TBook2::RebuildFile(base, 1);
    if (positionsRebuilt) CheckSound(base, 1);
    bool namesRebuilt = TBook2::RebuildFile(base, 0);
    if (namesRebuilt) CheckSound(base, 0);
    if (positionsRebuilt && namesRebuilt) {
        WalkDatabase(base, 1);
        WalkDatabase(base, 0);
        (void)VerifyBook(base);
    }
    return 0;
}
