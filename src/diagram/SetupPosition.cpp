// The set-up dialog's behaviour: placing pieces, the three buttons, and the checks and questions
// of OK.
#include "diagram/SetupPosition.h"

#include <algorithm>

#include "app/UserInterface.h"
#include "book/Book2.h"
#include "chess/ChessParser.h"

namespace marvek {

namespace {

// Castling needs the king and the rook on their home squares; a right the pieces cannot use
// would only give the same position a second book key.
std::uint16_t RightsThePiecesAllow(const TPackedPosition& board, std::uint16_t rights) {
    struct TRule {
        std::uint16_t itsRight;
        TSquare itsKing;
        int itsKingPiece;
        TSquare itsRook;
        int itsRookPiece;
    };
    static constexpr TRule kRules[] = {
        {kWhiteKingSide, kE1, kWhiteKing, kH1, kWhiteRook},
        {kWhiteQueenSide, kE1, kWhiteKing, kA1, kWhiteRook},
        {kBlackKingSide, kE8, kBlackKing, kH8, kBlackRook},
        {kBlackQueenSide, kE8, kBlackKing, kA8, kBlackRook},
    };
    std::uint16_t allowed = 0;
    for (const TRule& rule : kRules)
        if ((rights & rule.itsRight) && board.Piece(rule.itsKing) == rule.itsKingPiece &&
            board.Piece(rule.itsRook) == rule.itsRookPiece)
            allowed |= rule.itsRight;
    return allowed;
}

// The square of the pawn that has just advanced two squares, from the ep letter: A..H in either
// case, else none. As with a position reached by moves or read from FEN, the square is kept
// only when that pawn stands there and a pawn of the side to move stands beside it; otherwise
// the same position would be stored twice.
TSquare EnPassantFromLetter(const TPackedPosition& board, const std::string& letter, bool whiteToMove) {
    if (letter.size() != 1) return kNoEnPassant;
    const char upper = char(letter[0] >= 'a' && letter[0] <= 'z' ? letter[0] - 'a' + 'A' : letter[0]);
    if (upper < 'A' || upper > 'H') return kNoEnPassant;
    const int file = upper - 'A';
    const TSquare square = whiteToMove ? 40 + file : 30 + file;
    const int justMoved = whiteToMove ? kBlackPawn : kWhitePawn;
    const int mover = whiteToMove ? kWhitePawn : kBlackPawn;
    const bool usable = board.Piece(square) == justMoved &&
                        (board.Piece(square - 1) == mover || board.Piece(square + 1) == mover);
    return usable ? square : kNoEnPassant;
}

} // namespace

TSetupPosition::TSetupPosition(TBook2* book, const TPackedPosition& position)
    : itsBook(book), itsOpenedWith(position) {
    Load(position);
    itsResult = BuildResult();
}

void TSetupPosition::Load(const TPackedPosition& position) {
    itsBoard.SetPosition(position);
    itsWhiteToMove = position.WhiteToMove();
    itsRights = position.Flags() & kCastlingRights;
    const TSquare ep = position.EnPassantSquare();
    itsEnPassant = ep == kNoEnPassant ? std::string() : std::string(1, char('a' + FileOf(ep)));
    std::string name;
    if (itsBook == nullptr || !itsBook->GetNameForThisBoard(position, name)) name.clear();
    SetName(name);
}

void TSetupPosition::SelectPiece(int piece) {
    if (piece >= kWhitePawn && piece <= kBlackKing) itsSelected = piece;
}

void TSetupPosition::PressSquare(TSquare square) {
    if (IsOffBoard(square)) return;
    itsBoard.SetPieceOnSquare(itsBoard.IsOccupied(square) ? int(kEmpty) : itsSelected, square);
}

TSquare TSetupPosition::SquareAtPoint(int x, int y) {
    x = std::clamp(x, kClampLow, kClampHigh);
    y = std::clamp(y, kClampLow, kClampHigh);
    return MakeSquare(x / kSquarePixels, 7 - y / kSquarePixels);
}

TSquare TSetupPosition::PressPoint(int x, int y) {
    const TSquare square = SquareAtPoint(x, y);
    PressSquare(square);
    return square;
}

int TSetupPosition::PalettePieceAt(int x, int y) {
    if (x < 0 || y < 0 || x >= kPaletteWidth || y >= kPaletteHeight) return kEmpty;
    return (y / kSquarePixels) * kPaletteColumns + x / kSquarePixels + 1;
}

void TSetupPosition::PressPalette(int x, int y) {
    SelectPiece(PalettePieceAt(x, y));
}

void TSetupPosition::Clear() {
    for (int rank = kFirstRank; rank <= kEighthRank; ++rank)
        for (int file = kFileA; file <= kFileH; ++file)
            itsBoard.SetPieceOnSquare(kEmpty, MakeSquare(file, rank));
    itsRights = 0;
}

void TSetupPosition::Start() {
    Load(StartPosition());
}

void TSetupPosition::Current() {
    Load(itsOpenedWith);
}

void TSetupPosition::SetCastlingRight(std::uint16_t right, bool on) {
    right &= kCastlingRights;
    itsRights = std::uint16_t(on ? itsRights | right : itsRights & ~right);
}

void TSetupPosition::SetEnPassantLetter(const std::string& letter) {
    itsEnPassant = letter.substr(0, 1);
}

void TSetupPosition::SetName(const std::string& name) {
    if (name.size() <= std::size_t(kMaxNameLength)) {
        itsName = name;
        return;
    }
    std::size_t cut = kMaxNameLength;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    itsName = name.substr(0, cut);
}

TPackedPosition TSetupPosition::BuildResult() const {
    TPackedPosition result = itsBoard.GetPosition();
    result.SetFlags(
        std::uint16_t((itsWhiteToMove ? kWhiteToMoveFlag : 0) | RightsThePiecesAllow(result, itsRights)));
    result.SetEnPassantSquare(EnPassantFromLetter(result, itsEnPassant, itsWhiteToMove));
    return result;
}

std::string TSetupPosition::PositionProblem() const {
    // Without one king each nothing can be played, and the book has no key for the position.
    TSquare kings[2] = {kNoSquare, kNoSquare};
    int counts[2] = {0, 0};
    for (int rank = kFirstRank; rank <= kEighthRank; ++rank)
        for (int file = kFileA; file <= kFileH; ++file) {
            const TSquare square = MakeSquare(file, rank);
            const int piece = itsBoard.PieceOnSquare(square);
            if (piece == kWhiteKing || piece == kBlackKing) {
                const int colour = piece == kWhiteKing ? 0 : 1;
                ++counts[colour];
                kings[colour] = square;
            }
        }
    if (counts[0] != 1 || counts[1] != 1) return kKingsProblem;
    // The side to move could take the other king.
    const TSquare notToMove = itsWhiteToMove ? kings[1] : kings[0];
    if (IsSquareAttacked(itsBoard.GetPosition(), notToMove, itsWhiteToMove)) return kCheckProblem;
    return {};
}

bool TSetupPosition::Accept() {
    if (const std::string problem = PositionProblem(); !problem.empty()) {
        UserInterface().ShowMessage(problem);
        return false;
    }
    if (itsName.empty()) {
        if (UserInterface().Ask(kNoNameQuestion, TButtons::kYesNoCancel, TBoxKind::kConfirmation, 0) !=
            TAnswer::kYes)
            return false;
    } else if (itsBook != nullptr && itsBook->ThisBoardNameExists(itsName)) {
        if (UserInterface().Ask(kOverwriteQuestion, TButtons::kYesNoCancel, TBoxKind::kConfirmation, 0) !=
            TAnswer::kYes)
            return false;
    }
    itsResult = BuildResult();
    return true;
}

} // namespace marvek
