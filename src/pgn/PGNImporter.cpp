#include "pgn/PGNImporter.h"

#include <algorithm>
#include <cstring>

#include "app/MessageNumbers.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "book/Book2.h"
#include "book/CommentBuffer.h"
#include "pgn/ImportLookAhead.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace marvek {

namespace {

const std::string kLinesRead = "Lines Read:";
const std::string kGamesImported = "Games Imported:";

std::string ThreeDigits(int32_t number) {
    std::string digits = std::to_string(number < 0 ? -int64_t(number) : int64_t(number));
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return number < 0 ? "-" + digits : digits;
}

std::string CutName(std::string name) {
    if (name.size() > std::size_t(kMaxNameLength)) name.resize(std::size_t(kMaxNameLength));
    return name;
}

// Writes a whole file; the errno of the first failure, 0 when written.
int WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
    TFile file;
    int code = file.Create(path);
    if (code == 0 && size > 0) code = file.WriteAt(0, data, size);
    int closed = file.Close();
    return code != 0 ? code : closed;
}

} // namespace

TPGNImportOptions TPGNImportOptions::FromSettings(const TSettings& settings) {
    TPGNImportOptions options;
    options.itsPlyLimit = settings.PgnImportPlies();
    options.itsHeaderInComment = settings.PgnImportHeaderInComment();
    int style = settings.PgnImportNamingStyle();
    options.itsNamingStyle = style >= 0 && style <= 5 ? TNamingStyle(style) : TNamingStyle::kNone;
    options.itsSequentialName = settings.PgnImportSequentialName();
    options.itsSequentialNumber = settings.PgnImportNextSequentialNumber();
    options.itsDoNotOverwriteNames = settings.PgnImportDoNotOverwriteNames();
    return options;
}

void TPGNImportOptions::StoreNaming(TSettings& settings) const {
    settings.SetPgnImportNamingStyle(int(itsNamingStyle));
    settings.SetPgnImportSequentialName(itsSequentialName);
    settings.SetPgnImportNextSequentialNumber(itsSequentialNumber);
    settings.SetPgnImportDoNotOverwriteNames(itsDoNotOverwriteNames);
}

bool PlayerMatches(const TPGNHeader& header, TPlayerFilter filter, const std::string& player) {
    if (filter == TPlayerFilter::kNone) return true;
    std::string name = filter == TPlayerFilter::kWhite ? header.itsWhite : header.itsBlack;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return name == player;
}

TPGNImporter::TPGNImporter(const TPGNImportOptions& options, TProgress* progress)
    : TPGNGameReader(kDepthLimit, options.itsPlyLimit, true), itsOptions(options), itsProgress(progress) {}

TPGNImporter::~TPGNImporter() = default;

std::string TPGNImporter::ImportMessage(int32_t gamesRead, const std::string& fileName,
                                        const std::string& bookName) {
    return std::to_string(gamesRead) + " games were imported from \r" + fileName + " into " + bookName + ".";
}

