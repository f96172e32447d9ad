// The book window's PGN commands: games from the clipboard and the line they leave the window on,
// a file import seen from the window, and the window's line written as a game.
#include "pgn/BookWindowPGN.h"

#include "book/CommentBuffer.h"
#include "bookwindow/BookWindowFixture.h"
#include "pgn/ClipboardWorkFile.h"
#include "platform/FileSystem.h"
#include "support/FileHelpers.h"

namespace marvek::test {
namespace {

using testsupport::PositionAfter;
using testsupport::ReadWholeFile;
using testsupport::TScopedEnvironment;
using testsupport::WriteWholeFile;

class BookWindowPGNTest : public BookWindowFixture {
protected:
    void SetUp() override {
        BookWindowFixture::SetUp();
        Type("e4 e5 Nf3 Nc6");
    }
    TPGNImportOptions Options() const {
        TPGNImportOptions options;
        options.itsHeaderInComment = false;
        return options;
    }
    // The moves of the window's line, as PGN writes them.
    std::string Line() const {
        std::string line;
        for (int ply = 1; ply <= itsWindow->PlyCount(); ++ply) {
            const std::string& text = itsWindow->LineMoveText(ply);
            line += (line.empty() ? "" : " ") + text.substr(0, text.find(','));
        }
        return line;
    }

