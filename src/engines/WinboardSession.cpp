// The Winboard exchange: analyze mode, positions by setboard or edit mode, thinking and status lines.
#include "engines/WinboardSession.h"

#include <cmath>
#include <sstream>

#include "chess/Notation.h"

namespace marvek {

namespace {

std::string_view SkipSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

// Splits off the next space-ended field.
std::string_view NextField(std::string_view& text) {
    text = SkipSpaces(text);
    const auto end = text.find_first_of(" \t");
    std::string_view field = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    return field;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int WinboardMateDistance(int64_t score) {
    const int64_t magnitude = score < 0 ? -score : score;
    if (magnitude <= 32000) return 0;
    // The protocol's own form is 100000 + moves; older engines count plies down from 32768.
    if (magnitude >= 100000) return int(magnitude - 100000);
    return int(score > 0 ? (32768 - score) / 2 : (score + 32768) / 2);
}

TWinboardSession::TWinboardSession(TEngineOptions options, TSink sink)
    : TEngineSession(std::move(options), std::move(sink)) {}

std::string TWinboardSession::StartArguments() const {
    // An empty "tbpath=" is read by some engines as a file to load, and they give up.
    return itsOptions.itsTablebaseFolder.empty() ? std::string() : "tbpath=" + itsOptions.itsTablebaseFolder;
}

void TWinboardSession::Clear() {
    TEngineSession::Clear();
    itsSetboard = false;
    itsSeconds = 0;
}

void TWinboardSession::Started(int64_t now) {
    if (itsOptions.itsSendStartupCommands)
        for (const std::string& command : itsOptions.itsStartupCommands)
            if (!command.empty()) Send(command);
    Send("post");
    Send("analyze");
    itsLastStatusRequest = now;
}

void TWinboardSession::Tick(int64_t now) {
    if (now - itsLastStatusRequest > kStatusInterval) {
        Send(".");
        itsLastStatusRequest = now;
    }
}

void TWinboardSession::HandleLine(const std::string& line, int64_t) {
    std::string_view text(line);
    if (text.starts_with("Crafty v")) {
        itsSetboard = true;
        itsDisplay.itsProgramName = "Crafty";
        itsDisplay.itsVersion = line.size() > 8 ? line.substr(8, 5) : std::string();
        itsDisplay.itsAuthor = "by its author";
    }
    if (HandleThinking(text)) return;
    // An engine that knows setboard may know no edit mode (or say so by a feature line).
    if ((text.starts_with("Error") && text.ends_with(": edit")) ||
        (text.starts_with("feature ") && text.find("setboard=1") != std::string_view::npos)) {
        const bool resend = !itsSetboard && text.starts_with("Error") && !itsFEN.empty();
        itsSetboard = true;
        if (resend) Send("setboard " + itsFEN);
    }
    if (text.starts_with("stat01:")) {
        HandleStatus(text.substr(7));
    } else if (text.starts_with("search_time ")) {
        ShowTime(text.substr(12));
    } else if (text.starts_with("node_count ")) {
        ShowNodes(text.substr(11));
    } else if (text.starts_with("move ") || text.starts_with("ack ")) {
    } else if (text.starts_with("version ")) {
        HandleVersion(text.substr(8));
    } else {
        itsDisplay.itsIterations = line;
    }
}

void TWinboardSession::ShowReportedScore(std::string_view text) {
    int64_t score = 0;
    if (!ReadNumber(text, score)) {
        ShowUnreadableScore();
        return;
    }
    // In analyze mode the engine scores for the side to move; we keep White's view, as the book does.
    if (!itsWhiteToMove) score = -score;
    const int distance = WinboardMateDistance(score);
    if (distance == 0 && (score > 32000 || score < -32000)) {
        ShowScore(int32_t(score > 0 ? kWhiteMates : kBlackMates));
        return;
    }
    if (distance == 0) {
        ShowScore(int32_t(score));
        return;
    }
    itsScore = score > 0 ? kWhiteMates : kBlackMates;
    itsDisplay.itsRateGlyph = score > 0 ? "i" : "q";
    ShowMateCaption(distance);
}

void TWinboardSession::ShowTime(std::string_view text) {
    int64_t hundredths = 0;
    if (!ReadNumber(text, hundredths)) {
        itsSeconds = 0;
        return;
    }
    itsSeconds = int(hundredths / 100);
    itsDisplay.itsSeconds = std::to_string(itsSeconds);
}

void TWinboardSession::ShowNodes(std::string_view text) {
    int64_t nodes = 0;
    if (!ReadNumber(text, nodes)) return;
    itsNodeCount = nodes;
    itsDisplay.itsNodes = GroupDigits(nodes);
    if (itsSeconds > 0) {
        itsNodesPerSecond = std::llround(double(nodes) / itsSeconds);
        itsDisplay.itsNodesPerSecond = GroupDigits(itsNodesPerSecond);
    }
}

bool TWinboardSession::HandleThinking(std::string_view line) {
    // depth score time nodes moves..., after white space; some engines add a mark to the depth.
    std::string_view rest = line;
    if (!(line.starts_with("\t") || IsDigit(SkipSpaces(line).empty() ? 'x' : SkipSpaces(line).front())))
        return false;
    std::string_view fields[4];
    for (auto& field : fields) {
        field = NextField(rest);
        if (field.empty()) return line.starts_with("\t");
    }
    int64_t number = 0;
    for (int i = 1; i < 4; ++i)
        if (!ReadNumber(fields[i], number)) return line.starts_with("\t");
    std::string_view depthText = fields[0];
    std::size_t digits = 0;
    while (digits < depthText.size() && IsDigit(depthText[digits])) ++digits;
    int64_t depth = 0;
    if (digits == 0 || !ReadNumber(depthText.substr(0, digits), depth) || depth <= 0) return true;

    const int32_t keptScore = itsScore;
    const int64_t keptNodes = itsNodeCount;
    itsDepth = int(depth);
    itsDisplay.itsDepth = GroupDigits(depth);
    ShowReportedScore(fields[1]);
    ShowTime(fields[2]);
    ShowNodes(fields[3]);

    // The moves may come as SAN or as coordinates; each must be legal where the ones before lead.
    LoadFEN(itsFEN);
    std::vector<std::string> san;
    for (std::string_view token = NextField(rest); !token.empty(); token = NextField(rest)) {
        if (token.find('.') != std::string_view::npos || IsDigit(token.front())) continue;
        std::string move = itsParser.CoordinateToNotation(token);
        if (move.empty()) {
            itsParser.SetMoveText(NormalizeMoveText(token, 'K', 'Q', 'R', 'B', 'N'));
            if (!itsParser.ParseMove()) break;
            move = itsParser.NotationFor(itsParser.GetChessMove());
            if (move.empty()) break;
        }
        itsParser.SetMoveText(move);
        if (!itsParser.ParseMove()) break;
        itsParser.ApplyMove();
        san.push_back(move);
    }
    if (san.empty()) {
        ShowWaiting();
        return true;
    }
    ShowBestLine(san, keptScore, keptNodes);
    return true;
}

void TWinboardSession::HandleStatus(std::string_view text) {
    ShowTime(NextField(text));
    ShowNodes(NextField(text));
    int64_t depth = 0;
    if (!ReadNumber(NextField(text), depth)) return;
    itsDepth = int(depth);
    itsDisplay.itsDepth = GroupDigits(depth);
    if (depth == 0) {
        if (itsScore > 32000 || itsScore < -32000 || itsScore == kWhiteMates || itsScore == kBlackMates)
            itsDisplay.itsCaption = "Mate";
        else if (itsScore == 0)
            itsDisplay.itsCaption = "Draw";
    }
}

void TWinboardSession::HandleVersion(std::string_view text) {
    std::string_view rest = SkipSpaces(text);
    const std::string_view name = NextField(rest);
    std::string_view version = NextField(rest);
    version = version.substr(0, version.find(','));
    itsDisplay.itsProgramName = std::string(name);
    itsDisplay.itsNickname = "[" + std::string(name) + "]";
    itsDisplay.itsVersion = std::string(version);
    const auto at = rest.find("opyright");
    if (at != std::string_view::npos && at > 0) itsDisplay.itsAuthor = std::string(rest.substr(at - 1));
}

void TWinboardSession::SetEnginePosition(const std::string& fen, int plyCount, bool onlyIfChanged, int64_t) {
    if (onlyIfChanged && fen == itsFEN) return;
    itsDisplay.itsLine.clear();
    itsDisplayLine.clear();
    itsBestLine.clear();
    itsBestMove.clear();
    itsPlyCount = plyCount;
    itsNodeCount = 0;
    itsDepth = 0;
    itsFEN = fen;
    if (!LoadFEN(fen)) return;
    ShowGameOver();
    if (itsSetboard) {
        Send("setboard " + fen);
        return;
    }
    SendByEditMode();
}

void TWinboardSession::SendByEditMode() {
    // Edit mode is only sure to take hold outside analyze mode, and "a2a3" (which puts Black on
    // move) needs the start position: leave analysis, start afresh, and analyse again after.
    Send("exit");
    Send("new");
    Send("force");
    if (!itsWhiteToMove) Send("a2a3");
    Send("edit");
    Send("#");
    bool white = true;
    const TPackedPosition& position = itsParser.CurrentPosition();
    for (int rank = 0; rank < 8; ++rank) {
        for (int file = 0; file < 8; ++file) {
            const TSquare square = TSquare(rank * 10 + file);
            const int piece = position.Piece(square);
            if (piece == kEmpty) continue;
            const bool pieceIsWhite = IsWhitePiece(piece);
            if (pieceIsWhite != white) {
                Send("c");
                white = pieceIsWhite;
            }
            static constexpr char kLetters[] = " PNBRQK";
            Send(std::string(1, kLetters[PieceKind(piece)]) + SquareName(square));
        }
    }
    Send(".");
    Send("analyze");
}

} // namespace marvek
