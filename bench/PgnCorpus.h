#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"

// A reproducible PGN file of many games that share their openings, as a real collection does:
// the first plies choose among a few popular moves, the rest are random legal moves.

namespace marvek::bench {

inline std::string MakeCorpus(size_t games, int plies, uint64_t seed) {
    std::mt19937_64 random(seed);
    std::string pgn;
    pgn.reserve(games * static_cast<size_t>(plies) * 7);
    TChessParser parser;
    std::vector<TPackedMove> moves(TChessParser::kMaxLegalMoves);
    const char* const results[] = {"1-0", "0-1", "1/2-1/2"};
    for (size_t g = 0; g < games; ++g) {
        const char* result = results[g % 3];
        pgn += "[Event \"Corpus\"]\n[Site \"Bench\"]\n[Date \"2026.12.10\"]\n[Round \"" +
               std::to_string(g + 1) + "\"]\n[White \"Player " + std::to_string(g % 97) +
               "\"]\n[Black \"Player " + std::to_string(g % 89) + "\"]\n[Result \"" + result + "\"]\n\n";
        parser.LoadPosition(StartPosition());
        std::string line;
        for (int ply = 0; ply < plies; ++ply) {
            int count = parser.GenerateMoves(moves.data());
            if (count == 0) break;
            // Openings: the first ten plies pick among the first three moves, mostly the first.
            int pick;
            if (ply < 10) {
                int r = static_cast<int>(random() % 10);
                pick = (r < 6 ? 0 : r < 9 ? 1 : 2) % count;
            } else {
                pick = static_cast<int>(random() % static_cast<uint64_t>(count));
            }
            std::string san = parser.NotationFor(moves[static_cast<size_t>(pick)]);
            if (ply % 2 == 0) line += std::to_string(ply / 2 + 1) + ". ";
            line += san + ' ';
            parser.SetMoveText(san);
            parser.ParseMove();
            parser.ApplyMove();
            if (line.size() > 70) {
                pgn += line + '\n';
                line.clear();
            }
        }
        pgn += line + result + "\n\n";
    }
    return pgn;
}

} // namespace marvek::bench
