#include "chess/Notation.h"

#include <cstdlib>
#include <cstring>

#include "chess/ChessParser.h"
#include "chess/Directions.h"
#include "platform/Errors.h"

namespace marvek {

namespace notation_detail {

int NormalizeInto(std::string_view text, const char* letters, int letterCount, char* out) {
    if (text.size() < 2) return 0;
    if (text.size() > 3) {
        std::string_view tail = text.substr(text.size() - 2);
        if (tail == "ep" || tail == "EP") text.remove_suffix(2);
    }
    bool upperFirst = !IsRankDigit(text[1]) && !IsFileLetter(text[0]);
    int length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (i == 0 && upperFirst && c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        bool keep = IsFileLetter(c) || IsRankDigit(c) || c == 'O' || c == '0' || c == 'o' ||
                    std::memchr(letters, c, std::size_t(letterCount)) != nullptr;
        if (!keep) continue;
        if (c == '0' || c == 'o') c = 'O';
        out[length++] = c;
    }
    if (length == 2 && out[0] == 'O' && out[1] == 'O') {
        std::memcpy(out, "O-O", 3);
        length = 3;
    } else if (length == 3 && out[0] == 'O' && out[1] == 'O' && out[2] == 'O') {
        std::memcpy(out, "O-O-O", 5);
        length = 5;
    }
    return length;
}

} // namespace notation_detail

std::string NormalizeMoveText(std::string_view text, char king, char queen, char knight, char bishop,
                              char rook) {
    const char letters[5] = {king, queen, knight, bishop, rook};
    std::string out(text.size() + 3, '\0');
    out.resize(std::size_t(notation_detail::NormalizeInto(text, letters, 5, out.data())));
    return out;
}

int SymbolFromText(std::string_view text) {
    auto has = [&](std::string_view s) { return text.find(s) != std::string_view::npos; };
    if (has("??")) return kSymbolBlunder;
    if (has("!!")) return kSymbolExcellent;
    if (has("!?")) return kSymbolInteresting;
    if (has("?!")) return kSymbolDubious;
    if (has("?")) return kSymbolMistake;
    if (has("!")) return kSymbolGood;
    return kSymbolNone;
}

std::string_view SymbolText(int code) {
    static constexpr std::string_view kTexts[] = {"", "!", "!?", "!!", "?", "?!", "??"};
    MARVEK_ASSERT(code >= kSymbolNone && code <= kSymbolBlunder);
    return kTexts[code - 1];
}

void AppendSymbolText(int code, std::string& text) {
    text += SymbolText(code);
    text += ',';
}

// ---------------------------------------------------------------------------------------------
// Reading moves

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
    const char letters[5] = {KingLetter(), QueenLetter(), KnightLetter(), BishopLetter(), RookLetter()};
    int length = notation_detail::NormalizeInto(text, letters, 5, buffer);
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
    if (first == KingLetter()) return ParsePieceMove(kWhiteKing);
    if (first == QueenLetter()) return ParsePieceMove(kWhiteQueen);
    if (first == RookLetter()) return ParsePieceMove(kWhiteRook);
    if (first == BishopLetter()) return ParsePieceMove(kWhiteBishop);
    if (first == KnightLetter()) return ParsePieceMove(kWhiteKnight);
    if (first == 'O' || first == '0' || first == 'o') return ParseCastling();
    return false;
}

