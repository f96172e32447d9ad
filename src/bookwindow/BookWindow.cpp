// The book window's hold on its book and its current position: opening and closing the book and
// its training counts, the saved line, loading, redrawing and saving the current record, the
// delayed refresh with the past-moves grid, activation and the preferences.
#include "bookwindow/BookWindow.h"

#include "app/Settings.h"
#include "app/UserInterface.h"
#include "book/Book2.h"
#include "book/BookTrainingDatabase.h"
#include "book/RichTextBuffer.h"
#include "platform/Errors.h"
#include "platform/File.h"

#include <algorithm>
#include <filesystem>

namespace marvek {

namespace {

// The window's stand-in view until the form gives its own.
TBookWindowView& NullView() {
    static TBookWindowView view;
    return view;
}

// Kings of each side on a board, and whether every square holds a piece code and no pawn stands
// on the first or last rank.
bool CheckPosition(const TPackedPosition& position, int& whiteKings, int& blackKings) {
    bool plausible = true;
    whiteKings = blackKings = 0;
    for (int rank = 0; rank < 8; ++rank)
        for (int file = 0; file < 8; ++file) {
            const int piece = position.Piece(MakeSquare(file, rank));
            if (piece > kBlackKing) plausible = false;
            if (PieceKind(piece) == kWhitePawn && (rank == 0 || rank == 7)) plausible = false;
            whiteKings += piece == kWhiteKing;
            blackKings += piece == kBlackKing;
        }
    return plausible && whiteKings == 1 && blackKings == 1;
}

void SetParserLetters(TChessParser& parser) {
    const TSettings& settings = Settings();
    parser.SetPieceLetters(settings.KingLetter(), settings.QueenLetter(), settings.RookLetter(),
                           settings.BishopLetter(), settings.KnightLetter());
}

} // namespace

TBookWindow::TBookWindow() : itsOwnComment(std::make_unique<TRichTextBuffer>()) {
    itsComment = itsOwnComment.get();
    SetParserLetters(itsParser);
    itsLineBoards[0] = StartPosition();
    itsParser.LoadPosition(itsLineBoards[0]);
    PresetRecord(itsLineBoards[0]);
}

TBookWindow::~TBookWindow() {
    try {
        CloseBook();
    } catch (...) {
        // Closing shows what went wrong; a destructor goes on regardless.
    }
}

void TBookWindow::SetView(TBookWindowView* view) {
    itsView = view;
}

void TBookWindow::SetCommentBuffer(TCommentBuffer* comment) {
    itsComment = comment != nullptr ? comment : itsOwnComment.get();
}

TBookWindowView& TBookWindow::View() {
    return itsView != nullptr ? *itsView : NullView();
}

void TBookWindow::Tell(const std::string& text) {
    UserInterface().ShowInformationBox("", text, 0);
}

std::string TBookWindow::CaptionFor(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// ---- The book

void TBookWindow::OpenBook(const std::string& path, bool isNew, bool safety, bool readOnly, bool rebuild) {
    CloseBook();
    try {
        itsBook = std::make_unique<TBook2>();
        if (isNew) {
            // The line saved with an earlier book of this name would be walked in the new one.
            RemoveFile(LineMovesFile(path));
            RemoveFile(LineStartFile(path));
            // Create has shown what went wrong; this tells the frame the window holds no book.
            if (!itsBook->Create(path))
                throw EDatabaseProblem("The book \"" + path + "\" could not be created.");
            // A failure here is shown; opening the counts below makes the files afresh.
            TBookTrainingDatabase().CreateTrainingFiles(path);
        }
        itsBook->Open(path, readOnly, safety, rebuild, rebuild);
        if (!readOnly) {
            itsTraining = std::make_unique<TBookTrainingDatabase>();
            itsTraining->OpenTrainingFiles(path, false);
        }
        itsBookName = path;
        try {
            RestoreLine();
        } catch (const EDatabaseProblem&) {
            throw;
        } catch (...) {
            // A damaged saved line only costs the line.
            itsPlyCount = 0;
            itsLineBoards[0] = StartPosition();
            itsParser.LoadPosition(itsLineBoards[0]);
            PresetRecord(itsLineBoards[0]);
        }
        LoadCurrentPosition();
        RefreshPosition();
        DrawBoard();
        if (isNew) {
            // A new book holds its start position from the first moment.
            itsRecordDirty = true;
            SaveCurrentRecord();
        }
    } catch (...) {
        itsRecordDirty = false;
        CloseBook();
        throw;
    }
}

void TBookWindow::CloseBook() {
    View().StopDelayedRefresh();
    if (BookOpen()) {
        try {
            SaveCurrentRecord();
            if (!ReadOnly()) SaveLine();
        } catch (...) {
            // The window closes whatever the last save said.
        }
    }
    itsRecordDirty = false;
    if (itsTraining != nullptr) itsTraining->CloseTrainingFiles();
    itsTraining.reset();
    if (itsBook != nullptr) itsBook->Close();
    itsBook.reset();
    itsBookName.clear();
}

bool TBookWindow::BookOpen() const {
    return itsBook != nullptr && itsBook->IsOpen();
}

bool TBookWindow::ReadOnly() const {
    return BookOpen() && itsBook->IsReadOnly();
}

int32_t TBookWindow::PositionCount() {
    return BookOpen() ? itsBook->PositionCount() : 0;
}

// ---- The saved line

void TBookWindow::SaveLine() {
    TFile moves;
    if (moves.Create(LineMovesFile(itsBookName)) == 0) {
        std::vector<std::uint8_t> bytes;
        for (int ply = 1; ply <= itsPlyCount; ++ply) {
            const std::uint32_t code = itsLineMoves[std::size_t(ply)].ToUint32();
            for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(code >> shift));
        }
        moves.WriteAt(0, bytes.data(), bytes.size());
        moves.Close();
    }
    TFile start;
    if (start.Create(LineStartFile(itsBookName)) == 0) {
        start.WriteAt(0, itsLineBoards[0].itsBytes.data(), 34);
        start.Close();
    }
}

void TBookWindow::RestoreLine() {
    TFile start;
    if (start.Open(LineStartFile(itsBookName), TFileMode::kReadOnly) != 0) return;
    TPackedPosition board;
    std::size_t done = 0;
    if (start.ReadAt(0, board.itsBytes.data(), 34, &done) != 0 || done < 34) return;
    start.Close();
    int whiteKings = 0, blackKings = 0;
    if (!CheckPosition(board, whiteKings, blackKings)) {
        Tell("Corrupt position");
        // A board without its kings cannot even be looked up; the line then starts afresh.
        if (whiteKings == 0 || blackKings == 0) return;
    }
    SetLineStart(board);

    std::vector<std::uint8_t> bytes(std::size_t(kMaxPlies) * 4);
    TFile moves;
    done = 0;
    if (moves.Open(LineMovesFile(itsBookName), TFileMode::kReadOnly) == 0)
        moves.ReadAt(0, bytes.data(), bytes.size(), &done);
    moves.Close();
    for (std::size_t at = 0; at + 4 <= done; at += 4) {
        if (itsCurrentRecord.CandidateCount() == 0) break;
        const TPackedMove saved =
            TPackedMove::FromUint32(std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
                                    std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24);
        const int index = itsCurrentRecord.FindCandidate(saved);
        if (index < 0) break;
        const TCandidate& candidate = itsCurrentRecord.Candidate(index);
        itsParser.SetMoveText(candidate.itsNotation);
        if (!itsParser.ParseMove()) {
            Tell("ForwardToEndOfGame() was passed an illegal move!");
            break;
        }
        if (!PlayMove(candidate.itsNotation, candidate.itsMove, false)) break;
        LoadCurrentPosition();
    }
}

// ---- The current position

void TBookWindow::PresetRecord(const TPackedPosition& board) {
    itsCurrentRecord.Clear();
    itsCurrentRecord.SetPosition(board);
    itsCurrentRecord.SetAssessment(kNoAssessment);
    itsCurrentRecord.SetInformantRate(kRateNone);
    itsCurrentRecord.SetBacksolvedRate(kRateNone);
    itsCurrentRecord.SetOpeningCode("");
    itsCurrentRecord.SetBacksolvedCount(1);
    itsTargets.clear();
}

void TBookWindow::LoadCurrentPosition() {
    if (!BookOpen()) return;
    itsCurrentRecord.SetPosition(itsParser.CurrentPosition());
    itsBook->FillInEverything(itsCurrentRecord, itsComment);
    itsComment->SetModified(false);
    itsOpeningCodeModified = false;
    BuildAllCandidateTexts();
    SortCandidates();
    ShowCandidateList(itsCurrentRecord.CandidateCount() > 0 ? 0 : -1);
}

void TBookWindow::RefreshPosition() {
    if (!BookOpen()) return;
    View().ShowDiagramMarks(MarksOf(itsCurrentRecord.ScriptList()));
    if (itsHighlightMove.itsFrom != kNoHighlight && itsCurrentRecord.CandidateCount() > 0) {
        const int index = itsCurrentRecord.FindCandidate(itsHighlightMove);
        if (index >= 0) SetHighlightedCandidate(index);
    }
    View().ShowTransposition(itsCurrentRecord.TakeBackCount() >= 2);
    View().ShowSideToMove(itsParser.WhiteToMove() ? Settings().WhiteLetter() : Settings().BlackLetter());
    ShowRates();
    itsGridStale = true;
    if (itsOpeningCodePane != itsCurrentRecord.OpeningCode()) itsOpeningCodeStale = true;
    View().StartDelayedRefresh();
    std::string name;
    itsBook->GetNameForThisBoard(itsParser.CurrentPosition(), name);
    View().ShowPositionName(name);
    View().ClearTrainingLabels();
}

void TBookWindow::ShowRates() {
    const int own = itsCurrentRecord.InformantRate();
    View().ShowRates(own >= 0 && own <= 8 ? own : 9, RateFontCharacter(itsCurrentRecord.BacksolvedRate()),
                     AssessmentText(itsCurrentRecord.Assessment()), itsCurrentRecord.Certainty());
}

std::string TBookWindow::AssessmentText(int assessment) {
    if (assessment == kNoAssessment) return "";
    return (assessment > 0 ? "+" : "") + std::to_string(assessment);
}

void TBookWindow::DrawBoard() {
    View().DrawDiagram(itsParser.CurrentPosition(), MarksOf(itsCurrentRecord.ScriptList()));
}

void TBookWindow::SaveCurrentRecord() {
    if (!BookOpen() || ReadOnly()) return;
    if (itsComment->Modified() || itsOpeningCodeModified) itsRecordDirty = true;
    if (!itsRecordDirty) return;
    if (itsTrainingActive) {
        itsRecordDirty = false;
        return;
    }
    TViewWait wait(View());
    itsCurrentRecord.SetPosition(itsParser.CurrentPosition());
    itsBook->UpdateEverything(itsCurrentRecord, itsComment);
    itsRecordDirty = false;
    itsComment->SetModified(false);
    itsOpeningCodeModified = false;
}

// ---- Ticks, activation and preferences

void TBookWindow::DelayedRefresh() {
    View().StopDelayedRefresh();
    if (!BookOpen()) return;
    if (itsGridStale) {
        ShowGrid();
        itsGridStale = false;
    }
    if (itsOpeningCodeStale) {
        itsOpeningCodePane = itsCurrentRecord.OpeningCode().substr(0, kMaxOpeningCodePane);
        View().ShowOpeningCode(itsOpeningCodePane);
        itsOpeningCodeStale = false;
    }
    if (itsEngines != nullptr && itsEngines->AnyRunning())
        itsEngines->SendPosition(itsParser.CurrentFEN(), itsPlyCount, itsParser.WhiteToMove());
}

void TBookWindow::Activate() {
    if (!BookOpen()) return;
    // Edits not yet written would be lost by the reload.
    SaveCurrentRecord();
    LoadCurrentPosition();
    RefreshPosition();
    DrawBoard();
}

void TBookWindow::Deactivate() {
    SaveCurrentRecord();
}

void TBookWindow::ApplyPreferences() {
    SetParserLetters(itsParser);
    View().PreferencesChanged();
    if (!BookOpen()) return;
    BuildAllCandidateTexts();
    SortCandidates();
    ShowCandidateList(itsHighlighted);
    itsGridStale = true;
    View().StartDelayedRefresh();
}

// ---- The past-moves grid

void TBookWindow::GridCellOfPly(int ply, int& row, int& column) const {
    const int cell = ply - 1 + (itsLineBoards[0].WhiteToMove() ? 0 : 1);
    row = cell / 2;
    column = cell % 2;
}

std::vector<TGridRow> TBookWindow::GridRows() const {
    const bool blackStarts = !itsLineBoards[0].WhiteToMove();
    std::vector<TGridRow> rows(std::size_t(std::max(3, (itsPlyCount + 1) / 2 + 1)));
    if (blackStarts) rows[0][0] = "1. ...";
    for (int ply = 1; ply <= itsPlyCount; ++ply) {
        int row = 0, column = 0;
        GridCellOfPly(ply, row, column);
        if (std::size_t(row) >= rows.size()) rows.resize(std::size_t(row) + 1);
        const std::string& text = itsLineMoveTexts[std::size_t(ply)];
        std::string cell = text.substr(0, text.find(','));
        if (column == 0) cell = std::to_string(blackStarts ? (ply + 2) / 2 : (ply + 1) / 2) + "." + cell;
        rows[std::size_t(row)][std::size_t(column)] = cell;
    }
    return rows;
}

void TBookWindow::ShowGrid() {
    int row = -1, column = 0;
    if (itsPlyCount > 0)
        GridCellOfPly(itsPlyCount, row, column);
    else if (!itsLineBoards[0].WhiteToMove())
        row = 0;
    View().ShowGrid(GridRows(), row, column, std::max(0, row - 2));
}

void TBookWindow::GridClicked(int row, int column) {
    int ply = 2 * row + column - (itsLineBoards[0].WhiteToMove() ? 0 : 1);
    ply = std::max(ply, 0);
    while (itsPlyCount > ply) BackOnePly();
}

} // namespace marvek
