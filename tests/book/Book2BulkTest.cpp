// Bulk updates: records kept in memory and written in key order read and write exactly as the
// records of the book do, survive Close, and are not lost when the disk fills up.

#include "book/Book2.h"
#include "book/BookVerifier.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "chess/ChessParser.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Memory.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace marvek::test {
namespace {

using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;

class Book2BulkTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (TBook2* book : {&itsDirect, &itsBulk}) {
            std::string name = itsFolder / (book == &itsDirect ? "Direct" : "Bulk");
            ASSERT_TRUE(book->Create(name));
            book->Open(name, false, false);
        }
    }
    void TearDown() override {
        itsDirect.Close();
        itsBulk.Close();
        FreeSpaceSeam().Reset();
        MemoryFaults().Reset();
        PositionFileSizeLimit() = itsSizeLimit;
    }

    // Positions of random games from the start, with their moves: twins and repeats come up.
    static std::vector<std::pair<TPackedPosition, TPackedMove>> RandomPlies(int games, int plies,
                                                                            unsigned seed) {
        std::mt19937 random(seed);
        std::vector<std::pair<TPackedPosition, TPackedMove>> result;
        std::vector<TPackedMove> moves(TChessParser::kMaxLegalMoves);
        TChessParser parser;
        for (int g = 0; g < games; ++g) {
            parser.LoadPosition(StartPosition());
            for (int p = 0; p < plies; ++p) {
                int count = parser.GenerateMoves(moves.data());
                if (count == 0) break;
                // Few choices early, so that games share their openings.
                int pick =
                    static_cast<int>(random() % static_cast<unsigned>(p < 6 ? std::min(count, 3) : count));
                std::string san = parser.NotationFor(moves[static_cast<size_t>(pick)]);
                parser.SetMoveText(san);
                EXPECT_TRUE(parser.ParseMove());
                result.emplace_back(parser.CurrentPosition(), parser.GetChessMove());
                parser.ApplyMove();
            }
        }
        return result;
    }

    // What a book says of a position, as far as a reader can tell.
    static std::vector<uint32_t> Seen(TBook2& book, const TPackedPosition& position,
                                      std::string* comment = nullptr) {
        TPositionRecord record;
        record.SetPosition(position);
        TRichTextBuffer text;
        book.FillInEverything(record, &text);
        std::vector<uint32_t> seen{uint32_t(book.IsInBook(position)), uint32_t(record.InformantRate()),
                                   uint32_t(record.Assessment() & 0xFFFF)};
        for (int i = 0; i < record.CandidateCount(); ++i)
            seen.push_back(record.Candidate(i).itsMove.ToUint32());
        if (comment != nullptr) {
            comment->clear();
            for (const std::string& line : text.PlainTextLines()) *comment += line + "\n";
        }
        return seen;
    }

    // Adds the move as a candidate, as an import does, and now and then a rate and a comment.
    static void AddMove(TBook2& book, const TPackedPosition& position, const TPackedMove& move, int step) {
        TPositionRecord record;
        record.SetPosition(position);
        TRichTextBuffer comment;
        book.FillInEverything(record, &comment);
        record.AddCandidate(move);
        if (step % 7 == 0) record.SetInformantRate(step % 9);
        if (step % 11 == 0) comment.AppendLine("Note " + std::to_string(step));
        book.UpdateEverything(record, &comment);
    }

    int64_t itsSizeLimit = PositionFileSizeLimit();
    TScratchFolder itsFolder;
    // Stops the engine before the folder goes, after the books have closed.
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
    TBook2 itsDirect;
    TBook2 itsBulk;
};

TEST_F(Book2BulkTest, ReadsAndWritesAsTheBookDoes) {
    // A budget of a few kilobytes writes the kept records out again and again on the way, and
    // small position files make the writing move on to further files.
    PositionFileSizeLimit() = 20000;
    for (size_t budget : {size_t(64) << 10, BulkUpdateBytes()}) {
        SCOPED_TRACE("budget " + std::to_string(budget));
        itsBulk.BeginBulkUpdate(budget);
        int step = 0;
        for (const auto& [position, move] : RandomPlies(40, 30, unsigned(budget))) {
            ++step;
            std::string directComment, bulkComment;
            ASSERT_EQ(Seen(itsBulk, position, &bulkComment), Seen(itsDirect, position, &directComment));
            ASSERT_EQ(bulkComment, directComment);
            // Looking for the move alone says what the whole record says.
            int index[2], count[2];
            bool present[2] = {itsDirect.FindCandidate(position, move, index[0], count[0]),
                               itsBulk.FindCandidate(position, move, index[1], count[1])};
            TPositionRecord record;
            record.SetPosition(position);
            bool stored = itsDirect.FillInEverything(record, nullptr);
            for (int k : {0, 1}) {
                ASSERT_EQ(present[k], stored);
                ASSERT_EQ(index[k], record.FindCandidate(move));
                ASSERT_EQ(count[k], record.CandidateCount());
            }
            AddMove(itsDirect, position, move, step);
            AddMove(itsBulk, position, move, step);
            // Asking for a record's reference writes what is kept; the roomy pass leaves it out, so
            // that it reads the whole book (filled by the first pass) instead of probing.
            if (budget < BulkUpdateBytes() && step % 97 == 0) {
                int rate[2], count[2];
                RecRef ref[2];
                int16_t numeric[2] = {};
                ASSERT_TRUE(
                    itsDirect.GetPositionCodeForThisBoard(position, rate[0], ref[0], count[0], numeric[0]));
                ASSERT_TRUE(
                    itsBulk.GetPositionCodeForThisBoard(position, rate[1], ref[1], count[1], numeric[1]));
                EXPECT_EQ(rate[0], rate[1]);
                EXPECT_EQ(count[0], count[1]);
                EXPECT_GT(ref[1], 0);
            }
        }
        itsBulk.EndBulkUpdate();
        EXPECT_FALSE(itsBulk.InBulkUpdate());
        EXPECT_EQ(itsBulk.PositionCount(), itsDirect.PositionCount());
        for (const auto& [position, move] : RandomPlies(40, 30, unsigned(budget)))
            ASSERT_EQ(Seen(itsBulk, position), Seen(itsDirect, position));
    }
    EXPECT_GT(itsBulk.PositionFileCount(), 2);
    itsBulk.Close();
    TBookVerifyReport report = VerifyBook(itsFolder / "Bulk");
    EXPECT_TRUE(report.Sound()) << (report.itsFaults.empty() ? "" : report.itsFaults[0]);
    EXPECT_TRUE(itsUi.itsShown.empty());
}

