#include "pgn/BookToPGNExporter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "app/UserInterface.h"
#include "book/Book2.h"
#include "pgn/PGNExportTags.h"
#include "pgn/PGNHeader.h"
#include "platform/Errors.h"

namespace marvek {

namespace {

constexpr const char* kOpenProblem = "There was a problem opening the export file. (Check the path.)";
constexpr const char* kIllegalMove = "GBSIFC() has an illegal move!";

std::string WithoutSpaces(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out += c;
    return out;
}

// The value of a number written with digits only, or -1.
int DigitsValue(std::string_view text) {
    if (text.empty() || text.size() > 6) return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string_view Part(std::string_view text, std::size_t from, std::size_t count) {
    return from < text.size() ? text.substr(from, count) : std::string_view();
}

std::string TwoDigits(int value) {
    return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

// The NAG of an evaluation-symbol code 2-7 ("!" "?" "!!" "??" "!?" "?!" are $1-$6).
std::string_view SymbolNag(int symbol) {
    switch (symbol) {
    case 2: return " $1";
    case 3: return " $5";
    case 4: return " $3";
    case 5: return " $2";
    case 6: return " $6";
    case 7: return " $4";
    default: return {};
    }
}

// The NAG of an Informant rate 0-8.
std::string_view RateNag(int rate) {
    static constexpr std::string_view kNags[] = {"$18", "$16", "$14", "$11", "$13",
                                                 "$44", "$15", "$17", "$19"};
    return rate >= 0 && rate <= 8 ? kNags[rate] : std::string_view();
}

} // namespace

std::string ExportDateTag(std::string_view date) {
    // The game window's form has its first dot after the year; anything else is read as the
    // line export's MM/DD/YYYY.
    const bool yearFirst = date.size() > 4 && date[4] == '.';
    std::string year = WithoutSpaces(yearFirst ? Part(date, 0, 4) : Part(date, 6, 4));
    std::string month = WithoutSpaces(yearFirst ? Part(date, 5, 2) : Part(date, 0, 2));
    std::string day = WithoutSpaces(yearFirst ? Part(date, 8, 2) : Part(date, 3, 2));

    int y = DigitsValue(year);
    int m = DigitsValue(month);
    int d = DigitsValue(day);
    std::string tag = y >= 1400 ? std::to_string(y) : "????";
    tag += '.';
    tag += m >= 1 && m <= 12 ? TwoDigits(m) : "??";
    tag += '.';
    tag += d >= 1 && d <= 31 ? TwoDigits(d) : "??";
    return tag;
}

TBookToPGNExporter::TBookToPGNExporter(const TSettings& settings) : itsSettings(settings) {}

TBookToPGNExporter::~TBookToPGNExporter() {
    if (itsFile) std::fclose(itsFile);
}

bool TBookToPGNExporter::Export(TBook2& book, const TPackedPosition& start, const std::string& fileName,
                                TProgress* progress) {
    MARVEK_ASSERT(itsFile == nullptr);
    itsOutcome = TOutcome::kComplete;
    itsPositionsProcessed = 0;
    itsPending.clear();
    itsWriteError = 0;
    itsComment.Clear();

    // The process id keeps exports of two running programs (or test processes sharing a program
    // folder) out of each other's scratch files.
    itsTagger = std::make_unique<TPositionTagger>();
    itsTagger->OpenTagFile(std::string(kTagSetName) + "-" + std::to_string(::getpid()));
    if (!itsTagger->IsOpen()) {
        itsTagger.reset();
        itsOutcome = TOutcome::kFileProblem;
        return false;
    }
    itsTagger->EmptyTagFile();

    if (!itsSettings.PgnExportErase()) itsFile = std::fopen(fileName.c_str(), "ab");
    if (!itsFile) itsFile = std::fopen(fileName.c_str(), "wb");
    if (!itsFile) {
        itsTagger.reset();
        UserInterface().ShowMessage(kOpenProblem);
        itsOutcome = TOutcome::kFileProblem;
        return false;
    }

    WriteTags(start);
    if (progress) {
        progress->Start("Exporting...");
        progress->SetCounter("Positions:", 0);
        progress->SetPercent(0);
    }
    if (itsWriteError == 0) Walk(book, start, progress);

    WriteToken(ResultText(itsSettings.PgnExportResult()));
    if (!itsPending.empty()) WriteLine(itsPending);
    itsPending.clear();
    itsTagger.reset();
    if (progress) {
        progress->SetCounter("Positions:", itsPositionsProcessed);
        progress->SetPercent(100);
        progress->Finish();
    }

    // Closing flushes what is buffered, so a full disk may show only here.
    errno = 0;
    if (std::fflush(itsFile) != 0 && itsWriteError == 0) itsWriteError = errno ? errno : EIO;
    if (std::fclose(itsFile) != 0 && itsWriteError == 0) itsWriteError = errno ? errno : EIO;
    itsFile = nullptr;
    if (itsWriteError != 0) {
        UserInterface().ShowMessage("There was a problem writing the export file " + fileName + ". (" +
                                    std::strerror(itsWriteError) + ")");
        itsOutcome = TOutcome::kFileProblem;
        return false;
    }
    return true;
}

// ---- The walk

void TBookToPGNExporter::Walk(TBook2& book, const TPackedPosition& start, TProgress* progress) {
    const int32_t positionCount = book.PositionCount();
    itsStack.assign(kMaxDepth + 1, TStackEntry());
    itsDepth = 0;
    itsStack[0].itsPosition = start;
    try {
        ReadEntry(book, itsStack[0], nullptr);
        int shown = 0;
        while (Step(book)) {
            if (itsWriteError != 0) {
                itsOutcome = TOutcome::kFileProblem;
                break;
            }
            if (progress && itsPositionsProcessed - shown >= kProgressInterval) {
                shown = itsPositionsProcessed;
                progress->SetCounter("Positions:", itsPositionsProcessed);
                if (positionCount > 0)
                    progress->SetPercent(
                        int(std::min<int64_t>(100, int64_t(itsPositionsProcessed) * 100 / positionCount)));
                if (progress->ProcessMessages()) {
                    itsOutcome = TOutcome::kStopped;
                    break;
                }
            }
        }
    } catch (const EDatabaseProblem& e) {
        UserInterface().ShowMessage(e.what());
        itsOutcome = TOutcome::kDatabaseProblem;
    }
}

bool TBookToPGNExporter::Step(TBook2& book) {
    TStackEntry& entry = itsStack[itsDepth];
    if (entry.itsClose) {
        entry.itsClose = false;
        WriteToken(")");
    }
    if (AlreadyWritten(itsDepth)) return --itsDepth >= 0;

    const bool whiteToMove = entry.itsPosition.WhiteToMove();
    std::string move;
    TPackedPosition after;
    if (entry.itsNextStep == 0) {
        itsComment.Clear();
        ReadEntry(book, entry, &itsComment);
        if (itsComment.HoldsText()) WriteComment(itsComment.PlainTextLines());
        ++itsPositionsProcessed;

        // Past the deepest ply the stack holds, a line simply ends.
        if (entry.itsCandidateCount == 0 || itsDepth == kMaxDepth) {
            itsTagger->AddBoard(entry.itsPosition, 1);
            return --itsDepth >= 0;
        }
        if (!Reproduce(entry.itsPosition, entry.itsCandidates[0], move, after)) return false;
        WriteMove(move, entry.itsCandidates[0].itsSymbol, false, itsDepth, whiteToMove);
        if (entry.itsCandidateCount == 1) {
            itsTagger->AddBoard(entry.itsPosition, 1);
            Push(book, after, true);
            return true;
        }
        // The main move is written; its variations come before the line goes on after it.
        entry.itsNextStep = entry.itsCandidateCount >= 3 ? 3 : 1;
        entry.itsClose = true;
        if (!Reproduce(entry.itsPosition, entry.itsCandidates[1], move, after)) return false;
        WriteMove(move, entry.itsCandidates[1].itsSymbol, true, itsDepth, whiteToMove);
        Push(book, after, true);
        return true;
    }
    if (entry.itsNextStep == 1) {
        itsTagger->AddBoard(entry.itsPosition, 1);
        if (!Reproduce(entry.itsPosition, entry.itsCandidates[0], move, after)) return false;
        Push(book, after, false);
        return true;
    }
    const int k = entry.itsNextStep;
    MARVEK_ASSERT(k >= 3 && k <= entry.itsCandidateCount);
    entry.itsClose = true;
    entry.itsNextStep = k == entry.itsCandidateCount ? 1 : k + 1;
    if (!Reproduce(entry.itsPosition, entry.itsCandidates[k - 1], move, after)) return false;
    WriteMove(move, entry.itsCandidates[k - 1].itsSymbol, true, itsDepth, whiteToMove);
    Push(book, after, true);
    return true;
}

int TBookToPGNExporter::ReadEntry(TBook2& book, TStackEntry& entry, TCommentBuffer* comment) {
    // A position the book does not hold keeps whatever rates the record had, so start clean.
    itsRecord.Clear();
    itsRecord.SetPosition(entry.itsPosition);
    book.FillInEverything(itsRecord, comment);
    entry.itsCandidateCount = itsRecord.CandidateCount();
    for (int i = 0; i < entry.itsCandidateCount; ++i) entry.itsCandidates[i] = itsRecord.Candidate(i).itsMove;
    return itsRecord.InformantRate();
}

bool TBookToPGNExporter::Reproduce(const TPackedPosition& position, const TPackedMove& move,
                                   std::string& notation, TPackedPosition& after) {
    itsParser.LoadPosition(position);
    notation = itsParser.NotationFor(move);
    bool ok = !notation.empty();
    if (ok) {
        itsParser.LoadPosition(position);
        itsParser.SetMoveText(notation);
        ok = itsParser.ParseMove();
    }
    if (!ok) {
        UserInterface().ShowMessage(kIllegalMove);
        itsOutcome = TOutcome::kIllegalMove;
        return false;
    }
    itsParser.ApplyMove();
    after = itsParser.CurrentPosition();
    return true;
}

void TBookToPGNExporter::Push(TBook2& book, const TPackedPosition& position, bool writeRate) {
    MARVEK_ASSERT(itsDepth < kMaxDepth);
    TStackEntry& next = itsStack[++itsDepth];
    next = TStackEntry();
    next.itsPosition = position;
    int rate = ReadEntry(book, next, nullptr);
    if (writeRate) WriteRate(rate);
}

bool TBookToPGNExporter::AlreadyWritten(int depth) {
    const TPackedPosition& position = itsStack[depth].itsPosition;
    if (itsTagger->BoardIsTagged(position)) return true;
    for (int i = 0; i < depth; ++i)
        if (itsStack[i].itsPosition == position) return true;
    return false;
}

// ---- The text

void TBookToPGNExporter::WriteTags(const TPackedPosition& start) {
    for (const std::string& line : ExportTagLines(itsSettings, start, TEcoTag::kWhenGiven)) WriteLine(line);
}

void TBookToPGNExporter::WriteToken(std::string_view token) {
    if (itsPending.size() + token.size() > kLineLength && !itsPending.empty()) {
        WriteLine(itsPending);
        itsPending.clear();
    }
    if (token != ")" && !itsPending.empty()) itsPending += ' ';
    itsPending += token;
}

void TBookToPGNExporter::WriteMove(std::string_view move, int symbol, bool variationStart, int depth,
                                   bool whiteToMove) {
    // Numbers count from the start position as if White moved first there.
    std::string token = variationStart ? "(" : "";
    if (whiteToMove)
        token += std::to_string(depth / 2 + 1) + ". ";
    else if (variationStart)
        token += std::to_string(depth / 2 + 1) + "...";
    token += move;
    token += SymbolNag(symbol);
    WriteToken(token);
}

void TBookToPGNExporter::WriteRate(int rate) {
    std::string_view nag = RateNag(rate);
    if (!nag.empty()) WriteToken(nag);
}

void TBookToPGNExporter::WriteComment(const std::vector<std::string>& lines) {
    bool opened = false;
    bool closed = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (line.find_first_of("()") != std::string::npos) line += ' ';
        for (char& c : line) {
            if (c == '{') c = '[';
            if (c == '}') c = ']';
        }
        std::string_view rest = line;
        while (!rest.empty()) {
            std::size_t space = rest.find(' ');
            std::string token = opened ? "" : "{";
            opened = true;
            token += rest.substr(0, space);
            rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
            // Only the last word of the last line, and only when no space follows it.
            if (i + 1 == lines.size() && space == std::string_view::npos) {
                token += '}';
                closed = true;
            }
            WriteToken(token);
        }
    }
    if (opened && !closed) WriteToken("}");
}

void TBookToPGNExporter::WriteLine(std::string_view line) {
    if (itsWriteError != 0) return;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), itsFile) != line.size() || std::fputc('\n', itsFile) == EOF)
        itsWriteError = errno ? errno : EIO;
}

} // namespace marvek
