// TEngineBookLink: the running engines as the book window sees them.
#include "engines/EngineBookLink.h"

namespace marvek {

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

void TEngineBookLink::SendPosition(const std::string& fen, int plyCount, bool /*whiteToMove*/) {
    // The FEN carries the side to move already.
    if (fen.empty()) return;
    for (TEngineRunner* runner : RunningInOrder()) runner->SetEnginePosition(fen, plyCount, true);
}

} // namespace marvek
