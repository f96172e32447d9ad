#include "book/PositionRecord.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "app/MessageNumbers.h"
#include "app/UserInterface.h"
#include "book/CommentBuffer.h"
#include "platform/Errors.h"

namespace marvek {

namespace {

constexpr std::uint8_t kCarriageReturn = 13;

// A square byte under the transform. Bytes that name no square (damaged data) stay as they are,
// so that reading and writing back never invents one.
std::uint8_t TransformSquareByte(std::uint8_t square, const TCanonicalTransform& transform) {
    if (IsOffBoard(square)) return square;
    return std::uint8_t(TransformSquare(square, transform));
}

std::uint8_t TransformPromotion(std::uint8_t piece, const TCanonicalTransform& transform) {
    if (!transform.itsColourReversed) return piece;
    bool promotable =
        (piece >= kWhiteKnight && piece <= kWhiteQueen) || (piece >= kBlackKnight && piece <= kBlackQueen);
    return promotable ? std::uint8_t(SwapPieceColour(piece)) : piece;
}

std::uint8_t TransformPiece(std::uint8_t piece, const TCanonicalTransform& transform) {
    return transform.itsColourReversed ? std::uint8_t(SwapPieceColour(piece)) : piece;
}

std::uint16_t SwapCastling(std::uint16_t flags) {
    std::uint16_t white = flags & (kWhiteKingSide | kWhiteQueenSide);
    std::uint16_t black = flags & (kBlackKingSide | kBlackQueenSide);
    return std::uint16_t((flags & ~kCastlingRights) | white << 2 | black >> 2);
}

// Writes the stored form front to back; every write is checked against the buffer's end.
class TPacker {
public:
    explicit TPacker(std::uint8_t* buffer) : itsBuffer(buffer) {}

    std::size_t Offset() const { return itsOffset; }
    void Byte(std::uint8_t value) {
        MARVEK_ASSERT(itsOffset < TPositionRecord::kMaxStoredSize);
        itsBuffer[itsOffset++] = value;
    }
    void Word(std::uint16_t value) {
        Byte(std::uint8_t(value));
        Byte(std::uint8_t(value >> 8));
    }
    void Bytes(const void* data, std::size_t size) {
        MARVEK_ASSERT(size <= TPositionRecord::kMaxStoredSize - itsOffset);
        if (size > 0) std::memcpy(itsBuffer + itsOffset, data, size);
        itsOffset += size;
    }
    void WordAt(std::size_t offset, std::uint16_t value) {
        MARVEK_ASSERT(offset + 2 <= itsOffset);
        itsBuffer[offset] = std::uint8_t(value);
        itsBuffer[offset + 1] = std::uint8_t(value >> 8);
    }

private:
    std::uint8_t* itsBuffer;
    std::size_t itsOffset = 0;
};

// Reads a stored record front to back; reading past its end is a damaged record.
class TUnpacker {
public:
    TUnpacker(const std::uint8_t* data, std::size_t length) : itsData(data), itsLength(length) {}

