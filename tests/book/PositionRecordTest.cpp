#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"
#include "platform/Errors.h"
#include "support/ChessFixtures.h"
#include "support/RecordingUserInterface.h"

namespace marvek {
namespace {

using testsupport::PackedFromFen;

using TBytes = std::vector<std::uint8_t>;

TBytes PackRecord(const TPositionRecord& record, const TCommentBuffer* comment = nullptr) {
    TBytes buffer(TPositionRecord::kMaxStoredSize, 0xEE);
    std::size_t length = record.Pack(comment, buffer.data());
    buffer.resize(length);
    return buffer;
}

int Word(const TBytes& bytes, std::size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8;
}

void SetWord(TBytes& bytes, std::size_t offset, int value) {
    bytes[offset] = std::uint8_t(value);
    bytes[offset + 1] = std::uint8_t(value >> 8);
}

// The move `text` played on `fen`: the take-back entry that leads back, and the position after.
struct TPlayed {
    TTakeBack itsEntry;
    TPackedPosition itsAfter;
};

TPlayed Play(const std::string& fen, const std::string& text) {
    TChessParser parser = testsupport::ParserAt(fen);
    const TPackedPosition before = parser.CurrentPosition();
    parser.SetMoveText(text);
    EXPECT_TRUE(parser.ParseMove()) << fen << " " << text;
    const TPackedMove move = parser.GetChessMove();
    parser.ApplyMove();
    TPlayed played;
    TTakeBack& entry = played.itsEntry;
    entry.itsFrom = move.itsFrom;
    entry.itsTo = move.itsTo;
    entry.itsSecondary1 = std::uint8_t(parser.SecondarySquares()[0]);
    entry.itsSecondary2 = std::uint8_t(parser.SecondarySquares()[1]);
    entry.itsFromPiece = std::uint8_t(before.Piece(entry.itsFrom));
    entry.itsToPiece = std::uint8_t(before.Piece(entry.itsTo));
    if (entry.itsSecondary1 != kNoSquare)
        entry.itsSecondary1Piece = std::uint8_t(before.Piece(entry.itsSecondary1));
    if (entry.itsSecondary2 != kNoSquare)
        entry.itsSecondary2Piece = std::uint8_t(before.Piece(entry.itsSecondary2));
    entry.itsFlags = before.Flags();
    played.itsAfter = parser.CurrentPosition();
    return played;
}

TPackedMove MoveOf(const TPackedPosition& position, const std::string& text, int symbol = kSymbolNone) {
    TChessParser parser;
    parser.LoadPosition(position);
    parser.SetMoveText(text);
    EXPECT_TRUE(parser.ParseMove()) << text;
    TPackedMove move = parser.GetChessMove();
    move.itsSymbol = std::uint8_t(symbol);
    return move;
}

TEST(PositionRecordTest, NewRecordHasTheDefaults) {
    TPositionRecord record;
    EXPECT_EQ(record.CandidateCount(), 0);
    EXPECT_EQ(record.TakeBackCount(), 0);
    EXPECT_EQ(record.InformantRate(), kRateNone);
    EXPECT_EQ(record.BacksolvedRate(), kRateNone);
    EXPECT_EQ(record.BacksolvedCount(), 1);
    EXPECT_EQ(record.Assessment(), kNoAssessment);
    EXPECT_EQ(record.Certainty(), 3);
    EXPECT_EQ(record.Position(), StartPosition());
    EXPECT_EQ(record.OpeningCode(), "");
    EXPECT_TRUE(record.ScriptList().empty());
}

TEST(PositionRecordTest, CandidatesAreKeptOnceByFromToAndPromotion) {
    TPositionRecord record;
    EXPECT_TRUE(record.AddCandidate({12, 32, 0, kSymbolGood}));
    EXPECT_FALSE(record.AddCandidate({12, 32, 0, kSymbolBlunder})) << "another symbol is the same candidate";
    EXPECT_TRUE(record.AddCandidate({12, 22, 0, kSymbolNone}));
    EXPECT_EQ(record.FindCandidate({12, 22, 0, kSymbolMistake}), 1);
    // Promotions to different pieces are different candidates.
    EXPECT_TRUE(record.AddCandidate({61, 71, kWhiteQueen, kSymbolNone}));
    EXPECT_TRUE(record.AddCandidate({61, 71, kWhiteKnight, kSymbolNone}));

    record.MoveCandidate(3, 0);
    EXPECT_EQ(record.Candidate(0).itsMove.itsPromotion, kWhiteKnight);
    EXPECT_EQ(record.Candidate(1).itsMove.itsTo, 32);
    record.RemoveCandidate(0);
    EXPECT_EQ(record.CandidateCount(), 3);
    EXPECT_THROW(record.Candidate(3), EInternalError);

    record.ClearCandidates();
    for (int i = 0; i < TPositionRecord::kMaxCandidates; ++i)
        EXPECT_TRUE(record.AddCandidate({std::uint8_t(i), 50, 0, kSymbolNone}));
    EXPECT_FALSE(record.AddCandidate({40, 50, 0, kSymbolNone})) << "a full list takes no more";
}

TEST(PositionRecordTest, TakeBacksAreKeptOnceByAllTenBytes) {
    TPositionRecord record;
    TTakeBack entry = Play("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "e4").itsEntry;
    EXPECT_TRUE(record.AddTakeBack(entry));
    EXPECT_FALSE(record.AddTakeBack(entry));
    entry.itsFlags ^= kWhiteKingSide; // reached from a position without that right
    EXPECT_TRUE(record.AddTakeBack(entry));
    for (int i = 2; i < TPositionRecord::kMaxTakeBacks; ++i) {
        entry.itsSecondary1Piece = std::uint8_t(i);
        EXPECT_TRUE(record.AddTakeBack(entry));
    }
    entry.itsSecondary1Piece = 99;
    EXPECT_FALSE(record.AddTakeBack(entry)) << "a full list takes no more";
    EXPECT_EQ(record.TakeBackCount(), TPositionRecord::kMaxTakeBacks);
}

// ---- Stored layout ----

struct TLayoutCase {
    const char* itsName;
    std::function<void(TPositionRecord&, TRichTextBuffer&)> itsSetUp;
    bool itsPassComment;
    std::size_t itsL, itsN, itsM, itsC, itsS;
};

TEST(PositionRecordTest, StoredSectionsHaveTheirLengths) {
    const std::string longCode = "B12.Caro-Kann Advance";
    const TLayoutCase cases[] = {
        {"empty", [](TPositionRecord&, TRichTextBuffer&) {}, false, 0, 0, 0, 0, 0},
        {"full lists and an 11-character code",
         [&](TPositionRecord& record, TRichTextBuffer&) {
             record.SetOpeningCode(longCode); // cut to 11 characters
             for (int i = 0; i < 30; ++i) {
                 record.AddCandidate({std::uint8_t(i % 8 + 10 * (i / 8)), 44, 0, kSymbolNone});
                 TTakeBack entry;
                 entry.itsFrom = std::uint8_t(i);
                 record.AddTakeBack(entry);
             }
         },
         true, 11, 30, 30, 0, 0},
        {"empty comment control stores none",
         [](TPositionRecord&, TRichTextBuffer& comment) { comment.LoadRichText("{\\rtf1\\ansi\\par}"); },
         true, 0, 0, 0, 0, 0},
        {"comment over 60000 bytes is cut",
         [](TPositionRecord&, TRichTextBuffer& comment) { comment.AppendLine(std::string(70000, 'x')); },
         true, 0, 0, 0, 60000, 0},
        {"comment ignored without a control",
         [](TPositionRecord&, TRichTextBuffer& comment) { comment.AppendLine("words"); }, false, 0, 0, 0, 0,
         0},
        {"diagram marks, each line ended",
         [](TPositionRecord& record, TRichTextBuffer&) {
             record.ScriptList() = {"dde4", "dxd5", std::string(300, 'z')}; // a long line keeps 255
         },
         true, 0, 0, 0, 0, 5 + 5 + 256},
    };
    for (const TLayoutCase& layout : cases) {
        SCOPED_TRACE(layout.itsName);
        TPositionRecord record;
        TRichTextBuffer comment;
        layout.itsSetUp(record, comment);
        TBytes bytes = PackRecord(record, layout.itsPassComment ? &comment : nullptr);
        std::size_t total = 53 + layout.itsL + 5 * layout.itsN + 10 * layout.itsM + layout.itsC + layout.itsS;
        ASSERT_EQ(bytes.size(), total);
        EXPECT_EQ(Word(bytes, 4), int(total));
        EXPECT_EQ(bytes[46], layout.itsL);
        EXPECT_EQ(bytes[47], layout.itsN);
        EXPECT_EQ(bytes[48], layout.itsM);
        EXPECT_EQ(Word(bytes, 49), int(layout.itsS));
        EXPECT_EQ(Word(bytes, 51), int(layout.itsC));
    }
}

TEST(PositionRecordTest, FullListsGiveA514ByteRecord) {
    TPositionRecord record;
    record.SetOpeningCode("ABCDEFGHIJK");
    for (int i = 0; i < 30; ++i) {
        record.AddCandidate({std::uint8_t(i), 55, 0, kSymbolNone});
        TTakeBack entry;
        entry.itsTo = std::uint8_t(i);
        record.AddTakeBack(entry);
    }
    EXPECT_EQ(PackRecord(record).size(), 514u);
}

TEST(PositionRecordTest, EveryByteOfASmallRecord) {
    // White to move with castling rights: stored as it is.
    const std::string fen = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -";
    TPositionRecord record;
    record.SetPosition(PackedFromFen(fen));
    record.SetInformantRate(2);
    record.SetBacksolvedRate(10);
    record.SetCertainty(1);
    record.SetBacksolvedCount(0x1234);
    record.SetAssessment(-25);
    record.SetOpeningCode("C40");
    record.AddCandidate(MoveOf(record.Position(), "Nf3", kSymbolGood));
    record.Candidate(0).itsGreen = true;
    record.Candidate(0).itsRed = true;
    record.AddCandidate(MoveOf(record.Position(), "f4", kSymbolInteresting));
    record.Candidate(1).itsYellow = true;
    record.AddTakeBack(Play("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -", "e5").itsEntry);
    record.ScriptList() = {"dde4", "dxe5"};
    TRichTextBuffer comment;
    comment.AppendLine("Open");
    const std::string rtf = comment.SaveRichText();

    TBytes bytes = PackRecord(record, &comment);
    TBytes expected = {0, 0, 0, 0, 0, 0};
    const TPackedPosition& position = record.Position();
    expected.insert(expected.end(), position.itsBytes.begin(), position.itsBytes.end());
    TBytes tail = {
        0x10,
        0x2A, // rates word: 2 << 12 | 10 << 8 | 1 << 4
        0x34,
        0x12, // backsolved count
        0xE7,
        0xFF, // -25
        3,
        2,
        1, // L, n, m
        10,
        0, // S
        std::uint8_t(rtf.size()),
        std::uint8_t(rtf.size() >> 8), // C
        'C',
        '4',
        '0', // opening code
        6,
        25,
        0,
        kSymbolGood,
        5, // Nf3, green and red
        15,
        35,
        0,
        kSymbolInteresting,
        2, // f4, yellow
        64,
        44,
        255,
        255,
        kBlackPawn,
        0,
        0,
        0,
        0x0F,
        0x00, // ...e5 from the position after 1.e4
    };
    expected.insert(expected.end(), tail.begin(), tail.end());
    expected.insert(expected.end(), rtf.begin(), rtf.end());
    for (char c : std::string("dde4\rdxe5\r")) expected.push_back(std::uint8_t(c));
    SetWord(expected, 4, int(expected.size()));
    EXPECT_EQ(bytes, expected);

    // Read back in the same orientation: everything as it was, the comment in the control.
    TPositionRecord read;
    TRichTextBuffer readComment;
    readComment.SetModified(true);
    read.Unpack(bytes.data(), bytes.size(), record.Position(), &readComment);
    EXPECT_EQ(PackRecord(read, &readComment), bytes);
    EXPECT_EQ(read.Candidate(0).MarkByte(), 5);
    EXPECT_EQ(read.ScriptList(), record.ScriptList());
    EXPECT_EQ(readComment.PlainTextLines(), std::vector<std::string>{"Open"});
    EXPECT_FALSE(readComment.Modified());
    EXPECT_EQ(TPositionRecord::StoredPosition(bytes.data(), bytes.size()), record.Position());
}

TEST(PositionRecordTest, ReadingWithoutAControlSkipsTheComment) {
    TPositionRecord record;
    record.ScriptList() = {"ddc3"};
    TRichTextBuffer comment;
    comment.AppendLine("A comment");
    TBytes bytes = PackRecord(record, &comment);

    TPositionRecord read;
    read.Unpack(bytes.data(), bytes.size(), StartPosition(), nullptr);
    EXPECT_EQ(read.ScriptList(), record.ScriptList());

    // A stored record without a comment empties the control.
    TBytes bare = PackRecord(record);
    read.Unpack(bare.data(), bare.size(), StartPosition(), &comment);
    EXPECT_FALSE(comment.HoldsText());
}

TEST(PositionRecordTest, UnterminatedLastMarkLineIsDropped) {
    TPositionRecord record;
    record.ScriptList() = {"dde4", "dxd5"};
    TBytes bytes = PackRecord(record);
    for (char c : std::string("ddh8")) bytes.push_back(std::uint8_t(c));
    SetWord(bytes, 49, Word(bytes, 49) + 4);
    SetWord(bytes, 4, int(bytes.size()));

    TPositionRecord read;
    read.Unpack(bytes.data(), bytes.size(), StartPosition(), nullptr);
    EXPECT_EQ(read.ScriptList(), (std::vector<std::string>{"dde4", "dxd5"}));
}

TEST(PositionRecordTest, StoredCommentLengthAbove60000IsTakenAs60000) {
    TPositionRecord record;
    TRichTextBuffer comment;
    comment.AppendLine(std::string(70000, 'y'));
    TBytes bytes = PackRecord(record, &comment);
    ASSERT_EQ(Word(bytes, 51), 60000);
    bytes.resize(bytes.size() + 10, std::uint8_t('y'));
    SetWord(bytes, 51, 60010);

    TPositionRecord read;
    TRichTextBuffer readComment;
    read.Unpack(bytes.data(), bytes.size(), StartPosition(), &readComment);
    ASSERT_EQ(readComment.PlainTextLines().size(), 1u);
    // The cut RTF still reads: its text runs to the cut.
    EXPECT_GT(readComment.PlainTextLines()[0].size(), 59000u);
    EXPECT_TRUE(read.ScriptList().empty());
}

TEST(PositionRecordTest, DamagedRecordsEndInAnInternalError) {
    TPositionRecord record;
    record.AddCandidate({12, 28, 0, kSymbolNone});
    record.ScriptList() = {"dde4"};
    const TBytes good = PackRecord(record);

    struct TDamage {
        const char* itsName;
        std::function<void(TBytes&)> itsDamage;
    };
    const TDamage damages[] = {
        {"shorter than the header", [](TBytes& b) { b.resize(40); }},
        {"empty", [](TBytes& b) { b.clear(); }},
        {"31 candidates", [](TBytes& b) { b[47] = 31; }},
        {"31 take-backs", [](TBytes& b) { b[48] = 31; }},
        {"marks past the end", [](TBytes& b) { SetWord(b, 49, 0xFFFF); }},
        {"comment past the end", [](TBytes& b) { SetWord(b, 51, 500); }},
        {"opening code past the end", [](TBytes& b) { b[46] = 200; }},
    };
    for (const TDamage& damage : damages) {
        SCOPED_TRACE(damage.itsName);
        TBytes bytes = good;
        damage.itsDamage(bytes);
        TPositionRecord read;
        TRichTextBuffer comment;
        EXPECT_THROW(read.Unpack(bytes.data(), bytes.size(), StartPosition(), &comment), EInternalError);
    }

    // Squares and pieces that name nothing are carried through unchanged, never invented.
    TBytes odd = good;
    odd[53] = 99;
    odd[54] = 200;
    TPositionRecord read;
    const TPackedPosition blackToMove =
        PackedFromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -");
    read.Unpack(odd.data(), odd.size(), blackToMove, nullptr);
    EXPECT_EQ(read.Candidate(0).itsMove.itsFrom, 99);
    EXPECT_EQ(read.Candidate(0).itsMove.itsTo, 200);
}

// ---- Orientation ----

// The position seen with colours reversed (the other side to move) and/or mirrored.
TPackedPosition Twin(const TPackedPosition& position, bool reverse, bool files, bool ranks) {
    TPackedPosition twin = TransformPosition(position, {false, files, ranks});
    if (reverse) {
        TChessPosition swapped(twin);
        swapped.SwapSides();
        twin = swapped.GetPosition();
    }
    return twin;
}

TPackedPosition Canonical(const TPackedPosition& position) {
    TChessPosition chess(position);
    return chess.CanonicalPosition();
}

TPackedPosition After(const TPackedPosition& position, const TPackedMove& move) {
    TChessParser parser;
    parser.LoadPosition(position);
    parser.SetMoveText(parser.NotationFor(move));
    EXPECT_TRUE(parser.ParseMove());
    parser.ApplyMove();
    return parser.CurrentPosition();
}

// Whether the move (from, to and promotion code) is one of the position's legal moves.
bool IsLegal(const TPackedPosition& position, const TPackedMove& move) {
    TChessParser parser;
    parser.LoadPosition(position);
    std::vector<TPackedMove> moves(TChessParser::kMaxLegalMoves);
    int count = parser.GenerateMoves(moves.data(), int(moves.size()));
    for (int i = 0; i < count; ++i)
        if (moves[std::size_t(i)].SameMove(move)) return true;
    return false;
}

// The predecessor a take-back entry restores.
TPackedPosition Before(const TPackedPosition& position, const TTakeBack& entry) {
    TPackedPosition before = position;
    before.SetPiece(entry.itsFromPiece, entry.itsFrom);
    before.SetPiece(entry.itsToPiece, entry.itsTo);
    if (entry.itsSecondary1 != kNoSquare) before.SetPiece(entry.itsSecondary1Piece, entry.itsSecondary1);
    if (entry.itsSecondary2 != kNoSquare) before.SetPiece(entry.itsSecondary2Piece, entry.itsSecondary2);
    before.SetFlags(entry.itsFlags);
    return before;
}

struct TOrientationCase {
    const char* itsName;
    std::string itsPredecessor; // FEN
    std::string itsMove;        // played on it, giving the stored position
    std::vector<std::string> itsCandidates;
    bool itsMirrorFiles; // the position has twins with files mirrored
    bool itsMirrorRanks; // ... and with ranks mirrored
};

TEST(PositionRecordTest, RecordReadsBackInEveryOrientation) {
    const TOrientationCase cases[] = {
        {"castling rights, colours only",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
         "e4",
         {"e5", "c5", "Nf6"},
         false,
         false},
        {"en passant", "4k3/3p4/8/4P3/8/8/6p1/2K5 b - -", "d5", {"exd6", "Kb2", "Kd2"}, true, false},
        {"a capture with check", "r3k2r/8/8/8/8/8/8/R3K2R w - -", "Rxa8+", {"Ke7", "Kd7"}, true, false},
        {"pawnless", "7q/8/8/3k4/8/8/1R6/K7 w - -", "Kb1", {"Qxb2+", "Qh1+", "Kc4"}, true, true},
        {"taken en passant", "4k3/8/8/8/3pP3/8/8/2K5 b - e3", "dxe3", {"Kd1", "Kc2"}, true, false},
        {"promotion choices", "8/6P1/8/8/8/1k6/8/K7 b - -", "Kc3", {"g8=Q", "g8=N", "Ka2"}, true, false},
    };
    for (const TOrientationCase& test : cases) {
        SCOPED_TRACE(test.itsName);
        const TPlayed played = Play(test.itsPredecessor, test.itsMove);
        const TPackedPosition board = played.itsAfter;

        TPositionRecord record;
        record.SetPosition(board);
        int symbol = kSymbolGood;
        for (const std::string& text : test.itsCandidates) {
            ASSERT_TRUE(record.AddCandidate(MoveOf(board, text, symbol++)));
            record.Candidate(record.CandidateCount() - 1).SetMarkByte(std::uint8_t(record.CandidateCount()));
        }
        record.AddTakeBack(played.itsEntry);
        record.SetInformantRate(1);
        record.SetBacksolvedRate(6);
        record.SetAssessment(140);
        record.SetCertainty(2);
        record.ScriptList() = {"dde4"};
        const TBytes stored = PackRecord(record);
        ASSERT_EQ(TPositionRecord::StoredPosition(stored.data(), stored.size()), Canonical(board));

        for (int kind = 0; kind < 8; ++kind) {
            const bool reverse = kind & 1, files = kind & 2, ranks = kind & 4;
            if ((files && !test.itsMirrorFiles) || (ranks && !test.itsMirrorRanks)) continue;
            SCOPED_TRACE("reversed " + std::to_string(reverse) + " files " + std::to_string(files) +
                         " ranks " + std::to_string(ranks));
            const TPackedPosition twin = Twin(board, reverse, files, ranks);
            ASSERT_EQ(Canonical(twin), Canonical(board));

            TPositionRecord read;
            read.Unpack(stored.data(), stored.size(), twin, nullptr);
            EXPECT_EQ(read.Position(), twin);
            EXPECT_EQ(read.InformantRate(), reverse ? 7 : 1);
            EXPECT_EQ(read.BacksolvedRate(), reverse ? 2 : 6);
            EXPECT_EQ(read.Assessment(), reverse ? -140 : 140);
            EXPECT_EQ(read.Certainty(), 2);
            EXPECT_EQ(read.ScriptList(), record.ScriptList());

            // The summary read straight from the stored bytes agrees with the whole record.
            TRecordSummary summary;
            const bool twinReversed = TChessPosition(twin).CanonicalTransform().itsColourReversed;
            ASSERT_TRUE(TPositionRecord::ReadSummary(stored.data(), stored.size(), twinReversed, summary));
            EXPECT_EQ(summary.itsInformantRate, read.InformantRate());
            EXPECT_EQ(summary.itsBacksolvedRate, read.BacksolvedRate());
            EXPECT_EQ(summary.itsCertainty, read.Certainty());
            EXPECT_EQ(summary.itsBacksolvedCount, read.BacksolvedCount());
            EXPECT_EQ(summary.itsAssessment, read.Assessment());
            EXPECT_FALSE(TPositionRecord::ReadSummary(
                stored.data(), TPositionRecord::kOpeningLengthOffset - 1, twinReversed, summary));

            // Each candidate is the same move seen from the twin: it leads to the twin of the
            // position the original leads to, with its symbol and marks.
            ASSERT_EQ(read.CandidateCount(), record.CandidateCount());
            for (int i = 0; i < read.CandidateCount(); ++i) {
                const TCandidate& original = record.Candidate(i);
                const TCandidate& seen = read.Candidate(i);
                EXPECT_EQ(seen.itsMove.itsSymbol, original.itsMove.itsSymbol);
                EXPECT_EQ(seen.MarkByte(), original.MarkByte());
                EXPECT_TRUE(IsLegal(twin, seen.itsMove)) << i;
                EXPECT_EQ(Canonical(After(twin, seen.itsMove)), Canonical(After(board, original.itsMove)))
                    << i;
            }

            // Every legal move of the twin is found among the stored candidates exactly where the
            // whole record has it; a record cut short in its candidates is no answer.
            const TCanonicalTransform transform = TChessPosition(twin).CanonicalTransform();
            TChessParser parser;
            parser.LoadPosition(twin);
            std::vector<TPackedMove> moves(TChessParser::kMaxLegalMoves);
            moves.resize(std::size_t(parser.GenerateMoves(moves.data(), int(moves.size()))));
            for (const TPackedMove& move : moves) {
                int index = -2, count = -1;
                ASSERT_TRUE(TPositionRecord::FindStoredCandidate(stored.data(), stored.size(), move,
                                                                 transform, index, count));
                EXPECT_EQ(index, read.FindCandidate(move)) << parser.NotationFor(move);
                EXPECT_EQ(count, read.CandidateCount());
            }
            int index = 0, count = 0;
            const std::size_t cut = TPositionRecord::kHeaderSize + TPositionRecord::kCandidateSize;
            EXPECT_FALSE(TPositionRecord::FindStoredCandidate(stored.data(), cut, moves.front(), transform,
                                                              index, count));

            // The take-back entry restores the twin of the predecessor, from which its move
            // leads to the twin again.
            ASSERT_EQ(read.TakeBackCount(), 1);
            const TTakeBack& entry = read.TakeBack(0);
            const TPackedPosition before = Before(twin, entry);
            EXPECT_EQ(Canonical(before), Canonical(PackedFromFen(test.itsPredecessor)));
            EXPECT_EQ(After(before, {entry.itsFrom, entry.itsTo, 0, kSymbolNone}), twin);

            // Stored from the twin, the record is the same bytes.
            EXPECT_EQ(PackRecord(read), stored);
        }
    }
}

TEST(PositionRecordTest, NoAssessmentStaysNoneWhenReversed) {
    TPositionRecord record;
    record.SetPosition(PackedFromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -"));
    record.SetInformantRate(4);
    TBytes bytes = PackRecord(record);
    EXPECT_EQ(Word(bytes, 44), 0x8000);
    EXPECT_EQ(bytes[41] >> 4, 4) << "unclear is its own mirror";

    TPositionRecord read;
    read.Unpack(bytes.data(), bytes.size(), record.Position(), nullptr);
    EXPECT_EQ(read.Assessment(), kNoAssessment);
    EXPECT_EQ(read.InformantRate(), 4);
}

TEST(PositionRecordTest, RateCharactersAndUnsupportedCodes) {
    testsupport::TRecordingUserInterface ui;
    const std::pair<int, char> cases[] = {{0, 'i'},  {3, 'l'},  {8, 'q'}, {9, 'r'},
                                          {10, 'g'}, {11, ' '}, {15, ' '}};
    for (auto [rate, character] : cases) EXPECT_EQ(RateFontCharacter(rate), character) << rate;
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"An unsupported Informant code was discovered.",
                                                    "An unsupported Informant code was discovered."}));
    for (int rate = 0; rate <= 10; ++rate) EXPECT_EQ(MirrorRate(MirrorRate(rate)), rate);
    EXPECT_EQ(MirrorRate(0), 8);
    EXPECT_EQ(MirrorRate(2), 6);
    EXPECT_EQ(MirrorRate(5), 5);
}

} // namespace
} // namespace marvek
