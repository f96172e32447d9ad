// The parser's rules: kings and attacks, en passant, and playing a move on the position.
#include "chess/ChessParser.h"

#include <algorithm>

#include "chess/Directions.h"
#include "platform/Errors.h"

namespace marvek {

namespace {

// Castling rights a move gives up when it leaves or lands on one of these squares.
constexpr std::uint16_t RightsLostAt(TSquare square) {
    switch (square) {
    case kA1: return kWhiteQueenSide;
    case kE1: return kWhiteKingSide | kWhiteQueenSide;
    case kH1: return kWhiteKingSide;
    case kA8: return kBlackQueenSide;
    case kE8: return kBlackKingSide | kBlackQueenSide;
    case kH8: return kBlackKingSide;
    default: return 0;
    }
}

bool SlidingAttack(const TPackedPosition& p, TSquare square, const int (&directions)[4], int attackerA,
                   int attackerB) {
    for (const int step : directions) {
        TSquare s = square + step;
        int piece;
        while (OnBoard(s) && (piece = p.Piece(s)) == kEmpty) s += step;
        if (OnBoard(s) && (piece == attackerA || piece == attackerB)) return true;
    }
    return false;
}

} // namespace

bool IsSquareAttacked(const TPackedPosition& p, TSquare square, bool byWhite) {
    const int rook = PieceOfColour(kWhiteRook, byWhite);
    const int bishop = PieceOfColour(kWhiteBishop, byWhite);
    const int queen = PieceOfColour(kWhiteQueen, byWhite);
    const int knight = PieceOfColour(kWhiteKnight, byWhite);
    const int king = PieceOfColour(kWhiteKing, byWhite);

    // An attacking pawn stands one rank back, one file to either side.
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

bool IsEnPassantCapture(const TPackedPosition& p, TSquare to) {
    const TSquare ep = p.EnPassantSquare();
    if (ep == kNoEnPassant || p.Piece(to) != kEmpty) return false;
    return p.WhiteToMove()
               ? OnRank(ep, kFifthRank) && to == ep + PawnForward(true) && p.Piece(ep) == kBlackPawn
               : OnRank(ep, kFourthRank) && to == ep + PawnForward(false) && p.Piece(ep) == kWhitePawn;
}

TChessParser::TChessParser() : itsPosition(StartPosition()) {
    FindKings();
}

void TChessParser::LoadPosition(const TPackedPosition& position) {
    itsPosition = position;
    ResetMoveState();
    FindKings();
}

void TChessParser::SetPieceLetters(char king, char queen, char rook, char bishop, char knight) {
    itsLetters = TPieceLetters(king, queen, rook, bishop, knight);
}

void TChessParser::SetFigurines(std::uint8_t king, std::uint8_t queen, std::uint8_t rook, std::uint8_t bishop,
                                std::uint8_t knight, std::uint8_t pawn) {
    itsFigurineOfKind = {0, pawn, knight, bishop, rook, queen, king};
}

std::string TChessParser::ToFigurines(std::string_view text) const {
    std::string result(text);
    for (char& c : result)
        if (const int kind = itsLetters.Kind(c)) c = char(itsFigurineOfKind[std::size_t(kind)]);
    return result;
}

void TChessParser::FindKings() {
    itsWhiteKing = kNoSquare;
    itsBlackKing = kNoSquare;
    for (TSquare s = kA1; s <= kH8 && itsWhiteKing == kNoSquare; ++s)
        if (OnBoard(s) && itsPosition.Piece(s) == kWhiteKing) itsWhiteKing = s;
    for (TSquare s = kH8; s >= kA1 && itsBlackKing == kNoSquare; --s)
        if (OnBoard(s) && itsPosition.Piece(s) == kBlackKing) itsBlackKing = s;
    CheckKings();
}

void TChessParser::RaiseMissingKing() const {
    if (itsWhiteKing == kNoSquare)
        throw EMissingKing("TChessParser.FindKings() has a position with no white king.");
    throw EMissingKing("TChessParser.FindKings() has a position with no black king.");
}

void TChessParser::CheckKings() const {
    if (itsWhiteKing == kNoSquare || itsBlackKing == kNoSquare) RaiseMissingKing();
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

void TChessParser::PlayOnCopy(TSquare from, TSquare to, int promotion, TCastling castling,
                              TAfterMove& after) const {
    TPackedPosition& p = after.itsPosition;
    p = itsPosition;
    after.itsWhiteKing = std::uint8_t(itsWhiteKing);
    after.itsBlackKing = std::uint8_t(itsBlackKing);
    after.itsSecondary[0] = after.itsSecondary[1] = kNoSquare;
    const bool white = p.WhiteToMove();

    if (castling != kNoCastling) {
        const TCastlingSquares squares = CastlingSquares(white, castling == kLongCastling);
        p.SetPiece(kEmpty, squares.itsKingFrom);
        p.SetPiece(kEmpty, squares.itsRookFrom);
        p.SetPiece(PieceOfColour(kWhiteKing, white), squares.itsKingTo);
        p.SetPiece(PieceOfColour(kWhiteRook, white), squares.itsPassing);
        (white ? after.itsWhiteKing : after.itsBlackKing) = std::uint8_t(squares.itsKingTo);
        after.itsSecondary[0] = std::uint8_t(std::min(squares.itsRookFrom, squares.itsPassing));
        after.itsSecondary[1] = std::uint8_t(std::max(squares.itsRookFrom, squares.itsPassing));
        p.SetRight(white ? kWhiteKingSide | kWhiteQueenSide : kBlackKingSide | kBlackQueenSide, false);
        p.ToggleSideToMove();
        p.SetEnPassantSquare(kNoEnPassant);
        return;
    }

    int piece = p.Piece(from);
    std::uint16_t lost = RightsLostAt(from) | RightsLostAt(to);
    if (lost) p.SetRight(lost, false);

    if (piece == PieceOfColour(kWhitePawn, white) && IsEnPassantCapture(p, to)) {
        const TSquare ep = p.EnPassantSquare();
        p.SetPiece(kEmpty, ep);
        after.itsSecondary[0] = std::uint8_t(ep);
    }

    // A double step records its square only when an enemy pawn stands beside it, so positions
    // that differ by an en-passant right nobody can use are the same position.
    TSquare newEp = kNoEnPassant;
    if (piece == kWhitePawn && OnRank(from, kSecondRank) && OnRank(to, kFourthRank)) {
        if (p.Piece(to - 1) == kBlackPawn || p.Piece(to + 1) == kBlackPawn) newEp = to;
    } else if (piece == kBlackPawn && OnRank(from, kSeventhRank) && OnRank(to, kFifthRank)) {
        if (p.Piece(to - 1) == kWhitePawn || p.Piece(to + 1) == kWhitePawn) newEp = to;
    }

    if (promotion != 0 &&
        ((piece == kWhitePawn && OnRank(to, kEighthRank)) || (piece == kBlackPawn && OnRank(to, kFirstRank))))
        piece = promotion;

    p.SetPiece(piece, to);
    p.SetPiece(kEmpty, from);
    if (piece == kWhiteKing)
        after.itsWhiteKing = std::uint8_t(to);
    else if (piece == kBlackKing)
        after.itsBlackKing = std::uint8_t(to);
    p.ToggleSideToMove();
    p.SetEnPassantSquare(newEp);
}

bool TChessParser::LeavesOwnKingAttacked(TSquare from, TSquare to, int promotion, TCastling castling,
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

void TChessParser::Resolve(TSquare from, TSquare to, int promotion, TCastling castling,
                           const TAfterMove& after) {
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
