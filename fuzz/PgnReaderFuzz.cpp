// The PGN reader on any bytes: it walks every game, and every move it hands on is legal where it
// is played.

#include "ChessChecks.h"
#include "FuzzSupport.h"

#include "pgn/PGNGameReader.h"
#include "platform/Errors.h"

namespace {

using namespace marvek;

class TCheckingReader : public TPGNGameReader {
public:
    TCheckingReader() : TPGNGameReader(120, 500, true) {}

    void ReadAll(const std::string& path) {
        if (OpenInput(path) != 0) fuzz::Fail("cannot open " + path);
        while (!AtEndOfFile()) {
            SkipToNextGame();
            if (AtEndOfFile()) break;
            ReadTags();
            if (!SetUpStartPosition()) {
                FinishGame();
                continue;
            }
            ReadMovetext();
            FinishGame();
        }
        CloseInput();
    }

protected:
    void MoveAction(const TPackedMove& move) override {
        fuzz::CheckLegalMove(itsParser.CurrentPosition(), move, "PGN reader");
    }
    void CommentAction(const std::vector<std::string>& lines) override {
        // Comments wrap at word ends; only a single word longer than a line may overhang it.
        for (const std::string& line : lines) {
            std::size_t space = line.find(' ');
            if (line.size() > std::size_t(kCommentLineWidth) && space != std::string::npos &&
                space + 1 < line.size())
                fuzz::Fail("a comment line of several words is longer than a line: " + line);
        }
    }
};

} // namespace

MARVEK_FUZZ_ENTRY(const uint8_t* data, size_t size) {
    std::string path = marvek::fuzz::WriteScratchFile("reader.pgn", marvek::fuzz::AsText(data, size));
    TCheckingReader reader;
    reader.ReadAll(path);
    return 0;
}
