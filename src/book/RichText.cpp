#include "book/RichText.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace marvek {

namespace {

// Windows-1252 bytes 0x80-0x9F; the five unassigned bytes map to the C1 code of the same value,
// as Windows itself does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacement;
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | code >> 6);
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | code >> 12);
        out += char(0x80 | (code >> 6 & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | code >> 18);
        out += char(0x80 | (code >> 12 & 0x3F));
        out += char(0x80 | (code >> 6 & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// The next code point of UTF-8 text. A byte that does not start a valid sequence is taken as a
// Windows-1252 character, so text of unknown origin never gets lost.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    auto byte = [&](std::size_t k) { return std::uint8_t(text[k]); };
    std::uint8_t lead = byte(i);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 1) {
        ++i;
        return lead;
    }
    if (length > 1 && i + length <= text.size()) {
        char32_t code = lead & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length && valid; ++k) {
            valid = (byte(i + k) & 0xC0) == 0x80;
            code = code << 6 | (byte(i + k) & 0x3F);
        }
        static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && code >= kMinimum[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
            i += std::size_t(length);
            return code;
        }
    }
    ++i;
    return Windows1252ToUnicode(lead);
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::uint8_t lead = std::uint8_t(text[i]);
        std::size_t before = i;
        char32_t code = NextCodePoint(text, i);
        if (lead >= 0x80 && (i - before == 1 || code == kReplacement)) return false;
    }
    return true;
}

// ---- Writer ----

class TRtfWriter {
public:
    std::string Write(const TRichText& document) {
        CollectTables(document);
        std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl";
        for (std::size_t i = 0; i < itsFonts.size(); ++i) {
            out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset" + std::to_string(itsFonts[i].second) + ' ';
            std::string name = itsFonts[i].first;
            std::erase(name, ';');
            AppendText(out, name);
            out += ";}";
        }
        out += '}';
        if (!itsColours.empty()) {
            out += "{\\colortbl ;";
            for (std::uint32_t colour : itsColours)
                out += "\\red" + std::to_string(colour >> 16 & 0xFF) + "\\green" +
                       std::to_string(colour >> 8 & 0xFF) + "\\blue" + std::to_string(colour & 0xFF) + ';';
            out += '}';
        }
        out += '\n';

        for (const TParagraph& paragraph : document.Paragraphs()) {
            for (const TTextRun& run : paragraph.itsRuns) {
                SwitchFormat(out, run.itsFormat);
                AppendText(out, run.itsText);
            }
            out += "\\par\n";
        }
        out += '}';
        return out;
    }

private:
    void CollectTables(const TRichText& document) {
        for (const TParagraph& paragraph : document.Paragraphs()) {
            for (const TTextRun& run : paragraph.itsRuns) {
                FontIndex(run.itsFormat);
                if (run.itsFormat.itsColour != kAutoColour) ColourIndex(run.itsFormat.itsColour);
            }
        }
        if (itsFonts.empty()) FontIndex(TCharFormat{});
    }

    int FontIndex(const TCharFormat& format) {
        std::pair<std::string, int> key{format.itsFont, format.itsCharset};
        auto found = std::find(itsFonts.begin(), itsFonts.end(), key);
        if (found != itsFonts.end()) return int(found - itsFonts.begin());
        itsFonts.push_back(key);
        return int(itsFonts.size()) - 1;
    }

    int ColourIndex(std::uint32_t colour) {
        if (colour == kAutoColour) return 0;
        colour &= 0xFFFFFF;
        auto found = std::find(itsColours.begin(), itsColours.end(), colour);
        if (found != itsColours.end()) return int(found - itsColours.begin()) + 1;
        itsColours.push_back(colour);
        return int(itsColours.size());
    }

