// Candidate display texts taken apart for the list's drawing.
#include "bookwindow/CandidateLine.h"

#include <gtest/gtest.h>

namespace marvek {
namespace {

struct TCase {
    const char* itsText;
    const char* itsMove;
    char itsRate;
    const char* itsCount;
    const char* itsAssessment;
    bool itsGreen, itsYellow, itsRed, itsInGame;
};

TEST(CandidateLineTest, TakesEveryPartApart) {
    const TCase cases[] = {
        {"e4,l1Z C,", "e4", 'l', "", "", false, false, false, false},
        {"Nf3!?,i0Z+0C,", "Nf3!?", 'i', "", "+0", false, false, false, false},
        {"d4, 2Z-35Cac,G", "d4", ' ', "2", "-35", true, false, true, true},
        {"O-O-O??,q>51234Z+1200Cabc,G", "O-O-O??", 'q', ">51234", "+1200", true, true, true, true},
        {"exd5,g17Z Cb,", "exd5", 'g', "17", "", false, true, false, false},
        {"c4", "c4", ' ', "", "", false, false, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsText);
        const TCandidateLine line = ParseCandidateLine(c.itsText);
        EXPECT_EQ(line.itsMove, c.itsMove);
        EXPECT_EQ(line.itsRate, c.itsRate);
        EXPECT_EQ(line.itsCount, c.itsCount);
        EXPECT_EQ(line.itsAssessment, c.itsAssessment);
        EXPECT_EQ(line.itsGreen, c.itsGreen);
        EXPECT_EQ(line.itsYellow, c.itsYellow);
        EXPECT_EQ(line.itsRed, c.itsRed);
        EXPECT_EQ(line.itsInGame, c.itsInGame);
    }
}

} // namespace
} // namespace marvek
