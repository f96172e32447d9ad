// TLineExporter: writes one line of moves (the book window's current line) as a PGN game.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/Settings.h"
#include "chess/ChessPosition.h"
#include "chess/PieceLetters.h"

namespace marvek {

class TBook2;

class TLineExporter {
public:
    // A token that would make the pending line longer than this starts a new line.
    static constexpr std::size_t kLineLength = 78;

    // One ply of the line: the move as the book window shows it, and the plain-text lines of the
    // comment of the position it reaches (empty when there is none or comments are off).
    struct TPly {
        std::string itsMoveText;
        std::vector<std::string> itsComment;
    };

    // The file name, erase flag and tag values come from `settings`, which must outlive this.
    explicit TLineExporter(const TSettings& settings = Settings());
    ~TLineExporter();
    TLineExporter(const TLineExporter&) = delete;
    TLineExporter& operator=(const TLineExporter&) = delete;

    // Appends the game to fileName, or replaces the file when the erase option is set. False when
    // the file could not be opened or written; the problem has been shown to the user.
    bool Export(const std::string& fileName, const TPackedPosition& start,
                const std::vector<std::string>& startComment, const std::vector<TPly>& plies);

    // The plain-text lines of a position's comment in the book, as a ply carries them; none when
    // the book has no record of the position or its comment holds no text.
    static std::vector<std::string> CommentLines(TBook2& book, const TPackedPosition& position);

    // The move of the book window's text: cut at its first ",", with an English piece letter.
    static std::string PgnMove(std::string_view moveText, const TPieceLetters& localLetters);

private:
    void WriteTags(const TPackedPosition& start);
    void WriteToken(std::string_view token);
    void WriteComment(const std::vector<std::string>& lines);
    void WriteLine(std::string_view line);

    const TSettings& itsSettings;
    std::FILE* itsFile = nullptr;
    int itsWriteError = 0;
    std::string itsPending;
};

} // namespace marvek
