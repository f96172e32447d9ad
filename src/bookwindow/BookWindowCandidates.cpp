// The candidate list of the book window: display texts with their target information, sorting by
// rate or numeric assessment, adding, deleting, moving and marking candidates, evaluation symbols,
// the position's own assessments and the engine analysis.
#include "bookwindow/BookWindow.h"

#include "app/Settings.h"
#include "app/UserInterface.h"
#include "book/Book2.h"
#include "book/BookTrainingDatabase.h"
#include "book/RichTextBuffer.h"
#include "chess/Notation.h"
#include "platform/Errors.h"

#include <stdexcept>
#include <utility>

namespace marvek {

namespace {

constexpr std::size_t kMaxDisplayText = 40;

bool OneOf(int value, std::initializer_list<int> values) {
    for (int v : values)
        if (v == value) return true;
    return false;
}

} // namespace

// ---- Display texts

bool TBookWindow::InGame(const TPackedMove& move) {
    if (itsGame == nullptr) return false;
    for (int ply = 1; ply <= itsPlyCount; ++ply)
        if (!itsGame->GameHasMove(ply, itsLineMoves[std::size_t(ply)])) return false;
    return itsGame->GameHasMove(itsPlyCount + 1, move);
}

void TBookWindow::BuildCandidateText(int index) {
    TCandidate& candidate = itsCurrentRecord.Candidate(index);
    TCandidateTarget& target = itsTargets[std::size_t(index)];
    TChessParser scratch;
    scratch.SetPieceLetters(itsParser.PieceLetters());
    scratch.LoadPosition(itsParser.CurrentPosition());
    const std::string notation = scratch.NotationFor(candidate.itsMove);
    if (notation.empty()) throw std::invalid_argument("illegal candidate");
    std::string text = notation;
    AppendSymbolText(candidate.itsMove.itsSymbol, text);

    scratch.SetMoveText(notation);
    scratch.ParseMove();
    scratch.ApplyMove();
    int16_t numeric = kNoAssessment;
    target = TCandidateTarget{};
    const bool present = itsBook->GetPositionCodeForThisBoard(scratch.CurrentPosition(), target.itsRate,
                                                              target.itsReference, target.itsCount, numeric);
    target.itsAssessment = numeric;
    if (!present && !itsBook->IsReadOnly()) {
        Tell("No target position after");
        target.itsRate = itsCurrentRecord.BacksolvedRate();
        target.itsCount = 1;
        target.itsAssessment = kNoAssessment;
    }
    if (itsTraining != nullptr && itsTraining->IsOpen())
        target.itsTraining = itsTraining->SuccessesForBoard(scratch.CurrentPosition());

    text += target.itsRate == kRateNone ? ' ' : RateFontCharacter(target.itsRate);
    if (target.itsCount >= 50000) text += ">";
    text += std::to_string(target.itsCount) + "Z";
    text += target.itsAssessment == kNoAssessment
                ? std::string(" ")
                : (target.itsAssessment >= 0 ? "+" : "") + std::to_string(target.itsAssessment);
    text += "C";
    if (candidate.itsGreen) text += "a";
    if (candidate.itsYellow) text += "b";
    if (candidate.itsRed) text += "c";
    text += ",";
    if (InGame(candidate.itsMove)) text += "G";
    candidate.itsNotation = text.substr(0, kMaxDisplayText);
}

void TBookWindow::BuildAllCandidateTexts() {
    itsTargets.assign(std::size_t(itsCurrentRecord.CandidateCount()), TCandidateTarget{});
    for (int i = 0; i < itsCurrentRecord.CandidateCount();) {
        try {
            BuildCandidateText(i);
            ++i;
        } catch (const EDatabaseProblem& problem) {
            Tell(problem.what());
            while (itsCurrentRecord.CandidateCount() > i) itsCurrentRecord.RemoveCandidate(i);
            itsTargets.resize(std::size_t(i));
        } catch (const std::invalid_argument&) {
            Tell("GBSIFC() has an illegal move!");
            itsCurrentRecord.RemoveCandidate(i);
            itsTargets.erase(itsTargets.begin() + i);
        }
    }
}

std::vector<std::string> TBookWindow::CandidateTexts() const {
    std::vector<std::string> texts;
    for (int i = 0; i < itsCurrentRecord.CandidateCount(); ++i)
        texts.push_back(itsCurrentRecord.Candidate(i).itsNotation);
    return texts;
}

void TBookWindow::ShowCandidateList(int highlight) {
    View().ShowCandidates(CandidateTexts());
    itsHighlighted = -1;
    SetHighlightedCandidate(highlight);
}

void TBookWindow::SetHighlightedCandidate(int index) {
    itsHighlighted = index >= 0 && index < itsCurrentRecord.CandidateCount() ? index : -1;
    View().HighlightCandidate(itsHighlighted);
}

void TBookWindow::CandidateClicked(int index) {
    if (itsTrainingActive) {
        Tell("You cannot use the candidates while training. (That would be cheating!)");
        return;
    }
    SetHighlightedCandidate(index);
    ForwardOnePly();
}

// ---- Sorting

int TBookWindow::BetterRate(int a, int b, bool whiteToMove, bool favorUnclear) {
    if (favorUnclear && ((a == 3 && b == 4) || (a == 4 && b == 3))) return 4;
    if (whiteToMove) {
        if (b == 9) return 9;
        if (b == 10) return OneOf(a, {6, 7, 8}) ? 10 : a;
        if (b >= 0 && b <= 8) return std::min(a, b);
        return a;
    }
    if (b == 3) return OneOf(a, {0, 1, 2, 4, 5}) ? 3 : a;
    if (b == 4) return OneOf(a, {0, 1, 2, 5}) ? 4 : a;
    if (b == 5) return OneOf(a, {0, 1, 2}) ? 5 : a;
    if (b == 9) return 9;
    if (b == 10) return OneOf(a, {0, 1, 2}) ? 10 : a;
    if (OneOf(b, {0, 1, 2, 6, 7, 8})) return std::max(a, b);
    return a;
}

bool TBookWindow::CandidateBetter(int i, int j, int sort, bool whiteToMove, bool favorUnclear) const {
    const TCandidateTarget& a = itsTargets[std::size_t(i)];
    const TCandidateTarget& b = itsTargets[std::size_t(j)];
    if (sort == kSortByAssessment) {
        if (a.itsAssessment == b.itsAssessment) return false;
        return whiteToMove ? a.itsAssessment < b.itsAssessment : b.itsAssessment < a.itsAssessment;
    }
    if (a.itsRate == b.itsRate) return b.itsCount > a.itsCount;
    return BetterRate(a.itsRate, b.itsRate, whiteToMove, favorUnclear) == b.itsRate;
}

void TBookWindow::SwapCandidates(int i, int j) {
    std::swap(itsCurrentRecord.Candidate(i), itsCurrentRecord.Candidate(j));
    std::swap(itsTargets[std::size_t(i)], itsTargets[std::size_t(j)]);
}

void TBookWindow::SortCandidates() {
    const int sort = Settings().SortCandidates();
    const int n = itsCurrentRecord.CandidateCount();
    if (sort == kSortNone || n < 2) return;
    const bool white = itsParser.WhiteToMove();
    const bool favorUnclear = Settings().BacksolveFavorUnclear();
    for (int i = 0; i < n - 1; ++i)
        for (int j = i + 1; j < n; ++j)
            if (CandidateBetter(i, j, sort, white, favorUnclear)) SwapCandidates(i, j);
}

// ---- Candidate edits

bool TBookWindow::AddCandidate(const TPackedMove& code, const std::string& text) {
    SaveCurrentRecord();
    if (itsCurrentRecord.CandidateCount() >= TPositionRecord::kMaxCandidates) {
        Tell("No more candidates can be added.");
        return false;
    }
    TPackedMove move = code;
    if (!itsCurrentRecord.AddCandidate(move)) return false;
    const int index = itsCurrentRecord.CandidateCount() - 1;
    itsCurrentRecord.Candidate(index).SetMarkByte(0);
    itsCurrentRecord.Candidate(index).itsNotation = text;
    itsTargets.resize(std::size_t(itsCurrentRecord.CandidateCount()));

    TChessParser scratch;
    scratch.SetPieceLetters(itsParser.PieceLetters());
    scratch.LoadPosition(itsParser.CurrentPosition());
    scratch.SetMoveText(text);
    if (!scratch.ParseMove()) {
        Tell("AddCandidate() has an illegal move!");
        return false;
    }
    scratch.ApplyMove();
    if (!itsBook->IsInBook(scratch.CurrentPosition())) {
        TPositionRecord target;
        target.SetPosition(scratch.CurrentPosition());
        target.SetInformantRate(itsCurrentRecord.InformantRate());
        target.SetBacksolvedRate(itsCurrentRecord.BacksolvedRate());
        target.SetOpeningCode(itsCurrentRecord.OpeningCode());
        target.SetCertainty(itsCurrentRecord.Certainty());
        target.SetBacksolvedCount(1);
        target.SetAssessment(kNoAssessment);
        if (!itsBook->IsReadOnly()) itsBook->UpdateEverything(target, nullptr);
    }
    try {
        BuildCandidateText(index);
    } catch (const std::invalid_argument&) {
        Tell("AddCandidate() has an illegal move!");
        return false;
    }
    if (Settings().BacksolveAlwaysSolve()) ShowRates();
    View().ShowCandidates(CandidateTexts());
    View().HighlightCandidate(itsHighlighted);
    return true;
}

bool TBookWindow::RequireHighlight() const {
    if (itsHighlighted >= 0 && itsHighlighted < itsCurrentRecord.CandidateCount()) return true;
    Tell("No candidate is highlighted.");
    return false;
}

void TBookWindow::DeleteCandidate() {
    if (!RequireHighlight()) return;
    const int index = itsHighlighted;
    itsCurrentRecord.RemoveCandidate(index);
    itsTargets.erase(itsTargets.begin() + index);
    itsRecordDirty = true;
    const int count = itsCurrentRecord.CandidateCount();
    ShowCandidateList(index < count ? index : count - 1);
    ShowRates();
}

void TBookWindow::MoveCandidateUp() {
    if (!RequireHighlight()) return;
    if (itsHighlighted == 0) {
        Tell("Candidate is already at the top.");
        return;
    }
    const int index = itsHighlighted;
    SwapCandidates(index, index - 1);
    BuildAllCandidateTexts();
    SortCandidates();
    ShowCandidateList(index - 1);
    itsRecordDirty = true;
}

void TBookWindow::MoveCandidateDown() {
    if (!RequireHighlight()) return;
    if (itsHighlighted == itsCurrentRecord.CandidateCount() - 1) {
        Tell("Candidate is already at the bottom.");
        return;
    }
    const int index = itsHighlighted;
    SwapCandidates(index, index + 1);
    BuildAllCandidateTexts();
    SortCandidates();
    ShowCandidateList(index + 1);
    itsRecordDirty = true;
}

void TBookWindow::ToggleCandidateMark(int colour) {
    if (!RequireHighlight()) return;
    const int index = itsHighlighted;
    TCandidate& candidate = itsCurrentRecord.Candidate(index);
    bool& mark = colour == 0 ? candidate.itsGreen : colour == 1 ? candidate.itsYellow : candidate.itsRed;
    mark = !mark;
    BuildAllCandidateTexts();
    SortCandidates();
    ShowCandidateList(index);
    itsRecordDirty = true;
}

void TBookWindow::SetEvaluationSymbol(int symbol) {
    if (ReadOnly()) {
        Tell("This book was opened \"read only.\"");
        return;
    }
    if (!BookOpen()) return;
    itsRecordDirty = true;
    if (itsHighlighted >= 0 && itsHighlighted < itsCurrentRecord.CandidateCount()) {
        const int index = itsHighlighted;
        itsCurrentRecord.Candidate(index).itsMove.itsSymbol = std::uint8_t(symbol);
        BuildCandidateText(index);
        View().ShowCandidates(CandidateTexts());
        SetHighlightedCandidate(index);
        return;
    }
    if (itsPlyCount == 0) return;
    // The symbol belongs to the last move played, stored in the previous position's record.
    SaveCurrentRecord();
    TPositionRecord previous;
    previous.SetPosition(itsLineBoards[std::size_t(itsPlyCount - 1)]);
    TRichTextBuffer comment;
    itsBook->FillInEverything(previous, &comment);
    const int index = previous.FindCandidate(itsLineMoves[std::size_t(itsPlyCount)]);
    if (index >= 0) {
        previous.Candidate(index).itsMove.itsSymbol = std::uint8_t(symbol);
        itsBook->UpdateEverything(previous, comment.HoldsText() ? &comment : nullptr);
    }
    itsLineMoves[std::size_t(itsPlyCount)].itsSymbol = std::uint8_t(symbol);
    TChessParser scratch;
    scratch.SetPieceLetters(itsParser.PieceLetters());
    scratch.LoadPosition(itsLineBoards[std::size_t(itsPlyCount - 1)]);
    std::string text = scratch.NotationFor(itsLineMoves[std::size_t(itsPlyCount)]);
    AppendSymbolText(symbol, text);
    itsLineMoveTexts[std::size_t(itsPlyCount)] = text;
    ShowGrid();
    LoadCurrentPosition();
}

void TBookWindow::SetOwnRate(int item) {
    itsCurrentRecord.SetInformantRate(item);
    ShowRates();
    itsRecordDirty = true;
}

void TBookWindow::ClearBacksolvedRate() {
    itsCurrentRecord.SetBacksolvedRate(kRateNone);
    ShowRates();
    itsRecordDirty = true;
}

void TBookWindow::SetCertainty(int certainty) {
    itsCurrentRecord.SetCertainty(certainty);
    itsRecordDirty = true;
}

void TBookWindow::EditOpeningCode(const std::string& text) {
    itsOpeningCodePane = text.substr(0, kMaxOpeningCodePane);
    itsCurrentRecord.SetOpeningCode(itsOpeningCodePane);
    itsOpeningCodeModified = true;
}

// ---- Engine analysis

namespace {

std::string AnalysisLine(const TEngineAnalysis& analysis, bool withNodes) {
    const std::string score = std::to_string(analysis.itsScore);
    std::string line = "pv " + analysis.itsLine + " " + (score[0] == '-' || score[0] == '+' ? "" : "+") +
                       score + " " + analysis.itsNickname;
    if (withNodes && analysis.itsAppendNodeCount) line += " " + std::to_string(analysis.itsNodes);
    return line;
}

} // namespace

void TBookWindow::GrabEngineAnalysis() {
    if (itsEngines == nullptr || !itsEngines->AnyRunning()) {
        Tell("No engine is connected.");
        return;
    }
    for (const TEngineAnalysis& analysis : itsEngines->Analyses()) {
        if (analysis.itsScore >= -9999 && analysis.itsScore <= 9999) {
            itsCurrentRecord.SetAssessment(analysis.itsScore);
            ShowRates();
        }
        View().InsertCommentParagraph(AnalysisLine(analysis, true));
    }
}

void TBookWindow::CopyEngineAnalysis() {
    if (itsEngines == nullptr || !itsEngines->AnyRunning()) {
        Tell("No engine is connected.");
        return;
    }
    const std::vector<TEngineAnalysis> analyses = itsEngines->Analyses();
    if (!analyses.empty()) View().CopyToClipboard(AnalysisLine(analyses.back(), false));
}

} // namespace marvek
