// Found games appended to a PGN file, PGN games as they stand and GM2 games as PGN.
#include "games/GameCopier.h"

#include <vector>

#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"
#include "platform/FileSystem.h"

namespace marvek {

int TGameCopier::Open(const std::string& path) {
    int code = FileExists(path) ? itsFile.Open(path, TFileMode::kReadWrite) : itsFile.Create(path);
    if (code == 0) code = itsFile.Size(&itsSize);
    if (code != 0) itsFile.Close();
    return code;
}

int TGameCopier::Append(std::string_view text) {
    int code = itsFile.WriteAt(itsSize, text.data(), text.size());
    if (code == 0) itsSize += int64_t(text.size());
    return code;
}

int TGameCopier::CopyPGNGame(TFile& from, int64_t offset) {
    constexpr std::size_t kChunk = 65536;
    std::string pending; // the line being gathered
    std::vector<char> chunk(kChunk);
    bool firstLine = true;
    int64_t at = offset;
    while (true) {
        std::size_t done = 0;
        int code = from.ReadAt(at, chunk.data(), chunk.size(), &done);
        if (code != 0) return code;
        if (done == 0) break;
        at += int64_t(done);
        std::size_t start = 0;
        for (std::size_t i = 0; i < done; ++i) {
            if (chunk[i] != '\n') continue;
            pending.append(chunk.data() + start, i + 1 - start);
            start = i + 1;
            if (!firstLine && pending.starts_with("[Event ")) return 0;
            firstLine = false;
            if ((code = Append(pending)) != 0) return code;
            pending.clear();
        }
        pending.append(chunk.data() + start, done - start);
    }
    // The last line of a file without a closing line feed.
    if (pending.empty() || (!firstLine && pending.starts_with("[Event "))) return 0;
    return Append(pending + "\n");
}

std::string TGameCopier::MovetextOf(std::string_view moveLine, const std::string& result, bool* illegal) {
    *illegal = false;
    TChessParser parser;
    parser.SetPieceLetters(kEnglishLetters);
    parser.LoadPosition(StartPosition());
    std::string text;
    std::string line;
    auto place = [&](const std::string& token) {
        if (line.size() + token.size() > kLineWidth) {
            text += line + "\n";
            line.clear();
        }
        line += token;
    };
    int moveNumber = 1;
    for (const TPackedMove& move : ReadGM2Moves(moveLine, true)) {
        std::string san = parser.NotationFor(move);
        bool played = false;
        if (!san.empty()) {
            parser.SetMoveText(san);
            played = parser.ParseMove() && parser.GetChessMove().SameMove(move);
        }
        if (!played) {
            *illegal = true;
            break;
        }
        bool white = parser.WhiteToMove();
        parser.ApplyMove();
        place((white ? std::to_string(moveNumber) + ". " : std::string()) + san + " ");
        if (!white) ++moveNumber;
    }
    place(result);
    return text + line + "\n";
}

int TGameCopier::WriteGM2Game(const TGameSummary& summary, std::string_view moveLine, bool* illegal) {
    const std::string& d = summary.itsDate;
    std::string date = d.substr(0, 4) + "." + d.substr(std::min<std::size_t>(4, d.size()), 2) + "." +
                       d.substr(std::min<std::size_t>(6, d.size()), 2);
    auto tag = [](const char* name, const std::string& value) {
        return std::string("[") + name + " \"" + value + "\"]\n";
    };
    std::string text = "[Event \"?\"]\n" + tag("Site", summary.itsSite) + tag("Date", date) +
                       tag("Round", summary.itsRound) + tag("White", summary.itsWhite) +
                       tag("Black", summary.itsBlack) + tag("Result", summary.itsResult) +
                       tag("ECO", summary.itsECO) + "\n";
    text += MovetextOf(moveLine, summary.itsResult, illegal) + "\n";
    return Append(text);
}

} // namespace marvek
