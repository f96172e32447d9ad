#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The comment of a position as the record sees it: a rich-text buffer that can be emptied,
// loaded from and saved to the stored bytes (RTF), and read as plain lines. The desktop program
// implements it over its comment editor; TRichTextBuffer (RichTextBuffer.h) is the core's own,
// used by the command-line tool, the importers and the tests.

namespace marvek {

class TCommentBuffer {
public:
    virtual ~TCommentBuffer() = default;

    // Empties the buffer (one empty line) and clears the modified flag.
    virtual void Clear() = 0;
    // Replaces the content with stored rich text and clears the modified flag. Bytes that are
    // not RTF are taken as plain text; damaged RTF loads as much as can be read.
    virtual void LoadRichText(std::string_view bytes) = 0;
    // The content as RTF bytes, as stored in position records.
    virtual std::string SaveRichText() const = 0;

    virtual bool Modified() const = 0;
    virtual void SetModified(bool modified) = 0;

    // Adds a paragraph of plain text (UTF-8) at the end, in the current default format.
    virtual void AppendLine(std::string_view text) = 0;
    // The text as lines (UTF-8), paragraph and line breaks splitting; what exporters write. An
    // empty buffer gives no lines or one empty line.
    virtual std::vector<std::string> PlainTextLines() const = 0;

    // The format new text gets: a font name, a size in points, a style (bit 0 bold, bit 1
    // italic, bit 2 underline, bit 3 strike-out) and a colour as 0x00BBGGRR. Comments are shown
    // in the comment font of the settings.
    virtual void SetDefaultFont(const std::string& name, int points, int style, std::uint32_t colour) = 0;

    // Whether there is anything worth storing: more than one line, or a first line with text.
    virtual bool HoldsText() const {
        std::vector<std::string> lines = PlainTextLines();
        return lines.size() > 1 || (lines.size() == 1 && !lines.front().empty());
    }
};

} // namespace marvek
