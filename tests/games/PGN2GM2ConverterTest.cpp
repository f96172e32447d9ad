// Indexing a PGN file: the offsets and keys of its games, progress and Stop, and every refusal.
#include "games/PGN2GM2Converter.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "games/GameFixtures.h"
#include "platform/FileSystem.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::test {
namespace {

using testsupport::TRecordingProgress;
using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;

const std::string kJunk = "Games of the club\n{ a note [with a bracket] }\n";
const std::string kFirst =
    "[Event \"Club\"]\n[White \"Tal, M\"]\n[Black \"Smyslov\"]\n[Date \"1959.??.??\"]\n"
    "[ECO \"B10\"]\n[Result \"1-0\"]\n\n1. e4 {best} c6 (1... e5 2. Nf3) 2. d4 $1 d5 1-0\n\n";
const std::string kSecond = "[White \"t a l,m\"]\n[Black \"Botvinnik\"]\n[Date \"1960.03.15\"]\n\n"
                            "1. d4 Nf6 2. c4 e6 3. Nc3 Bb4 *\n\n";
// No tags the converter keeps, a promotion, and a variation deeper than it reads.
const std::string kThird =
    "[Round \"3\"]\r\n\r\n1. h4 g5 2. hxg5 h6 3. gxh6 Bg7 4. hxg7 Nf6 "
    "(4... a6 (4... a5 (4... b6 (4... b5 (4... c6 (4... c5 (4... d6 (4... Nc6 (4... Na6 "
    "(4... e6 (4... e5 (4... Nh6 (4... Kf8 5. Rh2))))))))))))) 5. gxh8=Q *\n";

class ConverterTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        testsupport::WriteWholeFile(itsFolder / name, text);
        return itsFolder / name;
    }

    TScratchFolder itsFolder;
    TStorageSession itsStorage;
    TRecordingUserInterface itsUi;
};

TEST_F(ConverterTest, EveryGameGetsItsFiveKeysAtItsOffset) {
    std::string pgn = Write("club.pgn", kJunk + kFirst + kSecond + kThird);
    TRecordingProgress progress;
    TConversionResult shown;
    TPGN2GM2Converter converter(&progress, 0);
    converter.SetShowResults([&shown](const TConversionResult& r) { shown = r; });
    TConversionResult result = converter.Convert(pgn);
    EXPECT_TRUE(result.itsRan);
    EXPECT_FALSE(result.itsFailed);
    EXPECT_EQ(result.itsGamesConverted, 3);
    EXPECT_EQ(shown.itsGamesConverted, 3);
    EXPECT_TRUE(itsUi.itsShown.empty());

    const uint32_t first = uint32_t(kJunk.size());
    const uint32_t second = first + uint32_t(kFirst.size());
    const uint32_t third = second + uint32_t(kSecond.size());
    using TEntries = std::vector<std::pair<std::string, uint32_t>>;
    EXPECT_EQ(IndexEntries(pgn, kWhiteKey), (TEntries{{"?", third}, {"TAL,M", first}, {"TAL,M", second}}));
    EXPECT_EQ(IndexEntries(pgn, kBlackKey),
              (TEntries{{"?", third}, {"BOTVINNIK", second}, {"SMYSLOV", first}}));
    EXPECT_EQ(IndexEntries(pgn, kEcoKey), (TEntries{{"???", second}, {"???", third}, {"B10", first}}));
    EXPECT_EQ(IndexEntries(pgn, kDateKey),
              (TEntries{{"1959????", first}, {"19600315", second}, {"????????", third}}));
    auto moves = IndexEntries(pgn, kMovesKey);
    ASSERT_EQ(moves.size(), 3u);
    auto sq = [](int from, int to) { return std::string{char(48 + from), char(48 + to)}; };
    // The variation of the first game leaves its main line alone; the third game's deep
    // variations are passed over and its promotion is recorded.
    EXPECT_EQ(moves[0], (std::pair{sq(13, 33) + sq(76, 55) + sq(12, 32) + sq(64, 54) + sq(1, 22) +
                                       sq(75, 31) + std::string(18, '\0'),
                                   second}));
    EXPECT_EQ(moves[1],
              (std::pair{sq(14, 34) + sq(62, 52) + sq(13, 33) + sq(63, 43) + std::string(22, '\0'), first}));
    EXPECT_EQ(moves[2].first, sq(17, 37) + sq(66, 46) + sq(37, 46) + sq(67, 57) + sq(46, 57) + sq(75, 66) +
                                  sq(57, 66) + sq(76, 55) + sq(66, 77) + "/5" + std::string(10, '\0'));
    EXPECT_EQ(moves[2].second, third);

    EXPECT_EQ(progress.State().Title(), "Converting");
    EXPECT_EQ(progress.State().Texts().at(0), "Importing from... " + pgn);
    EXPECT_EQ(progress.State().Counter("Games Imported:"), 3);
    EXPECT_GE(progress.State().Counter("Lines Read:"), 15);
    EXPECT_EQ(progress.State().Percent(), 100);
    EXPECT_TRUE(progress.itsFinished);
}

