// TChessParser: the rules of chess on one position, and reading and writing its moves.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chess/ChessPosition.h"
#include "chess/Directions.h"
#include "chess/PieceLetters.h"
#include "chess/Square.h"

// Kings and attacks, legality, playing a move, move notation in the user's piece letters, and the
// list of legal moves. Moves are found by resolving a move text against the position (ParseMove);
// writing a move is generate-and-test over texts of growing precision (NotationFor), so what is
// written always reads back as the same move. Every legality test plays the move on a 34-byte
// copy; nothing is allocated per move.
//
// Where it lives: kings, attacks and playing a move in ChessParser.cpp, reading a move's text
// (ParseMove) in MoveReader.cpp, writing it (NotationFor) in MoveWriter.cpp, the legal-move list
// and perft in MoveGenerator.cpp.

namespace marvek {

class TChessParser {
public:
    static constexpr int kMaxMoveText = 40;
    static constexpr int kMaxLegalMoves = 500;

    TChessParser();

    // The position
    void LoadPosition(const TPackedPosition& position);
    const TPackedPosition& CurrentPosition() const { return itsPosition; }
    std::string CurrentFEN() const { return TChessPosition(itsPosition).ToFEN(); }
    bool WhiteToMove() const { return itsPosition.WhiteToMove(); }
    int PieceOnSquare(TSquare square) const { return itsPosition.Piece(square); }

    // Local piece letters, used for reading and for writing notation.
    void SetPieceLetters(char king, char queen, char rook, char bishop, char knight);
    void SetPieceLetters(const TPieceLetters& letters) { itsLetters = letters; }
    const TPieceLetters& PieceLetters() const { return itsLetters; }
    char KingLetter() const { return itsLetters.Letter(kWhiteKing); }
    char QueenLetter() const { return itsLetters.Letter(kWhiteQueen); }
    char RookLetter() const { return itsLetters.Letter(kWhiteRook); }
    char BishopLetter() const { return itsLetters.Letter(kWhiteBishop); }
    char KnightLetter() const { return itsLetters.Letter(kWhiteKnight); }
    // Figurine character codes of the display font: king, queen, rook, bishop, knight, pawn.
    void SetFigurines(std::uint8_t king, std::uint8_t queen, std::uint8_t rook, std::uint8_t bishop,
                      std::uint8_t knight, std::uint8_t pawn);
    std::string ToFigurines(std::string_view text) const;

    // Kings and attacks. A position without a king raises EMissingKing.
    void FindKings();
    bool IsKingAttacked() const;
    bool InCheck() const;
    bool LeavesKingInCheck();

    // Reading a move
    void SetMoveText(std::string_view text);
    std::string_view MoveText() const { return {itsMoveText.data(), std::size_t(itsMoveTextLength)}; }
    bool ParseMove();
    bool NotationIsOK() const { return itsNotationIsOK; }
    bool IsCapture() const { return itsCapture; }
    bool GivesCheck() const;
    TPackedMove GetChessMove() const;

    // Playing the resolved move
    void ApplyMove();
    // The squares besides from and to that the last applied move changed (the rook's two squares
    // in castling, the captured pawn's square en passant), lower first; kNoSquare where unused.
    std::array<TSquare, 2> SecondarySquares() const { return {itsSecondary[0], itsSecondary[1]}; }

    // Writing moves
    std::string NotationFor(const TPackedMove& move);
    std::string CoordinateToNotation(std::string_view text);

    // Move lists. LegalMoves gives notations in the program's order (pieces file by file, a1, a2,
    // .. h8, each along its direction table); GenerateMoves gives the same moves in the same order
    // as packed codes, without writing notation. Both stop at kMaxLegalMoves.
    std::vector<std::string> LegalMoves();
    int GenerateMoves(TPackedMove* moves, int capacity = kMaxLegalMoves);
    // Leaf nodes of the move tree `depth` plies deep (move-generator check).
    std::uint64_t Perft(int depth);
    bool IsCheckmate();
    bool IsStalemate();

private:
    enum TCastling : std::uint8_t { kNoCastling, kShortCastling, kLongCastling };

