// Reading a move's text against the position: SetMoveText, ParseMove and the pawn, piece and
// castling readers behind it.
#include "chess/ChessParser.h"

#include <cstdlib>
#include <cstring>

#include "chess/Directions.h"
#include "chess/Notation.h"

namespace marvek {

void TChessParser::SetRawMoveText(std::string_view text) {
    if (text.size() > std::size_t(kMaxMoveText)) text = text.substr(0, kMaxMoveText);
    std::memcpy(itsMoveText.data(), text.data(), text.size());
    itsMoveTextLength = int(text.size());
    itsMoveText[std::size_t(itsMoveTextLength)] = '\0';
}

void TChessParser::SetMoveText(std::string_view text) {
    text = text.substr(0, text.find(','));
    if (text.size() > std::size_t(kMaxMoveText)) text = text.substr(0, kMaxMoveText);
    char buffer[kMaxMoveText + 3];
    int length = notation_detail::NormalizeInto(text, itsLetters, buffer);
    SetRawMoveText({buffer, std::size_t(length)});
    itsNotationIsOK = false;
}

bool TChessParser::ParseMove() {
    itsNotationIsOK = false;
    itsCapture = itsCheck = itsCheckPending = false;
    itsFrom = itsTo = itsPromotion = 0;
    itsCastling = kNoCastling;
    if (itsMoveTextLength <= 1) return false;

    char first = itsMoveText[0];
    if (IsFileLetter(first)) return ParsePawnMove();
    if (const int kind = itsLetters.Kind(first)) return ParsePieceMove(kind);
    if (first == 'O' || first == '0' || first == 'o') return ParseCastling();
    return false;
}

int TChessParser::PromotionFromText(bool white) const {
    std::string_view text = MoveText();
    std::size_t equals = text.find('=');
    if (equals != std::string_view::npos &&
        (equals + 1 >= text.size() || itsLetters.PromotionKind(text[equals + 1]) == 0))
        return 0;
    int kind = itsLetters.PromotionKind(text.back());
    return kind == 0 ? 0 : PieceOfColour(kind, white);
}

bool TChessParser::ParsePawnMove() {
    const bool white = WhiteToMove();
    const int ownPawn = white ? kWhitePawn : kBlackPawn;
    const char* t = itsMoveText.data();
    TAfterMove after;

    if (IsFileLetter(t[1])) {
        // Capture: from-file, to-file, and the to-rank when given.
        const int fromFile = t[0] - 'a';
        const int toFile = t[1] - 'a';
        if (std::abs(fromFile - toFile) != 1) return false;
        const bool rankGiven = itsMoveTextLength >= 3 && IsRankDigit(t[2]);
        const int firstRank = rankGiven ? t[2] - '1' : kFirstRank;
        const int lastRank = rankGiven ? firstRank : kEighthRank;
        for (int rank = firstRank; rank <= lastRank; ++rank) {
            const TSquare to = MakeSquare(toFile, rank);
            // One rank back, on the from-file.
            const TSquare from = to - PawnForward(white) + (fromFile - toFile);
            if (itsPosition.Piece(from) != ownPawn) continue;
            const int target = itsPosition.Piece(to);
            const bool takesPiece =
                (white ? IsBlackPiece(target) : IsWhitePiece(target)) && PieceKind(target) != kWhiteKing;
            const bool enPassant = IsEnPassantCapture(itsPosition, to);
            if (!takesPiece && !enPassant) continue;
            int promotion = 0;
            if (RelativeRank(rank, white) == kEighthRank) {
                promotion = PromotionFromText(white);
                if (promotion == 0) continue;
            }
            if (LeavesOwnKingAttacked(from, to, promotion, kNoCastling, after)) continue;
            Resolve(from, to, promotion, kNoCastling, after);
            itsCapture = true;
            return true;
        }
        return false;
    }

    if (!IsRankDigit(t[1])) return false;
    const TSquare to = MakeSquare(t[0] - 'a', t[1] - '1');
    // The destination's rank from the mover's side.
    const int rank = RelativeRank(RankOf(to), white);
    if (itsPosition.Piece(to) != kEmpty) return false;
    TSquare from;
    const int back = -PawnForward(white);
    if (rank <= kSecondRank) return false;
    if (itsPosition.Piece(to + back) == ownPawn) {
        from = to + back;
    } else if (rank == kFourthRank && itsPosition.Piece(to + back) == kEmpty &&
               itsPosition.Piece(to + 2 * back) == ownPawn) {
        from = to + 2 * back;
    } else {
        return false;
    }
    int promotion = 0;
    if (rank == kEighthRank) {
        promotion = PromotionFromText(white);
        if (promotion == 0) return false;
    }
    if (LeavesOwnKingAttacked(from, to, promotion, kNoCastling, after)) return false;
    Resolve(from, to, promotion, kNoCastling, after);
    return true;
}

bool TChessParser::ParsePieceMove(int kind) {
    const char* t = itsMoveText.data();
    const int length = itsMoveTextLength;
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

    // Where the destination stands depends on how much disambiguation the text carries.
    int destIndex;
    int fromFile = -1;
    int fromRank = -1;
    constexpr int kNoMatch = -2;
    if (length >= 5 && isDigit(t[4])) {
        destIndex = 3;
        fromFile = IsFileLetter(t[1]) ? t[1] - 'a' : kNoMatch;
        fromRank = IsRankDigit(t[2]) ? t[2] - '1' : kNoMatch;
    } else if (length <= 3 || !isDigit(t[3])) {
        destIndex = 1;
    } else {
        destIndex = 2;
        if (IsRankDigit(t[1]))
            fromRank = t[1] - '1';
        else if (IsFileLetter(t[1]))
            fromFile = t[1] - 'a';
        else
            fromFile = kNoMatch;
    }
    if (destIndex + 1 >= length || !IsFileLetter(t[destIndex]) || !IsRankDigit(t[destIndex + 1]))
        return false;
    const TSquare to = MakeSquare(t[destIndex] - 'a', t[destIndex + 1] - '1');

    const bool white = WhiteToMove();
    const int target = itsPosition.Piece(to);
    if (target != kEmpty) {
        const bool opponent = white ? IsBlackPiece(target) : IsWhitePiece(target);
        if (!opponent || PieceKind(target) == kWhiteKing) return false;
    }
    const int piece = PieceOfColour(kind, white);

    // Walk back from the destination along the piece's own directions to where it can stand.
    const TDirections directions = DirectionsOf(kind);
    int candidates = 0;
    TSquare resolvedFrom = 0;
    TAfterMove after;
    TAfterMove resolvedAfter;
    for (int d = 0; d < directions.itsCount; ++d) {
        const int step = directions.itsOffsets[d];
        TSquare s = to + step;
        if (directions.itsSlides)
            while (OnBoard(s) && itsPosition.Piece(s) == kEmpty) s += step;
        if (!OnBoard(s) || itsPosition.Piece(s) != piece) continue;
        if (fromFile != -1 && FileOf(s) != fromFile) continue;
        if (fromRank != -1 && RankOf(s) != fromRank) continue;
        if (LeavesOwnKingAttacked(s, to, 0, kNoCastling, after)) continue;
        if (++candidates > 1) return false;
        resolvedFrom = s;
        resolvedAfter = after;
    }
    if (candidates != 1) return false;
    Resolve(resolvedFrom, to, 0, kNoCastling, resolvedAfter);
    itsCapture = target != kEmpty;
    return true;
}

bool TChessParser::CastlingIsLegal(bool longCastling, TAfterMove& after) const {
    const bool white = WhiteToMove();
    const TCastlingSquares squares = CastlingSquares(white, longCastling);
    const TSquare home = squares.itsKingFrom;
    const TSquare passing = squares.itsPassing;
    const TSquare destination = squares.itsKingTo;
    // A king and rook must really stand at home; rights read from a FEN may claim otherwise.
    if (itsPosition.Piece(home) != PieceOfColour(kWhiteKing, white)) return false;
    std::uint16_t right = white ? (longCastling ? kWhiteQueenSide : kWhiteKingSide)
                                : (longCastling ? kBlackQueenSide : kBlackKingSide);
    if (!itsPosition.HasRight(right)) return false;
    if (itsPosition.Piece(squares.itsRookFrom) != PieceOfColour(kWhiteRook, white)) return false;
    if (itsPosition.Piece(passing) != kEmpty || itsPosition.Piece(destination) != kEmpty) return false;
    // The long way the rook also crosses the b-file square beside its corner.
    if (longCastling && itsPosition.Piece(squares.itsRookFrom + 1) != kEmpty) return false;
    if (IsSquareAttacked(itsPosition, home, !white) || IsSquareAttacked(itsPosition, passing, !white) ||
        IsSquareAttacked(itsPosition, destination, !white))
        return false;
    return !LeavesOwnKingAttacked(home, destination, 0, longCastling ? kLongCastling : kShortCastling, after);
}

bool TChessParser::ParseCastling() {
    auto isO = [](char c) { return c == 'O' || c == '0' || c == 'o'; };
    const char* t = itsMoveText.data();
    const int length = itsMoveTextLength;
    bool shortForm = length >= 3 && isO(t[0]) && t[1] == '-' && isO(t[2]);
    if (!shortForm) return false;
    bool longForm = length >= 5 && t[3] == '-' && isO(t[4]);
    CheckKings();
    TAfterMove after;
    if (!CastlingIsLegal(longForm, after)) return false;
    const TCastlingSquares squares = CastlingSquares(WhiteToMove(), longForm);
    Resolve(squares.itsKingFrom, squares.itsKingTo, 0, longForm ? kLongCastling : kShortCastling, after);
    return true;
}

} // namespace marvek
