#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chess/ChessPosition.h"
#include "chess/Square.h"

// One book position in memory, and its stored form.
//
// A book keeps one variable-length record per position, under the canonical form of the
// position. Everything in the record that names a square, a colour or a side is stored in the
// canonical orientation and turned back to the board's orientation when read, so the same
// position reached with colours reversed or mirrored shares one record.
//
// Stored layout (little-endian, offsets from 0):
//   0   4   zero (the storage engine's deleted-record mark)
//   4   2   total length of the record
//   6   34  canonical PackedPosition (the key)
//   40  2   rates word: Informant rate bits 12-15, backsolved rate bits 8-11, certainty bits 4-7
//   42  2   backsolved count
//   44  2   numeric assessment
//   46  1   opening-code length L
//   47  1   candidate count n
//   48  1   take-back count m
//   49  2   diagram-mark text length S
//   51  2   comment length C
//   53  L   opening code
//   ..  5n  candidates: from, to, promotion, symbol, marks (bit 0 green, 1 yellow, 2 red)
//   ..  10m take-back entries (TTakeBack)
//   ..  C   comment, RTF, at most 60000 bytes
//   ..  S   diagram marks: each ScriptList line followed by a carriage return
// The total is 53 + L + 5n + 10m + C + S, at most 64478 bytes (the book's record buffer).

namespace marvek {

class TCommentBuffer;

// Rate codes of the Informant rate and the backsolved rate: 0 White wins .. 8 Black wins,
// 3 equal, 4 unclear, 5 compensation, 9 none, 10 a further sign.
constexpr int kRateNone = 9;
constexpr int kRateSpecial = 10;
constexpr std::int16_t kNoAssessment = -32768;

// The rate seen from the other side: 0-8, 1-7 and 2-6 swap, every other code stays.
constexpr int MirrorRate(int rate) {
    return (rate >= 0 && rate <= 2) || (rate >= 6 && rate <= 8) ? 8 - rate : rate;
}

// The chess-font character of a rate: "i".."q" for 0-8, "r" for none, "g" for 10. Any other
// code is reported to the user (message 441) and drawn as a blank.
char RateFontCharacter(int rate);

struct TCandidate {
    TPackedMove itsMove;
    std::string itsNotation; // written by the book window when the record is shown; not stored
    bool itsGreen = false;
    bool itsYellow = false;
    bool itsRed = false;

    std::uint8_t MarkByte() const {
        return std::uint8_t((itsGreen ? 1 : 0) | (itsYellow ? 2 : 0) | (itsRed ? 4 : 0));
    }
    void SetMarkByte(std::uint8_t marks) {
        itsGreen = marks & 1;
        itsYellow = marks & 2;
        itsRed = marks & 4;
    }
};

// How a position was reached: enough to restore the predecessor from it. Ten bytes stored:
// from, to, two secondary squares (255 none), the pieces that stood on those four squares
// before the move (0 none), and the PositionFlags before the move.
struct TTakeBack {
    static constexpr std::size_t kStoredSize = 10;

    std::uint8_t itsFrom = 0;
    std::uint8_t itsTo = 0;
    std::uint8_t itsSecondary1 = kNoSquare;
    std::uint8_t itsSecondary2 = kNoSquare;
    std::uint8_t itsFromPiece = 0;
    std::uint8_t itsToPiece = 0;
    std::uint8_t itsSecondary1Piece = 0;
    std::uint8_t itsSecondary2Piece = 0;
    std::uint16_t itsFlags = 0;

    // Two entries are the same when all ten bytes agree.
    bool operator==(const TTakeBack&) const = default;

    void Store(std::uint8_t* bytes) const;
    static TTakeBack Load(const std::uint8_t* bytes);
    // The entry as seen after the position is transformed (each transform is its own inverse).
    TTakeBack Transformed(const TCanonicalTransform& transform) const;
};

// The fields of a stored record that book windows show beside each candidate, read without
// unpacking the record.
struct TRecordSummary {
    int itsInformantRate = kRateNone;
    int itsBacksolvedRate = kRateNone;
    int itsCertainty = 0;
    int itsBacksolvedCount = 0;
    std::int16_t itsAssessment = kNoAssessment;
};

class TPositionRecord {
public:
    // Offsets of the stored layout above.
    static constexpr std::size_t kLengthOffset = 4, kPositionOffset = 6, kRatesOffset = 40, kCountOffset = 42,
                                 kAssessmentOffset = 44, kOpeningLengthOffset = 46,
                                 kCandidateCountOffset = 47, kTakeBackCountOffset = 48,
                                 kScriptLengthOffset = 49, kCommentLengthOffset = 51;
    static constexpr std::size_t kCandidateSize = 5;
    static constexpr int kMaxCandidates = 30;
    static constexpr int kMaxTakeBacks = 30;
    static constexpr std::size_t kMaxOpeningCode = 11;
    static constexpr std::size_t kMaxNotation = 40;
    static constexpr std::size_t kMaxScriptLine = 255;
    static constexpr std::size_t kHeaderSize = 53;
    static constexpr std::size_t kMaxCommentSize = 60000;
    static constexpr std::size_t kMaxStoredSize = 64478;