    // The squares of one castling move.
    struct TCastlingSquares {
        TSquare itsKingFrom;
        TSquare itsPassing; // the square the king crosses, where its rook lands
        TSquare itsKingTo;
        TSquare itsRookFrom;
    };
    static constexpr TCastlingSquares CastlingSquares(bool white, bool longCastling) {
        const TSquare home = KingHome(white);
        const int step = longCastling ? kQueenSideStep : kKingSideStep;
        const TSquare corner = white ? (longCastling ? kA1 : kH1) : (longCastling ? kA8 : kH8);
        return {home, home + step, home + 2 * step, corner};
    }

    // A position after a move, with what ApplyMove needs besides the board. Squares are held in
    // bytes, as a record holds them, so that a copy stays small.
    struct TAfterMove {
        TPackedPosition itsPosition;
        std::uint8_t itsWhiteKing = kNoSquare;
        std::uint8_t itsBlackKing = kNoSquare;
        std::uint8_t itsSecondary[2] = {kNoSquare, kNoSquare};
    };

    void SetRawMoveText(std::string_view text);
    void ResetMoveState();
    [[noreturn]] void RaiseMissingKing() const;
    void CheckKings() const;

    // Plays from-to on a copy of the position into `after`.
    void PlayOnCopy(TSquare from, TSquare to, int promotion, TCastling castling, TAfterMove& after) const;
    // Plays the move on a copy into `after` and tells whether the mover's own king is attacked.
    bool LeavesOwnKingAttacked(TSquare from, TSquare to, int promotion, TCastling castling,
                               TAfterMove& after) const;
    void Resolve(TSquare from, TSquare to, int promotion, TCastling castling, const TAfterMove& after);

    bool ParsePawnMove();
    bool ParsePieceMove(int kind);
    bool ParseCastling();
    bool CastlingIsLegal(bool longCastling, TAfterMove& after) const;
    int PromotionFromText(bool white) const;
    bool TryNotation(std::string_view text, TSquare from, TSquare to);

    void GeneratePawnMoves(TSquare square, TPackedMove* moves, int capacity, int& count) const;
    void AddIfLegal(TSquare from, TSquare to, int promotion, TCastling castling, TPackedMove* moves,
                    int capacity, int& count) const;

    TPackedPosition itsPosition;
    TSquare itsWhiteKing = kNoSquare;
    TSquare itsBlackKing = kNoSquare;

    std::array<char, kMaxMoveText + 1> itsMoveText{};
    int itsMoveTextLength = 0;

    bool itsNotationIsOK = false;
    TSquare itsFrom = 0;
    TSquare itsTo = 0;
    int itsPromotion = 0;
    TCastling itsCastling = kNoCastling;
    bool itsCapture = false;
    // Whether the move gives check is worked out when asked: reading games never asks.
    mutable bool itsCheck = false;
    mutable bool itsCheckPending = false;
    TAfterMove itsResolved; // the position the resolved move leads to

    TSquare itsSecondary[2] = {kNoSquare, kNoSquare};

    TPieceLetters itsLetters = kEnglishLetters;
    // By piece kind, pawn .. king.
    std::array<std::uint8_t, 7> itsFigurineOfKind{0, 185, 187, 186, 188, 189, 190};
    bool itsShowCaptures = true; // "x" in written captures
    bool itsShowChecks = true;   // "+" after written checks
};

// Whether `square` is attacked by the pieces of one colour.
bool IsSquareAttacked(const TPackedPosition& position, TSquare square, bool byWhite);
// Whether a pawn of the side to move that lands on `to` takes en passant. A FEN or a damaged
// record can name a square no double step left behind, so the enemy pawn must stand on it and
// the square behind it must be empty.
bool IsEnPassantCapture(const TPackedPosition& position, TSquare to);

} // namespace marvek