int TChessParser::PromotionFromText(bool white) const {
    std::string_view text = MoveText();
    std::size_t equals = text.find('=');
    auto kindOf = [&](char c) {
        if (c == QueenLetter()) return int(kWhiteQueen);
        if (c == RookLetter()) return int(kWhiteRook);
        if (c == BishopLetter()) return int(kWhiteBishop);
        if (c == KnightLetter()) return int(kWhiteKnight);
        return 0;
    };
    if (equals != std::string_view::npos && (equals + 1 >= text.size() || kindOf(text[equals + 1]) == 0))
        return 0;
    int kind = kindOf(text.back());
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
        const int firstRank = rankGiven ? t[2] - '1' : 0;
        const int lastRank = rankGiven ? firstRank : 7;
        for (int rank = firstRank; rank <= lastRank; ++rank) {
            const int to = MakeSquare(toFile, rank);
            const int from =
                white ? (fromFile < toFile ? to - 11 : to - 9) : (fromFile < toFile ? to + 9 : to + 11);
            if (itsPosition.Piece(from) != ownPawn) continue;
            const int target = itsPosition.Piece(to);
            const bool takesPiece =
                (white ? IsBlackPiece(target) : IsWhitePiece(target)) && PieceKind(target) != kWhiteKing;
            const bool enPassant = IsEnPassantCapture(itsPosition, to);
            if (!takesPiece && !enPassant) continue;
            int promotion = 0;
            if (rank == (white ? 7 : 0)) {
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
    const int to = MakeSquare(t[0] - 'a', t[1] - '1');
    const int rank = RankOf(to);
    if (itsPosition.Piece(to) != kEmpty) return false;
    int from;
    const int back = white ? -10 : 10;
    if (white ? rank <= 1 : rank >= 6) return false;
    if (itsPosition.Piece(to + back) == ownPawn) {
        from = to + back;
    } else if (rank == (white ? 3 : 4) && itsPosition.Piece(to + back) == kEmpty &&
               itsPosition.Piece(to + 2 * back) == ownPawn) {
        from = to + 2 * back;
    } else {
        return false;
    }
    int promotion = 0;
    if (rank == (white ? 7 : 0)) {
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
    const int to = MakeSquare(t[destIndex] - 'a', t[destIndex + 1] - '1');

    const bool white = WhiteToMove();
    const int target = itsPosition.Piece(to);
    if (target != kEmpty) {
        const bool opponent = white ? IsBlackPiece(target) : IsWhitePiece(target);
        if (!opponent || PieceKind(target) == kWhiteKing) return false;
    }
    const int piece = PieceOfColour(kind, white);

    const int* directions;
    int directionCount;
    bool slides = false;
    switch (kind) {
    case kWhiteKnight:
        directions = kKnightDirections;
        directionCount = 8;
        break;
    case kWhiteBishop:
        directions = kBishopDirections;
        directionCount = 4;
        slides = true;
        break;
    case kWhiteRook:
        directions = kRookDirections;
        directionCount = 4;
        slides = true;
        break;
    case kWhiteQueen:
        directions = kKingDirections;
        directionCount = 8;
        slides = true;
        break;
    default:
        directions = kKingDirections;
        directionCount = 8;
        break;
    }

    int candidates = 0;
    int resolvedFrom = 0;
    TAfterMove after;
    TAfterMove resolvedAfter;
    for (int d = 0; d < directionCount; ++d) {
        int s = to + directions[d];
        if (slides)
            while (OnBoard(s) && itsPosition.Piece(s) == kEmpty) s += directions[d];
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
    const int home = white ? 4 : 74;
    // A king and rook must really stand at home; rights read from a FEN may claim otherwise.
    if (itsPosition.Piece(home) != PieceOfColour(kWhiteKing, white)) return false;
    const int rook = PieceOfColour(kWhiteRook, white);
    const int step = longCastling ? -1 : 1;
    const int passing = home + step;
    const int destination = home + 2 * step;
    std::uint16_t right = white ? (longCastling ? kWhiteQueenSide : kWhiteKingSide)
                                : (longCastling ? kBlackQueenSide : kBlackKingSide);
    if (!itsPosition.HasRight(right)) return false;
    if (itsPosition.Piece(longCastling ? home - 4 : home + 3) != rook) return false;
    if (itsPosition.Piece(passing) != kEmpty || itsPosition.Piece(destination) != kEmpty) return false;
    if (longCastling && itsPosition.Piece(home - 3) != kEmpty) return false;
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
    const int home = WhiteToMove() ? 4 : 74;
    Resolve(home, home + (longForm ? -2 : 2), 0, longForm ? kLongCastling : kShortCastling, after);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing moves

bool TChessParser::TryNotation(std::string_view text, int from, int to) {
    SetRawMoveText(text);
    return ParseMove() && itsFrom == from && itsTo == to;
}

std::string TChessParser::NotationFor(const TPackedMove& move) {
    ResetMoveState();
    const int from = move.itsFrom;
    const int to = move.itsTo;
    if (from == to || IsOffBoard(from) || IsOffBoard(to)) return {};
    const bool white = WhiteToMove();
    const int piece = itsPosition.Piece(from);
    if (!(white ? IsWhitePiece(piece) : IsBlackPiece(piece))) return {};
    const int kind = PieceKind(piece);

    char letter = 0;
    switch (kind) {
    case kWhiteKing: letter = KingLetter(); break;
    case kWhiteQueen: letter = QueenLetter(); break;
    case kWhiteRook: letter = RookLetter(); break;
    case kWhiteBishop: letter = BishopLetter(); break;
    case kWhiteKnight: letter = KnightLetter(); break;
    default: break;
    }
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
    if (isPawn && move.itsPromotion != 0 && (RankOf(to) == 7 || RankOf(to) == 0)) {
        char promotionLetter = promotionKind == kWhiteQueen    ? QueenLetter()
                               : promotionKind == kWhiteRook   ? RookLetter()
                               : promotionKind == kWhiteBishop ? BishopLetter()
                               : promotionKind == kWhiteKnight ? KnightLetter()
                                                               : '?';
        text += '=';
        text += promotionLetter;
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
    if (!ok && kind == kWhiteKing && from == (white ? 4 : 74) && (to == from + 2 || to == from - 2)) {
        text = to == from + 2 ? "O-O" : "O-O-O";
        ok = TryNotation(text, from, to);
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
        int kind = c == QueenLetter()    ? kWhiteQueen
                   : c == RookLetter()   ? kWhiteRook
                   : c == BishopLetter() ? kWhiteBishop
                   : c == KnightLetter() ? kWhiteKnight
                                         : 0;
        if (kind != 0) move.itsPromotion = std::uint8_t(PieceOfColour(kind, WhiteToMove()));
    }
    return NotationFor(move);
}

} // namespace marvek