    TPositionRecord() { Clear(); }

    // Every field back to a new record's value; the position becomes the start position.
    void Clear();

    // Storage
    //
    // Pack writes the record as stored: the canonical form of Position() at offset 6, and every
    // square, colour and rate turned into that orientation. `buffer` has room for kMaxStoredSize
    // bytes; the stored length is returned. The comment is taken from `comment` when it is
    // given and holds text (its first 60000 bytes); otherwise none is stored. A position with no
    // king for the side to move has no canonical form and ends in TChessPosition's error.
    std::size_t Pack(const TCommentBuffer* comment, std::uint8_t* buffer) const;
    // Unpack reads a stored record as seen from `board`, whose canonical form is the stored
    // position: the record's position becomes `board` and everything is turned back into its
    // orientation. The comment is loaded into `comment` when one is given. A damaged record
    // ends in an internal error; a diagram-mark line that cannot be added in EDatabaseProblem.
    void Unpack(const std::uint8_t* data, std::size_t length, const TPackedPosition& board,
                TCommentBuffer* comment);
    // The canonical position a stored record carries (the whole-book walks start from it).
    static TPackedPosition StoredPosition(const std::uint8_t* data, std::size_t length);
    // The summary fields of a stored record as seen from a board whose colours are reversed to the
    // stored position's when `colourReversed`; false when the record is too short to hold them.
    static bool ReadSummary(const std::uint8_t* data, std::size_t length, bool colourReversed,
                            TRecordSummary& summary);
    // Looks for a move among the candidates of a stored record without unpacking it: `index` is
    // the candidate's or -1, `count` the number of candidates. `transform` turns the board the
    // move is played on into the stored position. False when the record is damaged (Unpack says
    // how).
    static bool FindStoredCandidate(const std::uint8_t* data, std::size_t length, const TPackedMove& move,
                                    const TCanonicalTransform& transform, int& index, int& count);

    // Candidates, in display order; the first is the main move
    int CandidateCount() const { return int(itsCandidates.size()); }
    const TCandidate& Candidate(int index) const;
    TCandidate& Candidate(int index);
    // The index of the candidate with the same from, to and promotion, or -1.
    int FindCandidate(const TPackedMove& move) const;
    // Adds the move at the end unless the same candidate exists or the list is full.
    bool AddCandidate(const TPackedMove& move);
    void RemoveCandidate(int index);
    // Moves the candidate at `from` to position `to`, the others keeping their order.
    void MoveCandidate(int from, int to);
    void ClearCandidates() { itsCandidates.clear(); }

    // Take-back entries
    int TakeBackCount() const { return int(itsTakeBacks.size()); }
    const TTakeBack& TakeBack(int index) const;
    // Adds the entry unless an entry with the same ten bytes exists or the list is full.
    bool AddTakeBack(const TTakeBack& entry);
    void RemoveTakeBack(int index);
    void ClearTakeBacks() { itsTakeBacks.clear(); }

    // Diagram marks: lines "dd" or "dx" followed by a square name
    std::vector<std::string>& ScriptList() { return itsScriptList; }
    const std::vector<std::string>& ScriptList() const { return itsScriptList; }

    // Plain fields
    const TPackedPosition& Position() const { return itsPosition; }
    void SetPosition(const TPackedPosition& position) { itsPosition = position; }
    int InformantRate() const { return itsInformantRate; }
    void SetInformantRate(int rate) { itsInformantRate = std::uint8_t(rate); }
    int BacksolvedRate() const { return itsBacksolvedRate; }
    void SetBacksolvedRate(int rate) { itsBacksolvedRate = std::uint8_t(rate); }
    int BacksolvedCount() const { return itsBacksolvedCount; }
    void SetBacksolvedCount(int count) { itsBacksolvedCount = std::uint16_t(count); }
    int Assessment() const { return itsAssessment; }
    void SetAssessment(int assessment) { itsAssessment = std::int16_t(assessment); }
    int Certainty() const { return itsCertainty; }
    void SetCertainty(int certainty) { itsCertainty = std::uint8_t(certainty); }
    // At most 11 characters are kept when stored.
    const std::string& OpeningCode() const { return itsOpeningCode; }
    void SetOpeningCode(const std::string& code) { itsOpeningCode = code; }

private:
    TPackedPosition itsPosition;
    std::uint8_t itsInformantRate = kRateNone;
    std::uint8_t itsBacksolvedRate = kRateNone;
    std::uint16_t itsBacksolvedCount = 1;
    std::int16_t itsAssessment = kNoAssessment;
    std::uint8_t itsCertainty = 3;
    std::string itsOpeningCode;
    std::vector<TCandidate> itsCandidates;
    std::vector<TTakeBack> itsTakeBacks;
    std::vector<std::string> itsScriptList;
};

} // namespace marvek