    // Emits the control words that turn the format written so far into `format`.
    void SwitchFormat(std::string& out, const TCharFormat& format) {
        std::string words;
        int font = FontIndex(format);
        if (font != itsFont) words += "\\f" + std::to_string(font);
        if (format.itsSize != itsSize) words += "\\fs" + std::to_string(format.itsSize);
        int colour = ColourIndex(format.itsColour);
        if (colour != itsColour) words += "\\cf" + std::to_string(colour);
        if (format.itsBold != itsBold) words += format.itsBold ? "\\b" : "\\b0";
        if (format.itsItalic != itsItalic) words += format.itsItalic ? "\\i" : "\\i0";
        itsFont = font;
        itsSize = format.itsSize;
        itsColour = colour;
        itsBold = format.itsBold;
        itsItalic = format.itsItalic;
        if (!words.empty()) out += words + ' ';
    }

    static void AppendHexByte(std::string& out, unsigned byte) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\'";
        out += kHex[byte >> 4 & 0xF];
        out += kHex[byte & 0xF];
    }

    static void AppendUnicode(std::string& out, char32_t code) {
        auto one = [&](unsigned unit) { out += "\\u" + std::to_string(int(std::int16_t(unit))) + '?'; };
        if (code >= 0x10000) {
            code -= 0x10000;
            one(0xD800 + (code >> 10));
            one(0xDC00 + (code & 0x3FF));
        } else {
            one(code);
        }
    }

    static void AppendText(std::string& out, std::string_view text) {
        for (std::size_t i = 0; i < text.size();) {
            char32_t code = NextCodePoint(text, i);
            if (code == '\\' || code == '{' || code == '}') {
                out += '\\';
                out += char(code);
            } else if (code == '\t') {
                out += "\\tab ";
            } else if (code == '\n') {
                out += "\\line ";
            } else if (code < 0x20) {
                continue; // other control characters have no place in a comment
            } else if (code < 0x80) {
                out += char(code);
            } else if (int byte = UnicodeToWindows1252(code); byte >= 0) {
                AppendHexByte(out, unsigned(byte));
            } else {
                AppendUnicode(out, code);
            }
        }
    }

    std::vector<std::pair<std::string, int>> itsFonts;
    std::vector<std::uint32_t> itsColours;
    // The format in force in the document body; RTF starts with font 0 at 12 points.
    int itsFont = 0;
    int itsSize = 24;
    int itsColour = 0;
    bool itsBold = false;
    bool itsItalic = false;
};

// ---- Reader ----

enum class TDestination { kText, kSkip, kFontTable, kColourTable };

struct TGroupState {
    TDestination itsDestination = TDestination::kText;
    int itsFont = -1; // font-table number, -1 for the document's default font
    int itsSize = 24;
    int itsColour = 0;
    bool itsBold = false;
    bool itsItalic = false;
    int itsUnicodeSkip = 1;
};

struct TFontEntry {
    std::string itsName;
    int itsCharset = 0;
};

// Destinations whose content is never text of the comment.
constexpr std::string_view kSkippedDestinations[] = {
    "stylesheet",   "info",      "pict",      "object",
    "header",       "headerl",   "headerr",   "headerf",
    "footer",       "footerl",   "footerr",   "footerf",
    "footnote",     "fldinst",   "listtable", "listoverridetable",
    "revtbl",       "rsidtbl",   "themedata", "colorschememapping",
    "latentstyles", "datastore", "xmlnstbl",  "filetbl",
    "generator",    "pgdsctbl",  "mmathPr",   "nonshppict",
    "bkmkstart",    "bkmkend",   "xe",        "tc",
    "txe",          "private",   "atnid",     "atnauthor",
    "annotation",   "template",  "docvar",    "userprops",
    "fontemb",      "fontfile",  "falt",      "panose",
    "objdata",      "result"};

// Control words that stand for one character.
struct TSymbolWord {
    std::string_view itsWord;
    char32_t itsCode;
};
constexpr TSymbolWord kSymbolWords[] = {
    {"emdash", 0x2014},    {"endash", 0x2013}, {"lquote", 0x2018}, {"rquote", 0x2019}, {"ldblquote", 0x201C},
    {"rdblquote", 0x201D}, {"bullet", 0x2022}, {"emspace", ' '},   {"enspace", ' '},   {"qmspace", ' '},
    {"tab", '\t'},         {"line", '\n'},     {"cell", '\t'}};

class TRtfReader {
public:
    static constexpr std::size_t kMaxDepth = 200;
    static constexpr std::size_t kMaxWordLength = 32;

