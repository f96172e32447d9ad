// The position record: FEN and position text, colour reversal, and the canonical form books key on.
#include "chess/ChessPosition.h"

#include <array>
#include <cstring>

#include "chess/Directions.h"
#include "chess/PieceLetters.h"
#include "platform/Errors.h"

namespace marvek {

namespace {

[[noreturn]] void RaiseCorruptPosition() {
    throw EMissingKing("TChessPosition.SquareOfKingOnMove() has a corrupt position.");
}

std::uint16_t SwapCastlingRights(std::uint16_t flags) {
    std::uint16_t rights = flags & kCastlingRights;
    std::uint16_t swapped = std::uint16_t(((rights & 0x3) << 2) | ((rights >> 2) & 0x3));
    return std::uint16_t((flags & ~kCastlingRights) | swapped);
}

// A packed rank is four bytes holding, as a little-endian word, the files' nibbles in the
// order 4 5 6 7 0 1 2 3 from the top: mirroring the files reverses the word's nibbles, and
// mirroring the ranks moves whole words. Reversing colours mirrors the ranks too and swaps the
// colour of every piece, a byte (two squares) at a time through a table.
struct TColourSwapTable {
    std::array<std::uint8_t, 256> itsBytes{};
    constexpr TColourSwapTable() {
        for (int b = 0; b < 256; ++b)
            itsBytes[static_cast<size_t>(b)] =
                static_cast<std::uint8_t>(SwapPieceColour(b >> 4) << 4 | SwapPieceColour(b & 0x0F));
    }
};
constexpr TColourSwapTable kColourSwap;

std::uint32_t MirrorFiles(std::uint32_t rank) {
    rank = __builtin_bswap32(rank);
    return (rank & 0x0F0F0F0Fu) << 4 | (rank >> 4 & 0x0F0F0F0Fu);
}

// The board and flags under `transform`; the side to move becomes White when colours are
// reversed and `setWhiteToMove` is asked for (the canonical form), else it is kept.
TPackedPosition Transform(const TPackedPosition& position, const TCanonicalTransform& transform,
                          bool setWhiteToMove) {
    const int rankXor =
        transform.itsColourReversed != transform.itsRanksMirrored ? 7 : 0; // rank ^ 7 is 7 - rank
    TPackedPosition result;
    for (int rank = kFirstRank; rank <= kEighthRank; ++rank) {
        std::uint32_t word;
        std::memcpy(&word, position.itsBytes.data() + 4 * (rank ^ rankXor), 4);
        if (transform.itsFilesMirrored) word = MirrorFiles(word);
        if (transform.itsColourReversed) {
            std::uint8_t bytes[4];
            std::memcpy(bytes, &word, 4);
            for (std::uint8_t& b : bytes) b = kColourSwap.itsBytes[b];
            std::memcpy(&word, bytes, 4);
        }
        std::memcpy(result.itsBytes.data() + 4 * rank, &word, 4);
    }
    std::uint16_t flags = std::uint16_t(position.Flags() & 0x00FF);
    if (transform.itsColourReversed) {
        flags = SwapCastlingRights(flags);
        if (setWhiteToMove) flags |= kWhiteToMoveFlag;
    }
    result.SetFlags(flags);
    // "No en-passant square" stays none under every transform.
    const TSquare ep = position.EnPassantSquare();
    result.SetEnPassantSquare(ep == kNoEnPassant ? kNoEnPassant : TransformSquare(ep, transform));
    return result;
}

} // namespace

TSquare TransformSquare(TSquare square, const TCanonicalTransform& transform) {
    int rank = RankOf(square);
    int file = FileOf(square);
    if (transform.itsColourReversed) rank = kEighthRank - rank;
    if (transform.itsRanksMirrored) rank = kEighthRank - rank;
    if (transform.itsFilesMirrored) file = kFileH - file;
    return MakeSquare(file, rank);
}

TPackedPosition TransformPosition(const TPackedPosition& position, const TCanonicalTransform& transform) {
    return Transform(position, transform, true);
}

TPackedPosition StartPosition() {
    // Every new record starts from it, so it is laid out once.
    static const TPackedPosition start = [] {
        TPackedPosition p;
        static constexpr int kBackRank[8] = {kWhiteRook, kWhiteKnight, kWhiteBishop, kWhiteQueen,
                                             kWhiteKing, kWhiteBishop, kWhiteKnight, kWhiteRook};
        for (int file = kFileA; file <= kFileH; ++file) {
            p.SetPiece(kBackRank[file], MakeSquare(file, kFirstRank));
            p.SetPiece(kWhitePawn, MakeSquare(file, kSecondRank));
            p.SetPiece(kBlackPawn, MakeSquare(file, kSeventhRank));
            p.SetPiece(SwapPieceColour(kBackRank[file]), MakeSquare(file, kEighthRank));
        }
        p.SetFlags(kCastlingRights | kWhiteToMoveFlag);
        return p;
    }();
    return start;
}

std::string TChessPosition::ToFEN() const {
    std::string fen;
    fen.reserve(90);
    for (int rank = kEighthRank; rank >= kFirstRank; --rank) {
        int empties = 0;
        for (int file = kFileA; file <= kFileH; ++file) {
            int piece = PieceOnSquare(MakeSquare(file, rank));
            if (piece == kEmpty || piece > kBlackKing) {
                ++empties;
                continue;
            }
            if (empties > 0) fen += char('0' + empties);
            empties = 0;
            fen += FenLetter(piece);
        }
        if (empties > 0) fen += char('0' + empties);
        if (rank > kFirstRank) fen += '/';
    }
    fen += WhiteToMove() ? " w " : " b ";
    std::string rights;
    if (WhiteCanCastleKingSide()) rights += 'K';
    if (WhiteCanCastleQueenSide()) rights += 'Q';
    if (BlackCanCastleKingSide()) rights += 'k';
    if (BlackCanCastleQueenSide()) rights += 'q';
    fen += rights.empty() ? "-" : rights;
    // FEN names the square the capturing pawn lands on, one step past the pawn that advanced.
    const TSquare ep = EnPassantSquare();
    if (ep == kNoEnPassant) {
        fen += " -";
    } else {
        fen += ' ';
        fen += SquareName(ep + PawnForward(WhiteToMove()));
    }
    return fen;
}

bool TChessPosition::FromFEN(std::string_view text, TPackedPosition& out) {
    std::size_t blank = text.find(' ');
    std::string_view placement = text.substr(0, std::min<std::size_t>(blank, 71));

    int rank = kEighthRank;
    int file = kFileA;
    int written = 0;
    auto write = [&](int piece) {
        itsPosition.SetPiece(piece, MakeSquare(file, rank));
        ++written;
        if (++file > kFileH) {
            file = kFileA;
            if (rank > kFirstRank) --rank;
        }
    };
    for (char c : placement) {
        if (c == '/') continue;
        if (c >= '1' && c <= '8') {
            int run = c - '0';
            if (file + 1 + run > 9) return false;
            for (int k = 0; k < run; ++k) write(kEmpty);
        } else {
            write(PieceFromFenLetter(c));
        }
    }
    if (written != 64) return false;

    // The remaining fields: side to move, castling rights, en-passant target.
    std::string_view fields[3];
    int found = 0;
    std::size_t pos = blank;
    while (pos != std::string_view::npos && pos < text.size() && found < 3) {
        pos = text.find_first_not_of(' ', pos);
        if (pos == std::string_view::npos) break;
        std::size_t end = text.find(' ', pos);
        fields[found++] =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end;
    }
    if (found < 3) return false;
    if (fields[0][0] != 'w' && fields[0][0] != 'b') return false;
    bool whiteToMove = fields[0][0] == 'w';

    std::uint16_t flags = whiteToMove ? kWhiteToMoveFlag : 0;
    std::string_view rights = fields[1];
    if (rights.find('K') != std::string_view::npos) flags |= kWhiteKingSide;
    if (rights.find('Q') != std::string_view::npos) flags |= kWhiteQueenSide;
    if (rights.find('k') != std::string_view::npos) flags |= kBlackKingSide;
    if (rights.find('q') != std::string_view::npos) flags |= kBlackQueenSide;
    itsPosition.SetFlags(flags);

    // The target square names the pawn one step back towards the side that has just moved.
    TSquare ep = kNoEnPassant;
    std::string_view target = fields[2];
    if (target.size() >= 2 && IsFileLetter(target[0]) && IsRankDigit(target[1])) {
        const TSquare square = SquareFromName(target.substr(0, 2)) - PawnForward(whiteToMove);
        if (OnRank(square, kFourthRank) || OnRank(square, kFifthRank)) ep = square;
    }
    // Keep the square only where a capture en passant is possible at all: the pawn that has just
    // advanced stands there and a pawn of the side to move stands beside it. A position reached
    // by moves records the square under the same rule, so both give the same book key.
    if (ep != kNoEnPassant) {
        int justMoved = whiteToMove ? kBlackPawn : kWhitePawn;
        int mover = whiteToMove ? kWhitePawn : kBlackPawn;
        bool usable = RankOf(ep) == RelativeRank(kFifthRank, whiteToMove) &&
                      itsPosition.Piece(ep) == justMoved &&
                      (itsPosition.Piece(ep - 1) == mover || itsPosition.Piece(ep + 1) == mover);
        if (!usable) ep = kNoEnPassant;
    }
    itsPosition.SetEnPassantSquare(ep);
    out = itsPosition;
    return true;
}

std::string TChessPosition::ToPositionText() const {
    std::string text = "[POSITION]\r\n";
    for (int rank = kEighthRank; rank >= kFirstRank; --rank) {
        for (int file = kFileA; file <= kFileH; ++file) {
            int piece = PieceOnSquare(MakeSquare(file, rank));
            text += (piece == kEmpty || piece > kBlackKing) ? '-' : FenLetter(piece);
            text += ' ';
        }
        text += "\r\n";
    }
    text += WhiteToMove() ? "[WHITE]" : "[BLACK]";
    return text;
}

void TChessPosition::ReverseColours() {
    itsPosition = Transform(itsPosition, {true, false, false}, false);
}

void TChessPosition::SwapSides() {
    itsPosition.ToggleSideToMove();
    ReverseColours();
}

TSquare TChessPosition::SquareOfKingOnMove() const {
    for (int rank = kFirstRank; rank <= kEighthRank; ++rank)
        for (int file = kFileA; file <= kFileH; ++file)
            if (PieceOnSquare(MakeSquare(file, rank)) == kWhiteKing) return MakeSquare(file, rank);
    RaiseCorruptPosition();
}

bool TChessPosition::HasNoPawns() const {
    // Pawns never stand on the first or eighth rank.
    for (TSquare square = MakeSquare(kFileA, kSecondRank); square <= MakeSquare(kFileH, kSeventhRank);
         ++square) {
        int piece = itsPosition.Piece(square);
        if (piece == kWhitePawn || piece == kBlackPawn) return false;
    }
    return true;
}

TCanonicalTransform TChessPosition::CanonicalTransform() const {
    // Worked out on the position as it stands, as if its colours were reversed first when Black is
    // to move: then the "other side" is White and ranks count from the top.
    TCanonicalTransform transform;
    const bool reversed = !WhiteToMove();
    transform.itsColourReversed = reversed;
    const std::uint16_t otherSide =
        reversed ? (kWhiteKingSide | kWhiteQueenSide) : (kBlackKingSide | kBlackQueenSide);
    if ((itsPosition.Flags() & otherSide) != 0) return transform;

    const int king = reversed ? kBlackKing : kWhiteKing;
    TSquare kingSquare = kNoSquare;
    // A rank is a word of eight nibbles: one test tells whether the king stands on it.
    const std::uint32_t kings = 0x11111111u * std::uint32_t(king);
    for (int n = kFirstRank; n <= kEighthRank && kingSquare == kNoSquare; ++n) {
        const int rank = RelativeRank(n, !reversed);
        std::uint32_t word;
        std::memcpy(&word, itsPosition.itsBytes.data() + 4 * rank, 4);
        std::uint32_t x = word ^ kings;
        if (((x - 0x11111111u) & ~x & 0x88888888u) == 0) continue;
        for (int file = kFileA; file <= kFileH; ++file) {
            if (PieceOnSquare(MakeSquare(file, rank)) == king) {
                kingSquare = MakeSquare(file, rank);
                break;
            }
        }
    }
    if (kingSquare == kNoSquare) RaiseCorruptPosition();
    // A king on the a-d files goes to the e-h files, one on the upper half (seen from the side to
    // move) to the lower when no pawn pins the board's direction.
    const int rank = RelativeRank(RankOf(kingSquare), !reversed);
    transform.itsFilesMirrored = FileOf(kingSquare) < kFileE;
    transform.itsRanksMirrored = rank >= kFifthRank && HasNoPawns();
    return transform;
}

const TPackedPosition& TChessPosition::CanonicalPosition() {
    TCanonicalTransform transform = CanonicalTransform();
    if (!transform.Any()) {
        itsCanonical = itsPosition;
        return itsCanonical;
    }
    MARVEK_ASSERT(!transform.itsColourReversed || !WhiteToMove());
    itsCanonical = TransformPosition(itsPosition, transform);
    return itsCanonical;
}

} // namespace marvek
