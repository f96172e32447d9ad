#include "pgn/PGNGameReader.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "chess/Notation.h"

namespace marvek {

namespace {

// A tag line is read whole before its value is picked out; a damaged file can hold a "line" of
// megabytes, and nothing past this can matter to a value of 255 characters.
constexpr std::size_t kMaxTagLine = 1024;
// No position can store more comment text than this, so a comment that never closes stops
// growing here.
constexpr std::size_t kMaxCommentText = 65536;

bool IsMoveStart(char c) {
    return (c >= 'a' && c <= 'h') || c == '0' || c == 'O' || c == 'o' || c == 'B' || c == 'K' || c == 'N' ||
           c == 'Q' || c == 'R';
}

bool IsMoveEnd(char c) {
    return (c >= '1' && c <= '8') || c == 'O' || c == 'B' || c == 'N' || c == 'Q' || c == 'R';
}

// [Name "value" ...: the start of a tag pair, whatever the name.
bool IsTagPair(std::string_view line) {
    std::size_t i = 1;
    auto isNameChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    };
    while (i < line.size() && isNameChar(line[i])) ++i;
    if (i == 1) return false;
    std::size_t name = i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i > name && i < line.size() && line[i] == '"';
}

// The tags the reader keeps; the prefix is compared case-sensitively with the line.
struct TTagField {
    std::string_view itsPrefix;
    std::string TPGNHeader::*itsField;
};
constexpr TTagField kTagFields[] = {
    {"[Event ", &TPGNHeader::itsEvent},       {"[Site ", &TPGNHeader::itsSite},
    {"[Date ", &TPGNHeader::itsDate},         {"[Round ", &TPGNHeader::itsRound},
    {"[White ", &TPGNHeader::itsWhite},       {"[Black ", &TPGNHeader::itsBlack},
    {"[Result ", &TPGNHeader::itsResultText}, {"[FEN ", &TPGNHeader::itsFEN},
    {"[ECO ", &TPGNHeader::itsECO},
};

// A position the parser can work in: one king of each colour.
bool HasBothKings(const TPackedPosition& position) {
    int white = 0;
    int black = 0;
    for (int rank = 0; rank < 8; ++rank) {
        for (int file = 0; file < 8; ++file) {
            int piece = position.Piece(rank * 10 + file);
            if (piece == kWhiteKing) ++white;
            if (piece == kBlackKing) ++black;
        }
    }
    return white == 1 && black == 1;
}

} // namespace

int NagSymbol(int nag) {
    static constexpr int kSymbols[] = {kSymbolGood,    kSymbolMistake,     kSymbolExcellent,
                                       kSymbolBlunder, kSymbolInteresting, kSymbolDubious};
    return nag >= 1 && nag <= 6 ? kSymbols[nag - 1] : kSymbolNone;
}

int NagRate(int nag) {
    switch (nag) {
    case 10:
    case 11:
    case 12: return 3;
    case 13: return 4;
    case 14: return 2;
    case 15: return 6;
    case 16: return 1;
    case 17: return 7;
    case 18:
    case 20: return 0;
    case 19:
    case 21: return 8;
    case 44:
    case 45:
    case 46:
    case 47: return 5;
    default: return 9;
    }
}

TPGNGameReader::TPGNGameReader(int depthLimit, int32_t plyLimit, bool parenthesisEndsWord)
    : itsParenthesisEndsWord(parenthesisEndsWord), itsDepthLimit(depthLimit < 0 ? 0 : depthLimit),
      itsStack(std::size_t(itsDepthLimit) + 1), itsPlyLimit(plyLimit) {
    // Files are written with the English letters whatever letters the user reads moves in.
    itsParser.SetPieceLetters(kEnglishLetters);
    itsParser.LoadPosition(StartPosition());
    itsBeforeLastMove = itsGameStart = StartPosition();
    itsTagLine.reserve(kMaxTagLine);
}

// ---------------------------------------------------------------------------------------------
// Input

int TPGNGameReader::OpenInput(const std::string& path) {
    int code = itsFile.Open(path, TFileMode::kReadShared);
    if (code != 0) return code;
    code = itsFile.Size(&itsFileSize);
    if (code != 0) {
        itsFile.Close();
        return code;
    }
    itsBytesRead = 0;
    itsReadError = 0;
    itsEndOfFile = false;
    itsLineCount = 1;
    ResetGame();
    itsHeader.SetDefaults();
    ReadBlock();
    return 0;
}

void TPGNGameReader::CloseInput() {
    itsFile.Close();
    itsEndOfFile = true;
}

void TPGNGameReader::ReadBlock() {
    std::size_t done = 0;
    if (!itsEndOfFile) {
        int code = itsFile.ReadAt(itsBytesRead, itsBlock.data(), kBlockSize, &done);
        if (code != 0) {
            itsReadError = code;
            done = 0;
        }
    }
    itsIndex = 0;
    itsCount = int(done);
    itsBytesRead += int64_t(done);
    if (done == 0) {
        itsEndOfFile = true;
        itsBlock[0] = 0;
    }
}

