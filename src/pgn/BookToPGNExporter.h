#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Settings.h"
#include "book/PositionRecord.h"
#include "book/PositionTagger.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"

// Writes the tree of a book below a start position as one PGN game. The first candidate of each
// position is the main line and every further candidate a variation in parentheses; comments,
// Informant rates and evaluation symbols become PGN comments and NAGs. Every position is written
// at most once: a line that reaches a position written before (a transposition), or one that
// repeats a position of its own line, ends there.
//
// The walk keeps a stack of one entry per ply from the start position instead of recursing, so
// a deep book cannot exhaust the call stack, and a scratch position tagger (on disk, as a book
// may hold more positions than fit in memory) remembers what has been written.

namespace marvek {

class TBook2;
class TProgress;

// The tag value of the export date setting, "YYYY.MM.DD" with "????" / "??" for parts that are
// not a year from 1400, a month 1-12 or a day 1-31. The setting holds either form its dialogs
// store: "MM/DD/YYYY" (the line export) or "YYYY.MM.DD" (the game window).
std::string ExportDateTag(std::string_view date);

class TBookToPGNExporter {
public:
    // A line deeper than this many plies from the start position stops there.
    static constexpr int kMaxDepth = 500;
    // A token that would make the pending line longer than this starts a new line.
    static constexpr std::size_t kLineLength = 77;
    // Progress is shown, and Stop looked at, after every this many positions.
    static constexpr int kProgressInterval = 13;
    static constexpr const char* kTagSetName = "Book2PGN";

    enum class TOutcome {
        kComplete,        // every position below the start was walked
        kStopped,         // Stop was pressed; the game is ended where the walk stood
        kIllegalMove,     // a stored candidate is not a legal move of its position
        kDatabaseProblem, // the book could not be read; its message was shown
        kFileProblem,     // the file could not be opened or written; nothing is reported as done
    };

    // The file name, the erase flag and the tag values come from `settings` (the PGN export
    // options); the settings must outlive the exporter.
    explicit TBookToPGNExporter(const TSettings& settings = Settings());
    ~TBookToPGNExporter();
    TBookToPGNExporter(const TBookToPGNExporter&) = delete;
    TBookToPGNExporter& operator=(const TBookToPGNExporter&) = delete;

    // Appends the game to fileName (or replaces the file when the erase option is set). False
    // only when the file could not be opened or written, which has been shown to the user; a walk
    // ended by Stop, an illegal candidate or a database problem still writes a closed game.
    bool Export(TBook2& book, const TPackedPosition& start, const std::string& fileName,
                TProgress* progress = nullptr);

    TOutcome Outcome() const { return itsOutcome; }
    int PositionsProcessed() const { return itsPositionsProcessed; }

private:
    struct TStackEntry {
        TPackedPosition itsPosition;
        int itsCandidateCount = 0;
        std::array<TPackedMove, TPositionRecord::kMaxCandidates> itsCandidates{};
        // 0 not visited yet; 1 go on with the first candidate; k >= 3 candidate k is the next
        // variation (1-based).
        int itsNextStep = 0;
        bool itsClose = false; // a variation was opened here and ends when the walk comes back
    };

    // The walk
    void Walk(TBook2& book, const TPackedPosition& start, TProgress* progress);
    // One step at the current depth; false when the walk has ended.
    bool Step(TBook2& book);
    // Reads the entry's candidates (and the comment when asked); returns the Informant rate.
    int ReadEntry(TBook2& book, TStackEntry& entry, TCommentBuffer* comment);
    // The notation of a candidate that reads back as a legal move of the position, and the
    // position after it; false (and the walk's end) otherwise.
    bool Reproduce(const TPackedPosition& position, const TPackedMove& move, std::string& notation,
                   TPackedPosition& after);
    void Push(TBook2& book, const TPackedPosition& position, bool writeRate);
    bool AlreadyWritten(int depth);

    // The text
    void WriteTags(const TPackedPosition& start);
    void WriteToken(std::string_view token);
    void WriteMove(std::string_view move, int symbol, bool variationStart, int depth, bool whiteToMove);
    void WriteRate(int rate);
    void WriteComment(const std::vector<std::string>& lines);
    void WriteLine(std::string_view line);

    const TSettings& itsSettings;
    std::FILE* itsFile = nullptr;
    int itsWriteError = 0; // errno of the first failed write
    std::string itsPending;

    std::vector<TStackEntry> itsStack;
    int itsDepth = 0;
    TPositionRecord itsRecord;
    TRichTextBuffer itsComment;
    TChessParser itsParser;
    std::unique_ptr<TPositionTagger> itsTagger;
    int itsPositionsProcessed = 0;
    TOutcome itsOutcome = TOutcome::kComplete;
};

} // namespace marvek