    explicit TRtfReader(std::string_view bytes) : itsInput(bytes) {}

    TRichText Read() {
        itsStack.push_back(TGroupState{});
        std::size_t i = 0;
        const std::size_t end = itsInput.size();
        bool started = false;
        while (i < end) {
            char c = itsInput[i];
            if (c == '{') {
                ++i;
                if (!started) {
                    started = true; // the document's own group is the first state
                } else if (itsStack.size() < kMaxDepth) {
                    itsStack.push_back(itsStack.back());
                } else {
                    ++itsOverflow; // too deep to keep state for: the group is read flat
                }
                itsSkip = 0;
            } else if (c == '}') {
                ++i;
                itsSkip = 0;
                if (itsOverflow > 0) {
                    --itsOverflow;
                } else if (itsStack.size() > 1) {
                    itsStack.pop_back();
                } else {
                    break; // the document's group is closed
                }
            } else if (c == '\\') {
                i = ReadControl(i + 1);
            } else if (c == '\r' || c == '\n') {
                ++i;
            } else {
                ++i;
                if (Skipping()) continue;
                if (c == ';' && State().itsDestination == TDestination::kFontTable)
                    EndFontEntry();
                else if (c == ';' && State().itsDestination == TDestination::kColourTable)
                    EndColourEntry();
                else
                    Byte(std::uint8_t(c));
            }
        }
        FlushSurrogate();
        return std::move(itsDocument);
    }

private:
    TGroupState& State() { return itsStack.back(); }

    // Characters standing in for a \u character are dropped.
    bool Skipping() {
        if (itsSkip == 0) return false;
        --itsSkip;
        return true;
    }

    std::size_t ReadControl(std::size_t i) {
        const std::size_t end = itsInput.size();
        if (i >= end) return i;
        char c = itsInput[i];
        if (IsLetter(c)) {
            std::size_t start = i;
            while (i < end && IsLetter(itsInput[i])) ++i;
            std::string_view word = itsInput.substr(start, std::min(i - start, kMaxWordLength));
            std::optional<int> parameter;
            bool negative = false;
            if (i < end && itsInput[i] == '-' && i + 1 < end && IsDigit(itsInput[i + 1])) {
                negative = true;
                ++i;
            }
            if (i < end && IsDigit(itsInput[i])) {
                long long value = 0;
                // Parameters are clamped, so a run of digits never overflows.
                while (i < end && IsDigit(itsInput[i])) {
                    value = std::min<long long>(value * 10 + (itsInput[i] - '0'), 1'000'000'000);
                    ++i;
                }
                parameter = int(negative ? -value : value);
            }
            if (i < end && itsInput[i] == ' ') ++i;
            Word(word, parameter);
            return i;
        }
        ++i;
        switch (c) {
        case '\'': {
            int high = i < end ? HexValue(itsInput[i]) : -1;
            int low = i + 1 < end ? HexValue(itsInput[i + 1]) : -1;
            if (high < 0 || low < 0) return std::min(i + 1, end);
            if (!Skipping()) Byte(std::uint8_t(high << 4 | low));
            return i + 2;
        }
        case '*': State().itsDestination = TDestination::kSkip; return i;
        case '\\':
        case '{':
        case '}':
            if (!Skipping()) Byte(std::uint8_t(c));
            return i;
        case '~':
            if (!Skipping()) Character(0xA0);
            return i;
        case '_':
            if (!Skipping()) Character('-');
            return i;
        case '\r':
        case '\n':
            if (!Skipping()) EndParagraph();
            return i;
        default: return i; // \- (optional hyphen), \| and other symbols show nothing
        }
    }

    void Word(std::string_view word, std::optional<int> parameter) {
        TGroupState& state = State();
        if (state.itsDestination == TDestination::kSkip) return;
        const int value = parameter.value_or(1);

        if (word == "fonttbl") {
            state.itsDestination = TDestination::kFontTable;
            return;
        }
        if (word == "colortbl") {
            state.itsDestination = TDestination::kColourTable;
            itsColourStarted = false;
            return;
        }
        if (std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), word) !=
            std::end(kSkippedDestinations)) {
            state.itsDestination = TDestination::kSkip;
            return;
        }
        if (word == "uc") {
            state.itsUnicodeSkip = std::clamp(value, 0, 10);
            return;
        }
        if (word == "u" && parameter) {
            if (!Skipping()) Unicode(char32_t(std::uint16_t(*parameter)));
            itsSkip = state.itsUnicodeSkip;
            return;
        }
        if (Skipping()) return;