int TPGNGameReader::PercentRead() const {
    if (itsFileSize <= 0) return 0;
    int64_t percent = (itsBytesRead * 100 + itsFileSize / 2) / itsFileSize;
    return int(percent > 100 ? 100 : percent);
}

// ---------------------------------------------------------------------------------------------
// Tokens and tags

void TPGNGameReader::NextToken() {
    itsTokenLength = 0;
    if (itsEndOfFile) return;
    char c = Current();
    if (c == '(' || c == ')' || c == '{' || c == ';') {
        itsToken[0] = c;
        itsTokenLength = 1;
        Advance();
        return;
    }
    if (c == '[') {
        itsTagSeen = true;
        return;
    }
    while (!itsEndOfFile && itsTokenLength < kMaxToken) {
        c = Current();
        if (c == '\n') {
            ++itsLineCount;
            LineRead();
            Advance();
            return;
        }
        // The parenthesis belongs to the next token.
        if (c == ')' || (c == '(' && itsParenthesisEndsWord)) return;
        Advance();
        if (c == ' ' || c == '.') return;
        if (c != '\r') itsToken[std::size_t(itsTokenLength++)] = c;
    }
}

void TPGNGameReader::ReadTags() {
    while (!itsEndOfFile && Current() == '[') {
        ReadTagLine();
        ++itsLineCount;
    }
    TagsRead();
}

void TPGNGameReader::ReadTagLine() {
    itsTagLine.clear();
    while (!itsEndOfFile) {
        char c = Current();
        Advance();
        if (c == '\n') break;
        if (itsTagLine.size() < kMaxTagLine) itsTagLine.push_back(c);
    }
    std::string_view line = itsTagLine;
    if (IsTagPair(line)) itsGameHasTagPair = true;
    const TTagField* tag = std::find_if(std::begin(kTagFields), std::end(kTagFields),
                                        [line](const TTagField& f) { return line.starts_with(f.itsPrefix); });
    if (tag == std::end(kTagFields)) return;
    std::string_view value;
    std::size_t open = line.find('"');
    if (open != std::string_view::npos) {
        value = line.substr(open + 1, kMaxToken);
        value = value.substr(0, value.find('"'));
    }
    (itsHeader.*(tag->itsField)).assign(value.substr(0, kMaxTagValue));
    if (tag->itsField == &TPGNHeader::itsResultText)
        itsHeader.itsResult = ResultCodeOfTag(itsHeader.itsResultText);
    TagLineRead();
}

// ---------------------------------------------------------------------------------------------
// Movetext

void TPGNGameReader::ReadMovetext() {
    itsTagSeen = false;
    do {
        NextToken();
        TokenRead();
        std::string_view token = Token();
        if (token.empty()) continue;
        char first = token[0];
        if (token.size() == 1 && first == '(') {
            StartVariation();
        } else if (token.size() == 1 && first == ')') {
            EndVariation();
        } else if (token.size() == 1 && first == '{') {
            // Like its moves and NAGs, a comment in a variation too deep to read is passed over.
            ReadComment(itsDepth <= itsDepthLimit);
        } else if (token.size() == 1 && first == ';') {
            if (itsDepth <= itsDepthLimit) SkipRestOfLine();
        } else if (first == '$') {
            // A NAG inside a variation too deep to read belongs to a move that was not read.
            if (itsDepth <= itsDepthLimit) HandleNag();
        } else if (!(first >= '1' && first <= '9') && itsDepth <= itsDepthLimit) {
            HandleMoveToken();
        }
    } while (!itsTagSeen && !itsEndOfFile && !(itsDepth == 0 && itsPlyCount >= itsPlyLimit));
}

void TPGNGameReader::HandleMoveToken() {
    std::string_view token = Token();
    if (token.empty() || !IsMoveStart(token[0]) || token.size() > 7) return;
    // Where "(" does not end a word, e4( is one token and no move.
    if (token.find('(') != std::string_view::npos) return;
    char cleaned[16];
    int length = notation_detail::NormalizeInto(token, kEnglishLetters, cleaned);
    if (length < 2 || !IsMoveEnd(cleaned[length - 1])) return;
    itsParser.SetMoveText({cleaned, std::size_t(length)});
    if (!itsParser.ParseMove()) return;
    itsGameHasMove = true;
    if (itsDepth == 0) ++itsPlyCount;
    TPackedMove move = itsParser.GetChessMove();
    MoveAction(move);
    itsBeforeLastMove = itsParser.CurrentPosition();
    itsLastMove = move;
    itsParser.ApplyMove();
    if (itsDepth == 0 && itsPlyCount <= kMaxMainLine) itsMainLine[std::size_t(itsPlyCount - 1)] = move;
    MoveStored(move);
}

