#include "chess/ChessParser.h"

#include "chess/Directions.h"
#include "platform/Errors.h"

namespace marvek {

namespace {

// Castling rights a move gives up when it leaves or lands on one of these squares.
constexpr std::uint16_t RightsLostAt(int square) {
    switch (square) {
    case 0: return kWhiteQueenSide;
    case 4: return kWhiteKingSide | kWhiteQueenSide;
    case 7: return kWhiteKingSide;
    case 70: return kBlackQueenSide;
    case 74: return kBlackKingSide | kBlackQueenSide;
    case 77: return kBlackKingSide;
    default: return 0;
    }
}

bool SlidingAttack(const TPackedPosition& p, int square, const int* directions, int attackerA,
                   int attackerB) {
    for (int d = 0; d < 4; ++d) {
        int s = square + directions[d];
        int piece;
        while (OnBoard(s) && (piece = p.Piece(s)) == kEmpty) s += directions[d];
        if (OnBoard(s) && (piece == attackerA || piece == attackerB)) return true;
    }
    return false;
}

} // namespace

bool IsSquareAttacked(const TPackedPosition& p, int square, bool byWhite) {
    const int rook = PieceOfColour(kWhiteRook, byWhite);
    const int bishop = PieceOfColour(kWhiteBishop, byWhite);
    const int queen = PieceOfColour(kWhiteQueen, byWhite);
    const int knight = PieceOfColour(kWhiteKnight, byWhite);
    const int king = PieceOfColour(kWhiteKing, byWhite);

    if (byWhite) {
        if (p.Piece(square - 11) == kWhitePawn || p.Piece(square - 9) == kWhitePawn) return true;
    } else {
        if (p.Piece(square + 11) == kBlackPawn || p.Piece(square + 9) == kBlackPawn) return true;
    }
    for (int offset : kKnightDirections)
        if (p.Piece(square + offset) == knight) return true;
    for (int offset : kKingDirections)
        if (p.Piece(square + offset) == king) return true;
    return SlidingAttack(p, square, kRookDirections, rook, queen) ||
           SlidingAttack(p, square, kBishopDirections, bishop, queen);
}

bool IsEnPassantCapture(const TPackedPosition& p, int to) {
    const int ep = p.EnPassantSquare();
    if (ep == 0 || p.Piece(to) != kEmpty) return false;
    return p.WhiteToMove() ? ep >= 40 && to == ep + 10 && p.Piece(ep) == kBlackPawn
                           : ep <= 37 && to == ep - 10 && p.Piece(ep) == kWhitePawn;
}

TChessParser::TChessParser() : itsPosition(StartPosition()) {
    FindKings();
}

void TChessParser::LoadPosition(const TPackedPosition& position) {
    itsPosition = position;
    ResetMoveState();
    FindKings();
}

void TChessParser::SetPieceLetters(char king, char queen, char knight, char bishop, char rook) {
    itsLetters = {king, queen, rook, bishop, knight};
}

void TChessParser::SetFigurines(std::uint8_t king, std::uint8_t queen, std::uint8_t rook, std::uint8_t bishop,
                                std::uint8_t knight, std::uint8_t pawn) {
    itsFigurines = {king, queen, rook, bishop, knight, pawn};
}

std::string TChessParser::ToFigurines(std::string_view text) const {
    std::string result(text);
    for (char& c : result) {
        for (int k = 0; k < 5; ++k) {
            if (c == itsLetters[k]) {
                c = char(itsFigurines[k]);
                break;
            }
        }
    }
    return result;
}

void TChessParser::FindKings() {
    itsWhiteKing = -1;
    itsBlackKing = -1;
    for (int s = 0; s <= 77 && itsWhiteKing < 0; ++s)
        if (OnBoard(s) && itsPosition.Piece(s) == kWhiteKing) itsWhiteKing = s;
    for (int s = 77; s >= 0 && itsBlackKing < 0; --s)
        if (OnBoard(s) && itsPosition.Piece(s) == kBlackKing) itsBlackKing = s;
    CheckKings();
}

void TChessParser::RaiseMissingKing() const {
    if (itsWhiteKing < 0)
        throw EDatabaseProblem("TChessParser.FindKings() has a position with no white king.");
    throw EDatabaseProblem("TChessParser.FindKings() has a position with no black king.");
}

void TChessParser::CheckKings() const {
    if (itsWhiteKing < 0 || itsBlackKing < 0) RaiseMissingKing();
}

bool TChessParser::IsKingAttacked() const {
    CheckKings();
    bool white = WhiteToMove();
    return IsSquareAttacked(itsPosition, white ? itsBlackKing : itsWhiteKing, white);
}

bool TChessParser::InCheck() const {
    CheckKings();
    bool white = WhiteToMove();
    return IsSquareAttacked(itsPosition, white ? itsWhiteKing : itsBlackKing, !white);
}

void TChessParser::PlayOnCopy(int from, int to, int promotion, TCastling castling, TAfterMove& after) const {
    TPackedPosition& p = after.itsPosition;
    p = itsPosition;
    after.itsWhiteKing = std::int8_t(itsWhiteKing);
    after.itsBlackKing = std::int8_t(itsBlackKing);
    after.itsSecondary[0] = after.itsSecondary[1] = kNoSquare;
    const bool white = p.WhiteToMove();

    if (castling != kNoCastling) {
        const int home = white ? 0 : 70;
        const int rook = PieceOfColour(kWhiteRook, white);
        const int king = PieceOfColour(kWhiteKing, white);
        int kingTo;
        if (castling == kShortCastling) {
            p.SetPiece(kEmpty, home + 4);
            p.SetPiece(rook, home + 5);
            p.SetPiece(king, home + 6);
            p.SetPiece(kEmpty, home + 7);
            kingTo = home + 6;
            after.itsSecondary[0] = std::uint8_t(home + 5);
            after.itsSecondary[1] = std::uint8_t(home + 7);
        } else {
            p.SetPiece(kEmpty, home);
            p.SetPiece(king, home + 2);
            p.SetPiece(rook, home + 3);
            p.SetPiece(kEmpty, home + 4);
            kingTo = home + 2;
            after.itsSecondary[0] = std::uint8_t(home);
            after.itsSecondary[1] = std::uint8_t(home + 3);
        }
        (white ? after.itsWhiteKing : after.itsBlackKing) = std::int8_t(kingTo);
        p.SetRight(white ? kWhiteKingSide | kWhiteQueenSide : kBlackKingSide | kBlackQueenSide, false);
        p.ToggleSideToMove();
        p.SetEnPassantSquare(0);
        return;
    }

    int piece = p.Piece(from);
    std::uint16_t lost = RightsLostAt(from) | RightsLostAt(to);
    if (lost) p.SetRight(lost, false);

    if (piece == PieceOfColour(kWhitePawn, white) && IsEnPassantCapture(p, to)) {
        const int ep = p.EnPassantSquare();
        p.SetPiece(kEmpty, ep);
        after.itsSecondary[0] = std::uint8_t(ep);
    }

    // A double step records its square only when an enemy pawn stands beside it, so positions
    // that differ by an en-passant right nobody can use are the same position.
    int newEp = 0;
    if (piece == kWhitePawn && from >= 10 && from <= 17 && to >= 30) {
        if (p.Piece(to - 1) == kBlackPawn || p.Piece(to + 1) == kBlackPawn) newEp = to;
    } else if (piece == kBlackPawn && from >= 60 && from <= 67 && to < 48) {
        if (p.Piece(to - 1) == kWhitePawn || p.Piece(to + 1) == kWhitePawn) newEp = to;
    }

    if (promotion != 0 && ((piece == kWhitePawn && to > 69) || (piece == kBlackPawn && to < 8)))
        piece = promotion;

    p.SetPiece(piece, to);
    p.SetPiece(kEmpty, from);
    if (piece == kWhiteKing)
        after.itsWhiteKing = std::int8_t(to);
    else if (piece == kBlackKing)
        after.itsBlackKing = std::int8_t(to);
    p.ToggleSideToMove();
    p.SetEnPassantSquare(newEp);
}

bool TChessParser::LeavesOwnKingAttacked(int from, int to, int promotion, TCastling castling,
                                         TAfterMove& after) const {
    CheckKings();
    PlayOnCopy(from, to, promotion, castling, after);
    bool white = WhiteToMove();
    return IsSquareAttacked(after.itsPosition, white ? after.itsWhiteKing : after.itsBlackKing, !white);
}

bool TChessParser::LeavesKingInCheck() {
    TAfterMove after;
    bool attacked = LeavesOwnKingAttacked(itsFrom, itsTo, itsPromotion, itsCastling, after);
    bool white = WhiteToMove();
    itsCheck = IsSquareAttacked(after.itsPosition, white ? after.itsBlackKing : after.itsWhiteKing, white);
    itsCheckPending = false;
    return attacked;
}

void TChessParser::Resolve(int from, int to, int promotion, TCastling castling, const TAfterMove& after) {
    itsFrom = from;
    itsTo = to;
    itsPromotion = promotion;
    itsCastling = castling;
    itsResolved = after;
    itsCheckPending = true;
    itsNotationIsOK = true;
}

bool TChessParser::GivesCheck() const {
    if (itsCheckPending) {
        // The side to move after the move is the side that may be in check.
        const TAfterMove& after = itsResolved;
        bool white = after.itsPosition.WhiteToMove();
        itsCheck =
            IsSquareAttacked(after.itsPosition, white ? after.itsWhiteKing : after.itsBlackKing, !white);
        itsCheckPending = false;
    }
    return itsCheck;
}

void TChessParser::ResetMoveState() {
    itsNotationIsOK = false;
    itsMoveTextLength = 0;
    itsMoveText[0] = '\0';
    itsFrom = itsTo = itsPromotion = 0;
    itsCastling = kNoCastling;
    itsCapture = itsCheck = itsCheckPending = false;
}

void TChessParser::ApplyMove() {
    MARVEK_ASSERT(itsNotationIsOK);
    itsPosition = itsResolved.itsPosition;
    itsWhiteKing = itsResolved.itsWhiteKing;
    itsBlackKing = itsResolved.itsBlackKing;
    itsSecondary[0] = itsResolved.itsSecondary[0];
    itsSecondary[1] = itsResolved.itsSecondary[1];
    itsNotationIsOK = false;
    itsMoveTextLength = 0;
    itsMoveText[0] = '\0';
}

TPackedMove TChessParser::GetChessMove() const {
    MARVEK_ASSERT(itsNotationIsOK);
    MARVEK_ASSERT(itsFrom != itsTo);
    return {std::uint8_t(itsFrom), std::uint8_t(itsTo), std::uint8_t(itsPromotion), kSymbolNone};
}

} // namespace marvek
