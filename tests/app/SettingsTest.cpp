#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/StringTable.h"
#include "engines/EngineSettings.h"
#include "platform/Errors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

// Every test gets its own home, program folder and settings store.
class SettingsTest : public ::testing::Test {
protected:
    TScratchFolder itsScratch;
    TScopedEnvironment itsHome{"HOME", itsScratch / "home"};
    TScopedEnvironment itsProgram{"MARVEK_HOME", itsScratch / "program"};
    TScopedEnvironment itsConfig{"XDG_CONFIG_HOME", itsScratch / "config"};

    std::string Home() const { return itsScratch / "home/"; }
    std::string Program() const { return itsScratch / "program/"; }
    std::string StorePath() const { return itsScratch / "config/Marvek/Marvek 2000 Vantro/Prefs build30"; }

    void TearDown() override {
        SetLanguageOffset(0);
        FileFaults().Reset();
    }
};

// Reading the record byte by byte, independently of the accessors under test.
int32_t Int32At(const TSettings& s, size_t offset) {
    const auto& b = s.Bytes();
    return static_cast<int32_t>(uint32_t(b[offset]) | uint32_t(b[offset + 1]) << 8 |
                                uint32_t(b[offset + 2]) << 16 | uint32_t(b[offset + 3]) << 24);
}

std::string TextAt(const TSettings& s, size_t offset) {
    const auto& b = s.Bytes();
    return std::string(reinterpret_cast<const char*>(&b[offset + 1]), b[offset]);
}

std::string Stored(const TSettings& s) {
    return std::string(reinterpret_cast<const char*>(s.Bytes().data()), TSettings::kSize);
}

struct TByteField {
    size_t itsOffset;
    int itsFactory;
    int itsInitial;
};

struct TIntField {
    size_t itsOffset;
    int32_t itsFactory;
    int32_t itsInitial;
};

struct TTextField {
    size_t itsOffset;
    std::string itsFactory;
    std::string itsInitial;
};

// A spread of fields over the whole record: booleans, bytes, letters, numbers, texts, reserved
// values, the training blocks and the engine command lists.
const TByteField kBytes[] = {
    {23, 26, 26},
    {24, 0, 0},
    {25, 0, 0},
    {32, 2, 1},
    {104, 1, 1},
    {105, 1, 1},
    {106, 0, 0},
    {110, 1, 1},
    {111, 0, 0},
    {115, 1, 1},
    {518, 0, 0},
    {725, 1, 1},
    {1004, 0, 0},
    {1620, 1, 1},
    {1625, 1, 1},
    {1628, 0, 0},
    {2044, 2, 2},
    {2045, 1, 1},
    {2046, 2, 2},
    {2047, 1, 1},
    {2072, 1, 1},
    {2325, 1, 1},
    {2326, 1, 1},
    {2327, 1, 1},
    {2336, 1, 1},
    {2344, 0, 0},
    {2345, 5, 6},
    {2346, 1, 1},
    {2348, 0, 0},
    {2350, 190, 190},
    {2351, 189, 189},
    {2352, 188, 188},
    {2353, 186, 186},
    {2354, 187, 187},
    {2355, 185, 185},
    {2356, 'K', 'K'},
    {2357, 'Q', 'Q'},
    {2358, 'R', 'R'},
    {2359, 'B', 'B'},
    {2360, 'N', 'N'},
    {2361, 'P', 'P'},
    {2362, 'W', 'W'},
    {2363, 'B', 'B'},
    {2368, 0, 0},
    {2369, 0, 0},
    {2370, 1, 1},
    {2372, 2, 2},
    // training mode 0
    {2373, 1, 1},
    {2374, 0, 0},
    {2375, 0, 0},
    {2376, 1, 1},
    {2377, 1, 1},
    {2378, 1, 1},
    {2379, 0, 0},
    // training modes 1 and 2
    {2380, 1, 1},
    {2381, 0, 0},
    {2385, 1, 1},
    {2386, 1, 1},
    {2387, 0, 0},
    {2396, 1, 1},
    {2398, 0, 0},
    {2401, 1, 1},
    {2403, 0, 0},
    {2604, 8, 8},
    {3090, 0, 0},
    {3091, 0, 0},
    {3092, 1, 1},
    {6415, 0, 0},
    {6416, 0, 0},
    {6509, 0, 0},
    {6620, 0, 0},
    {6641, 0, 0},
    {6642, 1, 1},
    {6643, 0, 0},
    {6724, 1, 1},
    {6794, 1, 1},
    {6840, 1, 1},
    {6968, 1, 1},
    {6976, 2, 2},
    {7024, 1, 1},
};

