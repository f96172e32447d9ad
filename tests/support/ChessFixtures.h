#pragma once

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"

// Positions for tests, written as FEN. A FEN the program rejects fails the test that uses it.

namespace marvek::testsupport {

inline TPackedPosition PackedFromFen(const std::string& fen) {
    TChessPosition position;
    TPackedPosition packed;
    EXPECT_TRUE(position.FromFEN(fen, packed)) << fen;
    return packed;
}

inline TChessParser ParserAt(const std::string& fen) {
    TChessParser parser;
    parser.LoadPosition(PackedFromFen(fen));
    return parser;
}

// The position after a line of moves such as "e4 e5 Nf3" from `from`; an illegal move fails the
// test.
inline TPackedPosition PositionAfter(const std::string& line, const TPackedPosition& from = StartPosition()) {
    TChessParser parser;
    parser.LoadPosition(from);
    std::istringstream moves(line);
    std::string move;
    while (moves >> move) {
        parser.SetMoveText(move);
        EXPECT_TRUE(parser.ParseMove()) << move << " in " << line;
        parser.ApplyMove();
    }
    return parser.CurrentPosition();
}

} // namespace marvek::testsupport
