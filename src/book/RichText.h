#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Comments are stored as RTF. This is the small document model behind them, its RTF writer and
// its reader.
//
// The model keeps what the comment editor lets the user set: paragraphs of runs, each run with
// a font (name and character set), a size, a colour, bold and italic. Text is UTF-8; inside a
// run "\t" is a tab and "\n" a line break within the paragraph.
//
// The writer produces a compact RTF document: font table, colour table when colours are used,
// then the runs with \f \fs \cf \b \i where the format changes and \par after each paragraph.
// Characters outside ASCII go out as \'hh when Windows-1252 has them, else as \uN with a "?"
// for readers that do not know \u. Bytes in a symbol font (character set 2) are read as
// Windows-1252 like any other and so written back as the bytes they came from.
//
// The reader takes what word processors and rich-text controls write and keeps the parts above;
// everything else (style sheets, pictures, fields' instructions, unknown destinations, paragraph
// formatting) is skipped. It reads any bytes without failing: unbalanced braces, truncated
// input and deep nesting end or flatten the document, never the program. Bytes that do not
// start with "{\rtf" are read as plain text.

namespace marvek {

constexpr std::uint32_t kAutoColour = 0xFF000000; // the editor's default text colour

struct TCharFormat {
    std::string itsFont = "Arial";
    int itsCharset = 0;                    // 0 ANSI, 2 symbol
    int itsSize = 20;                      // half-points
    std::uint32_t itsColour = kAutoColour; // 0xRRGGBB or kAutoColour
    bool itsBold = false;
    bool itsItalic = false;

    bool operator==(const TCharFormat&) const = default;
};

// The comment font of the preferences: a name, points, a style (bit 0 bold, bit 1 italic) and a
// colour as 0x00BBGGRR. Underline and strike-out have no place in a comment and are left out.
TCharFormat CommentFontFormat(const std::string& name, int points, int style, std::uint32_t colour);

struct TTextRun {
    std::string itsText;
    TCharFormat itsFormat;

    bool operator==(const TTextRun&) const = default;
};

struct TParagraph {
    std::vector<TTextRun> itsRuns;

    // The paragraph's text without formatting.
    std::string Text() const;
    bool operator==(const TParagraph&) const = default;
};

class TRichText {
public:
    const std::vector<TParagraph>& Paragraphs() const { return itsParagraphs; }
    bool Empty() const { return itsParagraphs.empty(); }
    void Clear() { itsParagraphs.clear(); }

    // Starts a new, empty paragraph.
    void AddParagraph() { itsParagraphs.emplace_back(); }
    // Appends text to the last paragraph (starting one when there is none), joining the last run
    // when the format is the same.
    void AddText(std::string_view text, const TCharFormat& format);

    // The text split at paragraph and line breaks; no lines for an empty document.
    std::vector<std::string> PlainTextLines() const;

    bool operator==(const TRichText&) const = default;

private:
    std::vector<TParagraph> itsParagraphs;
};

std::string WriteRtf(const TRichText& document);
TRichText ReadRtf(std::string_view bytes);

// Windows-1252 byte to Unicode code point, and back (-1 when the code point has no byte).
char32_t Windows1252ToUnicode(std::uint8_t byte);
int UnicodeToWindows1252(char32_t code);

} // namespace marvek
