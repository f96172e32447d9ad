// The UCI exchange: handshake, info lines, the deferred position and the waiting watchdog.
#include "engines/UciSession.h"

#include <sstream>

#include "app/StringTable.h"

namespace marvek {

TUciSession::TUciSession(TEngineOptions options, TSink sink)
    : TEngineSession(std::move(options), std::move(sink)) {}

void TUciSession::Clear() {
    TEngineSession::Clear();
    itsHandshake = THandshake::kNotStarted;
    itsUciOk = itsReadyOk = false;
    itsAnalysing = false;
    itsDeferredFEN.clear();
    itsIdleBestMove.clear();
    itsWaiting = false;
    itsResetWanted = false;
}

void TUciSession::Started(int64_t now) {
    if (itsOptions.itsSendStartupCommands)
        for (const std::string& command : itsOptions.itsStartupCommands)
            if (!command.empty()) Send(command);
    itsHandshake = THandshake::kWaitingForUciOk;
    itsHandshakeStart = now;
}

bool TUciSession::HandshakeStep(int64_t now) {
    const bool timeUp = now - itsHandshakeStart > kHandshakeBudget;
    switch (itsHandshake) {
    case THandshake::kNotStarted:
    case THandshake::kDone: return true;
    case THandshake::kWaitingForUciOk:
        if (itsUciOk || timeUp) {
            Send("isready");
            itsHandshake = THandshake::kWaitingForReadyOk;
            itsReadyPolled = false;
        }
        return false;
    case THandshake::kWaitingForReadyOk:
        // The engine gets at least one look at the pipe to answer, even when the time is up.
        if (itsReadyPolled && (itsReadyOk || timeUp)) itsHandshake = THandshake::kDone;
        itsReadyPolled = true;
        return itsHandshake == THandshake::kDone;
    }
    return true;
}

void TUciSession::HandleLine(const std::string& line, int64_t now) {
    if (StartsWithNoCase(line, "ID NAME")) {
        itsDisplay.itsProgramName = line.size() > 8 ? line.substr(8) : std::string();
    } else if (StartsWithNoCase(line, "ID AUTHOR")) {
        itsDisplay.itsAuthor = line.size() > 10 ? line.substr(10) : std::string();
    } else if (StartsWithNoCase(line, "UCIOK")) {
        itsUciOk = true;
    } else if (StartsWithNoCase(line, "READYOK")) {
        itsReadyOk = true;
    } else {
        if (StartsWithNoCase(line, "BESTMOVE ")) HandleBestMove(line);
        if (StartsWithNoCase(line, "INFO ") && itsAnalysing) HandleInfo(line, now);
    }
    Tick(now);
}

void TUciSession::HandleBestMove(const std::string& line) {
    if (!itsDeferredFEN.empty()) {
        const std::string fen = itsDeferredFEN;
        AnalysePosition(fen, itsSearchStart);
        return;
    }
    std::string_view move = std::string_view(line).substr(9);
    while (!move.empty() && move.front() == ' ') move.remove_prefix(1);
    itsIdleBestMove = std::string(move.substr(0, move.find(' ')));
}

void TUciSession::HandleInfo(const std::string& line, int64_t now) {
    const std::string_view text(line);
    auto after = [&](std::string_view token, std::string_view& rest) {
        const auto at = text.find(token);
        if (at == std::string_view::npos) return false;
        rest = text.substr(at + token.size());
        return true;
    };
    std::string_view rest;
    int64_t value = 0;
    if (after(" pv ", rest)) HandlePv(rest, now);
    if (after(" nodes ", rest)) {
        if (ReadNumber(rest, value)) {
            itsNodeCount = value;
            itsDisplay.itsNodes = GroupDigits(value);
            itsDisplay.itsSeconds = std::to_string((now - itsSearchStart) / 1000);
        } else {
            itsNodeCount = 0;
        }
    }
    if (after(" depth ", rest)) {
        if (ReadNumber(rest, value)) {
            itsDepth = int(value);
            itsDisplay.itsDepth = GroupDigits(itsDepth);
        } else {
            itsDepth = 0;
        }
    }
    if (after(" mate ", rest)) {
        if (ReadNumber(rest, value)) {
            itsMateDistance = int(value);
            const bool whiteMates = (value > 0 && itsWhiteToMove) || (value <= 0 && !itsWhiteToMove);
            itsScore = whiteMates ? kWhiteMates : kBlackMates;
            ShowMateCaption(int(value < 0 ? -value : value));
            itsDisplay.itsRateGlyph = whiteMates ? "i" : "q";
        } else {
            itsMateDistance = 9999;
            itsScore = kNoScoreYet;
            itsDisplay.itsRateGlyph.clear();
            itsDisplay.itsCaption = "???";
        }
    }
    if (after(" cp ", rest)) {
        if (ReadNumber(rest, value))
            ShowScore(int32_t(itsWhiteToMove ? value : -value));
        else
            ShowUnreadableScore();
    }
    if (after(" nps ", rest)) {
        itsNodesPerSecond = ReadNumber(rest, value) ? value : 0;
        itsDisplay.itsNodesPerSecond = GroupDigits(itsNodesPerSecond);
    }
}

void TUciSession::HandlePv(std::string_view text, int64_t now) {
    const int32_t keptScore = itsScore;
    const int64_t keptNodes = itsNodeCount;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::string all(text);
    if (!itsIdleBestMove.empty()) all = itsIdleBestMove + " " + all;

    std::vector<std::string> tokens;
    std::istringstream words(all);
    for (std::string token; words >> token;) {
        const char first = token[0];
        const char second = token.size() >= 2 ? token[1] : '\0';
        const bool firstOk =
            std::string_view("BKNQR").find(first) != std::string_view::npos || (first >= 'a' && first <= 'h');
        const bool secondOk = (second >= '1' && second <= '8') || (second >= 'a' && second <= 'h');
        if (token.size() >= 2 && firstOk && secondOk) tokens.push_back(token);
    }

    LoadFEN(itsFEN);
    std::vector<std::string> san;
    // Every move is checked on the position the ones before it lead to; the line ends at the first
    // move that does not fit, and a first move that does not fit belongs to another position.
    for (const std::string& token : tokens) {
        if (token.find('.') != std::string::npos || (token[0] >= '0' && token[0] <= '9')) continue;
        const std::string move = itsParser.CoordinateToNotation(token);
        if (move.empty()) break;
        itsParser.SetMoveText(move);
        if (!itsParser.ParseMove()) break;
        itsParser.ApplyMove();
        san.push_back(move);
    }
    if (san.empty()) {
        ShowWaiting();
        if (!itsWaiting) {
            itsWaiting = true;
            itsWaitingSince = now;
        }
        return;
    }
    itsWaiting = false;
    ShowBestLine(san, keptScore, keptNodes);
}

void TUciSession::Tick(int64_t now) {
    if (!itsDeferredFEN.empty() && now - itsDeferredSince > kDeferredPositionDelay) {
        const std::string fen = itsDeferredFEN;
        AnalysePosition(fen, itsSearchStart);
    }
    if (itsWaiting && now - itsWaitingSince > kWaitingLimit) {
        itsWaiting = false;
        itsResetWanted = true;
    }
}

bool TUciSession::TakeResetRequest() {
    const bool wanted = itsResetWanted;
    itsResetWanted = false;
    return wanted;
}

void TUciSession::AnalysePosition(const std::string& fen, int64_t searchStart) {
    itsDeferredFEN.clear();
    itsIdleBestMove.clear();
    // The engine gets the real move number; the book keeps no count of quiet moves.
    Send("position fen " + fen + " 0 " + std::to_string(MoveNumber()));
    itsAnalysing = true;
    Send("go infinite");
    itsSearchStart = searchStart;
}

void TUciSession::Stop() {
    Send("stop");
    itsAnalysing = false;
}

void TUciSession::SetEnginePosition(const std::string& fen, int plyCount, bool onlyIfChanged, int64_t now) {
    if (onlyIfChanged && fen == itsFEN) return;
    itsDisplay.itsLine.clear();
    itsDisplay.itsPreviousLine.clear();
    itsBestLine.clear();
    itsBestMove.clear();
    itsDisplayLine.clear();
    itsPlyCount = plyCount;
    itsNodeCount = 0;
    itsDepth = 0;
    itsFEN = fen;
    itsWaiting = false;
    if (!LoadFEN(fen)) return;
    if (ShowGameOver()) {
        Stop();
        return;
    }
    if (itsAnalysing && itsIdleBestMove.empty()) {
        // The engine must give up the old search first; its "bestmove" says it has.
        Send("stop");
        itsDeferredFEN = fen;
        itsDeferredSince = now;
    } else {
        AnalysePosition(fen, now);
    }
    itsSearchStart = now;
}

} // namespace marvek