    std::size_t Offset() const { return itsOffset; }
    const std::uint8_t* Take(std::size_t size) {
        MARVEK_ASSERT(size <= itsLength - itsOffset);
        const std::uint8_t* at = itsData + itsOffset;
        itsOffset += size;
        return at;
    }
    std::uint8_t Byte() { return *Take(1); }
    std::uint16_t Word() {
        const std::uint8_t* at = Take(2);
        return std::uint16_t(at[0] | at[1] << 8);
    }

private:
    const std::uint8_t* itsData;
    std::size_t itsLength;
    std::size_t itsOffset = 0;
};

} // namespace

char RateFontCharacter(int rate) {
    if (rate >= 0 && rate <= 8) return char('i' + rate);
    if (rate == kRateNone) return 'r';
    if (rate == kRateSpecial) return 'g';
    ShowInformation(0, kMsgUnsupportedInformantCode);
    return ' ';
}

void TTakeBack::Store(std::uint8_t* bytes) const {
    bytes[0] = itsFrom;
    bytes[1] = itsTo;
    bytes[2] = itsSecondary1;
    bytes[3] = itsSecondary2;
    bytes[4] = itsFromPiece;
    bytes[5] = itsToPiece;
    bytes[6] = itsSecondary1Piece;
    bytes[7] = itsSecondary2Piece;
    bytes[8] = std::uint8_t(itsFlags);
    bytes[9] = std::uint8_t(itsFlags >> 8);
}

TTakeBack TTakeBack::Load(const std::uint8_t* bytes) {
    TTakeBack entry;
    entry.itsFrom = bytes[0];
    entry.itsTo = bytes[1];
    entry.itsSecondary1 = bytes[2];
    entry.itsSecondary2 = bytes[3];
    entry.itsFromPiece = bytes[4];
    entry.itsToPiece = bytes[5];
    entry.itsSecondary1Piece = bytes[6];
    entry.itsSecondary2Piece = bytes[7];
    entry.itsFlags = std::uint16_t(bytes[8] | bytes[9] << 8);
    return entry;
}

TTakeBack TTakeBack::Transformed(const TCanonicalTransform& transform) const {
    TTakeBack result = *this;
    result.itsFrom = TransformSquareByte(itsFrom, transform);
    result.itsTo = TransformSquareByte(itsTo, transform);
    if (itsSecondary1 != kNoSquare) result.itsSecondary1 = TransformSquareByte(itsSecondary1, transform);
    if (itsSecondary2 != kNoSquare) result.itsSecondary2 = TransformSquareByte(itsSecondary2, transform);
    result.itsFromPiece = TransformPiece(itsFromPiece, transform);
    result.itsToPiece = TransformPiece(itsToPiece, transform);
    result.itsSecondary1Piece = TransformPiece(itsSecondary1Piece, transform);
    result.itsSecondary2Piece = TransformPiece(itsSecondary2Piece, transform);

    // The en-passant square lives in the high byte; 0 means none and stays none.
    std::uint8_t enPassant = std::uint8_t(itsFlags >> 8);
    std::uint16_t low = itsFlags & 0x00FF;
    if (enPassant != 0) enPassant = TransformSquareByte(enPassant, transform);
    if (transform.itsColourReversed) low = std::uint16_t(SwapCastling(low) ^ kWhiteToMoveFlag);
    result.itsFlags = std::uint16_t(low | enPassant << 8);
    return result;
}

void TPositionRecord::Clear() {
    itsPosition = StartPosition();
    itsInformantRate = kRateNone;
    itsBacksolvedRate = kRateNone;
    itsBacksolvedCount = 1;
    itsAssessment = kNoAssessment;
    itsCertainty = 3;
    itsOpeningCode.clear();
    itsCandidates.clear();
    itsTakeBacks.clear();
    itsScriptList.clear();
}

const TCandidate& TPositionRecord::Candidate(int index) const {
    MARVEK_ASSERT(index >= 0 && index < CandidateCount());
    return itsCandidates[std::size_t(index)];
}

TCandidate& TPositionRecord::Candidate(int index) {
    MARVEK_ASSERT(index >= 0 && index < CandidateCount());
    return itsCandidates[std::size_t(index)];
}

int TPositionRecord::FindCandidate(const TPackedMove& move) const {
    for (int i = 0; i < CandidateCount(); ++i)
        if (itsCandidates[std::size_t(i)].itsMove.SameMove(move)) return i;
    return -1;
}

bool TPositionRecord::AddCandidate(const TPackedMove& move) {
    if (CandidateCount() >= kMaxCandidates || FindCandidate(move) >= 0) return false;
    TCandidate candidate;
    candidate.itsMove = move;
    itsCandidates.push_back(candidate);
    return true;
}

void TPositionRecord::RemoveCandidate(int index) {
    MARVEK_ASSERT(index >= 0 && index < CandidateCount());
    itsCandidates.erase(itsCandidates.begin() + index);
}

void TPositionRecord::MoveCandidate(int from, int to) {
    MARVEK_ASSERT(from >= 0 && from < CandidateCount() && to >= 0 && to < CandidateCount());
    TCandidate moving = itsCandidates[std::size_t(from)];
    itsCandidates.erase(itsCandidates.begin() + from);
    itsCandidates.insert(itsCandidates.begin() + to, moving);
}

const TTakeBack& TPositionRecord::TakeBack(int index) const {
    MARVEK_ASSERT(index >= 0 && index < TakeBackCount());
    return itsTakeBacks[std::size_t(index)];
}

bool TPositionRecord::AddTakeBack(const TTakeBack& entry) {
    if (TakeBackCount() >= kMaxTakeBacks) return false;
    if (std::find(itsTakeBacks.begin(), itsTakeBacks.end(), entry) != itsTakeBacks.end()) return false;
    itsTakeBacks.push_back(entry);
    return true;
}

void TPositionRecord::RemoveTakeBack(int index) {
    MARVEK_ASSERT(index >= 0 && index < TakeBackCount());
    itsTakeBacks.erase(itsTakeBacks.begin() + index);
}

std::size_t TPositionRecord::Pack(const TCommentBuffer* comment, std::uint8_t* buffer) const {
    TChessPosition board(itsPosition);
    const TCanonicalTransform transform = board.CanonicalTransform();
    const TPackedPosition& canonical = board.CanonicalPosition();
    const bool reversed = transform.itsColourReversed;

    TPacker out(buffer);
    for (int i = 0; i < 4; ++i) out.Byte(0);
    out.Word(0); // the total length, filled in at the end
    MARVEK_ASSERT(out.Offset() == kPositionOffset);
    out.Bytes(canonical.itsBytes.data(), canonical.itsBytes.size());

    MARVEK_ASSERT(out.Offset() == kRatesOffset);
    int informant = reversed ? MirrorRate(itsInformantRate) : itsInformantRate;
    int backsolved = reversed ? MirrorRate(itsBacksolvedRate) : itsBacksolvedRate;
    out.Word(std::uint16_t((informant & 0x0F) << 12 | (backsolved & 0x0F) << 8 | (itsCertainty & 0x0F) << 4));
    MARVEK_ASSERT(out.Offset() == kCountOffset);
    out.Word(itsBacksolvedCount);
    MARVEK_ASSERT(out.Offset() == kAssessmentOffset);
    std::int16_t assessment = itsAssessment;
    if (reversed && assessment != kNoAssessment) assessment = std::int16_t(-assessment);
    out.Word(std::uint16_t(assessment));

    MARVEK_ASSERT(out.Offset() == kOpeningLengthOffset);
    const std::size_t openingLength = std::min(itsOpeningCode.size(), kMaxOpeningCode);
    out.Byte(std::uint8_t(openingLength));
    MARVEK_ASSERT(out.Offset() == kCandidateCountOffset);
    out.Byte(std::uint8_t(itsCandidates.size()));
    MARVEK_ASSERT(out.Offset() == kTakeBackCountOffset);
    out.Byte(std::uint8_t(itsTakeBacks.size()));
    MARVEK_ASSERT(out.Offset() == kScriptLengthOffset);
    out.Word(0); // S
    MARVEK_ASSERT(out.Offset() == kCommentLengthOffset);
    out.Word(0); // C
    MARVEK_ASSERT(out.Offset() == kHeaderSize);

    out.Bytes(itsOpeningCode.data(), openingLength);
    MARVEK_ASSERT(out.Offset() == kHeaderSize + openingLength);
    for (const TCandidate& candidate : itsCandidates) {
        out.Byte(TransformSquareByte(candidate.itsMove.itsFrom, transform));
        out.Byte(TransformSquareByte(candidate.itsMove.itsTo, transform));
        out.Byte(TransformPromotion(candidate.itsMove.itsPromotion, transform));
        out.Byte(candidate.itsMove.itsSymbol);
        out.Byte(candidate.MarkByte());
    }
    MARVEK_ASSERT(out.Offset() == kHeaderSize + openingLength + kCandidateSize * itsCandidates.size());
    for (const TTakeBack& entry : itsTakeBacks) {
        std::uint8_t bytes[TTakeBack::kStoredSize];
        entry.Transformed(transform).Store(bytes);
        out.Bytes(bytes, sizeof bytes);
    }
    const std::size_t commentOffset = out.Offset();
    MARVEK_ASSERT(commentOffset == kHeaderSize + openingLength + kCandidateSize * itsCandidates.size() +
                                       TTakeBack::kStoredSize * itsTakeBacks.size());

    std::size_t commentLength = 0;
    if (comment != nullptr && comment->HoldsText()) {
        std::string rtf = comment->SaveRichText();
        commentLength = std::min(rtf.size(), kMaxCommentSize);
        out.Bytes(rtf.data(), commentLength);
    }
    MARVEK_ASSERT(out.Offset() == commentOffset + commentLength);

    for (const std::string& line : itsScriptList) {
        out.Bytes(line.data(), std::min(line.size(), kMaxScriptLine));
        out.Byte(kCarriageReturn);
    }
    const std::size_t scriptLength = out.Offset() - commentOffset - commentLength;
    MARVEK_ASSERT(scriptLength <= 0xFFFF);

    out.WordAt(kScriptLengthOffset, std::uint16_t(scriptLength));
    out.WordAt(kCommentLengthOffset, std::uint16_t(commentLength));
    out.WordAt(kLengthOffset, std::uint16_t(out.Offset()));
    return out.Offset();
}

void TPositionRecord::Unpack(const std::uint8_t* data, std::size_t length, const TPackedPosition& boardGiven,
                             TCommentBuffer* comment) {
    MARVEK_ASSERT(data != nullptr || length == 0);
    // The caller may pass this record's own position, which Clear() below resets.
    const TPackedPosition board = boardGiven;
    const TCanonicalTransform transform = TChessPosition(board).CanonicalTransform();
    Clear();
    itsPosition = board;

    TRecordSummary summary;
    if (!ReadSummary(data, length, transform.itsColourReversed, summary))
        RaiseInternalError(__FILE__, __LINE__);
    itsInformantRate = std::uint8_t(summary.itsInformantRate);
    itsBacksolvedRate = std::uint8_t(summary.itsBacksolvedRate);
    itsCertainty = std::uint8_t(summary.itsCertainty);
    itsBacksolvedCount = std::uint16_t(summary.itsBacksolvedCount);
    itsAssessment = summary.itsAssessment;

    TUnpacker in(data, length);
    in.Take(kOpeningLengthOffset);
    const std::size_t openingLength = in.Byte();
    const int candidateCount = in.Byte();
    const int takeBackCount = in.Byte();
    const std::size_t scriptLength = in.Word();
    const std::size_t commentLength = std::min<std::size_t>(in.Word(), kMaxCommentSize);
    MARVEK_ASSERT(in.Offset() == kHeaderSize);
    MARVEK_ASSERT(candidateCount <= kMaxCandidates && takeBackCount <= kMaxTakeBacks);

    const std::uint8_t* opening = in.Take(openingLength);
    itsOpeningCode.assign(reinterpret_cast<const char*>(opening), std::min(openingLength, kMaxOpeningCode));

    for (int i = 0; i < candidateCount; ++i) {
        const std::uint8_t* bytes = in.Take(kCandidateSize);
        TCandidate candidate;
        candidate.itsMove.itsFrom = TransformSquareByte(bytes[0], transform);
        candidate.itsMove.itsTo = TransformSquareByte(bytes[1], transform);
        candidate.itsMove.itsPromotion = TransformPromotion(bytes[2], transform);
        candidate.itsMove.itsSymbol = bytes[3];
        candidate.SetMarkByte(bytes[4]);
        itsCandidates.push_back(candidate);
    }
    for (int i = 0; i < takeBackCount; ++i)
        itsTakeBacks.push_back(TTakeBack::Load(in.Take(TTakeBack::kStoredSize)).Transformed(transform));

    const std::uint8_t* commentBytes = in.Take(commentLength);
    if (comment != nullptr) {
        if (commentLength == 0)
            comment->Clear();
        else
            comment->LoadRichText({reinterpret_cast<const char*>(commentBytes), commentLength});
    }

    const char* script = reinterpret_cast<const char*>(in.Take(scriptLength));
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < scriptLength; ++i) {
        if (script[i] != char(kCarriageReturn)) continue;
        try {
            itsScriptList.emplace_back(script + lineStart, i - lineStart);
        } catch (const std::exception&) {
            throw EDatabaseProblem("TBook2.FillInEverything() ScriptList.Add() failed. Database is corrupt.");
        }
        lineStart = i + 1;
    }
}