std::string TPGNImporter::PositionName(const TPGNImportOptions& options, const TPGNHeader& header,
                                       int32_t number) {
    switch (options.itsNamingStyle) {
    case TNamingStyle::kSequential: {
        std::string digits = ThreeDigits(number);
        std::string prefix = options.itsSequentialName;
        std::size_t room = std::size_t(kMaxNameLength) - 1 - std::min(digits.size(), std::size_t(40));
        if (prefix.size() > room) prefix.resize(room);
        return CutName(prefix + "-" + digits);
    }
    case TNamingStyle::kWhite: return CutName(header.itsWhite);
    case TNamingStyle::kBlack: return CutName(header.itsBlack);
    case TNamingStyle::kWhiteAndBlack: return CutName(header.itsWhite + "-" + header.itsBlack);
    case TNamingStyle::kFen: return CutName(header.itsFEN);
    case TNamingStyle::kNone: break;
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// The import

TPGNImportResult TPGNImporter::Import(TBook2& book, TCommentBuffer& comment, const std::string& playerName,
                                      TPlayerFilter filter, bool writeLine, const TNoveltyColours& colours,
                                      const std::string& fileName) {
    BeginImport(book, comment, playerName, filter, colours, fileName);
    try {
        StartLookAhead(fileName);
        while (!AtEndOfFile() && !itsStopRequested) {
            SkipToNextGame();
            if (AtEndOfFile()) break;
            HandOnLookAhead();
            ImportGame();
        }
        // The writing pass has the second core to itself.
        itsLookAhead.reset();
        EndBulkUpdate(true);
    } catch (...) {
        itsLookAhead.reset();
        // What was imported before the failure stays in the book.
        EndBulkUpdate(false);
        if (itsProgress != nullptr) itsProgress->Finish();
        CloseInput();
        throw;
    }
    EndImport();
    if (writeLine && itsNoveltyLength > 0) WriteNoveltyLine();
    return itsResult;
}

void TPGNImporter::BeginImport(TBook2& book, TCommentBuffer& comment, const std::string& playerName,
                               TPlayerFilter filter, const TNoveltyColours& colours,
                               const std::string& fileName) {
    MARVEK_ASSERT(book.IsOpen() && !book.IsReadOnly());
    itsBook = &book;
    itsComment = &comment;
    itsColours = colours;
    itsFilter = filter;
    // The player filter compares upper-cased names.
    itsPlayer = playerName.substr(0, std::size_t(kMaxTagValue));
    std::transform(itsPlayer.begin(), itsPlayer.end(), itsPlayer.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    itsResult = TPGNImportResult();
    itsStopRequested = false;
    itsNamingAsked = false;
    itsCommentErrorReported = false;
    itsNoveltyInGame = itsNoveltyPending = false;
    itsNoveltyLength = 0;
    SetPlyLimit(itsOptions.itsPlyLimit);

    int code = OpenInput(fileName);
    if (code != 0)
        throw EMarvekError("The file " + fileName + " could not be opened: " + std::strerror(code) + ".");

    // The import keeps the book's records in memory and writes them in order; a bulk update the
    // caller began is the caller's to end.
    itsOwnBulkUpdate = !book.InBulkUpdate();
    if (itsOwnBulkUpdate) {
        // A game file holds a position for every ten bytes or so at most: the lookups to expect.
        int64_t fileBytes = 0;
        if (marvek::FileSize(fileName, &fileBytes) != 0) fileBytes = 0;
        book.BeginBulkUpdate(BulkUpdateBytes(Settings().ImportMemoryBudget()), itsProgress,
                             size_t(fileBytes / 10));
    }
    if (itsProgress != nullptr) {
        itsProgress->Start("Import PGN");
        itsProgress->SetText(0, "Importing from... " + fileName);
    }
}

void TPGNImporter::ImportGame() {
    ReadTags();
    if (!PassesFilter()) {
        if (GameHasContent()) ++itsResult.itsGamesFound;
        SkipGame();
        return;
    }
    if (!SetUpStartPosition()) {
        // A FEN that gives no playable position: the game cannot be read from it.
        ++itsResult.itsGamesFound;
        if (itsResult.itsBadFenGames++ == 0)
            UserInterface().ShowMessage("The FEN tag \"" + Header().itsFEN + "\" of the game " +
                                        Header().itsWhite + "-" + Header().itsBlack + " near line " +
                                        std::to_string(LineCount()) +
                                        " is not a position that can be played; the game was skipped.");
        SkipGame();
        return;
    }
    if (!Header().itsFEN.empty()) {
        if (!itsNamingAsked) {
            itsNamingAsked = true;
            if (itsNamingQuestion && !itsNamingQuestion(Header(), itsOptions)) itsStopRequested = true;
        }
        if (!itsStopRequested) NameStartPosition();
    }
    if (!itsStopRequested) ReadMovetext();
    // Text that only looked like the start of a game (a "[" at the start of a line of junk) has
    // neither a tag pair nor a move: it is no game and leaves the book alone.
    if (!GameHasContent()) {
        SkipGame();
        return;
    }
    // Stop takes effect once the movetext is read: the game is counted, not finished.
    if (!itsStopRequested) FinishGame();
    ++itsResult.itsGamesFound;
    ++itsResult.itsGamesRead;
}

bool TPGNImporter::PassesFilter() const {
    return PlayerMatches(Header(), itsFilter, itsPlayer);
}

void TPGNImporter::StartLookAhead(const std::string& fileName) {
    itsLookAhead.reset();
    itsGamesBeforeBatch = 0;
    if (!itsOptions.itsLookAhead || !itsBook->WantsLookAhead()) return;
    // A batch's keys become entries the budget counts, with their records to follow: a batch
    // takes a quarter of the budget at most, so that it is not written out before it is used.
    constexpr size_t kBytesPerKey = 256;
    constexpr int32_t kMostGames = 8192;
    size_t mostKeys = std::max(itsBook->BulkUpdateBudget() / 4 / kBytesPerKey, size_t(1024));
    int32_t mostGames = itsOptions.itsLookAheadGames > 0 ? itsOptions.itsLookAheadGames : kMostGames;
    auto lookAhead =
        std::make_unique<TImportLookAhead>(itsOptions.itsPlyLimit, itsFilter, itsPlayer, mostGames, mostKeys);
    if (lookAhead->Start(fileName)) itsLookAhead = std::move(lookAhead);
}

void TPGNImporter::HandOnLookAhead() {
    if (itsLookAhead == nullptr) return;
    if (itsGamesBeforeBatch > 0) {
        --itsGamesBeforeBatch;
        return;
    }
    TLookAheadBatch batch;
    if (itsLookAhead->TakeBatch(CurrentOffset(), batch) && itsBook->LookUpAhead(batch.itsKeys)) {
        itsGamesBeforeBatch = batch.itsGames - 1;
        return;
    }
    itsLookAhead.reset();
}

void TPGNImporter::EndBulkUpdate(bool normal) {
    if (!itsOwnBulkUpdate) return;
    // A failure here is not tried a second time on the failure path.
    itsOwnBulkUpdate = false;
    if (normal) {
        itsBook->EndBulkUpdate();
        return;
    }
    try {
        itsBook->EndBulkUpdate();
    } catch (...) {
        // The first failure is the one reported.
    }
}

void TPGNImporter::EndImport() {
    ShowProgress();
    if (itsProgress != nullptr) itsProgress->Finish();
    itsResult.itsStopped = itsStopRequested;
    itsResult.itsReadError = ReadError();
    CloseInput();
}

void TPGNImporter::NameStartPosition() {
    int32_t number = itsOptions.itsSequentialNumber;
    std::string name = PositionName(itsOptions, Header(), number);
    if (name.empty()) return;
    if (itsOptions.itsDoNotOverwriteNames && itsBook->ThisBoardNameExists(name)) {
        if (itsOptions.itsNamingStyle == TNamingStyle::kSequential) {
            // Every number names at most one position, so a free one comes within NameCount steps.
            do {
                ++number;
                name = PositionName(itsOptions, Header(), number);
            } while (itsBook->ThisBoardNameExists(name));
            itsOptions.itsSequentialNumber = number;
        } else {
            std::string base = name;
            for (int k = 2;; ++k) {
                std::string suffix = "(" + std::to_string(k) + ")";
                name = base.substr(0, std::size_t(kMaxNameLength) - suffix.size()) + suffix;
                if (!itsBook->ThisBoardNameExists(name)) break;
            }
        }
    }
    itsBook->UpdateBoardName(StartPositionOfGame(), name);
}

void TPGNImporter::ReadTagLine() {
    TPGNGameReader::ReadTagLine();
    // Dates go into header comments without their placeholders.
    std::string& date = itsHeader.itsDate;
    date.erase(std::remove(date.begin(), date.end(), '.'), date.end());
    date.erase(std::remove(date.begin(), date.end(), '?'), date.end());
}

void TPGNImporter::FinishGame() {
    ++itsResult.itsGamesFinished;
    LoadRecord(CurrentPosition());
    if (itsOptions.itsHeaderInComment) {
        const TPGNHeader& t = Header();
        auto spaced = [](const std::string& value, const char* unset) {
            return value == unset || value.empty() ? std::string() : value + " ";
        };
        std::string round =
            t.itsRound == "?" ? std::string() : LoadMessage(kMsgRound) + " " + t.itsRound + " ";
        itsHeaderLines.assign({t.itsWhite + "-" + t.itsBlack + " " + spaced(t.itsEvent, "?"),
                               spaced(t.itsResultText, "*") + spaced(t.itsSite, "?") + round +
                                   spaced(t.itsDate, "????.??.??")});
        // A refused header must not cost the position its stored comment.
        if (!AppendCommentLines(itsHeaderLines)) LoadRecord(CurrentPosition());
    }
    if (itsRecord.InformantRate() == kRateNone) itsRecord.SetInformantRate(ResultRate(Header().itsResult));
    StoreRecord();
    itsNoveltyInGame = itsNoveltyPending = false;
    TPGNGameReader::FinishGame();
}

// ---------------------------------------------------------------------------------------------
// What the game's moves, comments and NAGs do to the book. Until a game has shown a tag pair or a
// move it may be junk that only looked like a game; its comments, NAGs and parentheses then leave
// the book alone.

void TPGNImporter::LoadRecord(const TPackedPosition& position) {
    itsRecord.Clear();
    itsRecord.SetPosition(position);
    itsBook->FillInEverything(itsRecord, itsComment);
}

void TPGNImporter::StoreRecord() {
    itsBook->UpdateEverything(itsRecord, itsComment);
}

void TPGNImporter::MoveAction(const TPackedMove& move) {
    // Most moves of most games are already candidates; the book tells without unpacking the record.
    int index = -1;
    int count = 0;
    bool present = itsBook->FindCandidate(CurrentPosition(), move, index, count);
    if (index >= 0) return;
    if (Depth() == 0 && !itsNoveltyInGame) itsNoveltyInGame = itsNoveltyPending = true;
    if (count >= TPositionRecord::kMaxCandidates) return;
    // A stored record is read with its comment, which the write must keep; a new position has none.
    if (present) {
        LoadRecord(CurrentPosition());
    } else {
        // As a read of a position not in the book leaves the record.
        itsRecord.Clear();
        itsRecord.SetPosition(CurrentPosition());
        itsRecord.SetBacksolvedCount(0);
    }
    if (!itsRecord.AddCandidate(move)) return;
    TCandidate& added = itsRecord.Candidate(itsRecord.CandidateCount() - 1);
    added.itsGreen = itsColours.itsGreen;
    added.itsYellow = itsColours.itsYellow;
    added.itsRed = itsColours.itsRed;
    itsBook->UpdateEverything(itsRecord, present ? itsComment : nullptr);
}

void TPGNImporter::MoveStored(const TPackedMove&) {
    // The next move's lookup is for this position; its memory can be fetched while that move is read.
    itsBook->Prefetch(CurrentPosition());
    if (!itsNoveltyPending) return;
    itsNoveltyPending = false;
    itsNoveltyLength = MainLineLength();
    std::copy_n(MainLine(), itsNoveltyLength, itsNoveltyLine.begin());
    itsNoveltyStart = StartPositionOfGame();
}

void TPGNImporter::SymbolAction(int symbol) {
    if (!GameHasContent()) return;
    LoadRecord(PositionBeforeLastMove());
    int index = itsRecord.FindCandidate(LastMove());
    if (index < 0) return;
    itsRecord.Candidate(index).itsMove.itsSymbol = std::uint8_t(symbol);
    StoreRecord();
}

void TPGNImporter::RateAction(int rate) {
    if (!GameHasContent()) return;
    LoadRecord(CurrentPosition());
    itsRecord.SetInformantRate(rate);
    // A leaf has nothing to backsolve from, so its own rate stands for it.
    if (itsRecord.CandidateCount() == 0) itsRecord.SetBacksolvedRate(rate);
    StoreRecord();
}

void TPGNImporter::VariationEndAction() {
    if (!GameHasContent()) return;
    // The last position of every variation gets a record; one that has one keeps it as it is.
    if (itsBook->IsInBook(CurrentPosition())) return;
    LoadRecord(CurrentPosition());
    StoreRecord();
}

void TPGNImporter::CommentAction(const std::vector<std::string>& lines) {
    if (!GameHasContent()) return;
    LoadRecord(CurrentPosition());
    if (AppendCommentLines(lines)) StoreRecord();
}

bool TPGNImporter::AppendCommentLines(const std::vector<std::string>& lines) {
    try {
        std::size_t length = 0;
        std::vector<std::string> present = itsComment->PlainTextLines();
        for (const std::string& line : present) length += line.size() + 1;
        if (length > 0) --length;
        for (const std::string& line : lines) {
            // A line that would take the comment to the limit is dropped, and so is the rest.
            if (length + line.size() >= kMaxCommentLength) break;
            itsComment->AppendLine(line);
            length += line.size() + 1;
        }
        return true;
    } catch (const std::exception& e) {
        if (!itsCommentErrorReported) {
            itsCommentErrorReported = true;
            UserInterface().ShowMessage(e.what());
            UserInterface().ShowMessage("There was a problem interpreting a comment in the PGN file.  Move "
                                        "this window and note the game information.");
        }
        itsComment->Clear();
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Progress and the novelty line

void TPGNImporter::ShowProgress() {
    if (itsProgress == nullptr) return;
    itsProgress->SetCounter(kLinesRead, LineCount());
    itsProgress->SetCounter(kGamesImported, itsResult.itsGamesFinished);
    itsProgress->SetPercent(PercentRead());
}

void TPGNImporter::TagsRead() {
    if (itsProgress == nullptr) return;
    ShowProgress();
    itsProgress->SetText(1, Header().itsWhite + " - " + Header().itsBlack + "  " + Header().itsSite);
}

void TPGNImporter::LineRead() {
    ShowProgress();
}

void TPGNImporter::TokenRead() {
    if (itsProgress != nullptr && itsProgress->ProcessMessages()) itsStopRequested = true;
}

void TPGNImporter::WriteNoveltyLine() {
    std::string base = itsBook->ExpandedName();
    std::vector<std::uint8_t> moves(std::size_t(itsNoveltyLength) * 4);
    for (int i = 0; i < itsNoveltyLength; ++i) {
        std::uint32_t code = itsNoveltyLine[std::size_t(i)].ToUint32();
        for (int b = 0; b < 4; ++b) moves[std::size_t(i * 4 + b)] = std::uint8_t(code >> (8 * b));
    }
    int code =
        WriteWholeFile(base + ".2B2", itsNoveltyStart.itsBytes.data(), itsNoveltyStart.itsBytes.size());
    if (code == 0) code = WriteWholeFile(base + ".2B1", moves.data(), moves.size());
    if (code != 0)
        throw EMarvekError("The line of the last new move could not be written beside the book " + base +
                           ": " + std::strerror(code) + ".");
}

} // namespace marvek
