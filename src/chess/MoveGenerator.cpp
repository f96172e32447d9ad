// The legal-move list in the program's order, and perft, mate and stalemate built on it.
#include "chess/ChessParser.h"
#include "chess/Directions.h"

// The legal-move list. Moves come in the order in which the program has always listed them:
// the pieces of the side to move file by file (a1, a2, .., a8, b1, ..), each piece along its
// direction table ray by ray, pawns as +9, +10, +11, +20 (or, from the seventh rank, each
// promotion piece queen, rook, bishop, knight with +9, +10, +11), and castling where the king's
// ray passes the castling square. A move is listed exactly when its notation can be written.

namespace marvek {

void TChessParser::AddIfLegal(TSquare from, TSquare to, int promotion, TCastling castling, TPackedMove* moves,
                              int capacity, int& count) const {
    if (count >= capacity) return;
    TAfterMove after;
    if (castling == kNoCastling && LeavesOwnKingAttacked(from, to, promotion, castling, after)) return;
    moves[count++] = {std::uint8_t(from), std::uint8_t(to), std::uint8_t(promotion), kSymbolNone};
}

void TChessParser::GeneratePawnMoves(TSquare square, TPackedMove* moves, int capacity, int& count) const {
    const bool white = WhiteToMove();
    const int forward = PawnForward(white);
    const int rank = RankOf(square);

    auto canCapture = [&](TSquare to) {
        if (!OnBoard(to)) return false;
        int target = itsPosition.Piece(to);
        if ((white ? IsBlackPiece(target) : IsWhitePiece(target)) && PieceKind(target) != kWhiteKing)
            return true;
        return IsEnPassantCapture(itsPosition, to);
    };
    auto canPush = [&](TSquare to) {
        if (!OnBoard(to) || itsPosition.Piece(to) != kEmpty) return false;
        const int toRank = RankOf(to);
        return white ? toRank >= kThirdRank : toRank <= RelativeRank(kThirdRank, false);
    };
    // Diagonal steps in proposal order: +9, +11 for White, -9, -11 for Black.
    const int left = white ? 9 : -9;
    const int right = white ? 11 : -11;

    if (rank == RelativeRank(kSeventhRank, white)) {
        for (int kind : kPromotionKinds) {
            int promotion = PieceOfColour(kind, white);
            if (canCapture(square + left))
                AddIfLegal(square, square + left, promotion, kNoCastling, moves, capacity, count);
            if (canPush(square + forward))
                AddIfLegal(square, square + forward, promotion, kNoCastling, moves, capacity, count);
            if (canCapture(square + right))
                AddIfLegal(square, square + right, promotion, kNoCastling, moves, capacity, count);
        }
        return;
    }
    if (rank == RelativeRank(kEighthRank, white)) return; // a pawn on its last rank has no moves

    if (canCapture(square + left)) AddIfLegal(square, square + left, 0, kNoCastling, moves, capacity, count);
    if (canPush(square + forward))
        AddIfLegal(square, square + forward, 0, kNoCastling, moves, capacity, count);
    if (canCapture(square + right))
        AddIfLegal(square, square + right, 0, kNoCastling, moves, capacity, count);
    const TSquare doubleTo = square + 2 * forward;
    if (rank == RelativeRank(kSecondRank, white) && itsPosition.Piece(square + forward) == kEmpty &&
        canPush(doubleTo))
        AddIfLegal(square, doubleTo, 0, kNoCastling, moves, capacity, count);
}

int TChessParser::GenerateMoves(TPackedMove* moves, int capacity) {
    CheckKings();
    const bool white = WhiteToMove();
    int count = 0;
    for (int file = kFileA; file <= kFileH; ++file) {
        for (int rank = kFirstRank; rank <= kEighthRank; ++rank) {
            const TSquare square = MakeSquare(file, rank);
            const int piece = itsPosition.Piece(square);
            if (!(white ? IsWhitePiece(piece) : IsBlackPiece(piece))) continue;
            const int kind = PieceKind(piece);
            if (kind == kWhitePawn) {
                GeneratePawnMoves(square, moves, capacity, count);
                continue;
            }
            const TDirections directions = DirectionsOf(kind);
            for (int d = 0; d < directions.itsCount; ++d) {
                const int step = directions.itsOffsets[d];
                for (TSquare to = square + step; OnBoard(to); to += step) {
                    const int target = itsPosition.Piece(to);
                    const bool opponent = white ? IsBlackPiece(target) : IsWhitePiece(target);
                    if (target == kEmpty || (opponent && PieceKind(target) != kWhiteKing))
                        AddIfLegal(square, to, 0, kNoCastling, moves, capacity, count);
                    if (!directions.itsSlides || target != kEmpty) break;
                }
                // Castling comes right after the king's step along the rank the same way.
                if (kind == kWhiteKing && (step == kKingSideStep || step == kQueenSideStep) &&
                    square == KingHome(white)) {
                    const bool longCastling = step == kQueenSideStep;
                    TAfterMove after;
                    if (CastlingIsLegal(longCastling, after))
                        AddIfLegal(square, CastlingSquares(white, longCastling).itsKingTo, 0,
                                   longCastling ? kLongCastling : kShortCastling, moves, capacity, count);
                }
            }
        }
    }
    return count;
}

std::vector<std::string> TChessParser::LegalMoves() {
    TPackedMove moves[kMaxLegalMoves];
    const int count = GenerateMoves(moves, kMaxLegalMoves);
    std::vector<std::string> notations;
    notations.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        std::string text = NotationFor(moves[i]);
        if (!text.empty()) notations.push_back(std::move(text).substr(0, kMaxMoveText));
    }
    ResetMoveState();
    return notations;
}

std::uint64_t TChessParser::Perft(int depth) {
    if (depth <= 0) return 1;
    TPackedMove moves[kMaxLegalMoves];
    const int count = GenerateMoves(moves, kMaxLegalMoves);
    if (depth == 1) return std::uint64_t(count);
    const TPackedPosition saved = itsPosition;
    const int whiteKing = itsWhiteKing;
    const int blackKing = itsBlackKing;
    std::uint64_t nodes = 0;
    TAfterMove after;
    for (int i = 0; i < count; ++i) {
        const TPackedMove& m = moves[i];
        TCastling castling = kNoCastling;
        if (PieceKind(itsPosition.Piece(m.itsFrom)) == kWhiteKing && m.itsTo == m.itsFrom + 2)
            castling = kShortCastling;
        if (PieceKind(itsPosition.Piece(m.itsFrom)) == kWhiteKing && m.itsTo + 2 == m.itsFrom)
            castling = kLongCastling;
        PlayOnCopy(m.itsFrom, m.itsTo, m.itsPromotion, castling, after);
        itsPosition = after.itsPosition;
        itsWhiteKing = after.itsWhiteKing;
        itsBlackKing = after.itsBlackKing;
        nodes += Perft(depth - 1);
        itsPosition = saved;
        itsWhiteKing = whiteKing;
        itsBlackKing = blackKing;
    }
    return nodes;
}

bool TChessParser::IsCheckmate() {
    TPackedMove moves[1];
    return GenerateMoves(moves, 1) == 0 && InCheck();
}

bool TChessParser::IsStalemate() {
    TPackedMove moves[1];
    return GenerateMoves(moves, 1) == 0 && !InCheck();
}

} // namespace marvek