const TIntField kInts[] = {
    {28, 0, 0},
    {2040, 1, 1},
    {2048, 1, 1},
    {2052, 250, 250},
    {2060, 2, 2},
    {2068, 2, 2},
    {2320, 500, 500},
    {2332, 500, 500},
    {2340, 1, 1},
    {2364, 900, 900},
    {2388, 3, 3},
    {2392, 3, 3},
    {2404, 3, 3},
    {2408, 3, 3},
    {2468, 12, 12},
    {2532, 20, 20},
    {2596, 20, 20},
    {2672, 12, 32},
    {2680, 0x0080FFFF, 0x0080FFFF},
    {2684, 0x00008000, 0x00008000},
    {6420, 1000000, 100000},
    {6432, 133, 133},
    {6436, 67, 67},
    {6440, 34, 34},
    {6448, 371, 371},
    {6460, 176, 176},
    {6464, 391, 391},
    {6476, 174, 174},
    {6480, 307, 307},
    {6504, 139, 139},
    {6512, 3, 3},
    {6524, 473, 473},
    {6528, 423, 423},
    {6532, 144, 144},
    {6548, 611, 611},
    {6556, 0, 0},
    {6580, 0, 0},
    {6600, 404, 404},
    {6616, 60, 60},
    {6624, 39, 60},
    {6628, 474, 385},
    {6636, 174, 174},
    {6836, 1, 1},
    {6844, 9999, 9999},
    {6872, -50, -50},
    {6904, -9999, -9999},
    {6920, -100, -100},
    {6964, 1, 1},
    {7020, 1, 1},
    {7028, 100, 100},
    {7032, 0x0F0F0F0F, 0x0F0F0F0F},
};

std::vector<TTextField> Texts(const std::string& home, const std::string& program) {
    const std::string files = home + "Marvek Files/";
    return {
        {33, "", "Marvek Files/Books/"},
        {116, "", ""},
        {317, files + "Text/EXPORT.TXT", "Marvek Files/Text/EXPORT.TXT"},
        {519, "TXT", "TXT"},
        {523, files + "Games/EXPORT.PGN", "Marvek Files/Games/EXPORT.PGN"},
        {726, "", ""},
        {1015, files + "Games/", program + "Games/"},
        {1417, files + "EPD/POSITION.EPD", "Marvek Files/EPD/POSITION.EPD"},
        {2416, "Times New Roman", "Times New Roman"},
        {2480, "Times New Roman", "Times New Roman"},
        {2544, "Chess Merida", "Chess Merida"},
        {2620, "Times New Roman", "Times New Roman"},
        {2688, DefaultWinboardEngine(), DefaultWinboardEngine()},
        {2889, DefaultUciEngine(), DefaultUciEngine()},
        // Winboard start-up commands: four lines, then empty ones up to the twentieth.
        {3093, "xboard", "xboard"},
        {3093 + 81, "new", "new"},
        {3093 + 2 * 81, "noise 25000", "noise 25000"},
        {3093 + 3 * 81, "log off", "log off"},
        {3093 + 4 * 81, "", ""},
        {3093 + 19 * 81, "", ""},
        // UCI start-up commands: one line.
        {4713, "uci", "uci"},
        {4713 + 81, "", ""},
        {4713 + 19 * 81, "", ""},
        {6333, "Crafty", "Crafty"},
        {6374, "Ruffian", "Ruffian"},
        {6786, "FX", "FX"},
        {6795, "Puzzle", "Puzzle"},
        {6924, "Novelty", "Novelty"},
        {6980, "Leaf Node", "Leaf Node"},
    };
}

void ExpectValues(const TSettings& s, bool factory, const std::vector<TTextField>& texts) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Bytes().data()), 23), "Marvek Preferences File");
    for (const TByteField& f : kBytes)
        EXPECT_EQ(s.Bytes()[f.itsOffset], factory ? f.itsFactory : f.itsInitial) << "byte at " << f.itsOffset;
    for (const TIntField& f : kInts)
        EXPECT_EQ(Int32At(s, f.itsOffset), factory ? f.itsFactory : f.itsInitial)
            << "int32 at " << f.itsOffset;
    EXPECT_EQ(s.Bytes()[6444], 0);
    EXPECT_EQ(s.Bytes()[6445], 0);
    for (const TTextField& f : texts)
        EXPECT_EQ(TextAt(s, f.itsOffset), factory ? f.itsFactory : f.itsInitial) << "text at " << f.itsOffset;
}

