// Piece letters: the one table from piece kind to letter and back, for notation and for FEN.
#pragma once

#include <array>

#include "chess/Square.h"

namespace marvek {

// The kinds that have a letter, in the order every letter and figurine setter, the settings record
// and the preferences use: king, queen, rook, bishop, knight. A letter is looked up in this order,
// so should two kinds share one, the first wins.
inline constexpr int kLetterKinds[5] = {kWhiteKing, kPromotionKinds[0], kPromotionKinds[1],
                                        kPromotionKinds[2], kPromotionKinds[3]};

// The five letters a user reads and writes moves in. The pawn has no letter.
class TPieceLetters {
public:
    constexpr TPieceLetters(char king, char queen, char rook, char bishop, char knight)
        : itsLetterOfKind{0, 0, knight, bishop, rook, queen, king} {}

    // The letter of a piece kind (pawn .. king); 0 for the pawn.
    constexpr char Letter(int kind) const { return itsLetterOfKind[std::size_t(kind)]; }
    // The kind whose letter `c` is, 0 for none.
    constexpr int Kind(char c) const {
        for (int kind : kLetterKinds)
            if (itsLetterOfKind[std::size_t(kind)] == c) return kind;
        return 0;
    }
    // The kind a pawn may become whose letter `c` is (queen, rook, bishop or knight), 0 for none.
    constexpr int PromotionKind(char c) const {
        for (int kind : kPromotionKinds)
            if (itsLetterOfKind[std::size_t(kind)] == c) return kind;
        return 0;
    }
    // The letter of a promotion piece's kind; "?", which reads as no move, for any other code.
    constexpr char PromotionLetter(int kind) const {
        return kind >= kWhiteKnight && kind <= kWhiteQueen ? Letter(kind) : '?';
    }

private:
    std::array<char, 7> itsLetterOfKind; // by kind; 0 for none and the pawn
};

inline constexpr TPieceLetters kEnglishLetters{'K', 'Q', 'R', 'B', 'N'};

// FEN and the position text write every piece in English letters, White's in capitals; the pawn,
// which has no letter in notation, is "P" there.
constexpr char FenLetter(int piece) {
    const int kind = PieceKind(piece);
    const char upper = kind == kWhitePawn ? 'P' : kEnglishLetters.Letter(kind);
    return IsBlackPiece(piece) ? char(upper - 'A' + 'a') : upper;
}
// The piece of a FEN letter; kEmpty for any other character.
constexpr int PieceFromFenLetter(char c) {
    const bool black = c >= 'a' && c <= 'z';
    const char upper = black ? char(c - 'a' + 'A') : c;
    const int kind = upper == 'P' ? int(kWhitePawn) : kEnglishLetters.Kind(upper);
    return kind == 0 ? int(kEmpty) : PieceOfColour(kind, !black);
}

static_assert(FenLetter(kWhitePawn) == 'P' && FenLetter(kBlackKnight) == 'n' && FenLetter(kWhiteKing) == 'K');
static_assert(PieceFromFenLetter('q') == kBlackQueen && PieceFromFenLetter('R') == kWhiteRook &&
              PieceFromFenLetter('x') == kEmpty);

} // namespace marvek