TEST_F(Book2BulkTest, CloseWritesWhatIsKept) {
    auto plies = RandomPlies(5, 20, 7);
    itsBulk.BeginBulkUpdate();
    int step = 0;
    for (const auto& [position, move] : plies) AddMove(itsBulk, position, move, ++step);
    itsBulk.Close();
    itsBulk.Open(itsFolder / "Bulk", false, false);
    EXPECT_FALSE(itsBulk.InBulkUpdate());
    for (const auto& [position, move] : plies) {
        TPositionRecord record;
        record.SetPosition(position);
        itsBulk.FillInEverything(record, nullptr);
        EXPECT_GE(record.FindCandidate(move), 0);
    }
}

TEST_F(Book2BulkTest, AFullDiskLosesNothingKept) {
    auto plies = RandomPlies(10, 30, 11);
    itsBulk.BeginBulkUpdate();
    int step = 0;
    for (const auto& [position, move] : plies) {
        AddMove(itsDirect, position, move, ++step);
        AddMove(itsBulk, position, move, step);
    }
    FreeSpaceSeam().Set(itsFolder.Path(), 1000);
    EXPECT_THROW(itsBulk.EndBulkUpdate(), EDatabaseProblem);
    EXPECT_TRUE(itsBulk.InBulkUpdate());
    // Once there is room again, everything kept is written, and nothing twice.
    FreeSpaceSeam().Reset();
    itsBulk.EndBulkUpdate();
    EXPECT_EQ(itsBulk.PositionCount(), itsDirect.PositionCount());
    for (const auto& [position, move] : plies) ASSERT_EQ(Seen(itsBulk, position), Seen(itsDirect, position));
}

TEST_F(Book2BulkTest, NoMemoryForTheCacheSaysSoAndLosesNothingKept) {
    // Room for a million records is asked for at the start: 2^21 slots of 8 bytes. Refused, the
    // bulk update does not begin.
    MemoryFaults().Reset();
    MemoryFaults().itsFailReserveAt = 1;
    try {
        itsBulk.BeginBulkUpdate(BulkUpdateBytes(), nullptr, 1000000);
        ADD_FAILURE() << "no memory, yet the bulk update began";
    } catch (const EDatabaseProblem& e) {
        EXPECT_STREQ(e.what(), "Not enough memory for the import's record cache (16 MB).");
    }
    EXPECT_FALSE(itsBulk.InBulkUpdate());

    // Refused on the way, what was kept is still written. After the first block of entries with
    // their records, the slot table growing past 2048 positions asks for memory.
    MemoryFaults().Reset();
    itsBulk.BeginBulkUpdate();
    MemoryFaults().Reset();
    MemoryFaults().itsFailReserveAt = 2;
    auto plies = RandomPlies(100, 40, 17);
    size_t added = 0;
    try {
        for (; added < plies.size(); ++added) {
            AddMove(itsBulk, plies[added].first, plies[added].second, int(added));
            AddMove(itsDirect, plies[added].first, plies[added].second, int(added));
        }
        ADD_FAILURE() << "the cache never needed more memory";
    } catch (const EDatabaseProblem& e) {
        std::string message = e.what();
        EXPECT_EQ(message.rfind("Not enough memory for the import's record cache (", 0), 0u) << message;
        EXPECT_TRUE(message.ends_with(" MB).")) << message;
    }
    EXPECT_GT(added, 2000u);
    EXPECT_TRUE(itsBulk.InBulkUpdate());
    itsBulk.EndBulkUpdate();
    EXPECT_EQ(itsBulk.PositionCount(), itsDirect.PositionCount());
    for (size_t i = 0; i < added; ++i)
        ASSERT_EQ(Seen(itsBulk, plies[i].first), Seen(itsDirect, plies[i].first));
    itsBulk.Close();
    TBookVerifyReport report = VerifyBook(itsFolder / "Bulk");
    EXPECT_TRUE(report.Sound()) << (report.itsFaults.empty() ? "" : report.itsFaults[0]);
}

} // namespace
} // namespace marvek::test
