// Writing a move's text: NotationFor tries texts of growing precision until one reads back as the
// move, and CoordinateToNotation does so for an engine's e2e4.
#include "chess/ChessParser.h"

namespace marvek {

bool TChessParser::TryNotation(std::string_view text, TSquare from, TSquare to) {
    SetRawMoveText(text);
    return ParseMove() && itsFrom == from && itsTo == to;
}

std::string TChessParser::NotationFor(const TPackedMove& move) {
    ResetMoveState();
    const TSquare from = move.itsFrom;
    const TSquare to = move.itsTo;
    if (from == to || IsOffBoard(from) || IsOffBoard(to)) return {};
    const bool white = WhiteToMove();
    const int piece = itsPosition.Piece(from);
    if (!(white ? IsWhitePiece(piece) : IsBlackPiece(piece))) return {};
    const int kind = PieceKind(piece);

    const char letter = itsLetters.Letter(kind); // none for a pawn
    const bool isPawn = kind == kWhitePawn;
    const bool isOfficer = kind >= kWhiteKnight && kind <= kWhiteQueen;
    const std::string fromName = SquareName(from);
    const std::string toName = SquareName(to);

    std::string text;
    if (isOfficer && !TryNotation(text.assign(1, letter).append(fromName).append(toName), from, to)) {
        ResetMoveState();
        return {};
    }

    bool promotionText = false;
    text.clear();
    if (letter) text += letter;
    text += toName;
    const int promotionKind = PieceKind(move.itsPromotion);
    if (isPawn && move.itsPromotion != 0 && (OnRank(to, kEighthRank) || OnRank(to, kFirstRank))) {
        text += '=';
        text += itsLetters.PromotionLetter(promotionKind);
        promotionText = true;
    }
    bool ok = TryNotation(text, from, to);
    if (!ok && isPawn) {
        text.insert(text.begin(), fromName[0]);
        ok = TryNotation(text, from, to);
    }
    if (!ok && isOfficer) {
        // Ngf3, then N1f3, then Ng1f3.
        const std::string forms[3] = {std::string(1, letter) + fromName[0] + toName,
                                      std::string(1, letter) + fromName[1] + toName,
                                      std::string(1, letter) + fromName + toName};
        for (const std::string& form : forms) {
            text = form;
            if ((ok = TryNotation(text, from, to))) break;
        }
    }
    if (!ok && kind == kWhiteKing && from == KingHome(white)) {
        const bool shortCastling = to == CastlingSquares(white, false).itsKingTo;
        if (shortCastling || to == CastlingSquares(white, true).itsKingTo) {
            text = shortCastling ? "O-O" : "O-O-O";
            ok = TryNotation(text, from, to);
        }
    }
    if (!ok) {
        ResetMoveState();
        return {};
    }
    if (itsCapture && itsShowCaptures) text.insert(text.end() - (promotionText ? 4 : 2), 'x');
    if (itsShowChecks && GivesCheck()) text += '+';
    SetRawMoveText(text);
    return text;
}

std::string TChessParser::CoordinateToNotation(std::string_view text) {
    ResetMoveState();
    if (!IsCoordinateMove(text)) return {};
    TPackedMove move;
    move.itsFrom = std::uint8_t(SquareFromName(text.substr(0, 2)));
    move.itsTo = std::uint8_t(SquareFromName(text.substr(2, 2)));
    if (text.size() >= 5) {
        char c = text[4];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        const int kind = itsLetters.PromotionKind(c);
        if (kind != 0) move.itsPromotion = std::uint8_t(PieceOfColour(kind, WhiteToMove()));
    }
    return NotationFor(move);
}

} // namespace marvek
