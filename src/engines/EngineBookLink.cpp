// TEngineBookLink: the running engines as the book window sees them.
#include "engines/EngineBookLink.h"

#include <string_view>

namespace marvek {

std::string PositionTextToFEN(const std::string& positionText) {
    // The board as 64 letters or "-" after "[POSITION]"; the side to move from "[WHITE]"/"[BLACK]".
    std::string squares;
    const size_t start = positionText.find("[POSITION]");
    for (size_t i = start == std::string::npos ? 0 : start + 10;
         i < positionText.size() && squares.size() < 64; ++i) {
        const char c = positionText[i];
        if (c == '-' || std::string_view("KQRBNPkqrbnp").find(c) != std::string_view::npos) squares += c;
        if (c == '[') break;
    }
    if (squares.size() != 64) return {};
    std::string fen;
    for (int rank = 0; rank < 8; ++rank) {
        int empties = 0;
        for (int file = 0; file < 8; ++file) {
            const char c = squares[rank * 8 + file];
            if (c == '-') {
                ++empties;
                continue;
            }
            if (empties > 0) fen += char('0' + empties);
            empties = 0;
            fen += c;
        }
        if (empties > 0) fen += char('0' + empties);
        if (rank < 7) fen += '/';
    }
    fen += positionText.find("[BLACK]") != std::string::npos ? " b " : " w ";
    // The text keeps no castling rights: a king and rook still at home are taken to keep them.
    auto at = [&](int rank, int file) { return squares[(7 - rank) * 8 + file]; };
    std::string rights;
    if (at(0, 4) == 'K' && at(0, 7) == 'R') rights += 'K';
    if (at(0, 4) == 'K' && at(0, 0) == 'R') rights += 'Q';
    if (at(7, 4) == 'k' && at(7, 7) == 'r') rights += 'k';
    if (at(7, 4) == 'k' && at(7, 0) == 'r') rights += 'q';
    fen += rights.empty() ? "-" : rights;
    fen += " -";
    return fen;
}

void TEngineBookLink::SetAppendNodeCount(TEngineProtocol protocol, bool append) {
    (protocol == TEngineProtocol::kUci ? itsUciAppendsNodes : itsWinboardAppendsNodes) = append;
}

std::vector<TEngineRunner*> TEngineBookLink::RunningInOrder() const {
    std::vector<TEngineRunner*> runners;
    if (Running(itsWinboard)) runners.push_back(itsWinboard);
    if (Running(itsUci)) runners.push_back(itsUci);
    return runners;
}

bool TEngineBookLink::AnyRunning() {
    return Running(itsUci) || Running(itsWinboard);
}

std::vector<std::string> TEngineBookLink::BestMoves() {
    std::vector<std::string> moves;
    for (TEngineRunner* runner : RunningInOrder()) {
        const std::string& move = runner->Session().EngineBestMove();
        if (!move.empty()) moves.push_back(move);
    }
    return moves;
}

std::vector<TEngineAnalysis> TEngineBookLink::Analyses() {
    std::vector<TEngineAnalysis> analyses;
    for (TEngineRunner* runner : RunningInOrder()) {
        const TEngineSession& session = runner->Session();
        TEngineAnalysis analysis;
        analysis.itsScore = session.EngineScore();
        analysis.itsLine = session.EngineDisplayLine();
        analysis.itsNickname = session.EngineNickname();
        analysis.itsAppendNodeCount = runner == itsUci ? itsUciAppendsNodes : itsWinboardAppendsNodes;
        analysis.itsNodes = session.EngineNodeCount();
        analyses.push_back(std::move(analysis));
    }
    return analyses;
}

std::string TEngineBookLink::BestLine() {
    // The UCI engine's line when it runs, else the Winboard engine's.
    if (Running(itsUci)) return itsUci->Session().EngineBestLine();
    if (Running(itsWinboard)) return itsWinboard->Session().EngineBestLine();
    return {};
}

void TEngineBookLink::SendPosition(const std::string& positionText, int plyCount, bool /*whiteToMove*/) {
    // The position text carries the side to move already.
    const std::string fen = PositionTextToFEN(positionText);
    if (fen.empty()) return;
    for (TEngineRunner* runner : RunningInOrder()) runner->SetEnginePosition(fen, plyCount, true);
}

} // namespace marvek