        switch (state.itsDestination) {
        case TDestination::kFontTable:
            if (word == "f")
                itsFontEntry = value;
            else if (word == "fcharset")
                itsFontCharset = std::clamp(value, 0, 255);
            return;
        case TDestination::kColourTable:
            itsColourStarted = true;
            if (word == "red")
                itsRed = value & 0xFF;
            else if (word == "green")
                itsGreen = value & 0xFF;
            else if (word == "blue")
                itsBlue = value & 0xFF;
            return;
        default: break;
        }

        if (word == "par" || word == "row")
            EndParagraph();
        else if (word == "plain")
            PlainFormat(state);
        else if (word == "b")
            state.itsBold = value != 0;
        else if (word == "i")
            state.itsItalic = value != 0;
        else if (word == "fs")
            state.itsSize = value > 0 && value <= 3276 ? value : 24;
        else if (word == "cf")
            state.itsColour = value;
        else if (word == "f")
            state.itsFont = value;
        else if (word == "deff")
            itsDefaultFont = value;
        else {
            for (const TSymbolWord& symbol : kSymbolWords)
                if (word == symbol.itsWord) Character(symbol.itsCode);
        }
    }

    void PlainFormat(TGroupState& state) {
        state.itsFont = -1;
        state.itsSize = 24;
        state.itsColour = 0;
        state.itsBold = false;
        state.itsItalic = false;
    }

    // A byte of text, from the input or from \'hh: the code page is Windows-1252 throughout.
    void Byte(std::uint8_t byte) { Character(Windows1252ToUnicode(byte)); }

    void Unicode(char32_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushSurrogate();
            itsHighSurrogate = unit;
            return;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (itsHighSurrogate != 0) {
                char32_t code = 0x10000 + ((itsHighSurrogate - 0xD800) << 10) + (unit - 0xDC00);
                itsHighSurrogate = 0;
                Character(code);
            } else {
                Character(kReplacement);
            }
            return;
        }
        Character(unit);
    }

    void FlushSurrogate() {
        if (itsHighSurrogate == 0) return;
        itsHighSurrogate = 0;
        Character(kReplacement);
    }

    void Character(char32_t code) {
        TGroupState& state = State();
        if (state.itsDestination == TDestination::kFontTable) {
            if (code >= 0x20 && code != ';' && itsFontName.size() < 256) AppendUtf8(itsFontName, code);
            return;
        }
        if (state.itsDestination != TDestination::kText) return;
        if (itsHighSurrogate != 0 && !(code >= 0xDC00 && code <= 0xDFFF)) FlushSurrogate();
        if (code < 0x20 && code != '\t' && code != '\n') return;
        std::string text;
        AppendUtf8(text, code);
        if (itsParagraphPending) {
            itsDocument.AddParagraph();
            itsParagraphPending = false;
        }
        itsDocument.AddText(text, Format(state));
    }

    void EndParagraph() {
        if (State().itsDestination != TDestination::kText) return;
        FlushSurrogate();
        // An empty paragraph still counts when a break ends it.
        if (itsParagraphPending) itsDocument.AddParagraph();
        itsParagraphPending = true;
    }

    const TFontEntry* CurrentFont() const {
        int number = itsStack.back().itsFont >= 0 ? itsStack.back().itsFont : itsDefaultFont;
        auto found = itsFonts.find(number);
        return found != itsFonts.end() ? &found->second : nullptr;
    }

    TCharFormat Format(const TGroupState& state) const {
        TCharFormat format;
        if (const TFontEntry* font = CurrentFont(); font != nullptr && !font->itsName.empty()) {
            format.itsFont = font->itsName;
            format.itsCharset = font->itsCharset;
        }
        format.itsSize = state.itsSize;
        if (state.itsColour > 0 && std::size_t(state.itsColour) < itsColours.size())
            format.itsColour = itsColours[std::size_t(state.itsColour)];
        format.itsBold = state.itsBold;
        format.itsItalic = state.itsItalic;
        return format;
    }

    void EndFontEntry() {
        std::string name = itsFontName;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        while (!name.empty() && name.front() == ' ') name.erase(name.begin());
        if (itsFonts.size() < 1000) itsFonts[itsFontEntry] = {name, itsFontCharset};
        itsFontName.clear();
        itsFontCharset = 0;
    }

    void EndColourEntry() {
        // The first entry is usually empty: "the default colour".
        std::uint32_t colour =
            itsColourStarted ? std::uint32_t(itsRed << 16 | itsGreen << 8 | itsBlue) : kAutoColour;
        if (itsColours.size() < 1000) itsColours.push_back(colour);
        itsColourStarted = false;
        itsRed = itsGreen = itsBlue = 0;
    }

    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static int HexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    std::string_view itsInput;
    std::vector<TGroupState> itsStack;
    std::size_t itsOverflow = 0;
    int itsSkip = 0;
    char32_t itsHighSurrogate = 0;

    std::map<int, TFontEntry> itsFonts;
    int itsDefaultFont = 0;
    int itsFontEntry = 0;
    int itsFontCharset = 0;
    std::string itsFontName;

    std::vector<std::uint32_t> itsColours;
    bool itsColourStarted = false;
    int itsRed = 0, itsGreen = 0, itsBlue = 0;

    TRichText itsDocument;
    bool itsParagraphPending = true;
};

