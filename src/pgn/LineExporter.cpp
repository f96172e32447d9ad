// TLineExporter: one line of moves written as a PGN game, tags first, then wrapped movetext.
#include "pgn/LineExporter.h"

#include <cerrno>
#include <cstring>

#include "app/UserInterface.h"
#include "book/Book2.h"
#include "book/RichTextBuffer.h"
#include "pgn/BookToPGNExporter.h"
#include "pgn/PGNExportTags.h"
#include "pgn/PGNHeader.h"

namespace marvek {

namespace {

constexpr const char* kOpenProblem = "There was a problem opening the export file. (Check the path.)";

} // namespace

TLineExporter::TLineExporter(const TSettings& settings) : itsSettings(settings) {}

TLineExporter::~TLineExporter() {
    if (itsFile) std::fclose(itsFile);
}

std::string TLineExporter::PgnMove(std::string_view moveText, const TPieceLetters& localLetters) {
    std::string move(moveText.substr(0, moveText.find(',')));
    if (!move.empty()) {
        const int kind = localLetters.Kind(move[0]);
        if (kind != 0) move[0] = kEnglishLetters.Letter(kind);
    }
    return move;
}

bool TLineExporter::Export(const std::string& fileName, const TPackedPosition& start,
                           const std::vector<std::string>& startComment, const std::vector<TPly>& plies) {
    itsPending.clear();
    itsWriteError = 0;
    if (!itsSettings.PgnExportErase()) itsFile = std::fopen(fileName.c_str(), "ab");
    if (!itsFile) itsFile = std::fopen(fileName.c_str(), "wb");
    if (!itsFile) {
        UserInterface().ShowMessage(kOpenProblem);
        return false;
    }

    WriteTags(start);
    WriteComment(startComment);
    bool whiteToMove = start.WhiteToMove();
    std::size_t next = 0;
    for (int number = 1; next < plies.size(); ++number) {
        if (whiteToMove) {
            WriteToken(std::to_string(number) + ".");
            WriteToken(plies[next].itsMoveText);
            WriteComment(plies[next].itsComment);
            ++next;
        } else {
            // A line that starts with Black to move: "1..." is valid movetext for the missing move.
            WriteToken(std::to_string(number) + "...");
            whiteToMove = true;
        }
        if (next < plies.size()) {
            WriteToken(plies[next].itsMoveText);
            WriteComment(plies[next].itsComment);
            ++next;
        }
    }
    WriteToken(ResultText(itsSettings.PgnExportResult()));
    if (!itsPending.empty()) WriteLine(itsPending);
    WriteLine("");

    // Closing flushes what is buffered, so a full disk may show only here.
    errno = 0;
    if (std::fflush(itsFile) != 0 && itsWriteError == 0) itsWriteError = errno ? errno : EIO;
    if (std::fclose(itsFile) != 0 && itsWriteError == 0) itsWriteError = errno ? errno : EIO;
    itsFile = nullptr;
    if (itsWriteError != 0) {
        UserInterface().ShowMessage(std::string(kOpenProblem) + " (" + std::strerror(itsWriteError) + ")");
        return false;
    }
    return true;
}

void TLineExporter::WriteTags(const TPackedPosition& start) {
    for (const std::string& line : ExportTagLines(itsSettings, start, TEcoTag::kAlways, 80)) WriteLine(line);
}

void TLineExporter::WriteToken(std::string_view token) {
    if (token.size() + itsPending.size() + 1 > kLineLength && !itsPending.empty()) {
        WriteLine(itsPending);
        itsPending.clear();
    }
    if (token != "}" && !itsPending.empty()) itsPending += ' ';
    itsPending += token;
}

void TLineExporter::WriteComment(const std::vector<std::string>& lines) {
    bool opened = false;
    for (std::string line : lines) {
        for (char& c : line) {
            if (c == '{') c = '[';
            if (c == '}') c = ']';
        }
        std::string_view rest = line;
        while (!rest.empty()) {
            const std::size_t space = rest.find(' ');
            std::string_view word = rest.substr(0, space);
            rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
            if (word.empty()) continue;
            WriteToken(opened ? std::string(word) : "{" + std::string(word));
            opened = true;
        }
    }
    if (opened) WriteToken("}");
}

void TLineExporter::WriteLine(std::string_view line) {
    if (itsWriteError != 0) return;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), itsFile) != line.size() || std::fputc('\n', itsFile) == EOF)
        itsWriteError = errno ? errno : EIO;
}

std::vector<std::string> TLineExporter::CommentLines(TBook2& book, const TPackedPosition& position) {
    TPositionRecord record;
    record.SetPosition(position);
    TRichTextBuffer comment;
    if (!book.FillInEverything(record, &comment) || !comment.HoldsText()) return {};
    return comment.PlainTextLines();
}

} // namespace marvek
