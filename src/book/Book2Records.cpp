// Reading and writing a position's whole record: FillInEverything and UpdateEverything.

#include "book/Book2.h"

#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "book/CommentBuffer.h"
#include "book/PositionRecord.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "storage/IsamErrors.h"

namespace marvek {

namespace {

[[noreturn]] void RaiseWithMessage(int message) {
    ShowInformation(0, message);
    throw EDatabaseProblem(LoadMessage(message));
}

// Asking the file system for its free space costs two system calls, as much as the write it
// guards; with plenty of room a reading stays good for a short while. Close to full, and whenever
// tests simulate the drive, it is asked every time.
constexpr int64_t kPlentyOfRoom = 64 * 1024 * 1024;
constexpr int64_t kReadingLifetimeMs = 500;

} // namespace

int64_t TBook2::FreeBytesForWriting() {
    int64_t now = TickCount();
    bool fresh = itsFreeBytes >= kPlentyOfRoom && now - itsFreeBytesAt < kReadingLifetimeMs &&
                 FreeSpaceSeam().itsFolders.empty();
    if (!fresh) {
        itsFreeBytes = FreeBytes(itsFolder.empty() ? "." : itsFolder);
        itsFreeBytesAt = now;
    }
    return itsFreeBytes;
}

void TBook2::FillInEverything(TPositionRecord& record, TCommentBuffer* comment) {
    // A position not in the book keeps its rates, certainty and opening code as they were.
    record.ClearCandidates();
    record.ClearTakeBacks();
    record.SetBacksolvedCount(0);
    record.SetAssessment(kNoAssessment);
    record.ScriptList().clear();
    if (comment != nullptr) {
        comment->Clear();
        const TSettings& settings = Settings();
        comment->SetDefaultFont(settings.CommentFontName(), settings.CommentFontSize(),
                                settings.CommentFontStyle(),
                                static_cast<uint32_t>(settings.CommentFontColour()));
    }

    int file = 0;
    RecRef ref = 0;
    TCanonicalTransform transform;
    if (!FindPosition(record.Position(), 188, file, ref, transform)) return;
    uint16_t length = BTGetVariableRec(itsPositions[static_cast<size_t>(file)], ref, itsRecord.data(),
                                       static_cast<uint16_t>(itsRecord.size()));
    if (!IsamOK()) {
        if (IsamError() == isam::kVariableReadFailed)
            throw EDatabaseProblem("BTGetVariableRec() failed. Database is corrupt.");
        ShowInformation(0, 189);
        return;
    }
    record.Unpack(itsRecord.data(), length, record.Position(), comment);
}

void TBook2::UpdateEverything(const TPositionRecord& record, const TCommentBuffer* comment) {
    MARVEK_ASSERT(!itsReadOnly);
    if (FreeBytesForWriting() < kMinimumFreeBytes) throw EDatabaseProblem(LoadMessage(182));
    size_t length = record.Pack(comment, itsRecord.data());
    int file = 0;
    RecRef ref = 0;
    TCanonicalTransform transform;
    bool found = FindPosition(record.Position(), 183, file, ref, transform);
    // A probe that failed (and said so) means a damaged index: adding the position again could
    // only give it a second record.
    if (!found && !IsamOK() && IsamError() != kIsamKeyNotFound) throw EDatabaseProblem(LoadMessage(183));
    if (found) {
        BTPutVariableRec(itsPositions[static_cast<size_t>(file)], ref, itsRecord.data(),
                         static_cast<uint16_t>(length));
        if (!IsamOK()) RaiseWithMessage(184);
        return;
    }
    EnsureRoom();
    IsamDatabase* last = itsPositions[static_cast<size_t>(itsFileCount - 1)];
    ref = BTAddVariableRec(last, itsRecord.data(), static_cast<uint16_t>(length));
    if (!IsamOK()) RaiseWithMessage(185);
    BTAddKey(last, 1, PositionKey(record.Position()), ref);
    if (!IsamOK()) RaiseWithMessage(186);
}

} // namespace marvek