TPackedPosition TPositionRecord::StoredPosition(const std::uint8_t* data, std::size_t length) {
    MARVEK_ASSERT(data != nullptr && length >= kRatesOffset);
    TPackedPosition position;
    std::memcpy(position.itsBytes.data(), data + kPositionOffset, position.itsBytes.size());
    return position;
}

bool TPositionRecord::ReadSummary(const std::uint8_t* data, std::size_t length, bool colourReversed,
                                  TRecordSummary& summary) {
    if (data == nullptr || length < kOpeningLengthOffset) return false;
    auto word = [data](std::size_t offset) { return std::uint16_t(data[offset] | data[offset + 1] << 8); };
    const std::uint16_t rates = word(kRatesOffset);
    summary.itsInformantRate = rates >> 12 & 0x0F;
    summary.itsBacksolvedRate = rates >> 8 & 0x0F;
    summary.itsCertainty = rates >> 4 & 0x0F;
    summary.itsBacksolvedCount = word(kCountOffset);
    summary.itsAssessment = std::int16_t(word(kAssessmentOffset));
    if (colourReversed) {
        summary.itsInformantRate = MirrorRate(summary.itsInformantRate);
        summary.itsBacksolvedRate = MirrorRate(summary.itsBacksolvedRate);
        if (summary.itsAssessment != kNoAssessment)
            summary.itsAssessment = std::int16_t(-summary.itsAssessment);
    }
    return true;
}

