#pragma once

#include <string>

#include <gtest/gtest.h>

#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"

// Positions for tests, written as FEN. A FEN the program rejects fails the test that uses it.

namespace marvek::testing {

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

} // namespace marvek::testing
