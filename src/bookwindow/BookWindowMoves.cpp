// Moves the user makes in the book window: typed into the move-entry pane, dragged on the board,
// or taken from a running engine. A new move becomes a candidate; the position reached learns the
// move it was reached by.
#include "bookwindow/BookWindow.h"

#include "app/UserInterface.h"
#include "book/Book2.h"
#include "bookwindow/TakeBackEntry.h"
#include "chess/Notation.h"

namespace marvek {

namespace {

// The typed text's evaluation symbol: the first of these that occurs, in this order.
int TypedSymbol(const std::string& text) {
    static constexpr std::pair<const char*, int> kSymbols[] = {
        {"??", kSymbolBlunder}, {"!!", kSymbolExcellent}, {"!?", kSymbolInteresting},
        {"?!", kSymbolDubious}, {"?", kSymbolMistake},    {"!", kSymbolGood}};
    for (const auto& [symbol, code] : kSymbols)
        if (text.find(symbol) != std::string::npos) return code;
    return kSymbolNone;
}

} // namespace

void TBookWindow::RecordArrival() {
    const TTakeBack& entry = itsLineTakeBacks[std::size_t(itsPlyCount)];
    for (int i = 0; i < itsCurrentRecord.TakeBackCount(); ++i)
        if (itsCurrentRecord.TakeBack(i) == entry) return;
    if (itsCurrentRecord.TakeBackCount() >= TPositionRecord::kMaxTakeBacks) return;
    itsCurrentRecord.AddTakeBack(entry);
    itsRecordDirty = true;
}

// Steps 6 to 10 of a typed or board move, the move read and its code known.
void TBookWindow::PlayNewMove(const std::string& moveText, const TPackedMove& code, bool fromBoard) {
    const int index = itsCurrentRecord.FindCandidate(code);
    if (index < 0) {
        if (itsTrainingActive) {
            // Training keeps to the book: what is not a candidate is refused.
            if (fromBoard) View().PutDiagramPieceBack();
            return;
        }
        if (AddCandidate(code, moveText)) itsRecordDirty = true;
    }
    SaveCurrentRecord();
    if (!PlayMove(moveText, code, !fromBoard)) {
        if (fromBoard) View().PutDiagramPieceBack();
        return;
    }
    LoadCurrentPosition();
    RecordArrival();
    RefreshPosition();
    if (fromBoard) DrawBoard();
}

void TBookWindow::EnterTypedMove(const std::string& paneText) {
    if (!BookOpen()) return;
    if (itsPlyCount >= kMaxPlies) {
        Tell("No more moves can be played.");
        return;
    }
    SaveCurrentRecord();
    const std::string text = paneText.substr(0, 40);
    if (text.size() < 2) {
        UserInterface().Beep();
        return;
    }
    const int symbol = TypedSymbol(text);
    // SetMoveText normalises to the parser's notation; a bare coordinate move is written first.
    std::string move = text;
    if (IsCoordinateMove(move)) {
        const std::string written = itsParser.CoordinateToNotation(move);
        if (!written.empty()) move = written;
    }
    itsParser.SetMoveText(move);
    if (!itsParser.ParseMove()) {
        UserInterface().Beep();
        return;
    }
    View().ClearMoveEntry();
    TPackedMove code = itsParser.GetChessMove();
    code.itsSymbol = std::uint8_t(symbol);
    std::string moveText = itsParser.NotationFor(code);
    AppendSymbolText(symbol, moveText);
    PlayNewMove(moveText, code, false);
}

void TBookWindow::BoardMove(const TPackedMove& move) {
    if (!BookOpen()) return;
    if (itsPlyCount >= kMaxPlies) {
        Tell("No more moves can be played.");
        View().PutDiagramPieceBack();
        return;
    }
    std::string moveText = move.itsFrom == move.itsTo ? std::string() : itsParser.NotationFor(move);
    if (moveText.empty()) {
        View().PutDiagramPieceBack();
        return;
    }
    SaveCurrentRecord();
    TPackedMove code = move;
    code.itsSymbol = kSymbolNone;
    moveText += ",";
    PlayNewMove(moveText, code, true);
}

void TBookWindow::PlayEnginesMove() {
    if (itsEngines == nullptr || !itsEngines->AnyRunning()) {
        Tell("No engine is connected.");
        return;
    }
    for (const std::string& best : itsEngines->BestMoves()) EnterTypedMove(best);
}

void TBookWindow::PlayBestLine() {
    if (itsEngines == nullptr || !itsEngines->AnyRunning()) {
        Tell("No engine is connected.");
        return;
    }
    const std::string line = itsEngines->BestLine();
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        const std::string word = line.substr(at, std::min<std::size_t>(end - at, 10));
        if (word.empty()) break;
        EnterTypedMove(word);
        at = end + 1;
    }
}

} // namespace marvek
