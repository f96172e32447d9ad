// The book window's PGN dialogs offscreen: the import's choices reaching the book, Stop between
// games, the clipboard's games, the export dialog and a dropped PGN file.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <gtest/gtest.h>
#include <sstream>

#include "app/ProgressDialog.h"
#include "app/Settings.h"
#include "book/Book2.h"
#include "book/CommentBuffer.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/BookWindowForm.h"
#include "gui/Screenshot.h"
#include "pgn/FENNamingInstructionsDialog.h"
#include "pgn/PGNCommands.h"
#include "pgn/PrePGNExportDialog.h"
#include "pgn/PrePGNImportDialog.h"
#include "platform/FileSystem.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::gui {
namespace {

using testsupport::ReadWholeFile;
using testsupport::SaveScreenshot;
using testsupport::WriteWholeFile;

// The file choice and the dialogs answered from the test, in the order they come.
class TAnsweredPGNCommands : public TPGNCommands {
public:
    using TPGNCommands::TPGNCommands;
    QString itsFile;
    std::deque<std::function<bool(QDialog&)>> itsAnswers;
    QStringList itsDialogs;

protected:
    QString ChooseImportFile(const QString&) override { return itsFile; }
    bool RunDialog(QDialog& dialog) override {
        itsDialogs << dialog.objectName();
        if (itsAnswers.empty()) return false;
        auto answer = itsAnswers.front();
        itsAnswers.pop_front();
        return answer(dialog);
    }
};

class PGNCommandsTest : public ::testing::Test {
protected:
    PGNCommandsTest() : itsSaved(Settings()) {}
    ~PGNCommandsTest() override {
        itsForm.reset();
        itsWindow.reset();
        Settings() = itsSaved;
    }
    void SetUp() override {
        itsWindow = std::make_unique<TBookWindow>();
        itsForm = std::make_unique<TBookWindowForm>(*itsWindow);
        itsWindow->OpenBook(itsFolder / "Book", true, false, false);
        itsCommands = std::make_unique<TAnsweredPGNCommands>(*itsWindow, itsForm.get());
    }
    // The candidates of the position after the moves, with their marks as "g", "y", "r".
    std::vector<std::string> Candidates(const std::string& moves) {
        itsWindow->GoToStartingPosition();
        std::istringstream line(moves);
        std::string move;
        while (line >> move) itsWindow->EnterTypedMove(move);
        std::vector<std::string> out;
        const TPositionRecord& record = itsWindow->CurrentRecord();
        for (int i = 0; i < record.CandidateCount(); ++i) {
            const TCandidate& c = record.Candidate(i);
            out.push_back(c.itsNotation.substr(0, c.itsNotation.find(',')) + (c.itsGreen ? "g" : "") +
                          (c.itsYellow ? "y" : "") + (c.itsRed ? "r" : ""));
        }
        return out;
    }