    testsupport::TScratchFolder itsHome;
    TScopedEnvironment itsHomeVariable{"MARVEK_HOME", itsHome.Path()};
};

// The window follows the last game that brought a move new to the book, up to that move; with no
// new move anywhere it stays on its own line.
TEST_F(BookWindowPGNTest, ClipboardGamesLeaveTheWindowWhereTheLastNewGameLeftTheBook) {
    struct TCase {
        const char* itsGames;
        int itsBackPlies; // taken back before the import
        const char* itsLine;
    } cases[] = {
        {"[White \"A\"]\n1. e4 c5 *\n\n[White \"B\"]\n1. e4 e5 2. Nf3 Nf6 3. Nxe5 *\n", 0, "e4 e5 Nf3 Nf6"},
        {"[White \"A\"]\n1. e4 c5 2. Nf3 *\n\n[White \"B\"]\n1. e4 e5 2. Nf3 Nc6 *\n", 0, "e4 c5 Nf3"},
        {"[White \"A\"]\n1. e4 e5 *\n\n[White \"B\"]\n1. e4 e5 2. Nf3 Nc6 *\n", 2, "e4"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsGames);
        Reopen();
        for (int i = 0; i < c.itsBackPlies; ++i) Window().BackOnePly();
        itsUi.itsShown.clear();
        EXPECT_TRUE(ImportClipboardIntoBookWindow(Window(), c.itsGames, Options(), {}, nullptr));
        EXPECT_EQ(Line(), c.itsLine);
        ASSERT_EQ(Texts().size(), 1u);
        EXPECT_EQ(Texts()[0],
                  "2 games were imported from \r" + itsHome / kClipboardWorkFileName + " into Book.");
        EXPECT_EQ(ReadWholeFile(itsHome / kClipboardWorkFileName), c.itsGames);
    }
    // The new moves are candidates of the positions they were played from.
    EXPECT_EQ(Window().CurrentPosition(), PositionAfter("e4"));
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e5", "c5"}));
}

// Moves copied without their tags are one game; text with a tag line anywhere is kept as it is.
TEST_F(BookWindowPGNTest, ClipboardMovesWithoutTagsAreOneGame) {
    EXPECT_TRUE(ImportClipboardIntoBookWindow(Window(), "Copied from a page:\r\n1. e4 c5 2. Nf3 d6 1-0\r\n",
                                              Options(), {}, nullptr));
    EXPECT_EQ(Line(), "e4 c5");
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "1 games were imported from \r" + itsHome / kClipboardWorkFileName + " into Book.");
    EXPECT_EQ(ReadWholeFile(itsHome / kClipboardWorkFileName),
              "[Event \"?\"]\nCopied from a page:\r\n1. e4 c5 2. Nf3 d6 1-0\r\n");
    EXPECT_EQ(ClipboardPgnText("1. d4 {\n[%clk 0:03]} d5 *"), "1. d4 {\n[%clk 0:03]} d5 *");
}

TEST_F(BookWindowPGNTest, NothingToImportOrAReadOnlyBookChangesNothing) {
    EXPECT_FALSE(ImportClipboardIntoBookWindow(Window(), "", Options(), {}, nullptr));
    EXPECT_TRUE(Texts().empty());
    Reopen(true);
    EXPECT_FALSE(ImportClipboardIntoBookWindow(Window(), "1. d4 *\n", Options(), {}, nullptr));
    EXPECT_EQ(Texts(), std::vector<std::string>{"This book was opened \"read only.\""});
    EXPECT_EQ(Window().PositionCount(), 5);
}

// A file import adds to the position the window shows, which is read again, and the naming
// choices the import made go back to the preferences.
TEST_F(BookWindowPGNTest, AFileImportReloadsThePositionAndKeepsTheNamingChoices) {
    Window().BackToStart();
    const std::string file = itsFolder / "games.pgn";
    WriteWholeFile(file,
                   "[White \"Me\"]\n1. d4 d5 *\n\n[White \"You\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - -\"]\n"
                   "1. e4 *\n\n[White \"me\"]\n1. c4 *\n");
    TBookImportRequest request = TBookImportRequest::FromSettings(file);
    request.itsShownName = "games.pgn";
    request.itsFilter = TPlayerFilter::kWhite;
    request.itsPlayer = "ME";
    request.itsOptions.itsNamingStyle = TNamingStyle::kSequential;
    request.itsOptions.itsSequentialName = "Study";
    request.itsOptions.itsSequentialNumber = 4;
    int asked = 0;
    TPGNImportResult result = ImportIntoBookWindow(Window(), request, nullptr,
                                                   [&asked](const TPGNHeader& header, TPGNImportOptions&) {
                                                       ++asked;
                                                       EXPECT_EQ(header.itsWhite, "You");
                                                       return true;
                                                   });
    // The player filter passes over the FEN game; "me" differs only in case.
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(result.itsGamesFinished, 2);
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "d4", "c4"}));
    EXPECT_EQ(Texts().back(), "2 games were imported from \rgames.pgn into Book.");

    request.itsFilter = TPlayerFilter::kNone;
    ImportIntoBookWindow(Window(), request, nullptr, [&asked](const TPGNHeader&, TPGNImportOptions& options) {
        ++asked;
        options.itsSequentialNumber = 7;
        return true;
    });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Settings().PgnImportSequentialName(), "Study");
    EXPECT_EQ(Settings().PgnImportNextSequentialNumber(), 7);
}

// The line goes out in English letters with the comments of the positions it passes.
TEST_F(BookWindowPGNTest, TheWindowsLineIsWrittenWithItsCommentsInEnglishLetters) {
    Settings().SetKnightLetter('S');
    Window().ApplyPreferences();
    Window().BackToStart();
    for (int ply = 0; ply < 3; ++ply) Window().ForwardOnePly();
    ASSERT_EQ(Window().LineMoveText(3), "Sf3,");
    Window().Comment().AppendLine("Main {line}");
    Window().SetRecordDirty();
    const std::string file = itsFolder / "line.pgn";
    Settings().SetPgnExportFile(file);
    Settings().SetPgnExportErase(true);
    Settings().SetPgnExportComments(true);
    ASSERT_TRUE(ExportBookWindowLine(Window()));
    const std::string text = ReadWholeFile(file);
    EXPECT_NE(text.find("\n1. e4 e5 2. Nf3 {Main [line]} *\n"), std::string::npos) << text;

    ASSERT_TRUE(ExportBookWindowTree(Window(), nullptr));
    EXPECT_NE(ReadWholeFile(file).find("\n{Main [line]} Nc6 *\n"), std::string::npos) << ReadWholeFile(file);
}

} // namespace
} // namespace marvek::test
