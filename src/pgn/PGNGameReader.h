#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"
#include "chess/Square.h"
#include "pgn/PGNHeader.h"
#include "platform/File.h"

// The one streaming PGN reader every PGN file goes through. It reads the file front to back in
// 1024-byte blocks, cuts it into tokens, reads the tag pairs and walks the movetext with its
// variations, comments and NAGs. It is not a validating parser: what it does not recognise it
// skips without complaint.
//
// The reader only tokenises and walks. What happens with a game is the business of a variant
// (the importer into a book, the single-game loader, the index converter): each overrides the
// action hooks below, and may override any step; a variant's start operation drives the steps:
//
//   OpenInput; until end of file or stop: SkipToNextGame, ReadTags, SetUpStartPosition,
//   ReadMovetext, FinishGame; CloseInput.

namespace marvek {

// The evaluation symbol of a NAG from 1 to 9 or below (1 none .. 7 "??").
int NagSymbol(int nag);
// The Informant rate of a NAG of 10 or more (9 none).
int NagRate(int nag);

class TPGNGameReader {
public:
    static constexpr int kBlockSize = 1024;
    static constexpr int kMaxToken = 255;
    static constexpr int kMaxTagValue = 80;
    static constexpr int kMaxMainLine = 500;
    static constexpr int kCommentLineWidth = 73;

    // depthLimit: variations deeper than this are counted but their moves are ignored.
    // parenthesisEndsWord: "(" ends a word (the importer's rule; otherwise e4( is one token).
    TPGNGameReader(int depthLimit, int32_t plyLimit, bool parenthesisEndsWord);
    virtual ~TPGNGameReader() = default;
    TPGNGameReader(const TPGNGameReader&) = delete;
    TPGNGameReader& operator=(const TPGNGameReader&) = delete;

    // ---- Input
    // Opens the file, takes its size, reads the first block and puts the parser at the start
    // position; 0 or the errno of the failed open.
    int OpenInput(const std::string& path);
    void CloseInput();
    bool AtEndOfFile() const { return itsEndOfFile; }
    // The errno of a block read that failed (the reader then takes it as the end of the file).
    int ReadError() const { return itsReadError; }

    // ---- The steps, in the order a variant calls them
    virtual void ReadBlock();
    virtual void NextToken();
    virtual void ReadTagLine();
    virtual void HandleMoveToken();
    virtual void FinishGame();
    virtual void StartVariation();
    virtual void EndVariation();
    virtual void SkipRestOfLine();
    // The opening brace is already consumed; with store off the comment is only skipped.
    virtual void ReadComment(bool store);
    virtual void ReadTags();
    virtual void ReadMovetext();
    virtual void SkipToNextGame();

    // Puts the parser at the game's FEN position, or at the start position when there is none;
    // false (parser at the start position) when the FEN cannot be read as a playable position.
    bool SetUpStartPosition();
    // Between games: the parser at the start position, no plies, no variation.
    void ResetGame();
    // Whether the game read since the last reset is one: it had a tag pair or a legal move. Junk
    // that happens to hold a "[" at the start of a line is neither.
    bool GameHasContent() const { return itsGameHasTagPair || itsGameHasMove; }

    // ---- State
    std::string_view Token() const { return {itsToken.data(), std::size_t(itsTokenLength)}; }
    // The header of the current game; each value at most 80 characters.
    const TPGNHeader& Header() const { return itsHeader; }
    int32_t LineCount() const { return itsLineCount; }
    int64_t BytesRead() const { return itsBytesRead; }
    // The file offset of the current character (where a game starts once SkipToNextGame stopped).
    int64_t CurrentOffset() const { return itsBytesRead - itsCount + itsIndex; }
    int64_t FileSize() const { return itsFileSize; }
    // Bytes read as a whole percent of the file size.
    int PercentRead() const;
    int Depth() const { return itsDepth; }
    int DepthLimit() const { return itsDepthLimit; }
    int32_t PlyCount() const { return itsPlyCount; }
    int32_t PlyLimit() const { return itsPlyLimit; }
    void SetPlyLimit(int32_t limit) { itsPlyLimit = limit; }
    // The main line as read so far: entry n - 1 is ply n, at most 500 plies.
    const TPackedMove* MainLine() const { return itsMainLine.data(); }
    int MainLineLength() const { return itsPlyCount < kMaxMainLine ? int(itsPlyCount) : kMaxMainLine; }
    const TPackedPosition& PositionBeforeLastMove() const { return itsBeforeLastMove; }
    const TPackedMove& LastMove() const { return itsLastMove; }
    const TPackedPosition& StartPositionOfGame() const { return itsGameStart; }
    const TPackedPosition& CurrentPosition() const { return itsParser.CurrentPosition(); }

protected:
    // ---- What a variant does with the game; the reader's own defaults do nothing.
    // A legal move at the parser's position (the position before the move), before it is played.
    virtual void MoveAction(const TPackedMove&) {}
    // The move has been played and, on the main line, stored in the main-line list.
    virtual void MoveStored(const TPackedMove&) {}
    // The wrapped lines of a brace comment, which follows the current position.
    virtual void CommentAction(const std::vector<std::string>&) {}
    // NAG $1..$9: the evaluation symbol (1 none .. 7) of the last move.
    virtual void SymbolAction(int) {}
    // NAG $10 and above: the Informant rate of the current position.
    virtual void RateAction(int) {}
    // Before a variation ends, at its last position.
    virtual void VariationEndAction() {}
    // A tag line was read (the header holds its value).
    virtual void TagLineRead() {}
    // After the tags of a game; at every line feed of the movetext; at every token.
    virtual void TagsRead() {}
    virtual void LineRead() {}
    virtual void TokenRead() {}

    // Moves the current character on, reading the next block at the end of the buffer.
    void Advance() {
        if (itsIndex + 1 >= itsCount)
            ReadBlock();
        else
            ++itsIndex;
    }
    char Current() const { return char(itsBlock[std::size_t(itsIndex)]); }

    TChessParser itsParser;
    TPGNHeader itsHeader;

private:
    void HandleNag();
    void PlaceCommentWord();
    void CommentParagraphBreak();

    // Input
    TFile itsFile;
    std::array<std::uint8_t, kBlockSize + 1> itsBlock{};
    int itsIndex = 0;
    int itsCount = 0;
    bool itsEndOfFile = true;
    int itsReadError = 0;
    int64_t itsBytesRead = 0;
    int64_t itsFileSize = 0;
    int32_t itsLineCount = 1;

    // Tokens and tags
    std::array<char, kMaxToken + 1> itsToken{};
    int itsTokenLength = 0;
    bool itsTagSeen = false;
    bool itsParenthesisEndsWord;
    std::string itsTagLine;
    bool itsGameHasTagPair = false;
    bool itsGameHasMove = false;

    // Movetext
    struct TVariationEntry {
        TPackedPosition itsCurrent;
        TPackedPosition itsBeforeLastMove;
    };
    int itsDepth = 0;
    int itsDepthLimit;
    std::vector<TVariationEntry> itsStack; // entry d for depth d, 1..limit
    int32_t itsPlyCount = 0;
    int32_t itsPlyLimit;
    std::array<TPackedMove, kMaxMainLine> itsMainLine{};
    TPackedPosition itsBeforeLastMove;
    TPackedMove itsLastMove;
    TPackedPosition itsGameStart;

    // Comments
    std::vector<std::string> itsCommentLines;
    std::string itsCommentWord;
    std::size_t itsCommentSize = 0;
};

} // namespace marvek