TEST_F(SettingsTest, InitialValuesAtTheByteLevel) {
    TSettings settings;
    ExpectValues(settings, false, Texts(Home(), Program()));
    // Bytes no field covers start as zero.
    for (size_t offset : {26u, 27u, 2115u, 2154u, 6726u, 6785u})
        EXPECT_EQ(settings.Bytes()[offset], 0) << offset;
    EXPECT_TRUE(settings.IsValid());
}

TEST_F(SettingsTest, FactoryValuesAtTheByteLevelLeaveUncoveredBytesAlone) {
    TSettings settings;
    settings.Bytes().fill(0xA5);
    settings.FactorySettings();
    ExpectValues(settings, true, Texts(Home(), Program()));
    for (size_t offset : {26u, 27u, 2115u, 2154u, 6726u, 6785u})
        EXPECT_EQ(settings.Bytes()[offset], 0xA5) << offset;
    EXPECT_TRUE(settings.IsValid());
}

TEST_F(SettingsTest, EngineDefaultsAreTheInstalledEngines) {
    TSettings settings;
    settings.FactorySettings();
    EXPECT_EQ(settings.WinboardEnginePath(), FindInstalledEngine("fairymax"));
    EXPECT_EQ(settings.UciEnginePath(), FindInstalledEngine("stockfish"));
}

// The accessors write where the layout says, little-endian.
TEST_F(SettingsTest, AccessorsWriteTheirOffsets) {
    struct TCase {
        const char* itsName;
        void (*itsSet)(TSettings&);
        size_t itsOffset;
        std::vector<uint8_t> itsBytes;
    };
    const TCase cases[] = {
        {"BooksFolder", [](TSettings& s) { s.SetBooksFolder("ab"); }, 33, {2, 'a', 'b', 0}},
        {"DatabaseSafety", [](TSettings& s) { s.SetDatabaseSafety(true); }, 111, {1}},
        {"TextExportExtension",
         [](TSettings& s) { s.SetTextExportExtension("PGNX"); },
         519,
         {3, 'P', 'G', 'N'}},
        {"GamesFolder", [](TSettings& s) { s.SetGamesFolder("/g/"); }, 1015, {3, '/', 'g', '/'}},
        {"KnightLetter", [](TSettings& s) { s.SetKnightLetter('S'); }, 2360, {'S'}},
        {"SlidingPieceSpeed", [](TSettings& s) { s.SetSlidingPieceSpeed(0x01020304); }, 2364, {4, 3, 2, 1}},
        {"TrainingComputerPlays(1)", [](TSettings& s) { s.SetTrainingComputerPlays(1, 3); }, 2380, {3}},
        {"TrainingFirstTimeCredit(2)",
         [](TSettings& s) { s.SetTrainingFirstTimeCredit(2, 9); },
         2408,
         {9, 0, 0, 0}},
        {"UciStartupCommand(19)",
         [](TSettings& s) { s.SetUciStartupCommand(19, "go"); },
         4713 + 19 * 81,
         {2, 'g', 'o'}},
        {"LanguageOffset", [](TSettings& s) { s.SetLanguageOffset(-2); }, 6444, {0xFE, 0xFF}},
        {"GameListColumn(6)",
         [](TSettings& s) { s.SetGameListColumn(6, -1); },
         6580,
         {0xFF, 0xFF, 0xFF, 0xFF}},
        {"CommentWindowHeight",
         [](TSettings& s) { s.SetCommentWindowHeight(300); },
         6636,
         {0x2C, 0x01, 0, 0}},
        {"PgnImportDoNotOverwriteNames",
         [](TSettings& s) { s.SetPgnImportDoNotOverwriteNames(false); },
         6840,
         {0}},
    };
    for (const TCase& c : cases) {
        TSettings settings;
        c.itsSet(settings);
        for (size_t i = 0; i < c.itsBytes.size(); ++i)
            EXPECT_EQ(settings.Bytes()[c.itsOffset + i], c.itsBytes[i]) << c.itsName << " byte " << i;
    }
    TSettings settings;
    settings.SetLanguageOffset(-2);
    EXPECT_EQ(settings.LanguageOffset(), -2);
    settings.SetTrainingInARowToComplete(1, 42);
    EXPECT_EQ(settings.TrainingInARowToComplete(1), 42);
}