TRichText ReadPlainText(std::string_view bytes) {
    TRichText document;
    const bool utf8 = IsValidUtf8(bytes);
    std::string line;
    auto flush = [&]() {
        document.AddParagraph();
        if (!line.empty()) document.AddText(line, TCharFormat{});
        line.clear();
    };
    for (std::size_t i = 0; i < bytes.size();) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            flush();
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        char32_t code = utf8 ? NextCodePoint(bytes, i) : Windows1252ToUnicode(std::uint8_t(bytes[i++]));
        if (code >= 0x20 || code == '\t') AppendUtf8(line, code);
    }
    if (!line.empty()) flush();
    return document;
}

} // namespace

char32_t Windows1252ToUnicode(std::uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

int UnicodeToWindows1252(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return int(code);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == code) return int(0x80 + i);
    return -1;
}

std::string TParagraph::Text() const {
    std::string text;
    for (const TTextRun& run : itsRuns) text += run.itsText;
    return text;
}

void TRichText::AddText(std::string_view text, const TCharFormat& format) {
    if (itsParagraphs.empty()) AddParagraph();
    std::vector<TTextRun>& runs = itsParagraphs.back().itsRuns;
    if (!runs.empty() && runs.back().itsFormat == format)
        runs.back().itsText += text;
    else
        runs.push_back({std::string(text), format});
}

std::vector<std::string> TRichText::PlainTextLines() const {
    std::vector<std::string> lines;
    for (const TParagraph& paragraph : itsParagraphs) {
        std::string text = paragraph.Text();
        std::size_t start = 0;
        for (std::size_t at; (at = text.find('\n', start)) != std::string::npos; start = at + 1)
            lines.push_back(text.substr(start, at - start));
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::string WriteRtf(const TRichText& document) {
    return TRtfWriter().Write(document);
}

TRichText ReadRtf(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size() && (bytes[start] == ' ' || bytes[start] == '\r' || bytes[start] == '\n'))
        ++start;
    if (bytes.substr(start, 5) != "{\\rtf") return ReadPlainText(bytes);
    return TRtfReader(bytes.substr(start)).Read();
}

TCharFormat CommentFontFormat(const std::string& name, int points, int style, std::uint32_t colour) {
    TCharFormat format;
    format.itsFont = name;
    format.itsSize = points * 2;
    format.itsBold = (style & 1) != 0;
    format.itsItalic = (style & 2) != 0;
    // Stored colours are 0x00BBGGRR; the document keeps 0xRRGGBB.
    format.itsColour = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
    return format;
}

} // namespace marvek
