// Writing one line as a PGN game: tags, wrapping, comments, a Black start, append and erase.

#include "pgn/LineExporter.h"
#include "app/Settings.h"
#include "pgn/ClipboardWorkFile.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "support/ChessFixtures.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/RunProcess.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace marvek::test {
namespace {

using testsupport::PackedFromFen;
using testsupport::ReadWholeFile;
using testsupport::TRecordingUserInterface;
using testsupport::TScratchFolder;
using TPly = TLineExporter::TPly;

const std::string kTags = "\n[Event \"?\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n"
                          "[White \"?\"]\n[Black \"?\"]\n[Result \"*\"]\n[ECO \"?\"]\n";

class LineExporterTest : public ::testing::Test {
protected:
    void SetUp() override { itsSettings.SetPgnExportErase(true); }

    std::string Export(const std::vector<TPly>& plies, const std::vector<std::string>& startComment = {},
                       const TPackedPosition& start = StartPosition()) {
        TLineExporter exporter(itsSettings);
        EXPECT_TRUE(exporter.Export(File(), start, startComment, plies));
        return ReadWholeFile(File());
    }
    std::string File() const { return itsFolder / "line.pgn"; }

    void ExpectPgnExtractReadsIt() {
        if (!FileExists("/usr/games/pgn-extract")) return;
        auto check = testsupport::RunProgram("/usr/games/pgn-extract", {"-s", "-r", File()});
        EXPECT_EQ(check.itsExitStatus, 0) << check.itsErr;
        EXPECT_EQ(check.itsErr.find("rror"), std::string::npos) << check.itsErr;
    }

    TScratchFolder itsFolder;
    TRecordingUserInterface itsUi;
    TSettings itsSettings;
};

TEST_F(LineExporterTest, ZeroPliesWriteTheTagsTheStartCommentAndTheResult) {
    EXPECT_EQ(Export({}), kTags + "\n*\n\n");
    EXPECT_EQ(Export({}, {"Start {here}"}), kTags + "\n{Start [here]} *\n\n");
    ExpectPgnExtractReadsIt();
}

TEST_F(LineExporterTest, MovesCommentsAndTheSeventyEightColumnRule) {
    std::vector<TPly> plies = {{"e4", {"The king's pawn, {best} by test"}}, {"e5", {}}, {"Nf3", {}}};
    std::string comment(30, 'x');
    plies.push_back({"Nc6", {comment, comment}});
    itsSettings.SetPgnExportResult(1);
    std::string text = Export(plies);
    std::string moves = text.substr(text.find("\n\n", 1) + 2);
    const std::string x30(30, 'x');
    EXPECT_EQ(moves,
              "1. e4 {The king's pawn, [best] by test} e5 2. Nf3 Nc6\n{" + x30 + " " + x30 + "} 1-0\n\n");
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        EXPECT_LE(end - at, TLineExporter::kLineLength) << text;
    ExpectPgnExtractReadsIt();
}

TEST_F(LineExporterTest, ALineStartingWithBlackToMoveIsValidPgnFromItsPosition) {
    const std::string fen = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -";
    std::string text = Export({{"e5", {}}, {"Nf3", {}}}, {}, PackedFromFen(fen));
    EXPECT_NE(text.find("[SetUp \"1\"]\n[FEN \"" + fen + " 1 0\"]\n\n1... e5 2. Nf3 *\n"), std::string::npos)
        << text;
    ExpectPgnExtractReadsIt();
}

TEST_F(LineExporterTest, AppendAddsAGameOnNewLinesAndEraseReplacesTheFile) {
    Export({{"d4", {}}});
    itsSettings.SetPgnExportErase(false);
    itsSettings.SetPgnExportEvent("Second");
    std::string both = Export({{"c4", {}}});
    EXPECT_NE(both.find("1. d4 *\n\n\n[Event \"Second\"]"), std::string::npos) << both;
    ExpectPgnExtractReadsIt();
    itsSettings.SetPgnExportErase(true);
    EXPECT_EQ(Export({{"c4", {}}}).find("d4"), std::string::npos);
}

TEST(LineExporterMove, TheBookWindowsTextBecomesAnEnglishPgnMove) {
    const TPieceLetters german{'K', 'D', 'T', 'L', 'S'};
    EXPECT_EQ(TLineExporter::PgnMove("Sf3, 12 games", german), "Nf3");
    EXPECT_EQ(TLineExporter::PgnMove("e4", german), "e4");
    EXPECT_EQ(TLineExporter::PgnMove("Dxd8+", german), "Qxd8+");
}

// The clipboard's text lands in the program folder's work file, replaced each time.
TEST(ClipboardWorkFile, ReplacesTheWorkFileInTheProgramFolder) {
    TScratchFolder home;
    testsupport::TScopedEnvironment env("MARVEK_HOME", home.Path());
    WriteClipboardWorkFile("first, longer text");
    const std::string path = WriteClipboardWorkFile("1. e4 e5 *\n");
    EXPECT_FALSE(path.empty());
    EXPECT_EQ(ReadWholeFile(home / "CLIPBRD.PGN"), "1. e4 e5 *\n");
}

} // namespace
} // namespace marvek::test
