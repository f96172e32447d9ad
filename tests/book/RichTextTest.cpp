#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "book/RichText.h"
#include "book/RichTextBuffer.h"
#include "support/FileHelpers.h"

namespace marvek {
namespace {

using TLines = std::vector<std::string>;

std::string Fixture(const std::string& name) {
    std::filesystem::path path = std::filesystem::path(MARVEK_RICH_TEXT_FIXTURES) / name;
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    return testsupport::ReadWholeFile(path.string());
}

TCharFormat Format(const std::string& font, int size, std::uint32_t colour, bool bold, bool italic,
                   int charset = 0) {
    TCharFormat format;
    format.itsFont = font;
    format.itsCharset = charset;
    format.itsSize = size;
    format.itsColour = colour;
    format.itsBold = bold;
    format.itsItalic = italic;
    return format;
}

// The format of the run holding `text`, which must lie within one run.
const TCharFormat* FormatOf(const TRichText& document, const std::string& text) {
    for (const TParagraph& paragraph : document.Paragraphs())
        for (const TTextRun& run : paragraph.itsRuns)
            if (run.itsText.find(text) != std::string::npos) return &run.itsFormat;
    ADD_FAILURE() << "no run holds " << text;
    return nullptr;
}

TEST(RichTextTest, WriterOutputIsCompactRtf) {
    TRichText document;
    document.AddText("Play ", TCharFormat{});
    document.AddText("e4", Format("Arial", 20, 0xFF0000, true, false));
    document.AddParagraph();
    document.AddText("{x}\\ caf\xC3\xA9", Format("Courier New", 24, kAutoColour, false, true));
    EXPECT_EQ(WriteRtf(document),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
              "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset0 Courier New;}}"
              "{\\colortbl ;\\red255\\green0\\blue0;}\n"
              "\\fs20 Play \\cf1\\b e4\\par\n"
              "\\f1\\fs24\\cf0\\b0\\i \\{x\\}\\\\ caf\\'e9\\par\n"
              "}");
}

TEST(RichTextTest, FormattedTextSurvivesWritingAndReading) {
    TRichText document;
    document.AddText("Main line: ", TCharFormat{});
    document.AddText("1.e4", Format("Arial", 20, kAutoColour, true, false));
    document.AddText(" e5 ", TCharFormat{});
    document.AddText("unclear", Format("Times New Roman", 28, 0x008000, false, true));
    document.AddParagraph(); // an empty paragraph between two
    document.AddParagraph();
    document.AddText("tab\there, break\nthere", Format("Arial", 16, 0x0000FF, true, true));
    document.AddParagraph();
    // Windows-1252 letters, a letter outside it, one outside the 16-bit range, braces, backslash.
    document.AddText("\xE2\x82\xAC \xC3\xA9 \xD1\x84 \xF0\x9F\x98\x8A {\\}",
                     Format("Segoe UI", 22, 0x123456, false, false));
    document.AddText("abc", Format("Symbol", 22, 0x123456, false, false, 2));
    document.AddParagraph(); // an empty last paragraph

    const std::string rtf = WriteRtf(document);
    for (char c : rtf) EXPECT_LT(std::uint8_t(c), 0x80) << "RTF is 7-bit text";
    EXPECT_EQ(ReadRtf(rtf), document);
    EXPECT_EQ(document.PlainTextLines(),
              (TLines{"Main line: 1.e4 e5 unclear", "", "tab\there, break", "there",
                      "\xE2\x82\xAC \xC3\xA9 \xD1\x84 \xF0\x9F\x98\x8A {\\}abc", ""}));
    EXPECT_TRUE(ReadRtf(WriteRtf(TRichText{})).Empty());
}

struct TFixtureCase {
    const char* itsFile;
    TLines itsLines;
};

TEST(RichTextTest, ReadsWhatWordProcessorsWrite) {
    const TFixtureCase cases[] = {
        {"wordpad.rtf", {"Main line: 1.e4 e5 unclear", "Caf\xC3\xA9 \xE2\x82\xAC 5\tend", "ab"}},
        {"word.rtf",
         {"The Marshall \xE2\x80\x94 a \xE2\x80\x9Cgambit\xE2\x80\x9D that isn\xE2\x80\x99t.",
          "See the survey"}},
        {"libreoffice.rtf", {"Blue italic and bold", "Cyrillic: \xD1\x84\xF0\x9F\x98\x8A ok"}},
        {"textedit.rtf", {"First line", "Second line", "", "Nf3 wins {really}"}},
    };
    for (const TFixtureCase& fixture : cases) {
        SCOPED_TRACE(fixture.itsFile);
        EXPECT_EQ(ReadRtf(Fixture(fixture.itsFile)).PlainTextLines(), fixture.itsLines);
    }
}

TEST(RichTextTest, KeepsTheFormattingOfFixtures) {
    TRichText wordpad = ReadRtf(Fixture("wordpad.rtf"));
    EXPECT_EQ(*FormatOf(wordpad, "Main"), Format("Arial", 20, kAutoColour, false, false));
    EXPECT_EQ(*FormatOf(wordpad, "1.e4"), Format("Arial", 20, kAutoColour, true, false));
    EXPECT_EQ(*FormatOf(wordpad, "unclear"), Format("Arial", 20, 0xFF0000, false, true));
    EXPECT_EQ(*FormatOf(wordpad, "ab"), Format("Symbol", 20, kAutoColour, false, false, 2));

    TRichText word = ReadRtf(Fixture("word.rtf"));
    EXPECT_EQ(*FormatOf(word, "Marshall"), Format("Calibri", 22, kAutoColour, true, false));
    EXPECT_EQ(*FormatOf(word, "survey"), Format("Calibri", 22, 0x0000FF, false, false));

    TRichText libre = ReadRtf(Fixture("libreoffice.rtf"));
    EXPECT_EQ(*FormatOf(libre, "Blue"), Format("Liberation Serif", 24, 0x0000FF, false, true));
    EXPECT_EQ(*FormatOf(libre, "bold"), Format("Liberation Serif", 24, kAutoColour, true, false));

    TRichText textedit = ReadRtf(Fixture("textedit.rtf"));
    EXPECT_EQ(*FormatOf(textedit, "Nf3"), Format("Menlo-Regular", 24, 0x008000, true, false));
    EXPECT_EQ(*FormatOf(textedit, "wins"), Format("Helvetica", 24, kAutoColour, false, false));

    // What was read is written and read back the same.
    for (const TRichText* document : {&wordpad, &word, &libre, &textedit})
        EXPECT_EQ(ReadRtf(WriteRtf(*document)), *document);
}

TEST(RichTextTest, SmallFormsOfTheSyntax) {
    const std::pair<const char*, TLines> cases[] = {
        {"{\\rtf1 a\\par b}", {"a", "b"}},
        {"{\\rtf1 a\\par b\\par}", {"a", "b"}},
        {"{\\rtf1 a\\line b\\par}", {"a", "b"}},
        {"{\\rtf1 \\par}", {""}},
        {"{\\rtf1 }", {}},
        {"{\\rtf1 \\uc2\\u252xxy\\u-4064 ??z}", {"\xC3\xBCy\xEF\x80\xA0z"}},
        {"{\\rtf1 {\\uc0\\u252}x}", {"\xC3\xBCx"}},
        {"{\\rtf1 \\u252{x}y}", {"\xC3\xBCxy"}},  // a group ends the fallback
        {"{\\rtf1 \\u252\\'fcy}", {"\xC3\xBCy"}}, // \'hh is one fallback character
        {"{\\rtf1 a\\~b\\-c\\_d}",
         {"a\xC2\xA0"
          "bc-d"}},
        {"{\\rtf1 x{\\*\\unknown skipped {nested}}y{\\unknownword z}}", {"xyz"}},
        {"{\\rtf1 a\\cell b\\row c}", {"a\tb", "c"}},
        {"  {\\rtf1 lead}trailing text", {"lead"}},
        {"{\\rtf1 \\u55349?\\u-9216?}", {"\xF0\x9D\x90\x80"}}, // surrogates given as positive and negative
        {"{\\rtf1 \\u-10179?x}", {"\xEF\xBF\xBDx"}},           // a lone surrogate
    };
    for (const auto& [rtf, lines] : cases) EXPECT_EQ(ReadRtf(rtf).PlainTextLines(), lines) << rtf;

    // \plain and group ends put the format back.
    TRichText document =
        ReadRtf("{\\rtf1{\\fonttbl{\\f0 Georgia;}{\\f1 Consolas;}}\\f1\\b\\fs30 a{\\i b}c\\plain d}");
    EXPECT_EQ(*FormatOf(document, "a"), Format("Consolas", 30, kAutoColour, true, false));
    EXPECT_EQ(*FormatOf(document, "b"), Format("Consolas", 30, kAutoColour, true, true));
    EXPECT_EQ(*FormatOf(document, "d"), Format("Georgia", 24, kAutoColour, false, false));
}

TEST(RichTextTest, PlainTextIsReadAsLines) {
    EXPECT_EQ(ReadRtf("one\r\ntwo\nthree\r").PlainTextLines(), (TLines{"one", "two", "three"}));
    EXPECT_EQ(ReadRtf("caf\xC3\xA9").PlainTextLines(), TLines{"caf\xC3\xA9"});
    EXPECT_EQ(ReadRtf("caf\xE9 \x80").PlainTextLines(), TLines{"caf\xC3\xA9 \xE2\x82\xAC"})
        << "not UTF-8: Windows-1252";
    EXPECT_TRUE(ReadRtf("").Empty());
}

// ---- Bad input: no crash, no hang, something sensible ----

TEST(RichTextTest, EveryTruncationOfTheFixturesReads) {
    for (const char* name : {"wordpad.rtf", "word.rtf", "libreoffice.rtf", "textedit.rtf"}) {
        const std::string whole = Fixture(name);
        const TLines complete = ReadRtf(whole).PlainTextLines();
        for (std::size_t length = 0; length <= whole.size(); ++length) {
            TRichText document = ReadRtf(std::string_view(whole).substr(0, length));
            ASSERT_LE(document.PlainTextLines().size(), complete.size() + 1) << name << " cut at " << length;
        }
    }
}

TEST(RichTextTest, DeepNestingAndUnbalancedBracesRead) {
    const std::size_t depth = 100000;
    std::string nested = "{\\rtf1 a" + std::string(depth, '{') + "\\b b" + std::string(depth, '}') + "c}";
    TRichText document = ReadRtf(nested);
    EXPECT_EQ(document.PlainTextLines(), TLines{"abc"});
    EXPECT_FALSE(FormatOf(document, "a")->itsBold);

    EXPECT_EQ(ReadRtf("{\\rtf1 " + std::string(depth, '{') + "x").PlainTextLines(), TLines{"x"});
    EXPECT_EQ(ReadRtf("{\\rtf1 x}}}}}y").PlainTextLines(), TLines{"x"});
    EXPECT_EQ(ReadRtf("{\\rtf1 {\\*" + std::string(depth, '{') + "hidden").PlainTextLines(), TLines{});
}

TEST(RichTextTest, GarbageReads) {
    static constexpr char kControlBytes[] = "{\\rtf1 \0\x01\x1F\x7F\xFF text}";
    const std::string odd[] = {
        "{\\rtf",
        "{\\rtf1 \\",
        "{\\rtf1 \\'",
        "{\\rtf1 \\'4",
        "{\\rtf1 \\'zzq",
        "{\\rtf1 \\fs99999999999999999999 big \\fs-5 neg \\cf99999 \\f-1 x}",
        "{\\rtf1 \\u \\u- \\u99999999999 \\uc99999999 \\u65 abc}",
        "{\\rtf1{\\colortbl\\red999\\green-1;;;}\\cf3 x\\cf2 y}",
        "{\\rtf1{\\fonttbl{\\f99999999999 ;}\\f-3 ;}\\f99999999999 x}",
        "{\\rtf1 " + std::string(5000, 'a') + "b" + std::string(3000, '9') + " tail}",
        std::string(kControlBytes, sizeof kControlBytes - 1),
    };
    for (const std::string& input : odd) {
        TRichText document = ReadRtf(input);
        EXPECT_EQ(ReadRtf(WriteRtf(document)), document) << input.substr(0, 80);
    }

    // Random bytes drawn from the characters RTF cares about, and from all bytes.
    std::uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const std::string alphabet = "{}\\'*ubfsicpar0123456789- ;\r\n\xE9xyz";
    for (int round = 0; round < 300; ++round) {
        std::string input = "{\\rtf1 ";
        const std::size_t length = next() % 600;
        for (std::size_t i = 0; i < length; ++i)
            input += round % 2 == 0 ? alphabet[next() % alphabet.size()] : char(next() & 0xFF);
        TRichText document = ReadRtf(input);
        EXPECT_EQ(ReadRtf(WriteRtf(document)), document) << round;
    }
}

// ---- The core's comment buffer ----

TEST(RichTextBufferTest, HoldsTextAndModifiedFlag) {
    TRichTextBuffer buffer;
    EXPECT_FALSE(buffer.HoldsText());
    EXPECT_FALSE(buffer.Modified());

    buffer.AppendLine("");
    EXPECT_FALSE(buffer.HoldsText()) << "one empty line";
    EXPECT_TRUE(buffer.Modified());
    buffer.AppendLine("");
    EXPECT_TRUE(buffer.HoldsText()) << "two lines";

    buffer.Clear();
    EXPECT_FALSE(buffer.Modified());
    buffer.AppendLine("1.e4 is best\r\nby test");
    EXPECT_EQ(buffer.PlainTextLines(), (TLines{"1.e4 is best", "by test"}));
    EXPECT_TRUE(buffer.HoldsText());

    TRichTextBuffer copy;
    copy.SetModified(true);
    copy.LoadRichText(buffer.SaveRichText());
    EXPECT_FALSE(copy.Modified());
    EXPECT_EQ(copy.Document(), buffer.Document());

    TCharFormat red;
    red.itsColour = 0xFF0000;
    copy.SetDefaultFormat(red);
    copy.AppendLine("red");
    EXPECT_EQ(copy.Document().Paragraphs().back().itsRuns.at(0).itsFormat, red);
}

} // namespace
} // namespace marvek
