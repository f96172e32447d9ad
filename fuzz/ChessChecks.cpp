#include "ChessChecks.h"

#include "FuzzSupport.h"

#include <array>

namespace marvek::fuzz {

void CheckLegalMove(const TPackedPosition& position, const TPackedMove& move, const char* where) {
    TChessParser parser;
    parser.LoadPosition(position);
    std::array<TPackedMove, TChessParser::kMaxLegalMoves> moves;
    int count = parser.GenerateMoves(moves.data());
    for (int i = 0; i < count; ++i)
        if (moves[std::size_t(i)].SameMove(move)) return;
    Fail(std::string(where) + ": the move " + std::to_string(move.itsFrom) + "-" +
         std::to_string(move.itsTo) + " promotion " + std::to_string(move.itsPromotion) +
         " is not legal in " + TChessPosition(position).ToFEN());
}

} // namespace marvek::fuzz
