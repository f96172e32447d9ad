// The game list's 124-byte records and counters, and the game-file list in GAMES.INI.
#include "games/GameList.h"

#include <gtest/gtest.h>

#include "games/GameFileList.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::test {
namespace {

using testsupport::TScratchFolder;

TEST(GameList, RecordsHoldTheirFieldsInTheirPlaces) {
    TScratchFolder folder;
    std::string path = folder / "$SEARCH$.$$$";
    {
        TGameList list;
        ASSERT_TRUE(list.Create(path));
        TGameSummary summary{"0",   "Event", std::string(35, 's'), "Tal", "Smyslov", "19590917", "1",
                             "1-0", "B10"};
        ASSERT_EQ(list.Add(3, 0xFFFFFFF0u, summary), 0);
        summary.itsResult = "1/2-1/2";
        ASSERT_EQ(list.Add(0, 7, summary), 0);
        summary.itsResult = "?";
        ASSERT_EQ(list.Add(0, 8, summary), 0);
        std::vector<uint8_t> bytes = testsupport::ReadWholeFileBytes(path);
        ASSERT_EQ(bytes.size(), 3u * 124);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 9),
                  (std::vector<uint8_t>{3, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF, 30}));
        EXPECT_EQ(bytes[39], 3);
        EXPECT_EQ(std::string(bytes.begin() + 101, bytes.begin() + 106), "\x04"
                                                                         "1959");
        EXPECT_EQ(std::string(bytes.begin() + 112, bytes.begin() + 116), "\x03"
                                                                         "1-0");
        EXPECT_EQ(std::string(bytes.begin() + 120, bytes.begin() + 124), "\x03"
                                                                         "B10");
        TGameListEntry entry;
        ASSERT_TRUE(list.Entry(0, entry));
        EXPECT_EQ(entry.itsOffset, 0xFFFFFFF0u);
        EXPECT_EQ(entry.itsSite, std::string(30, 's'));
        EXPECT_EQ(entry.itsBlack, "Smyslov");
        EXPECT_FALSE(list.Entry(3, entry));
        EXPECT_EQ(list.Statistics(), "1-1-0-1");
        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.Statistics(), "0-0-0");
        EXPECT_EQ(testsupport::FileSizeOf(path), 0);
    }
    EXPECT_FALSE(FileExists(path));
    testsupport::TRecordingUserInterface ui;
    TGameList list;
    EXPECT_FALSE(list.Create(folder / "no/such/folder/$SEARCH$.$$$"));
    EXPECT_EQ(ui.Texts(),
              (std::vector<std::string>{"There was a problem creating the $SEARCH$.$$$ temporary file."}));
}

TEST(GameFileList, ReadUntilTheFirstGapAndWrittenAfresh) {
    TScratchFolder folder;
    std::string ini = folder / "GAMES.INI";
    testsupport::WriteWholeFile(ini, "[GameFiles]\nPGNFile0=/a.pgn\nPGNFileChecked0=1\nPGNFile1=/b.gm2\n"
                                     "PGNFile3=/after-gap.pgn\n[Other]\nKept=yes\n");
    TGameFileList files;
    files.Read(ini);
    ASSERT_EQ(files.Count(), 2u);
    EXPECT_TRUE(files.IsChecked(0));
    EXPECT_FALSE(files.IsChecked(1));
    EXPECT_THROW(files.Name(2), EMarvekError);
    unsigned generation = files.Generation();
    testsupport::TRecordingUserInterface ui;
    EXPECT_FALSE(files.Remove({}));
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"No file is highlighted."}));
    EXPECT_TRUE(files.Remove({0, 0}));
    files.Add("/c.pgn");
    EXPECT_NE(files.Generation(), generation);
    ASSERT_EQ(files.Write(ini), 0);
    TIniFile written(ini);
    EXPECT_EQ(written.ReadSection("GameFiles"),
              (std::vector<std::string>{"PGNFile0", "PGNFileChecked0", "PGNFile1", "PGNFileChecked1"}));
    EXPECT_EQ(written.ReadString("GameFiles", "PGNFile1", ""), "/c.pgn");
    EXPECT_TRUE(written.ReadBool("GameFiles", "PGNFileChecked1", false));
    EXPECT_EQ(written.ReadString("Other", "Kept", ""), "yes");
}

} // namespace
} // namespace marvek::test