bool TPositionRecord::FindStoredCandidate(const std::uint8_t* data, std::size_t length,
                                          const TPackedMove& move, const TCanonicalTransform& transform,
                                          int& index, int& count) {
    if (data == nullptr || length < kHeaderSize) return false;
    const std::size_t openingLength = data[kOpeningLengthOffset];
    const int candidates = data[kCandidateCountOffset];
    if (candidates > kMaxCandidates || data[kTakeBackCountOffset] > kMaxTakeBacks) return false;
    const std::size_t first = kHeaderSize + openingLength;
    if (first + kCandidateSize * std::size_t(candidates) > length) return false;
    // Every transform is its own inverse: the move turned into the stored orientation matches the
    // stored candidate exactly when the candidate turned back matches the move.
    const std::uint8_t from = TransformSquareByte(move.itsFrom, transform);
    const std::uint8_t to = TransformSquareByte(move.itsTo, transform);
    const std::uint8_t promotion = TransformPromotion(move.itsPromotion, transform);
    count = candidates;
    index = -1;
    for (int i = 0; i < candidates; ++i) {
        const std::uint8_t* bytes = data + first + kCandidateSize * std::size_t(i);
        if (bytes[0] == from && bytes[1] == to && bytes[2] == promotion) {
            index = i;
            break;
        }
    }
    return true;
}

} // namespace marvek
