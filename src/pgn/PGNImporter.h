#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "book/PositionRecord.h"
#include "pgn/PGNGameReader.h"

// Importing a PGN file into an open book: every move played from a position becomes a candidate
// of that position unless it is one already, comments and NAGs go to the positions they follow,
// the result can rate the final position, and positions set up by a FEN tag can be named. The
// book is written position by position as the file is read; a stopped or failed import leaves
// everything imported so far in the book.

namespace marvek {

class TBook2;
class TCommentBuffer;
class TImportLookAhead;
class TProgress;
class TSettings;

// How positions set up by a FEN tag are named.
enum class TNamingStyle : int {
    kNone = 0,
    kSequential = 1, // prefix + "-" + number in at least three digits
    kWhite = 2,
    kBlack = 3,
    kWhiteAndBlack = 4, // White + "-" + Black
    kFen = 5,
};

struct TPGNImportOptions {
    int32_t itsPlyLimit = 500;
    bool itsHeaderInComment = true;
    TNamingStyle itsNamingStyle = TNamingStyle::kSequential;
    std::string itsSequentialName = "Puzzle";
    int32_t itsSequentialNumber = 1;
    bool itsDoNotOverwriteNames = true;
    // A second reader runs ahead of the import on a thread of its own, so that the book looks
    // positions up a batch at a time in key order; the most games it reads at a time (0 for the
    // program's choice).
    bool itsLookAhead = true;
    int32_t itsLookAheadGames = 0;

    static TPGNImportOptions FromSettings(const TSettings& settings);
    // The naming settings back into the record (the sequential number advances as names are
    // taken).
    void StoreNaming(TSettings& settings) const;
};

enum class TPlayerFilter : int { kNone = 0, kWhite = 1, kBlack = 2 };
// Whether a game is one of the player's the filter asks for (`player` upper-cased); every game
// without a filter.
bool PlayerMatches(const TPGNHeader& header, TPlayerFilter filter, const std::string& player);

struct TNoveltyColours {
    bool itsGreen = false;
    bool itsYellow = true;
    bool itsRed = false;
};

struct TPGNImportResult {
    int32_t itsGamesFound = 0;    // games in the file, those the filter or a bad FEN passed over included
    int32_t itsGamesRead = 0;     // the count the final message gives
    int32_t itsGamesFinished = 0; // "Games Imported:" of the progress display
    int32_t itsBadFenGames = 0;   // games skipped because their FEN could not be set up
    bool itsStopped = false;
    int itsReadError = 0; // errno of a failed read of the file; what came before is imported
};

class TPGNImporter : public TPGNGameReader {
public:
    static constexpr int kDepthLimit = 120;
    static constexpr std::size_t kMaxCommentLength = 60000;

    // The naming question, asked once per import at the first FEN game: it may change the
    // naming options; false stops the import. Without one the options are used as they are.
    using TNamingQuestion = std::function<bool(const TPGNHeader& firstFenGame, TPGNImportOptions& options)>;

    // progress may be null.
    TPGNImporter(const TPGNImportOptions& options, TProgress* progress);
    ~TPGNImporter() override;

    void SetNamingQuestion(TNamingQuestion question) { itsNamingQuestion = std::move(question); }

    // Reads the whole file into the book. A file that cannot be opened raises EMarvekError with
    // the system's reason, and nothing is written; EDatabaseProblem from the book ends the import
    // with what was written so far kept.
    TPGNImportResult Import(TBook2& book, TCommentBuffer& comment, const std::string& playerName,
                            TPlayerFilter filter, bool writeLine, const TNoveltyColours& colours,
                            const std::string& fileName);

    // The options as they stand after the import (naming choices, the advanced number).
    const TPGNImportOptions& Options() const { return itsOptions; }

    // The text the program shows when an import ends ("\r" where the box breaks the line).
    static std::string ImportMessage(int32_t gamesRead, const std::string& fileName,
                                     const std::string& bookName);
    // The name a FEN game's start position gets under a style; empty for none. Cut to 41.
    static std::string PositionName(const TPGNImportOptions& options, const TPGNHeader& header,
                                    int32_t number);

    // ---- Overridden steps
    void ReadTagLine() override;
    void FinishGame() override;

protected:
    void MoveAction(const TPackedMove& move) override;
    void MoveStored(const TPackedMove& move) override;
    void CommentAction(const std::vector<std::string>& lines) override;
    void SymbolAction(int symbol) override;
    void RateAction(int rate) override;
    void VariationEndAction() override;
    void TagsRead() override;
    void LineRead() override;
    void TokenRead() override;

private:
    // The import in its steps: Import sets up, reads game after game with ImportGame, and ends.
    void BeginImport(TBook2& book, TCommentBuffer& comment, const std::string& playerName,
                     TPlayerFilter filter, const TNoveltyColours& colours, const std::string& fileName);
    // One game, from its tags to its end; the reader stands at its "[".
    void ImportGame();
    // Starts the look-ahead when the book gains from it, and hands its batches to the book as the
    // import reaches them (the reader at a game's "["); a batch that is no use ends it.
    void StartLookAhead(const std::string& fileName);
    void HandOnLookAhead();
    // Writes what the book keeps in memory; on the failure path (normal = false) the first failure
    // stays the one reported.
    void EndBulkUpdate(bool normal);
    void EndImport();
    bool PassesFilter() const;
    // A game the import passes over: the reader goes on with the next one.
    void SkipGame() { TPGNGameReader::FinishGame(); }
    void NameStartPosition();
    // Reads the record of a position, with its comment.
    void LoadRecord(const TPackedPosition& position);
    void StoreRecord();
    // Appends lines to the loaded comment while it stays below the length limit; false when the
    // comment refused them (it is then empty and must not be stored).
    bool AppendCommentLines(const std::vector<std::string>& lines);
    void WriteNoveltyLine();
    void ShowProgress();

    TPGNImportOptions itsOptions;
    TProgress* itsProgress;
    TNamingQuestion itsNamingQuestion;

    // Set for one import
    TBook2* itsBook = nullptr;
    TCommentBuffer* itsComment = nullptr;
    TNoveltyColours itsColours;
    TPositionRecord itsRecord;
    std::vector<std::string> itsHeaderLines;
    TPlayerFilter itsFilter = TPlayerFilter::kNone;
    std::string itsPlayer; // upper-cased
    bool itsOwnBulkUpdate = false;
    std::unique_ptr<TImportLookAhead> itsLookAhead;
    int32_t itsGamesBeforeBatch = 0; // games still to import before the look-ahead's next batch
    TPGNImportResult itsResult;
    bool itsStopRequested = false;
    bool itsNamingAsked = false;
    bool itsCommentErrorReported = false;

    // The novelty line: the main line up to the first move new to the book, and its game's start.
    bool itsNoveltyInGame = false;
    bool itsNoveltyPending = false;
    int itsNoveltyLength = 0;
    std::array<TPackedMove, kMaxMainLine> itsNoveltyLine{};
    TPackedPosition itsNoveltyStart;
};

} // namespace marvek
