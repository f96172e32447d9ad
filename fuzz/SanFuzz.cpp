// The move reader on any text in any position. The first line is a FEN (the start position when
// it is refused or has no kings); every further word is read as a move there. A move read is a
// legal move, its written notation reads back as the same move, and it is played before the next.

#include "ChessChecks.h"
#include "FuzzSupport.h"

#include "chess/ChessParser.h"
#include "chess/Notation.h"
#include "platform/Errors.h"

using namespace marvek;

namespace {

bool HasBothKings(const TPackedPosition& position) {
    bool white = false, black = false;
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file) {
            int piece = position.Piece(MakeSquare(file, rank));
            white = white || piece == kWhiteKing;
            black = black || piece == kBlackKing;
        }
    return white && black;
}

} // namespace

MARVEK_FUZZ_ENTRY(const uint8_t* data, size_t size) {
    std::string_view text = fuzz::AsText(data, size);
    std::size_t newline = text.find('\n');
    std::string_view fen = text.substr(0, newline);
    std::string_view moves =
        newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);

    TPackedPosition position = StartPosition();
    TChessPosition reader;
    TPackedPosition read;
    if (reader.FromFEN(fen, read) && HasBothKings(read)) position = read;

    TChessParser parser;
    parser.LoadPosition(position);
    std::size_t at = 0;
    int played = 0;
    while (at < moves.size() && played < 200) {
        std::size_t end = moves.find_first_of(" \t\r\n", at);
        std::string_view word =
            moves.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? moves.size() : end + 1;
        if (word.empty()) continue;

        (void)parser.CoordinateToNotation(word);
        parser.SetMoveText(word);
        if (!parser.ParseMove()) continue;
        TPackedMove move = parser.GetChessMove();
        const TPackedPosition before = parser.CurrentPosition();
        fuzz::CheckLegalMove(before, move, "move reader");
        (void)parser.GivesCheck();

        // What the program writes for the move reads back as the same move.
        std::string written = parser.NotationFor(move);
        if (written.empty())
            fuzz::Fail("no notation for the legal move read from \"" + std::string(word) + "\"");
        parser.SetMoveText(written);
        if (!parser.ParseMove() || !parser.GetChessMove().SameMove(move))
            fuzz::Fail("the notation \"" + written + "\" does not read back as the move read from \"" +
                       std::string(word) + "\" in " + TChessPosition(before).ToFEN());
        parser.ApplyMove();
        ++played;
    }
    return 0;
}