TEST_F(SettingsTest, TextsAreCutToTheirFieldAndReadSafely) {
    TSettings settings;
    // Cut at 70 bytes, but never inside the two-byte "é" that straddles the limit.
    settings.SetBooksFolder(std::string(69, 'a') + "\xC3\xA9" + "tail");
    EXPECT_EQ(settings.BooksFolder(), std::string(69, 'a'));
    settings.SetBooksFolder("short");
    EXPECT_EQ(settings.Bytes()[33 + 1 + 5], 0); // the rest of the field is cleared
    // A damaged length byte reads as the field's maximum.
    settings.Bytes()[519] = 200;
    EXPECT_EQ(settings.TextExportExtension().size(), 3u);
}

TEST_F(SettingsTest, CompletionFieldsDoNotExistInTheRandomMode) {
    TSettings settings;
    EXPECT_THROW(settings.TrainingInARowToComplete(0), EInternalError);
    EXPECT_THROW(settings.SetTrainingShowCompleteMessage(0, true), EInternalError);
    EXPECT_THROW(settings.TrainingComputerPlays(3), EInternalError);
}

// The named fields tile the record without overlapping and with unique names.
TEST_F(SettingsTest, NamedFieldsDoNotOverlap) {
    const auto& fields = SettingFields();
    ASSERT_FALSE(fields.empty());
    size_t end = 24;
    for (const TSettingField& field : fields) {
        EXPECT_GE(field.itsOffset, end) << field.itsName;
        size_t size = field.itsKind == TSettingKind::kText    ? field.itsMaxLength + 1
                      : field.itsKind == TSettingKind::kInt32 ? 4
                      : field.itsKind == TSettingKind::kInt16 ? 2
                                                              : 1;
        end = field.itsOffset + size;
        EXPECT_EQ(FindSettingField(field.itsName), &field) << field.itsName;
    }
    EXPECT_LE(end, TSettings::kEndMarkerOffset);
    EXPECT_NE(FindSettingField("winboardstartupcommand20"), nullptr);
    EXPECT_NE(FindSettingField("TrainingFirstTimeCredit2"), nullptr);
    EXPECT_EQ(FindSettingField("TrainingFirstTimeCredit0"), nullptr);
}

TEST_F(SettingsTest, FirstStartUsesFactoryValuesAndShutdownWritesAFullRecord) {
    SetLanguageOffset(7);
    TSettings settings;
    LoadPreferences(settings);
    EXPECT_EQ(LanguageOffset(), 0);
    EXPECT_TRUE(settings.IsValid());
    EXPECT_EQ(settings.SquareSize(), 2); // a factory value, not the initial 1
    EXPECT_EQ(settings.BooksFolder(), "");

    SavePreferences(settings);
    std::string stored;
    ASSERT_EQ(ReadFileBytes(StorePath(), &stored), 0);
    EXPECT_EQ(stored, Stored(settings));
}

TEST_F(SettingsTest, InvalidRecordsAreReplacedByFactoryValues) {
    TSettings good;
    good.FactorySettings();
    good.SetSquareSize(3);
    std::string valid = Stored(good);

    struct TCase {
        const char* itsName;
        std::string itsStored;
    };
    std::string wrongMarker = valid;
    wrongMarker[7035] = 0x0E;
    const TCase cases[] = {
        {"wrong end marker", wrongMarker},
        {"too short", valid.substr(0, 100)},
        {"empty", ""},
        {"another layout", std::string(5000, '\x0F')},
    };
    for (const TCase& c : cases) {
        ASSERT_EQ(CreateFolder(itsScratch / "config/Marvek/Marvek 2000 Vantro"), 0);
        WriteWholeFile(StorePath(), c.itsStored);
        SetLanguageOffset(12);
        TSettings settings;
        settings.SetSquareSize(9);
        LoadPreferences(settings);
        EXPECT_TRUE(settings.IsValid()) << c.itsName;
        EXPECT_EQ(settings.SquareSize(), 2) << c.itsName;
        EXPECT_EQ(LanguageOffset(), 0) << c.itsName;
    }
}