    testsupport::TScratchFolder itsFolder;
    testsupport::TScopedEnvironment itsHome{"MARVEK_HOME", itsFolder.Path()};
    TStorageSession itsStorage;
    testsupport::TRecordingUserInterface itsUi;
    TSettings itsSaved;
    std::unique_ptr<TBookWindow> itsWindow;
    std::unique_ptr<TBookWindowForm> itsForm;
    std::unique_ptr<TAnsweredPGNCommands> itsCommands;
};

TEST_F(PGNCommandsTest, TheImportDialogsChoicesReachTheBook) {
    const std::string file = itsFolder / "games/puzzles.pgn";
    CreateFolder(itsFolder / "games");
    WriteWholeFile(file,
                   "[White \"Ann\"]\n1. e4 e5 2. Nf3 *\n\n"
                   "[White \"Kim\"]\n[Black \"Lee\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - -\"]\n1. e4 Kd7 *\n\n"
                   "[White \"Bob\"]\n1. d4 d5 *\n");
    itsCommands->itsFile = QString::fromStdString(file);
    itsCommands->itsAnswers.push_back([](QDialog& dialog) {
        auto& pre = dynamic_cast<TPrePGNImportDialog&>(dialog);
        EXPECT_EQ(pre.PliesBox()->value(), Settings().PgnImportPlies());
        pre.PliesBox()->setValue(1);
        pre.HeaderBox()->setChecked(false);
        pre.ColourBox(1)->setChecked(false);
        pre.ColourBox(2)->setChecked(true);
        // Only Ann's and Kim's games: the filter is the dialog's, not the preferences'.
        EXPECT_FALSE(pre.FilterGroup()->button(1)->isEnabled()) << "no name, no colour to choose";
        pre.PlayerEdit()->setText("ann");
        pre.FilterGroup()->button(1)->click();
        SaveScreenshot(pre, "PrePGNImportDialog");
        return true;
    });
    itsCommands->ImportGames();
    EXPECT_EQ(itsCommands->itsDialogs, QStringList{"PrePGNImportDialog"});
    EXPECT_EQ(Candidates(""), std::vector<std::string>{"e4r"});
    EXPECT_EQ(Candidates("e4"), std::vector<std::string>{}) << "one ply per game";
    EXPECT_EQ(Settings().PgnImportPlies(), 1);
    EXPECT_TRUE(Settings().MarkNewCandidatesRed());
    EXPECT_EQ(Settings().GamesFolder(), (itsFolder / "games") + "/");
    EXPECT_EQ(itsUi.Texts().back(), "1 games were imported from \r" + file + " into Book.");

    // No filter now: the FEN game asks how to name its start, once.
    itsCommands->itsAnswers.push_back([](QDialog& dialog) {
        dynamic_cast<TPrePGNImportDialog&>(dialog).PliesBox()->setValue(500);
        return true;
    });
    itsCommands->itsAnswers.push_back([](QDialog& dialog) {
        auto& naming = dynamic_cast<TFENNamingInstructionsDialog&>(dialog);
        naming.StyleGroup()->button(4)->click();
        EXPECT_EQ(naming.Preview(), "Kim-Lee");
        EXPECT_FALSE(naming.PrefixEdit()->isEnabled());
        naming.StyleGroup()->button(1)->click();
        naming.PrefixEdit()->setText("Study");
        naming.NumberBox()->setValue(12);
        EXPECT_EQ(naming.Preview(), "Study-012");
        SaveScreenshot(naming, "FENNamingInstructionsDialog");
        return true;
    });
    itsCommands->ImportFile(QString::fromStdString(file));
    EXPECT_EQ(itsCommands->itsDialogs.last(), "FENNamingInstructionsDialog");
    TPackedPosition named;
    EXPECT_TRUE(itsWindow->Book().GetBoardForThisName("Study-012", named));
    EXPECT_EQ(Settings().PgnImportSequentialName(), "Study");
    EXPECT_EQ(Candidates("e4"), std::vector<std::string>{"e5r"});
    EXPECT_EQ(Candidates(""), (std::vector<std::string>{"e4r", "d4r"}));
}

TEST_F(PGNCommandsTest, CancelImportsNothingAndStopEndsTheImportBetweenGames) {
    const std::string file = itsFolder / "three.pgn";
    WriteWholeFile(file,
                   "[Round \"1\"]\n1. e4 e5 *\n\n[Round \"2\"]\n1. d4 d5 *\n\n[Round \"3\"]\n1. c4 c5 *\n");
    itsCommands->ImportFile(QString::fromStdString(file));
    EXPECT_EQ(Candidates(""), std::vector<std::string>{});

    itsCommands->itsAnswers.push_back([](QDialog&) { return true; });
    // The first event the import lets through presses Stop: the game being read is finished,
    // no further one is begun.
    QTimer::singleShot(0, itsForm.get(), [this] {
        auto* progress = itsForm->findChild<TProgressDialog*>();
        ASSERT_NE(progress, nullptr);
        EXPECT_TRUE(progress->isVisible());
        EXPECT_EQ(progress->windowTitle(), "Import PGN");
        SaveScreenshot(*progress, "PGNImportProgress");
        progress->StopButton()->click();
    });
    itsCommands->ImportFile(QString::fromStdString(file));
    EXPECT_EQ(Candidates(""), std::vector<std::string>{"e4y"});
    EXPECT_EQ(itsUi.Texts().back(), "1 games were imported from \r" + file + " into Book.");
}

TEST_F(PGNCommandsTest, ClipboardGamesAreImportedAndTheWindowFollowsTheLastNewLine) {
    QApplication::clipboard()->clear();
    itsCommands->GrabClipboard();
    EXPECT_TRUE(itsCommands->itsDialogs.isEmpty()) << "no text, no dialog";

    const QString games = "[Round \"1\"]\n1. e4 e5 *\n\n[Round \"2\"]\n1. d4 d5 2. c4 *\n";
    QApplication::clipboard()->setText(games);
    itsCommands->itsAnswers.push_back([](QDialog& dialog) {
        auto& pre = dynamic_cast<TPrePGNClipboardImportDialog&>(dialog);
        EXPECT_EQ(pre.PlayerEdit(), nullptr);
        SaveScreenshot(pre, "PrePGNClipboardImportDialog");
        return true;
    });
    itsCommands->GrabClipboard();
    EXPECT_EQ(itsCommands->itsDialogs, QStringList{"PrePGNClipboardImportDialog"});
    EXPECT_EQ(itsWindow->PlyCount(), 1) << "on the first move new to the book: 1. d4";
    EXPECT_EQ(itsWindow->LineMoveText(1).substr(0, 2), "d4");
    EXPECT_EQ(ReadWholeFile(itsFolder / "CLIPBRD.PGN"), games.toStdString());
}

TEST_F(PGNCommandsTest, TheExportDialogKeepsItsValuesAndWritesTheLine) {
    itsWindow->EnterTypedMove("e4");
    itsWindow->EnterTypedMove("c5");
    const std::string file = itsFolder / "out.pgn";
    Settings().SetPgnExportFile(file);
    Settings().SetPgnExportResult(2);
    itsWindow->Comment().AppendLine("Sicilian, Najdorf");
    itsCommands->itsAnswers.push_back([](QDialog& dialog) {
        auto& pre = dynamic_cast<TPrePGNExportDialog&>(dialog);
        EXPECT_TRUE(
            pre.findChild<QPlainTextEdit*>("CommentView")->toPlainText().contains("Sicilian, Najdorf"));
        EXPECT_EQ(pre.ResultBox()->currentText(), "0-1");
        EXPECT_TRUE(pre.CommentsBox()->isVisibleTo(&pre));
        pre.Field("White")->setText("Me");
        pre.Field("Date")->setText("07/04/1999");
        pre.ResultBox()->setCurrentText("Draw");
        pre.EraseButton()->setChecked(true);
        // Copy from the focused field, Paste into the next one focused.
        pre.show();
        pre.Field("White")->setFocus();
        QApplication::setActiveWindow(&pre);
        pre.CopyField();
        pre.Field("Black")->setFocus();
        pre.PasteField();
        SaveScreenshot(pre, "PrePGNExportDialog");
        return true;
    });
    itsCommands->ExportLine();
    EXPECT_EQ(Settings().PgnExportWhite(), "Me");
    EXPECT_EQ(Settings().PgnExportResult(), 3);
    const std::string text = ReadWholeFile(file);
    EXPECT_NE(text.find("[Date \"1999.07.04\"]"), std::string::npos) << text;
    EXPECT_NE(text.find("[White \"Me\"]\n[Black \"Me\"]"), std::string::npos) << text;
    EXPECT_NE(text.find("\n1. e4 c5 {Sicilian, Najdorf} 1/2-1/2\n"), std::string::npos) << text;

    // The tree below the position shown, with Cancel in place of Stop.
    itsCommands->itsAnswers.push_back([](QDialog& dialog) {
        EXPECT_FALSE(dynamic_cast<TPrePGNExportDialog&>(dialog).CommentsBox()->isVisibleTo(&dialog));
        return true;
    });
    itsWindow->BackOnePly();
    itsCommands->ExportTree();
    EXPECT_NE(ReadWholeFile(file).find("\nc5 {Sicilian, Najdorf} 1/2-1/2\n"), std::string::npos)
        << ReadWholeFile(file);
}

TEST_F(PGNCommandsTest, APgnFileDroppedOnTheWindowGoesToTheImport) {
    struct TCase {
        QList<QUrl> itsUrls;
        QString itsFile;
    } cases[] = {
        {{QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/Games.PGN")}, "/tmp/Games.PGN"},
        {{QUrl::fromLocalFile("/tmp/a.txt")}, ""},
        {{QUrl("https://example.org/a.pgn")}, ""},
    };
    for (const TCase& c : cases) {
        QMimeData data;
        data.setUrls(c.itsUrls);
        EXPECT_EQ(TPGNDropFilter::DroppedPgnFile(&data), c.itsFile);
    }

    auto* filter = itsForm->findChild<TPGNDropFilter*>();
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(itsForm->acceptDrops());
    QString imported;
    filter->itsImport = [&imported](const QString& file) { imported = file; };
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/Games.pgn")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(itsForm.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(itsForm.get(), &drop);
    EXPECT_TRUE(imported.isEmpty()) << "the import waits until the drop is over";
    QCoreApplication::processEvents();
    EXPECT_EQ(imported, "/tmp/Games.pgn");

    // The menu rows, with the import's key.
    ASSERT_NE(itsForm->Action("ImportGamesItem"), nullptr);
    EXPECT_EQ(itsForm->Action("ImportGamesItem")->shortcut(), QKeySequence("Alt+I"));
    EXPECT_EQ(itsForm->Action("GrabPgnFromClipboardItem")->text(), "Grab PG&N from Clipboard...");
}

} // namespace
} // namespace marvek::gui
