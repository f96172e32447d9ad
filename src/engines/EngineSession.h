// TEngineSession: what the UCI and Winboard sessions share — the analysis an engine window shows,
// the best line in numbered local notation, and the commands they write through a sink.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "chess/ChessParser.h"
#include "chess/PieceLetters.h"

namespace marvek {

// Scores that are not scores.
inline constexpr int32_t kNoScoreYet = 21001;
inline constexpr int32_t kEngineJustStarted = 21003;
inline constexpr int32_t kScoreBeingRead = 21004;
inline constexpr int32_t kUnreadableScore = 21005;
inline constexpr int32_t kWhiteMates = 9999;
inline constexpr int32_t kBlackMates = -9999;
inline constexpr int32_t kNoEngineScore = -32768; // leaves caption and rate sign empty

// How a session is started and judged; read from the preferences by EngineOptionsFromSettings.
struct TEngineOptions {
    bool itsSendStartupCommands = true;
    std::vector<std::string> itsStartupCommands;
    int itsWinsThreshold = 133;
    int itsClearAdvantageThreshold = 67;
    int itsSlightAdvantageThreshold = 34;
    std::string itsNickname;
    std::string itsTablebaseFolder; // Winboard only
};

// The texts an engine window shows; the window draws them as they stand.
struct TEngineDisplay {
    std::string itsCaption;
    std::string itsRateGlyph; // one letter of the symbol font ("i" .. "q"), or empty
    std::string itsLine;
    std::string itsPreviousLine;
    std::string itsNodes;
    std::string itsSeconds;
    std::string itsNodesPerSecond;
    std::string itsDepth;
    std::string itsProgramName;
    std::string itsAuthor;
    std::string itsVersion;
    std::string itsNickname;
    std::string itsConnected;
    std::string itsIterations; // lines a Winboard engine wrote that meant nothing to us
};

// The rate letter for a score from White's side; the last matching threshold wins.
char RateGlyph(int32_t score, const TEngineOptions& options);
// The sign a rate letter stands for on screen (for example "±" for "j"); empty for none.
std::string RateSign(std::string_view glyph);
// 1234567 -> "1,234,567".
std::string GroupDigits(int64_t value);
// The number after the start of text: leading spaces dropped, cut at the next space. False when
// it is not a whole number.
bool ReadNumber(std::string_view text, int64_t& value);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

class TEngineSession {
public:
    using TSink = std::function<void(const std::string&)>;

    TEngineSession(TEngineOptions options, TSink sink);
    virtual ~TEngineSession() = default;
    TEngineSession(const TEngineSession&) = delete;
    TEngineSession& operator=(const TEngineSession&) = delete;

    // --- Driven by the runner
    void SetSink(TSink sink) { itsSink = std::move(sink); }
    // The analysis display as before a start.
    virtual void Clear();
    // After a successful start: startup commands and greeting.
    virtual void Started(int64_t now) = 0;
    // One step of the start-up exchange; true once it is over.
    virtual bool HandshakeStep(int64_t now) = 0;
    virtual void HandleLine(const std::string& line, int64_t now) = 0;
    // After each poll of the pipe.
    virtual void Tick(int64_t now) = 0;
    // True once when the session wants its engine restarted.
    virtual bool TakeResetRequest() { return false; }

    // --- What the book window uses
    // fen: board, side, castling and en-passant fields.
    virtual void SetEnginePosition(const std::string& fen, int plyCount, bool onlyIfChanged, int64_t now) = 0;
    int32_t EngineScore() const { return itsScore; }
    const std::string& EngineDisplayLine() const { return itsDisplayLine; }
    int64_t EngineNodeCount() const { return itsNodeCount; }
    const std::string& EngineNickname() const { return itsDisplay.itsNickname; }
    const std::string& EngineBestMove() const { return itsBestMove; }
    const std::string& EngineBestLine() const { return itsBestLine; }
    void SetEnginePieceLetters(char king, char queen, char rook, char bishop, char knight);
    void SetEngineNickname(const std::string& nickname) { itsDisplay.itsNickname = nickname; }
    // New preferences: startup commands and thresholds. The nickname stays the window's.
    void SetOptions(TEngineOptions options) { itsOptions = std::move(options); }
    const TEngineOptions& Options() const { return itsOptions; }

    const TEngineDisplay& Display() const { return itsDisplay; }
    TEngineDisplay& Display() { return itsDisplay; }
    int Depth() const { return itsDepth; }
    int64_t NodesPerSecond() const { return itsNodesPerSecond; }
    int MateDistance() const { return itsMateDistance; }
    const std::string& LastFEN() const { return itsFEN; }
    int PlyCount() const { return itsPlyCount; }
    bool WhiteToMoveInPosition() const { return itsWhiteToMove; }

protected:
    void Send(const std::string& line) { itsSink(line); }
    // Learns the side to move and sets the parser; false for a FEN we cannot read.
    bool LoadFEN(const std::string& fen);
    // Shows a score from White's side: caption and rate letter.
    void ShowScore(int32_t score);
    void ShowMateCaption(int distance);
    void ShowUnreadableScore();
    void ClearStatistics();
    // A line that belongs to another position: no best line until the engine catches up.
    void ShowWaiting();
    // Stalemate and checkmate on the board; true when the position is one of them.
    bool ShowGameOver();
    // Takes a SAN line (English letters), makes the local best line and the numbered display.
    void ShowBestLine(const std::vector<std::string>& sanMoves, int32_t keptScore, int64_t keptNodes);
    std::string NumberedLine(const std::vector<std::string>& moves) const;
    // The number of the move to be played in the position, from the ply count and side to move.
    int MoveNumber() const;

    TEngineOptions itsOptions;
    TSink itsSink;
    TEngineDisplay itsDisplay;
    TChessParser itsParser; // always English letters
    TPieceLetters itsLocalLetters = kEnglishLetters;

    std::string itsFEN;
    bool itsWhiteToMove = true;
    int itsPlyCount = 0;
    int32_t itsScore = kNoScoreYet;
    int itsMateDistance = 9999;
    int64_t itsNodeCount = 0;
    int itsDepth = 0;
    int64_t itsNodesPerSecond = 0;
    std::string itsDisplayLine;
    std::string itsBestLine;
    std::string itsBestMove;
};

} // namespace marvek
