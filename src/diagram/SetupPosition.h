// TSetupPosition: what the position set-up dialog does, from the first press to the OK button.
#pragma once

#include <cstdint>
#include <string>

#include "chess/ChessPosition.h"
#include "chess/Square.h"

// The dialog keeps a working board and, beside it, the values its controls show: the side to
// move, the four castling rights, the en-passant letter and the name. The controls edit those
// values; the buttons Clear, Start and Current change the board and refresh them. On OK the
// result is the board with the controls' flags, once the position passes the checks a book
// needs (one king each, the side that has just moved not left in check).

namespace marvek {

class TBook2;

class TSetupPosition {
public:
    // Board geometry: 38-pixel squares, White always at the bottom.
    static constexpr int kSquarePixels = 38;
    static constexpr int kBoardPixels = 8 * kSquarePixels;
    // A press is pulled inside this range first, so that a press on the board's edge lands on
    // the edge square.
    static constexpr int kClampLow = 19;
    static constexpr int kClampHigh = 285;
    // The palette: two rows of six cells, the white pieces above the black ones.
    static constexpr int kPaletteColumns = 6;
    static constexpr int kPaletteWidth = kPaletteColumns * kSquarePixels;
    static constexpr int kPaletteHeight = 2 * kSquarePixels;
    static constexpr int kMaxNameLength = 40;

    static constexpr const char* kNoNameQuestion = "Are you sure you want to save this board without a name?";
    static constexpr const char* kOverwriteQuestion = "Overwrite the existing position that has this name?";
    static constexpr const char* kKingsProblem =
        "The position needs exactly one white king and one black king.";
    static constexpr const char* kCheckProblem =
        "The side not to move is in check; that position cannot arise.";

    // The book is asked for names only; it may be null (no names then).
    TSetupPosition(TBook2* book, const TPackedPosition& position);

    // ---- Pieces
    int SelectedPiece() const { return itsSelected; }
    // Piece codes 1..12; anything else is ignored.
    void SelectPiece(int piece);
    // The square is emptied when it holds a piece; otherwise the selected piece goes there.
    void PressSquare(TSquare square);
    // A press on the board at (x, y) pixels from its top-left corner; returns the square pressed.
    TSquare PressPoint(int x, int y);
    static TSquare SquareAtPoint(int x, int y);
    // Top-left corner of a square's cell on the board.
    static int SquareLeft(TSquare square) { return FileOf(square) * kSquarePixels; }
    static int SquareTop(TSquare square) { return (7 - RankOf(square)) * kSquarePixels; }
    // The piece under a point of the palette, 0 outside it; PressPalette selects it.
    static int PalettePieceAt(int x, int y);
    void PressPalette(int x, int y);

    // ---- Buttons
    // Empties the board and drops the castling rights; side to move and en-passant letter stay.
    void Clear();
    // The standard starting position, with its name in the book.
    void Start();
    // The position the dialog was opened with, with its name in the book.
    void Current();

    // ---- What the controls show and edit
    const TPackedPosition& Board() const { return itsBoard.GetPosition(); }
    int PieceOn(TSquare square) const { return itsBoard.PieceOnSquare(square); }
    bool WhiteToMove() const { return itsWhiteToMove; }
    void SetWhiteToMove(bool white) { itsWhiteToMove = white; }
    // right is one of kWhiteKingSide, kWhiteQueenSide, kBlackKingSide, kBlackQueenSide.
    bool CastlingRight(std::uint16_t right) const { return (itsRights & right) != 0; }
    void SetCastlingRight(std::uint16_t right, bool on);
    const std::string& EnPassantLetter() const { return itsEnPassant; }
    void SetEnPassantLetter(const std::string& letter);
    const std::string& Name() const { return itsName; }
    // Cut to kMaxNameLength bytes, never inside a UTF-8 character.
    void SetName(const std::string& name);

    // ---- OK
    // Checks the position and asks the name questions; true when the dialog may close, with
    // Result() built. False keeps the dialog open (a problem was shown or a question not
    // answered Yes).
    bool Accept();
    const TPackedPosition& Result() const { return itsResult; }
    // The position OK would give, without checks or questions.
    TPackedPosition BuildResult() const;
    // The reason the position cannot be taken, empty when it can.
    std::string PositionProblem() const;

private:
    // Takes a position onto the board and its flags and name into the controls' values.
    void Load(const TPackedPosition& position);

    TBook2* itsBook;
    TPackedPosition itsOpenedWith;
    TChessPosition itsBoard;
    int itsSelected = kWhitePawn;
    bool itsWhiteToMove = true;
    std::uint16_t itsRights = 0;
    std::string itsEnPassant;
    std::string itsName;
    TPackedPosition itsResult;
};

} // namespace marvek
