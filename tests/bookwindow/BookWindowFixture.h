// A book window on a book in a scratch folder, with a view that keeps what it was told to show.
#pragma once

#include "app/Settings.h"
#include "book/Book2.h"
#include "bookwindow/BookWindow.h"
#include "storage/StorageSession.h"
#include "support/ChessFixtures.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace marvek::test {

class TRecordingBookView : public TBookWindowView {
public:
    void ShowCandidates(const std::vector<std::string>& texts) override { itsCandidates = texts; }
    void HighlightCandidate(int index) override { itsHighlighted = index; }
    void ShowGrid(const std::vector<TGridRow>& rows, int row, int column, int topRow) override {
        itsGrid = rows;
        itsGridRow = row;
        itsGridColumn = column;
        itsGridTop = topRow;
    }
    void ShowTransposition(bool on) override { itsTransposition = on; }
    void ShowSideToMove(char letter) override { itsSideToMove = letter; }
    void ShowRates(int own, char backsolved, const std::string& assessment, int certainty) override {
        itsOwnRate = own;
        itsBacksolved = backsolved;
        itsAssessment = assessment;
        itsCertainty = certainty;
    }
    void ShowOpeningCode(const std::string& code) override { itsOpeningCode = code; }
    void DrawDiagram(const TPackedPosition& position, const TSquareMarks& marks) override {
        itsDiagram = position;
        itsMarks = marks;
        ++itsDraws;
    }
    void ShowDiagramMarks(const TSquareMarks& marks) override { itsMarks = marks; }
    void PutDiagramPieceBack() override { ++itsPutBacks; }
    void StartDelayedRefresh() override { itsTimerRunning = true; }
    void StopDelayedRefresh() override { itsTimerRunning = false; }

    std::vector<std::string> itsCandidates;
    int itsHighlighted = -1;
    std::vector<TGridRow> itsGrid;
    int itsGridRow = -1, itsGridColumn = -1, itsGridTop = -1;
    bool itsTransposition = false;
    char itsSideToMove = 0;
    int itsOwnRate = -1;
    char itsBacksolved = 0;
    std::string itsAssessment;
    int itsCertainty = -1;
    std::string itsOpeningCode;
    TPackedPosition itsDiagram;
    TSquareMarks itsMarks;
    int itsDraws = 0;
    int itsPutBacks = 0;
    bool itsTimerRunning = false;
};

class BookWindowFixture : public ::testing::Test {
protected:
    BookWindowFixture() { itsSaved = Settings(); }
    ~BookWindowFixture() override {
        itsWindow.reset();
        Settings() = itsSaved;
    }
    void SetUp() override { OpenWindow(true, false); }

    std::string Path() const { return itsFolder / "Book"; }
    void OpenWindow(bool isNew, bool readOnly) {
        itsWindow = std::make_unique<TBookWindow>();
        itsWindow->SetView(&itsView);
        itsWindow->OpenBook(Path(), isNew, false, readOnly);
    }
    void Reopen(bool readOnly = false) {
        itsWindow.reset();
        OpenWindow(false, readOnly);
    }
    // Types each move of a line such as "e4 e5 Nf3".
    void Type(const std::string& line) {
        std::istringstream moves(line);
        std::string move;
        while (moves >> move) itsWindow->EnterTypedMove(move);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& shown : itsUi.itsShown) texts.push_back(shown.itsText);
        return texts;
    }
    // The move texts of the candidates, up to the first ",".
    std::vector<std::string> Moves() const {
        std::vector<std::string> moves;
        for (const std::string& text : itsView.itsCandidates) moves.push_back(text.substr(0, text.find(',')));
        return moves;
    }
    TBookWindow& Window() { return *itsWindow; }

    testsupport::TScratchFolder itsFolder;
    TStorageSession itsStorage;
    testsupport::TRecordingUserInterface itsUi;
    TRecordingBookView itsView;
    std::unique_ptr<TBookWindow> itsWindow;
    TSettings itsSaved;
};

} // namespace marvek::test