TEST_F(SettingsTest, SaveAndLoadRoundTripKeepsUnknownBytes) {
    TSettings settings;
    settings.FactorySettings();
    settings.SetKingLetter('D');
    settings.SetBooksFolder("/books/");
    settings.SetLanguageOffset(3);
    settings.SetWinboardStartupCommand(5, "st 10");
    settings.Bytes()[26] = 0x11; // bytes no field covers travel as they are
    settings.Bytes()[6750] = 0x22;
    SavePreferences(settings);

    TSettings loaded;
    LoadPreferences(loaded);
    EXPECT_EQ(Stored(loaded), Stored(settings));
    EXPECT_EQ(loaded.KingLetter(), 'D');
    EXPECT_EQ(loaded.WinboardStartupCommand(5), "st 10");
    EXPECT_EQ(loaded.Bytes()[6750], 0x22);

    // A longer value is read only as far as the record goes.
    WriteWholeFile(StorePath(), Stored(settings) + "trailing bytes");
    TSettings longer;
    LoadPreferences(longer);
    EXPECT_EQ(Stored(longer), Stored(settings));
}

TEST_F(SettingsTest, SavingAnInvalidRecordWritesFactoryValues) {
    TSettings settings;
    settings.SetSquareSize(7);
    settings.SetInt32(TSettings::kEndMarkerOffset, 0);
    SavePreferences(settings);
    TSettings loaded;
    LoadPreferences(loaded);
    EXPECT_EQ(loaded.SquareSize(), 2);
}

TEST_F(SettingsTest, AFailedSaveLeavesThePreviousRecord) {
    TSettings first;
    first.FactorySettings();
    first.SetSquareSize(3);
    SavePreferences(first);

    TSettings second = first;
    second.SetSquareSize(4);
    for (int which = 0; which < 2; ++which) {
        FileFaults().Reset();
        if (which == 0) FileFaults().itsFailWriteAt = 1;
        if (which == 1) FileFaults().itsFailRenameAt = 1;
        EXPECT_THROW(SavePreferences(second), EMarvekError);
        TSettings loaded;
        LoadPreferences(loaded);
        EXPECT_EQ(loaded.SquareSize(), 3) << which;
    }
    // Nothing but the record is left in the store's folder.
    EXPECT_EQ(MatchingFiles(StorePath()), std::vector<std::string>{StorePath()});
}

TEST_F(SettingsTest, AStoreThatCannotBeUsedGivesAClearMessage) {
    // The store's path is a folder, so it can be neither read nor replaced.
    ASSERT_EQ(CreateFolder(StorePath()), 0);
    TSettings settings;
    try {
        LoadPreferences(settings);
        FAIL() << "no error";
    } catch (const EMarvekError& e) {
        EXPECT_NE(std::string(e.what()).find("Prefs build30"), std::string::npos) << e.what();
    }
    EXPECT_THROW(SavePreferences(settings), EMarvekError);
}

TEST_F(SettingsTest, EmptyFoldersAreFilledAtStart) {
    struct TCase {
        const char* itsName;
        std::string itsBooks;
        std::string itsGames;
        const char* itsDataFolder; // nullptr: no installer value
        std::string itsExpectedBooks;
        std::string itsExpectedGames;
    };
    const std::string home = Home();
    const TCase cases[] = {
        {"defaults", "", "", nullptr, home + "Marvek Files/Books/", home + "Marvek Files/Games/"},
        {"installer folder", "", "/old/", "/data\n", "/data/Books/", "/data/Games/"},
        {"installer folder with slash", "", "", "/data/", "/data/Books/", "/data/Games/"},
        {"empty installer value", "", "/g/", "", home + "Marvek Files/Books/", "/g/"},
        {"books already set", "/b/", "", "/data", "/b/", home + "Marvek Files/Games/"},
    };
    for (const TCase& c : cases) {
        std::string installer = itsScratch / "config/Marvek/Marvek 2000 Vantro/Installer Settings/";
        RemoveFile(installer + "DataFolder");
        if (c.itsDataFolder != nullptr) {
            ASSERT_EQ(CreateFolder(installer), 0);
            WriteWholeFile(installer + "DataFolder", c.itsDataFolder);
        }
        TSettings settings;
        settings.SetBooksFolder(c.itsBooks);
        settings.SetGamesFolder(c.itsGames);
        CompleteFolders(settings);
        EXPECT_EQ(settings.BooksFolder(), c.itsExpectedBooks) << c.itsName;
        EXPECT_EQ(settings.GamesFolder(), c.itsExpectedGames) << c.itsName;
    }
}

TEST_F(SettingsTest, StartUpTakesTheLanguageOffsetFromTheRecord) {
    TSettings stored;
    stored.FactorySettings();
    stored.SetLanguageOffset(1000);
    SavePreferences(stored);
    LoadSettingsAtStart();
    EXPECT_EQ(LanguageOffset(), 1000);
    EXPECT_EQ(Settings().BooksFolder(), Home() + "Marvek Files/Books/");
}

} // namespace
} // namespace marvek