void TPGNGameReader::HandleNag() {
    std::string_view digits = Token().substr(1);
    int nag = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), nag);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return;
    if (nag <= 9)
        SymbolAction(NagSymbol(nag));
    else
        RateAction(NagRate(nag));
}

void TPGNGameReader::StartVariation() {
    ++itsDepth;
    if (itsDepth <= itsDepthLimit) {
        itsStack[std::size_t(itsDepth)] = {itsParser.CurrentPosition(), itsBeforeLastMove};
        // The variation replaces the move just played.
        itsParser.LoadPosition(itsBeforeLastMove);
    }
}

void TPGNGameReader::EndVariation() {
    VariationEndAction();
    if (itsDepth >= 1 && itsDepth <= itsDepthLimit) {
        const TVariationEntry& entry = itsStack[std::size_t(itsDepth)];
        itsParser.LoadPosition(entry.itsCurrent);
        itsBeforeLastMove = entry.itsBeforeLastMove;
    }
    if (--itsDepth < 0) itsDepth = 0;
}

void TPGNGameReader::SkipRestOfLine() {
    while (!itsEndOfFile && Current() != '\n') Advance();
}

// ---------------------------------------------------------------------------------------------
// Comments

void TPGNGameReader::PlaceCommentWord() {
    if (itsCommentLines.empty()) itsCommentLines.emplace_back();
    if (itsCommentLines.back().size() + itsCommentWord.size() > std::size_t(kCommentLineWidth))
        itsCommentLines.emplace_back();
    itsCommentLines.back() += itsCommentWord;
    itsCommentWord.clear();
}

void TPGNGameReader::CommentParagraphBreak() {
    std::size_t count = itsCommentLines.size();
    if (count > 0 && !itsCommentLines.back().empty()) {
        itsCommentLines.emplace_back();
        itsCommentLines.emplace_back();
    } else if (count >= 2 && !itsCommentLines[count - 2].empty()) {
        itsCommentLines.emplace_back();
    }
}

void TPGNGameReader::ReadComment(bool store) {
    itsCommentLines.clear();
    itsCommentWord.clear();
    itsCommentSize = 0;
    bool afterLineFeed = false; // only spaces and carriage returns since the last line feed
    while (!itsEndOfFile) {
        char c = Current();
        Advance();
        if (c == '}') break;
        if (c == '\n') {
            ++itsLineCount;
            if (!store) continue;
            if (!itsCommentWord.empty() && itsCommentWord.back() != ' ') itsCommentWord += ' ';
            PlaceCommentWord();
            if (afterLineFeed) CommentParagraphBreak();
            afterLineFeed = true;
            continue;
        }
        if (!store || c == '\r') continue;
        if (c != ' ') afterLineFeed = false;
        if (itsCommentSize < kMaxCommentText) {
            itsCommentWord += c;
            ++itsCommentSize;
        }
        if (c == ' ') PlaceCommentWord();
    }
    if (!store) return;
    if (!itsCommentWord.empty()) PlaceCommentWord();
    if (!itsCommentLines.empty()) CommentAction(itsCommentLines);
}

// ---------------------------------------------------------------------------------------------
// Games

void TPGNGameReader::SkipToNextGame() {
    if (itsEndOfFile || Current() == '[') return;
    while (!itsEndOfFile) {
        char c = Current();
        Advance();
        if (c == '{') {
            ReadComment(false);
            continue;
        }
        if (c == '\n') {
            ++itsLineCount;
            if (!itsEndOfFile && Current() == '[') return;
        }
    }
}

void TPGNGameReader::FinishGame() {
    bool keepHeader = itsEndOfFile; // the last game's header stays for the final display
    ResetGame();
    if (keepHeader) return;
    itsHeader.SetDefaults();
}

void TPGNGameReader::ResetGame() {
    itsParser.LoadPosition(StartPosition());
    itsBeforeLastMove = itsGameStart = StartPosition();
    itsLastMove = TPackedMove{};
    itsPlyCount = 0;
    itsGameHasTagPair = itsGameHasMove = false;
    // An unbalanced "(" must not carry its depth into the next game.
    itsDepth = 0;
}

bool TPGNGameReader::SetUpStartPosition() {
    TPackedPosition start = StartPosition();
    bool usable = true;
    if (!itsHeader.itsFEN.empty()) {
        TChessPosition position;
        TPackedPosition read;
        if (position.FromFEN(itsHeader.itsFEN, read) && HasBothKings(read))
            start = read;
        else
            usable = false;
    }
    itsParser.LoadPosition(start);
    itsBeforeLastMove = itsGameStart = start;
    itsLastMove = TPackedMove{};
    return usable;
}

} // namespace marvek
