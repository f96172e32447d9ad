// The FEN reader on any text: a position is refused, or it round-trips through its FEN form.

#include "FuzzSupport.h"

#include "chess/ChessParser.h"
#include "platform/Errors.h"

using namespace marvek;

MARVEK_FUZZ_ENTRY(const uint8_t* data, size_t size) {
    TChessPosition reader;
    TPackedPosition position;
    if (!reader.FromFEN(fuzz::AsText(data, size), position)) return 0;
    std::string fen = TChessPosition(position).ToFEN();
    TChessPosition again;
    TPackedPosition back;
    if (!again.FromFEN(fen, back)) fuzz::Fail("the FEN written for an accepted position is refused: " + fen);
    if (!(back == position)) fuzz::Fail("the FEN " + fen + " reads back as another position");
    if (TChessPosition(back).ToFEN() != fen) fuzz::Fail("the FEN " + fen + " is not written the same twice");
    // The parser's own view of an accepted position: moves, checks, the canonical form.
    TChessParser parser;
    try {
        parser.LoadPosition(position);
        (void)parser.LegalMoves();
        (void)parser.IsCheckmate();
        TChessPosition canonical(position);
        (void)canonical.CanonicalPosition();
    } catch (const EMarvekError&) {
        // A position without a king of each colour is refused by the parser and has no canonical
        // form; readers that need a playable position check for the kings first.
    }
    return 0;
}
