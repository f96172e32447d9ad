// TGameCopier: found games appended to a PGN file, PGN games as they stand and GM2 games as PGN.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "games/GameSummary.h"
#include "platform/File.h"

namespace marvek {

class TGameCopier {
public:
    static constexpr std::size_t kLineWidth = 78;

    TGameCopier() = default;
    TGameCopier(const TGameCopier&) = delete;
    TGameCopier& operator=(const TGameCopier&) = delete;

    // Opens the file for appending, creating it when it does not exist; 0 or the errno.
    int Open(const std::string& path);
    int Close() { return itsFile.IsOpen() ? itsFile.Close() : 0; }
    bool IsOpen() const { return itsFile.IsOpen(); }

    // Copies a PGN game line by line from its offset up to, not including, the next line that
    // starts with "[Event " (its own first line excepted). 0 or the errno.
    int CopyPGNGame(TFile& from, int64_t offset);

    // Writes a GM2 game as PGN: the tags, an empty line, the moves in lines of at most 78
    // characters, the result and an empty line. illegal is set when a move that is not legal in
    // its position ended the moves there. 0 or the errno.
    int WriteGM2Game(const TGameSummary& summary, std::string_view moveLine, bool* illegal);

    // The movetext of a GM2 move line as the PGN lines it becomes, the result included.
    static std::string MovetextOf(std::string_view moveLine, const std::string& result, bool* illegal);

private:
    int Append(std::string_view text);

    TFile itsFile;
    int64_t itsSize = 0;
};

} // namespace marvek