TEST_F(ConverterTest, StopEndsBetweenGamesAndKeepsWhatWasIndexed) {
    std::string pgn = Write("club.pgn", kFirst + kSecond + kThird);
    TRecordingProgress progress;
    progress.itsStopAt = 2;
    TPGN2GM2Converter converter(&progress, 0);
    TConversionResult result = converter.Convert(pgn);
    EXPECT_TRUE(result.itsStopped);
    EXPECT_EQ(result.itsGamesConverted, 2);
    EXPECT_EQ(IndexEntries(pgn, kWhiteKey).size(), 2u);
}

TEST_F(ConverterTest, FilesThatCannotBeIndexedAreRefusedWithTheirMessage) {
    std::string empty = Write("empty.pgn", "");
    std::string missing = itsFolder / "missing.pgn";
    // A sparse file of 4 GiB: its offsets would not fit the index.
    std::string huge = itsFolder / "huge.pgn";
    int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, TGameIndex::kMaxGameFileSize), 0);
    ::close(fd);
    std::string locked = Write("locked.pgn", kFirst);

    TPGN2GM2Converter converter(nullptr, 0);
    for (const std::string& file : {empty, missing, huge, locked}) {
        if (file == locked) FreeSpaceSeam().Set(itsFolder.Path(), 0);
        bool shown = false;
        converter.SetShowResults([&shown](const TConversionResult&) { shown = true; });
        TConversionResult result = converter.Convert(file);
        EXPECT_TRUE(result.itsFailed) << file;
        EXPECT_FALSE(shown) << file;
        EXPECT_FALSE(FileExists(TGameIndex::BaseName(file) + ".GMX")) << file;
    }
    FreeSpaceSeam().Reset();
    EXPECT_EQ(itsUi.Texts(), (std::vector<std::string>{
                                 "The PGN file " + empty + " was empty.",
                                 "There was a problem opening the PGN file.",
                                 "The PGN file " + huge +
                                     " is 4 GB or larger.  Game files are indexed only below 4 GB; split the "
                                     "file into smaller ones.",
                                 "The PGN file " + locked + " is locked.",
                             }));
}

TEST_F(ConverterTest, AReadOnlyFileIsMadeWritableAndIndexed) {
    std::string pgn = Write("club.pgn", kFirst);
    ASSERT_EQ(SetReadOnly(pgn), 0);
    TPGN2GM2Converter converter(nullptr, 0);
    EXPECT_TRUE(converter.BuildIndex(pgn));
    EXPECT_FALSE(IsReadOnly(pgn));
    EXPECT_TRUE(TGameIndex::IsIndexed(pgn));
}

TEST_F(ConverterTest, AControlFileThatCannotBeWrittenLeavesTheFileUnindexed) {
    std::string pgn = Write("club.pgn", kFirst);
    // A folder in the control file's place cannot be opened as a file.
    ASSERT_EQ(CreateFolder(itsFolder / "club.2PC/inside"), 0);
    TPGN2GM2Converter converter(nullptr, 0);
    EXPECT_FALSE(converter.BuildIndex(pgn));
    EXPECT_FALSE(TGameIndex::IsIndexed(pgn));
    EXPECT_EQ(itsUi.Texts(), (std::vector<std::string>{"There was a problem opening to the control file " +
                                                       itsFolder / "club.2PC"}));
}

TEST_F(ConverterTest, TheEcoFileOfARealProgramIsIndexedWhole) {
    std::string eco = MARVEK_ECO_PGN;
    if (!FileExists(eco)) GTEST_SKIP() << "no " << eco;
    std::string copy = Write("eco.pgn", testsupport::ReadWholeFile(eco));
    TPGN2GM2Converter converter(nullptr, 0);
    TConversionResult result = converter.Convert(copy);
    EXPECT_EQ(result.itsGamesConverted, 2014);
    auto ecoKeys = IndexEntries(copy, kEcoKey);
    EXPECT_EQ(ecoKeys.size(), 2014u);
    EXPECT_EQ(std::count_if(ecoKeys.begin(), ecoKeys.end(), [](const auto& e) { return e.first == "B90"; }),
              4);
    // Every offset points at the start of its game's first tag line.
    std::string text = testsupport::ReadWholeFile(copy);
    for (const auto& [key, offset] : ecoKeys) ASSERT_EQ(text.compare(offset, 6, "[ECO \""), 0) << offset;
}

} // namespace
} // namespace marvek::test
