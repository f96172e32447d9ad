// Take-back entries of the line and of the positions' arrivals.
#include "bookwindow/TakeBackEntry.h"

namespace marvek {

namespace {

int PieceOrNone(const TPackedPosition& position, TSquare square) {
    return IsOffBoard(square) ? 0 : position.Piece(square);
}

} // namespace

TTakeBack MakeTakeBack(const TPackedPosition& before, const TPackedMove& move,
                       const std::array<TSquare, 2>& secondary) {
    TTakeBack entry;
    entry.itsFrom = move.itsFrom;
    entry.itsTo = move.itsTo;
    entry.itsSecondary1 = std::uint8_t(IsOffBoard(secondary[0]) ? kNoSquare : secondary[0]);
    entry.itsSecondary2 = std::uint8_t(IsOffBoard(secondary[1]) ? kNoSquare : secondary[1]);
    entry.itsFromPiece = std::uint8_t(PieceOrNone(before, move.itsFrom));
    entry.itsToPiece = std::uint8_t(PieceOrNone(before, move.itsTo));
    entry.itsSecondary1Piece = std::uint8_t(PieceOrNone(before, entry.itsSecondary1));
    entry.itsSecondary2Piece = std::uint8_t(PieceOrNone(before, entry.itsSecondary2));
    entry.itsFlags = before.Flags();
    return entry;
}

TPackedPosition PositionBeforeMove(const TPackedPosition& after, const TTakeBack& entry) {
    TPackedPosition before = after;
    before.SetFlags(entry.itsFlags);
    if (!IsOffBoard(entry.itsFrom)) before.SetPiece(entry.itsFromPiece, entry.itsFrom);
    if (!IsOffBoard(entry.itsTo)) before.SetPiece(entry.itsToPiece, entry.itsTo);
    if (!IsOffBoard(entry.itsSecondary1)) before.SetPiece(entry.itsSecondary1Piece, entry.itsSecondary1);
    if (!IsOffBoard(entry.itsSecondary2)) before.SetPiece(entry.itsSecondary2Piece, entry.itsSecondary2);
    return before;
}

std::string TakeBackCaption(const TTakeBack& entry, const TPieceLetters& letters) {
    const int kind = PieceKind(entry.itsFromPiece);
    char letter = kind >= kWhitePawn && kind <= kWhiteKing ? letters.Letter(kind) : 0;
    std::string caption(1, letter == 0 ? ' ' : letter);
    caption += SquareName(entry.itsFrom) + "-" + SquareName(entry.itsTo);
    return caption;
}

} // namespace marvek
